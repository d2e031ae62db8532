// The poll list without a port: item checks, addressing and the error texts.
#include <gtest/gtest.h>

#include <memory>

#include "control_test_support.h"

using namespace portwright;
using pwtest::ErrorText;

namespace {

using Control = std::unique_ptr<IModbusAtl, pwtest::ControlDeleter>;

TEST(ControlPollList, AddPollItemChecksAddressCountAndNode) {
  struct Row {
    int16_t plc, addr, count;
    const char* error;
  };
  const Row rows[] = {
      {1, 4031, 64, "(no error)"},
      {1, 4032, 64, "Illegal Memory Address"},
      {1, 10, 65, "Illegal Memory Count"},
      {1, 10, 0, "Illegal Memory Count"},
      {0, 10, 1, "Illegal PLC Address"},
      {248, 10, 1, "Illegal PLC Address"},
      {1, -1, 1, "Illegal Memory Address"},
      {247, 0, 1, "(no error)"},
      // The address is checked before the count.
      {1, 4095, 65, "Illegal Memory Address"},
  };
  for (const Row& row : rows) {
    Control control(pwtest::NewControl());
    EXPECT_EQ(ErrorText([&] { control->AddPollItem(row.plc, row.addr, row.count); }), row.error)
        << row.plc << " " << row.addr << " " << row.count;
  }
}

TEST(ControlPollList, ItemsAreNumberedByPositionAndMoveDownOnDelete) {
  Control control(pwtest::NewControl());
  EXPECT_EQ(control->AddPollItem(1, 100, 1), 0);
  EXPECT_EQ(control->AddPollItem(2, 200, 2), 1);
  EXPECT_EQ(control->AddPollItem(3, 300, 3), 2);
  EXPECT_EQ(control->get_PollItemCount(), 3);

  control->DeletePollItem(0);
  EXPECT_EQ(control->get_PollItemCount(), 2);
  EXPECT_EQ(control->get_PollLength(0), 2);  // the former item 1
  EXPECT_EQ(control->get_PollLength(1), 3);

  EXPECT_EQ(ErrorText([&] { control->DeletePollItem(2); }), "Unable to delete Poll object");
  control->DeletePollItem(-4);  // at or below 0: the first item
  EXPECT_EQ(control->get_PollLength(0), 3);
  control->DeletePollItem(0);
  EXPECT_EQ(ErrorText([&] { control->DeletePollItem(0); }), "Unable to delete Poll object");
}

TEST(ControlPollList, ReadingItemsChecksItemAndIndex) {
  Control control(pwtest::NewControl());
  EXPECT_EQ(ErrorText([&] { control->get_PollData(0, 0); }), "No poll items exist");
  EXPECT_EQ(ErrorText([&] { control->get_ChgdBits(0, 0); }), "No poll items exist");
  control->AddPollItem(1, 1, 4);
  control->AddPollItem(1, 5, 8);
  EXPECT_EQ(control->get_PollLength(5), 0);
  EXPECT_EQ(control->get_PollTransactionTime(5), 0);
  EXPECT_EQ(ErrorText([&] { control->get_PollData(5, 0); }), "Illegal Poll Item");
  EXPECT_EQ(ErrorText([&] { control->get_PollData(0, 64); }), "Illegal Data Index");
  EXPECT_EQ(ErrorText([&] { control->get_ChgdBits(1, -1); }), "Illegal Data Index");
  EXPECT_EQ(control->get_PollData(0, 63), 0);  // all zero when created
  EXPECT_EQ(control->get_ChgdBits(-3, 0), 0);  // below 0: the first item
  EXPECT_EQ(control->get_PollLength(-1), 4);
}

TEST(ControlPollList, IntervalSetWithThePortClosedIsKeptButDoesNotPoll) {
  Control control(pwtest::NewControl());
  control->put_PollInterval(250);
  EXPECT_EQ(control->get_PollInterval(), 250);
  EXPECT_EQ(control->get_IsPolling(), VARIANT_FALSE);
  // With the port closed the list may still change.
  EXPECT_EQ(control->AddPollItem(1, 1, 1), 0);
  control->put_PollInterval(0);
  EXPECT_EQ(control->get_PollInterval(), 0);
}

}  // namespace
