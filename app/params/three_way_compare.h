// The comparison of two or three configurations side by side (the working configuration, the
// drive read anew, a file or the factory defaults), without widgets: one row per parameter
// with its label, units and each side's value, the sides that differ marked. The program's
// compare window and velumo-config's compare print the same rows.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace threeWay {

constexpr int kMaxSides = 3;

struct Row {
  int index = 0;
  QString label;  // "P1.05 - Name"
  QString units;
  std::array<QString, kMaxSides> shown;  // display values, one per side
  std::array<bool, kMaxSides> marked{};  // this side's value is not the others'
  bool differs() const { return marked[0] || marked[1] || marked[2]; }
};

// The parameters compared: those of the catalogue's set in groups 0..4 up to the limits that
// a drive keeps as configuration (not read-only, not the keypad display or the monitor
// registers P0.02, P0.04-P0.08). Values are compared as the register carries them (an unsigned
// register's 65535 is the word read as -1). With three sides, a value that two sides share
// marks only the third; with two, or three values all different, every side is marked.
// `onlyDifferences` keeps the rows where something is marked.
QList<Row> Compare(const basFunctions::ParamCatalog& catalog, const std::array<int16_t, 5>& limits,
                   const std::vector<const basFunctions::ValueTable*>& sides, bool onlyDifferences);

// Every parameter of the catalogue's set at its factory default (raw); the others 0.
basFunctions::ValueTable Defaults(const basFunctions::ParamCatalog& catalog);

// "P1.05 - Name" for a parameter of the set, "P5.03" for others.
QString LabelOf(const basFunctions::ParamCatalog& catalog, int index);
// A raw value in display units ("12.5"); raw for a parameter outside the set.
QString ShownOf(const basFunctions::ParamCatalog& catalog, int index, int32_t raw);

}  // namespace threeWay
