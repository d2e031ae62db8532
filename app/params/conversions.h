// Conversions between numbers and texts of binary digits, used by the bit-field editors and the
// status bits.
#pragma once

#include <QString>
#include <cstdint>

namespace basFunctions {

// `bits` binary digits of a value, most significant first: each weight 2^i from 2^(bits-1)
// down that still fits is taken off the value and gives a "1". The caller's variable is left
// holding what was not taken (ConvertToBin(5, 4) gives "0101" and leaves 0; a value too large
// for the digits keeps its excess).
QString ConvertToBin(int16_t& value, int16_t bits);
// The value of a text of binary digits; any character other than "1" counts as 0.
int64_t ConvertToDec(const QString& text);
// At least 16 binary digits of a value; a negative value is taken as its 16-bit pattern.
QString DecimalToBinary(int32_t value);

}  // namespace basFunctions
