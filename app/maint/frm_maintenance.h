// frmMaintenance and frmMaintenance_210: the maintenance screen, the program's I/O test bench
// for a connected drive. One window class; the variant table (maint_variant.h) gives the input
// count, the mask register and its bit order, the window name and the error-log texts.
#pragma once

#include <QWidget>
#include <array>

#include "maint/maint_drive.h"
#include "maint/maint_variant.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTimer;

class frmMaintenance : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxInputs = 16;
  static constexpr int kOutputs = drive_facts::kOutputCount;

  // Creates the variant's window, runs its load (the drive set-up) and shows it.
  static frmMaintenance* Display(const basMaint::MaintVariant& variant);
  // The open screen of the variant (firmware 2.1 or later when from21), or null.
  static frmMaintenance* Open(bool from21);
  // The open screen of either variant, or null.
  static frmMaintenance* OpenScreen();
  // Unloads both variants (their closing restores the drive).
  static void UnloadAll();

  explicit frmMaintenance(const basMaint::MaintVariant& variant, QWidget* parent = nullptr);
  ~frmMaintenance() override;
  const basMaint::MaintVariant& variant() const { return variant_; }

  void Form_Load();
  // Renews the drive set-up after the drive asked for a new logon.
  void Reinit();
  void tmrMaint_Timer();
  void tmrMaint2_Timer();
  void chkDI_Click(int n);
  void cmdDI_Click(int n);
  void cmdForceIns_Click();
  void chkDO_Click(int n);
  void cmdDO_Click(int n);
  void cmdForceOuts_Click();
  void cmdClearDOForces_Click();
  void cmdEnable_Click();
  void cmdJog_Click();
  void cmdPosMove_Click();
  void cmdClose_Click();

  // What the poll handler shows here: the monitor values (lblStatus 2, 3, 6) and who drives
  // the digital outputs.
  void ShowStatusValue(int index, int32_t value);
  void ShowOutputControl(bool driveControl);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  QWidget* buildInputRows();
  QWidget* buildOutputRows();
  QWidget* buildModeLines();
  QWidget* buildButtons();
  void wireHandlers();
  QSize preferredSize() const;
  QString location(const char* handler) const;
  void showModes();
  void showPointLabels();
  void showInputMask();
  void showInputStates();
  void showOutputStates();
  void showServoStatus();
  void setOutputBoxes(int forces);
  void Form_QueryUnload();
  bool closeWithForcesConfirmed();
  // True once this screen is closing or gone (checked after every wait for the line).
  basMaint::Abandoned closingCheck();
  void restartInputTimer();
  bool receiving() const;
  void showNotReceiving();
  void showReceiving();

  const basMaint::MaintVariant& variant_;
  std::array<QLabel*, kMaxInputs + 1> lblDI{}, lblDIState{};
  std::array<QCheckBox*, kMaxInputs + 1> chkDI{};
  std::array<QPushButton*, kMaxInputs + 1> cmdDI{};
  std::array<QLabel*, kOutputs + 1> lblDO{}, lblDOState{};
  std::array<QCheckBox*, kOutputs + 1> chkDO{};
  std::array<QPushButton*, kOutputs + 1> cmdDO{};
  std::array<QLabel*, 7> lblStatus{};
  QPushButton *cmdForceIns = nullptr, *cmdForceOuts = nullptr, *cmdClearDOForces = nullptr;
  QPushButton *cmdEnable = nullptr, *cmdJog = nullptr, *cmdPosMove = nullptr, *cmdClose = nullptr;
  QLabel *lblDriveMode = nullptr, *lblControl = nullptr, *lblPosMode = nullptr;
  QLabel *lblAccel = nullptr, *lblDecel = nullptr, *lbl306 = nullptr, *lbl407 = nullptr;
  QTimer *tmrMaint = nullptr, *tmrMaint2 = nullptr;
  QStatusBar* stbMaint = nullptr;
  QWidget *inputRows_ = nullptr, *outputRows_ = nullptr, *motionButtons_ = nullptr;
  QScrollArea* scrollArea_ = nullptr;

  basMaint::SavedSettings saved_;
  bool driveEnabledHere_ = false;  // DriveEnabledHere: this screen switched the drive on or off
  bool loaded_ = false;
  bool closing_ = false;
  bool reinitWaiting_ = false;
  bool receiving_ = true;
};

namespace basMaint {
// Set when a maintenance screen has closed (cleared when one opens).
extern bool MaintenanceClosed;
}  // namespace basMaint
