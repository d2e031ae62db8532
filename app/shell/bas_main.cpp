#include "shell/bas_main.h"

#include <QAction>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/program_folders.h"
#include "core/prompt.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "maint/frm_maintenance.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/frm_startup.h"

#ifndef VELUMO_VERSION
#error "VELUMO_VERSION must give the program's major.minor.revision"
#endif

namespace basMain {
namespace {

std::unique_ptr<QLockFile> g_instanceLock;

const QString kLockName = QStringLiteral("VelumoPRO.lock");

QString lockProblem(QLockFile::LockError error, const QString& folder, const QString& path) {
  if (error == QLockFile::PermissionError)
    return "No permission to create the lock file " + path + ".";
  if (!QFileInfo(folder).isDir()) return "The runtime folder " + folder + " does not exist.";
  return "The lock file " + path + " cannot be created.";
}

// Another copy runs: the classic refusal. The lock could not be had at all: say why and run
// anyway, since a technician in the field must not be locked out by a runtime-folder problem
// (a second copy would still find the serial port taken).
bool mayRun(const InstanceLock& lock) {
  const QString product = QString::fromLatin1(kProductName);
  if (lock.outcome == InstanceLock::HeldByAnother) {
    prompt::MsgBox(product + " is already running." + "\r" + "You may only have one instance of " +
                   product + " running at a time.");
    return false;
  }
  if (lock.outcome == InstanceLock::Unavailable) {
    prompt::MsgBox(product + " cannot tell whether another copy of it is running." + "\r" +
                       lock.reason + "\r" + product +
                       " starts anyway: please make sure that only one copy runs at a time.",
                   prompt::Buttons::OK, prompt::Icon::Exclamation);
    basFunctions::ErrorLog(QStringLiteral("basMain, Main()"), QStringLiteral("Program"), 75,
                           lock.reason);
  }
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

// An installed program writes into the user's data folder: make it and bring its copy of the
// database up to date with the shipped one before anything reads the settings.
void prepareUserDataFolder() {
  if (!host::IsInstalled()) return;
  QString problem;
  if (programFolders::PrepareDataFolder(host::ExecutableFolder() + QStringLiteral("/Data/VM.vmd"),
                                        host::ProgramFolder(), &problem))
    return;
  prompt::MsgBox(QString::fromLatin1(kProductName) + " cannot prepare its data folder " +
                     host::ProgramFolder() + "." + "\r" + problem,
                 prompt::Buttons::OK, prompt::Icon::Exclamation);
}

}  // namespace

QString UsageText() {
  return QStringLiteral(
      "Usage: VelumoPRO [--help | --version] [Qt options such as -platform xcb]\n"
      "Velumo PRO configures and commissions AC servo drives over a serial line: connect to a\n"
      "drive, read, edit, save and download its parameters, watch its status and faults,\n"
      "record signals with the scope, tune the gains and test the inputs and outputs.\n"
      "\n"
      "  --help      show this text and end\n"
      "  --version   show the program's version and end\n"
      "\n"
      "The program opens its window on the desktop; Help > Contents explains every window.\n"
      "Installed, it keeps its logs, configurations, backups and scope logs in the data\n"
      "folder ~/.local/share/VelumoPRO ($XDG_DATA_HOME/VelumoPRO); run from its build folder,\n"
      "beside itself. Serial ports are COM1, COM2, ... as assigned in the connect dialog;\n"
      "the user must be allowed to open them (usually: sudo usermod -aG dialout $USER).\n"
      "See also: velumo-config(1), velumo-vdrive(1), portwright-cli(1).\n");
}

int AnswerOnTerminal(const QStringList& args) {
  for (const QString& arg : args) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      std::fputs(UsageText().toLocal8Bit().constData(), stdout);
      return 0;
    }
    if (arg == QLatin1String("--version")) {
      std::printf("VelumoPRO %s\n", VELUMO_VERSION);
      return 0;
    }
  }
  return -1;
}

InstanceLock TakeInstanceLock(const QString& folder) {
  g_instanceLock.reset();
  if (folder.isEmpty()) return {InstanceLock::Unavailable, "No runtime folder is available."};
  const QString path = folder + "/" + kLockName;
  auto lock = std::make_unique<QLockFile>(path);
  // A lock left by a copy that died is taken over: QLockFile checks whether its process runs.
  lock->setStaleLockTime(0);
  if (lock->tryLock(0)) {
    g_instanceLock = std::move(lock);
    return {InstanceLock::Taken, QString()};
  }
  if (lock->error() == QLockFile::LockFailedError) return {InstanceLock::HeldByAnother, QString()};
  return {InstanceLock::Unavailable, lockProblem(lock->error(), folder, path)};
}

bool Main() {
  if (!mayRun(TakeInstanceLock(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))))
    return false;
  frmMain* main = nullptr;
  basFunctions::guarded("basMain, Main()", [&] {
    HelpFile = host::ExecutableFolder() + QStringLiteral("/Velumo_Help.qhc");
    prepareUserDataFolder();
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
  // However the program ends: the maintenance screen's closing restores the drive, and the
  // connection closes, while the control is still there.
  frmMaintenance::UnloadAll();
  if (basComm::DriveConnected == 1) basComm::CloseConnection();
  delete frmSplash::instance();
  delete frmMain::instance();
  g_instanceLock.reset();
}

}  // namespace basMain
