#include "params/param_digits.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "drive_facts.h"
#include "params/number_text.h"

namespace paramDigits {
namespace {

constexpr int kMostLetters = 5;
constexpr int kHexParameter = 231;

// P1.01 (control mode) and the input and output functions P2.10..P2.22 carry a two-digit
// code in their last two digits.
bool HasTwoDigitCode(int k) { return k == 101 || (k >= 210 && k <= 222); }

PartSource codeSource(int k) {
  if (k == 101) return PartSource::Modes;
  return k <= 217 ? PartSource::Inputs : PartSource::Outputs;
}

}  // namespace

QStringList PartLetters(int parts) {
  static const QStringList letters = {"E", "D", "C", "B", "A"};
  parts = std::clamp(parts, 1, kMostLetters);
  return letters.mid(kMostLetters - parts);
}

QList<WizardPart> WizardLayout(int k, int parts) {
  const QStringList letters = PartLetters(parts);
  const int count = static_cast<int>(letters.size());
  const bool joined = HasTwoDigitCode(k) && count >= 2;
  QList<WizardPart> layout;
  for (int p = 1; p <= count; ++p) {
    if (joined && p == count - 1) {
      layout.append({p, QStringLiteral("B A"), 2, codeSource(k)});
      break;
    }
    layout.append({p, letters.at(p - 1), 1, PartSource::Parts});
  }
  return layout;
}

bool IsHexParameter(int k) { return k == kHexParameter; }

QString PaddedDigits(int k, const QString& fieldText, int parts) {
  const auto value = static_cast<qint64>(std::nearbyint(number_text::LeadingNumber(fieldText)));
  const QString digits = QString::number(value, IsHexParameter(k) ? 16 : 10).toUpper();
  return digits.rightJustified(parts, QLatin1Char('0'));
}

QStringList SplitDigits(const QList<WizardPart>& layout, const QString& digits) {
  QStringList parts;
  int offset = 0;
  for (const WizardPart& part : layout) {
    parts.append(digits.mid(offset, part.width));
    offset += part.width;
  }
  return parts;
}

int SettingPosition(const QStringList& settings, const QString& digits) {
  if (digits.isEmpty()) return -1;
  for (int i = 0; i < settings.size(); ++i)
    if (settings.at(i).left(digits.size()).compare(digits, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QString SettingDigits(const QString& setting, int width) { return setting.left(width); }

std::optional<qint64> ComposeValue(int k, int parts, const QStringList& partDigits) {
  const QList<WizardPart> layout = WizardLayout(k, parts);
  QString joined;
  for (int i = 0; i < partDigits.size(); ++i) {
    const QString digits = partDigits.at(i).trimmed();
    if (digits.isEmpty()) return std::nullopt;
    // A two-digit part typed with one digit means that code ("6" is mode 06).
    const int width = i < layout.size() ? layout.at(i).width : 1;
    joined += digits.rightJustified(width, QLatin1Char('0'));
  }
  bool ok = false;
  const qint64 value = joined.toLongLong(&ok, IsHexParameter(k) ? 16 : 10);
  if (!ok || value < 0) return std::nullopt;
  return value;
}

QString ParameterNumber(int k) {
  return QStringLiteral("%1.%2").arg(k / 100).arg(k % 100, 2, 10, QLatin1Char('0'));
}

int BitsOfText(const QString& fieldText) {
  const double rounded = std::nearbyint(number_text::LeadingNumber(fieldText));
  if (!std::isfinite(rounded) || std::fabs(rounded) > 2147483647.0) return 0;
  return static_cast<int>(static_cast<qint64>(rounded) & 0xFFFF);
}

QString HexOf(int bits) { return QString::number(bits & 0xFFFF, 16).toUpper(); }

bool BitIsSet(int bits, int bit) { return (bits >> bit) & 1; }

int ToggleBit(int bits, int bit) { return bits ^ (1 << bit); }

namespace {
constexpr int kFastFunctionShift = 3;
constexpr int kFastFunctionMask = 7 << kFastFunctionShift;
}  // namespace

int FastFunctionOption(int bits) {
  const int option = (bits & kFastFunctionMask) >> kFastFunctionShift;
  return option < kFastFunctionOptions ? option : -1;
}

int WithFastFunctionOption(int bits, int option) {
  return (bits & ~kFastFunctionMask) | ((option << kFastFunctionShift) & kFastFunctionMask);
}

bool IsToggleBit265(int bit) { return bit <= 2 || bit == 6 || bit == 10; }

bool IsFastFunctionBit265(int bit) { return bit >= 3 && bit <= 5; }

int BitOfInput308(int input) {
  constexpr drive_facts::BitField kP308Bits = drive_facts::InputBits(210);
  return std::countr_zero(static_cast<unsigned>(drive_facts::BitOfPoint(kP308Bits, input)));
}

}  // namespace paramDigits
