#include "virtual_drive.h"

#include <cstdlib>
#include <utility>

namespace vdrive {

namespace df = drive_facts;

namespace {

struct Place {
  int group;
  int number;
};
Place PlaceOf(uint16_t address) { return {address >> 8, address & 0xFF}; }
Place PlaceOfAddress(int oneBasedAddress) {
  return PlaceOf(static_cast<uint16_t>(oneBasedAddress - 1));
}
bool Is(Place p, int oneBasedAddress) {
  const Place q = PlaceOfAddress(oneBasedAddress);
  return p.group == q.group && p.number == q.number;
}

// Scope block word of a group-6 number: channel and word, or channel -1 outside the blocks.
struct BlockWord {
  int channel;
  int word;
};
BlockWord BlockWordOf(int number) {
  if (number < df::kScopeChannels * df::kScopeBlockWords)
    return {number / df::kScopeBlockWords, number % df::kScopeBlockWords};
  return {-1, 0};
}

bool InRange(int32_t value, const ParameterSpec& spec) {
  return value >= spec.min && value <= spec.max;
}

}  // namespace

VirtualDrive::VirtualDrive(DriveConfig config) : config_(std::move(config)) {
  if (!df::GroupLimitsFor(config_.revision, limits_)) df::GroupLimitsFor(200, limits_);
  PowerOn(false);
}

void VirtualDrive::PowerOn(bool keepStored) {
  if (!keepStored) {
    for (auto& group : words_)
      for (auto& word : group) word = 0;
    for (const auto& [key, spec] : config_.parameters) {
      const int group = key / 100, number = key % 100;
      if (group >= 0 && group <= 4 && Mapped(group, number))
        Stored(group, number) = static_cast<uint16_t>(spec.powerOn);
    }
    const Place passcode = PlaceOfAddress(df::kPasscodeAddress);
    Stored(passcode.group, passcode.number) = static_cast<uint16_t>(config_.passcode);
  }
  Stored(0, 0) = static_cast<uint16_t>(df::FirmwareWord(config_.revision));
  Stored(1, 31) = static_cast<uint16_t>(config_.motorCode);
  Stored(0, 1) = 0;
  const Place forced = PlaceOfAddress(df::kForcedOutputsAddress);
  Stored(forced.group, forced.number) = 0;  // the forces are lost at power-down
  for (int c = 0; c < df::kScopeChannels; ++c) {
    scope_[c] = ScopeChannel{};
    scope_[c].selector = static_cast<uint16_t>(df::kMonitorSelectors[c]);
  }
  motor_.Reset();
  softwareInputs_ = 0;
  loggedOn_ = false;
  logonStep_ = 0;
  jogDirection_ = 0;
  alarmResetWasActive_ = false;
}

bool VirtualDrive::Mapped(int group, int number) const {
  if (group < 0 || group >= kGroups || number < 0) return false;
  if (group <= 4) return number <= limits_.last[group];
  return number <= df::kInternalLast;
}

uint16_t VirtualDrive::ValueAt(int group, int number) const {
  const Place p{group, number};
  if (Is(p, df::kInputStatesAddress)) return InputStates();
  if (Is(p, df::kOutputStatesAddress)) return OutputStates();
  if (Is(p, df::kStatusWordAddress)) return StatusWord();
  if (Is(p, df::kMotorSpeedAddress)) return static_cast<uint16_t>(motor_.Source(6));
  if (Is(p, df::kBusVoltageAddress)) return static_cast<uint16_t>(motor_.Source(13));
  if (group == 6) {
    const BlockWord bw = BlockWordOf(number);
    if (bw.channel < 0) return 0;
    const ScopeChannel& channel = scope_[bw.channel];
    if (bw.word == 0) return channel.selector;
    if (bw.word == 1) return static_cast<uint16_t>(channel.count);
    const int index = bw.word - 2;
    return static_cast<uint16_t>(index < channel.count ? channel.samples[index] : channel.latest);
  }
  return Stored(group, number);
}

bool VirtualDrive::Peek(uint16_t address, uint16_t& value) const {
  const Place p = PlaceOf(address);
  if (!Mapped(p.group, p.number)) return false;
  value = ValueAt(p.group, p.number);
  return true;
}

bool VirtualDrive::Poke(uint16_t address, uint16_t value) {
  const Place p = PlaceOf(address);
  if (!Mapped(p.group, p.number)) return false;
  if (p.group == 6) {
    const BlockWord bw = BlockWordOf(p.number);
    if (bw.channel >= 0 && bw.word == 0) scope_[bw.channel] = ScopeChannel{value};
    return true;
  }
  if (Is(p, df::kInputStatesAddress)) {
    softwareInputs_ = value;
    return true;
  }
  Stored(p.group, p.number) = value;
  return true;
}

uint8_t VirtualDrive::ReadRegisters(uint16_t address, uint16_t count, uint16_t* values) {
  if (address + count > 0x10000) return kIllegalDataAddress;
  for (int i = 0; i < count; ++i) {
    const Place p = PlaceOf(static_cast<uint16_t>(address + i));
    if (!Mapped(p.group, p.number)) return kIllegalDataAddress;
  }
  bool handedOver[df::kScopeChannels] = {};
  for (int i = 0; i < count; ++i) {
    const Place p = PlaceOf(static_cast<uint16_t>(address + i));
    values[i] = ValueAt(p.group, p.number);
    if (p.group == 6) {
      const BlockWord bw = BlockWordOf(p.number);
      if (bw.channel >= 0 && bw.word == 1) handedOver[bw.channel] = true;
    }
  }
  // Reading a count hands its samples over; the next read counts new samples only.
  for (int c = 0; c < df::kScopeChannels; ++c)
    if (handedOver[c]) scope_[c].count = 0;
  return kNoException;
}

uint8_t VirtualDrive::CheckWrite(int group, int number, uint16_t value) const {
  const Place p{group, number};
  const int16_t signedValue = static_cast<int16_t>(value);
  if (!Mapped(group, number)) return kIllegalDataAddress;
  if (group >= 5) {
    if (!loggedOn_) return kIllegalDataAddress;
    if (Is(p, df::kPasscodeAddress)) return signedValue >= 0 ? kNoException : kIllegalDataValue;
    const BlockWord bw = BlockWordOf(number);
    if (bw.channel < 0 || bw.word != 0) return kIllegalDataAddress;  // monitor words
    return value >= df::kScopeSelectorMin && value <= df::kScopeSelectorMax ? kNoException
                                                                            : kIllegalDataValue;
  }
  if (Is(p, 1) || Is(p, df::kFaultCodeAddress) || Is(p, df::kOutputStatesAddress))
    return kIllegalDataAddress;
  const Place history = PlaceOfAddress(df::kFaultHistoryAddress);
  if (group == history.group && number >= history.number &&
      number < history.number + df::kFaultHistoryLength)
    return kIllegalDataAddress;
  if (Is(p, df::kLogonParameterAddress)) return kNoException;
  if (Is(p, df::kJogAddress)) {
    const bool speed = signedValue >= df::kJogSpeedMin && signedValue <= df::kJogSpeedMax;
    const bool command =
        value == df::kJogForward || value == df::kJogReverse || value == df::kJogStop;
    return speed || command ? kNoException : kIllegalDataValue;
  }
  if (Is(p, df::kServoOnAddress)) return value <= 1 ? kNoException : kIllegalDataValue;
  if (Is(p, df::kForcedOutputsAddress))
    return value < (1u << df::kOutputCount) ? kNoException : kIllegalDataValue;
  if (Is(p, df::kInputMask8Address) && config_.revision < 210)
    return value <= 0xFF ? kNoException : kIllegalDataValue;
  if (Is(p, df::kInputStatesAddress))
    return value < (1u << InputCount()) ? kNoException : kIllegalDataValue;
  if (!config_.rangeCheck) return kNoException;
  const auto spec = config_.parameters.find(group * 100 + number);
  if (spec == config_.parameters.end() || !spec->second.ranged) return kNoException;
  // A value above 32767 arrives as its 16-bit two's complement: either reading may be meant.
  return InRange(signedValue, spec->second) || InRange(value, spec->second) ? kNoException
                                                                            : kIllegalDataValue;
}

uint8_t VirtualDrive::WriteRegisters(uint16_t address, const uint16_t* values, uint16_t count) {
  if (address + count > 0x10000) return kIllegalDataAddress;
  // The logon word may be written in the same request as the registers it unlocks; check in
  // order on a copy of the logon state so that such a request is judged as a drive would.
  const bool wasLoggedOn = loggedOn_;
  const int wasStep = logonStep_;
  uint8_t refused = kNoException;
  for (int i = 0; i < count && refused == kNoException; ++i) {
    const Place p = PlaceOf(static_cast<uint16_t>(address + i));
    refused = CheckWrite(p.group, p.number, values[i]);
    if (refused == kNoException && Is(p, df::kLogonParameterAddress)) OnLogonWord(values[i]);
  }
  loggedOn_ = wasLoggedOn;
  logonStep_ = wasStep;
  if (refused != kNoException) return refused;
  for (int i = 0; i < count; ++i) {
    const Place p = PlaceOf(static_cast<uint16_t>(address + i));
    ApplyWrite(p.group, p.number, values[i]);
  }
  return kNoException;
}

void VirtualDrive::OnLogonWord(uint16_t value) {
  if (value == df::kLogonCode) {
    logonStep_ = 1;
  } else if (value == 0) {
    logonStep_ = -1;
  } else if (value == df::kConfirmCode && logonStep_ != 0) {
    loggedOn_ = logonStep_ == 1;
    logonStep_ = 0;
  } else {
    logonStep_ = 0;
  }
}

void VirtualDrive::ApplyWrite(int group, int number, uint16_t value) {
  const Place p{group, number};
  if (Is(p, df::kLogonParameterAddress)) {
    OnLogonWord(value);  // a command word: reads keep showing the stored value
    return;
  }
  if (Is(p, df::kJogAddress)) {
    if (value == df::kJogForward)
      jogDirection_ = 1;
    else if (value == df::kJogReverse)
      jogDirection_ = -1;
    else if (value == df::kJogStop)
      jogDirection_ = 0;
    else
      Stored(group, number) = value;
    return;
  }
  if (Is(p, df::kInputStatesAddress)) {
    softwareInputs_ = value;
    return;
  }
  if (group == 6) {
    const BlockWord bw = BlockWordOf(number);
    if (bw.channel >= 0 && bw.word == 0 && scope_[bw.channel].selector != value)
      scope_[bw.channel] = ScopeChannel{value};
    return;
  }
  Stored(group, number) = value;
}

int VirtualDrive::InputFunction(int input) const {
  if (input < 1 || input > df::kInputsWithFunction) return 0;
  return std::abs(static_cast<int16_t>(Stored(2, df::kInputFunctionFirst + input - 1))) % 100;
}

uint16_t VirtualDrive::InputMask() const {
  const Place mask =
      PlaceOfAddress(config_.revision >= 210 ? df::kInputMask16Address : df::kInputMask8Address);
  return Stored(mask.group, mask.number);
}

uint16_t VirtualDrive::InputStates() const {
  const uint16_t mask = InputMask();
  const uint16_t all = static_cast<uint16_t>((1u << InputCount()) - 1);
  return static_cast<uint16_t>(((softwareInputs_ & mask) | (hardwareInputs_ & ~mask)) & all);
}

bool VirtualDrive::InputActiveWithFunction(int function) const {
  const uint16_t states = InputStates();
  for (int input = 1; input <= df::kInputsWithFunction; ++input)
    if (InputFunction(input) == function && (states & df::BitOfPoint(df::InputBits(config_.revision), input))) return true;
  return false;
}

bool VirtualDrive::ServoOn() const {
  if (Stored(0, 1) != 0) return false;  // a fault drops servo ready and servo on
  for (int input = 1; input <= df::kInputsWithFunction; ++input)
    if (InputFunction(input) == df::kInputFunctionServoOn)
      return InputActiveWithFunction(df::kInputFunctionServoOn);
  const Place servo = PlaceOfAddress(df::kServoOnAddress);
  return Stored(servo.group, servo.number) == 1;
}

uint16_t VirtualDrive::StatusWord() const {
  uint16_t word = 0;
  if (Stored(0, 1) == 0) word |= df::kStatusServoReady;
  if (ServoOn()) word |= df::kStatusServoOn;
  if (motor_.AtZeroSpeed()) word |= df::kStatusZeroSpeed;
  return word;
}

uint16_t VirtualDrive::OutputStates() const {
  const Place forced = PlaceOfAddress(df::kForcedOutputsAddress);
  const uint16_t forces = Stored(forced.group, forced.number);
  const bool servoOn = ServoOn();
  if (forces != 0 && !servoOn) return forces;
  const uint16_t status = StatusWord();
  uint16_t outputs = 0;
  for (int n = 1; n <= df::kOutputCount; ++n) {
    const int function =
        std::abs(static_cast<int16_t>(Stored(2, df::kOutputFunctionFirst + n - 1))) % 100;
    bool on = false;
    switch (function) {
      case 1:
        on = status & df::kStatusServoReady;
        break;
      case 2:
        on = servoOn;
        break;
      case 3:
        on = status & df::kStatusZeroSpeed;
        break;
      case 4:
        on = !motor_.AtZeroSpeed();
        break;
      case 7:
        on = Stored(0, 1) != 0;
        break;
      default:
        break;
    }
    if (on) outputs |= static_cast<uint16_t>(df::BitOfPoint(df::kOutputBits, n));
  }
  return outputs;
}

void VirtualDrive::InjectFault(int code) {
  Stored(0, 1) = static_cast<uint16_t>(code);
  if (code == 0) return;
  const Place h = PlaceOfAddress(df::kFaultHistoryAddress);
  for (int i = df::kFaultHistoryLength - 1; i > 0; --i)
    Stored(h.group, h.number + i) = Stored(h.group, h.number + i - 1);
  Stored(h.group, h.number) = static_cast<uint16_t>(code);
  jogDirection_ = 0;
}

void VirtualDrive::SetHardwareInput(int input, bool on) {
  if (input < 1 || input > InputCount()) return;
  const uint16_t bit = static_cast<uint16_t>(df::BitOfPoint(df::InputBits(config_.revision), input));
  hardwareInputs_ = on ? (hardwareInputs_ | bit) : (hardwareInputs_ & ~bit);
}

void VirtualDrive::PushSample(ScopeChannel& channel, int16_t value) {
  if (channel.count == df::kScopeMaxSamples) {  // the oldest sample is dropped
    for (int i = 1; i < df::kScopeMaxSamples; ++i) channel.samples[i - 1] = channel.samples[i];
    --channel.count;
  }
  channel.samples[channel.count++] = value;
  channel.latest = value;
}

void VirtualDrive::SampleTick() {
  const bool alarmReset = InputActiveWithFunction(df::kInputFunctionAlarmReset);
  if (alarmReset && !alarmResetWasActive_) Stored(0, 1) = 0;
  alarmResetWasActive_ = alarmReset;
  const bool servoOn = ServoOn();
  if (!servoOn) jogDirection_ = 0;
  const Place jog = PlaceOfAddress(df::kJogAddress);
  MotorCommand command;
  command.servoOn = servoOn;
  command.targetRpm = jogDirection_ * static_cast<int16_t>(Stored(jog.group, jog.number));
  command.accelMs = static_cast<int16_t>(Stored(1, 34));
  command.decelMs = static_cast<int16_t>(Stored(1, 35));
  command.inertiaRatio = static_cast<int16_t>(Stored(1, 37));
  motor_.Step(command, df::kScopeSamplePeriodMs);
  for (auto& channel : scope_)
    PushSample(channel, motor_.Source(channel.selector - df::kScopeSelectorMin));
}

}  // namespace vdrive
