#include "params/config_check.h"

#include <QSet>

#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/value_table.h"

namespace config_check {
namespace {

using basFunctions::ParamCatalog;

// The line's parameter when it belongs to the set, else -1.
int indexInSet(const config_file::ParamLine& line, const ParamCatalog& catalog,
               const std::array<int16_t, 5>& limits) {
  if (line.group > 4 || line.number > limits[static_cast<size_t>(line.group)]) return -1;
  const int index = basFunctions::ParamIndex(line.group, line.number);
  if (index >= ParamCatalog::kSize || !catalog[index].loaded) return -1;
  return index;
}

bool replacedByJogDefault(int index, const config_file::ParamLine& line) {
  return index == config_file::kJogSpeedIndex && line.asWritten > config_file::kJogSpeedLimit;
}

}  // namespace

std::optional<config_file::Refusal> RefusedValue(const config_file::Contents& contents,
                                                 const ParamCatalog& catalog,
                                                 const std::array<int16_t, 5>& limits) {
  for (const config_file::ParamLine& line : contents.params) {
    const int index = indexInSet(line, catalog, limits);
    if (index < 0 || replacedByJogDefault(index, line)) continue;
    const basFunctions::ParamInfo& info = catalog[index];
    const int32_t value = param_value::FromStored(line.value, info);
    const param_value::Verdict verdict = info.ReadOnly ? param_value::CheckRegister(info, value)
                                                       : param_value::Check(index, info, value);
    if (verdict != param_value::Verdict::Fits)
      return config_file::Refusal{line.lineNumber, line.text,
                                  param_value::ReasonText(index, info, verdict)};
  }
  return std::nullopt;
}

QList<int> Missing(const config_file::Contents& contents, const ParamCatalog& catalog,
                   const std::array<int16_t, 5>& limits) {
  QSet<int> listed;
  for (const config_file::ParamLine& line : contents.params)
    listed.insert(basFunctions::ParamIndex(line.group, line.number));
  QList<int> missing;
  for (int group = 0; group <= 4; ++group)
    for (int number = 0; number <= limits[static_cast<size_t>(group)]; ++number) {
      const int index = basFunctions::ParamIndex(group, number);
      if (catalog[index].loaded && !listed.contains(index)) missing << index;
    }
  return missing;
}

int Apply(const config_file::Contents& contents, const ParamCatalog& catalog,
          basFunctions::ValueTable& config, int32_t jogSpeedDefault) {
  const int replaced = config_file::Apply(contents, config, jogSpeedDefault);
  param_value::ReadAsRegisters(config, catalog);
  return replaced;
}

}  // namespace config_check
