// The configuration file (.vmc): a drive configuration as text, one parameter per line, in raw
// drive units. This module only turns bytes into values and values into bytes: no windows, no
// prompts, no program globals. The program (SaveFile / OpenFile) and the command-line tools
// sit on top of it.
//
//   #212001                                  motor code, then the firmware number
//   #/home/tech/Configs/pump.vmc             where it was written
//   #<date and time>
//   #WARNING! ... (three fixed lines)
//   000,2001                                 key gnn, raw value
//   ...
//
// Lines end with CR LF. The reader is lenient about the form: comment lines and blank lines are
// skipped, "15,7" is P1.05 = 7, keys are read by their leading number. A value must be a number
// ("109,abc" and "134,5OO" are refused), and a last line without the line end that the other
// lines have is a file cut short. It reads the whole file before anything is applied, so a
// damaged file is refused as a whole, naming its line.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace basFunctions {
class ValueTable;
}

namespace config_file {

constexpr int kHeaderLines = 6;
// The jog-speed parameter P4.05: a file value above this is not taken (values above it are
// jog commands to the drive, not speeds).
constexpr int kJogSpeedIndex = 405;
constexpr double kJogSpeedLimit = 3000;

// What line 1 says: characters 2-3 are the motor code, 4-6 the revision, 4-7 the firmware.
struct Header {
  QString motorCode;
  QString revision;
  QString firmware;
};

// One parameter line as read.
struct ParamLine {
  int lineNumber = 0;    // 1-based
  int group = 0;         // 0..6
  int number = 0;        // 0..99
  int32_t value = 0;     // the value rounded to 32 bits, halves to even
  double asWritten = 0;  // the value's leading number before rounding
  QString text;          // the line as it stands in the file
};

// The line that made the reader refuse the file.
struct Refusal {
  int lineNumber = 0;  // 1-based
  QString text;        // the line as it stands in the file
  QString reason;
};

struct Contents {
  Header header;
  QList<ParamLine> params;  // in file order
  std::optional<Refusal> refused;
  bool ok() const { return !refused.has_value(); }
};

// Reads a whole file's bytes. Refuses an empty file, a file cut short, a key outside groups
// 0..6 or numbers 0..99, a value that is not a number or does not fit in 32 bits; everything
// else is read by the rules above. Whether a value fits its parameter is config_check's.
Contents Read(const QByteArray& bytes);

// The file's bytes for a configuration: six header lines, then g = 0..4, nn = 0..limits[g].
QByteArray Write(const basFunctions::ValueTable& config, const std::array<int16_t, 5>& limits,
                 const QString& path, const QString& writtenAt);

// Stores every line of a good file into the table. A P4.05 above kJogSpeedLimit gets
// `jogSpeedDefault` instead; the result is the number of lines so replaced.
int Apply(const Contents& contents, basFunctions::ValueTable& config, int32_t jogSpeedDefault);

}  // namespace config_file
