// Several virtual drives on one line, as on a multidrop RS-485 bus: a pseudo-terminal for the
// master whose bytes go to every drive, and every drive's bytes back to the master. Each drive
// answers only its own node, so replies never meet. Run the drives with --no-line-check (this
// joint sets no line of its own) and --no-pacing.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace vctest {

class SharedLine {
 public:
  SharedLine() = default;
  ~SharedLine();
  SharedLine(const SharedLine&) = delete;
  SharedLine& operator=(const SharedLine&) = delete;

  // Opens the drives' devices and a new pseudo-terminal for the master; false on failure.
  bool Start(const std::vector<std::string>& driveDevices);
  // The device the master opens.
  const std::string& Device() const { return device_; }

 private:
  void Relay();
  int master_ = -1;
  int keepOpen_ = -1;  // the master's side stays open, or the pty reports EIO between runs
  std::vector<int> drives_;
  std::string device_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vctest
