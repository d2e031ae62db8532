// frmNewConfig: a new configuration from the database alone. The user picks an amplifier, a
// firmware revision and a motor; the parameter set of that amplifier and revision is loaded
// with every parameter at its default.
#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;

class frmNewConfig : public QWidget {
  Q_OBJECT

 public:
  explicit frmNewConfig(QWidget* parent = nullptr);
  ~frmNewConfig() override;
  static frmNewConfig* instance();

  void Form_Load();
  void cmbAmp_Click();
  void cmbRev_Click();
  void cmdOpen_Click();
  void cmdCancel_Click();

  QString Tag;  // "Detailed" when opened from the main window
  QComboBox* cmbAmp() const { return cmbAmp_; }
  QComboBox* cmbRev() const { return cmbRev_; }
  QComboBox* cmbMotor() const { return cmbMotor_; }
  int ampCode() const { return ampCode_; }
  QString revision() const { return revision_; }

 private:
  QComboBox* cmbAmp_ = nullptr;
  QComboBox* cmbRev_ = nullptr;
  QComboBox* cmbMotor_ = nullptr;
  QPushButton* cmdOpen_ = nullptr;
  int ampCode_ = 0;
  QString revision_;  // three digits, such as "200"
};
