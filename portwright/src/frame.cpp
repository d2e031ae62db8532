#include "frame.h"

#include <array>

namespace portwright::frame {

namespace {

// The usual pair of 256-entry tables, one for each CRC byte (reflected polynomial 0xA001).
struct CrcTables {
  std::array<uint8_t, 256> high{};
  std::array<uint8_t, 256> low{};
  constexpr CrcTables() {
    for (int i = 0; i < 256; ++i) {
      uint16_t crc = static_cast<uint16_t>(i);
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
      low[i] = static_cast<uint8_t>(crc & 0xFF);
      high[i] = static_cast<uint8_t>(crc >> 8);
    }
  }
};
constexpr CrcTables kCrc;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint8_t low = 0xFF, high = 0xFF;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t index = low ^ data[i];
    low = high ^ kCrc.low[index];
    high = kCrc.high[index];
  }
  return static_cast<uint16_t>(high << 8 | low);
}

uint8_t Lrc(const uint8_t* data, size_t length) {
  uint8_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + data[i]);
  return static_cast<uint8_t>(-sum);
}

bool HexByte(char high, char low, uint8_t& value) {
  const int h = HexDigit(high), l = HexDigit(low);
  if (h < 0 || l < 0) return false;
  value = static_cast<uint8_t>(h << 4 | l);
  return true;
}

bool HexToBytes(const char* text, size_t length, uint8_t* out) {
  for (size_t i = 0; i + 1 < length; i += 2)
    if (!HexByte(text[i], text[i + 1], out[i / 2])) return false;
  return true;
}

}  // namespace portwright::frame
