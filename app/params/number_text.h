// Reading numbers out of texts the way the program's texts are written: a number prefix
// ("12abc" is 12, "abc" is 0) and a test for a text that is wholly a number.
#pragma once

#include <QString>

namespace number_text {

// The number at the start of the text (leading blanks skipped, optional sign, digits, decimal
// point, exponent); 0 when the text does not start with one.
double LeadingNumber(const QString& text);
// True when the trimmed text is a number and nothing else ("12", "-3.5", "1e3").
bool IsNumber(const QString& text);

}  // namespace number_text
