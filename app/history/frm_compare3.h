// frmCompare3, the three-way compare window: the working configuration, the connected drive
// (read anew) and a configuration file or the factory defaults, side by side, each value that
// is not the others' marked. The rows come from threeWay::Compare (app/params), which
// velumo-config's compare prints too.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "params/value_table.h"

class QCheckBox;
class QLabel;
class QTableWidget;

class frmCompare3 : public QWidget {
  Q_OBJECT

 public:
  // Shows the window (modeless), loading it first; a new window reads the drive at once.
  static frmCompare3* Display();
  static frmCompare3* instance();

  void cmdReadDrive_Click();
  void cmdFile_Click();
  void cmdDefaults_Click();
  void cmdClose_Click();
  // Takes a file as the third side; false, with the reason in the status label, when it
  // cannot be read or is for another drive model. The file dialog's path goes here too.
  bool UseFile(const QString& path);

  QTableWidget* grdCompare() const { return grdCompare_; }
  QLabel* lblCompareStatus() const { return lblCompareStatus_; }

 private:
  frmCompare3();
  ~frmCompare3() override;
  void showRows();

  QTableWidget* grdCompare_ = nullptr;
  QCheckBox* chkDifferencesOnly_ = nullptr;
  QLabel* lblCompareStatus_ = nullptr;
  std::optional<basFunctions::ValueTable> drive_;
  QString driveProblem_;
  basFunctions::ValueTable third_;
  QString thirdName_;
};
