// The drive's register map and behaviour: parameters of groups 0..4 with their power-on
// values, the logon to the internal parameters, passcode, live fault and fault history,
// status word, servo on, digital inputs and outputs, jog, position commands, homing, the
// communication watchdog and the scope channel blocks fed by the motor model. No I/O and no
// clock of its own: the server calls SampleTick every 8 ms and NoteValidRequest for every
// request it takes.
#pragma once

#include <cstdint>
#include <map>

#include "drive_facts.h"
#include "motor_model.h"

namespace vdrive {

// Modbus exception codes a drive answers with.
enum ExceptionCode : uint8_t {
  kNoException = 0,
  kIllegalFunction = 1,
  kIllegalDataAddress = 2,
  kIllegalDataValue = 3,
};

// Holding registers by wire address (the 0-based address carried in the request).
class RegisterSpace {
 public:
  virtual ~RegisterSpace() = default;
  virtual uint8_t ReadRegisters(uint16_t address, uint16_t count, uint16_t* values) = 0;
  // All or nothing: a refused register leaves every register of the request unchanged.
  virtual uint8_t WriteRegisters(uint16_t address, const uint16_t* values, uint16_t count) = 0;
};

// Power-on value, accepted raw range and write protection of one parameter of groups 0..4.
struct ParameterSpec {
  int32_t powerOn = 0;
  bool ranged = false;
  int32_t min = 0;
  int32_t max = 0;
  bool readOnly = false;
};

struct DriveConfig {
  int revision = 200;  // firmware revision x 100: 200 or 210
  int ampCode = 21;
  int motorCode = 21;
  int passcode = 0;  // 0: none; otherwise 10..65535
  bool rangeCheck = true;
  std::map<int, ParameterSpec> parameters;  // key: group x 100 + number
};

class VirtualDrive : public RegisterSpace {
 public:
  explicit VirtualDrive(DriveConfig config);

  // Power-on state. A power cycle keeps the stored parameters (keepStored); a factory reset
  // does not. Either way the logon, faults, jog, forces and scope buffers start afresh.
  void PowerOn(bool keepStored);

  uint8_t ReadRegisters(uint16_t address, uint16_t count, uint16_t* values) override;
  uint8_t WriteRegisters(uint16_t address, const uint16_t* values, uint16_t count) override;

  // One step of the 8 ms sample clock: watchdog, inputs, motor, one sample per scope channel.
  void SampleTick();
  // A request for this drive arrived: the communication watchdog starts counting afresh.
  void NoteValidRequest();

  // A drive fault: sets the live fault code and pushes it onto the history. 0 clears it.
  void InjectFault(int code);
  void SetHardwareInput(int input, bool on);  // 1-based

  bool LoggedOn() const { return loggedOn_; }
  bool ServoOn() const;
  uint16_t StatusWord() const;
  uint16_t InputStates() const;
  uint16_t OutputStates() const;
  int JogDirection() const { return jogDirection_; }
  bool Moving() const { return move_.active; }
  const MotorModel& Motor() const { return motor_; }
  const DriveConfig& Config() const { return config_; }
  int InputCount() const { return drive_facts::InputCount(config_.revision); }
  // The register holds an unsigned value (the passcode word, a parameter ranging above 32767).
  bool UnsignedRegister(uint16_t address) const;

  // What a scope channel did with its samples since its source was last set: handed over to
  // reads, and dropped because more than ten waited. A drop counts once a read has come after
  // it, so that the count belongs to the reads made so far.
  struct ScopeTally {
    uint64_t handed = 0;
    uint64_t dropped = 0;
  };
  ScopeTally ScopeCounts(int channel) const;

  // Register value as a read would give it, without side effects; false when unmapped.
  bool Peek(uint16_t address, uint16_t& value) const;
  // Sets a register directly (control channel), bypassing logon and range; false if unmapped.
  bool Poke(uint16_t address, uint16_t value);

 private:
  static constexpr int kGroups = 7;
  static constexpr int kNumbers = 100;

  struct ScopeChannel {
    uint16_t selector = 0;
    int count = 0;
    int16_t samples[drive_facts::kScopeMaxSamples] = {};
    int16_t latest = 0;
    ScopeTally tally;
    uint64_t unreadDrops = 0;  // dropped since the last read
  };
  struct PositionMove {
    bool active = false;
    int64_t targetPulses = 0;
    int rpm = 0;
  };

  // Register map (virtual_drive.cpp)
  bool Mapped(int group, int number) const;
  uint16_t& Stored(int group, int number) { return words_[group][number]; }
  uint16_t Stored(int group, int number) const { return words_[group][number]; }
  uint16_t& StoredAt(int address);
  uint16_t StoredAt(int address) const;
  const ParameterSpec* Spec(int group, int number) const;
  uint16_t ValueAt(int group, int number) const;
  bool ReadOnly(int group, int number) const;
  uint8_t CheckWrite(int group, int number, uint16_t value) const;
  uint8_t CheckInternalWrite(int group, int number, uint16_t value) const;
  void ApplyWrite(int group, int number, uint16_t value);
  void OnLogonWord(uint16_t value);
  void RestartScopeChannel(int channel, uint16_t selector);
  void LoadPowerOnValues();

  // Behaviour (drive_behaviour.cpp)
  bool Faulted() const;
  int InputFunction(int input) const;
  uint16_t InputMask() const;
  bool ActiveWithFunction(uint16_t states, int function) const;
  bool RisingWithFunction(uint16_t states, int function) const;
  void HandleInputEdges(uint16_t states);
  void StartPositionCommand(uint16_t states);
  void RunWatchdog();
  MotorCommand NextMotorCommand(uint16_t states) const;
  bool OutputOn(int function, uint16_t status) const;
  void PushSample(ScopeChannel& channel, int16_t value);

  DriveConfig config_;
  drive_facts::GroupLimits limits_{};
  uint16_t words_[kGroups][kNumbers] = {};
  ScopeChannel scope_[drive_facts::kScopeChannels];
  MotorModel motor_;
  uint16_t hardwareInputs_ = 0;
  uint16_t softwareInputs_ = 0;
  uint16_t previousInputs_ = 0;  // input states at the last sample, for rising edges
  bool loggedOn_ = false;
  int logonStep_ = 0;  // 0 none, 1 logon code seen, -1 logoff (0) seen
  int jogDirection_ = 0;
  PositionMove move_;
  bool commandDone_ = false;  // the last position command reached its target
  bool homed_ = false;
  bool warningOnly_ = false;  // the live fault is a warning: the servo stays on
  bool watchdogArmed_ = false;
  int watchdogMs_ = 0;
};

}  // namespace vdrive
