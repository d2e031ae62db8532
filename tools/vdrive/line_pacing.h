// Line pacing. A pseudo-terminal moves any number of bytes at once; a serial line carries one
// character after the other. The pacer holds each byte back until a real line would have
// carried its last bit: bytes queued at a start time follow each other one character time
// apart, and bytes queued while the line is still busy wait until it is free.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace vdrive {

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Bytes that go onto the line at `start`, or when the bytes before them are through.
  void Queue(const uint8_t* data, size_t length, Clock::time_point start,
             Clock::duration characterTime);
  // The bytes through the line by `now`, in order, lost ones left out; lastDone: when the
  // last of them (lost or not) was through; tookLost: whether lost ones were among them.
  std::vector<uint8_t> TakeDone(Clock::time_point now, Clock::time_point* lastDone = nullptr,
                                bool* tookLost = nullptr);
  bool Empty() const { return bytes_.empty(); }
  // When the next byte is through (only when not empty).
  Clock::time_point NextDone() const { return bytes_.front().done; }
  // When the last queued byte is through: the line is free from then on.
  Clock::time_point FreeAt() const { return freeAt_; }
  void Clear();

  // Two senders on a half-duplex line: each byte of this pacer that is on the line while a
  // byte of `other` is comes through spoilt, mixed with the first it met (XOR with it, its
  // lowest bit set, so that it never arrives as sent, even over a run of zero bytes). Returns
  // when the first byte of `other` that met one of ours started, if any did.
  std::optional<Clock::time_point> MixWith(const LinePacer& other);
  // The queued bytes that start at `from` or later are lost: they still take their time on
  // the line, but nobody receives them.
  void LoseFrom(Clock::time_point from);

 private:
  struct TimedByte {
    Clock::time_point start;
    Clock::time_point done;
    uint8_t byte;
    bool lost;
    bool mixed;  // spoilt once by a collision already
  };
  std::deque<TimedByte> bytes_;
  Clock::time_point freeAt_{};
};

}  // namespace vdrive
