// What the maintenance screens take from the poll handler (module basMaint): the maintenance
// group's values on the open screen, a running jog's stop at the first failed poll, and after
// a connection the offer to put back what a program that died with the screen open left.
#pragma once

namespace basMaint {

// Subscribes all three to the poll handler; once more changes nothing. The maintenance screen
// and the jog window subscribe when they are made, the main window when it is.
void SubscribeToPolls();

}  // namespace basMaint
