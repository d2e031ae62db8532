// Finding, checking and answering request frames; the control commands; line settings.
#include <gtest/gtest.h>

#include "control_channel.h"
#include "drive_database.h"
#include "line_pacing.h"
#include "line_settings.h"
#include "modbus_slave.h"
#include "pty_slave.h"

namespace vdrive {
namespace {

using pwtest::AsciiFrame;
using pwtest::RtuFrame;

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(SlaveFrames, RtuRequestsAreFoundByTheirFunctionsLength) {
  const Bytes read = RtuFrame({0x01, 0x03, 0x00, 0x00, 0x00, 0x03});
  const Bytes write16 = RtuFrame({0x01, 0x10, 0x01, 0x0E, 0x00, 0x02, 0x04, 0, 1, 0, 2});
  const Bytes unknown = RtuFrame({0x01, 0x41, 0x05});
  Bytes badCrc = read;
  badCrc.back() ^= 1;
  struct Row {
    const char* what;
    Bytes bytes;
    bool silent;
    FrameScan::Status status;
    size_t length;
  };
  const Row rows[] = {
      {"read", read, false, FrameScan::kFrame, 8},
      {"read with the next request behind", Cat(read, read), false, FrameScan::kFrame, 8},
      {"half a read", Bytes(read.begin(), read.begin() + 5), false, FrameScan::kIncomplete, 0},
      {"half a read, line silent", Bytes(read.begin(), read.begin() + 5), true, FrameScan::kDiscard,
       1},
      {"write of two registers", write16, false, FrameScan::kFrame, 13},
      {"write header only", Bytes(write16.begin(), write16.begin() + 6), false,
       FrameScan::kIncomplete, 0},
      {"bad CRC", badCrc, false, FrameScan::kDiscard, 1},
      {"unknown function waits", unknown, false, FrameScan::kIncomplete, 0},
      {"unknown function on a silent line", unknown, true, FrameScan::kFrame, 5},
      {"one byte", {0x01}, false, FrameScan::kIncomplete, 0},
  };
  for (const Row& row : rows) {
    const FrameScan scan = ScanRtu(row.bytes.data(), row.bytes.size(), row.silent);
    EXPECT_EQ(scan.status, row.status) << row.what;
    EXPECT_EQ(scan.length, row.length) << row.what;
  }
}

TEST(SlaveFrames, AsciiRequestsRunFromColonToLineFeed) {
  const Bytes read = AsciiFrame({0x01, 0x03, 0x00, 0x00, 0x00, 0x03});
  Bytes upper = pwtest::TextBytes(":010300000003F9\r\n");
  Bytes badLrc = pwtest::TextBytes(":010300000003F8\r\n");
  struct Row {
    const char* what;
    Bytes bytes;
    FrameScan::Status status;
    size_t length;
  };
  const Row rows[] = {
      {"read", read, FrameScan::kFrame, read.size()},
      {"lower-case hex", pwtest::TextBytes(":0110010E0002040001000acf\r\n"), FrameScan::kFrame, 27},
      {"upper-case, as sent by the master", upper, FrameScan::kFrame, 17},
      {"bad LRC", badLrc, FrameScan::kDiscard, 17},
      {"noise before the colon", Cat({'x', 'y'}, read), FrameScan::kDiscard, 2},
      {"a new colon restarts", Cat({':', '0', '1'}, read), FrameScan::kDiscard, 3},
      {"no line feed yet", Bytes(read.begin(), read.end() - 1), FrameScan::kIncomplete, 0},
  };
  for (const Row& row : rows) {
    const FrameScan scan = ScanAscii(row.bytes.data(), row.bytes.size());
    EXPECT_EQ(scan.status, row.status) << row.what;
    EXPECT_EQ(scan.length, row.length) << row.what;
  }
  Request request;
  ASSERT_TRUE(DecodeAscii(read.data(), read.size(), request));
  EXPECT_EQ(request.node, 1);
  EXPECT_EQ(request.pdu, (Bytes{0x03, 0x00, 0x00, 0x00, 0x03}));
}

TEST(SlaveFrames, AssemblerResynchronisesAfterJunkAndWaitsForSplitRequests) {
  const Bytes read = RtuFrame({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
  RequestAssembler rtu(Framing::Rtu);
  Request request;
  const Bytes junk = Cat({0x00, 0x10, 0xFF}, read);
  rtu.Feed(junk.data(), junk.size());
  ASSERT_TRUE(rtu.Next(request, false) || rtu.Next(request, true));
  EXPECT_EQ(request.pdu, (Bytes{0x03, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(rtu.Pending(), 0u);
  rtu.Feed(read.data(), 3);
  EXPECT_FALSE(rtu.Next(request, false));
  rtu.Feed(read.data() + 3, read.size() - 3);
  EXPECT_TRUE(rtu.Next(request, false));

  RequestAssembler ascii(Framing::Ascii);
  const Bytes text = Cat(pwtest::TextBytes("junk"), AsciiFrame({0x02, 0x06, 0x04, 0x04, 0, 7}));
  ascii.Feed(text.data(), 10);
  EXPECT_FALSE(ascii.Next(request, true));
  ascii.Feed(text.data() + 10, text.size() - 10);
  ASSERT_TRUE(ascii.Next(request, false));
  EXPECT_EQ(request.node, 2);
}

TEST(SlaveFrames, RepliesAreFramedAndChecksumsCanBeSpoilt) {
  const Bytes pdu{0x03, 0x02, 0x07, 0xD1};
  Bytes rtu = EncodeFrame(Framing::Rtu, 1, pdu);
  EXPECT_EQ(rtu, RtuFrame({0x01, 0x03, 0x02, 0x07, 0xD1}));
  Bytes ascii = EncodeFrame(Framing::Ascii, 1, pdu);
  EXPECT_EQ(ascii, AsciiFrame({0x01, 0x03, 0x02, 0x07, 0xD1}));
  Request request;
  CorruptChecksum(Framing::Rtu, rtu);
  EXPECT_FALSE(DecodeRtu(rtu.data(), rtu.size(), request));
  CorruptChecksum(Framing::Ascii, ascii);
  EXPECT_FALSE(DecodeAscii(ascii.data(), ascii.size(), request));
  EXPECT_EQ(ascii.back(), '\n');
}

class FakeTarget : public ControlTarget {
 public:
  FakeTarget()
      : drive_([] {
          DriveConfig config;
          config.parameters = BuiltInParameters();
          return config;
        }()) {}
  VirtualDrive& Drive() override { return drive_; }
  FaultPlan& Faults() override { return faults_; }
  void PowerCycle(int offMs) override { powerOffMs = offMs; }
  void Quit() override { quit = true; }
  void SetHalfDuplex(bool half) override { halfDuplex = half; }
  std::string DevicePath() const override { return "/dev/pts/99"; }
  int powerOffMs = -1;
  bool quit = false;
  bool halfDuplex = true;

 private:
  VirtualDrive drive_;
  FaultPlan faults_;
};

TEST(ControlChannel, CommandsPlanFaultsAndReachTheDrive) {
  FakeTarget target;
  struct Row {
    const char* command;
    const char* reply;
  };
  const Row rows[] = {
      {"get P0.00", "OK 2001"},
      {"get 1 2", "OK 2001 0"},
      {"get P9.00", "ERR get needs a register"},
      {"set P1.34 -5", "OK"},
      {"get 291", "OK -5"},
      {"write P4.05 4999", "OK"},
      {"write P4.05 3001", "ERR exception 3"},
      {"write 1537 5", "ERR exception 2"},
      {"get P4.05", "OK 20"},
      {"fault 6", "OK"},
      {"get P4.00 2", "OK 6 0"},
      {"di 1 1", "OK"},
      {"di 9 1", "ERR di needs an input number and 0 or 1"},
      {"noreply", "OK planned noreply x1"},
      {"replylost 2", "OK planned noreply x1, replylost x2"},
      {"slow 300 always", "OK planned noreply x1, replylost x2, slow x always"},
      {"clear", "OK"},
      {"exception 4 2", "OK planned exception x2"},
      {"junk FFFE 1", "OK planned exception x2, junk x1"},
      {"split", "ERR split needs milliseconds"},
      {"junk zz 1", "ERR junk bytes must be hex pairs"},
      {"path", "OK /dev/pts/99"},
      {"duplex full", "OK"},
      {"duplex", "ERR duplex is half or full"},
      {"scope", "OK handed=0,0,0 dropped=0,0,0"},
      {"bogus", "ERR unknown command 'bogus' (try help)"},
      {"powercycle 0.5", "OK"},
      {"set P5.25 40000", "OK"},
      {"get P5.25", "OK 40000"},  // the passcode word reads unsigned
  };
  for (const Row& row : rows) EXPECT_EQ(RunControlCommand(row.command, target), row.reply);
  EXPECT_EQ(target.powerOffMs, 500);
  EXPECT_FALSE(target.halfDuplex);
  ReplyFault fault = target.Faults().TakeNext();
  EXPECT_EQ(fault.kind, ReplyFault::kException);
  EXPECT_EQ(fault.code, 4);
  target.Faults().TakeNext();
  fault = target.Faults().TakeNext();
  EXPECT_EQ(fault.kind, ReplyFault::kJunk);
  EXPECT_EQ(fault.junk, (Bytes{0xFF, 0xFE}));
  EXPECT_EQ(target.Faults().TakeNext().kind, ReplyFault::kNone);
  EXPECT_EQ(RunControlCommand("quit", target), "OK");
  EXPECT_TRUE(target.quit);
}

TEST(LineSettingsText, ParsesTheSettingsTextsOfTheProtocolList) {
  LineSettings line;
  EXPECT_TRUE(ParseLineSettings("9600,e,7,1", line));
  EXPECT_EQ(LineSettingsText(line), "9600,E,7,1");
  EXPECT_FALSE(ParseLineSettings("9601,N,8,2", line));
  EXPECT_FALSE(ParseLineSettings("19200,M,8,2", line));
  EXPECT_FALSE(ParseLineSettings("19200,N,8,3", line));
  EXPECT_FALSE(ParseLineSettings("19200,N,8,2,", line));
  Framing framing;
  ASSERT_TRUE(ProtocolOfPosition(6, framing, line));
  EXPECT_EQ(framing, Framing::Rtu);
  EXPECT_EQ(line.stopBits, 2);
  ASSERT_TRUE(ProtocolOfPosition(1, framing, line));
  EXPECT_EQ(framing, Framing::Ascii);
  EXPECT_EQ(line.parity, 'E');
  EXPECT_FALSE(ProtocolOfPosition(9, framing, line));
  // The drive's line is one of its lists (P3.01, P3.02), or it could not show it.
  EXPECT_FALSE(ParseLineSettings("1200,N,8,2", line));
  EXPECT_EQ(BaudPosition(38400), 3);
  EXPECT_EQ(ProtocolPosition(Framing::Rtu, LineSettings{9600, 'E', 8, 1}), 7);
  EXPECT_EQ(ProtocolPosition(Framing::Ascii, LineSettings{9600, 'N', 7, 2}), 0);
  EXPECT_EQ(ProtocolPosition(Framing::Rtu, LineSettings{9600, 'E', 7, 1}), -1);
}

// What a pseudo-terminal shows of the client's framing: odd parity and the stop bits tell the
// drive's three framings apart, whatever the data bits.
TEST(LineSettingsText, OnlyTheDrivesOwnParityAndStopBitsMatch) {
  const LineSettings drives[] = {{19200, 'O', 8, 1}, {19200, 'E', 8, 1}, {19200, 'N', 8, 2}};
  const ClientLine clients[] = {{19200, 1, true}, {19200, 1, false}, {19200, 2, false}};
  for (int d = 0; d < 3; ++d)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(ClientMatches(clients[c], drives[d]), c == d) << d << c;
  EXPECT_FALSE(ClientMatches({9600, 1, true}, drives[0]));
}

TEST(LinePacing, BytesFollowEachOtherOneCharacterApartOnceTheLineIsFree) {
  using std::chrono::milliseconds;
  EXPECT_EQ(CharacterTime(9600, 8, true, 1).count(), 11 * 1000000000LL / 9600);
  EXPECT_EQ(CharacterTime(LineSettings{19200, 'N', 7, 2}), CharacterTime(19200, 7, false, 2));
  LinePacer pacer;
  const LinePacer::Clock::time_point t0{};
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  pacer.Queue(bytes, 3, t0, milliseconds(1));
  LinePacer::Clock::time_point last{};
  EXPECT_EQ(pacer.TakeDone(t0 + std::chrono::microseconds(1500), &last), Bytes{1});
  EXPECT_EQ(last, t0 + milliseconds(1));
  pacer.Queue(bytes + 3, 2, t0, milliseconds(1));  // waits for the line
  EXPECT_EQ(pacer.FreeAt(), t0 + milliseconds(5));
  EXPECT_EQ(pacer.NextDone(), t0 + milliseconds(2));
  EXPECT_EQ(pacer.TakeDone(t0 + milliseconds(4), &last), (Bytes{2, 3, 4}));
  EXPECT_EQ(last, t0 + milliseconds(4));
  pacer.Queue(bytes, 1, t0 + milliseconds(9), milliseconds(1));  // a later start waits for it
  EXPECT_EQ(pacer.TakeDone(t0 + milliseconds(9)), Bytes{5});
  EXPECT_EQ(pacer.NextDone(), t0 + milliseconds(10));
}

// Two senders on a half-duplex line: the bytes on the line together come through spoilt (once,
// however often the collision is looked at), and the later sender's bytes from the first that
// met are lost.
TEST(LinePacing, BytesOnTheLineTogetherMixAndTheMeetingSenderIsLost) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  const LinePacer::Clock::time_point t0{};
  LinePacer reply, request;
  const uint8_t replyBytes[] = {0xF0, 0x0F, 0xFF};
  const uint8_t requestBytes[] = {0x3C, 0x55};
  reply.Queue(replyBytes, 3, t0, milliseconds(1));
  request.Queue(requestBytes, 2, t0 + microseconds(1500), milliseconds(1));
  reply.MixWith(request);
  const auto met = reply.MixWith(request);
  ASSERT_TRUE(met);
  EXPECT_EQ(*met, t0 + microseconds(1500));
  request.LoseFrom(*met);
  LinePacer::Clock::time_point last{};
  bool lost = false;
  EXPECT_EQ(request.TakeDone(t0 + milliseconds(4), &last, &lost), Bytes{});
  EXPECT_TRUE(lost);
  EXPECT_EQ(last, t0 + microseconds(3500));
  EXPECT_EQ(reply.TakeDone(t0 + milliseconds(4)), (Bytes{0xF0, 0x32, 0xC2}));
  // Back to back is not together.
  LinePacer first, next;
  first.Queue(replyBytes, 3, t0, milliseconds(1));
  next.Queue(requestBytes, 1, t0 + milliseconds(3), milliseconds(1));
  EXPECT_FALSE(next.MixWith(first));
}

}  // namespace
}  // namespace vdrive
