#include "comm_thread.h"

#include <system_error>

namespace portwright {

CommThread::CommThread(ThreadShared& shared, Apartment& apartment, WorkerClient& client,
                       FrameObserver* observer)
    : shared_(shared), apartment_(apartment), client_(client), observer_(observer) {}

CommThread::~CommThread() {
  RequestStop();
  Join();
}

bool CommThread::Start(std::unique_ptr<Link> link) {
  link_ = std::move(link);
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    link_.reset();
    return false;
  }
  return true;
}

void CommThread::RequestStop() {
  stop_.store(true, std::memory_order_release);
  shared_.Notify();
}

void CommThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool CommThread::StopWanted() const {
  return stop_.load(std::memory_order_acquire) ||
         shared_.designMode.load(std::memory_order_acquire);
}

void CommThread::Run() {
  auto pollReference = SteadyClock::now();
  for (;;) {
    if (shared_.busy.load(std::memory_order_acquire) == -1) ServeUserTransaction();
    if (StopWanted()) break;
    const int16_t interval = shared_.pollInterval.load(std::memory_order_acquire);
    const auto now = SteadyClock::now();
    if (interval <= 0) {
      pollReference = now;
    } else if (now - pollReference >= std::chrono::milliseconds(interval)) {
      pollReference = now;
      ServePoll();
    }
    WaitForWork(pollReference, interval);
  }
  // A transaction flagged after the look above (from a Done handler that then closed the
  // port, say: a host's last stop before it lets a lost drive go) still goes out.
  if (shared_.busy.load(std::memory_order_acquire) == -1) ServeUserTransaction();
  link_->Close();
  finished_.store(true, std::memory_order_release);
  apartment_.Wake();
}

void CommThread::ServeUserTransaction() {
  work_ = client_.UserRecord();
  const auto mode = static_cast<enumPLCMode>(shared_.mode.load(std::memory_order_relaxed));
  const int16_t timeout = shared_.msgTimeOut.load(std::memory_order_relaxed);
  const int16_t result = link_->Transact(work_, mode, timeout, shared_.resultCode, observer_);
  apartment_.Call([&] {
    client_.NoteLinkProblem(link_->Problem());
    client_.UserTransactionDone(work_, result);
  });
  servedSinceWait_ = true;
}

void CommThread::ServePoll() {
  PollTicket ticket = 0;
  bool wanted = false;
  apartment_.Call([&] { wanted = client_.PollStarting(work_, ticket); });
  if (!wanted) return;
  const auto mode = static_cast<enumPLCMode>(shared_.mode.load(std::memory_order_relaxed));
  const int16_t timeout = shared_.msgTimeOut.load(std::memory_order_relaxed);
  const int16_t result = link_->Transact(work_, mode, timeout, shared_.resultCode, observer_);
  apartment_.Call([&] {
    client_.NoteLinkProblem(link_->Problem());
    client_.PollTransactionDone(work_, result, ticket);
  });
}

// A host that reads block after block issues its next Action moments after Done. Waking a
// sleeping thread costs tens of microseconds, as much as the whole exchange with the drive,
// so after a transaction the worker keeps watching the flags for a short while first.
bool CommThread::SpinForNextAction(int16_t interval) {
  constexpr auto kSpin = std::chrono::microseconds(200);
  const auto until = SteadyClock::now() + kSpin;
  do {
    if (shared_.busy.load(std::memory_order_acquire) == -1 || StopWanted() ||
        shared_.pollInterval.load(std::memory_order_acquire) != interval)
      return true;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  } while (SteadyClock::now() < until);
  return false;
}

void CommThread::WaitForWork(SteadyClock::time_point& pollReference, int16_t interval) {
  if (servedSinceWait_) {
    servedSinceWait_ = false;
    if (SpinForNextAction(interval)) return;
  }
  std::unique_lock lock(shared_.mutex);
  auto workWaiting = [&] {
    return shared_.busy.load(std::memory_order_relaxed) == -1 || StopWanted() ||
           shared_.pollInterval.load(std::memory_order_relaxed) != interval;
  };
  if (interval > 0) {
    shared_.wake.wait_until(lock, pollReference + std::chrono::milliseconds(interval), workWaiting);
  } else {
    shared_.wake.wait(lock, workWaiting);
    // While polling was off the reference followed the clock, so a newly set interval
    // counts from now, not from the last pass.
    pollReference = SteadyClock::now();
  }
}

}  // namespace portwright
