// Upload copy and download plan without a drive: what is copied, written and skipped, and why.
#include "params/transfer_plan.h"

#include <gtest/gtest.h>

#include "app_harness.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace {

using basFunctions::ParamCatalog;
using basFunctions::ValueTable;
using transfer_plan::Step;

constexpr std::array<int16_t, 5> kLimits200{8, 55, 63, 7, 23};

TEST(UploadCopy, TakesGroupsZeroToFourExceptTheDisplayAndMonitorSelections) {
  ValueTable drive, working;
  for (int group = 0; group <= 6; ++group)
    for (int number = 0; number < 100; ++number) {
      drive.P(group, number) = 1000 + group * 100 + number;
      working.P(group, number) = -1;
    }
  transfer_plan::UploadCopy(drive, working);
  for (int number : {2, 4, 5, 6, 7, 8}) EXPECT_EQ(working.P(0, number), -1) << number;
  for (int number : {0, 1, 3, 9, 99}) EXPECT_EQ(working.P(0, number), 1000 + number);
  EXPECT_EQ(working.P(1, 99), 1199) << "all 100 numbers, not only up to the group limit";
  EXPECT_EQ(working.P(4, 23), 1423);
  EXPECT_EQ(working.P(5, 0), -1);
  EXPECT_EQ(working.P(6, 37), -1);
}

TEST(DownloadPlan, WritesInOrderAndSkipsReadOnlyUnsetAndReserved) {
  ParamCatalog catalog;
  catalog[0].ReadOnly = true;
  catalog[103].ReadOnly = true;
  ValueTable config;
  for (int number : {2, 3, 5, 8}) config.P(0, number) = 99;
  config.P(1, 4) = 99;  // only P0.03-P0.08 can be "not set"
  config.P(1, 5) = 99;
  const QList<transfer_plan::Planned> plan = transfer_plan::DownloadPlan(
      catalog, kLimits200, transfer_plan::DisplayValues(config, catalog));
  ASSERT_EQ(plan.size(), 161);
  QList<int> order;
  for (const auto& step : plan) order << step.index;
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  EXPECT_EQ(plan.first().key, "000");
  EXPECT_EQ(plan.last().key, "423");
  auto stepOf = [&](int index) {
    for (const auto& step : plan)
      if (step.index == index) return step;
    ADD_FAILURE() << "no step for " << index;
    return transfer_plan::Planned{};
  };
  EXPECT_EQ(stepOf(0).step, Step::SkipReadOnly);
  EXPECT_FALSE(stepOf(0).pauses());
  EXPECT_EQ(stepOf(103).step, Step::SkipReadOnly);
  EXPECT_EQ(stepOf(2).step, Step::Write) << "P0.02 holding 99 is a setting like any other";
  EXPECT_EQ(stepOf(3).step, Step::SkipUnset) << "the first of the parameters that may be unset";
  EXPECT_EQ(stepOf(4).step, Step::Write) << "P0.04 does not read 99";
  EXPECT_EQ(stepOf(104).step, Step::Write);
  EXPECT_EQ(stepOf(5).step, Step::SkipUnset);
  EXPECT_TRUE(stepOf(5).pauses()) << "a value left at 99 still takes its pause";
  EXPECT_EQ(stepOf(5).key, "005");
  EXPECT_EQ(stepOf(8).step, Step::SkipUnset);
  EXPECT_EQ(stepOf(105).step, Step::Write);
  EXPECT_EQ(stepOf(405).step, Step::Write);
  for (int index = 410; index <= 421; ++index) EXPECT_EQ(stepOf(index).step, Step::SkipReserved);
  EXPECT_EQ(stepOf(422).step, Step::Write);
  EXPECT_EQ(stepOf(263).progress(), 526);
}

}  // namespace
