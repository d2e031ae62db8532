#include "params/conversions.h"

#include <algorithm>

#include "core/logs.h"

namespace basFunctions {

QString ConvertToBin(int16_t& value, int16_t bits) {
  QString digits;
  guarded("basFunctions, ConvertToBin()", [&] {
    int32_t remaining = value;
    for (int i = bits - 1; i >= 0; --i) {
      const int64_t weight = int64_t{1} << std::min(i, 62);
      if (remaining >= weight) {
        remaining -= static_cast<int32_t>(weight);
        digits += '1';
      } else {
        digits += '0';
      }
    }
    value = static_cast<int16_t>(remaining);
  });
  return digits;
}

int64_t ConvertToDec(const QString& text) {
  int64_t result = 0;
  guarded("basFunctions, ConvertToDec()", [&] {
    const QString digits = text.trimmed();
    if (digits.size() > 62) throw ProgramError(6, "Overflow");
    int64_t weight = 1;
    int64_t sum = 0;
    for (int i = digits.size() - 1; i >= 0; --i) {
      if (digits[i] == '1') sum += weight;
      weight *= 2;
    }
    result = sum;
  });
  return result;
}

QString DecimalToBinary(int32_t value) {
  QString digits;
  guarded("basFunctions, DecimalToBinary()", [&] {
    int64_t remaining = value;
    if (remaining < 0) remaining += 65536;
    while (remaining > 0) {
      digits.prepend(remaining % 2 ? '1' : '0');
      remaining /= 2;
    }
    digits = digits.rightJustified(16, '0');
  });
  return digits;
}

}  // namespace basFunctions
