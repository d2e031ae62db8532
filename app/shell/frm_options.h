// frmOptions: the Program Options window. Edits the user settings of tblCustInfo (record 1):
// navigator at start, tool tips, report format, express writes and their confirmations, and
// the length of the recent-files list; keeps the program's globals in step on Save.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

// True when express writes were already active as the Options window opened.
extern bool ExpressWasActive;

class frmOptions : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kChecks = 6;
  static constexpr int kFilesLabel = 10;  // lblOptions(10) introduces cmbFiles

  explicit frmOptions(QWidget* parent = nullptr);
  ~frmOptions() override;
  static frmOptions* instance();

  void Form_Load();
  void chkOptions_Click(int index);
  void cmdSave_Click();
  void cmdClose_Click();

  QCheckBox* chkOptions(int index) const { return chkOptions_[index]; }
  QLabel* lblOptions(int index) const;
  QComboBox* cmbFiles() const { return cmbFiles_; }

 private:
  QCheckBox* chkOptions_[kChecks] = {};
  QLabel* lblOptions_[kChecks] = {};
  QLabel* lblFiles_ = nullptr;
  QComboBox* cmbFiles_ = nullptr;
};
