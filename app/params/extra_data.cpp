#include "params/extra_data.h"

#include <QComboBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "core/database.h"
#include "core/logs.h"

namespace basFunctions {

QStringList ExtraDataSettings(int ampCode, int rev, const QString& parameter) {
  QStringList settings;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return settings;
  guarded("basFunctions, getExtraData()", [&] {
    QSqlQuery query = db.query();
    query.prepare(QStringLiteral(
        "Select * From qryExtraData WHERE AmpCode = ? AND Rev = ? AND Parameter = ?"));
    query.addBindValue(ampCode);
    query.addBindValue(rev);
    query.addBindValue(parameter);
    if (!query.exec()) throw ProgramError(-2147217900, query.lastError().text().toStdString());
    while (query.next()) settings.append(query.value(QStringLiteral("Setting")).toString());
  });
  return settings;
}

void getExtraData(const QString& /*source*/, int ampCode, int rev, const QString& parameter,
                  QComboBox* list) {
  const QStringList settings = ExtraDataSettings(ampCode, rev, parameter);
  guarded("basFunctions, getExtraData()", [&] {
    if (!list) throw ProgramError(91, "Object variable or With block variable not set");
    list->addItems(settings);
  });
}

}  // namespace basFunctions
