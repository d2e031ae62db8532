// The drive link of velumo-config: one hosted Portwright control on one line, block reads and
// single writes to any node, and what a drive says about itself.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"

namespace basFunctions {
class ValueTable;
}
namespace pwcli {
class ControlSession;
class PortBinding;
}  // namespace pwcli

namespace vmconfig {

// Who answers at a node: P0.00 (firmware number, 2001) and P1.31 (motor code).
struct DriveId {
  int node = 0;
  int firmwareWord = 0;
  int motorCode = 0;
  int ampCode() const;
  int revision() const;  // 200 for firmware 2001
};

class DriveLink {
 public:
  // Creates the control and opens the port; ToolError(kExitPort) with the reason when it cannot.
  DriveLink(const pwcli::LineOptions& line, int timeoutMs);
  ~DriveLink();

  // The port names a network endpoint (directly or through the port map).
  static bool OverNetwork(const pwcli::LineOptions& line);
  void SetTimeout(int timeoutMs);
  // One read of holding registers (1-based address); the result code, 0 good.
  int16_t Read(int node, int address, int count, std::vector<int16_t>& words);
  // One register written with SetMultipleReg, as the program writes parameters.
  int16_t Write(int node, int address, int16_t word);
  // Firmware and motor code of the drive at node; none when nothing answers there.
  // ToolError(kExitNoAnswer) when something answers but not as a drive.
  std::optional<DriveId> Identify(int node);
  // Groups 0..4 of the drive in block reads into `into`; ToolError(kExitNoAnswer) on a failure.
  void ReadConfiguration(int node, const std::array<int16_t, 5>& limits,
                         basFunctions::ValueTable& into);
  // The line as the program's drive history names it: "COM1 (/dev/ttyUSB0)".
  std::string PortText() const;

 private:
  // The result's meaning, with the reason when the network connection failed.
  std::string FailureText(int16_t result);

  std::unique_ptr<pwcli::PortBinding> binding_;
  std::unique_ptr<pwcli::ControlSession> session_;
};

// "2.00" for firmware 2001 (first digit, ".", digits 2-3).
std::string FirmwareText(int firmwareWord);

}  // namespace vmconfig
