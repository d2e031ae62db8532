// The parameter database Data/VM.vmd (SQLite). Every use opens a connection of its own and
// closes it when the use ends:
//
//   basMain::DbConnection db = basMain::ConnectDB();
//   if (!db) return;
//   QSqlQuery q = db.query();
//   q.prepare("... = ?"); q.addBindValue(key); ...
//
// Uses may nest: a use that runs inside another's record loop (WaitaWhile dispatches events,
// so a timer, a poll handler or the connect dialog can run there) has its own connection and
// leaves the outer query intact. Values always go in as bound parameters, never pasted into
// the statement text.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

namespace basMain {

QString DatabasePath();

// One use of the database; closes and removes its connection when it goes out of scope.
class DbConnection {
 public:
  DbConnection() = default;
  DbConnection(DbConnection&& other) noexcept;
  DbConnection& operator=(DbConnection&& other) noexcept;
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;
  ~DbConnection();

  bool isOpen() const;
  explicit operator bool() const { return isOpen(); }
  QSqlDatabase database() const;
  // A new forward-only query on this connection.
  QSqlQuery query() const;

 private:
  friend DbConnection ConnectDB();
  void close();
  QString name_;
};

// Opens a new connection and sets DatabaseOpen. A missing or unreadable database is reported
// (location "basMain, ConnectDB()") and gives a connection that is not open.
DbConnection ConnectDB();
// The settings record (tblCustInfo, record 1); an empty record, reported with the location
// "basMain, Custinfo()", when it cannot be read.
QSqlRecord Custinfo(const DbConnection& db);
// A column of the settings record; throws a run-time error when there is no such column.
QVariant DbField(const QSqlRecord& record, const QString& column);
// Writes one column of the settings record at once (used by the menu toggles and options).
bool UpdateCustinfo(const QString& column, const QVariant& value);

}  // namespace basMain
