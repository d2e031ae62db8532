// An in-memory BytePort with a simulated clock, for transaction tests and fuzzing.
//
// Reply bytes are scheduled at times after the request was written; the clock only moves when
// the code under test waits (WaitReadable), so a time-out costs no real time.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "transaction.h"

namespace pwtest {

class ScriptedPort : public portwright::BytePort {
 public:
  struct Arrival {
    uint32_t atMs;  // after the write
    std::vector<uint8_t> bytes;
  };

  // Bytes that arrive atMs milliseconds after the request was written.
  void ArriveAt(uint32_t atMs, std::vector<uint8_t> bytes) {
    arrivals_.push_back({atMs, std::move(bytes)});
  }
  // Input already waiting before the transaction (a purge must drop it).
  void Stale(std::vector<uint8_t> bytes) {
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  }

  bool failWrite = false;
  bool failRead = false;
  bool emptyRead = false;  // reports bytes waiting but the read returns none
  std::vector<uint8_t> written;
  int purges = 0;
  int waits = 0;

  void Purge() override {
    ++purges;
    queue_.clear();
  }
  bool BytesWaiting(size_t& count) override {
    Deliver();
    count = emptyRead && written.size() ? 1 : queue_.size();
    return true;
  }
  bool Write(const uint8_t* data, size_t length) override {
    if (failWrite) return false;
    written.assign(data, data + length);
    writtenAt_ = now_;
    return true;
  }
  bool Read(uint8_t* data, size_t wanted, size_t& got) override {
    got = 0;
    if (failRead) return false;
    if (emptyRead) return true;
    while (got < wanted && !queue_.empty()) {
      data[got++] = queue_.front();
      queue_.pop_front();
    }
    return true;
  }
  // Jumps to the next arrival or to the end of the wait, whichever comes first.
  void WaitReadable(int timeoutMs) override {
    ++waits;
    uint32_t until = now_ + static_cast<uint32_t>(timeoutMs > 0 ? timeoutMs : 1);
    for (const Arrival& a : arrivals_)
      if (!written.empty() && writtenAt_ + a.atMs < until) until = writtenAt_ + a.atMs;
    now_ = until > now_ ? until : now_ + 1;
  }
  uint32_t TickMs() override { return now_; }
  uint32_t Now() const { return now_; }

 private:
  void Deliver() {
    if (written.empty()) return;
    while (!arrivals_.empty() && writtenAt_ + arrivals_.front().atMs <= now_) {
      const auto& bytes = arrivals_.front().bytes;
      queue_.insert(queue_.end(), bytes.begin(), bytes.end());
      arrivals_.pop_front();
    }
  }

  std::deque<Arrival> arrivals_;
  std::deque<uint8_t> queue_;
  uint32_t now_ = 1000;
  uint32_t writtenAt_ = 0;
};

}  // namespace pwtest
