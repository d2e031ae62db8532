// Upload and download between the drive and the working configuration, as plans without a
// drive: which values an upload copies, which parameters a download writes and which it skips
// (and why), and where the backup of a drive goes. No windows, no prompts, no program globals:
// the program's Upload/Download and the command-line tools carry the plans out.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace basFunctions {
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace transfer_plan {

// Upload: parameters that are never taken from the drive (P0.02, the keypad display, and
// P0.04-P0.08, the monitor registers).
bool UploadSkips(int group, int number);
// Copies groups 0..4, numbers 0..99, from the drive's values into the configuration, except
// the parameters above.
void UploadCopy(const basFunctions::ValueTable& driveImage, basFunctions::ValueTable& working);

enum class Step {
  Write,         // written to the drive
  SkipReadOnly,  // the catalogue marks it read-only: never written, no pause
  SkipUnset,     // P0.03-P0.08 whose value reads 99 ("not set"): not written, the pause stays
  SkipReserved,  // P4.10-P4.21: in no parameter set, refused by the drive; no pause
};

struct Planned {
  int index = 0;  // ParamIndex
  QString key;    // three-digit key text ("005")
  Step step = Step::Write;
  // Downloads pace themselves: a fixed pause after every parameter but a read-only one.
  bool pauses() const { return step == Step::Write || step == Step::SkipUnset; }
  // The progress value shown after this parameter.
  int progress() const { return 2 * index; }
};

// The value of parameter k as the user sees it (the editor's value field, or the working
// configuration's display value when there is no editor).
using ShownValue = std::function<double(int index)>;

// Download: g = 0..4, nn = 0..limits[g], ascending, each written or skipped.
QList<Planned> DownloadPlan(const basFunctions::ParamCatalog& catalog,
                            const std::array<int16_t, 5>& limits, const ShownValue& shown);
// The shown value of a configuration without an editor: raw / resolution.
ShownValue DisplayValues(const basFunctions::ValueTable& config,
                         const basFunctions::ParamCatalog& catalog);
// Keys as the program's messages name them: "P1.01, P2.05".
QString Labels(const QList<int>& indexes);

// The block reads that fetch groups 0..4 of a drive: holding register g * 256 + 1, limits[g] + 1
// words (well below the 125 words one read may carry).
struct Block {
  int group = 0;
  int16_t address = 0;
  int16_t words = 0;
};
QList<Block> BackupBlocks(const std::array<int16_t, 5>& limits);
// "Backup 2024-05-17 14-03-52.vmc": the backup of a drive taken at that moment, in
// Configs/Backups/ of the program folder.
QString BackupFileName(const QDateTime& when);
// The path in `folder` for a backup taken at that moment that names no existing file: the
// plain name, or "Backup ... (2).vmc", "(3)" and so on when backups come within one second.
QString FreeBackupPath(const QString& folder, const QDateTime& when);
constexpr const char* kBackupFolder = "Configs/Backups";

}  // namespace transfer_plan
