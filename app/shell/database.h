// The parameter database Data/VM.vmd (SQLite). Every use opens its own connection and
// releases it afterwards:
//
//   if (!basMain::ConnectDB()) return;
//   { QSqlQuery q(basMain::DbConnection()); q.prepare("... = ?"); q.addBindValue(key); ... }
//   basMain::ReleaseDB();
//
// Values always go in as bound parameters, never pasted into the statement text.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace basMain {

QString DatabasePath();
// Opens a new connection (replacing the previous one) and sets DatabaseOpen. A missing or
// unreadable database is reported (location "basMain, ConnectDB()") and gives false.
bool ConnectDB();
QSqlDatabase DbConnection();
// Opens DbRecordset on the settings record and moves to it; false (reported) on failure.
bool Custinfo();
// The shared record set; throws a run-time error when it holds no current record.
QSqlQuery& DbRecordset();
// A column of DbRecordset's current record; throws when there is none.
QVariant DbField(const QString& column);
// Releases DbRecordset and DbConnection.
void ReleaseDB();
// Writes one column of the settings record at once (used by the menu toggles and options).
bool UpdateCustinfo(const QString& column, const QVariant& value);

}  // namespace basMain
