// The tuning tests' surroundings: one program connected to one virtual drive (RTU
// 19200,N,8,2, unpaced) for the whole suite, the specified pauses taken out, the normal poll
// group cycled fast so a register set through the drive's control channel reaches DriveImage
// within a second, and every write the drive answered, in line order, read from the control's
// frame trace.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMutex>
#include <QStringList>
#include <memory>

#include "app_harness.h"
#include "link/connect_sequence.h"
#include "portwright/modbus_atl.h"
#include "tuning/frm_tuning.h"

class frmMain;

namespace tuningtest {

// Writes (function 16) as "P2.31=74,1": register group and number, then the words sent; a
// write the drive refused ends in " refused" with the result code.
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
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Connects to the drive (again) and waits until this connection's reads are all in.
  static void connect();
  static void disconnect();
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
  // Sets a register through the control channel and waits until the poll brought it in.
  void setRegister(const QString& name, int value);

  struct Shared {
    apptest::ProgramFolder folder;
    apptest::VirtualDrive drive;
    apptest::Program program;
    commSettings::Selection selection;
  };
  static std::unique_ptr<Shared> shared;
  static frmMain* main;
  static WriteTrace trace;
  frmTuning* tuning = nullptr;
};

}  // namespace tuningtest
