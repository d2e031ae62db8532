// Fuzzes the configuration-file reader: any bytes are read without a fault, a good file gives
// only keys inside the tables, a refused file names a line that is there, what the reader
// gives can be stored, and what is stored writes out and reads back to the same values.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "params/config_file.h"
#include "params/value_table.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::array<int16_t, 5> kLimits{8, 56, 65, 8, 23};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const config_file::Contents read = config_file::Read(bytes);
  Check(read.header.motorCode.size() <= 2 && read.header.firmware.size() <= 4);
  if (!read.ok()) {
    Check(read.params.isEmpty());
    Check(read.refused->lineNumber >= 1 && !read.refused->reason.isEmpty());
    Check(read.refused->text.size() <= bytes.size());
    return 0;
  }
  int previousLine = 1;
  for (const config_file::ParamLine& param : read.params) {
    Check(param.group >= 0 && param.group <= 6 && param.number >= 0 && param.number <= 99);
    Check(param.lineNumber > previousLine);
    previousLine = param.lineNumber;
  }
  basFunctions::ValueTable config;
  config_file::Apply(read, config, 20);  // never an access outside the table
  Check(config.P(4, 5) <= config_file::kJogSpeedLimit);

  const config_file::Contents again =
      config_file::Read(config_file::Write(config, kLimits, "fuzz.vmc", "now"));
  Check(again.ok());
  basFunctions::ValueTable back;
  config_file::Apply(again, back, 20);
  for (int group = 0; group <= 4; ++group)
    for (int number = 0; number <= kLimits[group]; ++number)
      Check(back.P(group, number) == config.P(group, number));
  return 0;
}
