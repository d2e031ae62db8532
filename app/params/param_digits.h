// Packed parameters without widgets: the digits of a wizard parameter (each decimal digit, or
// hexadecimal for P2.31, selects one setting) and the bits of the two bit-field parameters
// P2.65 and P3.08. The wizard and the bit editors are thin windows over this.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace paramDigits {

// Where the choices of a part come from.
enum class PartSource {
  Parts,    // qryParts for the parameter and part
  Modes,    // the eleven control modes of P1.01 (digits B A)
  Inputs,   // qry7A, the digital input functions (digits B A of P2.10..P2.17)
  Outputs,  // qry7B, the digital output functions (digits B A of P2.18..P2.22)
};

// One visible part of the wizard: its place (1 = leftmost, most significant), its letter text
// ("E" ... "A", or "B A" for a two-digit part) and how many digits it carries.
struct WizardPart {
  int part = 1;
  QString letter;
  int width = 1;
  PartSource source = PartSource::Parts;
};

// Letters of a parameter of `parts` digits, most significant first ("C", "B", "A" for 3).
QStringList PartLetters(int parts);
// The visible parts of parameter k with `parts` digits: P1.01 joins its two last digits into
// "B A" (the control mode), the input and output functions their two last digits into "B A"
// (the function code).
QList<WizardPart> WizardLayout(int k, int parts);
// True for P2.31, whose digits are hexadecimal.
bool IsHexParameter(int k);
// The digits of an editor text: its number (in hexadecimal for P2.31), read as padded with
// leading zeros to the parameter's digit count. The database's settings belong to the right-
// aligned digits, so 80 is "080" for a three-digit parameter and 5 is "05" for two.
QString PaddedDigits(int k, const QString& fieldText, int parts);
// The digits of each visible part, taken from the padded digits in order.
QStringList SplitDigits(const QList<WizardPart>& layout, const QString& digits);
// The list position of the setting that stands for `digits` (its first characters), or -1.
int SettingPosition(const QStringList& settings, const QString& digits);
// The digits a chosen setting stands for: its first `width` characters.
QString SettingDigits(const QString& setting, int width);
// The value the visible parts of parameter k (of `parts` digits) compose: decimal, or the
// digits read as hexadecimal for P2.31. None when a part is empty or not a number of its base.
std::optional<qint64> ComposeValue(int k, int parts, const QStringList& partDigits);
// The parameter number as the wizard writes it ("1.01").
QString ParameterNumber(int k);

// ---- Bit fields --------------------------------------------------------------------------

constexpr int kBitCount = 16;
// The 16-bit pattern of a field's value (as the editor shows it: a number, rounded).
int BitsOfText(const QString& fieldText);
// Upper-case hexadecimal of a bit pattern ("8000").
QString HexOf(int bits);
bool BitIsSet(int bits, int bit);
int ToggleBit(int bits, int bit);

// P2.65: bits 5, 4, 3 hold the fast input function, chosen by one of three option buttons.
constexpr int kFastFunctionOptions = 3;
// The option (0 "000", 1 "001", 2 "010") that bits 5-3 of a value match, or -1.
int FastFunctionOption(int bits);
int WithFastFunctionOption(int bits, int option);
// P2.65 bits that a click toggles (0, 1, 2, 6, 10); the fast function bits and the reserved
// bits are not.
bool IsToggleBit265(int bit);
bool IsFastFunctionBit265(int bit);

// P3.08: the bit that holds digital input DI n (1..16), in the order of the drive's 16-input
// registers.
int BitOfInput308(int input);

}  // namespace paramDigits
