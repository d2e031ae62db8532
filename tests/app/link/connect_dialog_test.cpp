// The connect dialog against a fake control that answers from a register map: lists, protocol
// settings, the connect sequence with and without passcode, disconnect and the failure panel.
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "link/serial_ports.h"
#include "link_test_env.h"
#include "params/value_table.h"
#include "portwright/serial_devices.h"

namespace linktest {
namespace {

class ConnectDialogTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    mod1->answerReads = true;
    mod1->registers[1] = 2001;
    dialog = frmCommSettings::Display();
    basFunctions::PauseScale = 0;  // the fake control answers at once
  }
  void TearDown() override {
    basFunctions::PauseScale = 1;
    LinkTest::TearDown();
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

// A machine with one USB adapter reached through its by-id link, and a board's serial port
// (ttyAMA0) that discovery does not list.
class FakeDevices {
 public:
  explicit FakeDevices(bool adapterPlugged = true) {
    QDir().mkpath(dir_.path() + "/dev/serial/by-id");
    QFile(dir_.path() + "/dev/ttyAMA0").open(QIODevice::WriteOnly);
    if (adapterPlugged) plugAdapter();
    serialPorts::DeviceRoot = dir_.path();
  }
  ~FakeDevices() { serialPorts::DeviceRoot = QStringLiteral("/"); }
  void plugAdapter() {
    QFile(dir_.path() + "/dev/ttyUSB0").open(QIODevice::WriteOnly);
    QFile::link("../../ttyUSB0", dir_.path() + "/dev/serial/by-id/" + kAdapter);
  }
  static constexpr const char* kAdapter = "usb-FTDI_FT232R_USB_UART_A10K-if00-port0";

 private:
  QTemporaryDir dir_;
};

// The port map changed by another program, as a technician's `portwright-cli map` does.
void mapOutside(const QString& com, const QString& device) {
  QProcess cli;
  cli.start(PW_CLI_PATH,
            device.isEmpty() ? QStringList{"unmap", com} : QStringList{"map", com, device});
  ASSERT_TRUE(cli.waitForFinished(10000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
}

TEST_F(ConnectDialogTest, DeviceListShowsTheAssignmentAsItIsAndAssignChangesOnlyAChoice) {
  const FakeDevices machine;
  mapOutside("COM2", "/dev/ttyAMA0");
  choose(1, "19200", 6);
  dialog->tmrComSettings_Timer();
  auto* devices = child<QComboBox>("cmbDevice");
  EXPECT_EQ(child<QLabel>("lblPortDevice")->text(), QString::fromUtf8("COM2 \u2013 /dev/ttyAMA0"));
  EXPECT_EQ(devices->currentText(), "/dev/ttyAMA0");  // not "Default", though not discovered
  EXPECT_EQ(devices->itemText(0), "Default (/dev/ttyS1)");
  child<QPushButton>("cmdAssignDevice")->click();  // nothing picked: the assignment stays
  EXPECT_EQ(portwright::ComDevice(2), "/dev/ttyAMA0");

  // Another program remaps the port while the dialog is open: the dialog's timer follows.
  mapOutside("COM2", "/dev/rfcomm0");
  dialog->tmrComSettings_Timer();
  EXPECT_EQ(child<QLabel>("lblPortDevice")->text(),
            QString::fromUtf8("COM2 \u2013 /dev/rfcomm0 (not present)"));
  EXPECT_EQ(devices->currentText(), "/dev/rfcomm0 (not present)");
  EXPECT_EQ(child<QComboBox>("cmbPort")->itemData(1, Qt::ToolTipRole).toString(),
            child<QLabel>("lblPortDevice")->text());

  // The technician picks the adapter: Assign puts it behind COM2; then back to the default.
  devices->setCurrentIndex(
      devices->findData(QString("/dev/serial/by-id/") + FakeDevices::kAdapter));
  child<QPushButton>("cmdAssignDevice")->click();
  EXPECT_EQ(portwright::ComDevice(2), std::string("/dev/serial/by-id/") + FakeDevices::kAdapter);
  EXPECT_EQ(child<QLabel>("lblPortDevice")->text(),
            QString::fromUtf8("COM2 \u2013 /dev/ttyUSB0 (FTDI FT232R USB UART A10K)"));
  devices->setCurrentIndex(0);
  child<QPushButton>("cmdAssignDevice")->click();
  EXPECT_EQ(portwright::ComDevice(2), "/dev/ttyS1");

  // On the accessibility bus each list is labelled by its label, each port entry reads whole.
  auto labelOf = [](QWidget* widget) {
    const auto labels =
        QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
  };
  EXPECT_EQ(labelOf(child<QComboBox>("cmbPort")), "Com Port:");
  EXPECT_EQ(labelOf(child<QComboBox>("cmbSpeed")), "Baud Rate:");
  EXPECT_EQ(labelOf(child<QComboBox>("cmbProtocol")), "Protocol:");
  EXPECT_EQ(labelOf(child<QLineEdit>("txtAddress")), "Node Address Of Drive:");
  EXPECT_EQ(labelOf(devices), "Device:");
  QAccessibleInterface* entries =
      QAccessible::queryAccessibleInterface(child<QComboBox>("cmbPort")->view());
  ASSERT_NE(entries, nullptr);
  ASSERT_NE(entries->child(1), nullptr);
  EXPECT_EQ(entries->child(1)->text(QAccessible::Name),
            QString::fromUtf8("COM2 \u2013 /dev/ttyS1 (not present)"));
  portwright::AssignComDevice(2, "");
}

// "Network…": a host and port and the framing typed in go into the port map as an endpoint,
// shown with the note that the line settings are not used; a typo is refused in words.
TEST_F(ConnectDialogTest, NetworkEntryPutsAnEndpointBehindTheComEntry) {
  const FakeDevices machine;
  choose(2, "19200", 6);
  dialog->tmrComSettings_Timer();
  auto* devices = child<QComboBox>("cmbDevice");
  devices->setCurrentIndex(devices->count() - 1);
  EXPECT_EQ(devices->currentText(), QString::fromUtf8("Network\u2026"));
  prompt::ScriptReplies({{prompt::Ok, "127.0.0.1:5020"}, {prompt::Yes, {}}});
  child<QPushButton>("cmdAssignDevice")->click();
  EXPECT_EQ(portwright::ComDevice(3), "mbtcp://127.0.0.1:5020");
  const QString note = " (Modbus TCP; baud rate and parity are the gateway's, not used here)";
  EXPECT_EQ(child<QLabel>("lblPortDevice")->text(),
            QString::fromUtf8("COM3 \u2013 mbtcp://127.0.0.1:5020") + note);
  EXPECT_EQ(devices->currentText(), "mbtcp://127.0.0.1:5020" + note);

  // The next time the host and port are offered as they stand; a name without a port, or a
  // port out of range, is refused and the assignment stays.
  for (const char* typo : {"gateway-17", "gateway-17:65536"}) {
    prompt::ClearShownPrompts();
    devices->setCurrentIndex(devices->count() - 1);
    prompt::ScriptReplies({{prompt::Ok, typo}, {prompt::No, {}}});
    child<QPushButton>("cmdAssignDevice")->click();
    ASSERT_EQ(prompt::ShownPrompts().size(), 3);
    EXPECT_EQ(prompt::ShownPrompts()[0].kind, "InputBox");
    EXPECT_TRUE(prompt::ShownPrompts()[1].text.contains("not used for a network port"));
    EXPECT_EQ(prompt::ShownPrompts()[2].text,
              QString("\"") + typo +
                  "\" is not a host and a port: write them as gateway-17:4001 or 10.0.0.5:502 "
                  "(the port 1 to 65535).");
    EXPECT_EQ(portwright::ComDevice(3), "mbtcp://127.0.0.1:5020");
    EXPECT_EQ(devices->currentText(), "mbtcp://127.0.0.1:5020" + note);
  }
  devices->setCurrentIndex(devices->count() - 1);
  prompt::ScriptReplies({{prompt::Ok, " 10.0.0.5:4001 "}, {prompt::No, {}}});
  child<QPushButton>("cmdAssignDevice")->click();
  EXPECT_EQ(portwright::ComDevice(3), "tcp://10.0.0.5:4001");
  portwright::AssignComDevice(3, "");
}

TEST_F(ConnectDialogTest, LongDeviceLabelsAreShownWholeOnALaptopScreen) {
  FakeDevices machine(false);
  frmCommSettings::Unload();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  StandInMainWindow main;
  main.window().resize(1366, 768);
  dialog = frmCommSettings::Display();
  QApplication::processEvents();
  // The adapter is plugged in and assigned while the dialog is open: its long name needs room.
  machine.plugAdapter();
  child<QPushButton>("cmdRefreshDevices")->click();
  auto* devices = child<QComboBox>("cmbDevice");
  devices->setCurrentIndex(
      devices->findData(QString("/dev/serial/by-id/") + FakeDevices::kAdapter));
  child<QPushButton>("cmdAssignDevice")->click();
  QApplication::processEvents();
  for (const char* name : {"lblPortDevice", "cmbDevice", "cmdAssignDevice", "cmdRefreshDevices"}) {
    auto* widget = child<QWidget>(name);
    EXPECT_GE(widget->width(), widget->sizeHint().width()) << name;
    EXPECT_TRUE(dialog->rect().contains(QRect(widget->mapTo(dialog, QPoint()), widget->size())))
        << name;
  }
  EXPECT_TRUE(dialog->parentWidget()->contentsRect().contains(dialog->geometry()));
  EXPECT_LE(dialog->parentWidget()->frameGeometry().right(), 1366);

  EXPECT_EQ(child<QComboBox>("cmbPort")->itemData(0, Qt::ToolTipRole).toString(),
            QString::fromUtf8("COM1 \u2013 /dev/ttyUSB0 (FTDI FT232R USB UART A10K)"));
  portwright::AssignComDevice(1, "");
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
  StandInMainWindow main;
  QList<int> progress;  // the LED bar's positions as the connect goes through its steps
  auto sample = [&] {
    if (progress.isEmpty() || progress.last() != main.ledBar->position())
      progress << main.ledBar->position();
  };
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, sample);
  sampler.start(5);
  basFunctions::PauseScale = 1;  // the bar is sampled during the sequence's pauses
  choose(2, "19200", 6, " 7 ");
  connect();
  sampler.stop();
  sample();
  EXPECT_EQ(progress, (QList<int>{0, 130, 245, 460, 675, 0}));
  ASSERT_EQ(main.statusList->count(), 2);
  EXPECT_TRUE(main.statusList->item(0)->text().endsWith(" - Connected  to Node 7, 19200,N,8,2."))
      << main.statusList->item(0)->text().toStdString();
  EXPECT_TRUE(
      main.statusList->item(1)->text().endsWith(" - Initializing, please be patient......"));
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

TEST_F(ConnectDialogTest, NodeAddressMustBeANumberFrom1To247) {
  const QString numeric = " Please enter a node address. Address must be numeric.";
  const QString range = " Please enter a node address. Address must be from 1 to 247.";
  for (auto [typed, text] : {std::pair{"x1", numeric},
                             {"", numeric},
                             {"0", range},
                             {"248", range},
                             {"-3", range},
                             {"1e9", range}}) {
    prompt::ClearShownPrompts();
    choose(0, "19200", 6, typed);
    connect();
    EXPECT_EQ(promptTitles(), QStringList{"Information Missing Or Incorrect Format"}) << typed;
    EXPECT_EQ(prompt::ShownPrompts().value(0).text, text) << typed;
    EXPECT_FALSE(mod1->portOpen) << typed;
  }
  EXPECT_TRUE(ErrorLog().isEmpty()) << ErrorLog().join("\n").toStdString();
  mod1->answerReads = false;  // the last node is tried (and fails quickly: nobody answers)
  choose(0, "19200", 6, "247");
  connect();
  EXPECT_TRUE(mod1->calls.contains("NodeAddr=247"));
  EXPECT_EQ(promptTitles().last(), "Connection Failure");
}

TEST_F(ConnectDialogTest, ControlRefusalsDuringConnectAreToldAndLogged) {
  choose(0, "19200", 6);
  child<QComboBox>("cmbSpeed")->clear();  // no speed to choose: the control refuses ",N,8,2"
  connect();
  ASSERT_EQ(promptTitles(), QStringList{"Connection Failure"});
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "Unable to connect using current selections.\r"
            "The connection was refused: Illegal COM Settings.\r"
            "Please verify your settings and try again.");
  EXPECT_EQ(prompt::ShownPrompts()[0].icon, prompt::Icon::Critical);
  EXPECT_EQ(ErrorsAt("frmCommSettings, cmdConnect_Click").size(), 1);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectDialogTest, PasscodesUpTo65535AreAskedForAndARefusalLogsOff) {
  choose(0, "19200", 7);
  // The word is unsigned: 65535 travels as the 16-bit word -1.
  mod1->registers[drive_facts::kPasscodeAddress] = static_cast<int16_t>(65535);
  prompt::ScriptReplies({prompt::Reply{prompt::Ok, "65535"}});
  connect();
  EXPECT_EQ(promptTitles(), QStringList{"Passcode Required"});
  EXPECT_EQ(prompt::ShownPrompts().value(0).text, "Please enter your 5 digit numeric passcode.");
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_EQ(mod1->pollInterval, 1000);
  basComm::CloseConnection();

  prompt::ClearShownPrompts();
  prompt::ScriptReplies({prompt::Reply{prompt::Ok, "54321"}});
  mod1->calls.clear();
  connect();
  ASSERT_EQ(promptTitles(), (QStringList{"Passcode Required", "Incorrect Passcode"}));
  EXPECT_EQ(prompt::ShownPrompts()[1].text, "The Passcode you entered is incorrect.");
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_TRUE(EventLog().last().endsWith(" - Failed to enter correct passcode upon connect"));
  // Logged on during the connect, logged off (0, then the confirming code) before closing.
  EXPECT_EQ(mod1->callsStarting("Data(0)="), (QStringList{"Data(0)=36", "Data(0)=63", "Data(0)=0",
                                                          "Data(0)=0", "Data(0)=63", "Data(0)=0"}));
  EXPECT_LT(mod1->calls.lastIndexOf("Data(0)=63"), mod1->calls.lastIndexOf("PortOpen=0"));
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

// Every field keeps its size hint and every text is whole (a word-wrapped label is as tall as its
// text needs at its width), inside the dialog as its window frame shows it.
void expectNothingSqueezed(QWidget* dialog, const char* when) {
  QApplication::processEvents();
  const QRect shown = dialog->parentWidget()->contentsRect();
  EXPECT_TRUE(shown.contains(dialog->geometry())) << when;
  for (const char* name : {"lblCom", "cmbPort", "Label2", "cmbSpeed", "Label1", "cmbProtocol",
                           "lblAddress", "txtAddress", "cmdConnect", "cmdDisconnect", "cmdClose",
                           "lblFailure", "cmdFailureYes", "cmdFailurNo"}) {
    auto* widget = dialog->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name;
    if (!widget->isVisible()) continue;
    if (widget->hasHeightForWidth()) {
      EXPECT_GE(widget->height(), widget->heightForWidth(widget->width())) << when << " " << name;
      EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << when << " " << name;
    } else {
      EXPECT_GE(widget->height(), widget->sizeHint().height()) << when << " " << name;
      EXPECT_GE(widget->width(), widget->sizeHint().width()) << when << " " << name;
    }
    const QRect inDialog(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(dialog->rect().contains(inDialog)) << when << " " << name;
  }
}

TEST_F(ConnectDialogTest, LostCommunicationPanelGetsRoomAndGivesItBack) {
  frmCommSettings::Unload();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  StandInMainWindow main;  // the dialog sits in an MDI frame of its own size, as in the program
  dialog = frmCommSettings::Display();
  QApplication::processEvents();
  const QSize before = dialog->parentWidget()->size();
  expectNothingSqueezed(dialog, "without the panel");

  frmCommSettings::DisplayFailurePanel();
  EXPECT_TRUE(child<QFrame>("picCommFailure")->isVisible());
  expectNothingSqueezed(dialog, "with the panel");

  mod1->answerReads = false;  // Yes reconnects: the drive stays silent, the panel goes away
  child<QPushButton>("cmdFailureYes")->click();
  EXPECT_FALSE(child<QFrame>("picCommFailure")->isVisible());
  EXPECT_EQ(dialog->parentWidget()->size(), before);
}

}  // namespace
}  // namespace linktest
