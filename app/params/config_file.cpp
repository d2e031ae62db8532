#include "params/config_file.h"

#include <cmath>
#include <limits>

#include "params/number_text.h"
#include "params/value_table.h"

namespace config_file {
namespace {

using number_text::IsNumber;
using number_text::LeadingNumber;

const char* const kWarningLines[] = {
    "#WARNING! Changing any contents of this file may result in the confirguration",
    "#no longer being valid and could cause adverse effects if used.",
    "#Only make changes when instructed to do so from Tech Support personnel."};

// Splits at CR LF, LF or CR; a line end at the very end opens no further line. `lastEnded`
// tells whether the last line has its line end.
QList<QByteArray> splitLines(const QByteArray& bytes, bool& lastEnded) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  const qsizetype size = bytes.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(bytes.mid(start, i - start));
    if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lastEnded = start >= size;
  if (!lastEnded) lines.append(bytes.mid(start));
  return lines;
}

Header readHeader(const QString& line) { return {line.mid(1, 2), line.mid(3, 3), line.mid(3, 4)}; }

// A key part as a whole number (a part such as ".5" rounds like any other number).
int keyPart(const QString& text) { return static_cast<int>(std::nearbyint(LeadingNumber(text))); }

bool fitsIn32Bits(double value) {
  return std::isfinite(value) && value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// A line whose first two characters form a number: "g n,value" when the third character is
// a comma, else "g nn,value". The reason is set when the line cannot be taken.
ParamLine readParamLine(const QString& line, QString& reason) {
  ParamLine param;
  const bool oneDigit = line.mid(2, 1) == QLatin1String(",");
  param.group = keyPart(line.mid(0, 1));
  param.number = keyPart(oneDigit ? line.mid(1, 1) : line.mid(1, 2));
  const QString valueText = line.mid(oneDigit ? 3 : 4);
  param.asWritten = LeadingNumber(valueText);
  if (param.group < 0 || param.group > 6) {
    reason = QStringLiteral("the parameter group is not 0 to 6");
  } else if (param.number < 0 || param.number > 99) {
    reason = QStringLiteral("the parameter number is not 0 to 99");
  } else if (!IsNumber(valueText)) {
    reason = QStringLiteral("the value is not a number");
  } else {
    const double rounded = std::nearbyint(param.asWritten);
    if (fitsIn32Bits(rounded))
      param.value = static_cast<int32_t>(rounded);
    else
      reason = QStringLiteral("the value does not fit in 32 bits");
  }
  return param;
}

}  // namespace

Contents Read(const QByteArray& bytes) {
  Contents contents;
  bool lastEnded = true;
  const QList<QByteArray> lines = splitLines(bytes, lastEnded);
  if (lines.isEmpty()) {
    contents.refused = Refusal{1, QString(), QStringLiteral("the file is empty")};
    return contents;
  }
  // Each byte is one character, so positions count as the file's characters do.
  contents.header = readHeader(QString::fromLatin1(lines.first()));
  // A file whose lines end but whose last one does not was cut off while it was written or
  // copied: the parameters after the cut would silently keep their defaults.
  if (!lastEnded && lines.size() > 1 && !lines.last().trimmed().isEmpty()) {
    contents.refused = Refusal{static_cast<int>(lines.size()), QString::fromLatin1(lines.last()),
                               QStringLiteral("the file is cut short: its last line has no line "
                                              "end")};
    return contents;
  }
  for (int i = 1; i < lines.size(); ++i) {
    const QString line = QString::fromLatin1(lines[i]);
    if (!IsNumber(line.left(2))) continue;  // comments, blank lines
    QString reason;
    ParamLine param = readParamLine(line, reason);
    if (!reason.isEmpty()) {
      contents.params.clear();
      contents.refused = Refusal{i + 1, line, reason};
      return contents;
    }
    param.lineNumber = i + 1;
    param.text = line;
    contents.params.append(param);
  }
  return contents;
}

QByteArray Write(const basFunctions::ValueTable& config, const std::array<int16_t, 5>& limits,
                 const QString& path, const QString& writtenAt) {
  const QByteArray crlf("\r\n");
  QByteArray out;
  out.reserve(4096);
  out += "#" + QByteArray::number(config.P(1, 31)) + QByteArray::number(config.P(0, 0)) + crlf;
  out += "#" + path.toUtf8() + crlf;
  out += "#" + writtenAt.toUtf8() + crlf;
  for (const char* line : kWarningLines) out += QByteArray(line) + crlf;
  for (int group = 0; group <= 4; ++group) {
    for (int number = 0; number <= limits[group]; ++number) {
      out += basFunctions::ParamKeyText(basFunctions::ParamIndex(group, number)).toLatin1();
      out += ',' + QByteArray::number(config.P(group, number)) + crlf;
    }
  }
  return out;
}

int Apply(const Contents& contents, basFunctions::ValueTable& config, int32_t jogSpeedDefault) {
  int replaced = 0;
  for (const ParamLine& param : contents.params) {
    int32_t value = param.value;
    if (basFunctions::ParamIndex(param.group, param.number) == kJogSpeedIndex &&
        param.asWritten > kJogSpeedLimit) {
      value = jogSpeedDefault;
      ++replaced;
    }
    config.P(param.group, param.number) = value;
  }
  return replaced;
}

}  // namespace config_file
