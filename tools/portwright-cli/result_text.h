// Words for the control's result codes and the frame trace lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "portwright/modbus_atl.h"

namespace pwcli {

// "-1 (no complete reply within the time-out)", "2 (exception: illegal data address)".
std::string DescribeResult(int16_t result);

// RTU frames as spaced hex bytes; ASCII frames as their text with CR and LF shown as \r \n
// and any other non-printing byte as \xHH.
std::string FormatFrame(const uint8_t* bytes, size_t length, portwright::enumPLCMode mode);

// Local wall-clock time of day, HH:MM:SS.mmm.
std::string TimeStamp();

}  // namespace pwcli
