// The main window: status texts, caption marker, status-bar questions and the quit flows.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include "app_harness.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

using apptest::Answer;
using basFunctions::DriveImage;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main = program.start();
    ASSERT_NE(main, nullptr);
    prompt::ClearShownPrompts();
  }
  void TearDown() override {
    basComm::DriveConnected = 0;
    basFunctions::InitComplete = false;
    DriveImage.clear();
    program.stop();
  }
  QString panel(int number) const {
    return main->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(number))->text();
  }
  // What the poll handler leaves once a drive has answered: identity and a fault code.
  void pretendOnLine(int faultCode) {
    basComm::DriveConnected = 1;
    basFunctions::InitComplete = true;
    DriveImage.P(0, 0) = 2001;
    DriveImage.P(1, 31) = 21;
    DriveImage.P(0, 1) = faultCode;
  }
  apptest::ProgramFolder folder;
  apptest::Program program;
  frmMain* main = nullptr;
};

TEST_F(MainWindowTest, DriveStatusTextFollowsTheLiveFaultCode) {
  const struct {
    int code;
    const char* text;
  } rows[] = {
      {0, "Drive Status - No Faults "},
      {1, "Drive Status - Overcurrent "},
      {8, "Drive Status - Abnormal Pulse Ctrl Cmd "},
      {13, "Drive Status - Fault Stop "},
      {16, "Drive Status - IGBT Temperature Error "},
      {22, "Drive Status - Input Power Phase Loss "},
  };
  for (const auto& row : rows) {
    pretendOnLine(row.code);
    main->tmrMain_Timer();
    EXPECT_EQ(panel(2), row.text) << "code " << row.code;
  }
  // An unknown code is named by its number, never left showing the last known fault.
  for (auto [unknown, text] : {std::pair{23, "Drive Status - Unknown Fault Code 23 "},
                               {-1, "Drive Status - Unknown Fault Code 65535 "},
                               {255, "Drive Status - Unknown Fault Code 255 "}}) {
    pretendOnLine(unknown);
    main->tmrMain_Timer();
    EXPECT_EQ(panel(2), text) << "code " << unknown;
  }
  EXPECT_TRUE(main->action("mnuDisconnect")->isEnabled());
  EXPECT_FALSE(main->action("mnuConnect")->isEnabled());

  basComm::DriveConnected = 0;
  main->tmrMain_Timer();
  EXPECT_EQ(panel(2), "Drive Status - Offline");
  EXPECT_FALSE(main->action("mnuDisconnect")->isEnabled());
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsAndCommandsOfLaterWindowsStayDisabled) {
  const struct {
    const char* name;
    const char* caption;
    bool available;  // its window or flow exists in this version
  } entries[] = {
      {"mnuNewDetailed", "New Configuration", true},
      {"mnuOpenDetailed", "Open Configuration", true},
      {"mnuSave", "Save", true},
      {"mnuSaveAs", "Save As", true},
      {"mnuClose", "Close Configuration", true},
      {"mnuExit", "E&xit", true},
      {"mnuAutoDetect", "Auto Detect", true},
      {"mnuConnect", "Connect", true},
      {"mnuDisconnect", "Disconnect", true},
      {"mnuUpload", "Upload", true},
      {"mnuDownload", "Download", true},
      {"mnuDetail", "Detailed", true},
      {"mnuStatusWindow", "Status Window", true},
      {"mnuScope", "Scope", true},
      {"mnuScopeViewer", "Scope Viewer", true},
      {"mnuTuning", "Tuning Screen", true},
      {"mnuMaint", "Maintenance Screen", true},
      {"mnuStats", "Display Config Information", true},
      {"mnuCompare", "Compare Current Config -> Defaults", true},
      {"mnuPrintConfig", "Print Current Config", true},
      {"mnuFaults", "Display Drive Faults", true},
      {"mnuStatusList", "Show Status List Viewer", true},
      {"mnuQuickInfo", "Open Project Navigator", true},
      {"mnuStartMenu", "Show Project Navigator At Program Start", true},
      {"mnuOptions", "Program Options", true},
      {"mnuCascade", "Cascade", true},
      {"mnuContents", "Contents", true},
      {"mnuIndex", "Index", true},
      {"mnuSearch", "Search", true},
      {"mnuAbout", "About", true},
  };
  // On line with a configuration and a path: everything a drive enables is asked for.
  pretendOnLine(0);
  basFunctions::WorkingConfig.P(0, 0) = 2001;
  basMain::CurrentConfigPath = "/tmp/Press12.vmc";
  main->tmrMain_Timer();
  for (const auto& entry : entries) {
    QAction* action = main->action(entry.name);
    ASSERT_NE(action, nullptr) << entry.name;
    EXPECT_EQ(action->objectName(), entry.name);
    EXPECT_EQ(action->text(), entry.caption) << entry.name;
    // On line, Connect and Auto Detect are off; every other command that acts is offered.
    const bool offOnLine =
        QByteArray(entry.name) == "mnuConnect" || QByteArray(entry.name) == "mnuAutoDetect";
    EXPECT_EQ(action->isEnabled(), entry.available && !offOnLine) << entry.name;
  }

  // Toolbar on line: Auto Detect and Connect are off, the files, screens, Disconnect, upload
  // and help contents work.
  auto button = [&](int index) {
    return main->findChild<QAction*>(QStringLiteral("tbrMain_%1").arg(index));
  };
  for (int index : {11, 12}) {
    ASSERT_NE(button(index), nullptr) << index;
    EXPECT_FALSE(button(index)->isEnabled()) << index;
  }
  for (int index : {1, 2, 3, 5, 7, 8, 9, 13, 15, 18}) {
    ASSERT_NE(button(index), nullptr) << index;
    EXPECT_TRUE(button(index)->isEnabled()) << index;
  }
  for (int separator : {4, 6, 10, 14, 17}) EXPECT_EQ(button(separator), nullptr);
  EXPECT_EQ(panel(3), QString(30, ' '));
  basFunctions::WorkingConfig.P(4, 6) = 3;
  main->tmrMain_Timer();
  EXPECT_EQ(panel(3), " Digital Output Forces Exist  ");

  basMain::CurrentConfigPath.clear();
  basFunctions::WorkingConfig.clear();
  basComm::DriveConnected = 0;
  main->tmrMain_Timer();
  EXPECT_TRUE(main->action("mnuConnect")->isEnabled());
  EXPECT_TRUE(main->action("mnuAutoDetect")->isEnabled());
  for (const char* name : {"mnuTuning", "mnuMaint", "mnuFaults", "mnuUpload"})
    EXPECT_FALSE(main->action(name)->isEnabled()) << name;
  for (int index : {11, 12}) EXPECT_TRUE(button(index)->isEnabled()) << index;
  for (int index : {8, 9, 13}) EXPECT_FALSE(button(index)->isEnabled()) << index;
}

TEST_F(MainWindowTest, ConnectionPanelsAndStatusBits) {
  pretendOnLine(0);
  DriveImage.P(1, 31) = 0;
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(panel(4), "On-Line");
  EXPECT_EQ(panel(1), "Retrieving Drive Information");
  DriveImage.P(1, 31) = 21;
  DriveImage.P(6, 37) = 0b110;
  main->tmrMain2Sec_Timer();
  EXPECT_TRUE(panel(1).startsWith("Connected to: ")) << panel(1).toStdString();
  EXPECT_TRUE(panel(1).endsWith(" motor."));
  EXPECT_EQ(basMain::StatusBits, "00000110");
  EXPECT_EQ(basMain::StatusBit2, 1);
  EXPECT_EQ(basMain::SoftwareOutputControl, 1);
  EXPECT_EQ(basMain::StatusBit0, 0);
}

TEST_F(MainWindowTest, ModelMisMatchAndUnknownMotorCodes) {
  pretendOnLine(0);  // KDA-1K with a 1KW motor, firmware 2.00
  basFunctions::WorkingConfig.P(1, 31) = 22;
  basMain::EditorTag = "1";
  basMain::EditorFirmwareText = "2.00";
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(panel(1), "Connected to: KDA-1K (1KW) amp, rev 2.001 with 1KW, Low Inertia motor.");
  const QString misMatch = "Drive Model Mis-Match Between Config and Connected Drive";
  basMain::EditorFirmwareText = "2.10";
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(panel(1), misMatch);
  basMain::EditorFirmwareText = "2.00";
  basFunctions::WorkingConfig.P(1, 31) = 10;  // a KDA-400 configuration
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(panel(1), misMatch);

  // An unknown motor code stands for no amplifier: neither the codes nor the texts of the drive
  // or configuration before are kept, and such a drive matches no configuration.
  basFunctions::WorkingConfig.P(1, 31) = 21;
  main->tmrMain_Timer();
  EXPECT_EQ(basFunctions::ConnectedAmpCode, 21);
  EXPECT_EQ(basFunctions::ConfigAmpCode, 21);
  DriveImage.P(1, 31) = 13;
  basFunctions::WorkingConfig.P(1, 31) = 99;
  main->tmrMain_Timer();
  EXPECT_EQ(basFunctions::ConnectedAmpCode, 0);
  EXPECT_EQ(basFunctions::ConfigAmpCode, 0);
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(panel(1), misMatch);
  basMain::EditorTag = "0";
  basFunctions::WorkingConfig.clear();
}

TEST_F(MainWindowTest, CloseConfigurationAsksAboutUnsavedChangesAndForgetsTheFile) {
  basMain::ConfigDirty = true;
  basMain::EditorTag = "1";
  basMain::CurrentConfigPath = "/tmp/Press12.vmc";
  basMain::CurrentConfigTitle = "Press12.vmc";
  basFunctions::ConfigIdentity.motorCode = "21";
  basFunctions::ConfigIdentity.revision = "200";
  prompt::ScriptReplies({Answer(prompt::No)});
  main->RunCommand("mnuClose");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Unsaved Drive Config Data Exists");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "Unsaved drive configuration data exists. Would you like to save your changes?");
  EXPECT_EQ(main->windowTitle(), " Velumo PRO - Current Config File: ");
  EXPECT_EQ(basMain::EditorTag, "0");
  EXPECT_EQ(basFunctions::ConfigIdentity.motorCode, " ");
  EXPECT_EQ(basFunctions::ConfigIdentity.revision, " ");
  EXPECT_TRUE(basMain::CurrentConfigPath.isEmpty());
  EXPECT_EQ(basMain::CurrentConfigTitle, " ");
  EXPECT_FALSE(basMain::ConfigDirty);
  // Nothing left to save: quitting afterwards does not ask about it.
  prompt::ClearShownPrompts();
  main->RunCommand("mnuClose");
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
}

TEST_F(MainWindowTest, NavigatorAtStartToggleIsStoredAtOnce) {
  auto stored = [&] {
    const basMain::DbConnection db = basMain::ConnectDB();
    return basMain::DbField(basMain::Custinfo(db), "QuickScreen").toBool();
  };
  const bool before = stored();
  EXPECT_EQ(main->action("mnuStartMenu")->isChecked(), before);
  main->action("mnuStartMenu")->trigger();
  EXPECT_EQ(stored(), !before);
  EXPECT_EQ(main->action("mnuStartMenu")->isChecked(), !before);
  main->action("mnuStartMenu")->trigger();
  EXPECT_EQ(stored(), before);
  EXPECT_EQ(main->action("mnuStartMenu")->isChecked(), before);
}

TEST_F(MainWindowTest, UnsavedMarkerIsAddedOnceAndRemovedAfterSaving) {
  basMain::CurrentConfigTitle = "Press12.vmc";
  main->tmrMain2Sec_Timer();
  basMain::ConfigDirty = true;
  main->tmrMain2Sec_Timer();
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(main->windowTitle(), " Velumo PRO - Current Config File: Press12.vmc *");
  basMain::ConfigDirty = false;
  main->tmrMain2Sec_Timer();
  EXPECT_EQ(main->windowTitle(), " Velumo PRO - Current Config File: Press12.vmc");

  basMain::ExpressActive = true;
  main->tmrMain_Timer();
  EXPECT_EQ(main->findChild<QLabel*>("lblAlerts")->text(),
            "Express Writes Functionality is Enabled, Ctrl-Enter to Write to Servo");
  basMain::ExpressActive = false;
  main->tmrMain_Timer();
  EXPECT_EQ(main->findChild<QLabel*>("lblAlerts")->text(), "  ");
}

TEST_F(MainWindowTest, StatusBarDoubleClicksAskBeforeDisconnecting) {
  pretendOnLine(0);
  main->tmrMain2Sec_Timer();
  prompt::ScriptReplies({Answer(prompt::No)});
  main->stbMain_PanelDblClick(4);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Confirmation Needed");
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "Are you sure you want to disconnect from the drive?");
  EXPECT_EQ(basComm::DriveConnected, 1);

  // The drive-status panel opens the faults, which need a connection.
  basComm::DriveConnected = 0;
  main->tmrMain_Timer();
  prompt::ClearShownPrompts();
  main->stbMain_PanelDblClick(2);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Not Connected");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "You must be connected to the drive\rprior to displaying drive faults.");

  // The right button on the status bar pops up the Drive menu; the left one does nothing.
  auto* driveMenu = main->findChild<QMenu*>("mnuComm");
  QTest::mouseClick(main->findChild<QLabel*>("stbMain_1"), Qt::LeftButton);
  EXPECT_FALSE(driveMenu->isVisible());
  QTest::mouseClick(main->findChild<QLabel*>("stbMain_1"), Qt::RightButton);
  EXPECT_TRUE(driveMenu->isVisible());
  driveMenu->hide();
}

TEST_F(MainWindowTest, ClearingTheStatusListAsksFirst) {
  auto* list = main->findChild<QListWidget*>("lstMain");
  main->cmdClear_Click();
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());  // nothing to clear, nothing asked
  basFunctions::Status(0, 0, "one");
  prompt::ScriptReplies({Answer(prompt::No), Answer(prompt::Yes)});
  main->cmdClear_Click();
  EXPECT_EQ(list->count(), 1);
  main->cmdClear_Click();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "Are you sure you want to clear the list?");
}

TEST_F(MainWindowTest, ClosingTheWindowAsksAndIsRefusedWhileMaintenanceIsOpen) {
  prompt::ScriptReplies({Answer(prompt::No)});
  main->close();
  EXPECT_TRUE(main->isVisible());
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Closing Velumo PRO");
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "Are your sure you want to quit?");

  QWidget maintenance;
  maintenance.setObjectName("frmMaintenance");
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->close();
  EXPECT_TRUE(main->isVisible());
  ASSERT_EQ(prompt::ShownPrompts().size(), 2);
  EXPECT_EQ(prompt::ShownPrompts()[1].title, "Action Needed");
  EXPECT_EQ(prompt::ShownPrompts()[1].text,
            "Please close the Maintenance Form before closing Velumo Pro");
  EXPECT_FALSE(main->endRequested());
}

TEST_F(MainWindowTest, QuitFromTheMenuWithoutADriveTrimsTheLogs) {
  QStringList lines;
  for (int i = 1; i <= 1600; ++i) lines << QStringLiteral("event %1").arg(i);
  folder.writeLog("Event.Log", lines);
  prompt::ScriptReplies({Answer(prompt::No)});
  main->mnuExit_Click();
  EXPECT_FALSE(main->endRequested());
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Velumo PRO Closing");

  // An open maintenance screen refuses the quit, as closing the window does: its closing
  // restores the drive first.
  {
    QWidget maintenance;
    maintenance.setObjectName("frmMaintenance");
    prompt::ClearShownPrompts();
    prompt::ScriptReplies({Answer(prompt::Yes)});
    main->mnuExit_Click();
    EXPECT_FALSE(main->endRequested());
    EXPECT_EQ(apptest::ShownSummary(),
              QStringList({"MsgBox: Velumo PRO Closing | Are your sure you want to quit?",
                           "MsgBox: Action Needed | Please close the Maintenance Form before "
                           "closing Velumo Pro"}));
  }
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->mnuExit_Click();
  EXPECT_TRUE(main->endRequested());
  EXPECT_EQ(prompt::ShownPrompts().size(), 1) << apptest::ShownSummary().join("\n").toStdString();
  const QStringList trimmed = folder.logLines("Event.Log");
  ASSERT_EQ(trimmed.size(), 999);
  EXPECT_EQ(trimmed.last(), "event 1600");
}

}  // namespace
