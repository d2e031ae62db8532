// The drive link against the virtual drive: connecting in RTU and ASCII, start-up polling, a
// drive that goes silent, the reconnect question, the passcode and disconnecting.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app_harness.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "params/value_table.h"
#include "portwright/serial_devices.h"
#include "shell/frm_main.h"

namespace {

using apptest::Answer;
using apptest::Text;

// Positions of the shipped communication table: speeds 4800, 9600, 19200, ...
constexpr int kSpeed19200 = 2;
constexpr int kRtuN82 = 6;
constexpr int kAsciiE71 = 1;

class LinkEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override { commSettings::LastCommSelection.fill(0); }
  void TearDown() override {
    program.stop();
    basFunctions::PauseScale = 1;
  }

  void startDrive(const QStringList& arguments) {
    ASSERT_TRUE(drive.start(1, arguments)) << drive.error().toStdString();
    main = program.start();
    ASSERT_NE(main, nullptr);
    prompt::ClearShownPrompts();
  }
  // Fills the dialog as a technician would and presses Connect.
  void connectWith(int port, int protocol, const QList<prompt::Reply>& replies = {}) {
    prompt::ScriptReplies(replies);
    dialog()->findChild<QComboBox*>("cmbPort")->setCurrentIndex(port);
    dialog()->findChild<QComboBox*>("cmbSpeed")->setCurrentIndex(kSpeed19200);
    dialog()->findChild<QComboBox*>("cmbProtocol")->setCurrentIndex(protocol);
    dialog()->findChild<QLineEdit*>("txtAddress")->setText("1");
    // The sequence waits for each reply itself; one test keeps its pauses at full length.
    basFunctions::PauseScale = realPauses ? 1 : 0;
    dialog()->cmdConnect_Click();
    basFunctions::PauseScale = 1;
  }
  frmCommSettings* dialog() { return frmCommSettings::Display(); }
  // Prompts shown so far as "title | text".
  static QStringList shown() {
    QStringList lines;
    for (const prompt::Shown& prompt : prompt::ShownPrompts())
      lines << prompt.title + " | " + prompt.text;
    return lines;
  }
  QString statusTop() const {
    auto* list = main->findChild<QListWidget*>("lstMain");
    return list && list->count() ? list->item(0)->text() : QString();
  }
  bool statusListHas(const QString& text) const {
    auto* list = main->findChild<QListWidget*>("lstMain");
    for (int i = 0; list && i < list->count(); ++i)
      if (list->item(i)->text().endsWith(" - " + text)) return true;
    return false;
  }
  QString panel(int number) const {
    return main->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(number))->text();
  }
  bool failurePanelShown() {
    frmCommSettings* loaded = frmCommSettings::Instance();
    return loaded && loaded->findChild<QFrame*>("picCommFailure")->isVisible();
  }
  void connectAndInitialise() {
    connectWith(0, kRtuN82);
    ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
    ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
  }

  bool realPauses = false;
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  frmMain* main = nullptr;
};

TEST_F(LinkEndToEndTest, ConnectInRtuLogsOnAndCompletesInitialisation) {
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2", "--firmware", "210"});
  realPauses = true;
  connectAndInitialise();
  EXPECT_TRUE(statusListHas("Initialization Complete")) << statusTop().toStdString();
  EXPECT_EQ(basFunctions::DriveImage.P(0, 0), 2101);
  EXPECT_NE(basFunctions::DriveImage.P(1, 31), 0);
  EXPECT_EQ(host::Mod1().get_PollItemCount(), 8);
  EXPECT_EQ(host::Mod1().get_PollLength(2), 21);
  EXPECT_TRUE(drive.command("status").contains("logon=1")) << drive.command("status").toStdString();
  EXPECT_TRUE(folder.logLines("Event.Log")
                  .join("\n")
                  .contains(" - Connection to drive established using RTU MODE, 19200,N,8,2"));
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << apptest::ShownSummary().join("\n").toStdString();

  // Disconnect closes the port and the program goes off line.
  dialog()->cmdDisconnect_Click();
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  EXPECT_TRUE(statusListHas("Connection To Servo Closed"));
  EXPECT_TRUE(apptest::WaitFor([&] { return panel(4).startsWith("Off-Line"); }));
}

TEST_F(LinkEndToEndTest, ConnectInAscii) {
  startDrive({"--mode", "ascii", "--settings", "19200,E,7,1"});
  connectWith(0, kAsciiE71);
  ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_EQ(host::Mod1().get_PLCMode(), portwright::ASCII);
  EXPECT_EQ(host::Mod1().get_Settings(), "19200,E,7,1");
  EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
  EXPECT_EQ(basFunctions::DriveImage.P(0, 0), 2001);
}

TEST_F(LinkEndToEndTest, WrongFramingOrMissingPortFailsTheConnect) {
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2"});
  connectWith(0, 3);  // ASCII 8,N,2: the drive does not answer
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  EXPECT_EQ(shown(),
            QStringList{"Connection Failure | Unable to connect using current selections.\r"
                        "Please verify your settings and try again."});
  prompt::ClearShownPrompts();
  portwright::AssignComDevice(8, "/dev/pw-no-such-device");
  connectWith(7, kRtuN82);  // COM8: no such device here
  portwright::AssignComDevice(8, "");
  EXPECT_EQ(shown(),
            QStringList{"Com Error | Selected Com port does not exist or is in use by another "
                        "application.\r\rDevice: COM8 = /dev/pw-no-such-device\r"
                        "Reason: the device does not exist on this computer.\r"
                        "Fix: Assign a serial device of this computer to this COM port."});
}

// COM1 names the drive's gateway (Modbus TCP): the connect and its initialisation run through
// it as on a line; an endpoint nobody listens on is told with the connection's reason.
TEST_F(LinkEndToEndTest, GatewayEntryConnectsAndARefusedOneIsToldWhy) {
  basFunctions::PauseScale = 0;
  startDrive({"--listen", "mbtcp:127.0.0.1:0", "--no-pacing"});
  ASSERT_TRUE(drive.devicePath().startsWith("mbtcp://127.0.0.1:"));
  connectAndInitialise();
  EXPECT_EQ(basFunctions::DriveImage.P(0, 0), 2001);
  dialog()->cmdDisconnect_Click();
  prompt::ClearShownPrompts();
  portwright::AssignComDevice(8, "mbtcp://127.0.0.1:1");
  connectWith(7, kRtuN82);
  portwright::AssignComDevice(8, "");
  EXPECT_EQ(shown(),
            QStringList{"Com Error | Selected Com port does not exist or is in use by another "
                        "application.\r\rDevice: COM8 = mbtcp://127.0.0.1:1\r"
                        "Reason: 127.0.0.1:1 refused the connection: nothing listens on port 1 "
                        "there."});
}

TEST_F(LinkEndToEndTest, UnpluggedAdapterEndsInTheLostDrivePathAndReplugConnectsAgain) {
  basFunctions::PauseScale = 0;
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2", "--no-pacing"});
  connectAndInitialise();
  // The drive's pseudo-terminal goes away with it, as a USB adapter's tty does when pulled.
  drive.stop();
  ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 30000));
  EXPECT_TRUE(failurePanelShown());
  EXPECT_TRUE(statusListHas(basComm::kLostCommunication));
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);

  // Plugged in again (a new tty behind COM1): answering Yes connects.
  ASSERT_TRUE(drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2", "--no-pacing"}))
      << drive.error().toStdString();
  frmCommSettings::Instance()->findChild<QPushButton*>("cmdFailureYes")->click();
  EXPECT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
}

TEST_F(LinkEndToEndTest, SilentDriveIsLostAtTheThirdFailedPollAndYesReconnects) {
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2"});
  connectAndInitialise();
  // Two failed polls and then answered ones: the drive is kept, and the count stays at two.
  EXPECT_EQ(drive.command("noreply 2").left(2), "OK");
  ASSERT_TRUE(apptest::WaitFor(
      [] { return basFunctions::PollFailCount == 2 || basComm::DriveConnected == 0; }, 30000));
  basFunctions::WaitaWhile(2.5);
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_EQ(basFunctions::PollFailCount, 2);
  EXPECT_FALSE(failurePanelShown());
  // The third failure since then ends the connection.
  EXPECT_EQ(drive.command("noreply always").left(2), "OK");
  ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 30000));
  EXPECT_EQ(basFunctions::PollFailCount, 0);
  EXPECT_TRUE(failurePanelShown());
  EXPECT_TRUE(statusListHas(basComm::kLostCommunication));
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  EXPECT_EQ(folder.logLines("Error.Log")
                .filter(" - Lost communication to drive, Communication, 0, 0")
                .size(),
            1);

  EXPECT_EQ(drive.command("clear").left(2), "OK");
  frmCommSettings::Instance()->findChild<QPushButton*>("cmdFailureYes")->click();
  EXPECT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_FALSE(failurePanelShown());
  EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
}

TEST_F(LinkEndToEndTest, AnsweringNoToTheReconnectStaysOffLine) {
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2"});
  connectAndInitialise();
  drive.command("noreply always");
  ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 30000));
  drive.command("clear");
  frmCommSettings::Instance()->findChild<QPushButton*>("cmdFailurNo")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frmCommSettings::Instance(), nullptr);
  basFunctions::WaitaWhile(1.5);
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
}

TEST_F(LinkEndToEndTest, PasscodeAcceptedAndRefusedWhichLogsOff) {
  // Above 32767: the passcode word is unsigned.
  startDrive({"--mode", "rtu", "--settings", "19200,N,8,2", "--passcode", "40000"});
  connectWith(0, kRtuN82, {Text("40000")});
  EXPECT_EQ(shown(),
            QStringList{"Passcode Required | Please enter your 5 digit numeric passcode."});
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));

  dialog()->cmdDisconnect_Click();
  prompt::ClearShownPrompts();
  connectWith(0, kRtuN82, {Text("13579")});
  EXPECT_EQ(shown().value(1), "Incorrect Passcode | The Passcode you entered is incorrect.");
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  EXPECT_TRUE(statusListHas("Wrong Passcode Entered - Disconnecting From Servo"));
  const QString status = drive.command("status");
  EXPECT_TRUE(status.contains("logon=0")) << status.toStdString();
}

}  // namespace
