// The diagnostics report: one text file that gathers the platform, the program's paths, the
// connected drive, the working configuration with every editor field, and both logs, so that
// a user can send support a single file. No widgets: the About window gathers the inputs.
#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace diagnostics {

// What the report says about the operating system.
struct PlatformInfo {
  QString kernelType;      // "linux"
  QString productName;     // "Debian GNU/Linux 12 (bookworm)"
  QString productVersion;  // "12"
  QString kernelVersion;   // "6.1.0-18-amd64"
};
PlatformInfo CurrentPlatform();
// The two platform lines: "OS Platform & Version: ..." and "OS Build: ...".
QStringList PlatformLines(const PlatformInfo& platform);

// program folder + "/Data/Diags_" + mmddyyhhmmss + ".Log".
QString ReportFileName(const QString& programFolder, const QDateTime& when);

struct ReportInputs {
  QString createdAt;  // date and time in the logs' format
  PlatformInfo platform;
  QString programFolder;
  QString dataFolder;     // an installed program's writable folder; empty when run from a build
  QString versionText;    // the About window's lblVersion
  QString dbVersionText;  // its lblDBVER
  QString helpFile;
  QString driveStatus;   // status panel 2
  QString connection;    // status panel 4
  QString model;         // drive amplifier text
  QString firmwareLong;  // d.ddd
  QString configPath;
  bool configDirty = false;
  QString connectionDescription;      // status panel 1
  QList<QPair<int, QString>> fields;  // editor value fields by ParamIndex, ascending
  QString errorLogPath;
  QString eventLogPath;
};
// The report's lines. A log that cannot be read gets a line naming it and the reason in place
// of its lines, and its name ("error log", "event log") in `unreadable`.
QStringList ReportLines(const ReportInputs& inputs, QStringList* unreadable = nullptr);

// Writes the lines with CR LF ends, replacing any file of that name. A file that cannot be
// created or written raises a run-time error; what was written stays.
void WriteReport(const QString& path, const QStringList& lines);

}  // namespace diagnostics
