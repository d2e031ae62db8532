// The connect dialog against a fake control that answers from a register map: lists, protocol
// settings, the connect sequence with and without passcode, disconnect and the failure panel.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "drive_facts.h"
#include "link/frm_comm_settings.h"
#include "link_test_env.h"
#include "params/value_table.h"
#include "shell/poll_groups.h"
#include "shell/prompt.h"
#include "shell/status.h"

namespace linktest {
namespace {

class ConnectDialogTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    mod1->answerReads = true;
    mod1->registers[1] = 2001;
    dialog = frmCommSettings::Display();
  }
  template <class T>
  T* child(const char* name) {
    T* widget = frmCommSettings::Instance()->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void choose(int port, const char* speed, int protocol, const char* address = "1") {
    child<QComboBox>("cmbPort")->setCurrentIndex(port);
    auto* speeds = child<QComboBox>("cmbSpeed");
    speeds->setCurrentIndex(speeds->findText(speed));
    child<QComboBox>("cmbProtocol")->setCurrentIndex(protocol);
    child<QLineEdit>("txtAddress")->setText(address);
  }
  // The handler itself: the button is disabled by the dialog's timer while the port is open.
  void connect() { frmCommSettings::Instance()->cmdConnect_Click(); }
  QStringList promptTitles() const {
    QStringList titles;
    for (const prompt::Shown& shown : prompt::ShownPrompts()) titles << shown.title;
    return titles;
  }
  frmCommSettings* dialog = nullptr;
};

TEST_F(ConnectDialogTest, ListsComeFromTheCommunicationTable) {
  EXPECT_EQ(dialog->windowTitle(), "  Connection Settings");
  EXPECT_EQ(child<QLabel>("lblCom")->text(), "Com Port:");
  EXPECT_EQ(child<QComboBox>("cmbPort")->count(), 9);
  EXPECT_EQ(child<QComboBox>("cmbPort")->currentText(), "COM1");
  EXPECT_EQ(child<QComboBox>("cmbSpeed")->count(), 4);
  EXPECT_EQ(child<QComboBox>("cmbSpeed")->currentText(), "19200");
  EXPECT_EQ(child<QComboBox>("cmbProtocol")->count(), 9);
  EXPECT_EQ(child<QComboBox>("cmbProtocol")->currentText(), "8, E, 1, Modbus RTU");
  EXPECT_EQ(child<QLineEdit>("txtAddress")->text(), "1");
  EXPECT_FALSE(child<QFrame>("picCommFailure")->isVisible());

  // Port positions 8 and above are network devices.
  auto* ports = child<QComboBox>("cmbPort");
  ports->setCurrentIndex(8);
  dialog->cmbPort_Click();
  EXPECT_FALSE(child<QComboBox>("cmbProtocol")->isVisible());
  EXPECT_FALSE(child<QComboBox>("cmbSpeed")->isEnabled());
  EXPECT_TRUE(child<QComboBox>("cmbEthernet")->isVisible());
  connect();
  EXPECT_TRUE(mod1->calls.isEmpty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // no busy pointer left behind
}

TEST_F(ConnectDialogTest, ProtocolPositionsGiveModeAndLineSettings) {
  struct Row {
    int position;
    portwright::enumPLCMode mode;
    const char* suffix;
  };
  for (const Row& row : {Row{0, portwright::ASCII, ",N,7,2"}, Row{4, portwright::ASCII, ",E,8,1"},
                         Row{6, portwright::RTU, ",N,8,2"}, Row{8, portwright::RTU, ",O,8,1"}}) {
    const auto* choice = commSettings::ProtocolAt(row.position);
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->mode, row.mode);
    EXPECT_STREQ(choice->settingsSuffix, row.suffix);
  }
  EXPECT_EQ(commSettings::ProtocolAt(9), nullptr);
}

TEST_F(ConnectDialogTest, ConnectProvesTheDriveLogsOnAndStartsPolling) {
  choose(2, "19200", 6, " 7 ");
  connect();
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_EQ(basComm::ConnectTesting, 0);
  EXPECT_EQ(basComm::DriveNodeAddress, 7);
  EXPECT_TRUE(mod1->calls.contains("ComPort=2"));
  EXPECT_TRUE(mod1->calls.contains("PLCMode=0"));
  EXPECT_EQ(mod1->settings, "19200,N,8,2");
  EXPECT_TRUE(mod1->portOpen);
  EXPECT_EQ(mod1->registers[kAddressP208], drive_facts::kConfirmCode);
  EXPECT_EQ(basFunctions::DriveImage.P(0, 0), 2001);
  EXPECT_EQ(basFunctions::PollGroup, 1);
  EXPECT_EQ(mod1->pollItems.size(), 8u);
  EXPECT_EQ(mod1->pollInterval, 1000);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
  EXPECT_TRUE(
      EventLog().last().endsWith(" - Connection to drive established using RTU MODE, 19200,N,8,2"));
  EXPECT_EQ(commSettings::LastCommSelection, (std::array<double, 6>{0, 1, 2, 2, 6, 7}));

  // The dialog reopened later shows the last choices.
  frmCommSettings::Unload();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  frmCommSettings::Display();
  EXPECT_EQ(child<QComboBox>("cmbPort")->currentIndex(), 2);
  EXPECT_EQ(child<QComboBox>("cmbSpeed")->currentText(), "19200");
  EXPECT_EQ(child<QComboBox>("cmbProtocol")->currentIndex(), 6);
  EXPECT_EQ(child<QLineEdit>("txtAddress")->text(), "7");

  // A second Connect while the port is open is refused.
  connect();
  EXPECT_EQ(promptTitles(), QStringList{"Port In Use"});
}

TEST_F(ConnectDialogTest, SilentDriveFailsTheConnectAndClosesThePort) {
  mod1->answerReads = false;
  choose(0, "9600", 0);
  connect();
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_TRUE(mod1->calls.contains("PLCMode=1"));
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Connection Failure");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "Unable to connect using current selections.\r"
            "Please verify your settings and try again.");
  EXPECT_TRUE(EventLog().last().endsWith(" - Unable to connect using ASCII MODE, 9600,N,7,2"));
}

TEST_F(ConnectDialogTest, NodeAddressMustBeNumeric) {
  choose(0, "19200", 6, "x1");
  connect();
  EXPECT_EQ(promptTitles(), QStringList{"Information Missing Or Incorrect Format"});
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            " Please enter a node address. Address must be numeric.");
  EXPECT_FALSE(mod1->portOpen);
}

TEST_F(ConnectDialogTest, PasscodeAcceptedAndRefused) {
  mod1->registers[drive_facts::kPasscodeAddress] = 12345;
  prompt::ScriptReplies({prompt::Reply{prompt::Ok, "12345"}});
  choose(0, "19200", 7);
  connect();
  EXPECT_EQ(promptTitles(), QStringList{"Passcode Required"});
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "Please enter your 5 digit numeric passcode.");
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_EQ(mod1->pollInterval, 1000);

  basComm::CloseConnection();
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({prompt::Reply{prompt::Ok, "54321"}});
  connect();
  EXPECT_EQ(promptTitles(), (QStringList{"Passcode Required", "Incorrect Passcode"}));
  EXPECT_EQ(prompt::ShownPrompts()[1].text, "The Passcode you entered is incorrect.");
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_TRUE(EventLog().last().endsWith(" - Failed to enter correct passcode upon connect"));
}

TEST_F(ConnectDialogTest, DisconnectAsksFirstWhileAMaintenanceScreenIsOpen) {
  basComm::DriveConnected = 1;
  mod1->portOpen = true;
  QPointer<QWidget> maintenance = new QWidget;
  maintenance->setObjectName("frmMaintenance");
  maintenance->show();
  prompt::ScriptReplies({prompt::Reply{prompt::No, {}}});
  dialog->cmdDisconnect_Click();
  EXPECT_EQ(promptTitles(), QStringList{"Confirmation Needed"});
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_TRUE(maintenance->isVisible());

  prompt::ScriptReplies({prompt::Reply{prompt::Yes, {}}});
  dialog->cmdDisconnect_Click();
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(mod1->portOpen);
  // Unloaded at once: a second Disconnect no longer asks about it.
  EXPECT_FALSE(basFunctions::FormIsOpen("frmMaintenance"));
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(maintenance.isNull());
}

TEST_F(ConnectDialogTest, FailurePanelYesReconnectsAndNoStaysOffLine) {
  frmCommSettings::DisplayFailurePanel();
  choose(0, "19200", 6);
  child<QPushButton>("cmdFailureYes")->click();
  EXPECT_FALSE(child<QFrame>("picCommFailure")->isVisible());
  EXPECT_EQ(basComm::DriveConnected, 1);

  basComm::CloseConnection();
  frmCommSettings::DisplayFailurePanel();
  child<QPushButton>("cmdFailurNo")->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frmCommSettings::Instance(), nullptr);
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(mod1->portOpen);
}

}  // namespace
}  // namespace linktest
