#include "params/config_report.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

#include "params/param_catalog.h"
#include "params/value_table.h"

namespace configReport {
namespace {

using basFunctions::ParamCatalog;

constexpr int kValueColumn = 60;  // columns count from 1
const QString kLineEnd = QStringLiteral("\r\n");

// The reserved P4.10..P4.21 are in every configuration but in no catalogue.
bool isReserved(int k) { return k >= 410 && k <= 421; }

bool isHexParameter(int k) { return k == 231 || k == 265; }

QString csvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))) return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return "\"" + quoted + "\"";
}

QString firmwareText(int32_t p000) {
  const QString digits = QString::number(p000);
  return digits.left(1) + "." + digits.right(3);
}

QStringList headerLines(const ReportSource& source) {
  return {QString(),
          QString(),
          QStringLiteral("Quorvane Velumo PRO Drives Configuration Report"),
          "Report Generated: " + source.generated,
          "Config Name: " + source.configTitle,
          "Motor Code: " + QString::number(source.config.P(1, 31)),
          "Firmware Rev: " + firmwareText(source.config.P(0, 0)),
          "Velumo Pro Version " + source.programVersion,
          QString()};
}

QString valueField(const ReportSource& source, int group, int number) {
  const int k = basFunctions::ParamIndex(group, number);
  const float resolution = isReserved(k) ? 1.0F : source.catalog[k].resolution;
  const double value = basFunctions::DisplayFromRaw(source.config.P(group, number), resolution);
  return isHexParameter(k) ? HexField(value) : NumberField(value);
}

}  // namespace

QString ReportPath(const QString& configPath, ReportKind kind) {
  if (configPath.trimmed().isEmpty()) return QString();
  const QString extension = kind == ReportKind::Text ? ".txt" : ".csv";
  const QFileInfo file(configPath);
  // A configuration file's extension is the three letters "vmc"; a name without one keeps
  // its whole name.
  if (file.suffix().isEmpty()) return configPath + extension;
  return configPath.left(configPath.size() - file.suffix().size() - 1) + extension;
}

QString RowLabel(const ParamCatalog& catalog, int k) {
  const QString label = basFunctions::ParamLabel(basFunctions::ParamKeyText(k));
  if (isReserved(k)) return label + " - Reserved   ";
  const basFunctions::ParamInfo& info = catalog[k];
  return info.loaded ? label + " - " + info.ParamName + "   " : QString();
}

QString NumberField(double value) {
  QString text = QString::number(value, 'g', 15).toUpper();
  if (text.startsWith(QLatin1String("0.")))
    text.remove(0, 1);
  else if (text.startsWith(QLatin1String("-0.")))
    text.remove(1, 1);
  return (value < 0 ? QString() : QStringLiteral(" ")) + text + " ";
}

QString HexField(double value) {
  const double rounded = std::nearbyint(value);
  const auto word = static_cast<uint32_t>(
      std::isfinite(rounded) ? static_cast<int64_t>(std::fmod(rounded, 4294967296.0)) : 0);
  return "HEX " + QString::number(word, 16).toUpper();
}

QString TextRow(const QString& label, const QString& value) {
  const int before = kValueColumn - 1;
  if (label.size() <= before) return label.leftJustified(before, QLatin1Char(' ')) + value;
  return label + kLineEnd + QString(before, QLatin1Char(' ')) + value;
}

QStringList ReportLines(const ReportSource& source, ReportKind kind) {
  QStringList lines = headerLines(source);
  const bool text = kind == ReportKind::Text;
  if (text) {
    lines.append(TextRow(QStringLiteral("Parameter"), QStringLiteral("Value")));
    lines.append(TextRow(QStringLiteral("---------"), QStringLiteral("-----")));
  } else {
    lines.append(QStringLiteral("Parameter,Value (In Decimal unless otherwise marked)"));
  }
  for (int group = 0; group < 5; ++group) {
    for (int number = 0; number <= source.groupLimit[static_cast<size_t>(group)]; ++number) {
      const QString label = RowLabel(source.catalog, basFunctions::ParamIndex(group, number));
      const QString value = valueField(source, group, number);
      lines.append(text ? TextRow(label, value) : csvField(label) + "," + value);
    }
  }
  return lines;
}

QByteArray ReportBytes(const QStringList& lines) {
  return (lines.join(kLineEnd) + kLineEnd).toUtf8();
}

bool WriteReport(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace configReport
