// Counts the component's live objects and server locks, so the host can tell when the
// library may be unloaded.
#pragma once

namespace portwright {

void ModuleObjectCreated();
void ModuleObjectDestroyed();

}  // namespace portwright
