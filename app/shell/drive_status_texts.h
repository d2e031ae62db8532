// Texts of the drive's live fault code (P0.01) for the status bar's drive-status panel.
#pragma once

#include <QString>

namespace basMain {

constexpr int kLastDriveStatusCode = 22;
// The text for a fault code 0..22 (every text keeps its trailing blank); a null text for any
// other code, which leaves the panel as it is.
QString DriveStatusText(int code);

}  // namespace basMain
