// The unit tests' surroundings: a private program folder with a small drive database, a fake
// control as Mod1, scripted prompts, and the program-wide state reset before every test.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>

#include "core/led_bar.h"
#include "fake_modbus.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << '{' << list.join("; ").toStdString() << '}';
}

namespace linktest {

// Registers of the fixture database's tblDriveParameters.
constexpr int16_t kAddressP101 = 258;
constexpr int16_t kAddressP110 = 267;
constexpr int16_t kAddressP208 = 521;

// Creates the private program folder (Data/ with the fixture VM.vmd) and points the program at
// it; called once from main.
void PrepareProgramFolder();

// The main window as the link sees it: an MDI area for the dialogs, the status list lstMain
// and the LED bar ledBar. It is host::MainWindow() while it lives.
class StandInMainWindow {
 public:
  StandInMainWindow();
  ~StandInMainWindow();
  QMainWindow& window() { return *window_; }
  QListWidget* statusList = nullptr;
  LedBar* ledBar = nullptr;

 private:
  std::unique_ptr<QMainWindow> window_;
};

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  QStringList EventLog() const;
  QStringList ErrorLog() const;
  // Lines of the error log written by one location ("basComm, WriteData()").
  QStringList ErrorsAt(const QString& location) const;

  std::unique_ptr<FakeModbus> mod1;
};

}  // namespace linktest
