// frmMain: the scope commands of the Utilities menu.
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "scope/frm_scope.h"
#include "scope/frm_scope_viewer.h"
#include "scope/scope_sources.h"
#include "shell/frm_main.h"

using basFunctions::guarded;

namespace {

// The scope needs a drive and a line fast enough for its channels: below 9600 baud it does
// not open, at 9600 and 19200 only when the technician accepts fewer channels.
bool scopeMayOpen(frmMain& main) {
  portwright::IModbusAtl& mod1 = host::Mod1();
  if (mod1.get_PortOpen() == portwright::VARIANT_FALSE) {
    if (prompt::MsgBox(QStringLiteral("You don't appear to be connected to a drive.\r"
                                      "Would you like to connect now?"),
                       prompt::Buttons::YesNo, prompt::Icon::Critical,
                       QStringLiteral("No Connection Present")) == prompt::Yes)
      main.mnuConnect_Click();
    return false;
  }
  const QString baud = basScope::BaudOfSettings(QString::fromStdString(mod1.get_Settings()));
  if (baud == QLatin1String("4800")) {
    prompt::MsgBox(QStringLiteral("Minimum connect speed for scope is 9600 baud. Recommended "
                                  "connect speed is 38,400 baud or higher."),
                   prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral("Connected at 4800 baud"));
    return false;
  }
  if (baud != QLatin1String("9600") && baud != QLatin1String("19200")) return true;
  const QString limit =
      baud == QLatin1String("9600") ? QStringLiteral("1 channel") : QStringLiteral("2 channels");
  return prompt::MsgBox(QStringLiteral("You are connected at ") + baud +
                            QStringLiteral(" baud. Scope will be limited to ") + limit +
                            QStringLiteral(".\rRecommended connect speed is 38,400 baud or "
                                           "higher. Do you want to continue?"),
                        prompt::Buttons::YesNo, prompt::Icon::Exclamation,
                        QStringLiteral("Slow connection - Scope Functionality Limited")) ==
         prompt::Yes;
}

}  // namespace

void frmMain::mnuScope_Click() {
  guarded("frmMain, mnuTrend_Click", [&] {
    if (scopeMayOpen(*this)) frmScope::Display();
  });
}

// A new viewer for every log; a cancelled choice leaves no window behind.
void frmMain::mnuScopeViewer_Click() {
  auto* viewer = new frmScopeViewer();
  mainWindow::SetBusyPointer();
  guarded("frmScope, mnuScopeViewer_Click", [&] { viewer->OpenLogWithDialog(); });
  mainWindow::SetNormalPointer();
  if (!viewer->isVisible()) viewer->deleteLater();
}
