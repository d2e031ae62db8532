// frmTuning: the gain-tuning screen. The technician picks the drive's tuning mode (P2.32), a
// stiffness or response level (low digit of P2.31) and new gains, and sends them in a fixed
// order; the values found at opening can be put back (Revert). The drive's current values are
// shown once a second from DriveImage; the scope can be opened beside it.
#pragma once

#include <QMap>
#include <QWidget>
#include <array>

#include "params/param_catalog.h"
#include "tuning/tuning_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

class frmTuning : public QWidget {
  Q_OBJECT

 public:
  // Shows the tuning window, loading it when it is not loaded.
  static frmTuning* Display();
  static frmTuning* Instance();
  ~frmTuning() override;

  void Form_Load();
  void cmbMode_Click();
  void cmdSetMode_Click();
  void optStiffness_Click(int index);
  void txtNew_LostFocus(int index);
  void cmdUpdate_Click();
  void cmdRevert_Click();
  void cmdScope_Click();
  void cmdClose_Click();
  void tmrTuning_Timer();

  int16_t StiffnessSel = 0;  // index of the level option last clicked

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit frmTuning(QWidget* parent = nullptr);
  void buildControls();
  QWidget* buildLevels();
  QWidget* buildGains();
  QWidget* buildButtons();
  void SetUpScreen();
  void setField(int index, bool enabled);
  void applyModeLock();
  bool commitBoxes(int mode);
  bool acceptEntry(int index);
  void readLimits();
  bool closeConfirmed();

  basFunctions::ParamCatalog limits_;  // the connected drive's limits
  int screenMode_ = 0;                 // the mode the boxes are set up for
  bool written_ = false;               // the window has written the drive since it opened

  QComboBox* cmbMode = nullptr;
  QPushButton* cmdSetMode = nullptr;
  QLabel* lblLevel = nullptr;
  QLabel* lblLevelLess = nullptr;
  QLabel* lblLevelMore = nullptr;
  std::array<QRadioButton*, basTuning::kLevels + 1> optStiffness{};
  std::array<QLabel*, basTuning::kLevels + 1> lblStiffSelect{};
  QMap<int, QLineEdit*> txtNew;
  QMap<int, QLabel*> lblCurrent;
  QPushButton* cmdUpdate = nullptr;
  QPushButton* cmdRevert = nullptr;
  QPushButton* cmdScope = nullptr;
  QPushButton* cmdClose = nullptr;
  QTimer* tmrTuning = nullptr;
};
