#include "scope/sample_clock.h"

#include <algorithm>
#include <cmath>

namespace basScope {

namespace {
// Recent reads that show where the clock ticks: about two seconds, so that a drive's clock
// running a little fast or slow against the PC's never moves it by a sample.
constexpr size_t kPhaseReads = 64;
}  // namespace

void SampleClock::Reset() { *this = SampleClock(); }

void SampleClock::Take(int count, double readMs, bool maybeLost) {
  const Read read{std::max(0, count), readMs};
  if (!started_) {
    started_ = true;
    place(read, 0);
    return;
  }
  if (maybeLost && !std::isnan(readMs) && !distances_.empty()) {
    if (!open_.empty()) decideGap();
    open_.push_back(read);
    return;
  }
  if (open_.empty()) {
    place(read, 0);
    return;
  }
  open_.push_back(read);
  if (open_.size() > size_t(kConfirmingReads)) decideGap();
}

void SampleClock::Settle() {
  if (!open_.empty()) decideGap();
}

std::vector<SampleClock::Placed> SampleClock::TakePlaced() {
  std::vector<Placed> placed;
  placed.swap(placed_);
  return placed;
}

void SampleClock::place(const Read& read, int lostBefore) {
  newest_ += lostBefore + read.count;
  placed_.push_back({newest_, read.count, lostBefore});
  lost_ += lostBefore;
  if (lostBefore > 0) ++gaps_;
  if (std::isnan(read.readMs)) return;
  distances_.push_back(read.readMs - kPeriodMs * double(newest_));
  if (distances_.size() > kPhaseReads) distances_.pop_front();
}

double SampleClock::clockPhase() const {
  return *std::min_element(distances_.begin(), distances_.end());
}

// The reads after the gap, placed as if nothing were missing, sit as many periods too close
// to their newest samples as samples are missing. Their smallest distance, set against the
// smallest one before the gap, counts them; each smallest distance lies above the tick by
// about one period over (reads + 1), which the count allows for.
void SampleClock::decideGap() {
  double nearest = INFINITY;
  int timed = 0;
  int64_t newest = newest_;
  for (const Read& read : open_) {
    newest += read.count;
    if (std::isnan(read.readMs)) continue;
    nearest = std::min(nearest, read.readMs - kPeriodMs * double(newest));
    ++timed;
  }
  int lost = 0;
  if (timed > 0 && !distances_.empty()) {
    const double bias = kPeriodMs / (timed + 1) - kPeriodMs / double(distances_.size() + 1);
    lost = std::max(0, int(std::lround((nearest - clockPhase() - bias) / kPeriodMs)));
  }
  const std::vector<Read> reads = std::move(open_);
  open_.clear();
  place(reads.front(), lost);
  for (size_t i = 1; i < reads.size(); ++i) place(reads[i], 0);
}

}  // namespace basScope
