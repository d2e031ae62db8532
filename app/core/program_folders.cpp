#include "core/program_folders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QVariant>

namespace programFolders {
namespace {

const QString kDatabase = QStringLiteral("Data/VM.vmd");
// The fingerprint of the shipped database the user's copy was made from.
const QString kShippedStamp = QStringLiteral("Data/VM.vmd.shipped");
const QString kSettingsTable = QStringLiteral("tblCustInfo");

bool fail(QString* problem, const QString& text) {
  if (problem) *problem = text;
  return false;
}

QByteArray fingerprint(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return hash.result().toHex();
}

QByteArray readStamp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// One connection for one piece of work on a database file, removed afterwards.
class FileConnection {
 public:
  explicit FileConnection(const QString& path) : name_("programFolders:" + path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    db.open();
  }
  ~FileConnection() {
    { QSqlDatabase::database(name_, false).close(); }
    QSqlDatabase::removeDatabase(name_);
  }
  QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

 private:
  QString name_;
};

QList<QSqlRecord> settingsRecords(const QString& path) {
  QList<QSqlRecord> records;
  const FileConnection connection(path);
  QSqlQuery query(connection.db());
  if (!query.exec("SELECT * FROM " + kSettingsTable)) return records;
  while (query.next()) records << query.record();
  return records;
}

// Writes the user's settings into a fresh copy: the columns both databases know, so a new
// release may add settings (they keep their shipped values) or drop some.
bool carrySettings(const QList<QSqlRecord>& records, const QString& path, QString* problem) {
  const FileConnection connection(path);
  const QSqlRecord columns = connection.db().record(kSettingsTable);
  for (const QSqlRecord& record : records) {
    QStringList names;
    QVariantList values;
    for (int i = 0; i < record.count(); ++i) {
      if (columns.indexOf(record.fieldName(i)) < 0) continue;
      names << record.fieldName(i);
      values << record.value(i);
    }
    if (names.isEmpty()) continue;
    QSqlQuery query(connection.db());
    query.prepare("INSERT OR REPLACE INTO " + kSettingsTable + " (" + names.join(',') +
                  ") VALUES (" + QStringList(names.size(), QStringLiteral("?")).join(',') + ")");
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec())
      return fail(problem, "Cannot keep the settings in " + path + ": " + query.lastError().text());
  }
  return true;
}

bool writeStamp(const QString& path, const QByteArray& stamp, QString* problem) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(stamp) < 0)
    return fail(problem, "Cannot write " + path + ".");
  return true;
}

// Copies the shipped database beside the user's one, carries the settings over and then puts
// the copy in place, so an interrupted refresh never leaves a half-written database.
bool refreshDatabase(const QString& shipped, const QString& target, const QByteArray& stamp,
                     const QString& stampPath, QString* problem) {
  const QList<QSqlRecord> settings =
      QFileInfo::exists(target) ? settingsRecords(target) : QList<QSqlRecord>{};
  const QString fresh = target + QStringLiteral(".new");
  QFile::remove(fresh);
  if (!QFile::copy(shipped, fresh))
    return fail(problem, "Cannot copy the database " + shipped + " to " + fresh + ".");
  QFile::setPermissions(fresh,
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  if (!carrySettings(settings, fresh, problem)) return false;
  QFile::remove(target);
  if (!QFile::rename(fresh, target))
    return fail(problem, "Cannot put the database in place at " + target + ".");
  return writeStamp(stampPath, stamp, problem);
}

}  // namespace

bool IsInstalledLayout(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(QFileInfo(executableFolder).canonicalFilePath());
  return folder.endsWith(QLatin1Char('/') + QString::fromLatin1(kInstallSubfolder)) &&
         QFileInfo(folder + QLatin1Char('/') + kDatabase).isFile();
}

QString UserDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/VelumoPRO");
}

QString WritableFolder(const QString& executableFolder) {
  return IsInstalledLayout(executableFolder) ? UserDataFolder() : executableFolder;
}

bool PrepareDataFolder(const QString& shippedDatabase, const QString& dataFolder,
                       QString* problem) {
  QDir folder(dataFolder);
  for (const char* sub : {"Data", "Configs", "ScopeLogs"})
    if (!folder.mkpath(QString::fromLatin1(sub)))
      return fail(problem, "Cannot create the folder " + folder.filePath(sub) + ".");
  const QByteArray shipped = fingerprint(shippedDatabase);
  if (shipped.isEmpty()) return fail(problem, "Cannot read the database " + shippedDatabase + ".");
  const QString target = folder.filePath(kDatabase);
  const QString stampPath = folder.filePath(kShippedStamp);
  if (QFileInfo::exists(target) && readStamp(stampPath) == shipped) return true;
  return refreshDatabase(shippedDatabase, target, shipped, stampPath, problem);
}

}  // namespace programFolders
