// The configuration report without widgets: where it goes and its lines in the text or the
// comma-separated form. The program and command-line tools share it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace configReport {

enum class ReportKind { Text, CommaSeparated };

// What the report is made of.
struct ReportSource {
  const basFunctions::ValueTable& config;
  const basFunctions::ParamCatalog& catalog;
  std::array<int16_t, 5> groupLimit{};
  QString configTitle;
  QString generated;       // date and time of the report
  QString programVersion;  // "1.0.0"
};

// The report beside the configuration file: its extension replaced by ".txt" or ".csv"
// (/cfg/pump.vmc gives /cfg/pump.txt). The empty text when there is no configuration file.
QString ReportPath(const QString& configPath, ReportKind kind);
// The row label of parameter k: "P1.01 - Control Mode   " for a parameter of the loaded set,
// "P4.10 - Reserved   " for the reserved P4.10..P4.21, the empty text otherwise.
QString RowLabel(const basFunctions::ParamCatalog& catalog, int k);
// A value as the report writes it: one leading space unless negative, one trailing space, no
// zero before the decimal point (" .5 ", "-2 ", " 3000 ").
QString NumberField(double value);
// "HEX FF": P2.31 and P2.65 are written in hexadecimal.
QString HexField(double value);
// One text-report line: the label, then the value from column 60 (on the next line when the
// label reaches that column).
QString TextRow(const QString& label, const QString& value);
// Every line of the report (header, column header, one row per parameter).
QStringList ReportLines(const ReportSource& source, ReportKind kind);
// The lines with CR LF line ends.
QByteArray ReportBytes(const QStringList& lines);
// Writes the file completely or not at all; false when it could not be written.
bool WriteReport(const QString& path, const QByteArray& bytes);

}  // namespace configReport
