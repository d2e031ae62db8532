// A test-only start: with VELUMO_TEST_MAINTENANCE=<COM number> in the environment the program
// connects to that port at the drive's factory line settings (19200 baud, RTU 8,O,1, node 1),
// opens the maintenance screen answering every question No (no backup), and prints
// "VELUMO_TEST maintenance open" on stdout. Tests start the program this way as a child
// process, move the motor through the drive's control channel and kill the program, to see
// the drive's communication watchdog stop the motor. Without the variable nothing happens.
#pragma once

namespace basMaint {

void StartTestHookIfAsked();

}  // namespace basMaint
