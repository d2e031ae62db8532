// Request frames, checksums and the BCD/long arithmetic, written out byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frame.h"
#include "pty_slave.h"

namespace portwright {
namespace {

using pwtest::Bytes;

TransactionRecord Record(enumPLCFunction function, enumDataType type, int16_t quantity,
                         int16_t address, uint8_t node = 1) {
  TransactionRecord r;
  r.function = function;
  r.dataType = type;
  r.quantity = quantity;
  r.address = address;
  r.node = node;
  return r;
}

Bytes BuildRtu(const TransactionRecord& r) {
  uint8_t out[frame::kBufferSize];
  const size_t length = frame::BuildRtuRequest(r, out);
  return Bytes(out, out + length);
}

std::string BuildAscii(const TransactionRecord& r) {
  char out[frame::kBufferSize];
  const size_t length = frame::BuildAsciiRequest(r, out);
  return std::string(out, length);
}

struct FrameCase {
  const char* name;
  std::function<TransactionRecord()> record;
  Bytes message;  // without CRC; the ASCII form must carry the same bytes
};

TEST(Frame, RequestsCarryTheFieldsOfEveryFunctionAndDataType) {
  const std::vector<FrameCase> cases = {
      {"read 3 holding registers",
       [] { return Record(ReadHoldingReg, Integer, 3, 1); },
       {0x01, 0x03, 0x00, 0x00, 0x00, 0x03}},
      {"address 4095 goes as 0x0FFE",
       [] { return Record(ReadHoldingReg, Integer, 1, 4095); },
       {0x01, 0x03, 0x0F, 0xFE, 0x00, 0x01}},
      {"read coils",
       [] { return Record(ReadCoil, Integer, 19, 20, 17); },
       {0x11, 0x01, 0x00, 0x13, 0x00, 0x13}},
      {"read inputs",
       [] { return Record(ReadInput, Long, 5, 1); },
       {0x01, 0x02, 0x00, 0x00, 0x00, 0x05}},
      {"read input registers as longs doubles the count",
       [] { return Record(ReadInputReg, Long, 4, 9); },
       {0x01, 0x04, 0x00, 0x08, 0x00, 0x08}},
      {"read floats doubles the count",
       [] { return Record(ReadHoldingReg, Float, 2, 1); },
       {0x01, 0x03, 0x00, 0x00, 0x00, 0x04}},
      {"force coil on",
       [] {
         auto r = Record(ForceSingleCoil, Integer, 1, 173);
         r.words[0] = 7;
         return r;
       },
       {0x01, 0x05, 0x00, 0xAC, 0xFF, 0x00}},
      {"force coil off",
       [] { return Record(ForceSingleCoil, Integer, 1, 1); },
       {0x01, 0x05, 0x00, 0x00, 0x00, 0x00}},
      {"set single register whatever the type",
       [] {
         auto r = Record(SetSingleReg, Float, 1, 2);
         r.words[0] = -2;
         return r;
       },
       {0x01, 0x06, 0x00, 0x01, 0xFF, 0xFE}},
      {"set 10 coils: low byte of word 0, then its high byte",
       [] {
         auto r = Record(SetMultipleCoils, Integer, 10, 20);
         r.words[0] = 0x02CD;
         return r;
       },
       {0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x02}},
      {"set 17 coils takes word 1 too",
       [] {
         auto r = Record(SetMultipleCoils, Integer, 17, 1);
         r.words[0] = 0x2211;
         r.words[1] = 0x0133;
         return r;
       },
       {0x01, 0x0F, 0x00, 0x00, 0x00, 0x11, 0x03, 0x11, 0x22, 0x33}},
      {"set integers",
       [] {
         auto r = Record(SetMultipleReg, Integer, 2, 2);
         r.words[0] = 0x000A;
         r.words[1] = -1;
         return r;
       },
       {0x01, 0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0xFF, 0xFF}},
      {"set BCD",
       [] {
         auto r = Record(SetMultipleReg, BCD, 2, 1);
         r.words[0] = 1234;
         r.words[1] = 9999;
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x12, 0x34, 0x99, 0x99}},
      {"set long 12,345,678 as 1234 and 5678",
       [] {
         auto r = Record(SetMultipleReg, Long, 1, 1);
         r.longs[0] = 12'345'678;
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x04, 0xD2, 0x16, 0x2E}},
      {"longs of 100,000,000 and -1 go as zeros",
       [] {
         auto r = Record(SetMultipleReg, Long, 2, 1);
         r.longs[0] = 100'000'000;
         r.longs[1] = -1;
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"float 1.5 (3FC00000) goes b1 b0 b3 b2",
       [] {
         auto r = Record(SetMultipleReg, Float, 1, 1);
         r.floats[0] = 1.5f;
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x00, 0x3F, 0xC0}},
      {"float with all four bytes distinct",
       [] {
         auto r = Record(SetMultipleReg, Float, 1, 1);
         uint32_t bits = 0x40490FDB;  // pi
         std::memcpy(&r.floats[0], &bits, 4);
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x0F, 0xDB, 0x40, 0x49}},
      {"string ABC swapped and padded to 4",
       [] {
         auto r = Record(SetMultipleReg, String, 1, 1);
         std::strcpy(r.text, "ABC");
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x42, 0x41, 0x00, 0x43}},
      {"string AB gets a whole zero register",
       [] {
         auto r = Record(SetMultipleReg, String, 1, 1);
         std::strcpy(r.text, "AB");
         return r;
       },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x42, 0x41, 0x00, 0x00}},
      {"empty string is one zero register",
       [] { return Record(SetMultipleReg, String, 1, 1); },
       {0x01, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00}},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TransactionRecord r = c.record();
    EXPECT_EQ(BuildRtu(r), pwtest::RtuFrame(c.message));
    const Bytes ascii = pwtest::AsciiFrame(c.message);
    EXPECT_EQ(BuildAscii(r), std::string(ascii.begin(), ascii.end()));
  }
}

TEST(Frame, KnownFramesEndWithTheirChecksums) {
  EXPECT_EQ(BuildRtu(Record(ReadHoldingReg, Integer, 3, 1)),
            (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x03, 0x05, 0xCB}));
  EXPECT_EQ(BuildRtu(Record(ReadHoldingReg, Integer, 1, 1)),
            (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
  EXPECT_EQ(BuildAscii(Record(ReadHoldingReg, Integer, 3, 1)), ":010300000003F9\r\n");
}

TEST(Frame, AsciiByteCountIsNotTruncatedAboveTwoDigits) {
  auto r = Record(SetMultipleReg, Integer, 130, 1);  // byte count 260
  const std::string ascii = BuildAscii(r);
  EXPECT_EQ(ascii.substr(0, 16), std::string(":011000000082") + "104");
  const Bytes rtu = BuildRtu(r);
  EXPECT_EQ(rtu[6], 0x04);  // RTU keeps the low 8 bits
  EXPECT_EQ(rtu.size(), 7u + 260 + 2);
}

TEST(Frame, OversizedQuantitiesStayInsideTheBuffers) {
  for (auto type : {Integer, BCD, Long, Float, String}) {
    for (auto function : {SetMultipleReg, SetMultipleCoils, ReadHoldingReg}) {
      auto r = Record(function, type, 2000, 4095);
      std::memset(r.text, 'x', sizeof r.text);  // not even terminated
      uint8_t rtu[frame::kBufferSize + 16];
      std::memset(rtu, 0xEE, sizeof rtu);
      const size_t rtuLength = frame::BuildRtuRequest(r, rtu);
      EXPECT_LE(rtuLength, frame::kBufferSize);
      EXPECT_EQ(rtu[frame::kBufferSize], 0xEE);
      EXPECT_EQ(frame::Crc16(rtu, rtuLength), 0);  // CRC of frame + CRC is zero
      char ascii[frame::kBufferSize + 16];
      std::memset(ascii, 0x7F, sizeof ascii);
      const size_t asciiLength = frame::BuildAsciiRequest(r, ascii);
      EXPECT_LE(asciiLength, frame::kBufferSize);
      EXPECT_EQ(ascii[frame::kBufferSize], 0x7F);
      EXPECT_EQ(std::string(ascii + asciiLength - 2, 2), "\r\n");
    }
  }
}

TEST(Frame, ChecksumsMatchTheReferenceCodecs) {
  const Bytes message = {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03};
  EXPECT_EQ(frame::Crc16(message.data(), message.size()), pwtest::ReferenceCrc16(message));
  EXPECT_EQ(frame::Crc16(message.data(), message.size()), 0x8776);
  EXPECT_EQ(frame::Lrc(message.data(), message.size()), 0x7E);
  EXPECT_EQ(frame::Lrc(nullptr, 0), 0);
  uint8_t byte = 0;
  EXPECT_TRUE(frame::HexByte('F', '9', byte));
  EXPECT_EQ(byte, 0xF9);
  EXPECT_FALSE(frame::HexByte('f', '9', byte));
  EXPECT_FALSE(frame::HexByte('G', '0', byte));
}

TEST(Frame, BcdAndLongArithmetic) {
  struct {
    int32_t value;
    uint32_t bcd;
  } bcd[] = {{0, 0}, {7, 0x7}, {1234, 0x1234}, {9999, 0x9999}, {12345678, 0x12345678}, {-5, 0}};
  for (const auto& c : bcd) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(frame::BcdEncode(c.value), c.bcd);
    if (c.value >= 0) {
      EXPECT_EQ(frame::BcdDecode(c.bcd), c.value);
    }
  }
  EXPECT_EQ(frame::BcdDecode(0x1A), 0);  // a nibble above 9
  EXPECT_EQ(frame::BcdDecode(0xF0000000), 0);

  struct {
    int32_t value;
    uint16_t a, b;
  } longs[] = {{12'345'678, 1234, 5678}, {99'999'999, 9999, 9999},
               {10'000, 1, 0},           {0, 0, 0},
               {100'000'000, 0, 0},      {-1, 0, 0}};
  for (const auto& c : longs) {
    SCOPED_TRACE(c.value);
    uint16_t a = 1, b = 1;
    frame::LongEncode(c.value, a, b);
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(b, c.b);
    const uint8_t wire[4] = {uint8_t(a >> 8), uint8_t(a), uint8_t(b >> 8), uint8_t(b)};
    EXPECT_EQ(frame::LongDecode(wire), (c.value < 0 || c.value > 99'999'999) ? 0 : c.value);
  }
}

}  // namespace
}  // namespace portwright
