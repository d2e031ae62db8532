#include "params/journal_store.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace journal {
namespace {

const char* const kSchemaSteps[Store::kVersion] = {
    // 1: the entries and their parameters.
    "CREATE TABLE tblJournal (EntryId INTEGER PRIMARY KEY AUTOINCREMENT, At TEXT NOT NULL, "
    "Source TEXT NOT NULL, Detail TEXT NOT NULL DEFAULT '', Model TEXT NOT NULL DEFAULT '', "
    "Firmware INTEGER NOT NULL DEFAULT 0, Motor INTEGER NOT NULL DEFAULT 0, "
    "Node INTEGER NOT NULL DEFAULT 0, Port TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE tblJournalParams (EntryId INTEGER NOT NULL REFERENCES tblJournal(EntryId), "
    "Seq INTEGER NOT NULL, Parameter INTEGER NOT NULL, ValueBefore INTEGER, "
    "ValueWritten INTEGER, Answer INTEGER, PRIMARY KEY (EntryId, Seq));"
    "CREATE INDEX idxJournalAt ON tblJournal(At)",
    // 2: who wrote; the history filters by parameter.
    "ALTER TABLE tblJournal ADD COLUMN UserName TEXT NOT NULL DEFAULT '';"
    "CREATE INDEX idxJournalParameter ON tblJournalParams(Parameter)",
};

// Times are kept as UTC text that sorts as it reads.
QString timeText(const QDateTime& at) {
  return at.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime timeOf(const QString& text) {
  QDateTime at = QDateTime::fromString(text, Qt::ISODateWithMs);
  at.setTimeSpec(Qt::UTC);
  return at;
}

QVariant optionalValue(const std::optional<int32_t>& value) {
  return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
}

template <class T>
std::optional<T> optionalOf(const QVariant& value) {
  if (value.isNull()) return std::nullopt;
  return static_cast<T>(value.toInt());
}

// The text columns are NOT NULL: a null QString (no detail, no user) is stored as ''.
QVariant textValue(const QString& text) {
  return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool run(QSqlQuery& query, QString& problem) {
  if (query.exec()) return true;
  problem = query.lastError().text();
  return false;
}

int userVersion(const QSqlDatabase& db) {
  QSqlQuery query(db);
  return query.exec(QStringLiteral("PRAGMA user_version")) && query.next() ? query.value(0).toInt()
                                                                           : -1;
}

QString uniqueConnection() {
  static QAtomicInteger<int> next = 0;
  return QStringLiteral("velumo-journal-%1").arg(next.fetchAndAddRelaxed(1));
}

}  // namespace

QString JournalPath(const QString& writableFolder) {
  return writableFolder + QStringLiteral("/Data/Journal.db");
}

bool Store::CreateSchema(QSqlDatabase& db, int version, QString& problem) {
  for (int step = userVersion(db); step < version; ++step) {
    if (step < 0) {
      problem = QStringLiteral("the file is not a journal");
      return false;
    }
    if (!db.transaction()) {
      problem = db.lastError().text();
      return false;
    }
    bool good = true;
    for (const QString& statement :
         QString::fromLatin1(kSchemaSteps[step]).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      QSqlQuery query(db);
      query.prepare(statement);
      if (!(good = run(query, problem))) break;
    }
    QSqlQuery stamp(db);
    if (good) good = stamp.exec(QStringLiteral("PRAGMA user_version = %1").arg(step + 1));
    if (good && db.commit()) continue;
    if (problem.isEmpty()) problem = db.lastError().text();
    db.rollback();
    return false;
  }
  return true;
}

Store::Store(const QString& path) : path_(path), connection_(uniqueConnection()) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    problem_ = "cannot create the folder " + QFileInfo(path).absolutePath();
    return;
  }
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  db.setDatabaseName(path);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
  if (!db.open()) {
    problem_ = db.lastError().text();
    return;
  }
  open_ = migrate();
}

Store::~Store() {
  QSqlDatabase::database(connection_, false).close();
  QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase Store::db() const { return QSqlDatabase::database(connection_, false); }

bool Store::migrate() {
  QSqlDatabase database = db();
  version_ = userVersion(database);
  if (version_ > kVersion) {
    problem_ = QStringLiteral("the journal was written by a newer version of the program");
    return false;
  }
  // A journal that cannot be brought up to date (a read-only file) can still be read.
  if (version_ < kVersion && !CreateSchema(database, kVersion, problem_)) return version_ > 0;
  version_ = userVersion(database);
  return true;
}

bool Store::append(const Entry& entry) {
  if (!open_) return false;
  QSqlDatabase database = db();
  if (!database.transaction()) {
    problem_ = database.lastError().text();
    return false;
  }
  QSqlQuery head(database);
  head.prepare(QStringLiteral(
      "INSERT INTO tblJournal (At, Source, Detail, UserName, Model, Firmware, Motor, Node, Port) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
  for (const QVariant& value :
       {QVariant(timeText(entry.at)), QVariant(SourceText(entry.source)), textValue(entry.detail),
        textValue(entry.user), textValue(entry.drive.model), QVariant(entry.drive.firmware),
        QVariant(entry.drive.motor), QVariant(entry.drive.node), textValue(entry.drive.port)})
    head.addBindValue(value);
  bool good = run(head, problem_);
  const qint64 id = head.lastInsertId().toLongLong();
  QSqlQuery param(database);
  param.prepare(QStringLiteral(
      "INSERT INTO tblJournalParams (EntryId, Seq, Parameter, ValueBefore, ValueWritten, Answer) "
      "VALUES (?, ?, ?, ?, ?, ?)"));
  for (qsizetype seq = 0; good && seq < entry.params.size(); ++seq) {
    const ParamChange& change = entry.params[seq];
    param.addBindValue(id);
    param.addBindValue(static_cast<int>(seq));
    param.addBindValue(change.index);
    param.addBindValue(optionalValue(change.before));
    param.addBindValue(optionalValue(change.written));
    param.addBindValue(change.answer ? QVariant(*change.answer) : optionalValue(std::nullopt));
    good = run(param, problem_);
  }
  if (good && database.commit()) return true;
  if (good) problem_ = database.lastError().text();
  database.rollback();
  return false;
}

QList<Entry> Store::entries(const Filter& filter) const {
  QList<Entry> result;
  if (!open_) return result;
  QString where = QStringLiteral(" WHERE 1 = 1");
  QVariantList values;
  if (filter.since.isValid()) {
    where += QStringLiteral(" AND j.At >= ?");
    values << timeText(filter.since);
  }
  if (filter.until.isValid()) {
    where += QStringLiteral(" AND j.At < ?");
    values << timeText(filter.until);
  }
  if (filter.source) {
    where += QStringLiteral(" AND j.Source = ?");
    values << SourceText(*filter.source);
  }
  if (filter.drive) {
    where += QStringLiteral(" AND j.Port = ? AND j.Node = ?");
    values << filter.drive->port << filter.drive->node;
  }
  if (filter.parameter) {
    where += QStringLiteral(" AND p.Parameter = ?");
    values << *filter.parameter;
  }
  const QString user = version_ >= 2 ? QStringLiteral("j.UserName") : QStringLiteral("''");
  QSqlQuery query(db());
  query.setForwardOnly(true);
  query.prepare("SELECT j.EntryId, j.At, j.Source, j.Detail, " + user +
                ", j.Model, j.Firmware, j.Motor, j.Node, j.Port, p.Parameter, p.ValueBefore, "
                "p.ValueWritten, p.Answer FROM tblJournal j JOIN tblJournalParams p ON "
                "p.EntryId = j.EntryId" +
                where + " ORDER BY j.At DESC, j.EntryId DESC, p.Seq");
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) return result;
  while (query.next()) {
    const qint64 id = query.value(0).toLongLong();
    if (result.isEmpty() || result.last().id != id) {
      Entry entry;
      entry.id = id;
      entry.at = timeOf(query.value(1).toString());
      entry.source = SourceOfText(query.value(2).toString()).value_or(Source::Other);
      entry.detail = query.value(3).toString();
      entry.user = query.value(4).toString();
      entry.drive = {query.value(5).toString(), query.value(6).toInt(), query.value(7).toInt(),
                     query.value(8).toInt(), query.value(9).toString()};
      if (filter.drive && !filter.drive->sameDrive(entry.drive)) continue;
      result << entry;
    }
    result.last().params << ParamChange{
        query.value(10).toInt(), optionalOf<int32_t>(query.value(11)),
        optionalOf<int32_t>(query.value(12)), optionalOf<int16_t>(query.value(13))};
  }
  return result;
}

QList<DriveId> Store::drives() const {
  QList<DriveId> result;
  if (!open_) return result;
  QSqlQuery query(db());
  query.setForwardOnly(true);
  if (!query.exec(QStringLiteral("SELECT Model, Firmware, Motor, Node, Port FROM tblJournal "
                                 "ORDER BY At DESC, EntryId DESC")))
    return result;
  while (query.next()) {
    const DriveId drive{query.value(0).toString(), query.value(1).toInt(), query.value(2).toInt(),
                        query.value(3).toInt(), query.value(4).toString()};
    bool known = false;
    for (const DriveId& seen : result) known = known || seen.sameDrive(drive);
    if (!known) result << drive;
  }
  return result;
}

QString FileOfEntry(const Entry& entry) {
  switch (entry.source) {
    case Source::Download:
    case Source::Upload:
      return entry.detail;
    case Source::VelumoConfig:  // "download /path/pump.vmc"
      return entry.detail.section(QLatin1Char(' '), 1);
    default:
      return QString();
  }
}

QDateTime TimeOfFile(const Store& store, const DriveId& drive, const QString& path) {
  const QFileInfo file(path);
  if (!file.exists()) return {};
  Filter filter;
  filter.drive = drive;
  for (const Entry& entry : store.entries(filter)) {
    const QString named = FileOfEntry(entry);
    // Just after it: what its own writes did is not a change since.
    if (!named.isEmpty() && QFileInfo(named).absoluteFilePath() == file.absoluteFilePath())
      return entry.at.addMSecs(1);
  }
  return file.lastModified().toUTC();
}

}  // namespace journal
