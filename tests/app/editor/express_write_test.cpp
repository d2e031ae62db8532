// Express writes from the editor to the virtual drive: Ctrl-Enter with the confirmation, and
// a write the drive refuses.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "editor/frm_param_wiz.h"
#include "editor_fixture.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"

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

TEST_F(ExpressWriteTest, P136ChangedByTheControlModeRuleGoesToTheDriveWithP101) {
  basMain::ConfirmExpress = true;
  // The control mode set through the wizard: the rule brings P1.36 in line in the editor.
  editor->cmdParamWiz(101)->click();
  frmParamWiz* wizard = frmParamWiz::instance();
  ASSERT_NE(wizard, nullptr);
  wizard->cmbPart(3)->setCurrentIndex(1);  // Position Register mode
  prompt::ScriptReplies({Answer(prompt::Ok), Answer(prompt::Ok), Answer(prompt::Yes)});
  wizard->cmdUpdate_Click();
  EXPECT_EQ(field(136)->text(), "20");
  EXPECT_TRUE(
      statusLine().endsWith(" - P1.36 has not been written to the Servo yet: it is written "
                            "with P1.01 (Ctrl-Enter in P1.01)."));
  EXPECT_EQ(drive.command("get P1.36"), "OK 0");
  // One confirmation, two writes.
  ctrlEnter(101);
  EXPECT_TRUE(apptest::WaitFor([&] {
    return drive.command("get P1.01") == "OK 1" && drive.command("get P1.36") == "OK 20";
  })) << drive.command("get P1.36").toStdString();
  EXPECT_EQ(prompt::ShownPrompts().size(), 3) << prompts().join("\n").toStdString();
  EXPECT_TRUE(
      statusLine().endsWith(" - P1.36 has been written to using Express Writes. Value = 20"));

  // Declined: both rows get back what the drive holds.
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Ok), Answer(prompt::No)});
  type(101, "2");
  ctrlEnter(101);
  EXPECT_EQ(prompt::ShownPrompts().size(), 2) << prompts().join("\n").toStdString();
  EXPECT_EQ(field(101)->text(), "1");
  EXPECT_EQ(field(136)->text(), "20");
  EXPECT_EQ(drive.command("get P1.36"), "OK 20");
}

}  // namespace
}  // namespace editortest
