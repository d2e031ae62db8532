#include "request_plan.h"

#include <charconv>
#include <cstdio>

#include "value_codec.h"

namespace pwcli {
namespace {

using portwright::enumDataType;
using portwright::enumPLCFunction;

// Limits of one Modbus frame.
constexpr int kMaxReadRegisters = 125;
constexpr int kMaxWriteRegisters = 123;
constexpr int kMaxReadCoils = 2000;
constexpr int kMaxWriteCoils = 1968;

bool IsCoilFunction(enumPLCFunction f) {
  return f == portwright::ReadCoil || f == portwright::ReadInput ||
         f == portwright::ForceSingleCoil || f == portwright::SetMultipleCoils;
}

bool IsRead(enumPLCFunction f) { return f <= portwright::ReadInputReg; }

bool IsPairType(enumDataType t) { return t == portwright::Long || t == portwright::Float; }

void RequireValueCount(const TransactionArgs& args, size_t wanted) {
  if (args.values.size() != wanted) {
    throw UsageError("expected " + std::to_string(wanted) + " value(s), got " +
                     std::to_string(args.values.size()));
  }
}

void RequireAtMost(int registers, int limit, const char* what) {
  if (registers > limit) {
    throw UsageError(std::string("one frame carries at most ") + std::to_string(limit) + " " +
                     what);
  }
}

uint16_t ParseRegisterValue(const std::string& text) {
  auto value = ParseInteger(text, INT16_MIN, UINT16_MAX);
  if (!value) throw UsageError("a register value is -32768..65535, got \"" + text + "\"");
  return static_cast<uint16_t>(*value);
}

bool ParseCoilValue(const std::string& text) {
  if (text == "1" || text == "on" || text == "ON") return true;
  if (text == "0" || text == "off" || text == "OFF") return false;
  throw UsageError("a coil value is 0/1 or off/on, got \"" + text + "\"");
}

uint16_t ParseBcdValue(const std::string& text) {
  auto value = ParseInteger(text, 0, 9999);
  if (!value) throw UsageError("a BCD value is 0..9999, got \"" + text + "\"");
  return *EncodeBcd(static_cast<int>(*value));
}

void AppendPair(std::vector<uint16_t>& words, enumDataType type, const std::string& text) {
  if (type == portwright::Long) {
    auto value = ParseInteger(text, 0, 99'999'999);
    if (!value) throw UsageError("a Long value is 0..99999999, got \"" + text + "\"");
    auto pair = *EncodeLong(*value);
    words.insert(words.end(), pair.begin(), pair.end());
    return;
  }
  float value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw UsageError("not a number: \"" + text + "\"");
  }
  auto pair = EncodeFloat(value);
  words.insert(words.end(), pair.begin(), pair.end());
}

void PlanRead(const TransactionArgs& args, ControlRequest& request) {
  if (!args.values.empty()) throw UsageError("a read takes no values");
  if (IsCoilFunction(args.function)) {
    if (args.type != portwright::Integer) throw UsageError("coil functions take no --type");
    RequireAtMost(args.count, kMaxReadCoils, "coils");
    request.wordsToFetch = (std::max(args.count, 0) + 15) / 16;
    return;
  }
  int registers = IsPairType(args.type) ? 2 * args.count : args.count;
  RequireAtMost(registers, kMaxReadRegisters, "registers");
  request.quantity = static_cast<int16_t>(registers);
  // BCD keeps its data type (the control delivers BCD registers unconverted); the others are
  // read as plain registers and unpacked here.
  if (args.type != portwright::BCD) request.type = portwright::Integer;
  request.wordsToFetch = std::max(registers, 0);
}

void PlanMultipleRegisters(const TransactionArgs& args, ControlRequest& request) {
  request.type = portwright::Integer;
  if (args.type == portwright::String) {
    RequireValueCount(args, 1);
    RequireAtMost(args.count, kMaxWriteRegisters, "registers");
    auto words = EncodeString(args.values[0], args.count);
    if (!words) {
      throw UsageError("the text and its ending zero need " +
                       std::to_string(MinimalStringRegisters(args.values[0])) + " registers");
    }
    request.words = *words;
    return;
  }
  RequireValueCount(args, static_cast<size_t>(std::max(args.count, 0)));
  int registers = IsPairType(args.type) ? 2 * args.count : args.count;
  RequireAtMost(registers, kMaxWriteRegisters, "registers");
  request.quantity = static_cast<int16_t>(registers);
  for (const std::string& text : args.values) {
    if (IsPairType(args.type)) {
      AppendPair(request.words, args.type, text);
    } else if (args.type == portwright::BCD) {
      // The control encodes BCD itself from the plain value.
      auto value = ParseInteger(text, 0, 9999);
      if (!value) throw UsageError("a BCD value is 0..9999, got \"" + text + "\"");
      request.words.push_back(static_cast<uint16_t>(*value));
      request.type = portwright::BCD;
    } else {
      request.words.push_back(ParseRegisterValue(text));
    }
  }
}

void PlanWrite(const TransactionArgs& args, ControlRequest& request) {
  switch (args.function) {
    case portwright::ForceSingleCoil:
      if (args.type != portwright::Integer) throw UsageError("coil functions take no --type");
      RequireValueCount(args, 1);
      request.words = {static_cast<uint16_t>(ParseCoilValue(args.values[0]) ? 1 : 0)};
      break;
    case portwright::SetSingleReg:
      RequireValueCount(args, 1);
      if (args.type == portwright::BCD) {
        request.words = {ParseBcdValue(args.values[0])};
      } else if (args.type == portwright::Integer) {
        request.words = {ParseRegisterValue(args.values[0])};
      } else {
        throw UsageError("SetSingleReg writes one register: use SetMultipleReg for this type");
      }
      request.type = portwright::Integer;
      break;
    case portwright::SetMultipleCoils: {
      if (args.type != portwright::Integer) throw UsageError("coil functions take no --type");
      RequireValueCount(args, static_cast<size_t>(std::max(args.count, 0)));
      RequireAtMost(args.count, kMaxWriteCoils, "coils");
      std::vector<bool> coils;
      for (const std::string& text : args.values) coils.push_back(ParseCoilValue(text));
      request.words = PackCoils(coils);
      break;
    }
    default:
      PlanMultipleRegisters(args, request);
  }
}

std::string FormatFloat(float value) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : "nan";
}

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

std::string FormatWord(uint16_t word, bool hex) {
  return hex ? Hex(word, 4) : std::to_string(static_cast<int16_t>(word));
}

ControlRequest PlanRequest(const TransactionArgs& args) {
  ControlRequest request;
  request.function = args.function;
  request.type = args.type;
  request.address = static_cast<int16_t>(args.address);
  request.quantity = static_cast<int16_t>(args.count);
  if (IsRead(args.function)) {
    PlanRead(args, request);
  } else {
    PlanWrite(args, request);
  }
  return request;
}

ReadOutput FormatRead(const TransactionArgs& args, const std::vector<uint16_t>& words, bool hex) {
  ReadOutput out;
  if (IsCoilFunction(args.function)) {
    for (bool coil : UnpackCoils(words, args.count)) out.lines.push_back(coil ? "1" : "0");
    return out;
  }
  switch (args.type) {
    case portwright::String:
      out.lines.push_back(DecodeString(words));
      break;
    case portwright::Long:
      for (size_t i = 0; i + 1 < words.size(); i += 2) {
        int64_t value = DecodeLong(words[i], words[i + 1]);
        out.lines.push_back(hex ? Hex(value, 8) : std::to_string(value));
      }
      break;
    case portwright::Float:
      for (size_t i = 0; i + 1 < words.size(); i += 2) {
        out.lines.push_back(hex ? Hex(words[i] | (uint32_t{words[i + 1]} << 16), 8)
                                : FormatFloat(DecodeFloat(words[i], words[i + 1])));
      }
      break;
    case portwright::BCD:
      for (uint16_t word : words) {
        auto value = DecodeBcd(word);
        if (hex || !value) out.lines.push_back(Hex(word, 4));
        if (!hex && value) out.lines.push_back(std::to_string(*value));
        if (!value) out.warnings.push_back(Hex(word, 4) + " is not a BCD value; shown raw");
      }
      break;
    default:
      for (uint16_t word : words) out.lines.push_back(FormatWord(word, hex));
  }
  return out;
}

}  // namespace pwcli
