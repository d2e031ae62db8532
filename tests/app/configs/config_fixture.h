// The program with its configuration commands, offscreen: a private program folder and store,
// scripted prompts, the specified pauses taken out (PauseScale 0) unless a test restores them,
// and, for the transfer tests, the virtual drive connected at its factory line settings.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "app_harness.h"

class QLineEdit;
class frmMain;

namespace configtest {

class ConfigProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program (no drive). Prompts get the replies in order.
  void startProgram(const QList<prompt::Reply>& replies = {});
  // Starts the virtual drive (extra arguments such as "--firmware", "210"), the program, and
  // connects; waits for the start-up polls.
  void startConnected(const QStringList& driveArguments = {});
  // Connects to the running drive at its factory line settings.
  void connectDrive();

  // What the user sees.
  QLineEdit* field(int k) const;  // the editor's value field of row k
  QString fieldText(int k) const;
  bool statusListHas(const QString& text) const;  // a status line ending with " - " + text
  bool eventLogHas(const QString& text) const;
  QStringList errorLog() const;
  QStringList shown() const;  // prompts as "title | text"
  QString caption() const;

  // Files in the private Configs/ folder.
  QString configPath(const QString& name) const;
  void writeFile(const QString& path, const QByteArray& bytes) const;
  static QByteArray readFile(const QString& path);
  // A complete file as the program writes it, with chosen raw values on top of `base`.
  static QByteArray configFile(const QString& header, const QList<QByteArray>& lines);

  // The drive's register of P<g>.<nn> through its control channel.
  int driveValue(int group, int number);
  void setDriveValue(int group, int number, int value);

  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  frmMain* main = nullptr;
};

}  // namespace configtest
