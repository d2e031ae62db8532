// The drive's entry in the component's port map. The drive maps its pseudo-terminal as COMn
// over whatever COMn meant before, and puts the previous mapping back when it ends, but only
// while the entry still names its own device (the user may have reassigned it meanwhile). A
// small record beside the store ("vdrive-COMn.restore": pid, device, previous mapping) lets the
// next drive to start put back what a crashed drive left behind.
#pragma once

#include <string>

namespace vdrive {

class PortClaim {
 public:
  PortClaim() = default;
  ~PortClaim() { Release(); }
  PortClaim(const PortClaim&) = delete;
  PortClaim& operator=(const PortClaim&) = delete;

  // Puts back the mappings of drives that ended without releasing theirs.
  static void RecoverAbandoned();
  // The lowest COM number with no mapping and no running drive; 0 when none is left.
  static int FreeComNumber();

  // Maps COMn to device; false with a message when another running drive holds COMn or the
  // store cannot be written.
  bool Claim(int com, const std::string& device, std::string& error);
  // Puts the previous mapping back (while COMn still names the device) and drops the record.
  void Release();
  int Com() const { return com_; }

 private:
  int com_ = 0;
  std::string device_;
};

}  // namespace vdrive
