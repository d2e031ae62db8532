// Test harness for the program: a private program folder and component store, the virtual
// drive as a child process, and the program's start-up run offscreen with scripted prompts.
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "core/prompt.h"

class frmMain;

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class QWidget;

namespace apptest {

// Call first in main(), before the application object exists: private XDG_CONFIG_HOME (the
// component store and port map) and XDG_RUNTIME_DIR (the single-instance lock), offscreen Qt.
void PrepareProcessEnvironment();
// The folder the build writes the program into (executable, libPortwright.so, Data/VM.vmd).
QString BuiltProgramFolder();
QString ExecutablePath(const QString& name);  // a program of the build's bin folder

// A private copy of the program folder: Data/VM.vmd copied, the component library linked,
// Configs/ and ScopeLogs/ created. ProgramFolder() answers it while the object lives.
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  QString path() const { return dir_.path(); }
  QString dataFile(const QString& name) const;
  // Copies the executable itself in, so a child process uses this folder too.
  QString copyExecutable();
  // Sets a column of the settings record (tblCustInfo, RecNum = 1).
  void setSetting(const QString& column, const QVariant& value);
  // Lines of a log in Data/ (without their CR LF); empty when missing.
  QStringList logLines(const QString& name) const;
  void writeLog(const QString& name, const QStringList& lines) const;

 private:
  QTemporaryDir dir_;
};

// The virtual drive as a child process, its pseudo-terminal mapped to COMn in the private store.
class VirtualDrive {
 public:
  ~VirtualDrive();
  // Starts build/bin/vdrive; false (with the reason in error()) when it did not come up.
  bool start(int comNumber = 1, const QStringList& extraArguments = {});
  void stop();
  // Sends one control command and returns its reply line ("OK ..." / "ERR ...").
  QString command(const QString& line);
  QString devicePath() const { return device_; }
  QString error() const { return error_; }

 private:
  QProcess process_;
  QString device_;
  QString error_;
};

// The program's start (basMain::Main) in this process, prompts answered from a script.
class Program {
 public:
  ~Program();
  // Installs the scripted replies, runs Main and returns the main window (null when Main
  // ended the program, as for a second instance).
  frmMain* start(const QList<prompt::Reply>& replies = {});
  void stop();

 private:
  bool started_ = false;
};

// Runs the event loop until the condition holds or the time-out passes (generous by default).
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
// Replies in order; Yes/No answers and texts for input boxes.
prompt::Reply Answer(prompt::Answer answer);
prompt::Reply Text(const QString& text);
// Prompts shown so far as "title | text" lines (for readable failure messages).
QStringList ShownSummary();
// One notch of the mouse wheel (down for a positive count) over the widget, delivered as the
// window system delivers it.
void WheelNotch(QWidget* over, int notches = 1);

}  // namespace apptest
