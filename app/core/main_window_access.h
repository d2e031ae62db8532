// What the drive link and the poll handler change on the main window besides the status list:
// the mouse pointer, the main timer tmrMain and the progress bar ledBar.
#pragma once

namespace mainWindow {

void SetBusyPointer();
void SetNormalPointer();
// Starts or stops the main window's tmrMain (nothing when there is no main window).
void EnableMainTimer(bool enabled);
// Moves the progress bar on by `step` positions (at most to its end).
void AdvanceLedBar(int step);

}  // namespace mainWindow
