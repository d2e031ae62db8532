#include "line_pacing.h"

#include <algorithm>

namespace vdrive {

void LinePacer::Queue(const uint8_t* data, size_t length, Clock::time_point start,
                      Clock::duration characterTime) {
  Clock::time_point at = std::max(start, freeAt_);
  for (size_t i = 0; i < length; ++i) {
    bytes_.push_back({at, at + characterTime, data[i], false, false});
    at += characterTime;
  }
  freeAt_ = std::max(freeAt_, at);
}

std::vector<uint8_t> LinePacer::TakeDone(Clock::time_point now, Clock::time_point* lastDone,
                                         bool* tookLost) {
  std::vector<uint8_t> done;
  while (!bytes_.empty() && bytes_.front().done <= now) {
    const TimedByte& front = bytes_.front();
    if (lastDone) *lastDone = front.done;
    if (front.lost) {
      if (tookLost) *tookLost = true;
    } else {
      done.push_back(front.byte);
    }
    bytes_.pop_front();
  }
  return done;
}

void LinePacer::Clear() {
  bytes_.clear();
  freeAt_ = {};
}

std::optional<LinePacer::Clock::time_point> LinePacer::MixWith(const LinePacer& other) {
  std::optional<Clock::time_point> firstMet;
  for (TimedByte& ours : bytes_) {
    for (const TimedByte& theirs : other.bytes_) {
      if (theirs.start >= ours.done) break;
      if (theirs.done <= ours.start) continue;
      if (!ours.mixed) ours.byte ^= theirs.byte | 0x01;
      ours.mixed = true;
      if (!firstMet || theirs.start < *firstMet) firstMet = theirs.start;
    }
  }
  return firstMet;
}

void LinePacer::LoseFrom(Clock::time_point from) {
  for (TimedByte& b : bytes_)
    if (b.start >= from) b.lost = true;
}

}  // namespace vdrive
