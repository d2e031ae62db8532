#include "params/transfer_plan.h"

#include <QFileInfo>
#include <QStringList>

#include "params/param_catalog.h"
#include "params/value_table.h"

namespace transfer_plan {
namespace {

// P0.03-P0.08 hold 99 while the user has not chosen a setting; such a value is not sent.
constexpr int kNotSet = 99;

bool mayBeUnset(int group, int number) { return group == 0 && number > 2 && number < 9; }

}  // namespace

bool UploadSkips(int group, int number) {
  return group == 0 && (number == 2 || (number >= 4 && number <= 8));
}

void UploadCopy(const basFunctions::ValueTable& driveImage, basFunctions::ValueTable& working) {
  for (int group = 0; group <= 4; ++group)
    for (int number = 0; number < basFunctions::ValueTable::kRows; ++number)
      if (!UploadSkips(group, number)) working.P(group, number) = driveImage.P(group, number);
}

QList<Planned> DownloadPlan(const basFunctions::ParamCatalog& catalog,
                            const std::array<int16_t, 5>& limits, const ShownValue& shown) {
  QList<Planned> plan;
  for (int group = 0; group <= 4; ++group) {
    for (int number = 0; number <= limits[group]; ++number) {
      Planned step;
      step.index = basFunctions::ParamIndex(group, number);
      step.key = basFunctions::ParamKeyText(step.index);
      if (basFunctions::HasFixedLabel(step.index))
        step.step = Step::SkipReserved;
      else if (catalog[step.index].ReadOnly)
        step.step = Step::SkipReadOnly;
      else if (mayBeUnset(group, number) && shown(step.index) == kNotSet)
        step.step = Step::SkipUnset;
      plan.append(step);
    }
  }
  return plan;
}

ShownValue DisplayValues(const basFunctions::ValueTable& config,
                         const basFunctions::ParamCatalog& catalog) {
  return [&config, &catalog](int index) {
    return basFunctions::DisplayFromRaw(config.P(index / 100, index % 100),
                                        catalog[index].resolution);
  };
}

QString Labels(const QList<int>& indexes) {
  QStringList labels;
  for (int index : indexes) labels << basFunctions::ParamLabel(basFunctions::ParamKeyText(index));
  return labels.join(QStringLiteral(", "));
}

QList<Block> BackupBlocks(const std::array<int16_t, 5>& limits) {
  QList<Block> blocks;
  for (int group = 0; group <= 4; ++group)
    blocks.append(
        {group, static_cast<int16_t>(group * 256 + 1), static_cast<int16_t>(limits[group] + 1)});
  return blocks;
}

QString BackupFileName(const QDateTime& when) {
  return QStringLiteral("Backup ") + when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) +
         QStringLiteral(".vmc");
}

QString FreeBackupPath(const QString& folder, const QDateTime& when) {
  const QString name = BackupFileName(when);
  QString path = folder + "/" + name;
  for (int n = 2; QFileInfo::exists(path); ++n)
    path = folder + "/" + name.chopped(4) + QStringLiteral(" (%1).vmc").arg(n);
  return path;
}

}  // namespace transfer_plan
