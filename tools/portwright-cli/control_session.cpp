#include "control_session.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "result_text.h"

namespace pwcli {

using portwright::VARIANT_FALSE;
using portwright::VARIANT_TRUE;

void StderrTrace::Request(const uint8_t* bytes, size_t length) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "%s TX %s\n", TimeStamp().c_str(),
               FormatFrame(bytes, length, mode_).c_str());
}

void StderrTrace::Reply(const uint8_t* bytes, size_t length, int16_t result) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "%s RX %s  result %s\n", TimeStamp().c_str(),
               FormatFrame(bytes, length, mode_).c_str(), DescribeResult(result).c_str());
}

ControlSession::ControlSession(portwright::IModbusAtl* control) : control_(control) {
  cookie_ = control_->Advise(this);
}

ControlSession::~ControlSession() {
  try {
    if (control_->get_PortOpen() != VARIANT_FALSE) control_->put_PortOpen(VARIANT_FALSE);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "portwright-cli: closing the port: %s\n", e.what());
  }
  control_->SetTrace(nullptr);
  control_->Unadvise(cookie_);
  control_->Release();
}

void ControlSession::ConfigureLine(const LineOptions& line, int comIndex) {
  control_->put_ComPort(static_cast<portwright::enumComPort>(comIndex));
  if (line.settings) control_->put_Settings(*line.settings);
  if (line.timeoutMs) control_->put_MsgTimeOut(static_cast<int16_t>(*line.timeoutMs));
  control_->put_PLCMode(line.mode);
  control_->put_NodeAddr(static_cast<int16_t>(line.node));
}

void ControlSession::EnableTrace(portwright::enumPLCMode mode) {
  trace_ = std::make_unique<StderrTrace>(mode);
  control_->SetTrace(trace_.get());
}

void ControlSession::LoadRequest(const ControlRequest& request) {
  control_->put_DataType(request.type);
  control_->put_DataAddr(request.address);
  control_->put_DataQty(request.quantity);
  control_->put_Function(request.function);
  for (size_t i = 0; i < request.words.size(); ++i) {
    control_->put_Data(static_cast<int16_t>(i), static_cast<int16_t>(request.words[i]));
  }
}

void ControlSession::OpenPort() { control_->put_PortOpen(VARIANT_TRUE); }

int16_t ControlSession::RunTransaction() {
  done_ = false;
  control_->put_Action(1);
  // Done arrives through this thread's event loop. The guard only catches a control that
  // never answers; the control's own time-out ends a silent line long before.
  QEventLoop loop;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
  guard.start(control_->get_MsgTimeOut() + 10000);
  while (!done_ && guard.isActive()) loop.processEvents(QEventLoop::WaitForMoreEvents);
  if (!done_) throw std::runtime_error("the control never reported the end of the transaction");
  return result_;
}

std::vector<uint16_t> ControlSession::FetchWords(int count) {
  std::vector<uint16_t> words;
  for (int i = 0; i < count; ++i) {
    words.push_back(static_cast<uint16_t>(control_->get_Data(static_cast<int16_t>(i))));
  }
  return words;
}

void ControlSession::RunPolling(int16_t intervalMs, int durationMs, PollHandler handler) {
  pollHandler_ = std::move(handler);
  control_->put_PollInterval(intervalMs);
  QEventLoop loop;
  QTimer::singleShot(durationMs, &loop, &QEventLoop::quit);
  loop.exec();
  control_->put_PollInterval(0);
  pollHandler_ = nullptr;
}

void ControlSession::Done(int16_t Result) {
  result_ = Result;
  done_ = true;
}

void ControlSession::OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) {
  if (pollHandler_) pollHandler_(ItemNum, Result, ChgdFlag != VARIANT_FALSE);
}

}  // namespace pwcli
