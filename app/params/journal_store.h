// The journal file: an SQLite file (Qt Sql) that holds the drive history, with its schema
// version in PRAGMA user_version and the steps that bring an earlier file up to date. The
// program writes it from a thread of its own (journal_writer), velumo-config directly; both
// read it for the history, the changes since a date and the commissioning report.
#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

#include "params/journal_entry.h"

namespace journal {

// "Data/Journal.db" below the folder that holds Data/ (the program's writable folder).
QString JournalPath(const QString& writableFolder);

// Which entries to read. Empty fields do not filter.
struct Filter {
  std::optional<DriveId> drive;  // entries for this drive (DriveId::sameDrive)
  std::optional<int> parameter;  // entries that wrote it, with only that parameter kept
  QDateTime since;               // at or after
  QDateTime until;               // before
  std::optional<Source> source;
};

class Store {
 public:
  // Version 1: entries and their parameters. Version 2: who wrote (UserName), and an index
  // by parameter for the history's filter.
  static constexpr int kVersion = 2;
  // How long a write waits for another program (velumo-config, a second window) that holds
  // the file; the program writes from its own thread, so this never holds up a drive.
  static constexpr int kBusyTimeoutMs = 1000;

  // Opens the file (and its folder), creating it when missing and bringing an earlier
  // version up to date. A file that cannot be opened or migrated leaves the store closed,
  // with the reason in problem().
  explicit Store(const QString& path);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  bool isOpen() const { return open_; }
  QString problem() const { return problem_; }
  int version() const { return version_; }
  QString path() const { return path_; }

  // Writes one entry with its parameters in one transaction; false (problem()) when it could
  // not be written, and then nothing of it is in the file.
  bool append(const Entry& entry);
  // Entries newest first.
  QList<Entry> entries(const Filter& filter = {}) const;
  // The drives the journal knows, the most recently written first.
  QList<DriveId> drives() const;

  // Creates the schema of `version` in an empty file (tests make an earlier journal this way).
  static bool CreateSchema(QSqlDatabase& db, int version, QString& problem);

 private:
  bool migrate();
  QSqlDatabase db() const;

  QString path_;
  QString connection_;
  bool open_ = false;
  int version_ = 0;
  QString problem_;
};

// The configuration file a download or upload entry names (velumo-config's detail is the
// command and the file: "download /path/pump.vmc"); empty for other entries.
QString FileOfEntry(const Entry& entry);
// The time of a file for "what changed since this file": just after the newest download or
// upload of the drive that named it, otherwise the file's last change on the disk. Invalid when
// there is no such file.
QDateTime TimeOfFile(const Store& store, const DriveId& drive, const QString& path);

}  // namespace journal
