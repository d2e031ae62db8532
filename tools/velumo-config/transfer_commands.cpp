// upload, download and compare: one drive and one file.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include "commands.h"
#include "core/program_folders.h"
#include "drive_facts.h"
#include "params/config_save.h"
#include "params/param_value.h"
#include "result_text.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

using basFunctions::ValueTable;

constexpr int kSilentWritesBeforeGivingUp = 3;

QString BackupFolder(const Options& options) {
  if (options.backupDir) return QString::fromStdString(*options.backupDir);
  // Installed, the program folder is not the user's to write: backups go where the installed
  // program keeps its own.
  return programFolders::WritableFolder(QCoreApplication::applicationDirPath()) + "/" +
         transfer_plan::kBackupFolder;
}

// The drive's settings saved before the first write; the backup's path.
QString BackUp(Session& session, const Target& target) {
  const QString folder = BackupFolder(session.options());
  if (!QDir().mkpath(folder))
    throw ToolError(kExitLocal, "cannot create the backup folder " + folder.toStdString() +
                                    "; nothing was written (--backup-dir DIR)");
  const QString path = transfer_plan::FreeBackupPath(folder, QDateTime::currentDateTime());
  SaveDrive(session, target, path);
  return path;
}

struct WriteOutcome {
  QList<int> written;
  QList<int> refused;  // with their reasons below
  QStringList reasons;
};

WriteOutcome WriteAll(Session& session, const Prepared& prepared, int node,
                      const QList<int>& indexes) {
  WriteOutcome outcome;
  DriveLink& link = session.link();
  const int pace = session.options().paceMs;
  int silent = 0;
  for (qsizetype i = 0; i < indexes.size(); ++i) {
    const int index = indexes[i];
    session.out().Progress("node " + std::to_string(node) + ": writing " + LabelOf(index) + " (" +
                           std::to_string(i + 1) + " of " + std::to_string(indexes.size()) + ")");
    // The program's rule: a value its register or parameter cannot take is never sent.
    const int32_t raw = prepared.config.P(index / 100, index % 100);
    const param_value::Verdict verdict = param_value::Check(index, prepared.catalog[index], raw);
    if (verdict != param_value::Verdict::Fits) {
      outcome.refused << index;
      outcome.reasons << "not sent: " +
                             param_value::ReasonText(index, prepared.catalog[index], verdict);
      continue;
    }
    const auto word = static_cast<int16_t>(static_cast<uint16_t>(raw));
    if (silent >= kSilentWritesBeforeGivingUp) {
      outcome.refused << index;
      outcome.reasons << QStringLiteral("not sent: the drive stopped answering");
      continue;
    }
    QElapsedTimer took;
    took.start();
    const int16_t result =
        link.Write(node, drive_facts::ParameterAddress(index / 100, index % 100), word);
    silent = result == -1 ? silent + 1 : 0;
    if (result == 0) {
      outcome.written << index;
    } else {
      outcome.refused << index;
      outcome.reasons << QString::fromStdString("refused: result " + pwcli::DescribeResult(result));
    }
    // The drive's own pacing: a write is not followed by another before `pace` has passed.
    if (took.elapsed() < pace) QThread::msleep(static_cast<unsigned long>(pace - took.elapsed()));
  }
  return outcome;
}

// Differences between what was written and what the drive holds now; one line each.
int ReportReadBack(Session& session, const Prepared& prepared, const WriteOutcome& outcome,
                   const ValueTable& after, int node, bool readBack) {
  Output& out = session.out();
  int differing = 0;
  for (qsizetype i = 0; i < outcome.refused.size(); ++i) {
    const int index = outcome.refused[i];
    const std::string wanted =
        DisplayOf(prepared.catalog, index, prepared.config.P(index / 100, index % 100));
    out.Line("node " + std::to_string(node) + ": " + LabelOf(index) + " " +
             outcome.reasons[i].toStdString() + " (file " + wanted + ")");
    out.Row({std::to_string(node), LabelOf(index), wanted, "", outcome.reasons[i].toStdString()});
    ++differing;
  }
  if (!readBack) return differing;
  for (int index : outcome.written) {
    const int32_t wanted = prepared.config.P(index / 100, index % 100);
    const int32_t held = after.P(index / 100, index % 100);
    if (SameRegister(wanted, held)) continue;
    const std::string file = DisplayOf(prepared.catalog, index, wanted);
    const std::string drive = DisplayOf(prepared.catalog, index, held);
    out.Line("node " + std::to_string(node) + ": " + LabelOf(index) + " written " + file +
             ", drive holds " + drive);
    out.Row({std::to_string(node), LabelOf(index), file, drive, "not held"});
    ++differing;
  }
  return differing;
}

}  // namespace

QString WrittenAtNow() {
  return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

void SaveDrive(Session& session, const Target& target, const QString& path) {
  session.out().Progress("node " + std::to_string(target.id.node) + ": reading the drive");
  ValueTable drive;
  session.link().ReadConfiguration(target.id.node, target.limits, drive);
  // Registers of range 0..65535 are written as the drive means them, as the program does.
  basFunctions::ParamCatalog catalog;
  session.database().LoadCatalog(target.id.ampCode(), target.id.revision(), drive, catalog);
  param_value::ReadAsRegisters(drive, catalog);
  QString reason;
  // Line 2 names the file's full path, as the program writes it.
  if (!config_file::WriteFile(QFileInfo(path).absoluteFilePath(), drive, target.limits,
                              WrittenAtNow(), reason))
    throw ToolError(kExitLocal, "cannot write " + path.toStdString() + ": " + reason.toStdString());
}

int Upload(Session& session) {
  const int node = session.options().line.node;
  const Target target = IdentifyTarget(session, node);
  const QString path = QString::fromStdString(session.options().path);
  SaveDrive(session, target, path);
  session.out().Line("node " + std::to_string(node) + ": " +
                     Describe(target.model, target.id.revision(), target.id.motorCode) +
                     " saved to " + path.toStdString());
  session.out().Row({std::to_string(node), target.model.toStdString(),
                     FirmwareText(target.id.firmwareWord), std::to_string(target.id.motorCode),
                     path.toStdString()});
  return kExitOk;
}

int DownloadTo(Session& session, int node, const QString& path) {
  const ConfigFile file = ReadConfigFile(session, path);
  const Target target = IdentifyTarget(session, node);
  CheckFileFitsDrive(file, target, session.options().force);
  const std::unique_ptr<Prepared> prepared = PrepareDownload(session, file, target);
  const QString backup = BackUp(session, target);
  Output& out = session.out();
  out.Line("node " + std::to_string(node) + ": drive settings saved to " + backup.toStdString());
  const QList<int> indexes = WrittenIndexes(*prepared, session.options());
  const WriteOutcome outcome = WriteAll(session, *prepared, node, indexes);
  session.out().Progress("node " + std::to_string(node) + ": reading back");
  ValueTable after;
  try {
    session.link().ReadConfiguration(node, target.limits, after);
  } catch (const ToolError&) {
    // Name what is known not to have reached the drive before giving up on it.
    ReportReadBack(session, *prepared, outcome, after, node, false);
    throw;
  }
  const int differing = ReportReadBack(session, *prepared, outcome, after, node, true);
  out.Line("node " + std::to_string(node) + ": " + std::to_string(indexes.size()) +
           " parameters written from " + path.toStdString() + ", " +
           std::to_string(indexes.size() - differing) + " held, " + std::to_string(differing) +
           " not" + (session.options().withComm ? "" : "; P3.00-P3.02 kept as the drive had them"));
  return differing == 0 ? kExitOk : kExitDifferent;
}

int Download(Session& session) {
  return DownloadTo(session, session.options().line.node,
                    QString::fromStdString(session.options().path));
}

}  // namespace vmconfig
