#include "hosted_control.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <stdexcept>

#include "portwright/activation.h"
#include "portwright/port_map.h"

namespace interop {

using portwright::VARIANT_FALSE;
using portwright::VARIANT_TRUE;

namespace {

constexpr int kTestComNumber = 15;

// Dispatches events (sleeping while there are none) until ready or the wait ends.
template <class Ready>
void RunEventsUntil(Ready ready) {
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.start(kEventWaitMs);
  while (!ready() && deadline.isActive()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

}  // namespace

void RegisterComponent() {
  std::string error;
  if (portwright::RegisterLibrary(PW_LIBRARY_PATH, &error) != portwright::S_OK) {
    throw std::runtime_error("cannot register the component: " + error);
  }
}

HostedControl::HostedControl() {
  RegisterComponent();
  std::string error;
  control_ = portwright::CreateControl(&error);
  if (!control_) throw std::runtime_error("cannot create the control: " + error);
  cookie_ = control_->Advise(this);
}

HostedControl::~HostedControl() {
  if (control_->get_PortOpen() != VARIANT_FALSE) {
    control_->put_PollInterval(0);
    control_->put_PortOpen(VARIANT_FALSE);
  }
  control_->Unadvise(cookie_);
  control_->Release();
}

void HostedControl::Open(const std::string& device, portwright::enumPLCMode mode,
                         const std::string& settings) {
  portwright::MapComPort(kTestComNumber, device);
  control_->put_ComPort(static_cast<portwright::enumComPort>(kTestComNumber - 1));
  control_->put_Settings(settings);
  control_->put_PLCMode(mode);
  control_->put_MsgTimeOut(5000);
  control_->put_PortOpen(VARIANT_TRUE);
}

void HostedControl::Load(int node, portwright::enumPLCFunction function,
                         portwright::enumDataType type, int address, int quantity,
                         const std::vector<uint16_t>& words) {
  control_->put_NodeAddr(static_cast<int16_t>(node));
  control_->put_Function(function);
  control_->put_DataType(type);
  control_->put_DataAddr(static_cast<int16_t>(address));
  control_->put_DataQty(static_cast<int16_t>(quantity));
  for (size_t i = 0; i < words.size(); ++i) {
    control_->put_Data(static_cast<int16_t>(i), static_cast<int16_t>(words[i]));
  }
}

int16_t HostedControl::Transact() {
  done_ = false;
  control_->put_Action(1);
  RunEventsUntil([this] { return done_; });
  return done_ ? result_ : INT16_MIN;
}

std::vector<uint16_t> HostedControl::Words(int count) {
  std::vector<uint16_t> words;
  for (int i = 0; i < count; ++i) {
    words.push_back(static_cast<uint16_t>(control_->get_Data(static_cast<int16_t>(i))));
  }
  return words;
}

const std::vector<PollEvent>& HostedControl::WaitForPolls(size_t count) {
  RunEventsUntil([&] { return polls_.size() >= count; });
  return polls_;
}

void HostedControl::Done(int16_t Result) {
  result_ = Result;
  done_ = true;
}

void HostedControl::OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) {
  PollEvent event{ItemNum, Result, ChgdFlag != VARIANT_FALSE, {}, {}};
  for (int16_t i = 0; i < control_->get_PollLength(ItemNum); ++i) {
    event.changedBits.push_back(static_cast<uint16_t>(control_->get_ChgdBits(ItemNum, i)));
    event.data.push_back(static_cast<uint16_t>(control_->get_PollData(ItemNum, i)));
  }
  polls_.push_back(std::move(event));
}

QStringList CliRun::outLines() const { return out.split('\n', Qt::SkipEmptyParts); }

CliRun RunCli(const QStringList& arguments, const QString& configHome) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (!configHome.isEmpty()) environment.insert("XDG_CONFIG_HOME", configHome);
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(PW_CLI_PATH), arguments);
  CliRun run;
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished(5000);
    run.err = "portwright-cli did not finish";
    return run;
  }
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  run.err = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

}  // namespace interop
