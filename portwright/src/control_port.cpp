// Opening and closing the port, and the life of the CommThread.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "control.h"
#include "portwright/port_map.h"

namespace portwright {

VARIANT_BOOL ModbusAtl::get_PortOpen() { return portOpen_; }

void ModbusAtl::put_PortOpen(VARIANT_BOOL value) {
  if (value == VARIANT_TRUE) {
    OpenPort();
  } else if (value == VARIANT_FALSE) {
    ClosePort();
  } else {
    throw AutomationError("Illegal port open value");
  }
}

bool ModbusAtl::ThreadRunning() const { return thread_ && !thread_->Finished() && !closing_; }

void ModbusAtl::OpenPort() {
  if (closing_) return;  // asked from an event while the port is being closed
  if (opening_)
    throw AutomationError("Failed to Open COM Port", "the port is being opened already");
  if (portOpen_ == VARIANT_TRUE && ThreadRunning()) return;
  // The thread ended by itself (the container went to design mode): start afresh.
  if (thread_) StopThread(std::move(thread_));
  if (retiring_) {
    // A thread stopped from inside one of its own calls may still hold the device.
    if (apartment_.CallDepth() > 0) throw AutomationError("Failed to Open COM Port");
    StopThread(std::move(retiring_));
  }
  RefreshUserMode();

  std::unique_ptr<Link> link = OpenLinkOfPort();
  if (released_) {  // the host let the control go while it connected
    QTimer::singleShot(0, [this] { delete this; });
    return;
  }
  if (!link) return;  // PortOpen = 0 while connecting: the attempt was given up
  if (!apartment_.Valid()) throw AutomationError("Failed to Start COM Thread");
  ResumePollingOnOpen();
  WorkerClient& client = *this;
  auto thread = std::make_unique<CommThread>(shared_, apartment_, client, &trace_);
  if (!thread->Start(std::move(link))) throw AutomationError("Failed to Start COM Thread");
  thread_ = std::move(thread);
  portOpen_ = VARIANT_TRUE;
  userModeTimer_->start();
}

// A serial device opens at once. A network endpoint may take up to the connect time-out: the
// host's events run meanwhile, so its windows stay live, and a PortOpen = 0 (or a Release)
// among them gives the attempt up. Null when it was given up.
std::unique_ptr<Link> ModbusAtl::OpenLinkOfPort() {
  opening_ = true;
  openCancelled_ = false;
  const auto keepWaiting = [this] {
    if (!openCancelled_) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return !openCancelled_;
  };
  std::string problem;
  std::unique_ptr<Link> link;
  try {
    link = OpenLink(ResolveComPort(comPort_ + 1), settings_, keepWaiting, problem);
  } catch (...) {
    opening_ = false;
    throw;
  }
  opening_ = false;
  if (openCancelled_) return nullptr;
  linkProblem_ = problem;
  if (!link) throw AutomationError("Failed to Open COM Port", problem);
  return link;
}

// Closing waits until the thread has ended. A transaction in progress runs to its end and its
// Done is delivered to the sinks before PortOpen = 0 returns. The only exception is a close
// asked from inside one of the thread's own calls (a Done or OnPoll handler): the thread
// cannot end before that call returns, so the port is reported closed at once and the thread
// is reaped when it has ended.
void ModbusAtl::ClosePort() {
  if (closing_) return;
  if (opening_) {
    openCancelled_ = true;
    return;
  }
  userModeTimer_->stop();
  if (thread_) {
    if (apartment_.CallDepth() > 0) {
      thread_->RequestStop();
      if (retiring_) StopThread(std::move(retiring_));
      retiring_ = std::move(thread_);
    } else {
      closing_ = true;
      StopThread(std::move(thread_));
      closing_ = false;
    }
  }
  portOpen_ = VARIANT_FALSE;
}

void ModbusAtl::StopThread(std::unique_ptr<CommThread> thread) {
  thread->RequestStop();
  stopping_ = thread.get();
  WaitForEnd(*thread);
  stopping_ = nullptr;
  thread.reset();
  ClearUnservedTransaction();
}

// The worker may be inside a call into this thread, or about to make one: keep running this
// thread's events until it has ended.
void ModbusAtl::WaitForEnd(CommThread& thread) {
  while (!thread.Finished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  thread.Join();
}

// Runs whenever the worker wakes this thread, in particular when it has ended.
void ModbusAtl::ReapEndedThreads() {
  if (retiring_ && retiring_->Finished()) {
    retiring_->Join();
    retiring_.reset();
  }
  ClearUnservedTransaction();
}

// A transaction flagged after the worker's last look at the busy flag (as it ended by itself)
// is never served: it ends as a request that could not be written, so its Done still comes.
void ModbusAtl::ClearUnservedTransaction() {
  const bool workerAlive = (thread_ && !thread_->Finished()) || retiring_ || stopping_;
  if (!workerAlive && Busy()) SignalDone(kResultWriteFailed);
}

}  // namespace portwright
