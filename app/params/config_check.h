// A configuration file, as config_file reads it, checked against the parameter set it loads
// into: a value that the parameter's register or range cannot take (the rule of param_value),
// and the parameters of the set that the file does not list. No widgets, no program globals:
// the program's open and velumo-config share it.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "params/config_file.h"

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace config_check {

// The first line whose value its parameter cannot take, or none. Lines outside the set
// (groups 5 and 6, numbers beyond the limits, parameters the set does not have) are not
// checked; read-only parameters only against their register; a P4.05 above the jog limit
// takes its default and is not refused.
std::optional<config_file::Refusal> RefusedValue(const config_file::Contents& contents,
                                                 const basFunctions::ParamCatalog& catalog,
                                                 const std::array<int16_t, 5>& limits);

// The parameters of the set (g = 0..4, nn = 0..limits[g], loaded) that no line lists, ascending.
QList<int> Missing(const config_file::Contents& contents, const basFunctions::ParamCatalog& catalog,
                   const std::array<int16_t, 5>& limits);

// config_file::Apply, then the values of unsigned registers that earlier versions wrote as
// negative words taken as 0..65535. Returns the number of P4.05 lines replaced.
int Apply(const config_file::Contents& contents, const basFunctions::ParamCatalog& catalog,
          basFunctions::ValueTable& config, int32_t jogSpeedDefault);

}  // namespace config_check
