#include "value_codec.h"

#include <bit>

namespace pwcli {

std::optional<uint16_t> EncodeBcd(int value) {
  if (value < 0 || value > 9999) return std::nullopt;
  uint16_t word = 0;
  for (int shift = 0; shift < 16; shift += 4) {
    word |= static_cast<uint16_t>((value % 10) << shift);
    value /= 10;
  }
  return word;
}

std::optional<int> DecodeBcd(uint16_t word) {
  int value = 0;
  for (int shift = 12; shift >= 0; shift -= 4) {
    int digit = (word >> shift) & 0xF;
    if (digit > 9) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<std::array<uint16_t, 2>> EncodeLong(int64_t value) {
  if (value < 0 || value > 99'999'999) return std::nullopt;
  return std::array<uint16_t, 2>{static_cast<uint16_t>(value / 10000),
                                 static_cast<uint16_t>(value % 10000)};
}

int64_t DecodeLong(uint16_t a, uint16_t b) { return int64_t{a} * 10000 + b; }

std::array<uint16_t, 2> EncodeFloat(float value) {
  uint32_t pattern = std::bit_cast<uint32_t>(value);
  return {static_cast<uint16_t>(pattern & 0xFFFF), static_cast<uint16_t>(pattern >> 16)};
}

float DecodeFloat(uint16_t first, uint16_t second) {
  return std::bit_cast<float>(uint32_t{first} | (uint32_t{second} << 16));
}

int MinimalStringRegisters(const std::string& text) {
  return static_cast<int>(text.size() / 2 + 1);
}

std::optional<std::vector<uint16_t>> EncodeString(const std::string& text, int registerCount) {
  if (registerCount < MinimalStringRegisters(text)) return std::nullopt;
  std::vector<uint16_t> words(registerCount, 0);
  for (size_t i = 0; i < text.size(); ++i) {
    uint16_t byte = static_cast<uint8_t>(text[i]);
    words[i / 2] |= (i % 2 == 0) ? byte : static_cast<uint16_t>(byte << 8);
  }
  return words;
}

std::string DecodeString(const std::vector<uint16_t>& words) {
  std::string text;
  for (uint16_t word : words) {
    for (char c : {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)}) {
      if (c == '\0') return text;
      text.push_back(c);
    }
  }
  return text;
}

std::vector<uint16_t> PackCoils(const std::vector<bool>& coils) {
  std::vector<uint16_t> words((coils.size() + 15) / 16, 0);
  for (size_t i = 0; i < coils.size(); ++i) {
    if (coils[i]) words[i / 16] |= static_cast<uint16_t>(1u << (i % 16));
  }
  return words;
}

std::vector<bool> UnpackCoils(const std::vector<uint16_t>& words, int count) {
  std::vector<bool> coils(count, false);
  for (int i = 0; i < count && static_cast<size_t>(i / 16) < words.size(); ++i) {
    coils[i] = (words[i / 16] >> (i % 16)) & 1;
  }
  return coils;
}

}  // namespace pwcli
