#include "cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <map>

#include "portwright/type_info.h"

namespace pwcli {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

int16_t NeedInt16(const std::string& text, const std::string& what) {
  auto value = ParseInteger(text, INT16_MIN, INT16_MAX);
  if (!value) throw UsageError(what + " must be a whole number, got \"" + text + "\"");
  return static_cast<int16_t>(*value);
}

int NeedEnum(const char* enumName, const std::string& text, const std::string& what) {
  int value = 0;
  if (!portwright::FindEnumValue(enumName, text, value)) {
    throw UsageError("unknown " + what + " \"" + text + "\"");
  }
  return value;
}

PollBlock ParsePollBlock(const std::string& text) {
  size_t first = text.find(':');
  size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos || text.find(':', second + 1) != std::string::npos) {
    throw UsageError("a poll block is NODE:ADDRESS:COUNT, got \"" + text + "\"");
  }
  PollBlock block;
  block.node = NeedInt16(text.substr(0, first), "NODE");
  block.address = NeedInt16(text.substr(first + 1, second - first - 1), "ADDRESS");
  block.count = NeedInt16(text.substr(second + 1), "COUNT");
  return block;
}

// Options that take a value; the rest are flags.
const OptionTable& KnownOptions() {
  static const OptionTable options = {
      {"--port", true},    {"--settings", true}, {"--mode", true},     {"--node", true},
      {"--timeout", true}, {"--type", true},     {"--interval", true}, {"--duration", true},
      {"--trace", false},  {"--hex", false},     {"--help", false},
  };
  return options;
}

void ApplyOption(CommandLine& cl, const std::string& name, const std::string& value) {
  if (name == "--port") {
    cl.line.port = value;
  } else if (name == "--settings") {
    cl.line.settings = value;
  } else if (name == "--mode") {
    std::string mode = Lower(value);
    if (mode != "rtu" && mode != "ascii") throw UsageError("--mode is rtu or ascii");
    cl.line.mode = mode == "rtu" ? portwright::RTU : portwright::ASCII;
  } else if (name == "--node") {
    cl.line.node = NeedInt16(value, "--node");
  } else if (name == "--timeout") {
    cl.line.timeoutMs = NeedInt16(value, "--timeout");
  } else if (name == "--type") {
    cl.transaction.type =
        static_cast<portwright::enumDataType>(NeedEnum("enumDataType", value, "data type"));
  } else if (name == "--interval") {
    cl.poll.intervalMs = NeedInt16(value, "--interval");
  } else if (name == "--duration") {
    auto seconds = ParseInteger(value, 0, 86400);
    if (!seconds) throw UsageError("--duration is a number of seconds (0..86400)");
    cl.poll.durationS = static_cast<double>(*seconds);
  } else if (name == "--trace") {
    cl.line.trace = true;
  } else if (name == "--hex") {
    cl.line.hex = true;
  } else if (name == "--help") {
    cl.command = Command::Help;
  }
}

void ParseTransaction(CommandLine& cl, const std::vector<std::string>& words) {
  if (words.size() < 3) throw UsageError("a transaction needs FUNCTION ADDRESS COUNT");
  cl.command = Command::Transaction;
  cl.transaction.function =
      static_cast<portwright::enumPLCFunction>(NeedEnum("enumPLCFunction", words[0], "function"));
  cl.transaction.address = NeedInt16(words[1], "ADDRESS");
  cl.transaction.count = NeedInt16(words[2], "COUNT");
  cl.transaction.values.assign(words.begin() + 3, words.end());
}

}  // namespace

std::vector<std::string> SplitOptions(
    const std::vector<std::string>& args, const OptionTable& known,
    const std::function<void(const std::string& name, const std::string& value)>& apply) {
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.rfind("--", 0) != 0) {
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto option = known.find(name);
    if (option == known.end()) throw UsageError("unknown option " + name);
    std::string value;
    if (option->second) {
      if (equals != std::string::npos)
        value = arg.substr(equals + 1);
      else if (i + 1 < args.size())
        value = args[++i];
      else
        throw UsageError(name + " needs a value");
    } else if (equals != std::string::npos) {
      throw UsageError(name + " takes no value");
    }
    apply(name, value);
  }
  return words;
}

std::optional<int> ParseComName(const std::string& text) {
  if (text.size() < 4 || Lower(text.substr(0, 3)) != "com") return std::nullopt;
  auto number = ParseInteger(text.substr(3), 0, 9999);
  if (!number || text.substr(3).rfind("0x", 0) == 0) return std::nullopt;
  return static_cast<int>(*number);
}

std::optional<long long> ParseInteger(const std::string& text, long long low, long long high) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  bool help = false;
  const std::vector<std::string> words =
      SplitOptions(args, KnownOptions(), [&](const std::string& name, const std::string& value) {
        if (name == "--help") help = true;
        ApplyOption(cl, name, value);
      });
  if (help || words.empty()) {
    cl.command = Command::Help;
    return cl;
  }
  const std::string verb = Lower(words[0]);
  if (verb == "ports") {
    if (words.size() != 1) throw UsageError("ports takes no arguments");
    cl.command = Command::Ports;
  } else if (verb == "map" || verb == "unmap") {
    size_t wanted = verb == "map" ? 3 : 2;
    if (words.size() != wanted) {
      throw UsageError(verb == "map" ? "usage: map COMn DEVICE" : "usage: unmap COMn");
    }
    auto com = ParseComName(words[1]);
    if (!com || *com < 1) throw UsageError("expected a COM name such as COM3, got " + words[1]);
    cl.command = verb == "map" ? Command::Map : Command::Unmap;
    cl.map.com = *com;
    if (verb == "map") cl.map.device = words[2];
  } else if (verb == "poll") {
    cl.command = Command::Poll;
    for (size_t i = 1; i < words.size(); ++i) cl.poll.blocks.push_back(ParsePollBlock(words[i]));
    if (cl.poll.blocks.empty()) throw UsageError("poll needs at least one NODE:ADDRESS:COUNT");
  } else {
    ParseTransaction(cl, words);
  }
  return cl;
}

const char* UsageText() {
  return R"(usage:
  portwright-cli [options] FUNCTION ADDRESS COUNT [--type TYPE] [VALUE...]
  portwright-cli [options] poll [--interval MS] [--duration S] NODE:ADDRESS:COUNT...
  portwright-cli ports
  portwright-cli map COMn DEVICE|tcp://HOST:PORT|mbtcp://HOST:PORT
  portwright-cli unmap COMn

options:
  --port COMn|DEVICE|URL
                       port: a COM name through the port map, a device path, or a network
                       endpoint: tcp://HOST:PORT (RTU or ASCII over TCP), mbtcp://HOST:PORT
                       (Modbus TCP, --mode does not apply); --settings are not used there
  --settings TEXT      line settings, e.g. 19200,N,8,1 (the control's default when absent)
  --mode rtu|ascii     framing (rtu)
  --node N             slave node address (1)
  --timeout MS         reply time-out in milliseconds (the control's default when absent)
  --trace              print every request and reply frame to stderr
  --hex                print read values in hexadecimal
  --type TYPE          Integer, BCD, Long, Float or String (Integer)

FUNCTION: ReadCoil, ReadInput, ReadHoldingReg, ReadInputReg, ForceSingleCoil,
          SetSingleReg, SetMultipleCoils, SetMultipleReg (any case).
ADDRESS is 1-based (register 1 is address 0 on the wire).
)";
}

}  // namespace pwcli
