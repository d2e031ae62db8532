#include "apartment.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <chrono>
#include <cstdint>

namespace portwright {

Apartment::Apartment() {
  fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { Dispatch(); });
}

Apartment::~Apartment() {
  notifier_.reset();
  if (fd_ >= 0) close(fd_);
}

void Apartment::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(fd_, &one, sizeof one);
}

void Apartment::CallRaw(void (*fn)(void*), void* arg) {
  std::lock_guard caller(callerMutex_);
  std::unique_lock lock(mutex_);
  pendingFn_ = fn;
  pendingArg_ = arg;
  pendingDone_.store(false, std::memory_order_relaxed);
  lock.unlock();
  Wake();
  // The host's handler is usually over within microseconds; watching for that briefly saves
  // the worker a wake-up before its next transaction.
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
  while (!pendingDone_.load(std::memory_order_acquire) &&
         std::chrono::steady_clock::now() < until) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
  lock.lock();
  done_.wait(lock, [this] { return pendingDone_.load(std::memory_order_acquire); });
}

void Apartment::Dispatch() {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t got = read(fd_, &count, sizeof count);
  void (*fn)(void*) = nullptr;
  void* arg = nullptr;
  {
    std::lock_guard lock(mutex_);
    std::swap(fn, pendingFn_);
    std::swap(arg, pendingArg_);
  }
  if (fn) {
    ++depth_;
    try {
      fn(arg);
    } catch (...) {
      // An event handler's exception must not leave the worker waiting for ever.
    }
    --depth_;
    {
      std::lock_guard lock(mutex_);
      pendingDone_.store(true, std::memory_order_release);
    }
    done_.notify_all();
  }
  if (onWake_) onWake_();
}

}  // namespace portwright
