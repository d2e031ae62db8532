// The poll handler's door into the scope: every result of poll group 2 comes through here.
#pragma once

#include <cstdint>

#include "link/poll_groups.h"  // ScopeChannelCount, which the scope group reads
#include "portwright/modbus_atl.h"

namespace basScope {

// Reads the item's words from the control and hands them, with the result code, to the open
// scope's capture. Nothing happens when no scope window is open.
void ScopePollResult(portwright::IModbusAtl& mod1, int16_t item, int16_t result);
// Subscribes ScopePollResult to the poll handler's results of the scope group (made by each
// capture; once more changes nothing).
void SubscribeToPolls();

}  // namespace basScope
