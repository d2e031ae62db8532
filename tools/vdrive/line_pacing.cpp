#include "line_pacing.h"

#include <algorithm>

namespace vdrive {

void LinePacer::Queue(const uint8_t* data, size_t length, Clock::time_point start,
                      Clock::duration characterTime) {
  Clock::time_point at = std::max(start, freeAt_);
  for (size_t i = 0; i < length; ++i) {
    at += characterTime;
    bytes_.push_back({at, data[i]});
  }
  freeAt_ = std::max(freeAt_, at);
}

std::vector<uint8_t> LinePacer::TakeDone(Clock::time_point now, Clock::time_point* lastDone) {
  std::vector<uint8_t> done;
  while (!bytes_.empty() && bytes_.front().done <= now) {
    if (lastDone) *lastDone = bytes_.front().done;
    done.push_back(bytes_.front().byte);
    bytes_.pop_front();
  }
  return done;
}

void LinePacer::Clear() {
  bytes_.clear();
  freeAt_ = {};
}

}  // namespace vdrive
