// frmMain: the status bar, the status list buttons and the connect, disconnect,
// close-configuration and quit flows.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>

#include "config/config_io.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "link/frm_comm_settings.h"
#include "maint/frm_jog.h"
#include "params/drive_identity.h"
#include "shell/frm_faults.h"
#include "shell/frm_main.h"
#include "shell/frm_startup.h"
#include "tuning/tuning_model.h"

using basFunctions::guarded;
using prompt::Buttons;
using prompt::Icon;

namespace {

const QString kConfirmationNeeded = QStringLiteral("Confirmation Needed");
const QString kQuitQuestion = QStringLiteral("Are your sure you want to quit?");

bool askYesNo(const QString& text, const QString& title, int defaultButton = 1) {
  return prompt::MsgBox(text, Buttons::YesNo, Icon::Question, title, defaultButton) == prompt::Yes;
}

}  // namespace

bool frmMain::maintenanceWindowOpen() const {
  return basFunctions::FormIsOpen(QStringLiteral("frmMaintenance")) ||
         basFunctions::FormIsOpen(QStringLiteral("frmMaintenance_210"));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int panel = 1; panel <= 4; ++panel)
      if (watched == panels_[panel] || (panel == 4 && watched == panel4Icon_)) {
        stbMain_PanelDblClick(panel);
        return true;
      }
  }
  if (event->type() == QEvent::MouseButtonRelease &&
      (watched == statusBar() || qobject_cast<QLabel*>(watched))) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    stbMain_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::stbMain_PanelDblClick(int panel) {
  guarded("frmMain, stbMain_PanelDblClick()", [&] {
    const QString text = panelText(panel);
    if (text == QLatin1String("Off-Line")) {
      mnuConnect_Click();
    } else if (text == QLatin1String("On-Line")) {
      if (askYesNo(QStringLiteral("Are you sure you want to disconnect from the drive?"),
                   kConfirmationNeeded))
        mnuDisconnect_Click();
    } else if (panelText(2).left(12) == QLatin1String("Drive Status")) {
      mnuFaults_Click();
    }
  });
}

void frmMain::stbMain_MouseUp(Qt::MouseButton button, const QPoint& globalPosition) {
  guarded("frmMain, stbMain_MouseUp()", [&] {
    if (button == Qt::RightButton) mnuComm_->popup(globalPosition);
  });
}

void frmMain::cmdClear_Click() {
  guarded("frmMain, cmdClear_Click", [&] {
    if (lstMain_->count() < 1) return;
    if (askYesNo(QStringLiteral("Are you sure you want to clear the list?"), kConfirmationNeeded))
      lstMain_->clear();
  });
}

void frmMain::cmdHideListMain_Click() {
  guarded("frmMain, cmdHideListMain_Click", [&] { bmpLowerPic_->hide(); });
}

void frmMain::mnuStatusList_Click() {
  guarded("frmMain, mnuStatusList_Click", [&] { bmpLowerPic_->show(); });
}

void frmMain::mnuCascade_Click() {
  guarded("frmMain, mnuCascade_Click", [&] { mdiArea_->cascadeSubWindows(); });
}

void frmMain::mnuConnect_Click() {
  guarded("frmMain, mnuConnect_Click", [&] { frmCommSettings::Display(); });
}

void frmMain::mnuQuickInfo_Click() {
  guarded("frmMain, mnuQuickInfo_Click", [&] {
    host::ShowChild(frmStartup::instance() ? frmStartup::instance() : new frmStartup);
  });
}

void frmMain::mnuStartMenu_Click() {
  guarded("frmMain, mnuStartMenu_Click", [&] {
    bool quickScreen = false;
    if (const basMain::DbConnection db = basMain::ConnectDB())
      quickScreen = basMain::DbField(basMain::Custinfo(db), QStringLiteral("QuickScreen")).toBool();
    quickScreen = !quickScreen;
    // Yes/no columns hold -1 for True.
    if (basMain::UpdateCustinfo(QStringLiteral("QuickScreen"), quickScreen ? -1 : 0))
      actions_["mnuStartMenu"]->setChecked(quickScreen);
  });
}

void frmMain::mnuFaults_Click() {
  guarded("frmMain, mnuFaults_Click", [&] {
    if (basComm::DriveConnected != 1) {
      prompt::MsgBox(QStringLiteral("You must be connected to the drive") + "\r" +
                         "prior to displaying drive faults.",
                     Buttons::OK, Icon::Exclamation, QStringLiteral("Not Connected"));
      return;
    }
    frmFaults::Display();
  });
}

void frmMain::mnuDisconnect_Click() {
  guarded("frmMain, mnuDisconnect_Click", [&] {
    if (maintenanceWindowOpen()) {
      if (!askYesNo(QStringLiteral("The Maintenance Form will be closed prior to disconnecting.") +
                        "\r" + "Are you sure you want to proceed?",
                    kConfirmationNeeded))
        return;
      for (const char* name : {"frmMaintenance", "frmMaintenance_210"})
        for (QWidget* window : QApplication::allWidgets())
          if (window->objectName() == QLatin1String(name)) host::UnloadWindow(window);
    }
    basComm::CloseConnection();
    basMain::ExpressActive = false;
  });
}

void frmMain::mnuClose_Click() {
  guarded("frmMain, mnuClose_Click", [&] {
    if (!basFunctions::UnsavedChangesPrompt()) return;
    if (frmTabConfig* editor = frmTabConfig::instance()) editor->HideWindow();
    setWindowTitle(basMain::MainCaption(QString()));
    basMain::EditorTag = QStringLiteral("0");
    basFunctions::ConfigIdentity.motorCode = QStringLiteral(" ");
    basFunctions::ConfigIdentity.revision = QStringLiteral(" ");
    basMain::CurrentConfigPath.clear();
    basMain::CurrentConfigTitle = QStringLiteral(" ");
    basMain::ConfigDirty = false;
  });
}

// While a maintenance screen is open the program does not end: the drive would keep its
// forced inputs, P2.30 and an armed watchdog.
bool frmMain::refusedForMaintenance() {
  if (!maintenanceWindowOpen()) return false;
  prompt::MsgBox(QStringLiteral("Please close the Maintenance Form before closing Velumo Pro"),
                 Buttons::OK, Icon::Exclamation, QStringLiteral("Action Needed"));
  return true;
}

// Logs off the drive's internal parameters and closes the connection when a drive is there.
// A jog window still open sends its stop first.
void frmMain::logOffAndClose() {
  frmJog::Unload();
  if (basComm::DriveConnected == 1) {
    basComm::SendLogonCommand(0);
    basComm::CloseConnection();
  } else if (host::HasMod1()) {
    host::Mod1().put_PortOpen(portwright::VARIANT_FALSE);
  }
}

// Trims the logs, releases the database objects and ends the program's event loop.
void frmMain::endProgram() {
  const bool closing = quitConfirmed_;
  quitConfirmed_ = true;
  endRequested_ = true;
  basFunctions::LogFileMaint();
  if (!closing) close();
  QApplication::exit(0);
}

void frmMain::mnuExit_Click() {
  guarded("frmMain, mnuExit_Click", [&] {
    if (!askYesNo(kQuitQuestion, QStringLiteral("Velumo PRO Closing"))) return;
    // As closing the window: the maintenance screen's closing restores the drive first.
    if (refusedForMaintenance()) return;
    if (!basFunctions::UnsavedChangesPrompt()) return;
    logOffAndClose();
    endProgram();
  });
}

bool frmMain::MDIForm_QueryUnload() {
  bool quit = false;
  guarded("frmMain, MDIForm_QueryUnload", [&] {
    if (!askYesNo(kQuitQuestion, QStringLiteral("Closing Velumo PRO"), 2)) return;
    if (refusedForMaintenance()) return;
    if (!basFunctions::UnsavedChangesPromptOnClose()) return;
    logOffAndClose();
    quit = true;
  });
  return quit;
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (!quitConfirmed_) {
    if (!MDIForm_QueryUnload()) {
      event->ignore();
      return;
    }
    quitConfirmed_ = true;  // the window is already closing: endProgram must not close it again
    endProgram();
  }
  // MDIForm_Unload: the port closes with the window.
  guarded("frmMain, MDIForm_Unload", [&] {
    if (host::HasMod1()) host::Mod1().put_PortOpen(portwright::VARIANT_FALSE);
    basTuning::RevertSnapshot[basTuning::kSnapshotRefreshes] = 0;
  });
  event->accept();
}
