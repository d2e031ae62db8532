// An in-memory BytePort with a simulated clock, for transaction tests and fuzzing.
//
// Reply bytes are scheduled at times after a request was written (the first one unless told
// otherwise); the clock only moves when the code under test waits (WaitForInput), so a
// time-out costs no real time.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "transaction.h"

namespace pwtest {

class ScriptedPort : public portwright::BytePort {
 public:
  struct Arrival {
    uint64_t atUs;  // after the write
    std::vector<uint8_t> bytes;
    size_t write;  // which write (0 = the first)
  };
  struct Written {
    uint64_t atUs;
    std::vector<uint8_t> bytes;
  };

  // Bytes that arrive atMs milliseconds after the given request was written.
  void ArriveAt(uint32_t atMs, std::vector<uint8_t> bytes, size_t write = 0) {
    ArriveAtUs(uint64_t{atMs} * 1000, std::move(bytes), write);
  }
  void ArriveAtUs(uint64_t atUs, std::vector<uint8_t> bytes, size_t write = 0) {
    arrivals_.push_back({atUs, std::move(bytes), write});
  }
  // Input already waiting before the transaction (it must never be taken for the reply).
  void Stale(std::vector<uint8_t> bytes) {
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  }

  bool failWrite = false;
  bool failRead = false;
  bool emptyRead = false;  // reports bytes waiting but the read returns none
  portwright::LineTiming timing{19200, 10};
  std::vector<uint8_t> written;  // the last request
  std::vector<Written> writes;   // every request, with its time
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
    writes.push_back({now_, written});
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
  void WaitForInput(uint32_t timeoutUs) override {
    ++waits;
    uint64_t until = now_ + (timeoutUs > 0 ? timeoutUs : 1);
    for (const Arrival& a : arrivals_)
      if (a.write < writes.size() && writes[a.write].atUs + a.atUs < until)
        until = writes[a.write].atUs + a.atUs;
    now_ = until > now_ ? until : now_ + 1;
  }
  uint64_t TickUs() override { return now_; }
  portwright::LineTiming Timing() const override { return timing; }
  uint64_t Now() const { return now_ / 1000; }  // milliseconds
  uint64_t NowUs() const { return now_; }

 private:
  void Deliver() {
    for (auto it = arrivals_.begin(); it != arrivals_.end();) {
      if (it->write < writes.size() && writes[it->write].atUs + it->atUs <= now_) {
        queue_.insert(queue_.end(), it->bytes.begin(), it->bytes.end());
        it = arrivals_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::deque<Arrival> arrivals_;
  std::deque<uint8_t> queue_;
  uint64_t now_ = 1'000'000;
};

}  // namespace pwtest
