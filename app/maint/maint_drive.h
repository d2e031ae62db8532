// What the maintenance screens do to the drive, without widgets (module basMaint): the set-up
// at opening and after a new logon, the monitor channels, the values saved at opening and
// their restore at closing, and the texts the screens show for the drive's settings.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "maint/maint_variant.h"

namespace basMaint {

// While a maintenance screen is open the drive runs with the auxiliary function P2.30 = 5 and
// its communication watchdog armed: P3.04 seconds without a request raise the serial time-out
// fault and, with P3.03 = 1, stop the motor. A program that dies mid-jog thus stops the motor.
constexpr int kAuxiliaryFunction = 5;
constexpr int kCommFaultAction = 1;
constexpr int kWatchdogSeconds = 10;

// Writes one parameter: WorkingConfig takes the value, WriteData sends it.
void WriteParameter(const QString& key, int32_t value);

// The drive's values that the screen changes, as DriveImage holds them at opening.
struct SavedSettings {
  int32_t auxiliaryFunction = 0;  // P2.30
  int32_t servoOn = 0;            // P2.51
  int32_t inputStates = 0;        // P4.07
  int32_t commFaultAction = 0;    // P3.03
  int32_t commWatchdog = 0;       // P3.04
  int32_t inputMask = 0;          // P3.06 or P3.08
};
SavedSettings SaveDriveSettings(const MaintVariant& variant);

// Tells a set-up that the screen is closing: its remaining writes are dropped, so that the
// restore at closing stays the last word the drive hears.
using Abandoned = std::function<bool()>;

// P2.30 := 5 unless the drive holds it; P3.03/P3.04 := 1/10 (one write of two registers)
// unless the drive holds both, whatever P2.30 held. Used at opening and by Reinit.
void ArmDrive(const Abandoned& abandoned = {});
// The three monitor channels the maintenance poll group reads: revolutions, pulses, speed.
void WriteMonitorSelectors(const Abandoned& abandoned = {});
// Waits (events running) until the control is idle, then says whether a write may still go (the
// drive still connected, the screen not closing): nothing is dispatched between this answer
// and a WriteData that follows it at once.
bool ReadyToWrite(const Abandoned& abandoned);
// Puts back what the screen changed: the servo off when the screen switched it, then the
// input mask, P2.30, the input states and the watchdog pair; returns when the drive has
// answered the last write. A drive that is no longer connected is reported once and nothing
// is written. True when the drive answered the last write.
bool RestoreDrive(const SavedSettings& saved, const MaintVariant& variant, bool enabledHere);

// Function code (last two decimal digits) of an input or output function parameter.
int FunctionCode(int32_t value);
// True when one of the inputs with an assignable function (P2.10..P2.17) is servo on.
bool ServoOnAssigned();
// "DI 3 = 14: Velocity Command Select 0 (VCS0)" from tbl7A (inputs) or tbl7B (outputs); the
// design caption "DI 3 = 00: Unassigned" style when the code has no row.
QString InputLabel(int input, int functionCode);
QString OutputLabel(int output, int functionCode);
// The function code of input n as the drive applies it: P2.10..P2.17 for inputs 1..8, the
// fixed functions of firmware 2.10 for inputs 9..16.
int InputFunctionCode(const MaintVariant& variant, int input);

// Texts of the control mode ("Pr" -> "Position (Internal Control)"; empty for others) and of
// the position mode P1.33 (empty outside 0..6).
QString ControlModeText(const QString& mode);
QString PositionModeText(int32_t mode);

}  // namespace basMaint
