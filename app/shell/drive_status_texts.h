// Texts of the drive's fault codes: the status bar's drive-status panel (the live code P0.01)
// and the words for a code the program does not know, shared with the fault viewer.
#pragma once

#include <QString>

namespace basMain {

constexpr int kLastDriveStatusCode = 22;
// True for the codes 0..22 the drive's fault table names.
bool IsKnownFaultCode(int code);
// The code as the drive's register holds it: a 16-bit word read as negative is shown unsigned.
int FaultCodeNumber(int code);
// "Unknown Fault Code 23 ": what the fault viewer shows for a code outside the table (its
// number, never the stale text of another fault).
QString UnknownFaultText(int code);
// The panel's text for a fault code (every text keeps its trailing blank); a code outside
// 0..22 reads "Drive Status - Unknown Fault Code 23 ".
QString DriveStatusText(int code);

}  // namespace basMain
