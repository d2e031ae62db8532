// A simple motor behind the virtual drive: speed ramps toward a target with the drive's
// acceleration and deceleration times, the position integrates the speed, a position move
// brakes in time to stop on its target, and the 17 scope sources are derived from that state.
// Stepped by the drive's 8 ms sample clock.
#pragma once

#include <cstdint>

namespace vdrive {

struct MotorCommand {
  bool servoOn = false;
  int targetRpm = 0;          // speed command, unless a position move is running
  bool positionMove = false;  // run to targetPulses (absolute position) at moveRpm
  int64_t targetPulses = 0;
  int moveRpm = 0;
  int accelMs = 0;        // time from 0 to rated speed; 0 means at once
  int decelMs = 0;        // time from rated speed to 0; 0 means at once
  int inertiaRatio = 10;  // P1.37, tenths
};

class MotorModel {
 public:
  void Reset();
  void Step(const MotorCommand& command, double stepMs);

  double SpeedRpm() const { return speedRpm_; }
  // Feedback position: pulses counted since power-up.
  int64_t PositionPulses() const { return positionPulses_; }
  // Absolute position: the feedback position shifted by the last homing.
  int64_t AbsolutePulses() const { return positionPulses_ + homeShift_; }
  // Homing: the current position becomes `pulses` of the absolute scale.
  void SetAbsolutePosition(int64_t pulses) { homeShift_ = pulses - positionPulses_; }
  // Standing still: below rangeRpm (P1.38), or not turning at all.
  bool AtZeroSpeed(int rangeRpm) const;
  // Value of scope source 0..16 as the drive reports it (signed 16-bit).
  int16_t Source(int sourceIndex) const;

 private:
  int MoveSpeed(const MotorCommand& command) const;
  void Integrate(const MotorCommand& command, double stepMs);

  double speedRpm_ = 0;
  double commandRpm_ = 0;  // ramped speed command
  double positionPulses_f_ = 0;
  int64_t positionPulses_ = 0;
  int64_t homeShift_ = 0;
  double accelRpmPerMs_ = 0;
  int targetRpm_ = 0;
  int inertiaRatio_ = 10;
  double peakLoad_ = 0;
  double averageLoad_ = 0;
};

}  // namespace vdrive
