// basRUF: the recent-files list at the end of the File menu (menu-item array mnuRUF, element 1
// first). The paths live in the per-user settings store, application "Velumo Pro":
//   "Recent Files"/"1".."n"  full paths, "1" the newest
//   "Config"/"noRUF"         entries listed
//   "Config"/"MAX_FILES"     the list's length
// A file opened again moves to the top of the menu only; the store keeps its order, so the next
// start shows the stored order.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "core/settings_store.h"

class QAction;

namespace basRUF {

extern int16_t RecentCount;  // menu entries in use (mirror of "noRUF")
extern int16_t RecentMax;    // the list's length (mirror of "MAX_FILES")
// What choosing an entry runs: the main window's mnuRUF_Click, set when it is made.
extern std::function<void(int index)> RecentFileChosen;

// Rebuilds the menu from the store (the main window's load).
void checkForPrevious();
// Puts a path at the top of the list (open, save as, opening from the list).
void doCheckFiles(const QString& path);
void addNewFile(const QString& path);
void doLoadMenuItem();
void doRotatateFiles(const QString& path);
void doMenu();
// Cuts the list down to the limit (also run when the options are saved).
void doRationaliseMenu();
void getMaxFiles();

// The menu's elements: element i (1-based) and its caption, the full path.
QAction* mnuRUF(int index);
int MenuUpperBound();
QString MenuCaption(int index);

}  // namespace basRUF
