#include "params/value_table.h"

#include "core/program_error.h"
#include "params/number_text.h"

namespace basFunctions {

ValueTable DriveImage;
ValueTable WorkingConfig;

namespace {

[[noreturn]] void subscriptOutOfRange() { throw ProgramError(9, "Subscript out of range"); }

void checkCell(int group, int number) {
  if (group < 0 || group >= ValueTable::kGroups || number < 0 || number >= ValueTable::kRows)
    subscriptOutOfRange();
}

}  // namespace

int32_t& ValueTable::P(int group, int number) {
  checkCell(group, number);
  return values_[number][group];
}

int32_t ValueTable::P(int group, int number) const {
  checkCell(group, number);
  return values_[number][group];
}

int32_t& ValueTable::byIndex(int index) {
  if (index < 0) subscriptOutOfRange();
  return P(index / 100, index % 100);
}

void ValueTable::clear() { values_ = {}; }

int ParamIndex(int group, int number) { return group * 100 + number; }

QString ParamKeyText(int index) {
  if (index < 0 || index >= ValueTable::kGroups * 100) subscriptOutOfRange();
  return QStringLiteral("%1").arg(index, 3, 10, QChar('0'));
}

int ParamIndexOfKey(const QString& key) {
  const int group = static_cast<int>(number_text::LeadingNumber(key.left(1)));
  const int number = static_cast<int>(number_text::LeadingNumber(key.right(2)));
  return ParamIndex(group, number);
}

QString ParamLabel(const QString& key) {
  return QStringLiteral("P") + key.left(1) + "." + key.right(2);
}

bool HasFixedLabel(int index) { return index >= 410 && index <= 421; }

void CheckCatalogIndex(int index) {
  if (index < 0 || index > 423) subscriptOutOfRange();
}

}  // namespace basFunctions
