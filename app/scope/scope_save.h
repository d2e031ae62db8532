// Saving a capture: the plot's data (.scl) and appearance (.scp) and the log table (.csv)
// under one base name in the ScopeLogs folder.
#pragma once

#include <QString>

class ScopePlot;

namespace basScope {

class ScopeLogTable;

// The folder scope logs go to by default: the program folder's ScopeLogs.
QString ScopeLogFolder();
// The base path (no extension) named after the current configuration file, or empty when no
// configuration is current.
QString ConfigurationLogBase();
// Moves the files of an earlier capture saved under `base` aside: each of base.scl, .scp and
// .csv that exists is renamed with the date and time it was last written ("press1
// 2024-05-01 14-03-22.csv"), so a new capture of the same machine never destroys an old one.
void MoveEarlierCaptureAside(const QString& base);
// The whole save: base name (the configuration's, or one the user picks), progress lines, the
// three files, and the message naming the CSV. A cancelled dialog raises the cancel error. When
// the files cannot be written, the technician is told why and may pick another folder; the
// capture is kept either way.
void SaveCapture(const ScopePlot& plot, const ScopeLogTable& log);

}  // namespace basScope
