// The control's apartment: the thread that created the control. The worker thread reaches
// the control only through Call, which runs a function on that thread inside its Qt event
// loop and waits until it has returned (a blocking queued invocation).
//
// The request travels through an eventfd watched by a QSocketNotifier and a mutex-guarded
// slot, rather than through Qt's queued connections, so that every hand-over between the two
// threads is a pthread synchronisation a race detector can see.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace portwright {

class Apartment {
 public:
  // Must be constructed on the control's thread, which must run a Qt event loop.
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  bool Valid() const { return fd_ >= 0; }

  // Worker side: runs call on the control's thread and waits for it to return.
  template <class F>
  void Call(F&& call) {
    CallRaw([](void* f) { (*static_cast<std::remove_reference_t<F>*>(f))(); }, &call);
  }
  // Worker side: wakes the control's thread without a call (e.g. "I have ended").
  void Wake();

  // Control side: how many worker calls are running on this thread right now.
  int CallDepth() const { return depth_; }
  // Control side: runs after every wake-up (for instance to reap an ended worker).
  void SetWakeHandler(std::function<void()> handler) { onWake_ = std::move(handler); }

 private:
  void CallRaw(void (*fn)(void*), void* arg);
  void Dispatch();

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> onWake_;
  int depth_ = 0;

  std::mutex callerMutex_;  // one worker call at a time
  std::mutex mutex_;
  std::condition_variable done_;
  void (*pendingFn_)(void*) = nullptr;
  void* pendingArg_ = nullptr;
  std::atomic<bool> pendingDone_{false};
};

}  // namespace portwright
