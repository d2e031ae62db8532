#include "motor_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "drive_facts.h"

namespace vdrive {

namespace {

constexpr double kBusVolts = 310;
constexpr double kRatedTorqueNm = 3.2;
constexpr double kPulsesPerRev = drive_facts::kPulsesPerRevolution;

int16_t Clamp16(double value) {
  return static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

// Rate in rpm per millisecond for a ramp time from 0 to rated speed.
double RampRate(int rampMs) {
  return rampMs <= 0 ? 1e9 : static_cast<double>(drive_facts::kRatedSpeedRpm) / rampMs;
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
  int64_t q = value / divisor;
  if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) --q;
  return q;
}

}  // namespace

void MotorModel::Reset() { *this = MotorModel(); }

bool MotorModel::AtZeroSpeed(int rangeRpm) const {
  return speedRpm_ == 0 || std::fabs(speedRpm_) < rangeRpm;
}

// Speed toward the move's target: the move speed, or less where the deceleration ramp must
// begin. At v rpm the motor turns v / 6 pulses per ms, so stopping from v at d rpm/ms takes
// v^2 / (12 d) pulses.
int MotorModel::MoveSpeed(const MotorCommand& command) const {
  const double remaining = static_cast<double>(command.targetPulses - AbsolutePulses());
  if (remaining == 0) return 0;
  const double brake = std::sqrt(12.0 * RampRate(command.decelMs) * std::fabs(remaining));
  const double speed = std::min<double>(std::max(1, std::abs(command.moveRpm)), brake);
  return static_cast<int>(std::ceil(speed)) * (remaining > 0 ? 1 : -1);
}

void MotorModel::Step(const MotorCommand& command, double stepMs) {
  targetRpm_ = !command.servoOn ? 0 : command.positionMove ? MoveSpeed(command) : command.targetRpm;
  inertiaRatio_ = command.inertiaRatio;
  const double before = commandRpm_;
  const double gap = targetRpm_ - commandRpm_;
  // Speeding up in either direction uses the acceleration time, slowing down the deceleration.
  const bool speedingUp = std::fabs(static_cast<double>(targetRpm_)) > std::fabs(commandRpm_) &&
                          (commandRpm_ == 0 || (targetRpm_ > 0) == (commandRpm_ > 0));
  const double maxChange =
      (speedingUp ? RampRate(command.accelMs) : RampRate(command.decelMs)) * stepMs;
  commandRpm_ += std::clamp(gap, -maxChange, maxChange);
  accelRpmPerMs_ = (commandRpm_ - before) / stepMs;
  speedRpm_ = commandRpm_;
  Integrate(command, stepMs);
  const double load = std::fabs(accelRpmPerMs_) * 40.0 + std::fabs(speedRpm_) / 300.0;
  averageLoad_ += (load - averageLoad_) * 0.02;
  peakLoad_ = std::max(peakLoad_ * 0.999, load);
}

// Moves the position by one step; a position move that reaches or passes its target stops on
// it.
void MotorModel::Integrate(const MotorCommand& command, double stepMs) {
  const double target = static_cast<double>(command.targetPulses - homeShift_);
  const double remainingBefore = target - positionPulses_f_;
  positionPulses_f_ += speedRpm_ / 60000.0 * stepMs * kPulsesPerRev;
  const double remainingAfter = target - positionPulses_f_;
  if (command.positionMove && command.servoOn && remainingBefore != 0 &&
      (remainingAfter == 0 || (remainingAfter > 0) != (remainingBefore > 0))) {
    positionPulses_f_ = target;
    speedRpm_ = commandRpm_ = 0;
  }
  positionPulses_ = std::llround(positionPulses_f_);
}

int16_t MotorModel::Source(int sourceIndex) const {
  const double errorPulses = speedRpm_ * 0.5;  // following error grows with speed
  const int64_t commandPulses = positionPulses_ + std::llround(errorPulses);
  const double torqueNm =
      accelRpmPerMs_ * 0.8 * (1 + inertiaRatio_ / 10.0) + (speedRpm_ > 0   ? 0.1
                                                           : speedRpm_ < 0 ? -0.1
                                                                           : 0);
  switch (sourceIndex) {
    case 0:
      return Clamp16(positionPulses_ - FloorDiv(positionPulses_, kPulsesPerRev) * kPulsesPerRev);
    case 1:
      return Clamp16(FloorDiv(positionPulses_, kPulsesPerRev));
    case 2:
      return Clamp16(commandPulses - FloorDiv(commandPulses, kPulsesPerRev) * kPulsesPerRev);
    case 3:
      return Clamp16(FloorDiv(commandPulses, kPulsesPerRev));
    case 4:
      return Clamp16(std::clamp(errorPulses, -9999.0, 9999.0));
    case 5:
      return Clamp16(std::fabs(speedRpm_) * kPulsesPerRev / 60000.0);
    case 6:
      return Clamp16(speedRpm_);
    case 7:
      return Clamp16(targetRpm_ / 300.0);
    case 8:
      return Clamp16(commandRpm_);
    case 9:
      return Clamp16(torqueNm / kRatedTorqueNm * 10.0);
    case 10:
      return Clamp16(torqueNm);
    case 11:
      return Clamp16(std::min(averageLoad_, 100.0));
    case 12:
      return Clamp16(std::min(peakLoad_, 200.0));
    case 13:
      return Clamp16(kBusVolts);
    case 14:
      return Clamp16(inertiaRatio_ / 10.0);
    case 15:
      return Clamp16(std::clamp(errorPulses * 10.0, -32768.0, 32767.0));
    case 16:  // absolute position, whole rotations
      return Clamp16(FloorDiv(AbsolutePulses(), kPulsesPerRev));
    default:
      return 0;
  }
}

}  // namespace vdrive
