// The commands of velumo-config. Each returns the exit code or throws ToolError.
#pragma once

#include <QString>

#include "session.h"

namespace vmconfig {

int Upload(Session& session);
int Download(Session& session);
int Compare(Session& session);
int Scan(Session& session);
int BackupBus(Session& session);
int RestoreBus(Session& session);
int History(Session& session);
int Report(Session& session);

// Download of one file into the drive at node, with every check (shared by restore-bus).
int DownloadTo(Session& session, int node, const QString& path);
// Saves the configuration of the drive at node into path (shared by backup-bus); the values
// saved.
basFunctions::ValueTable SaveDrive(Session& session, const Target& target, const QString& path);

// Line 3 of a file written now: the system's short date and time.
QString WrittenAtNow();

}  // namespace vmconfig
