// The comparison of a configuration with the factory defaults, without widgets: which
// parameters marked for comparison hold a value other than their default, as the lines the
// status list shows.
#pragma once

#include <QList>
#include <QStringList>
#include <array>
#include <cstdint>

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace compareValues {

// "P1.05" for group 1, number 5.
QString CompareLabel(int group, int number);
// One line per parameter (g = 0..4, nn = 0..groupLimit[g]) whose Compare flag is set and whose
// value differs from its default: label + " - Value different from default. Value = " + value +
// " Default = " + default. A parameter without a default never differs. A default is compared
// as the raw value the drive would hold for it, so a default finer than the parameter's
// resolution does not count as a difference.
QStringList Differences(const basFunctions::ValueTable& config,
                        const basFunctions::ParamCatalog& catalog,
                        const std::array<int16_t, 5>& groupLimit);

// The ParamIndexes of those parameters, in the same order (for tools that print them their way).
QList<int> DifferingIndexes(const basFunctions::ValueTable& config,
                            const basFunctions::ParamCatalog& catalog,
                            const std::array<int16_t, 5>& groupLimit);

}  // namespace compareValues
