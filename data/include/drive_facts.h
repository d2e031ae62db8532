// Facts about the drive that the program and the virtual drive must agree on: register
// addresses, the logon and passcode words, status bits, jog codes, scope blocks, group limits
// per firmware revision. Plain constexpr values, no Qt: the virtual drive includes it too.
#pragma once

namespace drive_facts {

// Register address (1-based, as the control's DataAddr) of parameter Pg.nn.
constexpr int ParameterAddress(int group, int number) { return group * 256 + number + 1; }

// ---- Identity -------------------------------------------------------------------------------
// Firmware revision x 100 (200, 210) -> firmware word P0.00 (2001, 2101).
constexpr int FirmwareWord(int revision) { return revision * 10 + 1; }
// Motor code P1.31 -> amplifier code 20, 21, 23; 0 for an unknown motor code.
constexpr int AmpCodeOfMotor(int motorCode) {
  if (motorCode >= 10 && motorCode <= 12) return 20;
  if (motorCode >= 20 && motorCode <= 22) return 21;
  if (motorCode == 30 || motorCode == 31) return 23;
  return 0;
}

// Last parameter number of groups 0..4 for a firmware revision; false for other revisions.
struct GroupLimits {
  int last[5];
};
constexpr bool GroupLimitsFor(int revision, GroupLimits& limits) {
  if (revision == 200) {
    limits = {{8, 55, 63, 7, 23}};
    return true;
  }
  if (revision == 210) {
    limits = {{8, 56, 65, 8, 23}};
    return true;
  }
  return false;
}
// Internal groups 5 and 6: parameter numbers 0..kInternalLast exist.
constexpr int kInternalLast = 39;

// ---- Logon to the internal parameters (P2.08) ----------------------------------------------
// The program writes kLogonCode (or 0 to log off) and then kConfirmCode to P2.08. Until the
// drive has seen the logon code followed by the confirming code, it refuses writes to the
// internal parameters (groups 5 and 6). A power cycle logs off.
constexpr int kLogonParameterAddress = ParameterAddress(2, 8);  // 521
constexpr int kLogonCode = 36;
constexpr int kConfirmCode = 63;

// ---- Passcode -------------------------------------------------------------------------------
// The passcode word: a value at or below kNoPasscodeThreshold means that no passcode is set.
constexpr int kPasscodeAddress = 1306;  // P5.25
constexpr int kNoPasscodeThreshold = 9;
constexpr int kPasscodeMax = 65535;  // the word is an unsigned 16-bit value

// ---- Live fault and fault history ----------------------------------------------------------
constexpr int kFaultCodeAddress = ParameterAddress(0, 1);     // P0.01
constexpr int kFaultHistoryAddress = ParameterAddress(4, 0);  // P4.00 newest .. P4.04
constexpr int kFaultHistoryLength = 5;
constexpr int kLastFaultCode = 22;

// ---- Status word P6.37 ----------------------------------------------------------------------
constexpr int kStatusWordAddress = ParameterAddress(6, 37);  // 1574
constexpr int kMotorSpeedAddress = ParameterAddress(6, 38);  // actual speed, rpm
constexpr int kBusVoltageAddress = ParameterAddress(6, 39);  // DC bus, volts
constexpr int kStatusServoReady = 1 << 0;
constexpr int kStatusServoOn = 1 << 1;  // also: outputs back under drive control
constexpr int kStatusZeroSpeed = 1 << 2;
// P1.38: the motor counts as standing still below this speed (rpm).
constexpr int kZeroSpeedRangeAddress = ParameterAddress(1, 38);

// ---- Servo on, digital inputs and outputs --------------------------------------------------
constexpr int kServoOnAddress = ParameterAddress(2, 51);  // P2.51: 1 on, 0 off
// Functions of inputs 1..8: P2.10..P2.17; of outputs 1..5: P2.18..P2.22. The last two decimal
// digits are the function code.
constexpr int kInputFunctionFirst = 10;   // P2.10
constexpr int kOutputFunctionFirst = 18;  // P2.18
constexpr int kInputsWithFunction = 8;
constexpr int kOutputCount = 5;
constexpr int kInputFunctionServoOn = 1;
constexpr int kInputFunctionAlarmReset = 2;
constexpr int kInputFunctionCommandTrigger = 8;    // starts the selected position command (Pr)
constexpr int kInputFunctionPositionSelect0 = 11;  // POS0; POS1 and POS2 follow
constexpr int kInputFunctionStartHoming = 25;
constexpr int kInputFunctionJogForward = 26;
constexpr int kInputFunctionJogReverse = 27;
// From firmware 2.10, inputs DI9..DI16 have fixed functions: command trigger, POS0..POS2,
// alarm reset, start homing, jog forward, jog reverse. They act only while P3.08 puts them under
// Modbus control (a clear bit disables the input). 0 for any other input.
constexpr int FixedInputFunction(int revision, int input) {
  constexpr int kFixed[8] = {
      kInputFunctionCommandTrigger,       // DI9
      kInputFunctionPositionSelect0,      // DI10
      kInputFunctionPositionSelect0 + 1,  // DI11
      kInputFunctionPositionSelect0 + 2,  // DI12
      kInputFunctionAlarmReset,           // DI13
      kInputFunctionStartHoming,          // DI14
      kInputFunctionJogForward,           // DI15
      kInputFunctionJogReverse,           // DI16
  };
  return revision >= 210 && input >= 9 && input <= 16 ? kFixed[input - 9] : 0;
}
// Input count and software-control mask per revision: 8 inputs and mask P3.06 before 2.10,
// 16 inputs and mask P3.08 from 2.10. The input states P4.07 and terminals P4.08 have the same
// width.
constexpr int InputCount(int revision) { return revision >= 210 ? 16 : 8; }
constexpr int InputMaskNumber(int revision) { return revision >= 210 ? 8 : 6; }  // P3.0n
constexpr int kInputMask8Address = ParameterAddress(3, 6);                       // P3.06
constexpr int kInputMask16Address = ParameterAddress(3, 8);                      // P3.08
constexpr int kForcedOutputsAddress = ParameterAddress(4, 6);                    // P4.06
constexpr int kInputStatesAddress = ParameterAddress(4, 7);                      // P4.07
constexpr int kInputTerminalsAddress = ParameterAddress(4, 8);                   // P4.08
constexpr int kOutputStatesAddress = ParameterAddress(4, 9);                     // P4.09

// ---- Communication parameters (group 3) ------------------------------------------------------
// Node address P3.00, baud rate P3.01 (list position: 4800, 9600, 19200, 38400, 57600, 115200)
// and protocol P3.02 (position in the connect dialog's protocol list) take effect at the next
// power-up.
constexpr int kNodeAddressAddress = ParameterAddress(3, 0);
constexpr int kBaudRateAddress = ParameterAddress(3, 1);
constexpr int kProtocolAddress = ParameterAddress(3, 2);
constexpr int kBaudRates[6] = {4800, 9600, 19200, 38400, 57600, 115200};
// Communication watchdog: P3.04 seconds without a valid request raise fault
// kSerialTimeoutFault (0 switches the watchdog off); P3.03 = 1 makes it a fault (the motor
// stops, forced outputs end), 0 only warns and the drive carries on.
constexpr int kCommFaultActionAddress = ParameterAddress(3, 3);
constexpr int kCommWatchdogAddress = ParameterAddress(3, 4);
constexpr int kSerialTimeoutFault = 20;
constexpr int kResponseDelayAddress = ParameterAddress(3, 7);  // P3.07, ms before each reply

// ---- Bit order of the bit-coded I/O registers ------------------------------------------------
// Each register numbers its inputs or outputs in one fixed way, and every user of the register
// (the drive, the maintenance screens, the bit editors, the tool tips of the database) takes
// the bit of point n from here:
// - the 8-input registers of firmware 2.00 (P3.06, P4.07, P4.08) hold DI1 in their most
//   significant bit (bit 7 = DI1 ... bit 0 = DI8);
// - the 16-input registers of firmware 2.10 (P3.08, and P4.07, P4.08 with it) hold DI(i+1) in
//   bit i (bit 0 = DI1 ... bit 15 = DI16), so a state forced through P4.07 lands on the input
//   that the mask P3.08 selects;
// - the output registers P4.06 and P4.09 hold DO1 in their most significant bit (bit 4 = DO1
//   ... bit 0 = DO5).
enum class BitOrder { FirstIsMostSignificant, FirstIsLeastSignificant };
struct BitField {
  int width;       // points held: 8, 16 or 5
  BitOrder order;  // where point 1 sits
};
// Mask of point n (1-based) of a bit field.
constexpr int BitOfPoint(BitField field, int n) {
  return field.order == BitOrder::FirstIsMostSignificant ? 1 << (field.width - n) : 1 << (n - 1);
}
// Point n (1-based) of a bit-field value is on.
constexpr bool PointIsOn(BitField field, int value, int n) {
  return (value & BitOfPoint(field, n)) != 0;
}
// Software-control mask (P3.06 / P3.08), forced input states (P4.07) and input terminals (P4.08)
// of a firmware revision: all three share one order.
constexpr BitField InputBits(int revision) {
  return revision >= 210 ? BitField{16, BitOrder::FirstIsLeastSignificant}
                         : BitField{8, BitOrder::FirstIsMostSignificant};
}
// Forced outputs P4.06 and output states P4.09.
constexpr BitField kOutputBits{5, BitOrder::FirstIsMostSignificant};

// ---- Jog (P4.05) ----------------------------------------------------------------------------
constexpr int kJogAddress = ParameterAddress(4, 5);  // 1030
constexpr int kJogSpeedMin = 0;
constexpr int kJogSpeedMax = 3000;
constexpr int kJogReverse = 4998;
constexpr int kJogForward = 4999;
constexpr int kJogStop = 5000;
// Acceleration and deceleration times P1.34 / P1.35: milliseconds from 0 to kRatedSpeedRpm.
constexpr int kAccelTimeAddress = ParameterAddress(1, 34);
constexpr int kDecelTimeAddress = ParameterAddress(1, 35);
constexpr int kRatedSpeedRpm = 3000;
constexpr int kPulsesPerRevolution = 10000;
// Motor 22 is a 2000 rpm motor: the power-on values of P1.40 (analog speed scale) and P1.55
// (maximum speed) are 2000 for it instead of the database's 3000.
constexpr int kAnalogSpeedScaleAddress = ParameterAddress(1, 40);
constexpr int kMaximumSpeedAddress = ParameterAddress(1, 55);
constexpr int SpeedDefaultForMotor(int motorCode, int databaseDefault) {
  return motorCode == 22 ? 2000 : databaseDefault;
}

// ---- Position commands P1.15..P1.30 (command k: revolutions P1.(13+2k), pulses P1.(14+2k)) --
constexpr int kPositionCommandFirst = ParameterAddress(1, 15);
constexpr int kPositionCommandWords = 16;

// ---- Scope channel blocks -------------------------------------------------------------------
// Channel c (0..2): selector P6.00 / P6.12 / P6.24 at the first word of a 12-word block:
// word 0 selector, word 1 count n of new samples (0..10), words 2..n+1 the samples, oldest
// first. Reading the count word hands the samples over: the next read counts from zero.
constexpr int kScopeChannels = 3;
constexpr int kScopeBlockAddress[kScopeChannels] = {1537, 1549, 1561};
constexpr int kScopeBlockWords = 12;
constexpr int kScopeMaxSamples = 10;
constexpr int kScopeSamplePeriodMs = 8;
constexpr int kScopeSourceCount = 17;
// Selector code written to the drive = source index + 2.
constexpr int kScopeSelectorMin = 2;
constexpr int kScopeSelectorMax = kScopeSelectorMin + kScopeSourceCount - 1;
// Sources the maintenance screen puts on the three channels: revolutions, pulses, speed.
constexpr int kMonitorSelectors[kScopeChannels] = {3, 2, 8};

}  // namespace drive_facts
