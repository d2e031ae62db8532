// Register layouts of the values a technician reads and writes, applied by the tool itself:
// the control's interface carries only 16-bit words, so 32-bit values, texts and coil bits
// are packed into and unpacked from words here, in the same layouts the control uses on the
// wire.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pwcli {

// Binary-coded decimal in one register: 1234 <-> 0x1234. Values 0..9999.
std::optional<uint16_t> EncodeBcd(int value);
// Empty when a nibble is above 9.
std::optional<int> DecodeBcd(uint16_t word);

// Long: register A = value div 10000, register B = value mod 10000 (A first).
// Values 0..99,999,999.
std::optional<std::array<uint16_t, 2>> EncodeLong(int64_t value);
int64_t DecodeLong(uint16_t a, uint16_t b);

// Float: the low half of the IEEE-754 pattern in the first register, the high half next.
std::array<uint16_t, 2> EncodeFloat(float value);
float DecodeFloat(uint16_t first, uint16_t second);

// String: each register holds two characters, the first one in its low byte; the text
// ends at the first zero byte. Encoding pads with zero bytes to registerCount registers;
// empty when the text and its terminating zero do not fit.
std::optional<std::vector<uint16_t>> EncodeString(const std::string& text, int registerCount);
std::string DecodeString(const std::vector<uint16_t>& words);
// Registers the control itself would send for a text: at least one terminating zero byte.
int MinimalStringRegisters(const std::string& text);

// Coils: coil i is bit i % 16 of word i / 16 (status byte 0 in the low byte of word 0).
std::vector<uint16_t> PackCoils(const std::vector<bool>& coils);
std::vector<bool> UnpackCoils(const std::vector<uint16_t>& words, int count);

}  // namespace pwcli
