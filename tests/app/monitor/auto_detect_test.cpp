// Auto-detect against the virtual drive: the scan order and attempt numbers, the connection it
// completes, Cancel and the node range. One program serves the suite; each test starts the
// drive it scans for, without line pacing. The scan's pauses are taken out and the attempts the
// drive cannot answer wait only a short time for a reply, so a scan of 72 silent attempts takes
// a few seconds; the attempt the drive answers keeps a patient time-out, so a slow machine
// cannot make the scan miss it.
#include "link/auto_detect.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <memory>

#include "app_harness.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/frm_auto_detect.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace {

constexpr int kSilentWaitMs = 25;     // a drive without pacing answers within a millisecond
constexpr int kPatientWaitMs = 3000;  // the attempt the drive answers
constexpr int16_t kFastPoll = 50;     // the normal group's eight blocks in under half a second

class AutoDetectTest : public ::testing::Test {
 protected:
  struct Shared {
    apptest::ProgramFolder folder;
    apptest::Program program;
  };
  static inline std::unique_ptr<Shared> shared;
  static inline frmMain* main = nullptr;

  static void SetUpTestSuite() {
    shared = std::make_unique<Shared>();
    basFunctions::PauseScale = 0;
    main = shared->program.start();
  }
  static void TearDownTestSuite() {
    if (shared) shared->program.stop();
    shared.reset();
    main = nullptr;
    basFunctions::PauseScale = 1;
  }
  void SetUp() override {
    ASSERT_NE(main, nullptr);
    main->RunCommand("mnuAutoDetect");
    window = frmAutoDetect::instance();
    ASSERT_NE(window, nullptr);
    prompt::ScriptReplies({});
    prompt::ClearShownPrompts();
  }
  void TearDown() override {
    autoDetect::TestTiming = {};
    basComm::CloseConnection();
    basComm::DriveConnected = 0;
    basComm::ConnectTesting = 0;
    basFunctions::InitComplete = false;
    basFunctions::PollItemSeen.fill(0);
    basFunctions::DriveImage.clear();
    basFunctions::DriveIdentity = {};
    drive.stop();
    if (window) host::UnloadWindow(window);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QStringList errors = shared->folder.logLines("Error.Log");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    shared->folder.writeLog("Error.Log", {});
  }
  void startDrive(const QStringList& arguments) {
    ASSERT_TRUE(drive.start(1, QStringList{"--no-pacing"} + arguments))
        << drive.error().toStdString();
  }
  // The drive answers attempt `number` of the scan; it cannot answer any other.
  static void driveAnswersAttempt(int number) {
    autoDetect::TestTiming.replyTimeOutMs = [number](const autoDetect::Attempt& attempt) {
      return attempt.number == number ? kPatientWaitMs : kSilentWaitMs;
    };
  }
  template <class T>
  T* control(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QStringList statusLines() const {
    QStringList lines;
    auto* list = control<QListWidget>("lstStatus");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }
  int attempts() const { return statusLines().filter("Trying Node Address").size(); }
  int autoDetectEvents() const {
    return shared->folder.logLines("Event.Log")
        .filter(" - Connection to drive established via AutoDetect")
        .size();
  }
  // Chooses "Com 1" (the virtual drive) and presses Detect; returns when the scan has ended.
  void detectOnCom1() {
    control<QComboBox>("cmbPort")->setCurrentIndex(0);
    window->cmdTryComPort_Click();
  }
  // The whole scan of a drive found at an attempt: lines, connection, restored time-out.
  void expectFoundOnAttempt(int number, const QString& connected, int eventsBefore) {
    const QStringList lines = statusLines();
    ASSERT_EQ(attempts(), number) << lines.join("\n").toStdString();
    EXPECT_EQ(lines.first(), "Trying Node Address 1 - RTU Mode - 19200,O,8,1");
    EXPECT_EQ(lines[17], "Trying Node Address 1 - RTU Mode - 9600,E,8,1");
    EXPECT_EQ(lines[18], "Trying Node Address 1 - ASCII Mode - 4800,N,7,2");
    EXPECT_EQ(lines.last(), connected);
    EXPECT_EQ(basComm::DriveConnected, 1);
    EXPECT_EQ(host::Mod1().get_PollInterval(), 1000);
    EXPECT_EQ(host::Mod1().get_MsgTimeOut(), 1000);
    host::Mod1().put_PollInterval(kFastPoll);
    EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000));
    EXPECT_TRUE(drive.command("status").contains("logon=1"));
    EXPECT_EQ(autoDetectEvents(), eventsBefore + 1);
    // While connected, Detect is not offered.
    window->Timer1_Timer();
    EXPECT_FALSE(control<QPushButton>("cmdTryComPort")->isEnabled());
  }

  apptest::VirtualDrive drive;
  QPointer<frmAutoDetect> window;
};

TEST_F(AutoDetectTest, AsciiDriveAtNodeOneIsFoundOnTheNineteenthAttempt) {
  startDrive({"--mode", "ascii", "--settings", "4800,N,7,2", "--node", "1"});
  driveAnswersAttempt(19);
  const int events = autoDetectEvents();
  detectOnCom1();
  expectFoundOnAttempt(19, "Connected ASCII Mode to Node 1, 4800,N,7,2.", events);
  EXPECT_EQ(control<QLabel>("lblState")->text(), " Connected ASCII Mode  to Node 1, 4800,N,7,2.");
  EXPECT_TRUE(control<QLabel>("lblRemaining")->text().isEmpty());
}

TEST_F(AutoDetectTest, AsciiDriveAtNodeTwoIsFoundOnAttemptSeventyThree) {
  startDrive({"--mode", "ascii", "--settings", "4800,N,7,2", "--node", "2"});
  driveAnswersAttempt(73);
  const int events = autoDetectEvents();
  detectOnCom1();
  expectFoundOnAttempt(73, "Connected ASCII Mode to Node 2, 4800,N,7,2.", events);
  const QStringList lines = statusLines();
  EXPECT_EQ(lines[53], "Trying Node Address 1 - ASCII Mode - 115200,O,8,1");
  EXPECT_EQ(lines[54], "Trying Node Address 2 - RTU Mode - 19200,O,8,1");
  EXPECT_EQ(lines[72], "Trying Node Address 2 - ASCII Mode - 4800,N,7,2");
}

TEST_F(AutoDetectTest, ScanNeedsAPortStopsOnCancelAndKeepsToItsNodeRange) {
  // No port chosen: told, nothing starts.
  prompt::ScriptReplies({});
  window->cmdTryComPort_Click();
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Information Needed.");
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "Please select a com port from the drop down box.");
  EXPECT_TRUE(statusLines().isEmpty());

  // The factory line (RTU 19200,O,8,1) at node 9: a scan from node 1 is cancelled while its
  // third attempt waits, and stops before the fourth.
  startDrive({"--node", "9"});
  driveAnswersAttempt(0);  // none of the scan from node 1 that is cancelled
  QTimer watcher;
  QString remaining;  // the estimate shown while the scan runs
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (attempts() >= 1 && remaining.isEmpty()) remaining = control<QLabel>("lblRemaining")->text();
    if (attempts() >= 3) window->cmdCancel_Click();
  });
  watcher.start(5);
  detectOnCom1();
  watcher.stop();
  EXPECT_EQ(attempts(), 3) << statusLines().join("\n").toStdString();
  EXPECT_TRUE(remaining.startsWith("Estimated time remaining: ")) << remaining.toStdString();
  EXPECT_TRUE(control<QLabel>("lblRemaining")->text().isEmpty());
  EXPECT_EQ(statusLines().last(), "Autodetect cancelled");
  EXPECT_EQ(control<QLabel>("lblState")->text(), "Autodetect cancelled");
  EXPECT_EQ(basComm::ConnectTesting, 0);
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(host::Mod1().get_PortOpen(), portwright::VARIANT_FALSE);
  EXPECT_EQ(autoDetect::AutoDetectCancel, 0);
  EXPECT_TRUE(main->findChild<QTimer*>("tmrMain")->isActive());
  EXPECT_TRUE(control<QPushButton>("cmdTryComPort")->isEnabled());

  // Narrowed to node 9, its first attempt finds the drive.
  control<QSpinBox>("txtFirstNode")->setValue(9);
  EXPECT_EQ(control<QSpinBox>("txtLastNode")->value(), 247);
  control<QSpinBox>("txtLastNode")->setValue(9);
  driveAnswersAttempt(1);
  detectOnCom1();
  ASSERT_EQ(attempts(), 1) << statusLines().join("\n").toStdString();
  EXPECT_EQ(statusLines().first(), "Trying Node Address 9 - RTU Mode - 19200,O,8,1");
  EXPECT_EQ(statusLines().last(), "Connected RTU Mode to Node 9, 19200,O,8,1.");
  EXPECT_EQ(basComm::DriveNodeAddress, 9);
}

TEST_F(AutoDetectTest, WhatItFoundIsTheConnectSelectionAndReconnectsALostDrive) {
  // An unusual drive: COM11 (beyond the connect dialog's own list), node 5, ASCII 9600,O,7,1
  // (the 27th attempt at a node).
  ASSERT_TRUE(drive.start(
      11, {"--no-pacing", "--mode", "ascii", "--settings", "9600,O,7,1", "--node", "5"}))
      << drive.error().toStdString();
  auto* ports = control<QComboBox>("cmbPort");
  ASSERT_EQ(ports->count(), 15);  // Com 1 .. Com 15, every entry the control takes
  ports->setCurrentIndex(10);
  EXPECT_EQ(window->findChild<QLabel*>("lblPortDevice")->text(),
            QString::fromUtf8("COM11 \u2013 ") + drive.devicePath());
  control<QSpinBox>("txtFirstNode")->setValue(5);
  control<QSpinBox>("txtLastNode")->setValue(5);
  driveAnswersAttempt(27);
  window->cmdTryComPort_Click();
  ASSERT_EQ(statusLines().last(), "Connected ASCII Mode to Node 5, 9600,O,7,1.")
      << statusLines().join("\n").toStdString();
  // The status list keeps its newest line in sight.
  auto* list = control<QListWidget>("lstStatus");
  EXPECT_TRUE(
      list->viewport()->rect().contains(list->visualItemRect(list->item(list->count() - 1))));
  host::Mod1().put_PollInterval(kFastPoll);
  EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000));

  // The connect dialog shows what was found.
  frmCommSettings* dialog = frmCommSettings::Display();
  EXPECT_EQ(dialog->findChild<QComboBox*>("cmbPort")->currentText(), "COM11");
  EXPECT_EQ(dialog->findChild<QComboBox*>("cmbSpeed")->currentText(), "9600");
  EXPECT_EQ(dialog->findChild<QComboBox*>("cmbProtocol")->currentIndex(), 2);  // ASCII 7,O,1
  EXPECT_EQ(dialog->findChild<QLineEdit*>("txtAddress")->text(), "5");

  // The drive goes silent and is lost; once it answers again, Yes reconnects with those choices.
  EXPECT_EQ(drive.command("noreply always").left(2), "OK");
  ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 30000));
  ASSERT_NE(frmCommSettings::Instance(), nullptr);
  EXPECT_EQ(shared->folder.logLines("Error.Log").filter(" - Lost communication to drive").size(),
            1);
  shared->folder.writeLog("Error.Log", {});
  EXPECT_EQ(drive.command("clear").left(2), "OK");
  prompt::ClearShownPrompts();
  frmCommSettings::Instance()->findChild<QPushButton*>("cmdFailureYes")->click();
  EXPECT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_EQ(host::Mod1().get_ComPort(), portwright::COM11);
  EXPECT_EQ(host::Mod1().get_PLCMode(), portwright::ASCII);
  EXPECT_EQ(host::Mod1().get_Settings(), "9600,O,7,1");
  EXPECT_EQ(host::Mod1().get_NodeAddr(), 5);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << apptest::ShownSummary().join("\n").toStdString();
  frmCommSettings::Unload();
}

// Behind a gateway only the nodes are tried: the drive at node 3 is the third attempt.
TEST_F(AutoDetectTest, BehindAGatewayOnlyTheNodesAreTried) {
  startDrive({"--listen", "mbtcp:127.0.0.1:0", "--node", "3"});
  driveAnswersAttempt(3);
  detectOnCom1();
  const QStringList lines = statusLines();
  ASSERT_EQ(attempts(), 3) << lines.join("\n").toStdString();
  EXPECT_EQ(lines.first(), "Trying Node Address 1 - Modbus TCP");
  EXPECT_EQ(lines[2], "Trying Node Address 3 - Modbus TCP");
  EXPECT_EQ(basComm::DriveConnected, 1);
}

TEST(AutoDetectPlan, AttemptsFollowTheNodeRangeAndTheTimeLeftReads) {
  EXPECT_EQ(autoDetect::AttemptsPerNode(), 54);
  EXPECT_EQ(autoDetect::AttemptCount(1, 247), 13338);
  const autoDetect::Attempt fromNine = autoDetect::AttemptAt(9, 55);
  EXPECT_EQ(fromNine.node, 10);
  EXPECT_EQ(fromNine.mode, portwright::RTU);
  EXPECT_EQ(fromNine.settings, "19200,O,8,1");
  EXPECT_EQ(autoDetect::AttemptAt(1, 54).settings, "115200,O,8,1");
  EXPECT_EQ(autoDetect::RemainingTimeText(3.5 * 13338), "Estimated time remaining: 12 h 58 min");
  EXPECT_EQ(autoDetect::RemainingTimeText(125), "Estimated time remaining: 2 min 05 s");
  EXPECT_EQ(autoDetect::RemainingTimeText(-1), "Estimated time remaining: 0 s");
  // Behind a gateway: each node once over Modbus TCP, in RTU and then ASCII over TCP.
  EXPECT_EQ(autoDetect::AttemptCount(1, 247, serialPorts::Reach::ModbusTcp), 247);
  const autoDetect::Attempt second = autoDetect::AttemptAt(1, 4, serialPorts::Reach::RtuOverTcp);
  EXPECT_EQ(second.node, 2);
  EXPECT_EQ(second.mode, portwright::ASCII);
}

}  // namespace
