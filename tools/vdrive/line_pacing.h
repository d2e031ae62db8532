// Line pacing. A pseudo-terminal moves any number of bytes at once; a serial line carries one
// character after the other. The pacer holds each byte back until a real line would have
// carried its last bit: bytes queued at a start time follow each other one character time
// apart, and bytes queued while the line is still busy wait until it is free.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vdrive {

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Bytes that go onto the line at `start`, or when the bytes before them are through.
  void Queue(const uint8_t* data, size_t length, Clock::time_point start,
             Clock::duration characterTime);
  // The bytes through the line by `now`, in order; lastDone: when the last of them was.
  std::vector<uint8_t> TakeDone(Clock::time_point now, Clock::time_point* lastDone = nullptr);
  bool Empty() const { return bytes_.empty(); }
  // When the next byte is through (only when not empty).
  Clock::time_point NextDone() const { return bytes_.front().done; }
  // When the last queued byte is through: the line is free from then on.
  Clock::time_point FreeAt() const { return freeAt_; }
  void Clear();

 private:
  struct TimedByte {
    Clock::time_point done;
    uint8_t byte;
  };
  std::deque<TimedByte> bytes_;
  Clock::time_point freeAt_{};
};

}  // namespace vdrive
