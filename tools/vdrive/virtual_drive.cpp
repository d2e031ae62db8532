#include "virtual_drive.h"

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
int AddressOf(Place p) { return df::ParameterAddress(p.group, p.number); }

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

// Registers the drive computes or measures: read-only whatever the catalogue says.
bool MeasuredRegister(Place p) {
  const int address = AddressOf(p);
  return address == df::ParameterAddress(0, 0) || address == df::kFaultCodeAddress ||
         (address >= df::kFaultHistoryAddress &&
          address < df::kFaultHistoryAddress + df::kFaultHistoryLength) ||
         address == df::kInputTerminalsAddress || address == df::kOutputStatesAddress;
}

}  // namespace

VirtualDrive::VirtualDrive(DriveConfig config) : config_(std::move(config)) {
  if (!df::GroupLimitsFor(config_.revision, limits_)) df::GroupLimitsFor(200, limits_);
  PowerOn(false);
}

void VirtualDrive::LoadPowerOnValues() {
  for (auto& group : words_)
    for (auto& word : group) word = 0;
  for (const auto& [key, spec] : config_.parameters) {
    const int group = key / 100, number = key % 100;
    if (group >= 0 && group <= 4 && Mapped(group, number))
      Stored(group, number) = static_cast<uint16_t>(spec.powerOn);
  }
  for (int address : {df::kAnalogSpeedScaleAddress, df::kMaximumSpeedAddress}) {
    uint16_t& word = StoredAt(address);
    word = static_cast<uint16_t>(df::SpeedDefaultForMotor(config_.motorCode, word));
  }
  StoredAt(df::kPasscodeAddress) = static_cast<uint16_t>(config_.passcode);
}

void VirtualDrive::PowerOn(bool keepStored) {
  if (!keepStored) LoadPowerOnValues();
  Stored(0, 0) = static_cast<uint16_t>(df::FirmwareWord(config_.revision));
  Stored(1, 31) = static_cast<uint16_t>(config_.motorCode);
  StoredAt(df::kFaultCodeAddress) = 0;
  StoredAt(df::kForcedOutputsAddress) = 0;  // the forces are lost at power-down
  for (int c = 0; c < df::kScopeChannels; ++c)
    RestartScopeChannel(c, static_cast<uint16_t>(df::kMonitorSelectors[c]));
  motor_.Reset();
  softwareInputs_ = 0;
  loggedOn_ = false;
  logonStep_ = 0;
  jogDirection_ = 0;
  move_ = PositionMove{};
  commandDone_ = homed_ = warningOnly_ = false;
  watchdogArmed_ = false;
  watchdogMs_ = 0;
  previousInputs_ = InputStates();  // inputs held through power-up are no edges
}

bool VirtualDrive::Mapped(int group, int number) const {
  if (group < 0 || group >= kGroups || number < 0) return false;
  if (group <= 4) return number <= limits_.last[group];
  return number <= df::kInternalLast;
}

uint16_t& VirtualDrive::StoredAt(int address) {
  const Place p = PlaceOfAddress(address);
  return Stored(p.group, p.number);
}
uint16_t VirtualDrive::StoredAt(int address) const {
  const Place p = PlaceOfAddress(address);
  return Stored(p.group, p.number);
}

const ParameterSpec* VirtualDrive::Spec(int group, int number) const {
  const auto it = config_.parameters.find(group * 100 + number);
  return it == config_.parameters.end() ? nullptr : &it->second;
}

bool VirtualDrive::UnsignedRegister(uint16_t address) const {
  const Place p = PlaceOf(address);
  if (Is(p, df::kPasscodeAddress)) return true;
  const ParameterSpec* spec = p.group <= 4 ? Spec(p.group, p.number) : nullptr;
  return spec && spec->ranged && spec->max > 32767;
}

uint16_t VirtualDrive::ValueAt(int group, int number) const {
  const Place p{group, number};
  if (Is(p, df::kInputStatesAddress)) return InputStates();
  if (Is(p, df::kInputTerminalsAddress))
    return static_cast<uint16_t>(hardwareInputs_ & ((1u << InputCount()) - 1));
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
    if (bw.channel >= 0 && bw.word == 0) RestartScopeChannel(bw.channel, value);
    return true;
  }
  if (Is(p, df::kInputStatesAddress)) {
    softwareInputs_ = value;
    return true;
  }
  if (Is(p, df::kInputTerminalsAddress)) {
    hardwareInputs_ = value;
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
  for (int c = 0; c < df::kScopeChannels; ++c) {
    if (!handedOver[c]) continue;
    ScopeChannel& channel = scope_[c];
    channel.tally.handed += static_cast<uint64_t>(channel.count);
    channel.tally.dropped += channel.unreadDrops;
    channel.unreadDrops = 0;
    channel.count = 0;
  }
  return kNoException;
}

// A new source: no samples waiting, and the tally starts afresh.
void VirtualDrive::RestartScopeChannel(int channel, uint16_t selector) {
  scope_[channel] = ScopeChannel{};
  scope_[channel].selector = selector;
}

VirtualDrive::ScopeTally VirtualDrive::ScopeCounts(int channel) const {
  return channel >= 0 && channel < df::kScopeChannels ? scope_[channel].tally : ScopeTally{};
}

// The logon word is marked read-only in the catalogue (so that a download never writes it),
// but it is the drive's command word for the logon and always takes writes.
bool VirtualDrive::ReadOnly(int group, int number) const {
  const Place p{group, number};
  if (Is(p, df::kLogonParameterAddress)) return false;
  const ParameterSpec* spec = Spec(group, number);
  return MeasuredRegister(p) || (spec && spec->readOnly);
}

uint8_t VirtualDrive::CheckInternalWrite(int group, int number, uint16_t value) const {
  if (!loggedOn_) return kIllegalDataAddress;
  if (Is(Place{group, number}, df::kPasscodeAddress)) return kNoException;  // 0..65535
  const BlockWord bw = BlockWordOf(number);
  if (group != 6 || bw.channel < 0 || bw.word != 0) return kIllegalDataAddress;
  return value >= df::kScopeSelectorMin && value <= df::kScopeSelectorMax ? kNoException
                                                                          : kIllegalDataValue;
}

uint8_t VirtualDrive::CheckWrite(int group, int number, uint16_t value) const {
  const Place p{group, number};
  const int16_t signedValue = static_cast<int16_t>(value);
  if (!Mapped(group, number)) return kIllegalDataAddress;
  if (group >= 5) return CheckInternalWrite(group, number, value);
  if (ReadOnly(group, number)) return kIllegalDataAddress;
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
  const ParameterSpec* spec = Spec(group, number);
  if (!spec || !spec->ranged) return kNoException;
  // A value above 32767 arrives as its 16-bit two's complement: either reading may be meant.
  return InRange(signedValue, *spec) || InRange(value, *spec) ? kNoException : kIllegalDataValue;
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
    if (value == df::kJogForward || value == df::kJogReverse) {
      jogDirection_ = value == df::kJogForward ? 1 : -1;
      move_.active = false;  // a jog takes over from a position move
    } else if (value == df::kJogStop) {
      jogDirection_ = 0;
    } else {
      Stored(group, number) = value;
    }
    return;
  }
  if (Is(p, df::kInputStatesAddress)) {
    softwareInputs_ = value;
    return;
  }
  if (group == 6) {
    const BlockWord bw = BlockWordOf(number);
    if (bw.channel >= 0 && bw.word == 0 && scope_[bw.channel].selector != value)
      RestartScopeChannel(bw.channel, value);
    return;
  }
  Stored(group, number) = value;
}

}  // namespace vdrive
