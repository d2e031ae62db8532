// Where each block of scope samples belongs on the drive's 8 ms clock (no widgets, no Qt).
//
// The drive stamps nothing. Without losses a block simply continues where the previous one
// ended. After a failed read, or a block that arrived full (the drive keeps the newest ten and
// drops older ones), samples may be missing: the time each read was made, set against the
// drive's clock as the earlier reads showed it, tells how many, so that a gap stays a gap.
//
// Each read hands over every sample taken before it, so the newest sample of a block lies at
// most one period before the drive handed the block over; the block is seen a line time after
// that, later still on a busy machine, never earlier. Over many reads the smallest distance
// between seeing a block and its newest sample shows where the drive's clock ticks. A gap is
// decided only after some reads have followed it (their own distances confirm its size); until then
// its blocks are held, and the caller hands them on once they are placed.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

namespace basScope {

class SampleClock {
 public:
  static constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();
  static constexpr double kPeriodMs = 8;
  // Reads after a gap that decide its size.
  static constexpr int kConfirmingReads = 16;

  // A block placed for good: the tick of its newest sample (the first block's first sample is
  // tick 1), and the samples missing just before it.
  struct Placed {
    int64_t newestTick = 0;
    int count = 0;
    int lostBefore = 0;
  };

  void Reset();
  // A block of `count` new samples, seen at `readMs` (milliseconds of a monotonic clock, or
  // kNoTime). `maybeLost`: a read failed since the previous block, or this block is full.
  void Take(int count, double readMs, bool maybeLost);
  // Decides a gap still open with the reads there are (the capture has ended).
  void Settle();
  // The blocks placed since the last call, oldest first.
  std::vector<Placed> TakePlaced();

  int64_t lostSamples() const { return lost_; }
  int gaps() const { return gaps_; }

 private:
  struct Read {
    int count;
    double readMs;
  };
  void place(const Read& read, int lostBefore);
  void decideGap();
  double clockPhase() const;

  bool started_ = false;
  int64_t newest_ = 0;
  // Distance between each recent settled read and its newest sample (ms).
  std::deque<double> distances_;
  std::vector<Read> open_;  // a possible gap and the reads after it, not yet placed
  std::vector<Placed> placed_;
  int64_t lost_ = 0;
  int gaps_ = 0;
};

}  // namespace basScope
