// The tuning tests' surroundings: the program connected to the virtual drive (RTU 19200,N,8,2),
// the specified pauses taken out, and every write the drive acknowledged, in line order, read
// from the control's frame trace.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMutex>
#include <QStringList>

#include "app_harness.h"
#include "link/connect_sequence.h"
#include "portwright/modbus_atl.h"
#include "tuning/frm_tuning.h"

class frmMain;

namespace tuningtest {

// Writes (function 16) the drive answered, as "P2.31=74,1": register group and number, then
// the words sent.
class WriteTrace : public portwright::IModbusAtlTrace {
 public:
  void Request(const uint8_t* bytes, size_t length) override;
  void Reply(const uint8_t* bytes, size_t length, int16_t result) override;
  // The writes since the last call.
  QStringList take();

 private:
  QMutex mutex_;
  QByteArray request_;
  QStringList writes_;
};

class TuningTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void connect(bool fresh);
  // Opens the window with the main window's toolbar button 9.
  frmTuning* open();
  QLineEdit* box(int index) const;
  template <class T>
  T* find(const QString& name) const {
    return tuning->findChild<T*>(name);
  }
  // Clicks a button of the window, answering its prompts, and waits for the writes it made.
  void click(const QString& button, const QList<prompt::Reply>& replies = {});
  void settle();
  // The technician puts the cursor into a box, types over its text and (leave) moves on.
  void type(int index, const QString& text);
  void leave(int index);
  void setMode(int mode);
  // A register of the drive as its control channel reads it ("P2.00" -> 35).
  int registerValue(const QString& name);
  // Waits until DriveImage holds a value the drive was given through its control channel.
  void waitForPoll(int group, int number, int value);

  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  commSettings::Selection selection;
  frmMain* main = nullptr;
  frmTuning* tuning = nullptr;
  WriteTrace trace;
};

}  // namespace tuningtest
