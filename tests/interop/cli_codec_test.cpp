// portwright-cli's own pieces: the register layouts it packs and unpacks, and how command
// lines become control requests.
#include <gtest/gtest.h>

#include "cli_options.h"
#include "request_plan.h"
#include "result_text.h"
#include "value_codec.h"

namespace pwcli {
namespace {

using Words = std::vector<uint16_t>;

TEST(CliCodec, RegisterLayoutsMatchTheWire) {
  struct Row {
    int value;
    std::optional<uint16_t> bcd;
  };
  for (const Row& row : {Row{0, 0x0000}, Row{1234, 0x1234}, Row{9999, 0x9999},
                         Row{10000, std::nullopt}, Row{-1, std::nullopt}}) {
    EXPECT_EQ(EncodeBcd(row.value), row.bcd) << row.value;
    if (row.bcd) {
      EXPECT_EQ(DecodeBcd(*row.bcd), row.value);
    }
  }
  EXPECT_EQ(DecodeBcd(0x12A4), std::nullopt);

  EXPECT_EQ(EncodeLong(12'345'678), (std::array<uint16_t, 2>{1234, 5678}));
  EXPECT_EQ(EncodeLong(99'999'999), (std::array<uint16_t, 2>{9999, 9999}));
  EXPECT_EQ(EncodeLong(100'000'000), std::nullopt);
  EXPECT_EQ(EncodeLong(-1), std::nullopt);
  EXPECT_EQ(DecodeLong(1234, 5678), 12'345'678);

  EXPECT_EQ(EncodeFloat(1.5f), (std::array<uint16_t, 2>{0x0000, 0x3FC0}));
  EXPECT_EQ(EncodeFloat(-2.75f), (std::array<uint16_t, 2>{0x0000, 0xC030}));
  EXPECT_EQ(DecodeFloat(0x0000, 0x3FC0), 1.5f);

  EXPECT_EQ(EncodeString("ABC", 2), (Words{0x4241, 0x0043}));
  EXPECT_EQ(EncodeString("AB", 2), (Words{0x4241, 0x0000}));
  EXPECT_EQ(EncodeString("AB", 1), std::nullopt);  // no room for the ending zero
  EXPECT_EQ(DecodeString({0x7244, 0x7669, 0x0065, 0x4141}), "Drive");

  EXPECT_EQ(PackCoils({1, 0, 1, 1, 0, 0, 0, 1, 1, 1}), (Words{0x038D}));
  EXPECT_EQ(UnpackCoils({0x038D}, 10), (std::vector<bool>{1, 0, 1, 1, 0, 0, 0, 1, 1, 1}));
}

TEST(CliCommandLine, OptionsGoAnywhereAndNamesIgnoreCase) {
  CommandLine cl = ParseCommandLine({"readholdingreg", "--node", "5", "100", "--mode=ASCII", "4",
                                     "--type", "long", "--hex", "--port", "/dev/ttyUSB0"});
  EXPECT_EQ(cl.command, Command::Transaction);
  EXPECT_EQ(cl.transaction.function, portwright::ReadHoldingReg);
  EXPECT_EQ(cl.transaction.address, 100);
  EXPECT_EQ(cl.transaction.count, 4);
  EXPECT_EQ(cl.transaction.type, portwright::Long);
  EXPECT_EQ(cl.line.node, 5);
  EXPECT_EQ(cl.line.mode, portwright::ASCII);
  EXPECT_TRUE(cl.line.hex);
  EXPECT_EQ(cl.line.port, "/dev/ttyUSB0");

  cl = ParseCommandLine({"SetSingleReg", "1", "1", "--", "-5"});
  EXPECT_EQ(cl.transaction.values, std::vector<std::string>{"-5"});

  cl = ParseCommandLine({"poll", "--interval", "250", "--duration", "3", "1:100:3", "2:7:1"});
  EXPECT_EQ(cl.command, Command::Poll);
  EXPECT_EQ(cl.poll.intervalMs, 250);
  ASSERT_EQ(cl.poll.blocks.size(), 2u);
  EXPECT_EQ(cl.poll.blocks[1].node, 2);
  EXPECT_EQ(cl.poll.blocks[1].address, 7);

  cl = ParseCommandLine({"map", "com3", "/dev/ttyUSB1"});
  EXPECT_EQ(cl.command, Command::Map);
  EXPECT_EQ(cl.map.com, 3);

  for (const std::vector<std::string>& bad : {std::vector<std::string>{"ReadHoldingReg", "1"},
                                              {"Frobnicate", "1", "1"},
                                              {"ReadHoldingReg", "1", "1", "--type", "Double"},
                                              {"--mode", "tcp", "ReadCoil", "1", "1"},
                                              {"--speed", "9600"},
                                              {"poll", "1:2"},
                                              {"poll"},
                                              {"ReadCoil", "x", "1"},
                                              {"--node", "70000", "ReadCoil", "1", "1"},
                                              {"unmap", "ttyS0"}}) {
    EXPECT_THROW(ParseCommandLine(bad), UsageError) << bad[0];
  }
}

TEST(CliCommandLine, TypedValuesBecomePlainRegisters) {
  auto plan = [](std::vector<std::string> words) {
    return PlanRequest(ParseCommandLine(words).transaction);
  };
  ControlRequest r = plan({"SetMultipleReg", "10", "2", "--type", "Long", "12345678", "7"});
  EXPECT_EQ(r.type, portwright::Integer);
  EXPECT_EQ(r.quantity, 4);
  EXPECT_EQ(r.words, (Words{1234, 5678, 0, 7}));

  r = plan({"SetMultipleReg", "10", "3", "--type", "String", "ABC"});
  EXPECT_EQ(r.quantity, 3);
  EXPECT_EQ(r.words, (Words{0x4241, 0x0043, 0}));

  r = plan({"SetMultipleReg", "10", "2", "--type", "BCD", "1234", "9"});
  EXPECT_EQ(r.type, portwright::BCD);  // the control encodes BCD from plain values
  EXPECT_EQ(r.words, (Words{1234, 9}));

  r = plan({"SetSingleReg", "10", "1", "--type", "BCD", "1234"});
  EXPECT_EQ(r.words, (Words{0x1234}));

  r = plan({"ReadHoldingReg", "10", "3", "--type", "Float"});
  EXPECT_EQ(r.type, portwright::Integer);
  EXPECT_EQ(r.quantity, 6);
  EXPECT_EQ(r.wordsToFetch, 6);

  r = plan({"ReadCoil", "1", "17"});
  EXPECT_EQ(r.wordsToFetch, 2);

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"SetMultipleReg", "1", "2", "5"},
        {"SetMultipleReg", "1", "1", "--type", "Long", "100000000"},
        {"SetMultipleReg", "1", "1", "--type", "String", "AB"},
        {"SetSingleReg", "1", "1", "--type", "Float", "1.5"},
        {"SetSingleReg", "1", "1", "65536"},
        {"ForceSingleCoil", "1", "1", "maybe"},
        {"ReadHoldingReg", "1", "126"},
        {"ReadHoldingReg", "1", "1", "5"}}) {
    EXPECT_THROW(plan(bad), UsageError) << bad[0] << " " << bad.back();
  }
}

TEST(CliOutput, ReadsAndResultsReadAsATechnicianExpects) {
  TransactionArgs args;
  args.type = portwright::BCD;
  ReadOutput out = FormatRead(args, {0x0950, 0x12AB}, false);
  EXPECT_EQ(out.lines, (std::vector<std::string>{"950", "0x12AB"}));
  EXPECT_EQ(out.warnings.size(), 1u);

  args.type = portwright::Long;
  EXPECT_EQ(FormatRead(args, {1234, 5678}, true).lines, std::vector<std::string>{"0x00BC614E"});

  EXPECT_EQ(DescribeResult(0), "0 (good reply)");
  EXPECT_EQ(DescribeResult(-2), "-2 (reply checksum (CRC/LRC) wrong)");
  EXPECT_EQ(DescribeResult(3), "3 (exception: illegal data value)");

  const uint8_t ascii[] = {':', '0', '1', '\r', '\n'};
  EXPECT_EQ(FormatFrame(ascii, 5, portwright::ASCII), R"(:01\r\n)");
  const uint8_t rtu[] = {0x01, 0x03, 0xCB};
  EXPECT_EQ(FormatFrame(rtu, 3, portwright::RTU), "01 03 CB");
}

}  // namespace
}  // namespace pwcli
