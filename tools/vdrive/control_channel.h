// The control channel: one text command per line, one reply line per command ("OK ..." or
// "ERR ..."). Tests script faults and look at the drive through it.
#pragma once

#include <string>

#include "fault_plan.h"
#include "virtual_drive.h"

namespace vdrive {

// What the commands act on; the server implements it.
class ControlTarget {
 public:
  virtual ~ControlTarget() = default;
  virtual VirtualDrive& Drive() = 0;
  virtual FaultPlan& Faults() = 0;
  // Silent for offMs, then back with power-on values and no logon.
  virtual void PowerCycle(int offMs) = 0;
  virtual void Quit() = 0;
  // Half duplex (the default): a request on the line while the drive sends collides with it.
  virtual void SetHalfDuplex(bool halfDuplex) = 0;
  virtual std::string DevicePath() const = 0;
  // Behind a listener with several nodes: the drive the other commands act on from now on.
  // "OK ..." or "ERR ...".
  virtual std::string SelectNode(int node) {
    (void)node;
    return "ERR one drive only: node needs a listener with several nodes";
  }
};

std::string RunControlCommand(const std::string& line, ControlTarget& target);

// "P4.05" or a decimal 1-based register address -> wire address; false when neither.
bool ParseRegister(const std::string& text, uint16_t& wireAddress);

}  // namespace vdrive
