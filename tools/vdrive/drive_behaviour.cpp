// What the virtual drive does between requests: servo on, the functions of its digital inputs
// (alarm reset, position commands, homing, jog), its outputs, the communication watchdog and
// the 8 ms sample clock that moves the motor and fills the scope blocks.
#include <cmath>
#include <cstdlib>

#include "virtual_drive.h"

namespace vdrive {

namespace df = drive_facts;

namespace {

constexpr int kControlModeAddress = df::ParameterAddress(1, 1);  // digits B A: the mode
constexpr int kPositionRegisterMode = 1;                         // Pr
constexpr int kPositionModeAddress = df::ParameterAddress(1, 33);
constexpr int kTargetSpeedAddress = df::ParameterAddress(1, 39);
constexpr int kHomeOffsetAddress = df::ParameterAddress(1, 50);    // revolutions, then pulses
constexpr int kCommandSpeedAddress = df::ParameterAddress(2, 36);  // P2.36..P2.43

// Output functions (P2.18..P2.22, last two digits).
enum OutputFunction {
  kServoReady = 1,
  kServoOnOutput = 2,
  kZeroSpeed = 3,
  kAtTargetSpeed = 4,
  kInPosition = 5,
  kAlarm = 7,
  kHomingComplete = 9,
  kWarning = 11,
  kCommandComplete = 12,
};

int16_t Signed(uint16_t word) { return static_cast<int16_t>(word); }

}  // namespace

bool VirtualDrive::Faulted() const { return StoredAt(df::kFaultCodeAddress) != 0 && !warningOnly_; }

int VirtualDrive::InputFunction(int input) const {
  if (input >= 1 && input <= df::kInputsWithFunction)
    return std::abs(Signed(Stored(2, df::kInputFunctionFirst + input - 1))) % 100;
  return df::FixedInputFunction(config_.revision, input);
}

uint16_t VirtualDrive::InputMask() const {
  return StoredAt(config_.revision >= 210 ? df::kInputMask16Address : df::kInputMask8Address);
}

// Live states: masked inputs from the software states, the others from the terminals. DI9..DI16
// act only under Modbus control: with their mask bit clear they are disabled.
uint16_t VirtualDrive::InputStates() const {
  const df::BitField bits = df::InputBits(config_.revision);
  uint16_t terminals = 0;
  for (int n = 1; n <= df::kInputsWithFunction; ++n)
    terminals |= static_cast<uint16_t>(hardwareInputs_ & df::BitOfPoint(bits, n));
  const uint16_t mask = InputMask();
  const uint16_t all = static_cast<uint16_t>((1u << InputCount()) - 1);
  return static_cast<uint16_t>(((softwareInputs_ & mask) | (terminals & ~mask)) & all);
}

bool VirtualDrive::ActiveWithFunction(uint16_t states, int function) const {
  const df::BitField bits = df::InputBits(config_.revision);
  for (int input = 1; input <= InputCount(); ++input)
    if (InputFunction(input) == function && df::PointIsOn(bits, states, input)) return true;
  return false;
}

bool VirtualDrive::RisingWithFunction(uint16_t states, int function) const {
  return ActiveWithFunction(states, function) && !ActiveWithFunction(previousInputs_, function);
}

bool VirtualDrive::ServoOn() const {
  if (Faulted()) return false;  // a fault drops servo ready and servo on
  for (int input = 1; input <= InputCount(); ++input)
    if (InputFunction(input) == df::kInputFunctionServoOn)
      return ActiveWithFunction(InputStates(), df::kInputFunctionServoOn);
  return StoredAt(df::kServoOnAddress) == 1;
}

uint16_t VirtualDrive::StatusWord() const {
  uint16_t word = 0;
  if (!Faulted()) word |= df::kStatusServoReady;
  if (ServoOn()) word |= df::kStatusServoOn;
  if (motor_.AtZeroSpeed(Signed(StoredAt(df::kZeroSpeedRangeAddress))))
    word |= df::kStatusZeroSpeed;
  return word;
}

bool VirtualDrive::OutputOn(int function, uint16_t status) const {
  switch (function) {
    case kServoReady:
      return status & df::kStatusServoReady;
    case kServoOnOutput:
      return status & df::kStatusServoOn;
    case kZeroSpeed:
      return status & df::kStatusZeroSpeed;
    case kAtTargetSpeed:
      return std::abs(motor_.SpeedRpm()) > Signed(StoredAt(kTargetSpeedAddress));
    case kInPosition:
      return !move_.active && motor_.SpeedRpm() == 0;
    case kAlarm:
      return Faulted();
    case kHomingComplete:
      return homed_;
    case kWarning:
      return warningOnly_;
    case kCommandComplete:
      return commandDone_;
    default:
      return false;
  }
}

uint16_t VirtualDrive::OutputStates() const {
  const uint16_t forces = StoredAt(df::kForcedOutputsAddress);
  const uint16_t status = StatusWord();
  if (forces != 0 && !(status & df::kStatusServoOn)) return forces;
  uint16_t outputs = 0;
  for (int n = 1; n <= df::kOutputCount; ++n) {
    const int function = std::abs(Signed(Stored(2, df::kOutputFunctionFirst + n - 1))) % 100;
    if (OutputOn(function, status))
      outputs |= static_cast<uint16_t>(df::BitOfPoint(df::kOutputBits, n));
  }
  return outputs;
}

void VirtualDrive::InjectFault(int code) {
  StoredAt(df::kFaultCodeAddress) = static_cast<uint16_t>(code);
  warningOnly_ = false;
  if (code == 0) return;
  const int h = df::kFaultHistoryAddress;
  for (int i = df::kFaultHistoryLength - 1; i > 0; --i) StoredAt(h + i) = StoredAt(h + i - 1);
  StoredAt(h) = static_cast<uint16_t>(code);
  jogDirection_ = 0;
}

void VirtualDrive::SetHardwareInput(int input, bool on) {
  if (input < 1 || input > InputCount()) return;
  const auto bit = static_cast<uint16_t>(df::BitOfPoint(df::InputBits(config_.revision), input));
  hardwareInputs_ = on ? (hardwareInputs_ | bit) : (hardwareInputs_ & ~bit);
}

void VirtualDrive::NoteValidRequest() {
  watchdogArmed_ = true;
  watchdogMs_ = 0;
}

// Armed by the first request after power-up (or after it tripped); trips once per silence.
// With P3.03 = 1 the time-out is a fault: servo off, jog and forced outputs ended. With
// P3.03 = 0 it is only a warning and the drive carries on, a running jog included: only what
// the master armed stops the motor.
void VirtualDrive::RunWatchdog() {
  const int seconds = Signed(StoredAt(df::kCommWatchdogAddress));
  if (seconds <= 0 || !watchdogArmed_) return;
  watchdogMs_ += df::kScopeSamplePeriodMs;
  if (watchdogMs_ < seconds * 1000) return;
  watchdogArmed_ = false;
  const bool warnOnly = StoredAt(df::kCommFaultActionAddress) == 0 && !Faulted();
  const int jog = jogDirection_;
  InjectFault(df::kSerialTimeoutFault);
  warningOnly_ = warnOnly;
  if (warnOnly)
    jogDirection_ = jog;
  else
    StoredAt(df::kForcedOutputsAddress) = 0;
}

// Position command 1 + (POS0 + 2 POS1 + 4 POS2): revolutions and pulses P1.15..P1.30, speed
// P2.36..P2.43; absolute (P1.33 = 0 or 5) or incremental (1 or 6). The search feed steps
// (2..4) are not modelled.
void VirtualDrive::StartPositionCommand(uint16_t states) {
  int k = 0;
  for (int bit = 0; bit < 3; ++bit)
    if (ActiveWithFunction(states, df::kInputFunctionPositionSelect0 + bit)) k |= 1 << bit;
  const int mode = Signed(StoredAt(kPositionModeAddress));
  if (mode < 0 || (mode > 1 && mode < 5) || mode > 6) return;
  const int first = df::kPositionCommandFirst + 2 * k;
  int64_t target = static_cast<int64_t>(Signed(StoredAt(first))) * df::kPulsesPerRevolution +
                   Signed(StoredAt(first + 1));
  if (mode == 1 || mode == 6) target += motor_.AbsolutePulses();
  move_ = PositionMove{true, target, Signed(StoredAt(kCommandSpeedAddress + k))};
  commandDone_ = false;
  jogDirection_ = 0;
}

void VirtualDrive::HandleInputEdges(uint16_t states) {
  if (RisingWithFunction(states, df::kInputFunctionAlarmReset)) InjectFault(0);
  if (RisingWithFunction(states, df::kInputFunctionStartHoming)) {
    // Homing on the spot: the position where the trigger finds the motor becomes the offset.
    motor_.SetAbsolutePosition(static_cast<int64_t>(Signed(StoredAt(kHomeOffsetAddress))) *
                                   df::kPulsesPerRevolution +
                               Signed(StoredAt(kHomeOffsetAddress + 1)));
    homed_ = true;
  }
  const bool prMode = Signed(StoredAt(kControlModeAddress)) % 100 == kPositionRegisterMode;
  if (prMode && ServoOn() && RisingWithFunction(states, df::kInputFunctionCommandTrigger))
    StartPositionCommand(states);
}

MotorCommand VirtualDrive::NextMotorCommand(uint16_t states) const {
  MotorCommand command;
  command.servoOn = ServoOn();
  int jog = jogDirection_;
  if (jog == 0)
    jog = ActiveWithFunction(states, df::kInputFunctionJogForward) -
          ActiveWithFunction(states, df::kInputFunctionJogReverse);
  command.targetRpm = jog * Signed(StoredAt(df::kJogAddress));
  command.positionMove = move_.active && jog == 0;
  command.targetPulses = move_.targetPulses;
  command.moveRpm = move_.rpm;
  command.accelMs = Signed(StoredAt(df::kAccelTimeAddress));
  command.decelMs = Signed(StoredAt(df::kDecelTimeAddress));
  command.inertiaRatio = Signed(Stored(1, 37));
  return command;
}

void VirtualDrive::PushSample(ScopeChannel& channel, int16_t value) {
  if (channel.count == df::kScopeMaxSamples) {  // the oldest sample is dropped
    for (int i = 1; i < df::kScopeMaxSamples; ++i) channel.samples[i - 1] = channel.samples[i];
    --channel.count;
    ++channel.unreadDrops;
  }
  channel.samples[channel.count++] = value;
  channel.latest = value;
}

void VirtualDrive::SampleTick() {
  RunWatchdog();
  const uint16_t states = InputStates();
  HandleInputEdges(states);
  previousInputs_ = states;
  if (!ServoOn()) {
    jogDirection_ = 0;
    move_.active = false;
  }
  const MotorCommand command = NextMotorCommand(states);
  if (move_.active && !command.positionMove) move_.active = false;  // a jog took over
  motor_.Step(command, df::kScopeSamplePeriodMs);
  if (move_.active && motor_.AbsolutePulses() == move_.targetPulses && motor_.SpeedRpm() == 0) {
    move_.active = false;
    commandDone_ = true;
  }
  for (auto& channel : scope_)
    PushSample(channel, motor_.Source(channel.selector - df::kScopeSelectorMin));
}

}  // namespace vdrive
