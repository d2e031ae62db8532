// Fuzz target: lines of the virtual drive's control channel against a drive without a line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control_channel.h"
#include "drive_database.h"

namespace {

class Target : public vdrive::ControlTarget {
 public:
  Target() : drive_(Config()) {}
  vdrive::VirtualDrive& Drive() override { return drive_; }
  vdrive::FaultPlan& Faults() override { return faults_; }
  void PowerCycle(int) override { drive_.PowerOn(true); }
  void Quit() override {}
  void SetHalfDuplex(bool) override {}
  std::string DevicePath() const override { return "/dev/null"; }

 private:
  static vdrive::DriveConfig Config() {
    vdrive::DriveConfig config;
    config.parameters = vdrive::BuiltInParameters();
    return config;
  }
  vdrive::VirtualDrive drive_;
  vdrive::FaultPlan faults_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Target target;
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    vdrive::RunControlCommand(text.substr(start, end - start), target);
    target.Drive().SampleTick();
    for (int i = 0; i < 3; ++i) target.Faults().TakeNext();
  }
  vdrive::RunControlCommand(text.substr(start), target);
  return 0;
}
