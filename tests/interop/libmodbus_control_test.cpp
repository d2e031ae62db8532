// The control against an independent slave (libmodbus), in RTU on a pseudo-terminal and in
// Modbus TCP on a loopback port: every function code, the register layouts of the encoded data
// types, exceptions, silence and polling.
#include <gtest/gtest.h>

#include "hosted_control.h"
#include "libmodbus_slave.h"

namespace interop {

// ctest names the cases by this.
void PrintTo(LibmodbusSlave::Transport transport, std::ostream* out) {
  *out << (transport == LibmodbusSlave::Transport::Rtu ? "RTU" : "Modbus TCP");
}

namespace {

using namespace portwright;
using Words = std::vector<uint16_t>;

constexpr int kNode = 17;

class ControlAgainstLibmodbus : public ::testing::TestWithParam<LibmodbusSlave::Transport> {
 protected:
  void SetUp() override { control.Open(slave.devicePath(), RTU); }

  LibmodbusSlave slave{kNode, GetParam()};
  HostedControl control;
};

INSTANTIATE_TEST_SUITE_P(Transports, ControlAgainstLibmodbus,
                         ::testing::Values(LibmodbusSlave::Transport::Rtu,
                                           LibmodbusSlave::Transport::ModbusTcp),
                         [](const auto& info) {
                           return info.param == LibmodbusSlave::Transport::Rtu ? "Rtu"
                                                                               : "ModbusTcp";
                         });

TEST_P(ControlAgainstLibmodbus, ReadsEveryTableOfTheSlave) {
  slave.SetHolding(0, {100, 0xFFFF, 0x1234});
  control.Load(kNode, ReadHoldingReg, Integer, 1, 3);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(3), (Words{100, 0xFFFF, 0x1234}));

  slave.SetInputRegisters(99, {7, 8});
  control.Load(kNode, ReadInputReg, Integer, 100, 2);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(2), (Words{7, 8}));

  // Ten coils 1,0,1,1,0,0,0,1 | 1,1: status bytes 0x8D then 0x03, both in word 0.
  slave.SetCoils(10, {1, 0, 1, 1, 0, 0, 0, 1, 1, 1});
  control.Load(kNode, ReadCoil, Integer, 11, 10);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(1), (Words{0x038D}));

  slave.SetDiscreteInputs(0, {0, 1, 1});
  control.Load(kNode, ReadInput, Integer, 1, 3);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(1)[0] & 0xFF, 0x06);

  // The largest block a poll item reads: 64 registers at the top of the slave's map.
  Words block(64);
  for (int i = 0; i < 64; ++i) block[i] = static_cast<uint16_t>(0x0100 + i);
  slave.SetHolding(LibmodbusSlave::kMapSize - 64, block);
  control.Load(kNode, ReadHoldingReg, Integer, LibmodbusSlave::kMapSize - 63, 64);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(64), block);
}

TEST_P(ControlAgainstLibmodbus, WritesReachTheSlave) {
  control.Load(kNode, SetSingleReg, Integer, 5, 1, {0xBEEF});
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(slave.Holding(4, 1), (Words{0xBEEF}));

  control.Load(kNode, SetMultipleReg, Integer, 200, 3, {1, 0x8000, 0xFFFF});
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(slave.Holding(199, 3), (Words{1, 0x8000, 0xFFFF}));

  control.Load(kNode, ForceSingleCoil, Integer, 3, 1, {1});
  ASSERT_EQ(control.Transact(), 0);
  control.Load(kNode, ForceSingleCoil, Integer, 4, 1, {0});
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(slave.Coils(2, 2), (std::vector<uint8_t>{1, 0}));

  control.Load(kNode, SetMultipleCoils, Integer, 21, 10, {0x038D});
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(slave.Coils(20, 10), (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 0, 1, 1, 1}));
}

// The interface reaches only the word array, so Long, Float and String values are brought
// into the control by reading them (the control decodes into its own arrays) and written
// back elsewhere (it encodes from them): the register dump must match the source registers.
TEST_P(ControlAgainstLibmodbus, EncodedTypesKeepTheirRegisterLayouts) {
  struct Row {
    const char* name;
    enumDataType type;
    int quantity;
    Words registers;
  };
  const Row rows[] = {
      {"Long 12,345,678", Long, 1, {1234, 5678}},
      {"two Longs", Long, 2, {0, 1, 9999, 9999}},
      {"Float 1.5, low half first", Float, 1, {0x0000, 0x3FC0}},
      {"Float -2.75", Float, 1, {0x0000, 0xC030}},
      {"String Drive", String, 3, {0x7244, 0x7669, 0x0065}},
      {"String AB ends in a zero register", String, 2, {0x4241, 0x0000}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    slave.SetHolding(300, row.registers);
    slave.SetHolding(400, Words(row.registers.size(), 0x5555));
    control.Load(kNode, ReadHoldingReg, row.type, 301, row.quantity);
    ASSERT_EQ(control.Transact(), 0);
    control.Load(kNode, SetMultipleReg, row.type, 401, row.quantity);
    ASSERT_EQ(control.Transact(), 0);
    EXPECT_EQ(slave.Holding(400, static_cast<int>(row.registers.size())), row.registers);
  }

  // BCD: the control encodes plain values itself; reads deliver the registers unconverted.
  control.Load(kNode, SetMultipleReg, BCD, 501, 3, {1234, 9999, 7});
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(slave.Holding(500, 3), (Words{0x1234, 0x9999, 0x0007}));
  control.Load(kNode, ReadHoldingReg, BCD, 501, 3);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(3), (Words{0x1234, 0x9999, 0x0007}));
}

TEST_P(ControlAgainstLibmodbus, SlaveRefusalsAndSilenceBecomeResultCodes) {
  control.Load(kNode, ReadHoldingReg, Integer, 1, 1);
  ASSERT_EQ(control.Transact(), 0);
  const uint16_t before = control.Words(1)[0];

  // Beyond the slave's map: exception 2, data untouched.
  slave.SetHolding(0, {static_cast<uint16_t>(before + 1)});
  control.Load(kNode, ReadHoldingReg, Integer, LibmodbusSlave::kMapSize + 1, 1);
  EXPECT_EQ(control.Transact(), 2);
  EXPECT_EQ(control.Words(1)[0], before);

  // Another node stays silent: time-out. (A libmodbus TCP server answers every unit.)
  control->put_MsgTimeOut(300);
  control.Load(kNode + 1, ReadHoldingReg, Integer, 1, 1);
  EXPECT_EQ(control.Transact(), GetParam() == LibmodbusSlave::Transport::Rtu ? -1 : 0);

  // And the line still works afterwards.
  control.Load(kNode, ReadHoldingReg, Integer, 1, 1);
  EXPECT_EQ(control.Transact(), 0);
}

TEST_P(ControlAgainstLibmodbus, PollingReportsItemsInTurnAndTheirChanges) {
  slave.SetHolding(10, {1, 2});
  slave.SetHolding(20, {0});
  EXPECT_EQ(control->AddPollItem(kNode, 11, 2), 0);
  EXPECT_EQ(control->AddPollItem(kNode, 21, 1), 1);
  control->put_PollInterval(20);
  const auto& first = control.WaitForPolls(4);
  ASSERT_GE(first.size(), 4u);
  EXPECT_EQ(first[0].item, 0);
  EXPECT_EQ(first[1].item, 1);
  EXPECT_EQ(first[2].item, 0);
  EXPECT_TRUE(first[0].changed);   // non-zero registers on the first poll
  EXPECT_FALSE(first[1].changed);  // all zero, as the item started
  EXPECT_FALSE(first[2].changed);
  for (const PollEvent& event : first) EXPECT_EQ(event.result, 0);
  EXPECT_EQ(control->get_PollData(0, 1), 2);

  slave.SetHolding(11, {0x0F02});
  size_t seen = first.size();
  const PollEvent* report = nullptr;
  while (!report) {
    const auto& polls = control.WaitForPolls(seen + 1);
    ASSERT_GT(polls.size(), seen) << "no further OnPoll";
    for (; seen < polls.size() && !report; ++seen) {
      if (polls[seen].item == 0 && polls[seen].changed) report = &polls[seen];
    }
  }
  EXPECT_EQ(report->changedBits, (Words{0, 0x0F00}));
  EXPECT_EQ(report->data, (Words{1, 0x0F02}));
  control->put_PollInterval(0);
}

}  // namespace
}  // namespace interop
