#include "params/compare_values.h"

#include <cmath>

#include "core/program_error.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace compareValues {
namespace {

using basFunctions::ParamInfo;

// A number as the program writes it into a line of text ("12.5", "3000").
QString NumberText(double value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    return QString::number(static_cast<qint64>(value));
  return QString::number(value, 'g', 15).toUpper();
}

bool differsFromDefault(int32_t raw, const ParamInfo& info) {
  const double defaultValue = *info.defaultValue;
  try {
    return raw != basFunctions::RawFromDisplay(defaultValue, info.resolution);
  } catch (const basFunctions::ProgramError&) {
    // A default beyond 32 bits at this resolution: no configuration value can equal it.
    return true;
  }
}

}  // namespace

QString CompareLabel(int group, int number) {
  return QStringLiteral("P%1.%2").arg(group).arg(number, 2, 10, QLatin1Char('0'));
}

QList<int> DifferingIndexes(const basFunctions::ValueTable& config,
                            const basFunctions::ParamCatalog& catalog,
                            const std::array<int16_t, 5>& groupLimit) {
  QList<int> indexes;
  for (int group = 0; group < 5; ++group) {
    for (int number = 0; number <= groupLimit[static_cast<size_t>(group)]; ++number) {
      const int index = basFunctions::ParamIndex(group, number);
      const ParamInfo& info = catalog[index];
      if (!info.loaded || !info.Compare || !info.defaultValue) continue;
      if (differsFromDefault(config.P(group, number), info)) indexes.append(index);
    }
  }
  return indexes;
}

QStringList Differences(const basFunctions::ValueTable& config,
                        const basFunctions::ParamCatalog& catalog,
                        const std::array<int16_t, 5>& groupLimit) {
  QStringList lines;
  for (int index : DifferingIndexes(config, catalog, groupLimit)) {
    const ParamInfo& info = catalog[index];
    const int32_t raw = config.P(index / 100, index % 100);
    lines.append(CompareLabel(index / 100, index % 100) +
                 " - Value different from default. Value = " +
                 NumberText(basFunctions::DisplayFromRaw(raw, info.resolution)) +
                 " Default = " + NumberText(*info.defaultValue));
  }
  return lines;
}

}  // namespace compareValues
