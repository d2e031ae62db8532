// The log table of a capture (one row per millisecond since Start, one column per channel)
// and the comma-separated file written from it.
#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "scope/scope_sources.h"

namespace basScope {

class ScopeLogTable {
 public:
  // A fresh table for times 1..lengthMs; header[c] is channel c's SourceIndex as text or
  // "Not Used". Old content is discarded.
  void Reset(int lengthMs, const std::array<QString, kChannels>& header);
  // Logs channel c's raw sample at timeMs. A sample past the end of the table is not logged
  // and the answer is false: logging simply ends there (a capture runs a little longer than
  // its buffer, and free running goes on for as long as the user lets it).
  bool Put(int timeMs, int channel, int16_t raw);
  std::optional<int16_t> At(int timeMs, int channel) const;
  int length() const { return length_; }
  const std::array<QString, kChannels>& header() const { return header_; }

 private:
  static constexpr int32_t kEmpty = INT32_MIN;
  int length_ = 0;
  std::array<QString, kChannels> header_;
  std::vector<int32_t> cells_;  // (length_ + 1) rows of kChannels
};

// The file's lines without their line ends: its own path, "Created " + the date and time, the
// three channel headers, then "t,c1,c2,c3" for every millisecond that holds a sample.
QStringList ScopeCsvLines(const ScopeLogTable& table, const QString& csvPath,
                          const QString& created);
// A capture read back from its .csv: each channel's SourceIndex (-1 when its header cannot be
// read), whether it was used, its raw samples as (milliseconds, value), and one text per line
// left out. A file that cannot be opened raises run-time error 53.
struct ScopeCsvCapture {
  std::array<int, kChannels> sources{-1, -1, -1};
  std::array<bool, kChannels> used{};
  std::array<QVector<QPointF>, kChannels> samples;
  QStringList problems;
};
ScopeCsvCapture ReadScopeCsv(const QString& csvPath);

// The text that names a line of a file left out when reading it, and why.
QString LeftOutLine(const QString& path, int line, const QString& why);

// Writes the file (replacing one that exists), every line ended by CR LF. A file that cannot
// be written raises run-time error 75.
void WriteScopeCsv(const ScopeLogTable& table, const QString& csvPath);
// Writes the lines with CR LF ends, whole or not at all; error 75 when that fails.
void WriteCsvLines(const QStringList& lines, const QString& csvPath);

}  // namespace basScope
