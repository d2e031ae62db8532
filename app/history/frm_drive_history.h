// frmDriveHistory, the Drive History window: the journal's entries for the connected drive
// (or one chosen from the drives the journal knows), newest first, each parameter with its
// label, values in display units and the drive's answer; filtered by parameter, date and
// source; or, as one list, what changed since a date or since a configuration file.
#pragma once

#include <QList>
#include <QWidget>

#include "params/journal_entry.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

class frmDriveHistory : public QWidget {
  Q_OBJECT

 public:
  // Shows the window (modeless), loading it first when it is not loaded.
  static frmDriveHistory* Display();
  static frmDriveHistory* instance();

  void cmdRefresh_Click();
  void cmdSinceFile_Click();
  void cmdClose_Click();

  QTreeWidget* tvwHistory() const { return tvwHistory_; }
  QLabel* lblHistoryStatus() const { return lblHistoryStatus_; }

 private:
  frmDriveHistory();
  ~frmDriveHistory() override;
  void fillDrives();
  void showEntries(const QList<journal::Entry>& entries);
  void showChanges(const QList<journal::Entry>& entries);

  QComboBox* cmbDrive_ = nullptr;
  QLineEdit* txtParameter_ = nullptr;
  QCheckBox* chkSince_ = nullptr;
  QDateTimeEdit* dtpSince_ = nullptr;
  QComboBox* cmbSource_ = nullptr;
  QRadioButton* optEntries_ = nullptr;
  QRadioButton* optChanges_ = nullptr;
  QTreeWidget* tvwHistory_ = nullptr;
  QLabel* lblHistoryStatus_ = nullptr;
  QList<journal::DriveId> drives_;
};
