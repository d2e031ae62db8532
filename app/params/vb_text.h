// Reading numbers out of texts the way the program's texts are written: a number prefix
// ("12abc" is 12, "abc" is 0) and a test for a text that is wholly a number.
#pragma once

#include <QString>

namespace vb {

// The number at the start of the text (leading blanks skipped, optional sign, digits, decimal
// point, exponent); 0 when the text does not start with one.
double Val(const QString& text);
// True when the trimmed text is a number and nothing else ("12", "-3.5", "1e3").
bool IsNumeric(const QString& text);

}  // namespace vb
