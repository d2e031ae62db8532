// portwright-cli against the libmodbus RTU slave: reads and writes of every function code
// and data type, refused input, the frame trace, polling and the port map.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "hosted_control.h"
#include "libmodbus_slave.h"

namespace interop {
namespace {

using Words = std::vector<uint16_t>;
constexpr int kNode = 9;

class CliAgainstLibmodbus : public ::testing::Test {
 protected:
  void SetUp() override { RegisterComponent(); }

  // Common line options, then the command words.
  CliRun Cli(const QStringList& words) {
    QStringList arguments = {"--port",    QString::fromStdString(slave.devicePath()),
                             "--node",    QString::number(kNode),
                             "--timeout", "3000"};
    return RunCli(arguments + words);
  }

  LibmodbusSlave slave{kNode};
};

TEST_F(CliAgainstLibmodbus, ReadsPrintOneDecodedValuePerLine) {
  slave.SetHolding(0, {100, 0xFFFF, 0x1234});
  slave.SetHolding(10, {1234, 5678, 0x0000, 0x3FC0, 0x7244, 0x7669, 0x0065, 0x0950});
  slave.SetInputRegisters(4, {42});
  slave.SetCoils(0, {1, 0, 1});
  slave.SetDiscreteInputs(7, {0, 1});
  struct Row {
    QStringList words;
    QStringList lines;
  };
  const Row rows[] = {
      {{"ReadHoldingReg", "1", "3"}, {"100", "-1", "4660"}},
      {{"readholdingreg", "1", "3", "--hex"}, {"0x0064", "0xFFFF", "0x1234"}},
      {{"ReadHoldingReg", "11", "1", "--type", "long"}, {"12345678"}},
      {{"ReadHoldingReg", "13", "1", "--type", "Float"}, {"1.5"}},
      {{"ReadHoldingReg", "15", "3", "--type", "String"}, {"Drive"}},
      {{"ReadHoldingReg", "18", "1", "--type", "BCD"}, {"950"}},
      {{"ReadInputReg", "5", "1"}, {"42"}},
      {{"ReadCoil", "1", "3"}, {"1", "0", "1"}},
      {{"ReadInput", "8", "2"}, {"0", "1"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words.join(' ').toStdString());
    CliRun run = Cli(row.words);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outLines(), row.lines);
  }
}

TEST_F(CliAgainstLibmodbus, WritesLandInTheSlavesRegisters) {
  struct Row {
    QStringList words;
    int address;  // wire address of the first register written
    Words registers;
  };
  const Row rows[] = {
      {{"SetSingleReg", "101", "1", "--", "-2"}, 100, {0xFFFE}},
      {{"SetSingleReg", "102", "1", "--type", "BCD", "1234"}, 101, {0x1234}},
      {{"SetMultipleReg", "111", "3", "1", "0x8000", "65535"}, 110, {1, 0x8000, 0xFFFF}},
      {{"SetMultipleReg", "121", "2", "--type", "BCD", "1234", "7"}, 120, {0x1234, 0x0007}},
      {{"SetMultipleReg", "131", "2", "--type", "Long", "12345678", "99999999"},
       130,
       {1234, 5678, 9999, 9999}},
      {{"SetMultipleReg", "141", "1", "--type", "Float", "-2.75"}, 140, {0x0000, 0xC030}},
      {{"SetMultipleReg", "151", "2", "--type", "String", "ABC"}, 150, {0x4241, 0x0043}},
      {{"SetMultipleReg", "161", "3", "--type", "String", "AB"}, 160, {0x4241, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words.join(' ').toStdString());
    slave.SetHolding(row.address, Words(row.registers.size(), 0x5555));
    CliRun run = Cli(row.words);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(slave.Holding(row.address, static_cast<int>(row.registers.size())), row.registers);
  }

  ASSERT_EQ(Cli({"ForceSingleCoil", "6", "1", "on"}).exitCode, 0);
  ASSERT_EQ(Cli({"SetMultipleCoils", "11", "10", "1", "0", "1", "1", "0", "0", "0", "1", "1", "1"})
                .exitCode,
            0);
  EXPECT_EQ(slave.Coils(5, 1), (std::vector<uint8_t>{1}));
  EXPECT_EQ(slave.Coils(10, 10), (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 0, 1, 1, 1}));
}

TEST_F(CliAgainstLibmodbus, RefusedInputSendsNothingAndQuotesTheControl) {
  struct Row {
    QStringList arguments;
    int exitCode;
    QString text;
  };
  const QString device = QString::fromStdString(slave.devicePath());
  const Row rows[] = {
      {{"--port", device, "--node", "248", "ReadHoldingReg", "1", "1"}, 3, "Illegal Node Address"},
      {{"--port", device, "--settings", "19200,N,6,1", "ReadHoldingReg", "1", "1"},
       3,
       "Illegal COM Settings"},
      {{"--port", device, "ReadHoldingReg", "0", "1"}, 3, "Illegal Data Address"},
      {{"--port", device, "--timeout", "0", "ReadHoldingReg", "1", "1"},
       3,
       "Illegal Timeout Value"},
      {{"--port", "/dev/no-such-serial-device", "ReadHoldingReg", "1", "1"},
       3,
       "Failed to Open COM Port"},
      {{"--port", "COM16", "ReadHoldingReg", "1", "1"}, 3, "Illegal COM Port ID"},
      {{"--port", device, "ReadSomething", "1", "1"}, 2, "unknown function"},
      {{"--port", device, "SetMultipleReg", "1", "2", "5"}, 2, "expected 2 value(s)"},
      {{"--port", device, "SetMultipleReg", "1", "1", "--type", "Long", "-1"},
       2,
       "a Long value is 0..99999999"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    CliRun run = RunCli(row.arguments);
    EXPECT_EQ(run.exitCode, row.exitCode);
    EXPECT_TRUE(run.err.contains(row.text)) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
  EXPECT_EQ(slave.RequestsAnswered(), 0);
}

TEST_F(CliAgainstLibmodbus, FailedTransactionsExitNonZeroWithTheResultsMeaning) {
  CliRun exception = Cli({"ReadHoldingReg", "2000", "1"});
  EXPECT_EQ(exception.exitCode, 1);
  EXPECT_TRUE(exception.err.contains("result 2 (exception: illegal data address)"))
      << exception.err.toStdString();
  EXPECT_TRUE(exception.out.isEmpty());

  CliRun silent = RunCli({"--port", QString::fromStdString(slave.devicePath()), "--node", "3",
                          "--timeout", "200", "ReadHoldingReg", "1", "1"});
  EXPECT_EQ(silent.exitCode, 1);
  EXPECT_TRUE(silent.err.contains("result -1 (no complete reply within the time-out)"))
      << silent.err.toStdString();
}

TEST_F(CliAgainstLibmodbus, TracePrintsEveryFrameOnStderrOnly) {
  slave.SetHolding(0, {1, 2, 3});
  CliRun run = Cli({"--trace", "--node", "1", "--timeout", "300", "ReadHoldingReg", "1", "3"});
  // Node 1 is not this slave: the request is traced, the silence ends in a time-out.
  EXPECT_TRUE(run.err.contains(" TX 01 03 00 00 00 03 05 CB")) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());

  run = Cli({"--trace", "ReadHoldingReg", "1", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.outLines(), (QStringList{"1", "2", "3"}));
  EXPECT_TRUE(run.err.contains(QRegularExpression(
      R"(\d\d:\d\d:\d\d\.\d{3} RX 09 03 06 00 01 00 02 00 03 [0-9A-F]{2} [0-9A-F]{2}  result 0 )")))
      << run.err.toStdString();
}

TEST_F(CliAgainstLibmodbus, PollPrintsTheWordsThatChanged) {
  slave.SetHolding(40, {5, 0, 7});
  CliRun run = Cli({"poll", "--interval", "100", "--duration", "2", QString("%1:41:3").arg(kNode),
                    QString("%1:50:1").arg(kNode)});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList lines = run.outLines();
  ASSERT_GE(lines.size(), 3) << run.out.toStdString();
  EXPECT_TRUE(lines[0].endsWith(QString(" item 0 node %1 address 41: 41=5 43=7").arg(kNode)))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].endsWith(QString(" item 1 node %1 address 50: no change").arg(kNode)))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[2].endsWith(" item 0 node 9 address 41: no change")) << lines[2].toStdString();
}

TEST(CliPortMap, MapListAndUnmapInTheUsersStore) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  EXPECT_EQ(RunCli({"map", "com4", "/dev/ttyUSB7"}, home.path()).exitCode, 0);
  CliRun listed = RunCli({"ports"}, home.path());
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_TRUE(listed.outLines().contains("COM4\t/dev/ttyUSB7"));
  EXPECT_TRUE(listed.outLines().contains("COM1\t/dev/ttyS0\t(default)"));
  EXPECT_EQ(RunCli({"unmap", "COM4"}, home.path()).exitCode, 0);
  EXPECT_TRUE(RunCli({"ports"}, home.path()).outLines().contains("COM4\t/dev/ttyS3\t(default)"));
  EXPECT_EQ(RunCli({"map", "COMX", "/dev/ttyS1"}, home.path()).exitCode, 2);
}

TEST(CliRegistration, RegistersTheLibraryBesideItWhenTheClassIsMissing) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  LibmodbusSlave slave{kNode};
  slave.SetHolding(0, {321});
  // A COM name keeps the user's store (here the empty private one) in use.
  ASSERT_EQ(
      RunCli({"map", "COM2", QString::fromStdString(slave.devicePath())}, home.path()).exitCode, 0);
  CliRun run = RunCli({"--port", "COM2", "--node", "9", "ReadHoldingReg", "1", "1"}, home.path());
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.outLines(), QStringList{"321"});
  QFile store(home.path() + "/Portwright/Portwright.ini");
  ASSERT_TRUE(store.open(QIODevice::ReadOnly));
  const QByteArray text = store.readAll();
  EXPECT_TRUE(text.contains("E04B341B-984F-4FC1-83AA-688213A37E5D")) << text.toStdString();
  EXPECT_TRUE(text.contains("libPortwright.so"));
}

}  // namespace
}  // namespace interop
