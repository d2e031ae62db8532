// Status list, pause and window utilities (module basFunctions).
#pragma once

#include <QString>

namespace basFunctions {

void Status(int mode, int value, const QString& message);
void WaitaWhile(double seconds);
// Test-only: every WaitaWhile pause lasts seconds x PauseScale (1 in the program; a test sets
// e.g. 0 to take the specified pauses out, and 1 again for a run at full pacing). A shortened
// pause still dispatches the pending events once, so loops that wait for the control's Done
// keep working. Connect to a drive before shortening: the connect sequence's waits shrink too.
extern double PauseScale;
bool FormIsOpen(const QString& name);

}  // namespace basFunctions
