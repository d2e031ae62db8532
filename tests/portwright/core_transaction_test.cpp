// Transactions against an in-memory port: collection, checks, decoding and every result code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pty_slave.h"
#include "scripted_port.h"
#include "transaction.h"

namespace portwright {
namespace {

using pwtest::Bytes;
using pwtest::ScriptedPort;

constexpr int16_t kTimeout = 200;
constexpr int16_t kStale = 77;  // a previous result code no path may leave in place

TransactionRecord Record(enumPLCFunction function, enumDataType type, int16_t quantity) {
  TransactionRecord r;
  r.function = function;
  r.dataType = type;
  r.quantity = quantity;
  return r;
}

TransactionRecord Filled(enumPLCFunction function, enumDataType type, int16_t quantity) {
  TransactionRecord r = Record(function, type, quantity);
  for (int i = 0; i < 256; ++i) r.words[i] = static_cast<int16_t>(0x5A00 + i);
  for (int i = 0; i < 128; ++i) r.longs[i] = 4242 + i, r.floats[i] = 0.25f * i;
  std::strcpy(r.text, "untouched");
  return r;
}

bool SameData(const TransactionRecord& a, const TransactionRecord& b) {
  return std::memcmp(a.words, b.words, sizeof a.words) == 0 &&
         std::memcmp(a.longs, b.longs, sizeof a.longs) == 0 &&
         std::memcmp(a.floats, b.floats, sizeof a.floats) == 0 &&
         std::memcmp(a.text, b.text, sizeof a.text) == 0;
}

struct Outcome {
  int16_t result = kStale;
  int16_t returned = 0;
  ReceiveBuffer buffer;
};

Outcome Transact(TransactionRecord& record, enumPLCMode mode, ScriptedPort& port,
                 int16_t timeout = kTimeout) {
  Outcome run;
  run.returned = RunTransaction(record, mode, port, timeout, run.result, run.buffer);
  EXPECT_EQ(run.returned, run.result);
  return run;
}

Bytes Rtu(const Bytes& m) { return pwtest::RtuFrame(m); }
Bytes Ascii(const Bytes& m) { return pwtest::AsciiFrame(m); }

TEST(Transaction, RtuReadDeliversRegistersAndNeverTakesStaleInput) {
  auto record = Record(ReadHoldingReg, Integer, 3);
  ScriptedPort port;
  port.Stale({0x01, 0x03, 0x06});
  port.ArriveAt(5, Rtu({0x01, 0x03, 0x06, 0x00, 0x0A, 0xFF, 0xFE, 0x12, 0x34}));
  const Outcome run = Transact(record, RTU, port);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(port.written, (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x03, 0x05, 0xCB}));
  EXPECT_GE(port.purges, 1);
  EXPECT_EQ(record.words[0], 10);
  EXPECT_EQ(record.words[1], -2);
  EXPECT_EQ(record.words[2], 0x1234);
  EXPECT_EQ(run.buffer.count, 11);
}

TEST(Transaction, SplitRepliesCompleteOnceTheExpectedLengthIsHeld) {
  for (enumPLCMode mode : {RTU, ASCII}) {
    SCOPED_TRACE(mode);
    auto record = Record(ReadHoldingReg, Integer, 64);
    Bytes message = {0x01, 0x03, 128};
    for (int i = 0; i < 128; ++i) message.push_back(static_cast<uint8_t>(i));
    const Bytes reply = mode == RTU ? Rtu(message) : Ascii(message);
    ScriptedPort port;
    for (size_t at = 0, t = 1; at < reply.size(); at += 7, t += 3)
      port.ArriveAt(t, Bytes(reply.begin() + at, reply.begin() + std::min(at + 7, reply.size())));
    const Outcome run = Transact(record, mode, port);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(record.words[0], 0x0001);
    EXPECT_EQ(record.words[63], 0x7E7F);
    EXPECT_EQ(run.buffer.count, reply.size());
  }
  // A write's echo is eight bytes: seven held must not be taken for the whole reply.
  struct {
    enumPLCFunction function;
    Bytes echo;
  } writes[] = {{ForceSingleCoil, {0x01, 0x05, 0x00, 0x00, 0xFF, 0x00}},
                {SetSingleReg, {0x01, 0x06, 0x00, 0x00, 0x12, 0x34}},
                {SetMultipleCoils, {0x01, 0x0F, 0x00, 0x00, 0x00, 0x02}},
                {SetMultipleReg, {0x01, 0x10, 0x00, 0x00, 0x00, 0x02}}};
  for (const auto& write : writes) {
    SCOPED_TRACE(write.function);
    auto record = Record(write.function, Integer, 2);
    const Bytes reply = Rtu(write.echo);
    ScriptedPort port;
    port.ArriveAt(1, Bytes(reply.begin(), reply.begin() + 7));
    port.ArriveAt(6, Bytes(reply.begin() + 7, reply.end()));
    const Outcome run = Transact(record, RTU, port);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.buffer.count, 8);
  }
}

TEST(Transaction, ExceptionsGiveTheirCodeAndLeaveDataAlone) {
  struct {
    enumPLCMode mode;
    uint8_t code;
    int16_t expected;
  } cases[] = {{RTU, 2, 2}, {RTU, 0x81, -127}, {RTU, 0xFF, -1}, {ASCII, 3, 3}, {ASCII, 0x81, 129}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    auto record = Filled(ReadHoldingReg, Long, 2);
    const auto before = record;
    ScriptedPort port;
    const Bytes message = {0x01, 0x83, c.code};
    port.ArriveAt(3, c.mode == RTU ? Rtu(message) : Ascii(message));
    const Outcome run = Transact(record, c.mode, port);
    EXPECT_EQ(run.result, c.expected);
    EXPECT_TRUE(SameData(record, before));
    if (c.mode == RTU) {
      EXPECT_EQ(run.buffer.count, 5);
    }
  }
}

TEST(Transaction, BadChecksumsGiveMinusTwoAndLeaveDataAlone) {
  const Bytes message = {0x01, 0x03, 0x02, 0x12, 0x34};
  Bytes badCrc = Rtu(message);
  badCrc.back() ^= 0x01;
  Bytes badLrc = Ascii(message);
  badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
  const std::string lower = ":01030200ab4f\r\n";  // valid LRC in lower case
  const std::string odd = ":0103020012346\r\n";
  struct {
    const char* name;
    enumPLCMode mode;
    Bytes reply;
  } cases[] = {{"wrong CRC", RTU, badCrc},
               {"wrong LRC", ASCII, badLrc},
               {"lower-case hex", ASCII, pwtest::TextBytes(lower)},
               {"odd hex length", ASCII, pwtest::TextBytes(odd)},
               {"wrong CRC after noise", RTU, [&] {
                  Bytes b = {0x00};
                  b.insert(b.end(), badCrc.begin(), badCrc.end());
                  return b;
                }()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto record = Filled(ReadHoldingReg, Integer, 1);
    const auto before = record;
    ScriptedPort port;
    port.ArriveAt(2, c.reply);
    port.ArriveAt(2, c.mode == RTU ? Rtu(message) : Ascii(message), 1);
    ReceiveBuffer buffer;
    int16_t result = kStale;
    EXPECT_EQ(RunTransaction(record, c.mode, port, kTimeout, result, buffer), kResultChecksum);
    EXPECT_TRUE(SameData(record, before));
    EXPECT_LT(port.Now() - 1000, 10u) << "ends once the line falls silent";
    // The drive has answered, if spoilt: nothing late can follow, so the next request waits
    // only for the quiet line, not for the guard of an unanswered one.
    EXPECT_EQ(RunTransaction(record, c.mode, port, kTimeout, result, buffer), 0);
    EXPECT_EQ(record.words[0], 0x1234);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_LT(port.writes[1].atUs - port.writes[0].atUs, 20'000u);
  }
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Only the reply to this request is taken: a frame from another node, with another function
// (or its exception), another byte count or another write's echo is passed over, and so is
// noise before the reply; the right reply after them is still taken within the time-out.
TEST(Transaction, OnlyTheReplyThatFitsTheRequestIsTaken) {
  const Bytes reply = {0x01, 0x03, 0x04, 0x11, 0x11, 0x22, 0x22};
  struct Row {
    const char* name;
    enumPLCFunction function;
    Bytes noise;                  // raw bytes first
    std::vector<Bytes> messages;  // then these, each framed
    int16_t result;
  };
  const Row rows[] = {
      {"noise byte", ReadHoldingReg, {0x00}, {reply}, 0},
      {"noise like the node address", ReadHoldingReg, {0x01, 0x01}, {reply}, 0},
      {"noise like a header", ReadHoldingReg, {0x01, 0x03}, {reply}, 0},
      {"another node first",
       ReadHoldingReg,
       {},
       {{0x02, 0x03, 0x04, 0xDE, 0xAD, 0xBE, 0xEF}, reply},
       0},
      {"another function first",
       ReadHoldingReg,
       {},
       {{0x01, 0x04, 0x04, 0xDE, 0xAD, 0xBE, 0xEF}, reply},
       0},
      {"another byte count first", ReadHoldingReg, {}, {{0x01, 0x03, 0x02, 0xDE, 0xAD}, reply}, 0},
      {"another function's exception first", ReadHoldingReg, {}, {{0x01, 0x84, 0x02}, reply}, 0},
      {"own exception after noise", ReadHoldingReg, {0xFF}, {{0x01, 0x83, 0x02}}, 2},
      {"another node only", ReadHoldingReg, {}, {{0x02, 0x03, 0x04, 0x11, 0x11, 0x22, 0x22}}, -1},
      {"another byte count only", ReadHoldingReg, {}, {{0x01, 0x03, 0x06, 0, 1, 0, 2, 0, 3}}, -1},
      {"echo of another address first",
       SetSingleReg,
       {},
       {{0x01, 0x06, 0x00, 0x0B, 0x00, 0x07}, {0x01, 0x06, 0x00, 0x09, 0x00, 0x07}},
       0},
      {"echo of another quantity only",
       SetMultipleReg,
       {},
       {{0x01, 0x10, 0x00, 0x09, 0x00, 0x03}},
       -1},
  };
  for (enumPLCMode mode : {RTU, ASCII}) {
    for (const Row& row : rows) {
      for (bool byteByByte : {false, true}) {
        SCOPED_TRACE(std::string(row.name) + (mode == RTU ? " RTU" : " ASCII") +
                     (byteByByte ? " byte by byte" : ""));
        auto record = Filled(row.function, Integer, 2);
        record.address = 10;
        record.words[0] = 7;
        const auto before = record;
        Bytes line = row.noise;
        for (const Bytes& m : row.messages) line = Cat({line, mode == RTU ? Rtu(m) : Ascii(m)});
        ScriptedPort port;
        if (byteByByte) {
          for (size_t i = 0; i < line.size(); ++i) port.ArriveAtUs(1000 + 100 * i, {line[i]});
        } else {
          port.ArriveAt(1, line);
        }
        EXPECT_EQ(Transact(record, mode, port, 100).result, row.result);
        if (row.result == 0 && row.function == ReadHoldingReg) {
          EXPECT_EQ(record.words[0], 0x1111);
          EXPECT_EQ(record.words[1], 0x2222);
        } else {
          EXPECT_TRUE(SameData(record, before));
        }
      }
    }
  }
}

// Before a request goes out the line has been silent for the inter-frame gap since its last
// byte: 3.5 characters at the line's baud rate and character size, 1.75 ms above 19,200 baud.
TEST(Transaction, ARequestWaitsForTheInterFrameGapAfterTheLastByte) {
  struct {
    LineTiming timing;
    uint64_t gapUs;
  } rows[] = {{{9600, 10}, 3646},
              {{19200, 11}, 2006},
              {{19200, 10}, 1823},
              {{38400, 11}, 1750},
              {{115200, 11}, 1750}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.timing.baud);
    ScriptedPort port;
    port.timing = row.timing;
    port.Stale({0x55});  // noise already on the line: the first request waits for it too
    port.ArriveAt(5, Rtu({0x01, 0x03, 0x02, 0x00, 0x01}), 0);
    port.ArriveAt(5, Rtu({0x01, 0x03, 0x02, 0x00, 0x02}), 1);
    ReceiveBuffer buffer;
    int16_t result = kStale;
    auto record = Record(ReadHoldingReg, Integer, 1);
    ASSERT_EQ(RunTransaction(record, RTU, port, 100, result, buffer), 0);
    ASSERT_EQ(RunTransaction(record, RTU, port, 100, result, buffer), 0);
    EXPECT_EQ(record.words[0], 2);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0].atUs - 1'000'000, row.gapUs);
    EXPECT_EQ(port.writes[1].atUs - (port.writes[0].atUs + 5000), row.gapUs);
  }
}

// A reply that comes after the time-out is drained while the line settles (the time-out again
// here), never taken for the next request's: one of the same shape queued behind it, or one
// that differs and is told apart by its byte count even after the guard.
TEST(Transaction, ALateReplyIsNeverCreditedToTheNextRequest) {
  struct {
    const char* name;
    uint32_t lateMs;
    int16_t nextQuantity;
    uint32_t nextReplyMs;
  } rows[] = {{"same shape within the guard", 130, 2, 2},
              {"another shape after the guard", 230, 3, 35}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedPort port;
    port.ArriveAt(row.lateMs, Rtu({0x01, 0x03, 0x04, 0x0A, 0x0A, 0x0A, 0x0A}), 0);
    Bytes next = {0x01, 0x03, static_cast<uint8_t>(2 * row.nextQuantity)};
    for (int i = 0; i < row.nextQuantity; ++i) next.insert(next.end(), {0x0B, 0x0B});
    port.ArriveAt(row.nextReplyMs, Rtu(next), 1);
    ReceiveBuffer buffer;
    int16_t result = kStale;
    auto first = Record(ReadHoldingReg, Integer, 2);
    auto second = Filled(ReadHoldingReg, Integer, row.nextQuantity);
    EXPECT_EQ(RunTransaction(first, RTU, port, 100, result, buffer), kResultTimeout);
    EXPECT_EQ(RunTransaction(second, RTU, port, 100, result, buffer), 0);
    EXPECT_EQ(second.words[0], 0x0B0B);
    EXPECT_EQ(second.words[1], 0x0B0B);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_GE(port.writes[1].atUs - port.writes[0].atUs, 200'000u);
  }
}

// A line that keeps chattering never falls quiet: the request is not written into it.
TEST(Transaction, ALineThatNeverFallsQuietIsNotWrittenInto) {
  ScriptedPort port;
  for (uint32_t ms = 120; ms < 600; ++ms) port.ArriveAt(ms, {0xFF}, 0);
  ReceiveBuffer buffer;
  int16_t result = kStale;
  auto record = Record(ReadHoldingReg, Integer, 1);
  EXPECT_EQ(RunTransaction(record, RTU, port, 100, result, buffer), kResultTimeout);
  EXPECT_EQ(RunTransaction(record, RTU, port, 100, result, buffer), kResultTimeout);
  EXPECT_EQ(port.writes.size(), 1u);
  EXPECT_LT(port.Now() - 1000, 400u);
}

TEST(Transaction, LocalFailuresGiveTheirCodes) {
  {
    SCOPED_TRACE("no reply");
    auto record = Filled(ReadHoldingReg, Integer, 1);
    ScriptedPort port;
    EXPECT_EQ(Transact(record, RTU, port, 150).result, kResultTimeout);
    EXPECT_GT(port.NowUs() - 1'000'000, 150'000u);
    EXPECT_LT(port.waits, 5);  // waited on the port, not spun
  }
  {
    SCOPED_TRACE("reply one millisecond too late");
    auto record = Record(ReadHoldingReg, Integer, 1);
    ScriptedPort port;
    port.ArriveAt(151, Rtu({0x01, 0x03, 0x02, 0x00, 0x01}));
    EXPECT_EQ(Transact(record, RTU, port, 150).result, kResultTimeout);
  }
  {
    SCOPED_TRACE("byte count 0 or above the request never settles the length");
    for (uint8_t count : {0, 3}) {
      auto record = Record(ReadHoldingReg, Integer, 1);
      ScriptedPort port;
      port.ArriveAt(1, Rtu({0x01, 0x03, count, 0, 0, 0}));
      EXPECT_EQ(Transact(record, RTU, port).result, kResultTimeout);
    }
  }
  {
    SCOPED_TRACE("waiting bytes but an empty read");
    auto record = Record(ReadHoldingReg, Integer, 1);
    ScriptedPort port;
    port.emptyRead = true;
    EXPECT_EQ(Transact(record, RTU, port).result, kResultReadFailed);
  }
  {
    SCOPED_TRACE("read failure");
    auto record = Record(ReadHoldingReg, Integer, 1);
    ScriptedPort port;
    port.failRead = true;
    port.ArriveAt(1, {0x01});
    EXPECT_EQ(Transact(record, RTU, port).result, kResultReadFailed);
    ScriptedPort unreadable;  // already before the request: nothing is written
    unreadable.failRead = true;
    unreadable.Stale({0x01});
    EXPECT_EQ(Transact(record, RTU, unreadable).result, kResultReadFailed);
    EXPECT_TRUE(unreadable.writes.empty());
  }
  {
    SCOPED_TRACE("write failure");
    auto record = Record(ReadHoldingReg, Integer, 1);
    ScriptedPort port;
    port.failWrite = true;
    EXPECT_EQ(Transact(record, RTU, port).result, kResultWriteFailed);
  }
}

TEST(Transaction, FloodsOverflowInRtuAndAreDroppedInAscii) {
  const Bytes flood(1100, 0x00);  // byte count 0: the length never settles
  auto record = Filled(ReadHoldingReg, Integer, 1);
  const auto before = record;
  ScriptedPort rtu;
  rtu.ArriveAt(1, flood);
  EXPECT_EQ(Transact(record, RTU, rtu).result, kResultOverflow);

  ScriptedPort ascii;
  Bytes text = pwtest::TextBytes(":0103");  // this reply's header, then no valid hex
  text.resize(1000, 'A');
  ascii.ArriveAt(1, text);
  ascii.ArriveAt(2, Bytes(100, 'A'));  // dropped: would pass 1023
  ascii.ArriveAt(3, {'\n'});
  const Outcome run = Transact(record, ASCII, ascii);
  EXPECT_EQ(run.result, kResultChecksum);
  EXPECT_EQ(run.buffer.count, 1001);
  EXPECT_TRUE(SameData(record, before));
}

TEST(Transaction, RepliesDecodeByTheRequestsFunctionAndType) {
  for (enumPLCMode mode : {RTU, ASCII}) {
    SCOPED_TRACE(mode);
    auto frame = [&](const Bytes& m) { return mode == RTU ? Rtu(m) : Ascii(m); };
    {
      auto record = Filled(ReadCoil, Integer, 10);
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x01, 0x02, 0xCD, 0x01}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_EQ(static_cast<uint16_t>(record.words[0]), 0x01CD);
      EXPECT_EQ(static_cast<uint16_t>(record.words[1]), 0x5A00);  // byte after the last zeroed
      auto odd = Filled(ReadInput, Integer, 3);
      ScriptedPort port2;
      port2.ArriveAt(1, frame({0x01, 0x02, 0x01, 0x05}));
      EXPECT_EQ(Transact(odd, mode, port2).result, 0);
      EXPECT_EQ(static_cast<uint16_t>(odd.words[0]), 0x0005);
    }
    {
      auto record = Filled(ReadHoldingReg, Long, 2);
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x03, 0x08, 0x04, 0xD2, 0x16, 0x2E, 0x27, 0x0F, 0x27, 0x0F}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_EQ(record.longs[0], 12'345'678);
      EXPECT_EQ(record.longs[1], 99'999'999);
    }
    {
      auto record = Filled(ReadInputReg, Float, 1);
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x04, 0x04, 0x0F, 0xDB, 0x40, 0x49}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_FLOAT_EQ(record.floats[0], 3.14159265f);
    }
    {
      auto record = Filled(ReadHoldingReg, String, 4);
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x03, 0x08, 'E', 'V', 'O', 'L', 0, 'U', 'X', 'Y'}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_STREQ(record.text, "VELOU");
    }
    {
      auto record = Filled(ReadHoldingReg, BCD, 1);  // delivered raw
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x03, 0x02, 0x12, 0x34}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_EQ(record.words[0], 0x1234);
    }
    {
      auto record = Filled(SetMultipleReg, Integer, 2);
      const auto before = record;
      ScriptedPort port;
      port.ArriveAt(1, frame({0x01, 0x10, 0x00, 0x00, 0x00, 0x02}));
      EXPECT_EQ(Transact(record, mode, port).result, 0);
      EXPECT_TRUE(SameData(record, before));  // the echo is not examined
    }
  }
}

class Recorder : public FrameObserver {
 public:
  void Request(const uint8_t* bytes, size_t length) override {
    request.assign(bytes, bytes + length);
  }
  void Reply(const uint8_t* bytes, size_t length, int16_t result) override {
    reply.assign(bytes, bytes + length);
    code = result;
  }
  Bytes request, reply;
  int16_t code = kStale;
};

TEST(Transaction, ObserverSeesRequestReplyAndResult) {
  auto record = Record(SetSingleReg, Integer, 1);
  record.words[0] = 0x0102;
  const Bytes echo = Rtu({0x01, 0x06, 0x00, 0x00, 0x01, 0x02});
  ScriptedPort port;
  port.ArriveAt(1, echo);
  Recorder recorder;
  int16_t result = kStale;
  ReceiveBuffer buffer;
  RunTransaction(record, RTU, port, kTimeout, result, buffer, &recorder);
  EXPECT_EQ(recorder.request, echo);
  EXPECT_EQ(recorder.reply, echo);
  EXPECT_EQ(recorder.code, 0);
}

}  // namespace
}  // namespace portwright
