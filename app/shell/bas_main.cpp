#include "shell/bas_main.h"

#include <QAction>
#include <QLockFile>
#include <QStandardPaths>
#include <memory>

#include "link/bas_comm.h"
#include "shell/app_state.h"
#include "shell/database.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/frm_startup.h"
#include "shell/host.h"
#include "shell/logs.h"
#include "shell/poll_groups.h"
#include "shell/prompt.h"

namespace basMain {
namespace {

std::unique_ptr<QLockFile> g_instanceLock;

// One running copy per user: a lock file in the user's runtime folder.
bool anotherInstanceRuns() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  g_instanceLock = std::make_unique<QLockFile>(folder + QStringLiteral("/VelumoPRO.lock"));
  g_instanceLock->setStaleLockTime(0);
  if (g_instanceLock->tryLock(0)) return false;
  g_instanceLock.reset();
  return true;
}

void readSettings(const QSqlRecord& settings) {
  ReportFormat = DbField(settings, QStringLiteral("ReportFormat")).toBool();
  ExpressWritesOption = DbField(settings, QStringLiteral("ExpressWrites")).toBool();
  ConfirmExpress = DbField(settings, QStringLiteral("ConfirmExpress")).toBool();
  ConfirmTuning = DbField(settings, QStringLiteral("ConfirmTuning")).toBool();
  MaxRecentFiles =
      static_cast<float>(DbField(settings, QStringLiteral("PreviousFiles")).toInt() + 1);
}

}  // namespace

bool Main() {
  if (anotherInstanceRuns()) {
    prompt::MsgBox(QString(kProductName) + " is already running." + "\r" +
                   "You may only have one instance of " + kProductName + " running at a time.");
    return false;
  }
  frmMain* main = nullptr;
  basFunctions::guarded("basMain, Main()", [&] {
    HelpFile = host::ProgramFolder() + QStringLiteral("/Velumo_Help.chm");
    CurrentConfigTitle = QStringLiteral(" ");
    QSqlRecord settings;
    {
      const DbConnection db = ConnectDB();
      if (db) settings = Custinfo(db);
    }
    // Loading the main window runs its load handler (the editor joins here as a hidden child).
    main = new frmMain;
    main->setAttribute(Qt::WA_DeleteOnClose);
    EditorTag = QStringLiteral("0");
    main->show();
    const bool quickScreen = DbField(settings, QStringLiteral("QuickScreen")).toBool();
    main->action(QStringLiteral("mnuStartMenu"))->setChecked(quickScreen);
    if (quickScreen) host::ShowChild(new frmStartup);
    readSettings(settings);
    (new frmSplash)->show();
    ConfigDirty = false;
    basComm::DriveConnected = 0;
    basFunctions::PollGroup = 0;
  });
  return true;
}

void EndMain() {
  delete frmSplash::instance();
  delete frmMain::instance();
  g_instanceLock.reset();
}

}  // namespace basMain
