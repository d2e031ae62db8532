// What the program knows about the connected drive and the working configuration: amplifier
// and motor texts, firmware texts, amplifier codes, group limits and the effective control mode.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace basFunctions {

// The last parameter number of each group 0..4 for the working configuration's revision; all 0
// until a revision of 200 or 210 is set. Passes over all parameters walk g = 0..4,
// nn = 0..GroupLimit[g].
extern std::array<int16_t, 5> GroupLimit;

struct DriveIdentityTexts {
  // Amplifier and motor texts are empty for a motor code that is not known.
  QString driveAmp;      // from DriveImage P1.31 ("KDA-400 (400W) amp")
  QString driveMotor;    // from DriveImage P1.31 ("100W, Low Inertia")
  QString firmware;      // d.dd from DriveImage P0.00 (2001 gives "2.00")
  QString firmwareLong;  // d.ddd from DriveImage P0.00 (2001 gives "2.001")
  QString configAmp;     // from WorkingConfig P1.31
  QString configMotor;   // from WorkingConfig P1.31
};
extern DriveIdentityTexts DriveIdentity;

struct ConfigIdentityTexts {
  QString motorCode;  // 2 characters
  QString revision;   // 3 characters, such as "200"
  QString firmware;   // 4 characters
  int16_t ampCode = 0;
};
extern ConfigIdentityTexts ConfigIdentity;

// Amplifier codes (20, 21, 23; 0 for an unknown motor code) of the connected drive (DriveImage
// P1.31) and of the working configuration (WorkingConfig P1.31); refreshed by the main window's
// timer.
extern int16_t ConnectedAmpCode;
extern int16_t ConfigAmpCode;

// The drive's effective control mode: "Pt", "Pr", "V", "T", "Vz" or "Tz".
extern QString ModeString;

// Sets GroupLimit from ConfigIdentity.revision (200 or 210; anything else leaves it).
void SetParamMax();
// Sets DriveIdentity from DriveImage and WorkingConfig.
void GetDriveType();
// Works out the control mode from DriveImage P1.01 (and the inputs for dual modes), stores it
// in ModeString and returns it.
QString getMode();

}  // namespace basFunctions
