// frmFaults, the fault viewer: the drive's five most recent fault records (P4.00..P4.04) as
// texts, read from DriveImage, which status polling keeps up to date.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;

class frmFaults : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRecords = 5;
  static constexpr int kFirstFaultLabel = 400;  // lblFaults_400..404 show P4.00..P4.04

  // Shows the window (modeless), loading it first when it is not loaded.
  static frmFaults* Display();
  static frmFaults* instance();

  // The fault window's text of a fault code (trailing blank kept); outside 0..22 the code
  // reads as unknown with its number.
  static QString FaultText(int32_t code);

  void FaultCodes(int32_t code, int16_t element);
  void cmdRead_Click();
  void cmdClose_Click();
  QLabel* lblFaults(int element) const;

 private:
  frmFaults();
  ~frmFaults() override;
  void Form_Load();

  QLabel* captions_[kRecords] = {};
  QLabel* faults_[kRecords] = {};
};
