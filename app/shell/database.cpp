#include "shell/database.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <memory>

#include "shell/app_state.h"
#include "shell/host.h"
#include "shell/logs.h"

namespace basMain {
namespace {

const QString kConnectionName = QStringLiteral("DbConnection");
std::unique_ptr<QSqlQuery> g_recordset;

// Database errors keep the large negative numbers the data provider reports.
constexpr int32_t kProviderError = static_cast<int32_t>(0x80004005u);

[[noreturn]] void raiseDbError(const QString& description) {
  throw basFunctions::ProgramError(kProviderError, description.toStdString());
}

}  // namespace

QString DatabasePath() { return host::ProgramFolder() + QStringLiteral("/Data/VM.vmd"); }

bool ConnectDB() {
  bool ok = false;
  basFunctions::guarded("basMain, ConnectDB()", [&] {
    g_recordset.reset();
    if (QSqlDatabase::contains(kConnectionName)) {
      QSqlDatabase::database(kConnectionName, false).close();
      QSqlDatabase::removeDatabase(kConnectionName);
    }
    const QString path = DatabasePath();
    // SQLite would create an empty file for a missing one; the program needs the real one.
    if (!QFileInfo(path).isFile()) raiseDbError("Could not find file '" + path + "'.");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
    db.setDatabaseName(path);
    if (!db.open(QString(), QString())) raiseDbError(db.lastError().text());
    DatabaseOpen = true;
    ok = true;
  });
  return ok;
}

QSqlDatabase DbConnection() { return QSqlDatabase::database(kConnectionName, false); }

bool Custinfo() {
  bool ok = false;
  basFunctions::guarded("basMain, Custinfo()", [&] {
    g_recordset = std::make_unique<QSqlQuery>(DbConnection());
    if (!g_recordset->exec(QStringLiteral("select * from tblCustInfo where RecNum = 1 ")))
      raiseDbError(g_recordset->lastError().text());
    g_recordset->next();
    ok = true;
  });
  return ok;
}

QSqlQuery& DbRecordset() {
  if (!g_recordset || !g_recordset->isActive())
    throw basFunctions::ProgramError(3704, "Operation is not allowed when the object is closed.");
  if (!g_recordset->isValid())
    throw basFunctions::ProgramError(
        3021, "Either BOF or EOF is True, or the current record has been deleted.");
  return *g_recordset;
}

QVariant DbField(const QString& column) {
  QSqlQuery& query = DbRecordset();
  const int index = query.record().indexOf(column);
  if (index < 0) throw basFunctions::ProgramError(3265, "Item cannot be found in the collection.");
  return query.value(index);
}

void ReleaseDB() {
  g_recordset.reset();
  if (QSqlDatabase::contains(kConnectionName)) {
    QSqlDatabase::database(kConnectionName, false).close();
    QSqlDatabase::removeDatabase(kConnectionName);
  }
}

bool UpdateCustinfo(const QString& column, const QVariant& value) {
  bool ok = false;
  if (!ConnectDB()) return false;
  basFunctions::guarded("basMain, UpdateCustinfo()", [&] {
    // Column names come from the program's own constants, never from input.
    QSqlQuery update(DbConnection());
    update.prepare("update tblCustInfo set " + column + " = ? where RecNum = 1");
    update.addBindValue(value);
    if (!update.exec()) raiseDbError(update.lastError().text());
    ok = true;
  });
  ReleaseDB();
  return ok;
}

}  // namespace basMain
