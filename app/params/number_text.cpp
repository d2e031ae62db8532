#include "params/number_text.h"

namespace number_text {
namespace {

// Length of the number that starts at position `from`, 0 when none does.
int numberLength(const QString& text, int from) {
  int i = from;
  const int n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  int digits = 0;
  while (i < n && text[i].isDigit()) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i].isDigit()) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    int j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    const int expStart = j;
    while (j < n && text[j].isDigit()) ++j;
    if (j > expStart) i = j;
  }
  return i - from;
}

int firstNonBlank(const QString& text) {
  int i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  return i;
}

}  // namespace

double LeadingNumber(const QString& text) {
  const int start = firstNonBlank(text);
  const int length = numberLength(text, start);
  if (length == 0) return 0.0;
  return text.mid(start, length).toDouble();
}

bool IsNumber(const QString& text) {
  const QString trimmed = text.trimmed();
  return !trimmed.isEmpty() && numberLength(trimmed, 0) == trimmed.size();
}

}  // namespace number_text
