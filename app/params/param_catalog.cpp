#include "params/param_catalog.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <cmath>
#include <limits>

#include "core/program_error.h"
#include "params/value_table.h"

namespace basFunctions {

ParamCatalog Catalog;

namespace {

constexpr int kMotorWithOwnDefaults = 22;
constexpr double kMotor22SpeedDefault = 2000;

std::optional<double> optionalNumber(const QVariant& value) {
  if (value.isNull()) return std::nullopt;
  return value.toDouble();
}

QString textOrEmpty(const QVariant& value) { return value.isNull() ? QString() : value.toString(); }

}  // namespace

ParamInfo& ParamCatalog::operator[](int index) {
  CheckCatalogIndex(index);
  return entries_[static_cast<size_t>(index)];
}

const ParamInfo& ParamCatalog::operator[](int index) const {
  CheckCatalogIndex(index);
  return entries_[static_cast<size_t>(index)];
}

void ParamCatalog::load(const QSqlDatabase& db, const QString& source, int ampCode, int rev,
                        const ValueTable& driveImage, const ValueTable& workingConfig) {
  // The source is one of the program's own table or view names, never user input.
  QSqlQuery query(db);
  query.setForwardOnly(true);
  query.prepare("Select * From " + source + " WHERE AmpCode = ? AND Rev = ? ORDER By Parameter");
  query.addBindValue(ampCode);
  query.addBindValue(rev);
  if (!query.exec()) throw ProgramError(-2147217900, query.lastError().text().toStdString());

  for (ParamInfo& entry : entries_) {
    entry.HasList = false;
    entry.loaded = false;
  }
  loaded_.clear();
  ampCode_ = ampCode;
  rev_ = rev;
  const bool motor22 = driveImage.P(1, 31) == kMotorWithOwnDefaults ||
                       workingConfig.P(1, 31) == kMotorWithOwnDefaults;
  while (query.next()) {
    const QSqlRecord record = query.record();
    const int index = ParamIndexOfKey(record.value("Parameter").toString());
    if (HasFixedLabel(index)) continue;
    ParamInfo& info = (*this)[index];
    info.min = optionalNumber(record.value("min"));
    info.max = optionalNumber(record.value("max"));
    info.defaultValue = optionalNumber(record.value("default"));
    info.resolution = record.value("resolution").toFloat();
    info.ReadOnly = record.value("ReadOnly").toBool();
    info.Extra = record.value("Extra").toBool();
    info.Compare = record.value("Compare").toBool();
    info.Parts = record.value("Parts").toInt();
    info.HasFunction = !record.value("Function").isNull();
    info.Function = textOrEmpty(record.value("Function"));
    info.ParamName = textOrEmpty(record.value("ParamName"));
    info.EU = textOrEmpty(record.value("EU"));
    info.ToolTipText = textOrEmpty(record.value("ToolTipText"));
    info.HasList = info.Extra;
    info.loaded = true;
    if (motor22 && (index == 140 || index == 155)) info.defaultValue = kMotor22SpeedDefault;
    loaded_.append(index);
  }
}

int32_t RawFromDisplay(double display, float resolution) {
  const double raw = std::nearbyint(display * static_cast<double>(resolution));
  if (!(raw >= std::numeric_limits<int32_t>::min() && raw <= std::numeric_limits<int32_t>::max()))
    throw ProgramError(6, "Overflow");
  return static_cast<int32_t>(raw);
}

double DisplayFromRaw(int32_t raw, float resolution) {
  return static_cast<double>(raw) / static_cast<double>(resolution);
}

QString DisplayText(int32_t raw, float resolution) {
  const double value = DisplayFromRaw(raw, resolution);
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    return QString::number(static_cast<qint64>(value));
  return QString::number(value, 'g', 15);
}

}  // namespace basFunctions
