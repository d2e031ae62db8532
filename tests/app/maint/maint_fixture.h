// The program connected to the virtual drive, for the maintenance screen, the jog window and
// the position commands. One program and one drive serve all the tests of a process: they are
// connected once (a connect costs the first pass of the normal poll group) and the drive is put
// back to its factory state before each test. Prompts are scripted, the specified pauses are
// taken out (PauseScale 0), the drive's registers are read through its control channel.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>
#include <QStringList>

#include "app_harness.h"

class frmMain;
class frmMaintenance;

namespace mainttest {

class MaintTest : public ::testing::Test {
 protected:
  MaintTest();
  void SetUp() override;
  void TearDown() override;

  // The drive at firmware `revision` (200 or 210), its line unpaced, in its factory state, the
  // program connected to it with DriveImage current.
  void startConnected(int revision);
  // Runs the Maintenance Screen command answering the backup question No.
  frmMaintenance* openScreen();
  // Closes the open screen with its Close button; the closing's messages get `replies`.
  void closeScreen(const QList<prompt::Reply>& replies = {});

  // Connects again after the connection was lost or closed, DriveImage current.
  void reconnect();
  // Ends the program (basMain::EndMain) as its event loop's end would; the next
  // startConnected starts it again.
  void endProgram();

  // Sets a drive register ("P2.30") and DriveImage alike, as if the polls had brought it: the
  // normal poll group reads one block a second.
  void preset(const QString& name, int value);
  // A drive register ("P3.06") as the drive holds it; a word of its status line ("speed").
  int reg(const QString& name);
  // Waits until the drive's register holds the value (a write may still be on the line).
  bool regBecomes(const QString& name, int value);
  int statusValue(const QString& key);
  void command(const QString& line);  // a control command that must succeed
  // Waits until DriveImage holds what the drive holds for P<g>.<nn> (the polls caught up).
  bool driveImageFollows(int group, int number);

  template <class T = QPushButton>
  static T* find(QWidget* window, const QString& name) {
    T* widget = window ? window->findChild<T*>(name) : nullptr;
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  QStringList shown() const;  // prompts as "title | text"
  QStringList errorLog() const;
  bool statusListHas(const QString& text) const;

  apptest::ProgramFolder& folder;
  apptest::VirtualDrive& drive;
  frmMain* main = nullptr;
};

}  // namespace mainttest
