// frmStats, the configuration information window: the identity of the working configuration
// (amplifier, motor, firmware, file) beside that of the connected drive. It reads what the
// program already knows and never talks to the drive.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

class frmStats : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kLabels = 15;  // lblStats_0..14

  // Shows the window (modeless), loading it first when it is not loaded.
  static frmStats* Display();
  static frmStats* instance();

  void cmdUpdate_Click();
  void cmdClose_Click();
  void tmrStats_Timer();
  QLabel* lblStats(int element) const;
  QTimer* tmrStats() const { return tmrStats_; }

 private:
  frmStats();
  ~frmStats() override;
  void Form_Load();

  QLabel* labels_[kLabels] = {};
  QTimer* tmrStats_ = nullptr;
};
