// Turns one command-line transaction into what the control is loaded with, and the words it
// returns into the lines the technician sees. 32-bit values and texts travel as plain
// registers (data type Integer) and are packed or unpacked here; see README.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli_options.h"

namespace pwcli {

struct ControlRequest {
  portwright::enumPLCFunction function = portwright::ReadHoldingReg;
  portwright::enumDataType type = portwright::Integer;
  int16_t address = 1;
  int16_t quantity = 1;
  std::vector<uint16_t> words;  // Data(0..) for writes
  int wordsToFetch = 0;         // Data(0..) to read back after a good read
};

// Throws UsageError for values that do not fit the function and type.
ControlRequest PlanRequest(const TransactionArgs& args);

struct ReadOutput {
  std::vector<std::string> lines;     // standard output, one value per line
  std::vector<std::string> warnings;  // standard error
};

ReadOutput FormatRead(const TransactionArgs& args, const std::vector<uint16_t>& words, bool hex);

// One 16-bit word as signed decimal, or 0xHHHH.
std::string FormatWord(uint16_t word, bool hex);

}  // namespace pwcli
