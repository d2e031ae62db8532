// report: the commissioning report of the drive (read anew, with the journal of the visit) or
// of a configuration file, as PDF or CSV by the output's extension.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "commands.h"
#include "journal_use.h"
#include "params/commissioning_report.h"
#include "params/journal_store.h"
#include "params/param_value.h"
#include "params/report_pdf.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

struct Subject {
  journal::DriveId drive;
  QString motorText;
  QString source;
  basFunctions::ValueTable config;
  basFunctions::ParamCatalog catalog;
  std::array<int16_t, 5> limits{};
  QList<journal::Entry> visit;
};

QDateTime VisitStart(const Options& options) {
  const QDateTime today(QDate::currentDate(), QTime(0, 0));
  if (!options.since) return today;
  const QString text = QString::fromStdString(*options.since).trimmed();
  for (const char* format : {"yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
    const QDateTime at = QDateTime::fromString(text, QString::fromLatin1(format));
    if (at.isValid()) return at;
  }
  throw ToolError(kExitUsage,
                  "--since takes a date (2026-05-17) or a time (2026-05-17 14:03); "
                  "got \"" +
                      *options.since + "\"");
}

void OfFile(Session& session, const QString& path, Subject& subject) {
  const ConfigFile file = ReadConfigFile(session, path);
  const Target own = TargetOfFile(file);
  const std::unique_ptr<Prepared> prepared = PrepareDownload(session, file, own, false);
  subject.drive = {own.model, file.contents.header.firmware.toInt(), own.id.motorCode, 0,
                   QStringLiteral("no drive")};
  subject.motorText = session.database().MotorName(own.id.ampCode(), file.revision, file.motorCode);
  subject.source = "file " + QFileInfo(path).absoluteFilePath();
  subject.config = prepared->config;
  subject.catalog = prepared->catalog;
  subject.limits = own.limits;
}

void OfDrive(Session& session, Subject& subject) {
  const Target target = IdentifyTarget(session, session.options().line.node);
  session.link().ReadConfiguration(target.id.node, target.limits, subject.config);
  session.database().LoadCatalog(target.id.ampCode(), target.id.revision(), subject.config,
                                 subject.catalog);
  param_value::ReadAsRegisters(subject.config, subject.catalog);
  subject.drive = JournalDriveOf(session, target);
  subject.motorText = target.motor;
  subject.source =
      "read from the drive at " + QString::fromStdString(TimeText(QDateTime::currentDateTimeUtc()));
  subject.limits = target.limits;
  const QString path = JournalPathOf(session.options());
  if (!QFileInfo(path).isFile()) return;
  const journal::Store store(path);
  if (!store.isOpen()) {
    session.out().Error("the drive history " + path.toStdString() + " cannot be read (" +
                        store.problem().toStdString() + "); the report has no journal");
    return;
  }
  journal::Filter filter;
  filter.drive = subject.drive;
  filter.since = VisitStart(session.options());
  subject.visit = store.entries(filter);
}

}  // namespace

int Report(Session& session) {
  const Options& options = session.options();
  const QString out = QString::fromStdString(options.path);
  const QString kind = QFileInfo(out).suffix().toLower();
  if (kind != QLatin1String("pdf") && kind != QLatin1String("csv"))
    throw ToolError(kExitUsage, "report writes OUT.pdf or OUT.csv; got \"" + options.path + "\"");
  if (options.files.size() > 1) throw ToolError(kExitUsage, "report takes one --file");
  const QDateTime since = VisitStart(options);
  Subject subject;
  if (options.files.empty())
    OfDrive(session, subject);
  else
    OfFile(session, QString::fromStdString(options.files[0]), subject);
  const commissioning::Report report =
      commissioning::Build({subject.drive, subject.motorText, subject.source, subject.config,
                            subject.catalog, subject.limits, subject.visit, since,
                            QDateTime::currentDateTime(), QCoreApplication::applicationVersion()});
  QString problem;
  bool written = false;
  if (kind == QLatin1String("pdf")) {
    written = commissioning::WritePdf(report, out, problem);
  } else {
    QFile file(out);
    written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              file.write(commissioning::Csv(report)) >= 0;
    problem = file.errorString();
  }
  if (!written)
    throw ToolError(kExitLocal, "cannot write " + out.toStdString() + ": " + problem.toStdString());
  session.out().Line("commissioning report of " + subject.drive.text().toStdString() + " (" +
                     std::to_string(report.configuration.size()) + " parameters, " +
                     std::to_string(report.visit.size()) + " journal lines) written to " +
                     out.toStdString());
  return kExitOk;
}

}  // namespace vmconfig
