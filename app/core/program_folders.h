// Where an installed program keeps its writable files. Run from a build tree the program writes
// beside itself, as it always has; installed (<prefix>/lib/velumopro, written by root) it keeps
// Data/ (logs, diagnostics, its copy of the database with the user's settings), Configs/ and
// ScopeLogs/ in the user's data folder. No widgets: the program, velumo-config and the tests use
// it alike, so an installed tool writes where the installed program does.
#pragma once

#include <QString>

namespace programFolders {

// The folder an install puts the program into, below the install prefix.
inline constexpr const char* kInstallSubfolder = "lib/velumopro";

// True when the executable's folder is <prefix>/lib/velumopro and holds the shipped database:
// the install layout, whoever may write there (root can write anywhere).
bool IsInstalledLayout(const QString& executableFolder);

// <XDG_DATA_HOME>/VelumoPRO (~/.local/share/VelumoPRO).
QString UserDataFolder();

// The folder that holds Data/, Configs/ (with Configs/Backups) and ScopeLogs/ for a program
// whose executable is in `executableFolder`: the user's data folder for the install layout,
// the executable's folder otherwise.
QString WritableFolder(const QString& executableFolder);

// Makes Data/, Configs/ and ScopeLogs/ in the data folder and keeps its database in step with
// the shipped one: copied at the first start, and copied again when the shipped database
// changes (a package upgrade), with the user's settings record carried over into the new copy.
// False, with the reason, when the folder or the database cannot be made.
bool PrepareDataFolder(const QString& shippedDatabase, const QString& dataFolder,
                       QString* problem = nullptr);

}  // namespace programFolders
