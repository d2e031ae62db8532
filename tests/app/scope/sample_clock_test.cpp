// The sample clock against a simulated drive: a sample every 8 ms at an unknown phase, reads
// about every 30 ms, at most ten samples waiting, failed reads whose samples never arrive. Each
// block is seen a reply's line time after the drive handed it over, and later still when the
// machine is busy: by up to a millisecond mostly, by up to 25 ms for one read in five.
#include "scope/sample_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using basScope::SampleClock;

struct Line {
  double stallAtMs = -1;  // one read this much late, at this time
  double stallMs = 0;
  double failAtMs = -1;  // reads failing from this time on
  int failures = 0;
};

struct Outcome {
  int64_t trueLost = 0;
  int64_t misplaced = 0;  // blocks whose newest tick is not where the drive took it
  int64_t lost = 0;
  int gaps = 0;
};

Outcome Capture(const Line& line, unsigned seed, bool timed = true) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  const double phase = 8 * unit(rng);  // the drive's first tick after the first read
  auto tickAt = [&](double ms) { return int64_t(std::floor((ms - phase) / 8)); };
  SampleClock clock;
  Outcome out;
  std::vector<int64_t> trueNewest;
  double now = 0;
  int64_t handed = tickAt(now);  // newest tick handed over or dropped
  int failures = 0;
  bool failedSince = false;
  while (now < 10000) {
    now += 30 + 6 * unit(rng) - 3;
    if (line.stallAtMs >= 0 && now >= line.stallAtMs && now < line.stallAtMs + 40)
      now += line.stallMs;
    const int64_t newest = tickAt(now);
    const int waiting = int(newest - handed);
    const int count = std::min(waiting, 10);
    handed = newest;
    if (line.failAtMs >= 0 && now >= line.failAtMs && failures < line.failures) {
      ++failures;
      out.trueLost += count + (waiting - count);
      failedSince = true;
      continue;
    }
    if (!trueNewest.empty()) out.trueLost += waiting - count;
    trueNewest.push_back(newest);
    const double late = unit(rng) < 0.2 ? 25 * unit(rng) : unit(rng);
    const double readMs = timed ? now + 12 + late : SampleClock::kNoTime;
    clock.Take(count, readMs, failedSince || count == 10);
    failedSince = false;
  }
  clock.Settle();
  const std::vector<SampleClock::Placed> placed = clock.TakePlaced();
  EXPECT_EQ(placed.size(), trueNewest.size());
  const int64_t origin = trueNewest.front() - placed.front().newestTick;
  for (size_t i = 0; i < placed.size() && i < trueNewest.size(); ++i)
    out.misplaced += placed[i].newestTick + origin != trueNewest[i];
  out.lost = clock.lostSamples();
  out.gaps = clock.gaps();
  return out;
}

TEST(SampleClockTest, CountsWhatFailedReadsAndFullBlocksLostAndKeepsTheTimeTrue) {
  struct Row {
    const char* what;
    Line line;
    int gaps;
  };
  const Row rows[] = {
      {"regular reads", {}, 0},
      {"six failed reads at 4 s", {-1, 0, 4000, 6}, 1},
      {"a read 200 ms late", {5000, 200, -1, 0}, 1},
      {"both", {2000, 130, 7000, 3}, 2},
  };
  for (const Row& row : rows) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
      const Outcome out = Capture(row.line, seed);
      EXPECT_EQ(out.lost, out.trueLost) << row.what << ", seed " << seed;
      EXPECT_EQ(out.misplaced, 0) << row.what << ", seed " << seed;
      EXPECT_EQ(out.gaps, row.gaps) << row.what << ", seed " << seed;
    }
  }
  // Six failed reads of about 30 ms: 21 to 24 samples.
  EXPECT_NEAR(double(Capture(rows[1].line, 7).trueLost), 22.5, 2);
}

TEST(SampleClockTest, WithoutReadTimesBlocksOnlyFollowOneAnother) {
  const Outcome out = Capture({-1, 0, 4000, 6}, 3, false);
  EXPECT_EQ(out.lost, 0);
  EXPECT_EQ(out.gaps, 0);
  EXPECT_GT(out.trueLost, 0);
}

TEST(SampleClockTest, HoldsAGapUntilReadsHaveConfirmedIt) {
  SampleClock clock;
  clock.Take(4, 30, false);  // newest sample at 8 x 4 = 32 ms, read 2 ms before the next tick
  for (int i = 1; i <= 20; ++i) clock.Take(i % 4 == 0 ? 3 : 4, 30 + 30 * i, false);
  EXPECT_EQ(clock.TakePlaced().size(), 21u);
  clock.Take(4, 30 + 30 * 21 + 160, true);  // 160 ms late: 20 samples missing
  EXPECT_TRUE(clock.TakePlaced().empty());
  clock.Take(4, 30 + 30 * 22 + 160, false);
  clock.Settle();
  const std::vector<SampleClock::Placed> placed = clock.TakePlaced();
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].lostBefore, 20);
  EXPECT_EQ(clock.lostSamples(), 20);
}

}  // namespace
