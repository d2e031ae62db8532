#include "params/three_way_compare.h"

#include "params/compare_values.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"

namespace threeWay {
namespace {

using basFunctions::ParamCatalog;
using basFunctions::ParamInfo;

bool inSet(const ParamCatalog& catalog, int index) {
  return index >= 0 && index < ParamCatalog::kSize && catalog[index].loaded;
}

bool compared(const ParamInfo& info, int group, int number) {
  return info.loaded && !info.ReadOnly && !transfer_plan::UploadSkips(group, number);
}

// Which sides stand apart: the odd one when two agree, all of them otherwise.
std::array<bool, kMaxSides> marks(const std::vector<int32_t>& values) {
  std::array<bool, kMaxSides> marked{};
  const size_t n = values.size();
  bool allSame = true;
  for (size_t i = 1; i < n; ++i) allSame = allSame && values[i] == values[0];
  if (allSame) return marked;
  for (size_t i = 0; i < n; ++i) {
    bool shared = false;
    for (size_t j = 0; j < n; ++j) shared = shared || (j != i && values[j] == values[i]);
    marked[i] = !shared;
  }
  return marked;
}

}  // namespace

QString LabelOf(const ParamCatalog& catalog, int index) {
  const QString label = compareValues::CompareLabel(index / 100, index % 100);
  if (!inSet(catalog, index) || catalog[index].ParamName.isEmpty()) return label;
  return label + " - " + catalog[index].ParamName;
}

QString ShownOf(const ParamCatalog& catalog, int index, int32_t raw) {
  if (!inSet(catalog, index)) return QString::number(raw);
  return basFunctions::DisplayText(param_value::FromStored(raw, catalog[index]),
                                   catalog[index].resolution);
}

QList<Row> Compare(const ParamCatalog& catalog, const std::array<int16_t, 5>& limits,
                   const std::vector<const basFunctions::ValueTable*>& sides,
                   bool onlyDifferences) {
  QList<Row> rows;
  const size_t n = std::min<size_t>(sides.size(), kMaxSides);
  for (int group = 0; group < 5; ++group) {
    for (int number = 0; number <= limits[static_cast<size_t>(group)]; ++number) {
      const int index = basFunctions::ParamIndex(group, number);
      const ParamInfo& info = catalog[index];
      if (!compared(info, group, number)) continue;
      Row row;
      row.index = index;
      row.label = LabelOf(catalog, index);
      row.units = info.EU;
      std::vector<int32_t> values;
      for (size_t s = 0; s < n; ++s) {
        values.push_back(param_value::FromStored(sides[s]->P(group, number), info));
        row.shown[s] = basFunctions::DisplayText(values.back(), info.resolution);
      }
      row.marked = marks(values);
      if (!onlyDifferences || row.differs()) rows << row;
    }
  }
  return rows;
}

basFunctions::ValueTable Defaults(const ParamCatalog& catalog) {
  basFunctions::ValueTable values;
  for (int index : catalog.loadedIndexes()) {
    const ParamInfo& info = catalog[index];
    if (info.defaultValue)
      values.byIndex(index) = basFunctions::RawFromDisplay(*info.defaultValue, info.resolution);
  }
  return values;
}

}  // namespace threeWay
