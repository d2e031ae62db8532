// The record one transaction is built from and decoded into.
#pragma once

#include <cstdint>

#include "portwright/modbus_atl.h"

namespace portwright {

struct TransactionRecord {
  uint8_t node = 1;
  enumDataType dataType = Integer;
  int16_t quantity = 1;
  int16_t address = 1;  // 1-based; the wire carries address - 1
  enumPLCFunction function = ReadCoil;
  int16_t words[256] = {};
  float floats[128] = {};
  int32_t longs[128] = {};
  char text[1024] = {};  // zero-terminated; the value for data type String
};

// Result codes of a transaction besides 0 (good) and 1..127 (Modbus exception).
enum ResultCode : int16_t {
  kResultGood = 0,
  kResultTimeout = -1,
  kResultChecksum = -2,
  kResultReadFailed = -3,
  kResultOverflow = -4,
  kResultWriteFailed = -5,
};

}  // namespace portwright
