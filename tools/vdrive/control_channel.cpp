#include "control_channel.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace vdrive {

namespace {

const char kHelp[] =
    "OK commands: noreply|replylost|badcrc [N] | slow MS [N] | exception CODE [N] | junk [N] | "
    "junk HEX N | split MS [N] | drop [N] | wrongtid [N] | clear | fault CODE | "
    "powercycle [SECONDS] | factory | di N 0|1 | duplex half|full | node N | get REG [COUNT] | "
    "set REG VALUE... | write REG VALUE... | status | scope | path | quit  (N: count or 'always'; "
    "REG: P4.05 or a register address)";

bool ParseInt(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0';
}

// Repeat count: a number or "always"; the default is 1.
bool ParseCount(const std::vector<std::string>& words, size_t at, int& count) {
  count = 1;
  if (words.size() <= at) return true;
  if (words.size() > at + 1) return false;
  if (words[at] == "always") {
    count = -1;
    return true;
  }
  long n;
  if (!ParseInt(words[at], n) || n < 1 || n > 1000000) return false;
  count = static_cast<int>(n);
  return true;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes) {
  if (text.empty() || text.size() % 2 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    unsigned value;
    if (std::sscanf(text.substr(i, 2).c_str(), "%2x", &value) != 1) return false;
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

std::string PlanFault(const std::vector<std::string>& w, ControlTarget& target) {
  ReplyFault fault;
  size_t countAt = 1;
  long value = 0;
  const std::string& name = w[0];
  if (name == "noreply") {
    fault.kind = ReplyFault::kNoReply;
  } else if (name == "replylost") {
    fault.kind = ReplyFault::kReplyLost;
  } else if (name == "drop") {
    fault.kind = ReplyFault::kDrop;
  } else if (name == "wrongtid") {
    fault.kind = ReplyFault::kWrongTransaction;
  } else if (name == "badcrc" || name == "badlrc") {
    fault.kind = ReplyFault::kBadChecksum;
  } else if (name == "slow" || name == "split") {
    fault.kind = name == "slow" ? ReplyFault::kSlow : ReplyFault::kSplit;
    if (w.size() < 2 || !ParseInt(w[1], value) || value < 0 || value > 600000)
      return "ERR " + name + " needs milliseconds";
    fault.milliseconds = static_cast<int>(value);
    countAt = 2;
  } else if (name == "exception") {
    fault.kind = ReplyFault::kException;
    if (w.size() < 2 || !ParseInt(w[1], value) || value < 1 || value > 255)
      return "ERR exception needs a code 1..255";
    fault.code = static_cast<int>(value);
    countAt = 2;
  } else {  // junk
    fault.kind = ReplyFault::kJunk;
    fault.junk = {0x00};
    if (w.size() >= 3) {  // junk HEX N; a lone argument is the count
      fault.junk.clear();
      if (!ParseHex(w[1], fault.junk)) return "ERR junk bytes must be hex pairs";
      countAt = 2;
    }
  }
  int count;
  if (!ParseCount(w, countAt, count)) return "ERR bad count";
  target.Faults().Add(fault, count);
  return "OK planned " + target.Faults().Describe();
}

std::string GetRegisters(const std::vector<std::string>& w, VirtualDrive& drive) {
  uint16_t address;
  long count = 1;
  if (w.size() < 2 || !ParseRegister(w[1], address)) return "ERR get needs a register";
  if (w.size() > 2 && (!ParseInt(w[2], count) || count < 1 || count > 125)) return "ERR bad count";
  std::string reply = "OK";
  for (long i = 0; i < count; ++i) {
    uint16_t value;
    const auto at = static_cast<uint16_t>(address + i);
    if (!drive.Peek(at, value)) return "ERR unmapped register";
    // As the register means it: unsigned for the passcode word and the 16-bit fields.
    reply += " " + (drive.UnsignedRegister(at) ? std::to_string(value)
                                               : std::to_string(static_cast<int16_t>(value)));
  }
  return reply;
}

std::string SetRegisters(const std::vector<std::string>& w, VirtualDrive& drive) {
  uint16_t address;
  if (w.size() < 3 || !ParseRegister(w[1], address)) return "ERR set needs a register and values";
  for (size_t i = 2; i < w.size(); ++i) {
    long value;
    if (!ParseInt(w[i], value) || value < -32768 || value > 65535) return "ERR bad value";
    if (!drive.Poke(static_cast<uint16_t>(address + i - 2), static_cast<uint16_t>(value)))
      return "ERR unmapped register";
  }
  return "OK";
}

// As a Modbus write would: side effects, logon and range checks included.
std::string WriteRegisters(const std::vector<std::string>& w, VirtualDrive& drive) {
  uint16_t address;
  if (w.size() < 3 || w.size() > 125 || !ParseRegister(w[1], address))
    return "ERR write needs a register and values";
  std::vector<uint16_t> values;
  for (size_t i = 2; i < w.size(); ++i) {
    long value;
    if (!ParseInt(w[i], value) || value < -32768 || value > 65535) return "ERR bad value";
    values.push_back(static_cast<uint16_t>(value));
  }
  const uint8_t code =
      drive.WriteRegisters(address, values.data(), static_cast<uint16_t>(values.size()));
  return code == kNoException ? "OK" : "ERR exception " + std::to_string(code);
}

std::string Status(VirtualDrive& drive, ControlTarget& target) {
  uint16_t fault = 0;
  drive.Peek(static_cast<uint16_t>(drive_facts::kFaultCodeAddress - 1), fault);
  char text[256];
  std::snprintf(text, sizeof text,
                "OK logon=%d status=%u servo=%s speed=%.0f position=%lld fault=%u inputs=%u "
                "outputs=%u jog=%d faults=%s",
                drive.LoggedOn() ? 1 : 0, drive.StatusWord(), drive.ServoOn() ? "on" : "off",
                drive.Motor().SpeedRpm(), static_cast<long long>(drive.Motor().PositionPulses()),
                fault, drive.InputStates(), drive.OutputStates(), drive.JogDirection(),
                target.Faults().Describe().c_str());
  return text;
}

// Per channel: samples handed over to reads, and samples dropped before a read came.
std::string ScopeCounts(const VirtualDrive& drive) {
  std::string handed, dropped;
  for (int c = 0; c < drive_facts::kScopeChannels; ++c) {
    const char* separator = c == 0 ? "" : ",";
    handed += separator + std::to_string(drive.ScopeCounts(c).handed);
    dropped += separator + std::to_string(drive.ScopeCounts(c).dropped);
  }
  return "OK handed=" + handed + " dropped=" + dropped;
}

std::string Run(const std::vector<std::string>& w, ControlTarget& target) {
  const std::string& name = w[0];
  VirtualDrive& drive = target.Drive();
  long value = 0;
  if (name == "help") return kHelp;
  if (name == "noreply" || name == "replylost" || name == "badcrc" || name == "badlrc" ||
      name == "slow" || name == "exception" || name == "junk" || name == "split" ||
      name == "drop" || name == "wrongtid")
    return PlanFault(w, target);
  if (name == "node") {
    if (w.size() != 2 || !ParseInt(w[1], value) || value < 1 || value > 247)
      return "ERR node needs an address 1..247";
    return target.SelectNode(static_cast<int>(value));
  }
  if (name == "clear") {
    target.Faults().Clear();
    return "OK";
  }
  if (name == "fault") {
    if (w.size() != 2 || !ParseInt(w[1], value) || value < 0 || value > 255)
      return "ERR fault needs a code 0..255";
    drive.InjectFault(static_cast<int>(value));
    return "OK";
  }
  if (name == "powercycle") {
    double seconds = 3;
    if (w.size() > 1 &&
        (std::sscanf(w[1].c_str(), "%lf", &seconds) != 1 || seconds < 0 || seconds > 600))
      return "ERR powercycle needs seconds";
    target.PowerCycle(static_cast<int>(seconds * 1000));
    return "OK";
  }
  if (name == "factory") {
    drive.PowerOn(false);
    return "OK";
  }
  if (name == "di") {
    long on;
    if (w.size() != 3 || !ParseInt(w[1], value) || !ParseInt(w[2], on) || value < 1 ||
        value > drive.InputCount() || (on != 0 && on != 1))
      return "ERR di needs an input number and 0 or 1";
    drive.SetHardwareInput(static_cast<int>(value), on == 1);
    return "OK";
  }
  if (name == "duplex") {
    if (w.size() != 2 || (w[1] != "half" && w[1] != "full")) return "ERR duplex is half or full";
    target.SetHalfDuplex(w[1] == "half");
    return "OK";
  }
  if (name == "get") return GetRegisters(w, drive);
  if (name == "set") return SetRegisters(w, drive);
  if (name == "write") return WriteRegisters(w, drive);
  if (name == "status") return Status(drive, target);
  if (name == "scope") return ScopeCounts(drive);
  if (name == "path") return "OK " + target.DevicePath();
  if (name == "quit" || name == "exit") {
    target.Quit();
    return "OK";
  }
  return "ERR unknown command '" + name + "' (try help)";
}

}  // namespace

bool ParseRegister(const std::string& text, uint16_t& wireAddress) {
  if (text.empty()) return false;
  int group, number;
  char tail;
  if ((text[0] == 'P' || text[0] == 'p') &&
      std::sscanf(text.c_str() + 1, "%d.%d%c", &group, &number, &tail) == 2) {
    if (group < 0 || group > 6 || number < 0 || number > 99) return false;
    wireAddress = static_cast<uint16_t>(drive_facts::ParameterAddress(group, number) - 1);
    return true;
  }
  long value;
  if (!ParseInt(text, value) || value < 1 || value > 65536) return false;
  wireAddress = static_cast<uint16_t>(value - 1);
  return true;
}

std::string RunControlCommand(const std::string& line, ControlTarget& target) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty()) return "ERR empty command";
  return Run(words, target);
}

}  // namespace vdrive
