#include "editor/editor_values.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>
#include <limits>

#include "core/database.h"
#include "core/logs.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/value_table.h"

namespace editorValues {

using number_text::LeadingNumber;

QString NumberText(double value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    return QString::number(static_cast<qint64>(value));
  return QString::number(value, 'g', 15);
}

QString HexText(const QString& fieldText) {
  if (fieldText.isEmpty()) return QString();
  const double rounded = std::nearbyint(LeadingNumber(fieldText));  // halves to even
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max()))
    return QString();
  // A register is one word: -1 and 65535 are both FFFF.
  const auto value = static_cast<int32_t>(rounded);
  const uint32_t word = value >= -32768 && value <= 65535 ? static_cast<uint16_t>(value)
                                                          : static_cast<uint32_t>(value);
  return QStringLiteral("(HEX ") + QString::number(word, 16).toUpper() + ")";
}

void StoreFieldValue(int k, const QString& fieldText) {
  const int group = k < 100 ? 0 : k / 100;
  const float resolution = basFunctions::Catalog[k].resolution;
  basFunctions::WorkingConfig.P(group, k % 100) =
      basFunctions::RawFromDisplay(LeadingNumber(fieldText), resolution);
}

namespace {

void runQuery(QSqlQuery& query) {
  if (!query.exec())
    throw basFunctions::ProgramError(-2147217900, query.lastError().text().toStdString());
}

// Function texts of the inputs (qry7A) or outputs (qry7B) by function number; the last record
// of a number wins.
using FunctionTexts = QHash<QString, QString>;

const FunctionTexts& functionTexts(bool inputs, int ampCode, int rev) {
  static QHash<QString, FunctionTexts> cache;
  const QString key = QStringLiteral("%1/%2/%3").arg(inputs).arg(ampCode).arg(rev);
  const auto found = cache.constFind(key);
  if (found != cache.constEnd()) return *found;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db)
    throw basFunctions::ProgramError(3704, "Operation is not allowed when the object is closed.");
  QSqlQuery query = db.query();
  query.prepare(QStringLiteral("Select * From ") + (inputs ? "qry7A" : "qry7B") +
                " WHERE AmpCode = ? AND Rev = ?");
  query.addBindValue(ampCode);
  query.addBindValue(rev);
  runQuery(query);
  FunctionTexts texts;
  while (query.next())
    texts.insert(query.value(QStringLiteral("SettingNum")).toString(),
                 query.value(QStringLiteral("Setting")).toString());
  return *cache.insert(key, texts);
}

}  // namespace

QHash<QString, QStringList> SettingsLists(int ampCode, int rev) {
  QHash<QString, QStringList> lists;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return lists;
  QSqlQuery query = db.query();
  query.prepare(QStringLiteral("Select * From qryExtraData WHERE AmpCode = ? AND Rev = ?"));
  query.addBindValue(ampCode);
  query.addBindValue(rev);
  runQuery(query);
  while (query.next())
    lists[query.value(QStringLiteral("Parameter")).toString()].append(
        query.value(QStringLiteral("Setting")).toString());
  return lists;
}

std::optional<QString> InputOutputMeaning(int k, const QString& fieldText, int ampCode,
                                          const QString& revisionText) {
  const bool inputs = k >= 210 && k <= 217;
  const FunctionTexts& texts =
      functionTexts(inputs, ampCode, static_cast<int>(LeadingNumber(revisionText)));
  const QString number = QString::number(static_cast<qint64>(LeadingNumber(fieldText.right(2))));
  const auto setting = texts.constFind(number);
  if (setting == texts.constEnd()) return std::nullopt;
  // The hundreds digit of the value is the contact type: 1 normally closed, 0 normally open
  // (8 and 22 are normally open, whatever the number of characters they are written with).
  const auto value = static_cast<qint64>(LeadingNumber(fieldText));
  const bool normallyClosed = (value / 100) % 10 == 1;
  return (normallyClosed ? QStringLiteral("N.C. - ") : QStringLiteral("N.O. - ")) + setting->mid(4);
}

Verdict CheckValue(int k, const QString& fieldText, const QString& previousText, double value,
                   const basFunctions::ParamInfo& info) {
  if (!number_text::IsNumber(fieldText))
    return fieldText == previousText ? Verdict::Accepted : Verdict::NotANumber;
  switch (param_value::CheckDisplay(k, info, value)) {
    case param_value::Verdict::TooHigh:
      return Verdict::TooHigh;
    case param_value::Verdict::TooLow:
      return Verdict::TooLow;
    case param_value::Verdict::NotANumber:
      return Verdict::NotANumber;
    case param_value::Verdict::Fits:
      break;
  }
  return Verdict::Accepted;
}

QString RefusalText(Verdict verdict) {
  switch (verdict) {
    case Verdict::TooHigh:
      return QStringLiteral(" is too high!");
    case Verdict::TooLow:
      return QStringLiteral(" is too low!");
    case Verdict::NotANumber:
      return QStringLiteral(" is not a number!");
    case Verdict::Accepted:
      break;
  }
  return QString();
}

P136Change DependencyOfP101(int32_t p101, int32_t p136) {
  const bool positionRegisterMode = p101 == 1 || p101 == 101;
  if (!positionRegisterMode && p136 > 0) return P136Change::SetToZero;
  if (positionRegisterMode && p136 < 1) return P136Change::SetToTwenty;
  return P136Change::None;
}

}  // namespace editorValues
