#include "journal_use.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <utility>

#include "core/program_folders.h"
#include "params/journal_store.h"

namespace vmconfig {

QString JournalPathOf(const Options& options) {
  if (options.journal) return QString::fromStdString(*options.journal);
  return journal::JournalPath(
      programFolders::WritableFolder(QCoreApplication::applicationDirPath()));
}

journal::DriveId JournalDriveOf(Session& session, const Target& target) {
  return {target.model, target.id.firmwareWord, target.id.motorCode, target.id.node,
          QString::fromStdString(session.link().PortText())};
}

journal::Entry NewEntry(Session& session, const Target& target, const QString& command,
                        const QString& path) {
  journal::Entry entry;
  entry.at = QDateTime::currentDateTimeUtc();
  entry.source = journal::Source::VelumoConfig;
  entry.detail = command + " " + QFileInfo(path).absoluteFilePath();
  entry.user = journal::CurrentUser();
  entry.drive = JournalDriveOf(session, target);
  return entry;
}

void Record(Session& session, const journal::Entry& entry) {
  if (entry.params.isEmpty()) return;
  journal::Store store(JournalPathOf(session.options()));
  if (store.append(entry)) return;
  // Told once: restore-bus records one entry per node.
  static bool told = false;
  if (std::exchange(told, true)) return;
  session.out().Error("the drive history " + store.path().toStdString() +
                      " could not be written (" + store.problem().toStdString() +
                      "); the writes to the drive are not affected");
}

std::string TimeText(const QDateTime& at) {
  return at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

}  // namespace vmconfig
