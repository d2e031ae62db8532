// The jog window against the virtual drive: the speed check, the motor turning while a button
// is held, every way of letting go stopping it, a lost stop reply sent again, and a program
// killed mid-jog stopped by the drive's communication watchdog.
#include <QtTest/qtestkeyboard.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include "child_program.h"
#include "core/host.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "maint/frm_jog.h"
#include "maint/frm_maintenance.h"
#include "maint_fixture.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace mainttest {
namespace {

using apptest::Answer;

const QString kSpeedRefused =
    "Incorrect Entry | Incorrect jog speed requested.\rValue must be 0 ~ 3000.";

class JogTest : public MaintTest {
 protected:
  // The maintenance screen open with the servo on (input 1's terminal), the jog window open.
  frmJog* openJog(int revision) {
    startConnected(revision);
    screen = openScreen();
    if (!screen) return nullptr;
    command("di 1 1");
    if (!apptest::WaitFor([&] { return find(screen, "cmdJog")->isEnabled(); })) return nullptr;
    find(screen, "cmdJog")->click();
    return frmJog::Instance();
  }
  void setSpeed(frmJog* jog, const QString& text) {
    find<QLineEdit>(jog, "txtJogSpeed")->setText(text);
    find(jog, "cmdSendSpeed")->click();
  }
  static void mouse(QWidget* button, QEvent::Type type, QPoint at = QPoint(5, 5)) {
    QMouseEvent event(type, at, button->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(button, &event);
  }
  // Presses a jog button and waits for the motor to reach the jog speed in its direction.
  bool runs(frmJog* jog, int index, int rpm) {
    QWidget* button = find(jog, QString("cmdJog_%1").arg(index));
    if (!button->isEnabled()) return false;
    mouse(button, QEvent::MouseButtonPress);
    return apptest::WaitFor([&] { return statusValue("speed") == (index == 0 ? rpm : -rpm); });
  }
  // A held Space as the window system delivers it to the focused widget: bursts of key events
  // 30 ms apart, each event of a burst queued at once, so that it arrives inside whatever wait
  // for the line the program is in. Returns once every burst has been delivered.
  struct Key {
    QEvent::Type type;
    bool autoRepeat;
  };
  void deliverBursts(const QList<QList<Key>>& bursts) {
    QWindow* window = main->windowHandle();
    int next = 0;
    int delivered = 0;
    int total = 0;
    for (const QList<Key>& burst : bursts) total += burst.size();
    QTimer ticks;
    ticks.setInterval(30);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
      if (next == bursts.size()) return;
      for (const Key& key : bursts[next++])
        QTimer::singleShot(0, [window, key, &delivered] {
          qt_handleKeyEvent(window, key.type, Qt::Key_Space, Qt::NoModifier, " ", key.autoRepeat);
          ++delivered;
        });
    });
    ticks.start();
    EXPECT_TRUE(apptest::WaitFor([&] { return delivered == total; }, 30000));
  }
  // Press, `pairs` auto-repeat release and press pairs, release. A busy program does not always
  // recognise a pair as auto-repeat: `lastPairUnflagged` sends the last one as a real release
  // and press, in one burst with the release that ends the hold.
  static QList<QList<Key>> heldSpace(int pairs, bool lastPairUnflagged) {
    QList<QList<Key>> bursts{{{QEvent::KeyPress, false}}};
    for (int i = 0; i < pairs; ++i)
      bursts.append({{QEvent::KeyRelease, true}, {QEvent::KeyPress, true}});
    if (lastPairUnflagged) bursts.append({{QEvent::KeyRelease, false}, {QEvent::KeyPress, false}});
    bursts.last().append({QEvent::KeyRelease, false});
    return bursts;
  }
  void focusJogButton(frmJog* jog, int index) {
    main->activateWindow();
    find(jog, QString("cmdJog_%1").arg(index))->setFocus();
    ASSERT_TRUE(apptest::WaitFor(
        [&] { return QApplication::focusWidget() == find(jog, QString("cmdJog_%1").arg(index)); }));
  }
  bool stops() {
    return apptest::WaitFor([&] { return statusValue("jog") == 0 && statusValue("speed") == 0; },
                            10000);
  }

  frmMaintenance* screen = nullptr;
};

TEST_F(JogTest, TheSpeedIsCheckedBeforeItIsWritten) {
  startConnected(200);
  preset("P4.05", 0);
  ASSERT_NE(openScreen(), nullptr);
  frmJog* jog = frmJog::Display();
  EXPECT_EQ(find<QLineEdit>(jog, "txtJogSpeed")->text(), "0");
  EXPECT_FALSE(find(jog, "cmdJog_0")->isEnabled());
  setSpeed(jog, "0");
  EXPECT_TRUE(find(jog, "cmdJog_0")->isEnabled());
  for (const char* text : {"3001", "-1", "fast", "12abc"}) {
    prompt::ClearShownPrompts();
    setSpeed(jog, text);
    EXPECT_EQ(shown(), QStringList{kSpeedRefused}) << text;
    EXPECT_FALSE(find(jog, "cmdJog_0")->isEnabled()) << text;
    EXPECT_FALSE(find(jog, "cmdJog_1")->isEnabled()) << text;
  }
  prompt::ClearShownPrompts();
  setSpeed(jog, "3000");
  EXPECT_TRUE(shown().isEmpty());
  EXPECT_TRUE(regBecomes("P4.05", 3000));
  EXPECT_TRUE(find(jog, "cmdJog_1")->isEnabled());
}

TEST_F(JogTest, TheMotorTurnsWhileHeldAndEveryWayOfLettingGoStopsIt) {
  frmJog* jog = openJog(200);
  ASSERT_NE(jog, nullptr);
  setSpeed(jog, "600");
  ASSERT_TRUE(regBecomes("P4.05", 600));

  ASSERT_TRUE(runs(jog, 0, 600));
  mouse(find(jog, "cmdJog_0"), QEvent::MouseButtonRelease);
  EXPECT_TRUE(stops());
  EXPECT_EQ(basFunctions::WorkingConfig.P(4, 5), 600);  // the configuration keeps the speed

  ASSERT_TRUE(runs(jog, 1, 600));
  mouse(find(jog, "cmdJog_1"), QEvent::MouseButtonRelease, QPoint(-60, -60));  // let go outside
  EXPECT_TRUE(stops()) << "released outside the button";

  ASSERT_TRUE(runs(jog, 0, 600));
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(jog, &deactivate);
  EXPECT_TRUE(stops()) << "window lost the focus";

  ASSERT_TRUE(runs(jog, 0, 600));
  find(jog, "cmdClose")->click();
  EXPECT_TRUE(stops()) << "jog window closed";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frmJog::Instance(), nullptr);

  find(screen, "cmdJog")->click();
  jog = frmJog::Instance();
  ASSERT_TRUE(jog && runs(jog, 0, 600));
  closeScreen();
  EXPECT_TRUE(stops()) << "maintenance screen closed";
  EXPECT_EQ(frmJog::Instance(), nullptr);
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

// Every event of a held key can arrive while a press or a stop waits for the line. The motor
// turns while the key is held and stops when it is let go; a release and press the program
// takes for real stop the motor, never close the window or start it again.
TEST_F(JogTest, AHeldSpaceKeyJogsUntilLetGoAndNeverReachesClose) {
  frmJog* jog = openJog(200);
  ASSERT_NE(jog, nullptr);
  setSpeed(jog, "600");
  for (bool unflagged : {false, true}) {
    SCOPED_TRACE(unflagged ? "a pair taken for real" : "auto-repeat pairs");
    focusJogButton(jog, 0);
    bool ran = false;
    QTimer speed;
    QObject::connect(&speed, &QTimer::timeout, [&] { ran = ran || statusValue("speed") == 600; });
    speed.start(20);
    deliverBursts(heldSpace(20, unflagged));
    speed.stop();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(stops());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frmJog::Instance(), jog) << "the jog window was closed";
    EXPECT_TRUE(apptest::WaitFor([&] { return find(jog, "cmdJog_0")->isEnabled(); }));
    EXPECT_NE(QApplication::focusWidget(), find(jog, "cmdClose"));
  }
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

TEST_F(JogTest, ALostStopReplyIsSentAgainAndAStopNeverAnsweredIsToldPlainly) {
  frmJog* jog = openJog(200);
  ASSERT_NE(jog, nullptr);
  setSpeed(jog, "900");
  ASSERT_TRUE(runs(jog, 0, 900));
  // Polling paused, so that the stop is the request whose reply goes missing.
  host::Mod1().put_PollInterval(0);
  apptest::WaitFor([] { return false; }, 300);
  command("noreply 1");
  prompt::ClearShownPrompts();
  mouse(find(jog, "cmdJog_0"), QEvent::MouseButtonRelease);
  EXPECT_TRUE(stops());
  EXPECT_TRUE(
      statusListHas("The drive did not confirm the jog stop (no answer); sending it again"));
  EXPECT_TRUE(statusListHas("Jog stop confirmed"));
  EXPECT_TRUE(shown().isEmpty()) << shown().join("\n").toStdString();
  EXPECT_EQ(basComm::DriveConnected, 1);

  // A drive that answers nothing any more: three stops go out, then the connection is closed
  // (the watchdog takes over) and the technician is told the motor may still run.
  ASSERT_TRUE(runs(jog, 0, 900));
  command("noreply always");
  mouse(find(jog, "cmdJog_0"), QEvent::MouseButtonRelease);
  EXPECT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 20000));
  EXPECT_TRUE(shown().contains(
      "Jog Stop Not Confirmed | The drive did not confirm the jog stop: THE MOTOR MAY STILL BE "
      "RUNNING.\rThe connection has been closed; the drive's communication watchdog stops the "
      "motor within 10 seconds.\rIf the motor does not stop, stop it at the drive."))
      << shown().join("\n").toStdString();
  EXPECT_TRUE(
      statusListHas("The drive did not confirm the jog stop (no answer); closing the connection"));
  command("clear");
}

// The line lost while a jog button is held: the stop goes out at the first failed poll and once
// more before the port closes. A drive that still hears requests stops at the first of them; one
// that hears nothing is stopped by the watchdog the maintenance screen armed. Either way the
// technician is told that the stop was not answered.
TEST_F(JogTest, ALineLostWhileAJogButtonIsHeldStopsTheMotor) {
  const QString told =
      "Jog Stop Not Confirmed | The drive did not confirm the jog stop: THE MOTOR MAY STILL BE "
      "RUNNING.\rThe connection has been closed; the drive's communication watchdog stops the "
      "motor within 10 seconds.\rIf the motor does not stop, stop it at the drive.";
  for (const QString loss : {"replylost always", "noreply always"}) {
    SCOPED_TRACE(loss.toStdString());
    frmJog* jog = openJog(200);
    ASSERT_NE(jog, nullptr);
    setSpeed(jog, "600");
    ASSERT_TRUE(runs(jog, 0, 600));  // and held
    prompt::ClearShownPrompts();
    command(loss);
    ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 20000));
    if (loss.startsWith("replylost")) {
      EXPECT_TRUE(apptest::WaitFor([&] { return statusValue("speed") == 0; }, 2000));
      EXPECT_EQ(statusValue("jog"), 0);
      EXPECT_EQ(statusValue("fault"), 0);  // the program's stop, not the watchdog
    } else {
      EXPECT_TRUE(apptest::WaitFor(
          [&] { return statusValue("speed") == 0 && statusValue("fault") == 20; }, 15000));
    }
    EXPECT_TRUE(
        statusListHas("The drive did not answer the jog stop (no answer) before the connection "
                      "closed"));
    EXPECT_TRUE(apptest::WaitFor([&] { return shown().contains(told); }));
    EXPECT_EQ(shown().count(told), 1);
    command("clear");
    mouse(find(jog, "cmdJog_0"), QEvent::MouseButtonRelease);
  }
}

// The program is a child process here: it opens the maintenance screen (which arms the drive's
// watchdog), the motor is jogged through the drive's control channel, and the program is
// killed. The drive stops the motor with the serial time-out fault on its own, once the
// watchdog's 10 s have passed without a request; the next connection to the drive offers to put
// back what the dead program had recorded.
using JogWatchdogTest = MaintTest;

TEST_F(JogWatchdogTest,
       AKilledProgramsJogIsStoppedByTheWatchdogAndItsRecordOfferedAtTheNextConnection) {
  apptest::VirtualDrive watched;  // on COM2: COM1 belongs to the tests' own program
  ASSERT_TRUE(watched.start(2, {"--no-pacing"})) << watched.error().toStdString();
  apptest::ChildProgram program;
  ASSERT_TRUE(program.startWithMaintenanceScreen(folder, 2)) << program.error().toStdString();
  EXPECT_EQ(watched.command("get P3.03"), "OK 1");
  EXPECT_EQ(watched.command("get P3.04"), "OK 10");
  for (const char* line : {"di 1 1", "write P4.05 600", "write P4.05 4999"})
    ASSERT_TRUE(watched.command(line).startsWith("OK")) << line;
  ASSERT_TRUE(apptest::WaitFor([&] { return watched.command("status").contains(" speed=600 "); }));

  program.kill();
  QElapsedTimer sinceDeath;
  sinceDeath.start();
  ASSERT_TRUE(apptest::WaitFor(
      [&] {
        const QString status = watched.command("status");
        return status.contains(" speed=0 ") && status.contains(" fault=20 ");
      },
      40000))
      << watched.command("status").toStdString();
  EXPECT_GE(sinceDeath.elapsed(), 9000);  // the watchdog, not something earlier, stopped it
  EXPECT_TRUE(watched.command("status").contains("servo=off"));

  // The dead program's record of the drive's own values is offered at the next connection.
  startConnected(200);
  basComm::CloseConnection();
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Yes)});
  commSettings::Selection selection;
  selection.portIndex = 1;  // COM2
  selection.speedIndex = 2;
  selection.protocolIndex = 8;
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  ASSERT_EQ(basComm::DriveConnected, 1);
  host::Mod1().put_PollInterval(10);
  EXPECT_TRUE(apptest::WaitFor([&] { return watched.command("get P3.04") == "OK 0"; }, 20000))
      << shown().join("\n").toStdString();
  EXPECT_EQ(watched.command("get P3.03"), "OK 0");
  EXPECT_EQ(watched.command("get P2.30"), "OK 0");
  EXPECT_EQ(shown().filter("Maintenance Settings Left In Drive | ").size(), 1);
  basComm::CloseConnection();
}

}  // namespace
}  // namespace mainttest
