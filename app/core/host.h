// What the main window offers the modules: the hosted Modbus control and the status bar.
#pragma once

#include <QString>
#include <functional>

#include "portwright/modbus_atl.h"

class QSize;
class QWidget;

namespace host {

// The control Mod1 on the main window; valid from the main window's load to the program's end.
portwright::IModbusAtl& Mod1();
bool HasMod1();
// Sets the text of a status bar panel (1-based, as the main window numbers them).
void SetStatusPanel(int panel, const QString& text);
// The program folder: the folder that holds Data/, Configs/, ScopeLogs/ and the logs. Run
// from a build tree it is the executable's folder; an installed program keeps these writable
// files in the user's data folder (XDG_DATA_HOME/VelumoPRO) instead.
QString ProgramFolder();
// The executable's folder: the component library, the help and the shipped database.
QString ExecutableFolder();
// True when the program runs from its install layout (<prefix>/lib/velumopro).
bool IsInstalled();
QWidget* MainWindow();
// Shows a window as a child of the main window's MDI area (a top-level window when the main
// window is not there); the window is deleted when it closes.
void ShowChild(QWidget* window);
// Sizes a child window of the MDI area to what it prefers, bounded by the area, and moves it
// back inside the area (a frame would otherwise shrink it to its smallest layout). Nothing for
// a window that is not a child there.
void FitIntoChildArea(QWidget* window, const QSize& preferred);
// Unloads a window: closes it (with its MDI frame) and deletes it once control returns to the
// event loop. From here on FormIsOpen no longer counts it.
void UnloadWindow(QWidget* window);
// True once UnloadWindow has been called for the window.
bool IsUnloaded(const QWidget* window);

// The main window's commands by menu name ("mnuSaveAs"): RunCommand runs a command's handler
// as its menu entry does, SetCommandEnabled enables its entry (when the command is available).
// Both do nothing while no main window has installed its commands.
void RunCommand(const QString& name);
void SetCommandEnabled(const QString& name, bool enabled);

// Wiring done by the main window itself (and by tests that host a control of their own).
void SetMod1(portwright::IModbusAtl* control);
void SetMainWindow(QWidget* window);
struct MainWindowCommands {
  std::function<void(const QString& name)> run;
  std::function<void(const QString& name, bool enabled)> setEnabled;
};
void SetMainWindowCommands(MainWindowCommands commands);
// Test-only: makes ProgramFolder() and ExecutableFolder() answer a private copy of the program
// folder (empty text goes back to the executable's folder). The program itself never calls
// this.
void SetProgramFolderForTests(const QString& folder);

}  // namespace host
