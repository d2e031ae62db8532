// The scope's hold on the maintenance screen: while the scope owns the polling, that screen
// neither polls nor starts motion or input toggles.
#pragma once

namespace basScope {

// Starting: the maintenance screen's timers stop and its motion, input and output buttons are
// disabled (their enabled states remembered). Restoring: timers run again and every remembered
// state is put back. Nothing happens while no maintenance screen is open.
void Maint_Interlock(bool starting);

}  // namespace basScope
