#include "drive_link.h"

#include "control_access.h"
#include "control_session.h"
#include "drive_facts.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"
#include "port_binding.h"
#include "portwright/endpoint.h"
#include "portwright/modbus_atl.h"
#include "portwright/port_map.h"
#include "portwright/serial_devices.h"
#include "result_text.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

constexpr int16_t kNoAnswer = -1;

// Why a port did not open, in the words a technician acts on (the host library looks at the
// device: missing, no permission, in use).
std::string PortTrouble(int comIndex, const std::string& controlText, const std::string& reason) {
  const std::string device = portwright::ResolveComPort(comIndex + 1);
  // A network endpoint: the control says why the connection failed.
  if (portwright::IsNetworkTarget(device))
    return "COM" + std::to_string(comIndex + 1) + " (" + device +
           "): " + (reason.empty() ? controlText : reason);
  const portwright::OpenProblem problem = portwright::DiagnoseOpenFailure(device);
  const std::string text =
      "COM" + std::to_string(comIndex + 1) + " (" + device + "): " + problem.reason;
  return problem.fix.empty() ? text + " (" + controlText + ")" : text + ". " + problem.fix;
}

}  // namespace

int DriveId::ampCode() const { return drive_facts::AmpCodeOfMotor(motorCode); }

int DriveId::revision() const { return firmwareWord / 10; }

std::string FirmwareText(int firmwareWord) {
  const std::string digits = std::to_string(firmwareWord);
  if (digits.size() < 3) return digits;
  return digits.substr(0, 1) + "." + digits.substr(1, 2);
}

DriveLink::DriveLink(const pwcli::LineOptions& line, int timeoutMs) {
  try {
    binding_ = std::make_unique<pwcli::PortBinding>(line.port);
    session_ = std::make_unique<pwcli::ControlSession>(pwcli::CreateModbusControl());
    pwcli::LineOptions configured = line;
    configured.timeoutMs = timeoutMs;
    session_->ConfigureLine(configured, binding_->comIndex());
    if (line.trace) session_->EnableTrace(line.mode);
  } catch (const std::exception& e) {
    throw ToolError(kExitPort, std::string("cannot use port ") + line.port + ": " + e.what());
  }
  try {
    session_->OpenPort();
  } catch (const portwright::AutomationError& e) {
    throw ToolError(kExitPort,
                    "cannot open " + PortTrouble(binding_->comIndex(), e.what(), e.reason()));
  } catch (const std::exception& e) {
    throw ToolError(kExitPort, "cannot open " + PortTrouble(binding_->comIndex(), e.what(), {}));
  }
}

DriveLink::~DriveLink() = default;

std::string DriveLink::PortText() const {
  const int com = binding_->comIndex() + 1;
  return "COM" + std::to_string(com) + " (" + portwright::ResolveComPort(com) + ")";
}

bool DriveLink::OverNetwork(const pwcli::LineOptions& line) {
  const auto com = pwcli::ParseComName(line.port);
  return portwright::IsNetworkTarget(com ? portwright::ResolveComPort(*com) : line.port);
}

std::string DriveLink::FailureText(int16_t result) {
  const std::string problem = session_->control().LinkProblem();
  return pwcli::DescribeResult(result) + (problem.empty() ? "" : ": " + problem);
}

void DriveLink::SetTimeout(int timeoutMs) {
  session_->control().put_MsgTimeOut(static_cast<int16_t>(timeoutMs));
}

int16_t DriveLink::Read(int node, int address, int count, std::vector<int16_t>& words) {
  portwright::IModbusAtl& control = session_->control();
  control.put_NodeAddr(static_cast<int16_t>(node));
  pwcli::ControlRequest request;
  request.function = portwright::ReadHoldingReg;
  request.address = static_cast<int16_t>(address);
  request.quantity = static_cast<int16_t>(count);
  session_->LoadRequest(request);
  const int16_t result = session_->RunTransaction();
  words.clear();
  if (result == 0)
    for (int i = 0; i < count; ++i) words.push_back(control.get_Data(static_cast<int16_t>(i)));
  return result;
}

int16_t DriveLink::Write(int node, int address, int16_t word) {
  session_->control().put_NodeAddr(static_cast<int16_t>(node));
  pwcli::ControlRequest request;
  request.function = portwright::SetMultipleReg;
  request.address = static_cast<int16_t>(address);
  request.quantity = 1;
  request.words = {static_cast<uint16_t>(word)};
  session_->LoadRequest(request);
  return session_->RunTransaction();
}

std::optional<DriveId> DriveLink::Identify(int node) {
  std::vector<int16_t> words;
  const int16_t firmware = Read(node, drive_facts::ParameterAddress(0, 0), 1, words);
  if (firmware == kNoAnswer) return std::nullopt;
  if (firmware != 0)
    throw ToolError(kExitNoAnswer, "node " + std::to_string(node) +
                                       " does not answer as a drive: " + FailureText(firmware));
  DriveId id;
  id.node = node;
  id.firmwareWord = words[0];
  const int16_t motor = Read(node, drive_facts::ParameterAddress(1, 31), 1, words);
  if (motor != 0)
    throw ToolError(kExitNoAnswer,
                    "node " + std::to_string(node) + ", reading P1.31: " + FailureText(motor));
  id.motorCode = words[0];
  return id;
}

void DriveLink::ReadConfiguration(int node, const std::array<int16_t, 5>& limits,
                                  basFunctions::ValueTable& into) {
  std::vector<int16_t> words;
  for (const transfer_plan::Block& block : transfer_plan::BackupBlocks(limits)) {
    const int16_t result = Read(node, block.address, block.words, words);
    if (result != 0)
      throw ToolError(kExitNoAnswer, "node " + std::to_string(node) + ", reading group " +
                                         std::to_string(block.group) + ": " + FailureText(result));
    for (int i = 0; i < block.words; ++i) into.P(block.group, i) = words[static_cast<size_t>(i)];
  }
}

}  // namespace vmconfig
