// The drive's register map and behaviours, driven directly without a pseudo-terminal.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drive_database.h"
#include "drive_facts.h"
#include "modbus_slave.h"
#include "virtual_drive.h"

namespace vdrive {
namespace {

namespace df = drive_facts;

DriveConfig Config(int revision = 200) {
  DriveConfig config;
  config.revision = revision;
  config.parameters = BuiltInParameters();
  config.parameters[101] = {0, true, 0, 10};  // control mode with a range
  return config;
}

// Wire address of a 1-based register address.
uint16_t Wire(int address) { return static_cast<uint16_t>(address - 1); }

uint16_t Read1(VirtualDrive& drive, int address) {
  uint16_t value = 0xDEAD;
  EXPECT_EQ(drive.ReadRegisters(Wire(address), 1, &value), kNoException) << address;
  return value;
}
uint8_t Write1(VirtualDrive& drive, int address, int value) {
  const uint16_t word = static_cast<uint16_t>(value);
  return drive.WriteRegisters(Wire(address), &word, 1);
}
void LogOn(VirtualDrive& drive) {
  ASSERT_EQ(Write1(drive, df::kLogonParameterAddress, df::kLogonCode), kNoException);
  ASSERT_EQ(Write1(drive, df::kLogonParameterAddress, df::kConfirmCode), kNoException);
}
void Ticks(VirtualDrive& drive, int count) {
  for (int i = 0; i < count; ++i) drive.SampleTick();
}

TEST(RegisterMap, PowerOnValuesAndGroupLimitsFollowTheFirmware) {
  VirtualDrive old(Config(200)), fresh(Config(210));
  EXPECT_EQ(Read1(old, 1), 2001);
  EXPECT_EQ(Read1(fresh, 1), 2101);
  EXPECT_EQ(Read1(old, df::ParameterAddress(1, 34)), 200);
  EXPECT_EQ(Read1(old, df::ParameterAddress(1, 31)), 21);
  // The normal poll blocks read exactly to each group's last parameter.
  std::vector<uint16_t> words(36);
  EXPECT_EQ(old.ReadRegisters(Wire(293), 20, words.data()), kNoException);
  EXPECT_EQ(old.ReadRegisters(Wire(293), 21, words.data()), kIllegalDataAddress);
  EXPECT_EQ(fresh.ReadRegisters(Wire(293), 21, words.data()), kNoException);
  EXPECT_EQ(old.ReadRegisters(Wire(769), 8, words.data()), kNoException);
  EXPECT_EQ(old.ReadRegisters(Wire(769), 9, words.data()), kIllegalDataAddress);
  EXPECT_EQ(fresh.ReadRegisters(Wire(775), 3, words.data()), kNoException);
  EXPECT_EQ(old.ReadRegisters(Wire(1574), 3, words.data()), kNoException);
  EXPECT_EQ(old.ReadRegisters(Wire(7 * 256 + 1), 1, words.data()), kIllegalDataAddress);
  EXPECT_EQ(old.ReadRegisters(0xFFFF, 2, words.data()), kIllegalDataAddress);
}

TEST(RegisterMap, InternalParametersTakeWritesOnlyAfterTheLogonSequence) {
  VirtualDrive drive(Config());
  EXPECT_EQ(Write1(drive, 1537, 5), kIllegalDataAddress);
  // The logon code alone, or the confirming code alone, does not log on.
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, df::kConfirmCode), kNoException);
  EXPECT_FALSE(drive.LoggedOn());
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, df::kLogonCode), kNoException);
  EXPECT_FALSE(drive.LoggedOn());
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, 7), kNoException);  // breaks the sequence
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, df::kConfirmCode), kNoException);
  EXPECT_FALSE(drive.LoggedOn());
  LogOn(drive);
  EXPECT_TRUE(drive.LoggedOn());
  EXPECT_EQ(Write1(drive, 1537, 5), kNoException);
  EXPECT_EQ(Read1(drive, 1537), 5);
  EXPECT_EQ(Write1(drive, 1537, 1), kIllegalDataValue);  // selector codes are 2..18
  EXPECT_EQ(Write1(drive, 1537, 19), kIllegalDataValue);
  EXPECT_EQ(Write1(drive, 1538, 3), kIllegalDataAddress);  // a count word
  // Log off: 0 then the confirming code.
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, 0), kNoException);
  EXPECT_EQ(Write1(drive, df::kLogonParameterAddress, df::kConfirmCode), kNoException);
  EXPECT_FALSE(drive.LoggedOn());
  // A power cycle drops the logon and the selectors, keeps stored parameters.
  LogOn(drive);
  EXPECT_EQ(Write1(drive, df::ParameterAddress(1, 34), 500), kNoException);
  drive.PowerOn(true);
  EXPECT_FALSE(drive.LoggedOn());
  EXPECT_EQ(Read1(drive, 1537), df::kMonitorSelectors[0]);
  EXPECT_EQ(Read1(drive, df::ParameterAddress(1, 34)), 500);
  drive.PowerOn(false);
  EXPECT_EQ(Read1(drive, df::ParameterAddress(1, 34)), 200);
}

TEST(RegisterMap, PasscodeWordShowsWhetherAPasscodeIsSet) {
  VirtualDrive open(Config());
  EXPECT_LE(Read1(open, df::kPasscodeAddress), df::kNoPasscodeThreshold);
  DriveConfig config = Config();
  config.passcode = 12345;
  VirtualDrive locked(config);
  EXPECT_EQ(Read1(locked, df::kPasscodeAddress), 12345);
  EXPECT_EQ(Write1(locked, df::kPasscodeAddress, 0), kIllegalDataAddress);
  LogOn(locked);
  EXPECT_EQ(Write1(locked, df::kPasscodeAddress, 0), kNoException);
  EXPECT_EQ(Read1(locked, df::kPasscodeAddress), 0);
  // The word is unsigned: passcodes up to 65535.
  EXPECT_EQ(Write1(locked, df::kPasscodeAddress, 65535), kNoException);
  EXPECT_EQ(Read1(locked, df::kPasscodeAddress), 65535);
  config.passcode = 40000;
  EXPECT_EQ(Read1(*std::make_unique<VirtualDrive>(config), df::kPasscodeAddress), 40000);
}

TEST(RegisterMap, ReadOnlyParametersRefuseWritesExceptTheLogonWord) {
  DriveConfig config = Config(210);
  config.parameters[105].readOnly = true;  // what the catalogue marks is what the drive refuses
  config.rangeCheck = false;
  VirtualDrive drive(config);
  for (int address :
       {df::ParameterAddress(0, 0), df::kFaultCodeAddress, df::kFaultHistoryAddress + 4,
        df::kInputTerminalsAddress, df::kOutputStatesAddress, df::ParameterAddress(4, 10),
        df::ParameterAddress(4, 21), df::ParameterAddress(4, 22), df::ParameterAddress(4, 23),
        df::ParameterAddress(1, 5)}) {
    EXPECT_EQ(Write1(drive, address, 0), kIllegalDataAddress) << address;
    const uint16_t two[2] = {0, 0};  // within a block write too, which then changes nothing
    EXPECT_EQ(drive.WriteRegisters(Wire(address - 1), two, 2), kIllegalDataAddress) << address;
  }
  EXPECT_EQ(Read1(drive, df::ParameterAddress(1, 4)), 0);
  LogOn(drive);  // the logon word, read-only in the catalogue, still takes its codes
  EXPECT_TRUE(drive.LoggedOn());
}

TEST(RegisterMap, RefusedWritesChangeNothingAndGiveTheDrivesException) {
  VirtualDrive drive(Config());
  const uint16_t block[3] = {5, 300, 77};  // P1.01 in range, P1.02, P1.03
  EXPECT_EQ(drive.WriteRegisters(Wire(df::ParameterAddress(1, 1)), block, 3), kNoException);
  const uint16_t bad[2] = {4, 11};  // P1.00 = 4 is fine, P1.01 = 11 is out of range
  EXPECT_EQ(drive.WriteRegisters(Wire(df::ParameterAddress(1, 0)), bad, 2), kIllegalDataValue);
  EXPECT_EQ(Read1(drive, df::ParameterAddress(1, 0)), 0);  // all or nothing
  EXPECT_EQ(Read1(drive, df::ParameterAddress(1, 1)), 5);
  EXPECT_EQ(Write1(drive, 1, 2101), kIllegalDataAddress);  // firmware word
  EXPECT_EQ(Write1(drive, df::kFaultCodeAddress, 3), kIllegalDataAddress);
  EXPECT_EQ(Write1(drive, df::kFaultHistoryAddress + 2, 3), kIllegalDataAddress);
  EXPECT_EQ(Write1(drive, df::kJogAddress, 3001), kIllegalDataValue);
  EXPECT_EQ(Write1(drive, df::kJogAddress, -1), kIllegalDataValue);
  EXPECT_EQ(Write1(drive, df::kServoOnAddress, 2), kIllegalDataValue);
  EXPECT_EQ(Write1(drive, df::kForcedOutputsAddress, 32), kIllegalDataValue);
  // A value above 32767 arrives as its two's complement; an unsigned range accepts it.
  DriveConfig config = Config(210);
  config.parameters[308] = {0, true, 0, 65535};
  VirtualDrive fresh(config);
  EXPECT_EQ(Write1(fresh, df::kInputMask16Address, 40000), kNoException);
  EXPECT_EQ(Read1(fresh, df::kInputMask16Address), 40000);

  // Through the PDU handler: function, address and value exceptions, never a crash.
  struct Row {
    Bytes request;
    Bytes reply;
  };
  const Row rows[] = {
      {{0x03, 0x00, 0x00, 0x00, 0x01}, {0x03, 0x02, 0x07, 0xD1}},
      {{0x01, 0x00, 0x00, 0x00, 0x01}, {0x81, 0x01}},
      {{0x2B, 0x0E, 0x01, 0x00}, {0xAB, 0x01}},
      {{0x03, 0x00, 0x00, 0x00, 0x00}, {0x83, 0x03}},
      {{0x03, 0x00, 0x00, 0x00, 0x7E}, {0x83, 0x03}},
      {{0x03, 0x07, 0x00, 0x00, 0x01}, {0x83, 0x02}},
      {{0x03, 0x00, 0x00}, {0x83, 0x03}},
      {{0x06, 0x04, 0x04, 0x00, 0x01}, {0x86, 0x02}},
      {{0x06, 0x04, 0x05, 0x0B, 0xB9}, {0x86, 0x03}},
      {{0x06, 0x04, 0x05, 0x0B, 0xB8}, {0x06, 0x04, 0x05, 0x0B, 0xB8}},
      {{0x10, 0x01, 0x0F, 0x00, 0x01, 0x02, 0x00, 0x05}, {0x10, 0x01, 0x0F, 0x00, 0x01}},
      {{0x10, 0x01, 0x0F, 0x00, 0x02, 0x02, 0x00, 0x05}, {0x90, 0x03}},
      {{0x10, 0x01, 0x0F, 0x00, 0x01, 0x02, 0x00}, {0x90, 0x03}},
  };
  for (const Row& row : rows) EXPECT_EQ(HandlePdu(row.request, drive), row.reply);
}

TEST(RegisterMap, ServoOnComesFromP251OrFromAnInputWithFunction1) {
  DriveConfig config = Config();
  config.parameters[210].powerOn = 104;  // no input has servo on
  VirtualDrive bySoftware(config);
  EXPECT_EQ(Read1(bySoftware, df::kStatusWordAddress),
            df::kStatusServoReady | df::kStatusZeroSpeed);
  EXPECT_EQ(Write1(bySoftware, df::kServoOnAddress, 1), kNoException);
  EXPECT_EQ(Read1(bySoftware, df::kStatusWordAddress),
            df::kStatusServoReady | df::kStatusServoOn | df::kStatusZeroSpeed);
  // A fault drops ready and servo on.
  bySoftware.InjectFault(6);
  EXPECT_EQ(Read1(bySoftware, df::kStatusWordAddress), df::kStatusZeroSpeed);

  VirtualDrive byInput(Config());  // input 1 has function 101: servo on
  EXPECT_EQ(Write1(byInput, df::kServoOnAddress, 1), kNoException);
  EXPECT_FALSE(byInput.ServoOn());  // the input decides
  byInput.SetHardwareInput(1, true);
  EXPECT_TRUE(byInput.ServoOn());
  // Taking input 1 under software control (P3.06 bit text 10000000) overrides the hardware.
  EXPECT_EQ(Write1(byInput, df::kInputMask8Address, 128), kNoException);
  EXPECT_FALSE(byInput.ServoOn());
  EXPECT_EQ(Write1(byInput, df::kInputStatesAddress, 128), kNoException);
  EXPECT_TRUE(byInput.ServoOn());
  EXPECT_EQ(Read1(byInput, df::kInputStatesAddress), 128);
}

TEST(RegisterMap, InputStatesMixSoftwareAndHardwareByTheMask) {
  VirtualDrive drive(Config());
  drive.SetHardwareInput(3, true);  // bit text 00100000
  drive.SetHardwareInput(8, true);  // 00000001
  EXPECT_EQ(Read1(drive, df::kInputStatesAddress), 33);
  EXPECT_EQ(Write1(drive, df::kInputMask8Address, 32), kNoException);  // input 3 by software
  EXPECT_EQ(Read1(drive, df::kInputStatesAddress), 1);
  EXPECT_EQ(Write1(drive, df::kInputStatesAddress, 0xFF), kNoException);
  EXPECT_EQ(Read1(drive, df::kInputStatesAddress), 33);
  EXPECT_EQ(Write1(drive, df::kInputStatesAddress, 0x100), kIllegalDataValue);  // 8 inputs
  EXPECT_EQ(Read1(drive, df::kInputTerminalsAddress), 33);  // P4.08: the terminals themselves
  // From 2.10: 16 inputs, mask P3.08; bit i is DI(i+1) in the mask, the states and the
  // terminals alike. DI9..DI16 act only under Modbus control: unmasked, they are disabled.
  VirtualDrive fresh(Config(210));
  fresh.SetHardwareInput(1, true);
  fresh.SetHardwareInput(16, true);
  EXPECT_EQ(Read1(fresh, df::kInputTerminalsAddress), 0x8001);
  EXPECT_EQ(Read1(fresh, df::kInputStatesAddress), 0x0001);
  EXPECT_EQ(Write1(fresh, df::kInputMask16Address, 0x8001), kNoException);  // DI1, DI16
  EXPECT_EQ(Write1(fresh, df::kInputStatesAddress, 0x8000), kNoException);
  EXPECT_EQ(Read1(fresh, df::kInputStatesAddress), 0x8000);
}

TEST(RegisterMap, OutputsFollowTheDriveUnlessForcedWithTheServoOff) {
  // Outputs: 1 ready, 2 zero speed, 3 homing complete, 4 in position, 5 alarm.
  VirtualDrive drive(Config());
  EXPECT_EQ(Read1(drive, df::kOutputStatesAddress), 0b11010);
  drive.InjectFault(3);
  EXPECT_EQ(Read1(drive, df::kOutputStatesAddress), 0b01011);
  drive.InjectFault(0);
  EXPECT_EQ(Write1(drive, df::kForcedOutputsAddress, 0b00110), kNoException);
  EXPECT_EQ(Read1(drive, df::kOutputStatesAddress), 0b00110);
  drive.SetHardwareInput(1, true);  // servo on: the drive takes the outputs back
  EXPECT_EQ(Read1(drive, df::kOutputStatesAddress), 0b11010);
  drive.PowerOn(true);  // forces are lost at power-down
  EXPECT_EQ(Read1(drive, df::kForcedOutputsAddress), 0);
}

TEST(RegisterMap, FaultsSetTheLiveCodeAndPushTheHistory) {
  VirtualDrive drive(Config());
  for (int code : {1, 2, 3, 4, 5, 6}) drive.InjectFault(code);
  EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 6);
  std::vector<uint16_t> history(5);
  ASSERT_EQ(drive.ReadRegisters(Wire(df::kFaultHistoryAddress), 5, history.data()), kNoException);
  EXPECT_EQ(history, (std::vector<uint16_t>{6, 5, 4, 3, 2}));
  // An input with the alarm-reset function clears the live fault on its rising edge.
  drive.SetHardwareInput(2, true);
  drive.SampleTick();
  EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 0);
  drive.InjectFault(7);
  drive.PowerOn(true);  // the live fault clears, the history stays
  EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 0);
  EXPECT_EQ(Read1(drive, df::kFaultHistoryAddress), 7);
}

TEST(RegisterMap, JogMovesTheMotorWithTheRampTimes) {
  VirtualDrive drive(Config());
  EXPECT_EQ(Write1(drive, df::kJogAddress, 1500), kNoException);
  EXPECT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
  Ticks(drive, 50);
  EXPECT_EQ(drive.Motor().SpeedRpm(), 0);  // servo off: no motion
  drive.SetHardwareInput(1, true);
  EXPECT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
  EXPECT_EQ(Read1(drive, df::kJogAddress), 1500);  // the command keeps the speed setting
  // P1.34 = 200 ms to 3000 rpm: 1500 rpm after 100 ms, in 8 ms steps.
  Ticks(drive, 6);
  EXPECT_NEAR(drive.Motor().SpeedRpm(), 720, 1);
  EXPECT_EQ(Read1(drive, df::kStatusWordAddress) & df::kStatusZeroSpeed, 0);
  Ticks(drive, 10);
  EXPECT_EQ(drive.Motor().SpeedRpm(), 1500);
  const int64_t before = drive.Motor().PositionPulses();
  Ticks(drive, 125);  // one second at 1500 rpm = 25 revolutions
  EXPECT_NEAR(static_cast<double>(drive.Motor().PositionPulses() - before), 250000, 2);
  EXPECT_EQ(Write1(drive, df::kJogAddress, df::kJogStop), kNoException);
  EXPECT_EQ(Write1(drive, df::ParameterAddress(1, 35), 600), kNoException);
  Ticks(drive, 25);  // 600 ms to stop from 3000: 300 ms from 1500
  EXPECT_GT(drive.Motor().SpeedRpm(), 0);
  Ticks(drive, 20);
  EXPECT_EQ(drive.Motor().SpeedRpm(), 0);
  EXPECT_NE(Read1(drive, df::kStatusWordAddress) & df::kStatusZeroSpeed, 0);
  EXPECT_EQ(Write1(drive, df::kJogAddress, df::kJogReverse), kNoException);
  Ticks(drive, 100);
  EXPECT_EQ(drive.Motor().SpeedRpm(), -1500);
  EXPECT_EQ(static_cast<int16_t>(Read1(drive, df::kMotorSpeedAddress)), -1500);
}

TEST(RegisterMap, ScopeBlocksHandOverUpToTenSamplesOldestFirst) {
  VirtualDrive drive(Config());
  LogOn(drive);
  std::vector<uint16_t> block(36);
  ASSERT_EQ(drive.ReadRegisters(Wire(1537), 36, block.data()), kNoException);
  EXPECT_EQ(block[0], 3);  // power-on selectors: revolutions, pulses, speed
  EXPECT_EQ(block[12], 2);
  EXPECT_EQ(block[24], 8);
  EXPECT_EQ(block[1], 0);
  // Channel 1 on source 13 (bus volts, selector 15), channel 2 on speed (selector 8).
  ASSERT_EQ(Write1(drive, 1537, 15), kNoException);
  ASSERT_EQ(Write1(drive, 1549, 8), kNoException);
  Ticks(drive, 4);
  ASSERT_EQ(drive.ReadRegisters(Wire(1537), 24, block.data()), kNoException);
  EXPECT_EQ(block[1], 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(block[2 + i], 310);
  EXPECT_EQ(block[13], 4);
  ASSERT_EQ(drive.ReadRegisters(Wire(1537), 24, block.data()), kNoException);
  EXPECT_EQ(block[1], 0);  // the read handed them over
  // Samples track the motor, oldest first; beyond ten the oldest are dropped.
  drive.SetHardwareInput(1, true);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 34), 0), kNoException);  // no ramp
  ASSERT_EQ(Write1(drive, df::kJogAddress, 100), kNoException);
  Ticks(drive, 3);
  ASSERT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
  Ticks(drive, 8);  // 11 samples: 0 0 0, then 100 x 8; the first is dropped
  ASSERT_EQ(drive.ReadRegisters(Wire(1549), 12, block.data()), kNoException);
  EXPECT_EQ(block[0], 8);
  EXPECT_EQ(block[1], 10);
  EXPECT_EQ(block[2], 0);
  EXPECT_EQ(block[3], 0);
  EXPECT_EQ(block[4], 100);
  EXPECT_EQ(block[11], 100);
  EXPECT_EQ(drive.ScopeCounts(1).handed, 14u);
  EXPECT_EQ(drive.ScopeCounts(1).dropped, 1u);
  // Reading the samples without the count leaves them for the next full read.
  Ticks(drive, 2);
  ASSERT_EQ(drive.ReadRegisters(Wire(1551), 2, block.data()), kNoException);
  ASSERT_EQ(drive.ReadRegisters(Wire(1549), 4, block.data()), kNoException);
  EXPECT_EQ(block[1], 2);
  // A changed selector restarts the channel.
  Ticks(drive, 3);
  ASSERT_EQ(Write1(drive, 1549, 4), kNoException);
  ASSERT_EQ(drive.ReadRegisters(Wire(1549), 2, block.data()), kNoException);
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(drive.ScopeCounts(1).handed, 0u);
  // Drops count once a read has come after them.
  Ticks(drive, 12);
  EXPECT_EQ(drive.ScopeCounts(1).dropped, 0u);
  ASSERT_EQ(drive.ReadRegisters(Wire(1549), 2, block.data()), kNoException);
  EXPECT_EQ(drive.ScopeCounts(1).handed, 10u);
  EXPECT_EQ(drive.ScopeCounts(1).dropped, 2u);
}

TEST(RegisterMap, EverySourceGivesAValueFromTheMotor) {
  VirtualDrive drive(Config());
  drive.SetHardwareInput(1, true);
  ASSERT_EQ(Write1(drive, df::kJogAddress, 600), kNoException);
  ASSERT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
  Ticks(drive, 200);
  const MotorModel& motor = drive.Motor();
  EXPECT_EQ(motor.Source(6), 600);   // speed, rpm
  EXPECT_EQ(motor.Source(8), 600);   // speed command
  EXPECT_EQ(motor.Source(5), 100);   // pulse frequency, kHz
  EXPECT_EQ(motor.Source(7), 2);     // analog speed command, volts
  EXPECT_EQ(motor.Source(13), 310);  // bus volts
  EXPECT_GE(motor.Source(0), 0);     // pulses within a revolution
  EXPECT_LE(motor.Source(0), 9999);
  EXPECT_EQ(motor.Source(1), motor.PositionPulses() / 10000);
  EXPECT_EQ(motor.Source(15), motor.Source(4) * 10);
}

TEST(RegisterMap, ZeroSpeedFollowsP138) {
  VirtualDrive drive(Config());
  drive.SetHardwareInput(1, true);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 34), 0), kNoException);  // no ramp
  ASSERT_EQ(Write1(drive, df::kJogAddress, 50), kNoException);
  ASSERT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
  Ticks(drive, 2);
  EXPECT_EQ(Read1(drive, df::kStatusWordAddress) & df::kStatusZeroSpeed, 0);  // 50 rpm > 10
  ASSERT_EQ(Write1(drive, df::kZeroSpeedRangeAddress, 100), kNoException);
  EXPECT_NE(Read1(drive, df::kStatusWordAddress) & df::kStatusZeroSpeed, 0);  // 50 < 100
}

TEST(RegisterMap, PowerOnSpeedLimitsFollowTheMotor) {
  DriveConfig config = Config();
  config.parameters[140].powerOn = config.parameters[155].powerOn = 3000;
  config.motorCode = 22;
  VirtualDrive slow(config);
  EXPECT_EQ(Read1(slow, df::kAnalogSpeedScaleAddress), 2000);
  EXPECT_EQ(Read1(slow, df::kMaximumSpeedAddress), 2000);
  config.motorCode = 21;
  VirtualDrive other(config);
  EXPECT_EQ(Read1(other, df::kMaximumSpeedAddress), 3000);
}

// P3.04 seconds without a request raise fault 20; P3.03 = 1 stops the motor and ends forced
// outputs, 0 only warns and a jog runs on. The watchdog arms at the first request and trips
// once per silence.
TEST(RegisterMap, CommunicationWatchdogFaultsOrWarnsAfterItsTimeWithoutARequest) {
  constexpr int kTicksPerSecond = 1000 / df::kScopeSamplePeriodMs;
  for (int action : {1, 0}) {
    SCOPED_TRACE(action);
    VirtualDrive drive(Config());
    drive.SetHardwareInput(1, true);
    const uint16_t watchdog[2] = {static_cast<uint16_t>(action), 1};  // P3.03, P3.04 = 1 s
    ASSERT_EQ(drive.WriteRegisters(Wire(df::kCommFaultActionAddress), watchdog, 2), kNoException);
    Ticks(drive, 3 * kTicksPerSecond);
    EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 0);  // not armed before a request
    ASSERT_EQ(Write1(drive, df::kJogAddress, df::kJogForward), kNoException);
    ASSERT_EQ(Write1(drive, df::kForcedOutputsAddress, 0b00110), kNoException);
    drive.NoteValidRequest();
    Ticks(drive, kTicksPerSecond - 2);
    drive.NoteValidRequest();  // each request starts the time afresh
    Ticks(drive, kTicksPerSecond - 2);
    EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 0);
    EXPECT_EQ(drive.JogDirection(), 1);
    Ticks(drive, 2);
    EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), df::kSerialTimeoutFault);
    EXPECT_EQ(Read1(drive, df::kFaultHistoryAddress), df::kSerialTimeoutFault);
    EXPECT_EQ(drive.JogDirection(), action == 0 ? 1 : 0);
    EXPECT_EQ(Read1(drive, df::kForcedOutputsAddress), action == 0 ? 0b00110 : 0);
    EXPECT_EQ(drive.ServoOn(), action == 0);  // a warning keeps the servo on
    Ticks(drive, 100);
    EXPECT_EQ(drive.Motor().SpeedRpm() != 0, action == 0);
  }
}

// From 2.10, DI9..DI16 have fixed functions once P3.08 puts them under Modbus control: DI9
// command trigger, DI10..DI12 POS0..POS2, DI13 alarm reset, DI14 homing, DI15 and DI16 jog.
TEST(RegisterMap, FixedInputsOfFirmware210ActUnderModbusControl) {
  VirtualDrive drive(Config(210));
  const df::BitField bits = df::InputBits(210);
  const auto force = [&drive, bits](std::initializer_list<int> inputs) {
    int states = 0;
    for (int n : inputs) states |= df::BitOfPoint(bits, n);
    ASSERT_EQ(Write1(drive, df::kInputStatesAddress, states), kNoException);
    drive.SampleTick();
  };
  drive.SetHardwareInput(1, true);  // servo on, and no ramps
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 34), 0), kNoException);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 35), 0), kNoException);
  drive.InjectFault(6);
  drive.SetHardwareInput(13, true);  // a terminal of DI13 alone does nothing
  Ticks(drive, 2);
  EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 6);
  ASSERT_EQ(Write1(drive, df::kInputMask16Address, 0xFF00), kNoException);  // DI9..DI16
  force({13});
  EXPECT_EQ(Read1(drive, df::kFaultCodeAddress), 0);
  // Jog forward and reverse while held, at the jog speed P4.05 (20 rpm).
  force({15});
  EXPECT_EQ(drive.Motor().SpeedRpm(), 20);
  force({16});
  EXPECT_EQ(drive.Motor().SpeedRpm(), -20);
  force({});
  EXPECT_EQ(drive.Motor().SpeedRpm(), 0);
  // Homing: the position here becomes the home offset P1.50 / P1.51, in scope source 16.
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 50), 2), kNoException);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 51), 500), kNoException);
  force({14});
  EXPECT_EQ(drive.Motor().AbsolutePulses(), 20500);
  EXPECT_EQ(drive.Motor().Source(16), 2);
  // In Pr mode the trigger runs the command POS0..POS2 select: POS0 alone is command 2,
  // absolute (P1.33 = 0) to 3 revolutions (P1.17, P1.18) at P2.37 rpm.
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 1), 1), kNoException);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(1, 17), 3), kNoException);
  ASSERT_EQ(Write1(drive, df::ParameterAddress(2, 37), 600), kNoException);
  force({10});
  force({10, 9});
  EXPECT_TRUE(drive.Moving());
  Ticks(drive, 200);
  EXPECT_FALSE(drive.Moving());
  EXPECT_EQ(drive.Motor().AbsolutePulses(), 30000);
  EXPECT_EQ(drive.Motor().Source(16), 3);
}

}  // namespace
}  // namespace vdrive
