// The boundary values every way into a parameter is tried with (open, typing, the wizard and
// bit editor, download, velumo-config): the edges of a signed and of an unsigned register
// word, values beyond both, and texts that are not, or not quite, numbers. Header only, so
// that the tools' tests share it.
#pragma once

#include <cstdint>
#include <optional>

namespace boundary {

struct Value {
  const char* text;
  // What the parameter holds afterwards; none when the value is refused.
  std::optional<int32_t> unsignedParam;  // P3.08 of 2.10 (0..65535) typed, or in memory
  std::optional<int32_t> unsignedFiled;  // the same in a file: earlier versions wrote the
                                         // word as a signed number, so -1 is 65535
  std::optional<int32_t> signedParam;    // P1.44 (1..32767), typed, in memory or filed
};

constexpr std::optional<int32_t> kRefused;

inline constexpr Value kValues[] = {
    {"-32769", kRefused, kRefused, kRefused}, {"-32768", kRefused, 32768, kRefused},
    {"-1", kRefused, 65535, kRefused},        {"0", 0, 0, kRefused},
    {"32767", 32767, 32767, 32767},           {"32768", 32768, 32768, kRefused},
    {"65535", 65535, 65535, kRefused},        {"65536", kRefused, kRefused, kRefused},
    {"70000", kRefused, kRefused, kRefused},  {"abc", kRefused, kRefused, kRefused},
    {"5OO", kRefused, kRefused, kRefused},    {"1e3", 1000, 1000, 1000},
};

}  // namespace boundary
