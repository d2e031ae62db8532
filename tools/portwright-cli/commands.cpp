#include "commands.h"

#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "control_access.h"
#include "control_session.h"
#include "port_binding.h"
#include "portwright/endpoint.h"
#include "portwright/port_map.h"
#include "request_plan.h"
#include "result_text.h"

namespace pwcli {
namespace {

constexpr int kHighestComNumber = 15;

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

// A failed result, with what went wrong with the connection when the port is a network one.
std::string FailureText(portwright::IModbusAtl& control, int16_t result) {
  const std::string problem = control.LinkProblem();
  return DescribeResult(result) + (problem.empty() ? "" : ": " + problem);
}

int TransactionCommand(const CommandLine& cl) {
  const ControlRequest request = PlanRequest(cl.transaction);
  PortBinding binding(cl.line.port);
  ControlSession session(CreateModbusControl());
  // Every value goes to the control before the port opens: a refused one sends nothing.
  session.ConfigureLine(cl.line, binding.comIndex());
  session.LoadRequest(request);
  if (cl.line.trace) session.EnableTrace(cl.line.mode);
  session.OpenPort();
  const int16_t result = session.RunTransaction();
  if (result != 0) {
    std::fprintf(stderr, "portwright-cli: result %s\n",
                 FailureText(session.control(), result).c_str());
    return kExitFailed;
  }
  if (request.function <= portwright::ReadInputReg) {
    ReadOutput out =
        FormatRead(cl.transaction, session.FetchWords(request.wordsToFetch), cl.line.hex);
    for (const std::string& warning : out.warnings) {
      std::fprintf(stderr, "portwright-cli: %s\n", warning.c_str());
    }
    for (const std::string& line : out.lines) PrintLine(line);
  }
  std::fflush(stdout);
  return kExitGood;
}

// One line per OnPoll: the item, and the words that changed as address=value.
void PrintPoll(portwright::IModbusAtl& control, const std::vector<PollBlock>& blocks, bool hex,
               int16_t item, int16_t result, bool changed) {
  const PollBlock& block = blocks.at(item);
  std::string line = TimeStamp() + " item " + std::to_string(item) + " node " +
                     std::to_string(block.node) + " address " + std::to_string(block.address);
  if (result != 0) {
    line += ": result " + FailureText(control, result);
  } else if (!changed) {
    line += ": no change";
  } else {
    line += ":";
    for (int i = 0; i < block.count; ++i) {
      const int16_t index = static_cast<int16_t>(i);
      if (control.get_ChgdBits(item, index) == 0) continue;
      line += " " + std::to_string(block.address + i) + "=" +
              FormatWord(static_cast<uint16_t>(control.get_PollData(item, index)), hex);
    }
  }
  PrintLine(line);
  std::fflush(stdout);
}

int PollCommand(const CommandLine& cl) {
  PortBinding binding(cl.line.port);
  ControlSession session(CreateModbusControl());
  session.ConfigureLine(cl.line, binding.comIndex());
  for (const PollBlock& block : cl.poll.blocks) {
    session.control().AddPollItem(static_cast<int16_t>(block.node),
                                  static_cast<int16_t>(block.address),
                                  static_cast<int16_t>(block.count));
  }
  if (cl.line.trace) session.EnableTrace(cl.line.mode);
  session.OpenPort();
  auto& control = session.control();
  session.RunPolling(static_cast<int16_t>(cl.poll.intervalMs),
                     static_cast<int>(cl.poll.durationS * 1000),
                     [&](int16_t item, int16_t result, bool changed) {
                       PrintPoll(control, cl.poll.blocks, cl.line.hex, item, result, changed);
                     });
  return kExitGood;
}

int PortsCommand() {
  const auto map = portwright::ListPortMap();
  for (int n = 1; n <= kHighestComNumber; ++n) {
    const bool mapped = map.count(n) != 0;
    const std::string target = portwright::ResolveComPort(n);
    std::string note = mapped ? "" : "\t(default)";
    if (const auto endpoint = portwright::ParseEndpoint(target))
      note = std::string("\t(") + portwright::EndpointKindName(endpoint->kind) +
             "; line settings are not used)";
    PrintLine("COM" + std::to_string(n) + "\t" + target + note);
  }
  for (const auto& [n, device] : map) {
    if (n > kHighestComNumber) PrintLine("COM" + std::to_string(n) + "\t" + device + "\t(unused)");
  }
  return kExitGood;
}

int MapCommand(const CommandLine& cl) {
  if (cl.map.com > kHighestComNumber) {
    std::fprintf(stderr, "portwright-cli: the control opens COM1 to COM15 only\n");
    return kExitUsage;
  }
  if (cl.command == Command::Unmap) {
    portwright::UnmapComPort(cl.map.com);
    return kExitGood;
  }
  if (portwright::IsNetworkTarget(cl.map.device)) {
    if (!portwright::ParseEndpoint(cl.map.device)) {
      std::fprintf(stderr,
                   "portwright-cli: %s is not a network endpoint: write tcp://HOST:PORT or "
                   "mbtcp://HOST:PORT\n",
                   cl.map.device.c_str());
      return kExitUsage;
    }
  } else if (!QFileInfo::exists(QString::fromStdString(cl.map.device))) {
    std::fprintf(stderr, "portwright-cli: note: %s does not exist now\n", cl.map.device.c_str());
  }
  portwright::MapComPort(cl.map.com, cl.map.device);
  return kExitGood;
}

}  // namespace

int RunCommand(const CommandLine& cl) {
  try {
    switch (cl.command) {
      case Command::Transaction:
        return TransactionCommand(cl);
      case Command::Poll:
        return PollCommand(cl);
      case Command::Ports:
        return PortsCommand();
      case Command::Map:
      case Command::Unmap:
        return MapCommand(cl);
      case Command::Help:
        break;
    }
    return kExitGood;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "portwright-cli: %s\n(portwright-cli --help shows the usage)\n", e.what());
    return kExitUsage;
  } catch (const portwright::AutomationError& e) {
    const std::string why = e.reason().empty() ? "" : ": " + e.reason();
    std::fprintf(stderr, "portwright-cli: %s%s\n", e.description().c_str(), why.c_str());
    return kExitRefused;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "portwright-cli: %s\n", e.what());
    return kExitRefused;
  }
}

}  // namespace pwcli
