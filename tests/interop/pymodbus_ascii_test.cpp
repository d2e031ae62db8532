// The control and portwright-cli against an independent ASCII slave (pymodbus) on a socat
// pseudo-terminal pair. The slave presets holding registers 0..9 and reports every write.
#include <gtest/gtest.h>

#include "hosted_control.h"
#include "pymodbus_peer.h"

namespace interop {
namespace {

using namespace portwright;
using Words = std::vector<uint16_t>;

constexpr int kNode = 1;

class AsciiAgainstPymodbus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { peer = new PymodbusPeer(kNode); }
  static void TearDownTestSuite() {
    delete peer;
    peer = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(peer->ready()) << peer->failure().toStdString();
    RegisterComponent();
  }
  CliRun Cli(const QStringList& words) {
    return RunCli(QStringList{"--port", peer->devicePath(), "--mode", "ascii", "--settings",
                              "19200,N,8,1", "--node", QString::number(kNode)} +
                  words);
  }

  static PymodbusPeer* peer;
};

PymodbusPeer* AsciiAgainstPymodbus::peer = nullptr;

TEST_F(AsciiAgainstPymodbus, ControlReadsEveryTable) {
  HostedControl control;
  control.Open(peer->devicePath().toStdString(), ASCII);
  control.Load(kNode, ReadHoldingReg, Integer, 1, 3);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(3), (Words{100, 0xFFFF, 0x1234}));

  control.Load(kNode, ReadInputReg, Integer, 6, 2);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(2), (Words{1005, 1006}));

  // Discrete inputs are on at every third address: bits 0, 3 and 6.
  control.Load(kNode, ReadInput, Integer, 1, 8);
  ASSERT_EQ(control.Transact(), 0);
  EXPECT_EQ(control.Words(1)[0] & 0xFF, 0x49);

  control.Load(kNode, ReadHoldingReg, Integer, 2001, 1);
  EXPECT_EQ(control.Transact(), 2);
}

TEST_F(AsciiAgainstPymodbus, ControlWritesReachTheSlave) {
  HostedControl control;
  control.Open(peer->devicePath().toStdString(), ASCII);
  struct Row {
    const char* name;
    enumPLCFunction function;
    enumDataType type;
    int address;
    int quantity;
    Words words;
    QString report;
  };
  const Row rows[] = {
      {"single register", SetSingleReg, Integer, 21, 1, {0xABCD}, "W 6 20 43981"},
      {"registers", SetMultipleReg, Integer, 31, 3, {1, 0x8000, 3}, "W 16 30 1 32768 3"},
      {"BCD registers", SetMultipleReg, BCD, 41, 2, {1234, 7}, "W 16 40 4660 7"},
      {"single coil", ForceSingleCoil, Integer, 3, 1, {1}, "W 5 2 1"},
      {"coils", SetMultipleCoils, Integer, 11, 10, {0x038D}, "W 15 10 1 0 1 1 0 0 0 1 1 1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    control.Load(kNode, row.function, row.type, row.address, row.quantity, row.words);
    ASSERT_EQ(control.Transact(), 0);
    EXPECT_EQ(peer->NextWrite(), row.report);
  }
}

// Long, Float and String values enter the control by a read (decoded into its own arrays)
// and leave it by a write (encoded from them); the slave sees the preset registers again.
TEST_F(AsciiAgainstPymodbus, ControlKeepsTheEncodedRegisterLayouts) {
  HostedControl control;
  control.Open(peer->devicePath().toStdString(), ASCII);
  struct Row {
    const char* name;
    enumDataType type;
    int source;
    int quantity;
    QString report;
  };
  const Row rows[] = {
      {"Long", Long, 4, 1, "W 16 50 1234 5678"},
      {"Float", Float, 6, 1, "W 16 50 0 16320"},
      {"String", String, 8, 3, "W 16 50 29252 30313 101"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    control.Load(kNode, ReadHoldingReg, row.type, row.source, row.quantity);
    ASSERT_EQ(control.Transact(), 0);
    control.Load(kNode, SetMultipleReg, row.type, 51, row.quantity);
    ASSERT_EQ(control.Transact(), 0);
    EXPECT_EQ(peer->NextWrite(), row.report);
  }
}

TEST_F(AsciiAgainstPymodbus, CliReadsAndWritesInAscii) {
  CliRun run = Cli({"--trace", "ReadHoldingReg", "1", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.outLines(), (QStringList{"100", "-1", "4660"}));
  EXPECT_TRUE(run.err.contains(R"( TX :010300000003F9\r\n)")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(R"( RX :0103060064FFFF12344E\r\n  result 0 (good reply))"))
      << run.err.toStdString();

  EXPECT_EQ(Cli({"ReadHoldingReg", "4", "1", "--type", "Long"}).outLines(),
            QStringList{"12345678"});
  EXPECT_EQ(Cli({"ReadHoldingReg", "6", "1", "--type", "Float"}).outLines(), QStringList{"1.5"});
  EXPECT_EQ(Cli({"ReadHoldingReg", "8", "3", "--type", "String"}).outLines(), QStringList{"Drive"});

  ASSERT_EQ(Cli({"SetMultipleReg", "61", "1", "--type", "Long", "87654321"}).exitCode, 0);
  EXPECT_EQ(peer->NextWrite(), "W 16 60 8765 4321");
  ASSERT_EQ(Cli({"SetMultipleReg", "61", "2", "--type", "String", "Hi!"}).exitCode, 0);
  EXPECT_EQ(peer->NextWrite(), "W 16 60 26952 33");
  ASSERT_EQ(Cli({"SetSingleReg", "62", "1", "0xFFFF"}).exitCode, 0);
  EXPECT_EQ(peer->NextWrite(), "W 6 61 65535");
}

}  // namespace
}  // namespace interop
