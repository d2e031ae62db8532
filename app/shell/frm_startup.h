// frmStartup: the project navigator offered at start (and from the Utilities menu).
#pragma once

#include <QWidget>

class QRadioButton;

class frmStartup : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kOptions = 6;
  explicit frmStartup(QWidget* parent = nullptr);
  ~frmStartup() override;
  static frmStartup* instance();

  void cmdClose_Click();
  void cmdTest_Click() {}  // has no action

 private:
  int selectedOption() const;

  QRadioButton* optConfig_[kOptions];
};
