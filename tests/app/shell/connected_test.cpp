// The program against the virtual drive: live status texts and quitting while connected.
#include <gtest/gtest.h>

#include <QLabel>

#include "app_harness.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "shell/frm_main.h"

using apptest::Answer;

namespace {

class ConnectedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2", "--node", "1"}))
        << drive.error().toStdString();
    main = program.start();
    ASSERT_NE(main, nullptr);
    commSettings::Selection selection;
    selection.portIndex = 0;  // COM1
    selection.speedIndex = 0;
    selection.protocolIndex = 6;  // RTU 19200,N,8,2
    selection.speedText = "19200";
    selection.addressText = "1";
    basFunctions::PauseScale = 0;  // the sequence waits for each reply itself
    commSettings::Connect(selection);
    basFunctions::PauseScale = 1;
    ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
    ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
    prompt::ClearShownPrompts();
  }
  QString panel(int number) const {
    return main->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(number))->text();
  }
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  frmMain* main = nullptr;
};

TEST_F(ConnectedTest, FaultCodesFromTheDriveBecomeStatusTexts) {
  ASSERT_TRUE(apptest::WaitFor([&] { return panel(2) == "Drive Status - No Faults "; }));
  EXPECT_EQ(panel(4), "On-Line");
  EXPECT_EQ(drive.command("fault 7"), "OK");
  EXPECT_TRUE(apptest::WaitFor([&] { return panel(2) == "Drive Status - Overspeed "; }, 15000))
      << panel(2).toStdString();
  EXPECT_EQ(drive.command("fault 23"), "OK");  // no text for 23: the previous one stays
  basFunctions::WaitaWhile(2.5);
  EXPECT_EQ(panel(2), "Drive Status - Overspeed ");
}

TEST_F(ConnectedTest, ClosingTheWindowLogsOffClosesTheConnectionAndTrimsTheLogs) {
  EXPECT_TRUE(drive.command("status").contains("logon=1")) << drive.command("status").toStdString();
  QStringList lines;
  for (int i = 1; i <= 1600; ++i) lines << QStringLiteral("line %1").arg(i);
  folder.writeLog("Event.Log", lines);
  folder.writeLog("Error.Log", lines);
  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->close();
  EXPECT_TRUE(main->endRequested());
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  const QString status = drive.command("status");
  EXPECT_TRUE(status.contains("logon=0")) << status.toStdString();
  const QString events = folder.logLines("Event.Log").join("\n");
  EXPECT_TRUE(events.contains(" - Sent Logon/Logoff Command for Internal Parameters. LogMode = 0"))
      << events.toStdString();
  EXPECT_TRUE(events.contains(" - Connection to drive closed"));
  // Both logs keep their newest 999 lines, the lines of the close among them.
  EXPECT_EQ(folder.logLines("Event.Log").size(), 999);
  EXPECT_TRUE(folder.logLines("Event.Log").last().endsWith(" - Connection to drive closed"));
  EXPECT_EQ(folder.logLines("Error.Log").size(), 999);
  EXPECT_TRUE(folder.logLines("Error.Log").contains("line 1600"));
}

}  // namespace
