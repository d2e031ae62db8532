#include "catalogue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "params/value_table.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

const QString kConnection = QStringLiteral("velumo-config");

QSqlQuery Prepared(const QString& connection, const QString& statement) {
  QSqlQuery query(QSqlDatabase::database(connection, false));
  query.prepare(statement);
  return query;
}

void Run(QSqlQuery& query) {
  if (!query.exec())
    throw ToolError(kExitLocal, "drive database: " + query.lastError().text().toStdString());
}

}  // namespace

Database::Database(const QString& path) : connection_(kConnection) {
  if (!QFileInfo(path).isFile())
    throw ToolError(kExitLocal, "the drive database " + path.toStdString() + " is missing");
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  db.setDatabaseName(path);
  db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
  if (!db.open())
    throw ToolError(kExitLocal, "cannot open the drive database " + path.toStdString() + ": " +
                                    db.lastError().text().toStdString());
}

Database::~Database() {
  QSqlDatabase::database(connection_, false).close();
  QSqlDatabase::removeDatabase(connection_);
}

QString Database::ModelName(int ampCode, int revision) const {
  QSqlQuery query =
      Prepared(connection_,
               QStringLiteral("Select AmpName From tblDriveModels WHERE AmpCode = ? AND Rev = ?"));
  query.addBindValue(ampCode);
  query.addBindValue(revision);
  Run(query);
  return query.next() ? query.value(0).toString() : QString();
}

QString Database::MotorName(int ampCode, int revision, int motorCode) const {
  QSqlQuery query =
      Prepared(connection_, QStringLiteral("Select Description From tblMotors WHERE "
                                           "AmpCode = ? AND Rev = ? AND MotorCode = ?"));
  query.addBindValue(ampCode);
  query.addBindValue(revision);
  query.addBindValue(motorCode);
  Run(query);
  return query.next() ? query.value(0).toString() : QString();
}

void Database::LoadCatalog(int ampCode, int revision, const basFunctions::ValueTable& config,
                           basFunctions::ParamCatalog& catalog) const {
  try {
    catalog.load(QSqlDatabase::database(connection_, false), QStringLiteral("qryTabParams"),
                 ampCode, revision, config, config);
  } catch (const std::exception& e) {
    throw ToolError(kExitLocal, std::string("drive database: ") + e.what());
  }
}

QString DefaultDatabasePath() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/Data/VM.vmd");
}

void FillDefaults(const basFunctions::ParamCatalog& catalog, basFunctions::ValueTable& config) {
  for (int index : catalog.loadedIndexes()) {
    const basFunctions::ParamInfo& info = catalog[index];
    if (info.defaultValue)
      config.byIndex(index) = basFunctions::RawFromDisplay(*info.defaultValue, info.resolution);
  }
}

}  // namespace vmconfig
