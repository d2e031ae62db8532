#include "scope/scope_log.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "core/logs.h"

namespace basScope {

void ScopeLogTable::Reset(int lengthMs, const std::array<QString, kChannels>& header) {
  length_ = std::max(0, lengthMs);
  header_ = header;
  cells_.assign(static_cast<size_t>(length_ + 1) * kChannels, kEmpty);
}

bool ScopeLogTable::Put(int timeMs, int channel, int16_t raw) {
  if (timeMs < 1 || timeMs > length_ || channel < 0 || channel >= kChannels) return false;
  cells_[static_cast<size_t>(timeMs) * kChannels + channel] = raw;
  return true;
}

std::optional<int16_t> ScopeLogTable::At(int timeMs, int channel) const {
  if (timeMs < 1 || timeMs > length_ || channel < 0 || channel >= kChannels) return std::nullopt;
  const int32_t cell = cells_[static_cast<size_t>(timeMs) * kChannels + channel];
  if (cell == kEmpty) return std::nullopt;
  return static_cast<int16_t>(cell);
}

QStringList ScopeCsvLines(const ScopeLogTable& table, const QString& csvPath,
                          const QString& created) {
  QStringList lines{csvPath, QStringLiteral("Created ") + created,
                    QStringList(table.header().begin(), table.header().end()).join(',')};
  for (int t = 1; t <= table.length(); ++t) {
    QStringList fields{QString::number(t)};
    bool any = false;
    for (int c = 0; c < kChannels; ++c) {
      const std::optional<int16_t> sample = table.At(t, c);
      any = any || sample.has_value();
      fields << (sample ? QString::number(*sample) : QString());
    }
    if (any) lines << fields.join(',');
  }
  return lines;
}

namespace {

// A header field: a SourceIndex 0..16, or "Not Used".
bool readHeader(const QString& field, int channel, ScopeCsvCapture& capture) {
  bool ok = false;
  const int source = field.toInt(&ok);
  capture.used[channel] = field != QLatin1String("Not Used");
  if (!capture.used[channel] || (ok && source >= 0 && source < kSourceCount)) {
    capture.sources[channel] = capture.used[channel] ? source : -1;
    return true;
  }
  return false;
}

// "t,c1,c2,c3": a whole millisecond from 1 on, and a 16-bit sample or nothing per channel.
QString readDataLine(const QStringList& fields, ScopeCsvCapture& capture) {
  if (fields.size() != kChannels + 1)
    return QStringLiteral("it holds %1 fields, not %2").arg(fields.size()).arg(kChannels + 1);
  bool ok = false;
  const int ms = fields[0].toInt(&ok);
  if (!ok || ms < 1)
    return QStringLiteral("time \"%1\" is not a whole number of milliseconds").arg(fields[0]);
  std::array<std::optional<int>, kChannels> values;
  for (int c = 0; c < kChannels; ++c) {
    if (fields[c + 1].isEmpty()) continue;
    values[c] = fields[c + 1].toInt(&ok);
    if (!ok || *values[c] < INT16_MIN || *values[c] > INT16_MAX)
      return QStringLiteral("channel %1 value \"%2\" is not a 16-bit whole number")
          .arg(c + 1)
          .arg(fields[c + 1]);
  }
  for (int c = 0; c < kChannels; ++c)
    if (values[c]) capture.samples[c].append(QPointF(ms, *values[c]));
  return QString();
}

}  // namespace

ScopeCsvCapture ReadScopeCsv(const QString& csvPath) {
  QFile file(csvPath);
  if (!file.open(QIODevice::ReadOnly)) throw basFunctions::ProgramError(53, "File not found");
  ScopeCsvCapture capture;
  const QList<QByteArray> lines = file.readAll().split('\n');
  for (int i = 2; i < lines.size(); ++i) {
    const QString line = QString::fromUtf8(lines[i]).remove(QChar('\r'));
    if (line.trimmed().isEmpty()) continue;
    const QStringList fields = line.split(QChar(','));
    QString why;
    if (i == 2) {
      for (int c = 0; c < kChannels; ++c)
        if (!readHeader(fields.value(c), c, capture))
          why = QStringLiteral(
                    "channel %1 header \"%2\" is neither a source number nor "
                    "\"Not Used\"")
                    .arg(c + 1)
                    .arg(fields.value(c));
    } else {
      why = readDataLine(fields, capture);
    }
    if (!why.isEmpty()) capture.problems << LeftOutLine(csvPath, i + 1, why);
  }
  return capture;
}

QString LeftOutLine(const QString& path, int line, const QString& why) {
  return QStringLiteral("Line %1 of %2 was left out: %3.")
      .arg(line)
      .arg(QFileInfo(path).fileName(), why);
}

void WriteScopeCsv(const ScopeLogTable& table, const QString& csvPath) {
  WriteCsvLines(ScopeCsvLines(table, csvPath, basFunctions::GeneralDateTime()), csvPath);
}

void WriteCsvLines(const QStringList& lines, const QString& csvPath) {
  QSaveFile file(csvPath);
  if (!file.open(QIODevice::WriteOnly))
    throw basFunctions::ProgramError(75, "Path/File access error");
  for (const QString& line : lines) file.write((line + QStringLiteral("\r\n")).toUtf8());
  if (!file.commit()) throw basFunctions::ProgramError(75, "Path/File access error");
}

}  // namespace basScope
