// What the main window offers the modules: the hosted Modbus control and the status bar.
#pragma once

#include <QString>

#include "portwright/IModbusAtl.h"

class QWidget;

namespace host {

// The control Mod1 on the main window; valid from the main window's load to the program's end.
portwright::IModbusAtl& Mod1();
bool HasMod1();
// Sets the text of a status bar panel (1-based, as the main window numbers them).
void SetStatusPanel(int panel, const QString& text);
// The program folder: the folder of the executable (holds Data/, Configs/, ScopeLogs/).
QString ProgramFolder();
QWidget* MainWindow();

}  // namespace host
