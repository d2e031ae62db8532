#include "shell/diagnostics_report.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include "core/logs.h"

namespace diagnostics {
namespace {

// A blank line of the report holds one space.
const QString kBlank = QStringLiteral(" ");

// Every line of a log, in order; the given text when there is no such file, and a line that
// names the log and the reason when it cannot be read (the rest of the report is still
// written), noted in `unreadable`.
QStringList logLines(const QString& path, const QString& name, const QString& missingText,
                     QStringList* unreadable) {
  QFile file(path);
  if (!file.exists()) return {missingText};
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    const QString reason =
        QFileInfo(path).isDir() ? QStringLiteral("it is a folder") : file.errorString().toLower();
    if (unreadable) *unreadable << name;
    return {"Could not read " + name + " " + path + ": " + reason + "."};
  }
  QStringList lines;
  while (!file.atEnd()) {
    QByteArray line = file.readLine();
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    lines << QString::fromUtf8(line);
  }
  return lines;
}

}  // namespace

PlatformInfo CurrentPlatform() {
  return {QSysInfo::kernelType(), QSysInfo::prettyProductName(), QSysInfo::productVersion(),
          QSysInfo::kernelVersion()};
}

QStringList PlatformLines(const PlatformInfo& platform) {
  const QString head = QStringLiteral("OS Platform & Version: ");
  const QString family = platform.kernelType == QLatin1String("linux")
                             ? platform.productName + ", version " + platform.productVersion
                             : "Unidentified " + platform.productVersion;
  return {head + family, "OS Build: " + platform.kernelVersion};
}

QString ReportFileName(const QString& programFolder, const QDateTime& when) {
  return programFolder + "/Data/Diags_" + when.toString(QStringLiteral("MMddyyHHmmss")) + ".Log";
}

QStringList ReportLines(const ReportInputs& in, QStringList* unreadable) {
  QStringList lines{"Diagnostic file created " + in.createdAt, kBlank};
  lines << PlatformLines(in.platform);
  lines << kBlank << QStringLiteral("Application info follows --------------------------")
        << "Application Path = " + in.programFolder;
  if (!in.dataFolder.isEmpty()) lines << "Data Folder = " + in.dataFolder;
  lines << in.versionText << in.dbVersionText << "Help File = " + in.helpFile << kBlank;
  lines << QStringLiteral("Connected Drive info follows ----------------------") << in.driveStatus
        << "Connection: " + in.connection << "Model: " + in.model << "Rev: " + in.firmwareLong
        << kBlank;
  lines << QStringLiteral("Config in pc memory follows------------------------")
        << "Current config file = " + in.configPath
        << QStringLiteral("Current status of Dirty Data: ") +
               (in.configDirty ? QStringLiteral("True") : QStringLiteral("False"))
        << in.connectionDescription << kBlank << QStringLiteral("Param - Value")
        << QStringLiteral("-------------");
  for (const auto& [index, text] : in.fields)
    lines << QStringLiteral("%1").arg(index, 3, 10, QLatin1Char('0')) + " - " + text;
  lines << kBlank << QStringLiteral("Error Log Follows ----------------------------------")
        << kBlank;
  lines << logLines(in.errorLogPath, QStringLiteral("error log"),
                    QStringLiteral("Could not find error log."), unreadable);
  lines << kBlank << QStringLiteral("Event Log Follows ----------------------------------")
        << kBlank;
  lines << logLines(in.eventLogPath, QStringLiteral("event log"),
                    QStringLiteral("Could not find event log."), unreadable);
  lines << kBlank << QStringLiteral("End of diagnostic file");
  return lines;
}

void WriteReport(const QString& path, const QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw basFunctions::ProgramError(75, "Path/File access error");
  for (const QString& line : lines)
    if (file.write((line + "\r\n").toUtf8()) < 0)
      throw basFunctions::ProgramError(75, "Path/File access error");
}

}  // namespace diagnostics
