#include "core/database.h"

#include <QFileInfo>
#include <QSqlError>
#include <atomic>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"

namespace basMain {
namespace {

// Database errors keep the large negative numbers the data provider reports.
constexpr int32_t kProviderError = static_cast<int32_t>(0x80004005u);

[[noreturn]] void raiseDbError(const QString& description) {
  throw basFunctions::ProgramError(kProviderError, description.toStdString());
}

QString newConnectionName() {
  static std::atomic<unsigned> counter{0};
  return QStringLiteral("DbConnection%1").arg(++counter);
}

}  // namespace

QString DatabasePath() { return host::ProgramFolder() + QStringLiteral("/Data/VM.vmd"); }

DbConnection::DbConnection(DbConnection&& other) noexcept : name_(std::move(other.name_)) {
  other.name_.clear();
}

DbConnection& DbConnection::operator=(DbConnection&& other) noexcept {
  if (this != &other) {
    close();
    name_ = std::move(other.name_);
    other.name_.clear();
  }
  return *this;
}

DbConnection::~DbConnection() { close(); }

bool DbConnection::isOpen() const { return !name_.isEmpty() && database().isOpen(); }

QSqlDatabase DbConnection::database() const {
  return name_.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(name_, false);
}

QSqlQuery DbConnection::query() const {
  QSqlQuery query(database());
  query.setForwardOnly(true);
  return query;
}

void DbConnection::close() {
  if (name_.isEmpty()) return;
  {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(name_);
  name_.clear();
}

DbConnection ConnectDB() {
  DbConnection connection;
  basFunctions::guarded("basMain, ConnectDB()", [&] {
    const QString path = DatabasePath();
    // SQLite would create an empty file for a missing one; the program needs the real one.
    if (!QFileInfo(path).isFile()) raiseDbError("Could not find file '" + path + "'.");
    const QString name = newConnectionName();
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
      db.setDatabaseName(path);
      if (!db.open(QString(), QString())) {
        const QString error = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        raiseDbError(error);
      }
    }
    connection.name_ = name;
    DatabaseOpen = true;
  });
  return connection;
}

QSqlRecord Custinfo(const DbConnection& db) {
  QSqlRecord record;
  basFunctions::guarded("basMain, Custinfo()", [&] {
    QSqlQuery query = db.query();
    if (!query.exec(QStringLiteral("select * from tblCustInfo where RecNum = 1 ")))
      raiseDbError(query.lastError().text());
    if (!query.next())
      throw basFunctions::ProgramError(
          3021, "Either BOF or EOF is True, or the current record has been deleted.");
    record = query.record();
  });
  return record;
}

QVariant DbField(const QSqlRecord& record, const QString& column) {
  const int index = record.indexOf(column);
  if (index < 0) throw basFunctions::ProgramError(3265, "Item cannot be found in the collection.");
  return record.value(index);
}

bool UpdateCustinfo(const QString& column, const QVariant& value) {
  bool ok = false;
  const DbConnection db = ConnectDB();
  if (!db) return false;
  basFunctions::guarded("basMain, UpdateCustinfo()", [&] {
    // Column names come from the program's own constants, never from input.
    QSqlQuery update = db.query();
    update.prepare("update tblCustInfo set " + column + " = ? where RecNum = 1");
    update.addBindValue(value);
    if (!update.exec()) raiseDbError(update.lastError().text());
    ok = true;
  });
  return ok;
}

}  // namespace basMain
