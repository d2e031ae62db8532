// The program's journal of writes to drives (the drive history): WriteData tells it of every
// write it starts, the Done handler of the write's answer, and the entries go to the journal
// file (Data/Journal.db) from a thread of their own, so that nothing here waits for the disk.
// A journal that cannot be written is told once (status list, error log, and a message box
// once the technician is not in the middle of something) and the writes go on.
//
// Callers say what writes with a scope around the call:
//
//   writeJournal::SourceScope source(journal::Source::Jog);
//   basComm::WriteData("405", 1);
//
// and a download or a tuning update gathers its writes into one entry with a Batch.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "params/journal_entry.h"

namespace basFunctions {
class ValueTable;
}

namespace writeJournal {

// The source of the writes started while it lives; the innermost scope wins.
class SourceScope {
 public:
  explicit SourceScope(journal::Source source);
  ~SourceScope();
  SourceScope(const SourceScope&) = delete;
  SourceScope& operator=(const SourceScope&) = delete;

 private:
  journal::Source previous_;
  bool hadPrevious_;
};

// The source of writes for which no scope has said one (maintenance writes are forces unless
// their set-up or restore says otherwise).
class DefaultSource {
 public:
  explicit DefaultSource(journal::Source source);
  ~DefaultSource();
  DefaultSource(const DefaultSource&) = delete;
  DefaultSource& operator=(const DefaultSource&) = delete;

 private:
  std::optional<SourceScope> scope_;
};

// The writes started while it lives form one entry (a download with its file, a tuning
// update, a restore); it goes to the journal once the last of them has been answered.
class Batch {
 public:
  explicit Batch(journal::Source source, const QString& detail = QString());
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

 private:
  SourceScope scope_;
  bool owner_ = false;
};

// WriteData has started a write of `quantity` parameters of WorkingConfig from P<group>.<number>.
void Sent(int group, int number, int quantity);
// The control's Done: the answer to the write in flight, if there is one.
void Answered(int16_t result);
// The connection has closed: what the recorder knew of the drive's values is forgotten.
void ForgetDrive();
// Values just read from the drive (a backup, an upload): the values before of the writes
// that follow, until a poll brings something else.
void Observed(const basFunctions::ValueTable& read, const std::array<int16_t, 5>& limits);
// An upload: the values read from the drive, as one entry.
void RecordUpload(const basFunctions::ValueTable& read, const std::array<int16_t, 5>& limits);

// The connected drive as the journal names it.
journal::DriveId ConnectedDrive();
// The journal file of the program: Data/Journal.db in the program folder.
QString JournalFile();
// Waits (at most `timeoutMs`) until the entries complete so far are in the file; true when
// none is left waiting. For the history window and tests; never on the way to a drive.
bool Flush(int timeoutMs);

}  // namespace writeJournal
