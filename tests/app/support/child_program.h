// The program as a child process, built with a test-only start (maintenance_program.cpp): it
// connects to the virtual drive on a COM number and opens the maintenance screen, so that a
// test can kill it while the drive runs and watch what the drive does on its own.
#pragma once

#include <QProcess>
#include <QString>

#include "app_harness.h"

namespace apptest {

class ChildProgram {
 public:
  ~ChildProgram();
  // Copies the test program into the folder, starts it (with a runtime folder of its own, so a
  // program running in the test process does not make it a second instance) and waits until
  // it reports the maintenance screen open; false (with the reason in error()) otherwise.
  bool startWithMaintenanceScreen(ProgramFolder& folder, int comNumber);
  // Ends the process at once (SIGKILL): no closing code of the program runs.
  void kill();
  QString error() const { return error_; }

 private:
  QProcess process_;
  QString error_;
};

}  // namespace apptest
