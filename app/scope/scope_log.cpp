#include "scope/scope_log.h"

#include <QFile>
#include <QSaveFile>

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

void WriteScopeCsv(const ScopeLogTable& table, const QString& csvPath) {
  const QStringList lines = ScopeCsvLines(table, csvPath, basFunctions::GeneralDateTime());
  QSaveFile file(csvPath);
  if (!file.open(QIODevice::WriteOnly))
    throw basFunctions::ProgramError(75, "Path/File access error");
  for (const QString& line : lines) file.write((line + QStringLiteral("\r\n")).toUtf8());
  if (!file.commit()) throw basFunctions::ProgramError(75, "Path/File access error");
}

}  // namespace basScope
