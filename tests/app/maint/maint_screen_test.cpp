// The maintenance screen against the virtual drive at firmware 2.00 and 2.10: the command,
// the drive's set-up and its restore, inputs under software control in each revision's bit
// order, toggles and forces, the software servo on, and the scope's hold on the screen.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSet>
#include <QTimer>

#include "core/host.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "maint/frm_maintenance.h"
#include "maint_fixture.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"
#include "shell/frm_main.h"

namespace mainttest {
namespace {

using apptest::Answer;
using basFunctions::DriveImage;

const QString kBackupQuestion =
    "Backup Before Making Changes! | Please ensure that you have backed up the current settings "
    "prior to making changes.\rWould you like to do that now?";
const QString kSettingsWarning =
    "Drive Settings May Have Changed | WARNING! Any changes made to the drive are permanent. "
    "Should you wish to\rchange back to the settings as they were prior to using the "
    "Maintenance screen,\rdo a download to the drive from the main screen.";
const QString kClearQuestion =
    " Warning - Normal Operation Will Resume! | You are about to clear all forces. Output "
    "states will resume under drive control.\r\rAre you sure?";

class MaintScreenTest : public MaintTest, public ::testing::WithParamInterface<int> {
 protected:
  bool is210() const { return GetParam() == 210; }
  QString maskRegister() const { return is210() ? "P3.08" : "P3.06"; }
  int maskNumber() const { return is210() ? 8 : 6; }
  int inputBit(int n) const {
    return drive_facts::BitOfPoint(drive_facts::InputBits(GetParam()), n);
  }
  // Clicks a check box or button once DriveImage has caught up with the drive's masks.
  void clickWhenCurrent(QAbstractButton* button) {
    ASSERT_TRUE(driveImageFollows(3, maskNumber()));
    ASSERT_TRUE(driveImageFollows(4, 7));
    button->click();
  }
};

INSTANTIATE_TEST_SUITE_P(Firmware, MaintScreenTest, ::testing::Values(200, 210));

TEST_P(MaintScreenTest, OpeningSetsUpTheDriveAndClosingRestoresIt) {
  startConnected(GetParam());
  // At 2.10 the drive already holds P2.30 = 5: the watchdog is armed all the same.
  preset("P2.30", is210() ? 5 : 2);
  preset(maskRegister(), inputBit(2));

  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->objectName(), is210() ? "frmMaintenance_210" : "frmMaintenance");
  EXPECT_EQ(shown(), QStringList{kBackupQuestion});
  EXPECT_EQ(reg("P2.30"), 5);
  EXPECT_EQ(reg("P3.03"), 1);
  EXPECT_EQ(reg("P3.04"), 10);
  EXPECT_EQ(reg("P6.00"), 3);
  EXPECT_EQ(reg("P6.12"), 2);
  EXPECT_EQ(reg("P6.24"), 8);
  EXPECT_EQ(basFunctions::PollGroup, 3);
  EXPECT_EQ(host::Mod1().get_PollInterval(), 100);
  EXPECT_EQ(host::Mod1().get_PollItemCount(), 6);
  EXPECT_EQ(host::Mod1().get_PollLength(5), is210() ? 3 : 2);

  EXPECT_EQ(screen->findChildren<QCheckBox*>(QRegularExpression("^chkDI_")).size(),
            is210() ? 16 : 8);
  EXPECT_EQ(find<QLabel>(screen, "lblDI_1")->text(), "DI 1 = 01: Servo On (SON)");
  EXPECT_EQ(find<QLabel>(screen, "lblDO_3")->text(), "DO 3 = 09: Homing Complete (HOME)");
  if (is210()) {
    EXPECT_EQ(find<QLabel>(screen, "lblDI_10")->text(),
              "DI 10 = 11: Position Command Select 0 (POS0)");
  }
  for (int n = 1; n <= (is210() ? 16 : 8); ++n)
    EXPECT_EQ(find<QCheckBox>(screen, QString("chkDI_%1").arg(n))->isChecked(), n == 2) << n;
  EXPECT_TRUE(find(screen, "cmdDI_2")->isEnabled());
  EXPECT_FALSE(find(screen, "cmdEnable")->isEnabled());  // DI1 is servo on
  EXPECT_TRUE(apptest::WaitFor(
      [&] { return find<QLabel>(screen, "lblStatus_0")->text() == "Servo Ready"; }));
  EXPECT_TRUE(
      apptest::WaitFor([&] { return !find<QLabel>(screen, "lblStatus_6")->text().isEmpty(); }));

  prompt::ClearShownPrompts();
  closeScreen();
  EXPECT_EQ(shown(), QStringList{kSettingsWarning});
  EXPECT_FALSE(basFunctions::FormIsOpen(is210() ? "frmMaintenance_210" : "frmMaintenance"));
  EXPECT_TRUE(regBecomes("P3.04", 0));
  EXPECT_EQ(reg("P3.03"), 0);
  EXPECT_EQ(reg("P2.30"), is210() ? 5 : 2);
  EXPECT_EQ(reg(maskRegister()), inputBit(2));
  EXPECT_EQ(basFunctions::PollGroup, 1);
  EXPECT_EQ(host::Mod1().get_PollItemCount(), 8);
  EXPECT_EQ(host::Mod1().get_PollInterval(), 1000);
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

TEST_P(MaintScreenTest, InputsUnderSoftwareControlUseTheDriveFactsBitOrder) {
  startConnected(GetParam());
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  const int liveAtOpening = reg("P4.07");

  // Input 3: bit 5 of P3.06 at 2.00 (input 1 is the most significant of 8), bit 2 of P3.08 at
  // 2.10 (input 1 is bit 0); its software state starts off.
  clickWhenCurrent(find<QCheckBox>(screen, "chkDI_3"));
  EXPECT_TRUE(regBecomes(maskRegister(), is210() ? 4 : 32));
  EXPECT_FALSE(statusValue("inputs") & inputBit(3));
  EXPECT_TRUE(find(screen, "cmdDI_3")->isEnabled());
  clickWhenCurrent(find(screen, "cmdDI_3"));
  EXPECT_TRUE(apptest::WaitFor([&] { return (statusValue("inputs") & inputBit(3)) != 0; }));
  EXPECT_TRUE(
      apptest::WaitFor([&] { return find<QLabel>(screen, "lblDIState_3")->text() == "On"; }, 5000));

  // Input 1 (servo on) switched by software: the drive turns the servo on, the screen allows
  // jogging and takes the output toggles away.
  clickWhenCurrent(find<QCheckBox>(screen, "chkDI_1"));
  EXPECT_TRUE(regBecomes(maskRegister(), inputBit(1) | inputBit(3)));
  clickWhenCurrent(find(screen, "cmdDI_1"));
  EXPECT_TRUE(apptest::WaitFor([&] { return drive.command("status").contains("servo=on"); }));
  EXPECT_TRUE(apptest::WaitFor([&] { return find(screen, "cmdJog")->isEnabled(); }));
  EXPECT_EQ(find<QLabel>(screen, "lblStatus_1")->text(), "Servo On");
  EXPECT_FALSE(find(screen, "cmdDO_1")->isEnabled());

  clickWhenCurrent(find<QCheckBox>(screen, "chkDI_3"));
  EXPECT_TRUE(regBecomes(maskRegister(), inputBit(1)));
  EXPECT_FALSE(find(screen, "cmdDI_3")->isEnabled());

  closeScreen();
  EXPECT_TRUE(regBecomes("P3.04", 0));
  EXPECT_EQ(reg(maskRegister()), 0);
  EXPECT_EQ(statusValue("inputs"), liveAtOpening);
  EXPECT_TRUE(drive.command("status").contains("servo=off"));
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

// At the main window's default 1024 x 720 and maximised on a 1366 x 768 laptop: Close and the
// motion buttons in view, the rest within reach of the scroll bars, no text cut, and every
// control a screen reader reaches named apart from the others.
TEST_P(MaintScreenTest, TheScreenFitsTheMainWindowAndNamesEachControlApart) {
  startConnected(GetParam());
  const QSize before = main->size();
  for (const QSize size : {QSize(1024, 720), QSize(1366, 768)}) {
    SCOPED_TRACE(size.width());
    main->resize(size);
    QCoreApplication::sendPostedEvents();
    frmMaintenance* screen = openScreen();
    ASSERT_NE(screen, nullptr);
    QWidget* view = main->findChild<QMdiArea*>()->viewport();
    const auto inView = [view](QWidget* widget) {
      return view->rect().contains(QRect(widget->mapTo(view, QPoint(0, 0)), widget->size()));
    };
    for (const char* name : {"cmdClose", "cmdJog", "cmdEnable", "cmdPosMove"})
      EXPECT_TRUE(inView(find<QWidget>(screen, name))) << name;
    EXPECT_TRUE(inView(screen->parentWidget()));
    auto* scroll = find<QScrollArea>(screen, "scrMaint");
    ASSERT_NE(scroll, nullptr);
    QWidget* content = scroll->widget();
    EXPECT_GE(content->width(), content->minimumSizeHint().width());
    EXPECT_GE(content->height(), content->minimumSizeHint().height());
    for (QLabel* label : screen->findChildren<QLabel*>()) {
      if (!label->isVisibleTo(screen) || label->text().isEmpty()) continue;
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    QStringList names;
    for (QAbstractButton* button : screen->findChildren<QAbstractButton*>())
      names << (button->accessibleName().isEmpty() ? button->text() : button->accessibleName());
    EXPECT_FALSE(names.contains(QString()));
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size())
        << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("DI 3 software control"));
    EXPECT_TRUE(names.contains("Toggle DO 2"));
    closeScreen();
  }
  main->resize(before);
}

// The line lost with the screen open: it shows no value it no longer receives and offers
// nothing that writes; connected again, it sets the drive up afresh and reads the maintenance
// group, so its values follow the drive.
TEST_F(MaintTest, AReconnectWithTheScreenOpenResumesItsValues) {
  startConnected(200);
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  command("di 1 1");
  QPushButton* jog = find(screen, "cmdJog");
  ASSERT_TRUE(apptest::WaitFor([&] { return jog->isEnabled(); }));
  command("noreply always");
  ASSERT_TRUE(apptest::WaitFor([] { return basComm::DriveConnected == 0; }, 20000));
  EXPECT_TRUE(apptest::WaitFor([&] { return !jog->isEnabled(); }));
  for (const char* name : {"lblStatus_1", "lblStatus_4", "lblStatus_6", "lblDIState_1"})
    EXPECT_EQ(find<QLabel>(screen, name)->text(), "") << name;
  EXPECT_FALSE(find(screen, "cmdDO_1")->isEnabled());

  command("clear");
  command("set P3.04 0");  // as if the drive had been powered off meanwhile
  reconnect();
  EXPECT_TRUE(apptest::WaitFor([] { return basFunctions::PollGroup == 3; }));
  EXPECT_EQ(host::Mod1().get_PollInterval(), 100);
  EXPECT_TRUE(regBecomes("P3.04", 10));
  for (const char* line : {"write P4.05 600", "write P4.05 4999"}) command(line);
  EXPECT_TRUE(apptest::WaitFor(
      [&] { return find<QLabel>(screen, "lblStatus_6")->text() == "600" && jog->isEnabled(); }));
  command("write P4.05 5000");
  EXPECT_TRUE(apptest::WaitFor([&] { return find<QLabel>(screen, "lblStatus_6")->text() == "0"; }));
  closeScreen();
}

TEST_F(MaintTest, OutputForcesFollowTogglesAndBoxesAndClearingAsksFirst) {
  startConnected(200);
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  // Servo off: the toggles force outputs. DO1 is the most significant of the five bits.
  ASSERT_TRUE(apptest::WaitFor([&] { return find(screen, "cmdDO_1")->isEnabled(); }));
  find(screen, "cmdDO_1")->click();
  EXPECT_TRUE(regBecomes("P4.06", 16));
  EXPECT_EQ(reg("P4.09"), 16);
  // The poll handler shows who drives the outputs at once, tmrMaint the states at its next
  // tick: wait for both (DO2, servo ready, was on under the drive's control).
  EXPECT_TRUE(apptest::WaitFor([&] {
    return find<QLabel>(screen, "lblControl")->text() == "Outputs Under Software Control" &&
           find<QLabel>(screen, "lblDOState_1")->text() == "On" &&
           find<QLabel>(screen, "lblDOState_2")->text() == "Off";
  }));
  EXPECT_TRUE(find(screen, "cmdClearDOForces")->isEnabled());

  // Toggling the last force off asks first; No keeps it.
  ASSERT_TRUE(driveImageFollows(4, 6));
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::No)});
  find(screen, "cmdDO_1")->click();
  EXPECT_EQ(shown(), QStringList{kClearQuestion});
  EXPECT_EQ(reg("P4.06"), 16);

  // Force Outputs sends the pattern of the boxes and is spent until a box changes again.
  EXPECT_FALSE(find(screen, "cmdForceOuts")->isEnabled());
  find<QCheckBox>(screen, "chkDO_2")->click();
  find<QCheckBox>(screen, "chkDO_5")->click();
  ASSERT_TRUE(find(screen, "cmdForceOuts")->isEnabled());
  find(screen, "cmdForceOuts")->click();
  EXPECT_TRUE(regBecomes("P4.06", 8 | 1));
  EXPECT_FALSE(find(screen, "cmdForceOuts")->isEnabled());

  // Closing with forces left offers to stay; Clear DO Forces asks, then clears.
  ASSERT_TRUE(driveImageFollows(4, 6));
  prompt::ClearShownPrompts();
  closeScreen({Answer(prompt::Yes)});
  ASSERT_EQ(frmMaintenance::OpenScreen(), screen);
  EXPECT_EQ(shown().value(0).section(" | ", 0, 0), "Forces Remain");
  prompt::ScriptReplies({Answer(prompt::Yes)});
  screen->parentWidget()->close();  // the title bar's close asks the same
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(frmMaintenance::OpenScreen(), screen);
  EXPECT_EQ(shown().value(1), shown().value(0));
  prompt::ScriptReplies({Answer(prompt::Yes)});
  find(screen, "cmdClearDOForces")->click();
  EXPECT_TRUE(regBecomes("P4.06", 0));
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

TEST_F(MaintTest, TheCommandRefusesTorqueModeAndOffersABackupFirst) {
  startConnected(200);
  preset("P1.01", 3);
  prompt::ScriptReplies({});
  main->RunCommand("mnuMaint");
  EXPECT_EQ(shown(), QStringList{"Screen Unavailable | Maintenance screen is unavailable in "
                                 "Torque Mode"});
  EXPECT_EQ(frmMaintenance::OpenScreen(), nullptr);

  // Yes to the backup: the drive's settings are uploaded and saved before the screen opens.
  preset("P1.01", 0);
  prompt::ClearShownPrompts();
  const QString backup = folder.path() + "/Configs/before maintenance.vmc";
  prompt::ScriptReplies({Answer(prompt::Yes), Answer(prompt::Yes), apptest::Text(backup)});
  main->RunCommand("mnuMaint");
  ASSERT_GE(shown().size(), 2);
  EXPECT_EQ(shown()[0], kBackupQuestion);
  EXPECT_EQ(shown()[1].section(" | ", 0, 0), "Verification Required");
  EXPECT_TRUE(QFile::exists(backup));
  EXPECT_NE(frmMaintenance::OpenScreen(), nullptr);
}

// Every value the screen saved at opening is back in the drive after each way of closing it,
// the inputs it put under software control and their forced states included.
TEST_F(MaintTest, EveryValueSavedAtOpeningIsBackAfterEachWayOfClosing) {
  const int bit2 = drive_facts::BitOfPoint(drive_facts::InputBits(200), 2);
  for (const char* way : {"Close", "title bar", "disconnect", "program end"}) {
    SCOPED_TRACE(way);
    startConnected(200);
    preset("P2.30", 2);
    preset("P3.03", 1);
    preset("P3.04", 3);
    preset("P3.06", bit2);
    preset("P4.07", bit2);  // input 2 forced on
    const int states = reg("P4.07");
    frmMaintenance* screen = openScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(driveImageFollows(3, 6));
    ASSERT_TRUE(driveImageFollows(4, 7));
    find<QCheckBox>(screen, "chkDI_3")->click();
    find(screen, "cmdDI_3")->click();
    ASSERT_TRUE(driveImageFollows(4, 7));
    find(screen, "cmdDI_2")->click();
    ASSERT_TRUE(apptest::WaitFor([&] { return reg("P4.07") != states && reg("P3.06") != bit2; }));
    ASSERT_EQ(reg("P2.30"), 5);
    ASSERT_EQ(reg("P3.04"), 10);
    // Disconnecting asks first; every way then shows the settings warning.
    prompt::ScriptReplies(
        {Answer(QString(way) == "disconnect" ? prompt::Yes : prompt::Ok), Answer(prompt::Ok)});
    if (QString(way) == "Close") find(screen, "cmdClose")->click();
    if (QString(way) == "title bar") screen->parentWidget()->close();
    if (QString(way) == "disconnect") main->mnuDisconnect_Click();
    if (QString(way) == "program end") endProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmMaintenance::OpenScreen(), nullptr);
    EXPECT_EQ(reg("P2.30"), 2);
    EXPECT_EQ(reg("P3.03"), 1);
    EXPECT_EQ(reg("P3.04"), 3);
    EXPECT_EQ(reg("P3.06"), bit2);
    EXPECT_EQ(reg("P4.07"), states);
  }
}

TEST_F(MaintTest, DisconnectingClosesTheScreenAndRestoresTheDriveFirst) {
  startConnected(200);
  preset("P2.30", 2);
  const int watchdog = reg("P3.04");
  ASSERT_NE(openScreen(), nullptr);
  EXPECT_EQ(reg("P2.30"), 5);
  EXPECT_EQ(reg("P3.04"), 10);
  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->mnuDisconnect_Click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frmMaintenance::OpenScreen(), nullptr);
  EXPECT_EQ(basComm::DriveConnected, 0);
  // Every write of the closing has been answered before the port closed.
  EXPECT_EQ(reg("P3.04"), watchdog);
  EXPECT_EQ(reg("P2.30"), 2);
}

// Reinit waits for the line with events running; a screen closed meanwhile (and deleted) must
// keep its restore: the set-up's remaining writes are dropped.
TEST_F(MaintTest, AReinitUnderWayWhenTheScreenClosesLeavesTheRestoreStanding) {
  startConnected(200);
  preset("P2.30", 2);
  const int watchdog = reg("P3.04");
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  basFunctions::DriveImage.P(2, 30) = 0;  // as if the drive had lost its set-up
  basFunctions::DriveImage.P(3, 4) = 0;
  QTimer::singleShot(0, [&] { closeScreen(); });
  screen->Reinit();
  EXPECT_EQ(frmMaintenance::OpenScreen(), nullptr);
  EXPECT_EQ(reg("P2.30"), 2);
  EXPECT_EQ(reg("P3.04"), watchdog);
  EXPECT_EQ(basFunctions::PollGroup, 1);
}

// At 2.10 only P2.10..P2.17 assign inputs: P2.23 (the notch frequency) ending in 01 is not a
// servo-on input. The screen's servo on is switched off again when it closes.
TEST_F(MaintTest, SoftwareServoOnIsOfferedWhenNoInputIsServoOn) {
  startConnected(210);
  preset("P2.10", 104);
  preset("P2.23", 1001);
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  QPushButton* enable = find(screen, "cmdEnable");
  ASSERT_TRUE(enable->isEnabled());
  EXPECT_EQ(enable->text(), "Enable Drive");
  enable->click();
  EXPECT_EQ(enable->text(), "Disable Drive");
  EXPECT_TRUE(regBecomes("P2.51", 1));
  EXPECT_TRUE(apptest::WaitFor([&] { return drive.command("status").contains("servo=on"); }));
  closeScreen();
  EXPECT_TRUE(regBecomes("P2.51", 0));
  EXPECT_TRUE(drive.command("status").contains("servo=off"));
}

// While the scope captures it owns the polling: the screen's timers stop and its motion and
// input controls are held, and all comes back when the capture ends.
TEST_F(MaintTest, AScopeCaptureHoldsTheScreen) {
  startConnected(210);
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  auto* tmrMaint = screen->findChild<QTimer*>("tmrMaint");
  ASSERT_TRUE(tmrMaint && tmrMaint->isActive());
  const bool chkEnabled = find<QCheckBox>(screen, "chkDI_16")->isEnabled();
  prompt::ScriptReplies({Answer(prompt::Yes)});  // 19200 baud: two channels
  main->RunCommand("mnuScope");
  frmScope* scope = frmScope::Instance();
  ASSERT_NE(scope, nullptr);
  find<QComboBox>(scope, "cmbScopeMode")->setCurrentIndex(2);
  find(scope, "cmdStartStopScope")->click();
  EXPECT_EQ(basFunctions::PollGroup, 2);
  EXPECT_FALSE(tmrMaint->isActive());
  for (const char* name : {"chkDI_16", "cmdDI_1", "cmdDO_5", "cmdJog", "cmdEnable"})
    EXPECT_FALSE(find<QWidget>(screen, name)->isEnabled()) << name;
  apptest::WaitFor([] { return false; }, 300);
  EXPECT_FALSE(tmrMaint->isActive());
  find(scope, "cmdStartStopScope")->click();
  EXPECT_EQ(basFunctions::PollGroup, 3);
  EXPECT_TRUE(tmrMaint->isActive());
  EXPECT_EQ(find<QCheckBox>(screen, "chkDI_16")->isEnabled(), chkEnabled);
}

}  // namespace
}  // namespace mainttest
