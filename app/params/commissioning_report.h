// The commissioning report's content, without widgets: the drive's identity, the date, the
// full configuration with labels and units, the differences from the factory defaults and the
// journal of the visit, as tables of text; written as CSV here and as PDF by report_pdf. The
// program's File menu and velumo-config's report make the same report.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "params/journal_entry.h"

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace commissioning {

struct ReportInput {
  journal::DriveId drive;
  QString motorText;            // "21 - 1KW, Low Inertia"; empty when unknown
  QString configurationSource;  // "read from the drive", "file /cfg/pump.vmc"
  const basFunctions::ValueTable& config;
  const basFunctions::ParamCatalog& catalog;
  std::array<int16_t, 5> limits{};
  QList<journal::Entry> visit;  // newest first
  QDateTime visitSince;
  QDateTime generated;
  QString programVersion;
};

struct Report {
  QString title;
  QList<QPair<QString, QString>> identity;  // name, value
  QStringList configurationHeader;
  QList<QStringList> configuration;  // parameter, name, value, units
  QStringList defaultsHeader;
  QList<QStringList> defaults;  // parameter, name, value, default, units
  QString visitTitle;
  QStringList visitHeader;
  QList<QStringList> visit;  // time, source, detail, user, parameter, before, written, units,
                             // answer
};

Report Build(const ReportInput& input);
// Sections one after the other, a blank line between them, CR LF line ends.
QByteArray Csv(const Report& report);
// The report as an HTML document for printing.
QString Html(const Report& report);

// A time as the program shows it: the system's short date and time, local.
QString LocalTimeText(const QDateTime& at);

}  // namespace commissioning
