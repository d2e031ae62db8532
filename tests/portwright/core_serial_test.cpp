// The serial port on a pseudo-terminal: settings texts, opening, and whole transactions against
// the scripted slave (split, junk, late and missing replies).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "pty_slave.h"
#include "serial_port.h"

namespace portwright {
namespace {

using pwtest::Bytes;
using pwtest::Framing;
using pwtest::PtySlave;
using pwtest::Reply;

// Generous: the machine may be busy; the scripted delays below stay far from it.
constexpr int16_t kTimeout = 1000;

TEST(SerialPort, SettingsTextsFollowTheFourFieldRule) {
  struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"19200,N,8,1", true},   {"19200,n,8,1", true},
      {"19200,N,8,1.5", true}, {"9600,E,7,2", true},
      {"110,o,7,1", true},     {"115200,M,8,1", true},
      {"38400,s,8,2", true},   {"19200baud,N,8bits,1", true},
      {"19200,N,6,1", false},  {"14400,N,8,1", false},
      {"19200,N,8", false},    {"", false},
      {"19200,X,8,1", false},  {"19200,NN,8,1", false},
      {"19200,,8,1", false},   {"19200,N,8,1 ", false},
      {"19200,N,8,1,", false}, {"19200,N,8,3", false},
      {",N,8,1", false},       {"99999999999999,N,8,1", false},
      {"-19200,N,8,1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ValidSettingsText(c.text), c.valid) << c.text;

  LineSettings line;
  ASSERT_TRUE(ParseSettingsText("9600,e,7,2", line));
  EXPECT_EQ(line.baud, 9600u);
  EXPECT_EQ(line.parity, 'E');
  EXPECT_EQ(line.dataBits, 7);
  EXPECT_EQ(line.stopBitsTimes2, 4);
}

TEST(SerialPort, OpeningFailsForMissingDevicesAndImpossibleSettings) {
  SerialPort port;
  EXPECT_FALSE(port.Open("/dev/does-not-exist-pw", "19200,N,8,1"));
  EXPECT_FALSE(port.IsOpen());
  PtySlave slave;
  EXPECT_FALSE(port.Open(slave.DevicePath(), "19200,N,8,1.5"));
  EXPECT_FALSE(port.Open(slave.DevicePath(), "9600,E,7,1.5"));
  EXPECT_FALSE(port.Open(slave.DevicePath(), "bad"));
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, OpeningAppliesTheLineAndCanBeRepeated) {
  PtySlave slave;
  SerialPort port;
  ASSERT_TRUE(port.Open(slave.DevicePath(), "9600,O,7,2"));
  PtySlave::Line line;
  ASSERT_TRUE(slave.ClientLine(line));
  EXPECT_EQ(line.baud, 9600u);
  EXPECT_TRUE(line.twoStopBits);
  EXPECT_TRUE(line.parityOdd);
  EXPECT_FALSE(line.stickParity);
  port.Close();
  ASSERT_TRUE(port.Open(slave.DevicePath(), "115200,M,8,1"));  // exclusivity was released
  ASSERT_TRUE(slave.ClientLine(line));
  EXPECT_EQ(line.baud, 115200u);
  EXPECT_FALSE(line.twoStopBits);
  EXPECT_TRUE(line.stickParity);
}

struct PtyFixture : ::testing::Test {
  void Open(Framing framing) {
    slave.SetFraming(framing);
    ASSERT_TRUE(port.Open(slave.DevicePath(), "19200,N,8,1"));
  }
  int16_t Transact(TransactionRecord& record, enumPLCMode mode, int16_t timeout = kTimeout) {
    int16_t result = 77;
    return RunTransaction(record, mode, port, timeout, result, buffer);
  }
  PtySlave slave;
  SerialPort port;
  ReceiveBuffer buffer;
};

TransactionRecord ReadRegisters(int16_t quantity, int16_t address = 1) {
  TransactionRecord r;
  r.function = ReadHoldingReg;
  r.quantity = quantity;
  r.address = address;
  return r;
}

TEST_F(PtyFixture, RtuRepliesAreTakenWholeEvenWhenSplit) {
  Open(Framing::Rtu);
  const Bytes reply = {0x01, 0x03, 0x04, 0x00, 0x0A, 0x00, 0x0B};
  slave.Script({Reply::Message(reply), Reply::Message(reply).Chunks(2, 30)});
  for (int i = 0; i < 2; ++i) {
    auto record = ReadRegisters(2);
    EXPECT_EQ(Transact(record, RTU), 0);
    EXPECT_EQ(record.words[0], 10);
    EXPECT_EQ(record.words[1], 11);
  }
  ASSERT_EQ(slave.RequestCount(), 2u);
  EXPECT_EQ(slave.Requests()[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
}

TEST_F(PtyFixture, FaultyLinesGiveTheirResultCodes) {
  Open(Framing::Rtu);
  const Bytes reply = {0x01, 0x03, 0x04, 0x00, 0x05, 0x00, 0x06};
  slave.Script({Reply::Message(reply).Junk({0x55}), Reply::Message(reply).CorruptChecksum(),
                Reply::None(), Reply::Message(reply).Delay(400), Reply::Message(reply),
                Reply::Exception(1, 3, 2)});
  auto record = ReadRegisters(2);
  EXPECT_EQ(Transact(record, RTU), 0);  // the noise byte before the reply is passed over
  EXPECT_EQ(record.words[1], 6);
  EXPECT_EQ(Transact(record, RTU), kResultChecksum);
  EXPECT_EQ(Transact(record, RTU, 150), kResultTimeout);
  EXPECT_EQ(Transact(record, RTU, 150), kResultTimeout);  // answered at 400 ms
  ASSERT_TRUE(slave.WaitForRequests(4, 2000));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the late reply lands
  EXPECT_EQ(Transact(record, RTU), 0);                          // the stale late reply was purged
  EXPECT_EQ(record.words[0], 5);
  EXPECT_EQ(Transact(record, RTU), 2);
}

TEST_F(PtyFixture, RegisterSlaveServesReadsAndWritesInBothFramings) {
  for (auto [framing, mode] : {std::pair{Framing::Rtu, RTU}, std::pair{Framing::Ascii, ASCII}}) {
    SCOPED_TRACE(mode);
    Open(framing);
    slave.EnableRegisters(1, 100);
    TransactionRecord write;
    write.function = SetMultipleReg;
    write.quantity = 3;
    write.address = 11;
    write.words[0] = 1, write.words[1] = -2, write.words[2] = 300;
    EXPECT_EQ(Transact(write, mode), 0);
    EXPECT_EQ(slave.Register(10), 1);
    EXPECT_EQ(slave.Register(11), 0xFFFE);
    write.function = SetSingleReg;
    write.address = 14;
    write.words[0] = 4242;
    EXPECT_EQ(Transact(write, mode), 0);
    auto read = ReadRegisters(4, 11);
    EXPECT_EQ(Transact(read, mode), 0);
    EXPECT_EQ(read.words[1], -2);
    EXPECT_EQ(read.words[3], 4242);
    auto outside = ReadRegisters(2, 100);
    EXPECT_EQ(Transact(outside, mode), 2);
    port.Close();
  }
}

}  // namespace
}  // namespace portwright
