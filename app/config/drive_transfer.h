// Upload and download as the program carries them out (module basFunctions): the guards and
// questions, the paced writes with the drive's answer to each, the backup of the drive taken
// before the first write, and the reports. The plans themselves come from transfer_plan.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace basFunctions {

class ValueTable;

// Upload (the main window's mnuUpload_Click): true when the drive's values were taken. The
// values are read from the drive anew in block reads; the configuration then has no file
// and no unsaved changes.
bool Upload();

struct DownloadOutcome {
  bool ran = false;    // the writes were carried out (not declined, not refused)
  int written = 0;     // parameters the drive confirmed
  QList<int> failed;   // ParamIndexes the drive did not confirm (or that were not sent)
  QString backupPath;  // the backup taken before the first write; empty when none
  bool agreed() const { return ran && failed.isEmpty(); }
};
// Download (the main window's mnuDownload_Click).
DownloadOutcome Download();

// The answer to one write.
struct WriteResult {
  bool answered = false;  // a Done event arrived for it
  int16_t result = 0;     // its result code (0 good, 1..127 exception, negative local failure)
  bool reached() const { return answered && result == 0; }
};
// Writes one parameter of WorkingConfig (WriteData), pauses `pause` seconds, and waits on for
// the drive's answer when it has not come yet (at most the control's time-out and a margin).
WriteResult WriteConfirmed(const QString& key, double pause);
// The text that names a write's failure: "result 2" or "no answer".
QString FailureText(const WriteResult& write);

// Reads groups 0..4 (numbers 0..limits[g]) of the connected drive in block reads into `into`,
// as the words come (signed); false, with the reason, when a read failed.
bool ReadDriveConfiguration(ValueTable& into, const std::array<int16_t, 5>& limits,
                            QString& reason);
// Saves what the drive holds now under Configs/Backups/; the path, or empty with the reason.
QString BackupDrive(QString& reason);

}  // namespace basFunctions
