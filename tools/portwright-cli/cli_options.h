// The command line of portwright-cli: line options, one transaction, a poll run, or a port
// map command. Parsing only; nothing here touches the control or the port.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "portwright/modbus_atl.h"

namespace pwcli {

// Malformed command line: the message goes to stderr with the usage hint.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct LineOptions {
  std::string port = "COM1";            // COMn (through the port map) or a device path
  std::optional<std::string> settings;  // the control's Settings text
  portwright::enumPLCMode mode = portwright::RTU;
  int node = 1;
  std::optional<int> timeoutMs;
  bool trace = false;
  bool hex = false;
};

struct TransactionArgs {
  portwright::enumPLCFunction function = portwright::ReadHoldingReg;
  int address = 1;  // 1-based, like DataAddr
  int count = 1;
  portwright::enumDataType type = portwright::Integer;
  std::vector<std::string> values;
};

struct PollBlock {
  int node = 1;
  int address = 1;
  int count = 1;
};

struct PollArgs {
  int intervalMs = 1000;
  double durationS = 10;
  std::vector<PollBlock> blocks;
};

struct MapArgs {
  int com = 0;  // COM number, 1-based
  std::string device;
};

enum class Command { Help, Transaction, Poll, Ports, Map, Unmap };

struct CommandLine {
  Command command = Command::Help;
  LineOptions line;
  TransactionArgs transaction;
  PollArgs poll;
  MapArgs map;
};

// args excludes the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The options a tool knows: name ("--port") -> whether it takes a value.
using OptionTable = std::map<std::string, bool>;
// Splits options (anywhere on the line, "--name value" or "--name=value") from the positional
// words, which it returns in order; "--" ends the options, so a text value may start with
// dashes. Each option is handed to `apply` as it comes (a flag with an empty value). Throws
// UsageError for an unknown option, a missing value and a value given to a flag. Shared by
// portwright-cli and velumo-config.
std::vector<std::string> SplitOptions(
    const std::vector<std::string>& args, const OptionTable& known,
    const std::function<void(const std::string& name, const std::string& value)>& apply);

// "COM3" (any case) -> 3; empty for anything else.
std::optional<int> ParseComName(const std::string& text);

// Integer in decimal or 0x-hex within [low, high]; empty otherwise.
std::optional<long long> ParseInteger(const std::string& text, long long low, long long high);

const char* UsageText();

}  // namespace pwcli
