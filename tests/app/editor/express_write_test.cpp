// Express writes from the editor to the virtual drive: Ctrl-Enter with the confirmation, and
// a write the drive refuses.
#include <QListWidget>

#include "editor_fixture.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "shell/poll_groups.h"

using apptest::Answer;

namespace editortest {
namespace {

class ExpressWriteTest : public EditorTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2", "--node", "1"}))
        << drive.error().toStdString();
    EditorTest::SetUp();
    basFunctions::PauseScale = 0;  // the connect sequence waits for each reply itself
    commSettings::Selection selection;
    selection.portIndex = 0;
    selection.speedIndex = 0;
    selection.protocolIndex = 6;  // RTU 19200,N,8,2
    selection.speedText = "19200";
    selection.addressText = "1";
    commSettings::Connect(selection);
    ASSERT_EQ(basComm::DriveConnected, 1) << prompts().join("\n").toStdString();
    ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
    basFunctions::PauseScale = 0;
    load(21, 200, 21);
    basMain::ExpressActive = true;
    prompt::ClearShownPrompts();
  }
  void TearDown() override {
    basComm::CloseConnection();
    EditorTest::TearDown();
  }
  QString statusLine() const { return main->findChild<QListWidget*>("lstMain")->item(0)->text(); }
  apptest::VirtualDrive drive;
};

TEST_F(ExpressWriteTest, CtrlEnterWritesTheValueOnceTheUserConfirms) {
  basMain::ConfirmExpress = true;
  prompt::ScriptReplies({Answer(prompt::No), Answer(prompt::Yes)});
  type(137, "15.5");
  ctrlEnter(137);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().title, "Confirmation Needed");
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "Are you sure you want to write the new value to the Servo?");
  EXPECT_EQ(field(137)->text(), "10");  // declined: the previous value is back
  EXPECT_EQ(drive.command("get P1.37"), "OK 100");

  type(137, "15.5");
  ctrlEnter(137);
  EXPECT_TRUE(apptest::WaitFor([&] { return drive.command("get P1.37") == "OK 155"; }))
      << drive.command("get P1.37").toStdString();
  EXPECT_TRUE(
      statusLine().endsWith(" - P1.37 has been written to using Express Writes. Value = 15.5"));
  EXPECT_TRUE(folder.logLines("Event.Log").join("\n").contains("XPress writing 155 to P1.37"));
}

TEST_F(ExpressWriteTest, AWriteTheDriveRefusesIsReported) {
  ASSERT_TRUE(drive.command("exception 4 always").startsWith("OK"));
  type(138, "25");
  ctrlEnter(138);
  drive.command("clear");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1) << prompts().join("\n").toStdString();
  EXPECT_EQ(prompt::ShownPrompts().first().title, "Express Write Failed");
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "The drive did not take the new value of P1.38.\rThe Servo may still hold its "
            "previous value.");
  EXPECT_TRUE(statusLine().endsWith(
      " - P1.38 was not written to the Servo using Express Writes (result 4)."));
  EXPECT_EQ(drive.command("get P1.38"), "OK 10");
}

}  // namespace
}  // namespace editortest
