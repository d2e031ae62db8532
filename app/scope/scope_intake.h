// The poll handler's door into the scope: every result of poll group 2 comes through here.
#pragma once

#include <cstdint>

#include "portwright/modbus_atl.h"

namespace basScope {

// Channels the scope samples (1..3), set from the connection speed when the scope window
// loads; 0 until the scope has once been opened at a listed speed. Poll group 2 reads
// 12 registers per channel.
extern int16_t ScopeChannelCount;

// Reads the item's words from the control and hands them, with the result code, to the open
// scope's capture. Nothing happens when no scope window is open.
void ScopePollResult(portwright::IModbusAtl& mod1, int16_t item, int16_t result);

}  // namespace basScope
