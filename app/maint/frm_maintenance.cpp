#include "maint/frm_maintenance.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "maint/frm_jog.h"
#include "maint/frm_pos_command.h"
#include "maint/jog_control.h"
#include "maint/maint_polls.h"
#include "maint/maint_record.h"
#include "params/drive_identity.h"
#include "params/value_table.h"

using basFunctions::DriveImage;
using basFunctions::guarded;
using basFunctions::WaitaWhile;
using namespace basMaint;

namespace basMaint {
bool MaintenanceClosed = false;
}  // namespace basMaint

namespace {

QPointer<frmMaintenance> g_screen;

const QString kCr = QStringLiteral("\r");

bool open(const frmMaintenance* screen) { return screen && !host::IsUnloaded(screen); }

}  // namespace

frmMaintenance* frmMaintenance::Display(const MaintVariant& variant) {
  // Jogs and forced outputs start here: from now on a lost connection sends their last words.
  basComm::SetLastWords({&basMaint::LastWordsNeeded, &basMaint::SendLastWords});
  if (open(g_screen) && &g_screen->variant() == &variant) {
    host::ShowChild(g_screen);
    return g_screen;
  }
  UnloadAll();
  auto* screen = new frmMaintenance(variant);
  host::ShowChild(screen);
  const QPointer<frmMaintenance> shown(screen);
  screen->Form_Load();
  // As large as the screen wants (with the labels' texts from the drive), but within the main
  // window's child area: what does not fit scrolls, Close and the motion buttons stay in view.
  if (shown) host::FitIntoChildArea(screen, screen->preferredSize());
  return screen;
}

frmMaintenance* frmMaintenance::OpenScreen() { return open(g_screen) ? g_screen.data() : nullptr; }

frmMaintenance* frmMaintenance::Open(bool from21) {
  frmMaintenance* screen = OpenScreen();
  return screen && (screen->variant().revision >= 210) == from21 ? screen : nullptr;
}

void frmMaintenance::UnloadAll() {
  if (frmMaintenance* screen = OpenScreen()) host::UnloadWindow(screen);
}

frmMaintenance::frmMaintenance(const MaintVariant& variant, QWidget* parent)
    : QWidget(parent), variant_(variant) {
  setObjectName(QString::fromLatin1(variant.windowName));
  setWindowTitle(QStringLiteral(" Maintenance Screen"));
  buildControls();
  g_screen = this;  // the one screen the poll handler and the scope talk to
  SubscribeToPolls();
}

frmMaintenance::~frmMaintenance() = default;

QString frmMaintenance::location(const char* handler) const {
  return QString::fromLatin1(variant_.windowName) + ", " + QLatin1String(handler);
}

Abandoned frmMaintenance::closingCheck() {
  return [self = QPointer<frmMaintenance>(this)] { return !self || self->closing_; };
}

void frmMaintenance::Form_Load() {
  const Abandoned closing = closingCheck();
  guarded(location("Form_Load").toUtf8().constData(), [&] {
    mainWindow::SetBusyPointer();
    basComm::SendLogonCommand(1);
    if (closing()) return;
    // A record left by a program that died with the screen open holds what the drive had
    // before; the drive itself may still be armed.
    const std::optional<SavedSettings> leftover = LeftoverRecord();
    saved_ = leftover ? *leftover : SaveDriveSettings(variant_);
    RecordSavedSettings(saved_);
    loaded_ = true;  // from here on a closing restores what was saved
    ArmDrive(closing);
    if (closing()) return;
    showPointLabels();
    setWindowIcon(pictures::WindowIcon());
    showModes();
    showInputMask();
    for (int n = 1; n <= variant_.inputCount; ++n) cmdDI[n]->setEnabled(chkDI[n]->isChecked());
    setOutputBoxes(DriveImage.P(4, 6));
    cmdEnable->setEnabled(!ServoOnAssigned());
    cmdEnable->setText(DriveImage.P(2, 51) == 1 ? QStringLiteral("Disable Drive")
                                                : QStringLiteral("Enable Drive"));
    WriteMonitorSelectors(closing);
    if (closing()) return;  // closed meanwhile: the normal poll group is back already
    host::Mod1().put_PollInterval(0);
    basFunctions::PollGroup = 3;
    basFunctions::SetPollGroups(100);
    PosCommandChanged = false;
    driveEnabledHere_ = false;
    MaintenanceClosed = false;
    stbMaint->showMessage(QStringLiteral("Drive set up for maintenance"));
    mainWindow::SetNormalPointer();
  });
  if (closing()) return;
  tmrMaint->start();
  tmrMaint2->start();
}

void frmMaintenance::showPointLabels() {
  for (int n = 1; n <= variant_.inputCount; ++n)
    lblDI[n]->setText(InputLabel(n, InputFunctionCode(variant_, n)));
  for (int n = 1; n <= kOutputs; ++n)
    lblDO[n]->setText(
        OutputLabel(n, FunctionCode(DriveImage.P(2, drive_facts::kOutputFunctionFirst + n - 1))));
}

void frmMaintenance::showModes() {
  const QString mode = basFunctions::getMode();
  lblDriveMode->setText("Drive Mode: " + ControlModeText(mode));
  cmdPosMove->setEnabled(mode == QLatin1String("Pr"));
  lblPosMode->setText("Current Position Mode: " + PositionModeText(DriveImage.P(1, 33)));
  lblAccel->setText(QStringLiteral("Current Accel: %1 msec").arg(DriveImage.P(1, 34)));
  lblDecel->setText(QStringLiteral("Current Decel: %1 msec").arg(DriveImage.P(1, 35)));
}

void frmMaintenance::showInputMask() {
  const int mask = DriveImage.P(3, variant_.maskNumber);
  for (int n = 1; n <= variant_.inputCount; ++n)
    chkDI[n]->setChecked(PointOn(variant_.inputBits(), mask, n));
  lbl306->setText(QStringLiteral("3.0%1 = %2").arg(variant_.maskNumber).arg(mask & 0xFFFF));
}

namespace {

void showOnOff(QLabel* label, bool on) {
  label->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
  label->setStyleSheet(on ? QStringLiteral("color: darkgreen") : QStringLiteral("color: blue"));
}

}  // namespace

void frmMaintenance::showInputStates() {
  const int states = DriveImage.P(4, 7);
  for (int n = 1; n <= variant_.inputCount; ++n)
    showOnOff(lblDIState[n], PointOn(variant_.inputBits(), states, n));
  lbl407->setText(QStringLiteral("4.07 = %1").arg(states & 0xFFFF));
}

// Forced outputs show while the servo is off; the drive's own states otherwise.
void frmMaintenance::showOutputStates() {
  const int32_t forces = DriveImage.P(4, 6);
  if (forces < 0) return;
  const bool servoOn = DriveImage.P(6, 37) & drive_facts::kStatusServoOn;
  const int32_t shown = forces == 0 || servoOn ? DriveImage.P(4, 9) : forces;
  for (int n = 1; n <= kOutputs; ++n)
    showOnOff(lblDOState[n], PointOn(drive_facts::kOutputBits, shown, n));
}

void frmMaintenance::showServoStatus() {
  const int32_t status = DriveImage.P(6, 37);
  const bool servoOn = status & drive_facts::kStatusServoOn;
  lblStatus[0]->setText(status & drive_facts::kStatusServoReady
                            ? QStringLiteral("Servo Ready")
                            : QStringLiteral("Servo Not Ready"));
  lblStatus[1]->setText(servoOn ? QStringLiteral("Servo On") : QStringLiteral("Servo Not On"));
  lblStatus[4]->setText(status & drive_facts::kStatusZeroSpeed
                            ? QStringLiteral("Servo At Zero Speed")
                            : QStringLiteral("Servo In Motion"));
  cmdJog->setEnabled(servoOn);
  for (int n = 1; n <= kOutputs; ++n) cmdDO[n]->setEnabled(!servoOn);
}

void frmMaintenance::setOutputBoxes(int forces) {
  for (int n = 1; n <= kOutputs; ++n)
    chkDO[n]->setChecked(forces > 0 && PointOn(drive_facts::kOutputBits, forces, n));
}

// Off line, or with the normal poll group back after a reconnect, the drive's values no longer
// come in: the screen shows none of them and offers nothing that writes, until Reinit has set
// the drive and the maintenance poll group up again.
bool frmMaintenance::receiving() const {
  return basComm::DriveConnected == 1 &&
         (basFunctions::PollGroup == 3 || basFunctions::PollGroup == 2);
}

void frmMaintenance::showNotReceiving() {
  if (!receiving_) return;
  receiving_ = false;
  basFunctions::MaintLogonNeeded = true;
  for (QLabel* label : lblStatus) label->clear();
  lblStatus[0]->setText(QStringLiteral("Off-Line"));
  for (QLabel* label : lblDIState)
    if (label) label->clear();
  for (QLabel* label : lblDOState)
    if (label) label->clear();
  lblControl->clear();
  for (QWidget* part : {inputRows_, outputRows_, motionButtons_}) part->setEnabled(false);
}

void frmMaintenance::showReceiving() {
  if (receiving_) return;
  receiving_ = true;
  for (QWidget* part : {inputRows_, outputRows_, motionButtons_}) part->setEnabled(true);
}

void frmMaintenance::tmrMaint_Timer() {
  guarded(location("tmrMaint_Timer").toUtf8().constData(), [&] {
    if (!receiving()) showNotReceiving();
    if (basFunctions::MaintLogonNeeded) return;
    cmdPosMove->setEnabled(basFunctions::getMode() == QLatin1String("Pr"));
    showServoStatus();
    showOutputStates();
  });
}

void frmMaintenance::tmrMaint2_Timer() {
  const Abandoned closing = closingCheck();
  guarded("Error in frmMaintenace, tmrMaint2_Timer ", [&] {
    if (!basFunctions::MaintLogonNeeded) {
      showInputMask();
      showInputStates();
      return;
    }
    if (reinitWaiting_) return;
    reinitWaiting_ = true;
    WaitaWhile(1.5);
    if (closing()) return;
    reinitWaiting_ = false;
    if (basFunctions::MaintLogonNeeded && basComm::DriveConnected == 1) Reinit();
  });
}

// Events keep running while a set-up waits for the line, so the screen may start closing
// meanwhile: the set-up then drops its remaining writes and the closing's restore stands.
void frmMaintenance::Reinit() {
  const Abandoned closing = closingCheck();
  guarded(location("Reinit").toUtf8().constData(), [&] {
    if (closing()) return;
    mainWindow::SetBusyPointer();
    basComm::SendLogonCommand(1);
    ArmDrive(closing);
    WriteMonitorSelectors(closing);
    if (closing()) return;
    // After a reconnect the normal poll group runs: the screen's values come from its own.
    if (basFunctions::PollGroup != 3 && basFunctions::PollGroup != 2) {
      host::Mod1().put_PollInterval(0);
      basFunctions::PollGroup = 3;
      basFunctions::SetPollGroups(100);
    }
    basFunctions::MaintLogonNeeded = false;
    showReceiving();
    mainWindow::SetNormalPointer();
  });
}

void frmMaintenance::ShowStatusValue(int index, int32_t value) {
  if (index >= 0 && index < static_cast<int>(lblStatus.size()))
    lblStatus[index]->setText(QString::number(value));
}

void frmMaintenance::ShowOutputControl(bool driveControl) {
  lblControl->setText(driveControl ? QStringLiteral("Outputs Under Drive Control")
                                   : QStringLiteral("Outputs Under Software Control"));
  cmdClearDOForces->setEnabled(!driveControl);
}

// Forces left offer to stay: false when the technician stays.
bool frmMaintenance::closeWithForcesConfirmed() {
  return DriveImage.P(4, 6) <= 0 ||
         prompt::MsgBox(" Forces still exist which will effect the operation of Digital Outputs" +
                            kCr + "while the Velumo is disabled. You may clear all forces made by" +
                            kCr +
                            "returning to the Maintenance Screen and clicking the Clear DO Forces "
                            "button." +
                            kCr + kCr + "Would you like to return to the Maintenance Screen?",
                        prompt::Buttons::YesNo, prompt::Icon::Question,
                        QStringLiteral("Forces Remain")) != prompt::Yes;
}

void frmMaintenance::cmdClose_Click() {
  guarded(location("cmdClose_Click").toUtf8().constData(), [&] {
    if (closeWithForcesConfirmed()) UnloadAll();
  });
}

// The title-bar close asks as Close does; an unload by the program (Close, disconnecting, the
// program's end) has asked already or asks its own question.
void frmMaintenance::closeEvent(QCloseEvent* event) {
  if (!closing_ && !host::IsUnloaded(this)) {
    bool close = true;
    guarded(location("Form_QueryUnload").toUtf8().constData(),
            [&] { close = closeWithForcesConfirmed(); });
    if (!close) {
      event->ignore();
      return;
    }
  }
  if (!closing_) {
    closing_ = true;
    tmrMaint->stop();
    tmrMaint2->stop();
    if (loaded_) Form_QueryUnload();
  }
  host::UnloadWindow(this);
  event->accept();
}

// Closing: the warnings and questions, the motion stopped, the drive restored, the normal
// poll group back.
void frmMaintenance::Form_QueryUnload() {
  guarded(location("Form_QueryUnload").toUtf8().constData(), [&] {
    frmJog::Unload();
    frmPosCommand::Unload();
    if (!basFunctions::DriveIdentity.driveAmp.isEmpty()) {
      prompt::MsgBox(
          "WARNING! Any changes made to the drive are permanent. Should you wish to" + kCr +
              "change back to the settings as they were prior to using the Maintenance screen," +
              kCr + "do a download to the drive from the main screen.",
          prompt::Buttons::OK, prompt::Icon::Exclamation,
          QStringLiteral("Drive Settings May Have Changed"));
      if (PosCommandChanged &&
          prompt::MsgBox("Data has been written to the drive." + kCr +
                             "Would you like to save those changes to the configuration in "
                             "Velumo PRO?",
                         prompt::Buttons::YesNo, prompt::Icon::Question,
                         QStringLiteral("Data has changed")) == prompt::Yes) {
        CopyWrittenPosCommandsToConfig();
        if (prompt::MsgBox(QStringLiteral("Would you like to save your configuration?"),
                           prompt::Buttons::YesNo, prompt::Icon::Question,
                           QStringLiteral("Save Configuration")) == prompt::Yes)
          host::RunCommand(QStringLiteral("mnuSaveAs"));
      }
    }
    stbMaint->showMessage(QStringLiteral("Restoring the drive's settings"));
    if (basComm::DriveConnected == 1) {
      const JogStopOutcome stop = StopJog();
      if (!stop.confirmed)
        prompt::MsgBox(JogStopFailedText(kWatchdogSeconds), prompt::Buttons::OK,
                       prompt::Icon::Critical, kJogStopFailedTitle);
    }
    if (RestoreDrive(saved_, variant_, driveEnabledHere_)) ClearSavedSettingsRecord();
    MaintenanceClosed = true;
  });
  guarded(location("Form_Unload").toUtf8().constData(), [&] {
    basFunctions::PollGroup = 1;
    if (basComm::DriveConnected == 1) {
      host::Mod1().put_PollInterval(0);
      basFunctions::SetPollGroups(1000);
    }
    mainWindow::SetNormalPointer();
  });
}
