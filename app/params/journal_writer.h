// Writes journal entries from a thread of its own, so that a slow, locked or read-only journal
// file never holds up the program while it talks to a drive: submit() only queues. Entries
// that cannot be written stay queued and are tried again with the next entry and every few
// seconds (up to kMaxQueued; the oldest are dropped beyond that).
#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "params/journal_entry.h"

namespace journal {

class Store;

class Writer {
 public:
  static constexpr size_t kMaxQueued = 10000;
  static constexpr int kRetryMs = 5000;

  // Both are called on the writer's thread: `failed` when writing goes wrong after it went
  // right (or at the first attempt), `recovered` when it goes right again.
  struct Observer {
    std::function<void(const QString& problem)> failed;
    std::function<void()> recovered;
  };

  Writer(const QString& path, Observer observer);
  // Tries once more to write what is queued, then ends the thread.
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  QString path() const { return path_; }
  // Queues the entry and returns at once.
  void submit(Entry entry);
  // Waits until every entry queued so far has been written or has failed once more; true when
  // nothing is left queued.
  bool flush(int timeoutMs);

 private:
  void run();
  bool writeQueued(std::unique_ptr<Store>& store, std::unique_lock<std::mutex>& lock,
                   QString& problem);

  const QString path_;
  const Observer observer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable settled_;
  std::deque<Entry> queue_;
  unsigned long submitted_ = 0;  // entries queued so far
  unsigned long attempted_ = 0;  // entries up to which a write has been tried
  bool failing_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace journal
