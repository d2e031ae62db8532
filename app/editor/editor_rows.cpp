#include "editor/editor_rows.h"

#include <array>

namespace editorRows {
namespace {

constexpr std::array<int, 5> kLastNumber = {8, 56, 65, 8, 23};

bool inRange(int k, int first, int last) { return k >= first && k <= last; }

}  // namespace

int LastNumber(int group) { return kLastNumber.at(static_cast<size_t>(group)); }

const QList<int>& AllIndexes() {
  static const QList<int> indexes = [] {
    QList<int> all;
    for (int group = 0; group < 5; ++group)
      for (int number = 0; number <= LastNumber(group); ++number) all.append(group * 100 + number);
    return all;
  }();
  return indexes;
}

bool IsReserved(int k) { return inRange(k, 410, 421); }

bool HasList(int k) {
  return inRange(k, 0, 2) || inRange(k, 4, 8) || k == 131 || k == 133 || k == 232 || k == 244 ||
         k == 250 || k == 251 || k == 264 || inRange(k, 301, 305) || inRange(k, 400, 404);
}

bool HasWizard(int k) {
  return k == 3 || inRange(k, 100, 103) || k == 132 || k == 146 || k == 147 ||
         inRange(k, 210, 222) || k == 231 || k == 233 || k == 248 || k == 249 || k == 263 ||
         k == 265 || k == 308;
}

bool HasInputOutputMeaning(int k) { return inRange(k, 210, 222); }

QString HexLabelName(int k) {
  switch (k) {
    case 231:
      return QStringLiteral("lbl231Hex");
    case 265:
      return QStringLiteral("lbl265Hex");
    case 308:
      return QStringLiteral("lbl308Hex");
    case 406:
      return QStringLiteral("lbl406hex");
    default:
      return QString();
  }
}

QString ParamName(int k) {
  return QStringLiteral("P%1.%2").arg(k / 100).arg(k % 100, 2, 10, QLatin1Char('0'));
}

QString ReservedCaption(int k) { return QStringLiteral("   ") + ParamName(k) + " - Reserved"; }

}  // namespace editorRows
