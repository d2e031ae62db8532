// The program's start (module basMain): single instance, database, settings, main window,
// project navigator, splash.
#pragma once

namespace basMain {

// Runs the start-up sequence. False when the program must end at once (another instance runs);
// otherwise the caller runs the event loop.
bool Main();
// Ends what Main started (the instance lock); the program calls it after its event loop.
void EndMain();

}  // namespace basMain
