#include "history/drive_sets.h"

#include <QMap>
#include <QPair>
#include <memory>

#include "core/database.h"
#include "core/logs.h"
#include "drive_facts.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace driveSets {

const basFunctions::ParamCatalog& CatalogFor(int ampCode, int revision) {
  static QMap<QPair<int, int>, std::shared_ptr<basFunctions::ParamCatalog>> loaded;
  const QPair<int, int> key{ampCode, revision};
  if (auto known = loaded.constFind(key); known != loaded.constEnd()) return **known;
  auto catalog = std::make_shared<basFunctions::ParamCatalog>();
  basFunctions::guarded("driveSets, CatalogFor()", [&] {
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    const basFunctions::ValueTable none;
    catalog->load(db.database(), QStringLiteral("qryTabParams"), ampCode, revision, none, none);
  });
  loaded.insert(key, catalog);
  return *catalog;
}

std::array<int16_t, 5> LimitsFor(int revision) {
  drive_facts::GroupLimits limits{};
  std::array<int16_t, 5> result{};
  if (drive_facts::GroupLimitsFor(revision, limits))
    for (size_t g = 0; g < result.size(); ++g) result[g] = static_cast<int16_t>(limits.last[g]);
  return result;
}

}  // namespace driveSets
