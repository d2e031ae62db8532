#include "params/journal_writer.h"

#include <chrono>
#include <memory>

#include "params/journal_store.h"

namespace journal {

Writer::Writer(const QString& path, Observer observer)
    : path_(path), observer_(std::move(observer)), thread_([this] { run(); }) {}

Writer::~Writer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Writer::submit(Entry entry) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.size() >= kMaxQueued) queue_.pop_front();
    queue_.push_back(std::move(entry));
    ++submitted_;
  }
  wake_.notify_all();
}

bool Writer::flush(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const unsigned long target = submitted_;
  // An entry leaves the queue only once written, so an empty queue is settled even when the
  // writer took later entries in the same pass as earlier ones.
  settled_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [&] { return queue_.empty() || attempted_ >= target; });
  return queue_.empty();
}

// Writes the queue front to back with the lock released during each write; stops at the first
// entry that cannot be written, which stays queued.
bool Writer::writeQueued(std::unique_ptr<Store>& store, std::unique_lock<std::mutex>& lock,
                         QString& problem) {
  while (!queue_.empty()) {
    const Entry entry = queue_.front();
    lock.unlock();
    if (!store) store = std::make_unique<Store>(path_);
    const bool written = store->isOpen() && store->append(entry);
    if (!written) {
      problem = store->problem();
      store.reset();  // opened again for the next attempt, once the file may have been mended
    }
    lock.lock();
    if (!written) return false;
    queue_.pop_front();
  }
  return true;
}

void Writer::run() {
  // The file is opened in this thread, which alone uses the connection.
  std::unique_ptr<Store> store;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::milliseconds(failing_ ? kRetryMs : 60000), [&] {
      return stop_ || (!queue_.empty() && (!failing_ || attempted_ < submitted_));
    });
    const bool stopping = stop_;
    const unsigned long target = submitted_;
    QString problem;
    const bool written = queue_.empty() || writeQueued(store, lock, problem);
    const bool wasFailing = failing_;
    failing_ = !written;
    attempted_ = target;
    lock.unlock();
    settled_.notify_all();
    if (!written && !wasFailing && observer_.failed) observer_.failed(problem);
    if (written && wasFailing && observer_.recovered) observer_.recovered();
    lock.lock();
    if (stopping) return;
  }
}

}  // namespace journal
