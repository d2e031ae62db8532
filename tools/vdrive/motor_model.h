// A simple motor behind the virtual drive: speed ramps toward a target with the drive's
// acceleration and deceleration times, the position integrates the speed, and the 17 scope
// sources are derived from that state. Stepped by the drive's 8 ms sample clock.
#pragma once

#include <cstdint>

namespace vdrive {

struct MotorCommand {
  bool servoOn = false;
  int targetRpm = 0;
  int accelMs = 0;        // time from 0 to rated speed; 0 means at once
  int decelMs = 0;        // time from rated speed to 0; 0 means at once
  int inertiaRatio = 10;  // P1.37, tenths
};

class MotorModel {
 public:
  void Reset();
  void Step(const MotorCommand& command, double stepMs);

  double SpeedRpm() const { return speedRpm_; }
  int64_t PositionPulses() const { return positionPulses_; }
  bool AtZeroSpeed() const;
  // Value of scope source 0..16 as the drive reports it (signed 16-bit).
  int16_t Source(int sourceIndex) const;

 private:
  double speedRpm_ = 0;
  double commandRpm_ = 0;  // ramped speed command
  double positionPulses_f_ = 0;
  int64_t positionPulses_ = 0;
  double accelRpmPerMs_ = 0;
  int targetRpm_ = 0;
  int inertiaRatio_ = 10;
  double peakLoad_ = 0;
  double averageLoad_ = 0;
};

}  // namespace vdrive
