#include "tuning/frm_tuning.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>

#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"

namespace {

using basFunctions::DriveImage;
using basFunctions::guarded;
using basFunctions::WorkingConfig;
using prompt::Buttons;
using prompt::Icon;

QPointer<frmTuning> g_tuning;

const QString kConfirmTitle = QStringLiteral("Confirmation Needed");

int32_t& valueOf(basFunctions::ValueTable& table, int index) {
  return table.P(index / 100, index % 100);
}

bool scopeCapturing() {
  const basScope::ScopeCapture* capture = basScope::ScopeCapture::Active();
  return capture && capture->Running;
}

}  // namespace

frmTuning* frmTuning::Instance() { return g_tuning.data(); }

frmTuning* frmTuning::Display() {
  if (!g_tuning || host::IsUnloaded(g_tuning)) {
    g_tuning = new frmTuning();
    g_tuning->Form_Load();
  }
  host::ShowChild(g_tuning);
  return g_tuning;
}

frmTuning::frmTuning(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmTuning"));
  setWindowTitle(QStringLiteral(" Tuning Screen"));
  buildControls();
  tmrTuning = new QTimer(this);
  tmrTuning->setObjectName(QStringLiteral("tmrTuning"));
  tmrTuning->setInterval(1000);
  connect(tmrTuning, &QTimer::timeout, this, &frmTuning::tmrTuning_Timer);
}

frmTuning::~frmTuning() = default;

void frmTuning::Form_Load() {
  mainWindow::SetBusyPointer();
  guarded("frmTuning, Form_Load", [&] {
    applyModeLock();
    basFunctions::getMode();
    basComm::SendLogonCommand(1);
    cmbMode->setCurrentIndex(DriveImage.P(2, 32) < basTuning::kModes ? DriveImage.P(2, 32) : -1);
    setWindowIcon(pictures::WindowIcon());
    setWindowTitle(QStringLiteral(" Tuning Screen"));
    basTuning::TakeSnapshot(DriveImage);
    for (int index = 200; index <= 207; ++index) setField(index, false);
    SetUpScreen();
    readLimits();
  });
  // A capture already running owns the drive: the scope gives Update back when it stops.
  if (scopeCapturing()) cmdUpdate->setEnabled(false);
  tmrTuning->start();
  mainWindow::SetNormalPointer();
}

// The limits of the connected drive's amplifier and firmware revision.
void frmTuning::readLimits() {
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return;
  const int32_t motor = DriveImage.P(1, 31);
  const int ampCode =
      motor < -32768 || motor > 32767 ? 0 : basComm::GetAmpCode(static_cast<int16_t>(motor));
  const int rev = static_cast<int>(std::lround(basFunctions::DriveFirmwareNumber() * 100));
  limits_.load(db.database(), QStringLiteral("tblDriveParameters"), ampCode, rev, DriveImage,
               WorkingConfig);
}

// The mode cannot change while the servo is on (bit 1 of the status word P6.37).
void frmTuning::applyModeLock() {
  const bool servoOn = (DriveImage.P(6, 37) & 0x2) != 0;
  cmbMode->setEnabled(!servoOn);
  cmdSetMode->setEnabled(!servoOn);
}

void frmTuning::setField(int index, bool enabled) {
  QLineEdit* box = txtNew.value(index);
  box->setEnabled(enabled);
  const QPalette system = QApplication::palette();
  const QColor colour = enabled ? system.color(QPalette::Active, QPalette::Base)
                                : system.color(QPalette::Disabled, QPalette::Text);
  QPalette palette = box->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, colour);
  box->setPalette(palette);
}

void frmTuning::SetUpScreen() {
  const int mode = cmbMode->currentIndex();
  screenMode_ = mode;
  const bool levels = basTuning::WritesLevelAndMode(mode);
  for (int i = 0; i < basTuning::kLevels; ++i) {
    optStiffness[i]->setVisible(true);
    optStiffness[i]->setEnabled(levels);
    lblStiffSelect[i]->setVisible(true);
  }
  if (levels) {
    const int level = basTuning::LevelOf(DriveImage.P(2, 31));
    optStiffness[level]->setChecked(true);
    optStiffness_Click(level);
    const bool easy = mode == 1;
    lblLevel->setText(easy ? QStringLiteral("Stiffness Level") : QStringLiteral("Response Level"));
    lblLevelLess->setText(easy ? QStringLiteral("Less Stiffness")
                               : QStringLiteral("Less Response"));
    lblLevelMore->setText(easy ? QStringLiteral("More Stiffness")
                               : QStringLiteral("More Response"));
  }
  for (int index : basTuning::kParams) setField(index, basTuning::FieldEnabled(mode, index));
}

void frmTuning::cmbMode_Click() {}

void frmTuning::cmdSetMode_Click() {
  guarded("frmTuning, cmdSetMode_Click", [&] {
    if (prompt::MsgBox(QStringLiteral("Clicking 'Set' will send the mode change to the drive "
                                      "immediately.\rDo you wish to continue?"),
                       Buttons::YesNo, Icon::Information, kConfirmTitle) != prompt::Yes) {
      cmbMode->setCurrentIndex(DriveImage.P(2, 32) < basTuning::kModes ? DriveImage.P(2, 32) : -1);
      return;
    }
    if (cmbMode->currentIndex() < 0) return;
    WorkingConfig.P(2, 32) = cmbMode->currentIndex();
    written_ = true;
    basComm::WriteData(QStringLiteral("232"), 1);
    SetUpScreen();
  });
}

void frmTuning::optStiffness_Click(int index) {
  guarded("frmTuning, optStiffness_Click", [&] { StiffnessSel = static_cast<int16_t>(index); });
}

void frmTuning::txtNew_LostFocus(int index) {
  guarded("frmTuning, txtNew_LostFocus", [&] { acceptEntry(index); });
}

// A filled box is checked against the drive's limits; an accepted value goes into
// WorkingConfig (nothing is sent yet), a refused one is emptied and gets the focus back.
bool frmTuning::acceptEntry(int index) {
  QLineEdit* box = txtNew.value(index);
  if (box->text().isEmpty()) return true;
  const basTuning::Entry entry = basTuning::CheckEntry(box->text(), limits_[index]);
  if (entry.check != basTuning::EntryCheck::Accepted) {
    prompt::MsgBox(basTuning::RefusalText(index, entry.check), Buttons::OK, Icon::Exclamation,
                   QStringLiteral("Value Out Of Range"));
    box->clear();
    box->setFocus();
    return false;
  }
  valueOf(WorkingConfig, index) = entry.raw;
  return true;
}

// Update sends what the boxes show: a box filled by Revert (or typed into and never left)
// is taken as if it had lost the focus; an empty box leaves the drive's gain as it is.
bool frmTuning::commitBoxes(int mode) {
  for (int index : basTuning::SingleWrites(mode))
    if (!acceptEntry(index)) return false;
  return true;
}

void frmTuning::cmdUpdate_Click() {
  guarded("frmTuning, cmdUpdate_Click", [&] {
    const int mode = screenMode_;
    if (!commitBoxes(mode)) return;
    if (basMain::ConfirmTuning &&
        prompt::MsgBox(QStringLiteral("This will send the changes to the drive immediately.\r"
                                      "Do you wish to continue?"),
                       Buttons::YesNo, Icon::Information, kConfirmTitle) != prompt::Yes)
      return;
    mainWindow::SetBusyPointer();
    written_ = true;
    const QPointer<frmTuning> self(this);
    basTuning::SendSettings(
        mode, StiffnessSel, WorkingConfig, DriveImage,
        [&self](int index) { return !self || !self->txtNew.value(index)->text().isEmpty(); },
        [&self](const QString& key, int count) {
          if (!self || host::IsUnloaded(self)) return false;
          basComm::WriteData(key, static_cast<int16_t>(count));
          // Without a drive the first write has told the user; the others would repeat it.
          return basComm::DriveConnected == 1;
        },
        [](double seconds) { basFunctions::WaitaWhile(seconds); });
    mainWindow::SetNormalPointer();
  });
}

void frmTuning::cmdRevert_Click() {
  guarded("frmTuning, cmdRevert_Click", [&] {
    if (prompt::MsgBox(
            QStringLiteral("This action will populate the 'New' value text boxes with the\r"
                           "values as they were prior to opening the Tuning Dialog.\r\r"
                           "You must then click the button labeled 'Click To Send New Settings "
                           "To Drive'\rfor the changes to be sent to the drive."),
            Buttons::OKCancel, Icon::Information, kConfirmTitle) == prompt::Ok) {
      for (int index : basTuning::kParams)
        txtNew.value(index)->setText(
            basFunctions::DisplayText(basTuning::SnapshotValue(index), limits_[index].resolution));
      const int mode = basTuning::SnapshotValue(232);
      cmbMode->setCurrentIndex(mode >= 0 && mode < basTuning::kModes ? mode : -1);
    }
    SetUpScreen();
  });
}

void frmTuning::cmdScope_Click() {
  guarded("frmTuning, cmdScope_Click", [] { frmScope::Display(); });
}

bool frmTuning::closeConfirmed() {
  return prompt::MsgBox(QStringLiteral("Are you sure you want to close the tuning dialog?\r"
                                       "Once you close this screen, your option to revert to     \r"
                                       "your original settings will no longer be available.\r\r"
                                       "Click 'Yes' to close without reverting."),
                        Buttons::YesNo, Icon::Question, kConfirmTitle) == prompt::Yes;
}

void frmTuning::cmdClose_Click() {
  guarded("frmTuning, cmdClose_Click", [&] {
    if (closeConfirmed()) host::UnloadWindow(this);
  });
}

// The title-bar close asks as Close does; an unload by the program (Close, the main window's
// closing) has asked already or does not ask.
void frmTuning::closeEvent(QCloseEvent* event) {
  bool close = true;
  if (!host::IsUnloaded(this))
    guarded("frmTuning, Form_QueryUnload", [&] { close = closeConfirmed(); });
  if (!close) {
    event->ignore();
    return;
  }
  host::UnloadWindow(this);
  event->accept();
}

void frmTuning::tmrTuning_Timer() {
  guarded("frmTuning, tmrTuning_Timer", [&] {
    // After a connection the drive's limits and values are taken again once its reads are in.
    const bool imageCurrent = basComm::DriveConnected == 1 && basFunctions::InitComplete;
    if (basTuning::RefreshSnapshot(DriveImage, imageCurrent, written_)) readLimits();
    for (int index : basTuning::kShown)
      lblCurrent.value(index)->setText(
          basFunctions::DisplayText(valueOf(DriveImage, index), limits_[index].resolution));
    applyModeLock();
  });
}

bool frmTuning::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Another window or a popup taking the focus is not the technician leaving the box.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      for (auto it = txtNew.cbegin(); it != txtNew.cend(); ++it)
        if (it.value() == watched) {
          // Checked once the focus has settled where it went, as leaving a box does.
          const int index = it.key();
          QTimer::singleShot(0, this, [this, index] { txtNew_LostFocus(index); });
        }
  }
  return QWidget::eventFilter(watched, event);
}
