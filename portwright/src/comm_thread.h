// The CommThread: serves user transactions flagged by Action and, while polling runs, one
// poll per interval; reports every end to the control's thread through the apartment.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "apartment.h"
#include "link.h"
#include "transaction.h"

namespace portwright {

using SteadyClock = std::chrono::steady_clock;

// Millisecond tick of the monotonic clock.
inline uint32_t MonotonicMs() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch())
          .count());
}

// State the control's thread writes and the worker reads. The busy flag hands the user
// record over: the control stores -1 with release after filling the record, the worker loads
// it with acquire before reading the record.
struct ThreadShared {
  std::atomic<int16_t> busy{0};
  std::atomic<int16_t> pollInterval{0};  // 0 while polling is not running
  std::atomic<int32_t> mode{RTU};
  std::atomic<int16_t> msgTimeOut{3000};
  std::atomic<bool> designMode{false};  // the container answered "not in user mode"
  int16_t resultCode = 0;               // worker only; kept from one transaction to the next

  std::mutex mutex;
  std::condition_variable wake;
  // Wakes a waiting worker after one of the fields above changed.
  void Notify() {
    { std::lock_guard lock(mutex); }
    wake.notify_all();
  }
};

// Names the poll cycle's position a poll was started for; the control credits a completion
// only while its cycle still stands there.
using PollTicket = uint32_t;

// What the worker asks of the control. Every call runs on the control's thread while the
// worker waits, so the records may be exchanged freely inside them.
class WorkerClient {
 public:
  virtual ~WorkerClient() = default;
  // Read by the worker only while the busy flag is set (the control does not write it then).
  virtual const TransactionRecord& UserRecord() const = 0;
  virtual void UserTransactionDone(const TransactionRecord& work, int16_t result) = 0;
  // Notes the poll start and copies the poll record into work; false when the cycle stopped
  // meanwhile and there is nothing to poll. The ticket goes back with the completion.
  virtual bool PollStarting(TransactionRecord& work, PollTicket& ticket) = 0;
  virtual void PollTransactionDone(const TransactionRecord& work, int16_t result,
                                   PollTicket ticket) = 0;
  // Why the network failed in the transaction that just ended (empty when it did not);
  // called before the transaction's Done or OnPoll.
  virtual void NoteLinkProblem(const std::string& problem) = 0;
};

class CommThread {
 public:
  CommThread(ThreadShared& shared, Apartment& apartment, WorkerClient& client,
             FrameObserver* observer);
  ~CommThread();  // stops and joins; callers wait for Finished() first when events matter
  CommThread(const CommThread&) = delete;
  CommThread& operator=(const CommThread&) = delete;

  // Takes the open link and starts the thread; false when the thread cannot start.
  bool Start(std::unique_ptr<Link> link);
  void RequestStop();
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  void Join();

 private:
  void Run();
  void ServeUserTransaction();
  void ServePoll();
  // Waits for a user transaction, the next poll, a change of interval, or the stop request.
  void WaitForWork(SteadyClock::time_point& pollReference, int16_t interval);
  // Briefly watches for the host's next Action before going to sleep; true when work came.
  bool SpinForNextAction(int16_t interval);
  bool StopWanted() const;

  ThreadShared& shared_;
  Apartment& apartment_;
  WorkerClient& client_;
  FrameObserver* observer_;
  std::unique_ptr<Link> link_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
  TransactionRecord work_;
  bool servedSinceWait_ = false;  // a user transaction ended since the last wait
};

}  // namespace portwright
