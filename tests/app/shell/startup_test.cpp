// Start-up: single instance, settings, main window, navigator and splash.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app_harness.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "shell/bas_main.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/frm_startup.h"

using basFunctions::FormIsOpen;

namespace {

QString panel(frmMain* main, int number) {
  return main->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(number))->text();
}

class StartupTest : public ::testing::Test {
 protected:
  apptest::ProgramFolder folder;
  apptest::Program program;
};

TEST_F(StartupTest, StartShowsMainWindowThenNavigatorThenSplashWithSettingsRead) {
  folder.setSetting("QuickScreen", -1);
  folder.setSetting("PreviousFiles", 4);
  folder.setSetting("ConfirmTuning", -1);
  folder.setSetting("ReportFormat", 0);
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(apptest::ShownSummary().isEmpty())
      << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_EQ(main->windowTitle(), " Velumo PRO - Current Config File:  ");
  EXPECT_EQ(panel(main, 4), "Off-Line ");
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(FormIsOpen("frmStartup"));
  EXPECT_TRUE(FormIsOpen("frmSplash"));
  EXPECT_TRUE(main->action("mnuStartMenu")->isChecked());
  EXPECT_EQ(basMain::MaxRecentFiles, 5.0f);
  EXPECT_TRUE(basMain::ConfirmTuning);
  EXPECT_FALSE(basMain::ReportFormat);
  EXPECT_FALSE(basMain::TextTip);
  EXPECT_TRUE(basMain::DatabaseOpen);
  EXPECT_EQ(basMain::HelpFile, folder.path() + "/Velumo_Help.qhc");
  ASSERT_TRUE(host::HasMod1()) << "the control was not created from its class identity";
  EXPECT_EQ(host::Mod1().get_MsgTimeOut(), 1000);
  EXPECT_FALSE(QFile::exists(folder.dataFile("Error.Log")))
      << folder.logLines("Error.Log").join("\n").toStdString();

  // The timers take over the status bar.
  ASSERT_TRUE(apptest::WaitFor([&] { return panel(main, 4) == "Off-Line"; }));
  EXPECT_EQ(panel(main, 1), "Not connected ");
  ASSERT_TRUE(apptest::WaitFor([&] { return panel(main, 2) == "Drive Status - Offline"; }));
  EXPECT_FALSE(main->action("mnuDisconnect")->isEnabled());
  EXPECT_FALSE(main->action("mnuScope")->isEnabled());
}

TEST_F(StartupTest, WithoutQuickScreenNoNavigatorIsShown) {
  folder.setSetting("QuickScreen", 0);
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(FormIsOpen("frmStartup"));
  EXPECT_FALSE(main->action("mnuStartMenu")->isChecked());
  EXPECT_TRUE(FormIsOpen("frmSplash"));
}

TEST_F(StartupTest, AMissingDatabaseLeavesTheMainWindowOpenAndIsLogged) {
  QFile::remove(folder.dataFile("VM.vmd"));
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(FormIsOpen("frmStartup"));
  EXPECT_FALSE(FormIsOpen("frmSplash"));
  EXPECT_FALSE(QFile::exists(folder.dataFile("VM.vmd")));  // never created empty
  const QString errors = folder.logLines("Error.Log").join("\n");
  EXPECT_TRUE(errors.contains(" - basMain, ConnectDB(), Program, ")) << errors.toStdString();
  EXPECT_TRUE(errors.contains(" - basMain, Main(), Program, ")) << errors.toStdString();
}

// A database use nested inside another's record loop (as WaitaWhile lets a poll handler or the
// connect dialog run there) has its own connection and leaves the outer query reading on.
TEST(Database, ANestedUseLeavesTheOuterQueryIntact) {
  apptest::ProgramFolder folder;
  const basMain::DbConnection outer = basMain::ConnectDB();
  ASSERT_TRUE(outer);
  QSqlQuery rows = outer.query();
  ASSERT_TRUE(rows.exec("select Parameter from tblDriveParameters where AmpCode = 20 and Rev = 200"));
  int count = 0;
  while (rows.next()) {
    if (count++ == 3) {
      EXPECT_EQ(basComm::GetAddress("101"), 258);  // a nested use, closed again
      const basMain::DbConnection inner = basMain::ConnectDB();
      EXPECT_TRUE(inner.isOpen());
    }
  }
  EXPECT_GT(count, 150);
  EXPECT_FALSE(QFile::exists(folder.dataFile("Error.Log")))
      << folder.logLines("Error.Log").join("\n").toStdString();
}

TEST_F(StartupTest, SplashClosesOnAKeyWithoutMaximisingAndOnAClickMaximising) {
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  frmSplash* splash = frmSplash::instance();
  ASSERT_NE(splash, nullptr);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(splash, &key);
  ASSERT_TRUE(apptest::WaitFor([] { return frmSplash::instance() == nullptr; }));
  EXPECT_FALSE(main->isMaximized());

  auto* again = new frmSplash;
  again->show();
  QTest::mouseClick(again->findChild<QWidget*>("imgSplash"), Qt::LeftButton);
  ASSERT_TRUE(apptest::WaitFor([] { return frmSplash::instance() == nullptr; }));
  EXPECT_TRUE(main->isMaximized());
}

TEST_F(StartupTest, SplashMaximisesTheMainWindowAtItsSixthTick) {
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  frmSplash* splash = frmSplash::instance();
  ASSERT_NE(splash, nullptr);
  for (int tick = 1; tick <= 5; ++tick) splash->tmrSplash_Timer();
  EXPECT_FALSE(main->isMaximized());
  splash->tmrSplash_Timer();
  EXPECT_TRUE(main->isMaximized());
  ASSERT_TRUE(apptest::WaitFor([] { return frmSplash::instance() == nullptr; }));
}

TEST_F(StartupTest, NavigatorActsOnTheSelectedOption) {
  folder.setSetting("QuickScreen", -1);
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  frmStartup* navigator = frmStartup::instance();
  ASSERT_NE(navigator, nullptr);
  EXPECT_EQ(navigator->windowTitle(), "  Project Navigator");
  auto option = [&](int i) {
    return navigator->findChild<QRadioButton*>(QStringLiteral("optConfig_%1").arg(i));
  };
  EXPECT_TRUE(option(4)->isChecked());
  EXPECT_EQ(option(2)->text(), "Quick Start Configuration");
  EXPECT_TRUE(option(0)->isEnabled());  // new configuration
  option(2)->setChecked(true);
  navigator->cmdClose_Click();
  EXPECT_TRUE(FormIsOpen("frmStartup"));
  EXPECT_TRUE(apptest::ShownSummary().isEmpty());
  option(4)->setChecked(true);
  navigator->findChild<QPushButton*>("cmdClose")->click();
  ASSERT_TRUE(apptest::WaitFor([] { return !FormIsOpen("frmStartup"); }));
}

TEST_F(StartupTest, ASecondInstanceIsRefusedAndTouchesNothing) {
  // The first copy runs from its own program folder as a separate process.
  apptest::ProgramFolder firstFolder;
  QProcess first;
  first.start(firstFolder.copyExecutable(), {});
  ASSERT_TRUE(first.waitForStarted(10000));
  const QString lock =
      QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/VelumoPRO.lock";
  ASSERT_TRUE(apptest::WaitFor([&] { return QFile::exists(lock); }, 20000));

  host::SetProgramFolderForTests(folder.path());
  frmMain* main = program.start();
  EXPECT_EQ(main, nullptr);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  const prompt::Shown& box = prompt::ShownPrompts().front();
  EXPECT_EQ(box.title, "VelumoPRO");
  EXPECT_EQ(box.buttons, prompt::Buttons::OK);
  EXPECT_EQ(box.text,
            "Velumo PRO is already running.\rYou may only have one instance of Velumo PRO "
            "running at a time.");
  EXPECT_FALSE(basMain::DatabaseOpen);
  EXPECT_FALSE(QFile::exists(folder.dataFile("Event.Log")));
  EXPECT_FALSE(QFile::exists(folder.dataFile("Error.Log")));

  first.terminate();
  first.waitForFinished(10000);
}

// Only a lock that another running copy holds means "already running"; a lock that cannot be
// had at all is told as what it is, and the program runs.
TEST(SingleInstance, OnlyALockHeldByAnotherCopyMeansAlreadyRunning) {
  QTemporaryDir runtime;
  QLockFile other(runtime.path() + "/VelumoPRO.lock");
  ASSERT_TRUE(other.tryLock(0));
  EXPECT_EQ(basMain::TakeInstanceLock(runtime.path()).outcome,
            basMain::InstanceLock::HeldByAnother);
  other.unlock();
  EXPECT_EQ(basMain::TakeInstanceLock(runtime.path()).outcome, basMain::InstanceLock::Taken);

  const QString missing = runtime.path() + "/gone";
  const basMain::InstanceLock noFolder = basMain::TakeInstanceLock(missing);
  EXPECT_EQ(noFolder.outcome, basMain::InstanceLock::Unavailable);
  EXPECT_EQ(noFolder.reason, "The runtime folder " + missing + " does not exist.");
  EXPECT_EQ(basMain::TakeInstanceLock(QString()).reason, "No runtime folder is available.");
  basMain::EndMain();
}

TEST_F(StartupTest, WithoutARuntimeFolderTheProgramSaysSoAndRuns) {
  // Neither XDG_RUNTIME_DIR nor the fallback in the temporary folder can be made: both lie
  // below a plain file.
  QTemporaryDir scratch;
  const QString file = scratch.path() + "/file";
  QFile(file).open(QIODevice::WriteOnly);
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR");
  qputenv("XDG_RUNTIME_DIR", (file + "/runtime").toUtf8());
  qputenv("TMPDIR", file.toUtf8());
  frmMain* main = program.start();
  qputenv("XDG_RUNTIME_DIR", runtime);
  temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
  ASSERT_NE(main, nullptr);
  ASSERT_FALSE(prompt::ShownPrompts().isEmpty());
  const prompt::Shown& box = prompt::ShownPrompts().front();
  EXPECT_EQ(box.icon, prompt::Icon::Exclamation);
  EXPECT_EQ(box.text,
            "Velumo PRO cannot tell whether another copy of it is running.\r"
            "No runtime folder is available.\r"
            "Velumo PRO starts anyway: please make sure that only one copy runs at a time.");
  EXPECT_EQ(folder.logLines("Error.Log").filter(" - basMain, Main(), Program, 75, ").size(), 1);
}

}  // namespace
