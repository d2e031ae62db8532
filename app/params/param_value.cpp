#include "params/param_value.h"

#include <algorithm>
#include <cmath>

#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace param_value {
namespace {

using basFunctions::ParamInfo;

constexpr int32_t kSignedMin = -32768;
constexpr int32_t kSignedMax = 32767;
constexpr int32_t kUnsignedMax = 65535;
constexpr int32_t kNotSet = 99;  // P0.03-P0.08 not chosen yet

// A display bound compared with a display value, forgiving the float error of raw / resolution.
bool above(double value, double bound) {
  return value > bound + 1e-9 * std::max(1.0, std::fabs(bound));
}
bool below(double value, double bound) {
  return value < bound - 1e-9 * std::max(1.0, std::fabs(bound));
}

double resolutionOf(const ParamInfo& info) {
  return info.resolution != 0 ? static_cast<double>(info.resolution) : 1.0;
}

Verdict rangeVerdict(const ParamInfo& info, double display) {
  if (info.max && above(display, *info.max)) return Verdict::TooHigh;
  if (info.min && below(display, *info.min)) return Verdict::TooLow;
  return Verdict::Fits;
}

QString number(double value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    return QString::number(static_cast<qint64>(value));
  return QString::number(value, 'g', 15);
}

bool notSet(int index, double value) { return index >= 3 && index <= 8 && value == kNotSet; }

}  // namespace

bool IsUnsigned(const ParamInfo& info) {
  return info.min && *info.min >= 0 && info.max && *info.max * resolutionOf(info) > kSignedMax;
}

int32_t RegisterMin(const ParamInfo& info) { return IsUnsigned(info) ? 0 : kSignedMin; }

int32_t RegisterMax(const ParamInfo& info) { return IsUnsigned(info) ? kUnsignedMax : kSignedMax; }

int32_t FromWord(int16_t word, const ParamInfo& info) {
  return IsUnsigned(info) ? static_cast<int32_t>(static_cast<uint16_t>(word)) : word;
}

int32_t FromStored(int32_t raw, const ParamInfo& info) {
  return IsUnsigned(info) && raw >= kSignedMin && raw < 0 ? raw + kUnsignedMax + 1 : raw;
}

void ReadAsRegisters(basFunctions::ValueTable& table, const basFunctions::ParamCatalog& catalog) {
  for (int index : catalog.loadedIndexes()) {
    int32_t& value = table.byIndex(index);
    value = FromStored(value, catalog[index]);
  }
}

Verdict CheckRegister(const ParamInfo& info, int32_t raw) {
  if (raw > RegisterMax(info)) return Verdict::TooHigh;
  if (raw < RegisterMin(info)) return Verdict::TooLow;
  return Verdict::Fits;
}

Verdict Check(int index, const ParamInfo& info, int32_t raw) {
  if (notSet(index, raw)) return Verdict::Fits;
  const Verdict inRegister = CheckRegister(info, raw);
  if (inRegister != Verdict::Fits) return inRegister;
  return rangeVerdict(info, static_cast<double>(raw) / resolutionOf(info));
}

Verdict CheckDisplay(int index, const ParamInfo& info, double display) {
  if (!std::isfinite(display)) return Verdict::NotANumber;
  if (notSet(index, display)) return Verdict::Fits;
  const Verdict inRange = rangeVerdict(info, display);
  if (inRange != Verdict::Fits) return inRange;
  const double raw = std::nearbyint(display * resolutionOf(info));
  if (raw > RegisterMax(info)) return Verdict::TooHigh;
  if (raw < RegisterMin(info)) return Verdict::TooLow;
  return Verdict::Fits;
}

Verdict CheckText(int index, const ParamInfo& info, const QString& text) {
  if (!number_text::IsNumber(text)) return Verdict::NotANumber;
  return CheckDisplay(index, info, number_text::LeadingNumber(text));
}

QString RangeText(const ParamInfo& info) {
  const double resolution = resolutionOf(info);
  double low = RegisterMin(info) / resolution;
  double high = RegisterMax(info) / resolution;
  if (info.min) low = std::max(low, *info.min);
  if (info.max) high = std::min(high, *info.max);
  return number(low) + " to " + number(high);
}

QString ReasonText(int index, const ParamInfo& info, Verdict verdict) {
  if (verdict == Verdict::NotANumber) return QStringLiteral("the value is not a number");
  return basFunctions::ParamLabel(basFunctions::ParamKeyText(index)) + " takes " + RangeText(info);
}

}  // namespace param_value
