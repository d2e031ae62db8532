// velumo-config and the drive history: where the journal file is, the drive as the history
// names it, and the entries its downloads and uploads add (written at once, after the writes;
// a journal that cannot be written is told on stderr and the command's result stands).
#pragma once

#include <QString>

#include "params/journal_entry.h"
#include "session.h"

namespace vmconfig {

// --journal, or Data/Journal.db of the data folder the program writes into.
QString JournalPathOf(const Options& options);
journal::DriveId JournalDriveOf(Session& session, const Target& target);
// An entry of this command for the drive (source velumo-config, detail "download /path").
journal::Entry NewEntry(Session& session, const Target& target, const QString& command,
                        const QString& path);
void Record(Session& session, const journal::Entry& entry);

// A time as the tool prints it: local "2026-05-17 14:03:52".
std::string TimeText(const QDateTime& at);

}  // namespace vmconfig
