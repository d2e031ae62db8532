// The tuning screen against the virtual drive: what each mode sends and in which order, the
// level in P2.31, Revert, the confirmations, refused entries, and the scope beside it.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <algorithm>

#include "core/app_state.h"
#include "core/status.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"
#include "shell/frm_main.h"
#include "tuning_fixture.h"

namespace tuningtest {
namespace {

using apptest::Answer;
using basTuning::kParams;

// A value of the drive's range for every gain, different per mode and parameter.
QString valueFor(int mode, int index) {
  const int whole =
      20 + 5 * mode + static_cast<int>(kParams.size()) - 1 -
      static_cast<int>(std::find(kParams.begin(), kParams.end(), index) - kParams.begin());
  return index == 137 || index == 225 ? QStringLiteral("%1.5").arg(whole) : QString::number(whole);
}
int rawFor(int mode, int index) {
  const double value = valueFor(mode, index).toDouble();
  return static_cast<int>(index == 137 || index == 225 ? value * 10 : value);
}
QString name(int index) {
  return QStringLiteral("P%1.%2").arg(index / 100).arg(index % 100, 2, 10, QChar('0'));
}

TEST_F(TuningTest, EachModeSendsItsOwnBoxesInOrderAfterTheLevelAndModePair) {
  setRegister("P2.31", 0x44);
  open();
  EXPECT_EQ(tuning->windowTitle(), " Tuning Screen");
  for (int mode = 0; mode < basTuning::kModes; ++mode) {
    SCOPED_TRACE(mode);
    setMode(mode);
    EXPECT_EQ(trace.take(), QStringList{QStringLiteral("P2.32=%1").arg(mode)});
    const QList<int>& writes = basTuning::SingleWrites(mode);
    for (int index : kParams) EXPECT_EQ(box(index)->isEnabled(), writes.contains(index)) << index;
    for (int level = 0; level < basTuning::kLevels; ++level)
      EXPECT_EQ(find<QWidget>(QStringLiteral("optStiffness_%1").arg(level))->isEnabled(), mode > 0);
    const int level = 10 + mode % 5;
    if (mode > 0) find<QAbstractButton>(QStringLiteral("optStiffness_%1").arg(level))->click();
    QStringList expected;
    if (mode > 0) expected << QStringLiteral("P2.31=%1,%2").arg(0x40 | level).arg(mode);
    for (int index : writes) {
      type(index, valueFor(mode, index));
      leave(index);
      expected << name(index) + "=" + QString::number(rawFor(mode, index));
    }
    click("cmdUpdate");
    EXPECT_EQ(trace.take(), expected);
    for (int index : writes) EXPECT_EQ(registerValue(name(index)), rawFor(mode, index)) << index;
  }
  EXPECT_EQ(find<QLabel>("lblLevel")->text(), "Response Level");
  EXPECT_EQ(prompt::ShownPrompts().size(), basTuning::kModes);  // one question per Set
}

// The level is the low hexadecimal digit; the drive's high digit stays, also when it is 0.
TEST_F(TuningTest, TheLevelReplacesOnlyTheLowDigitOfP231) {
  setRegister("P2.31", 0x44);
  open();
  setMode(1);
  EXPECT_TRUE(find<QAbstractButton>("optStiffness_4")->isChecked());  // the drive's level
  find<QAbstractButton>("optStiffness_10")->click();
  trace.take();
  click("cmdUpdate");
  EXPECT_EQ(trace.take().value(0), "P2.31=74,1");  // 0x4A and the mode, one write
  setRegister("P2.31", 5);
  click("cmdUpdate");
  EXPECT_EQ(trace.take().value(0), "P2.31=10,1");
}

// Revert offers the drive's values from before the window first wrote: a connection made
// while nothing was sent yet brings the snapshot up to date (raw units, the Revert layout);
// after a write it stays, even though the drive then holds the tuned gains.
TEST_F(TuningTest, RevertOffersTheDrivesValuesFromBeforeTheWindowFirstWroteAcrossReconnects) {
  setRegister("P2.32", 0);
  setRegister("P1.37", 100);
  setRegister("P2.00", 77);
  open();
  EXPECT_EQ(basTuning::SnapshotValue(200), 77);

  disconnect();
  EXPECT_EQ(basTuning::RevertSnapshot[basTuning::kSnapshotRefreshes], 0);
  EXPECT_FALSE(main->action("mnuTuning")->isEnabled());
  tuning->tmrTuning_Timer();  // off line: nothing to take
  ASSERT_EQ(shared->drive.command("set P2.00 88"), "OK");
  connect();
  for (int tick = 0; tick < 3; ++tick) tuning->tmrTuning_Timer();
  EXPECT_EQ(basTuning::RevertSnapshot[basTuning::kSnapshotRefreshes], 2);
  EXPECT_EQ(basTuning::RevertSnapshot[0], 88);   // P2.00 raw, entry 0
  EXPECT_EQ(basTuning::RevertSnapshot[9], 100);  // P1.37 raw, entry 9

  QMap<int, int> opening;
  for (int index : basTuning::SingleWrites(0)) opening[index] = registerValue(name(index));
  for (int index : basTuning::SingleWrites(0)) {
    type(index, valueFor(1, index));
    leave(index);
  }
  click("cmdUpdate");
  setMode(2);
  click("cmdRevert", {Answer(prompt::Cancel)});
  EXPECT_EQ(box(200)->text(), valueFor(1, 200));
  EXPECT_EQ(find<QComboBox>("cmbMode")->currentIndex(), 2);

  disconnect();
  connect();
  for (int tick = 0; tick < 3; ++tick) tuning->tmrTuning_Timer();
  EXPECT_EQ(basFunctions::DriveImage.P(2, 0), rawFor(1, 200));
  EXPECT_EQ(basTuning::RevertSnapshot[0], 88);

  click("cmdRevert", {Answer(prompt::Ok)});
  EXPECT_EQ(prompt::ShownPrompts().last().text,
            "This action will populate the 'New' value text boxes with the\r"
            "values as they were prior to opening the Tuning Dialog.\r\r"
            "You must then click the button labeled 'Click To Send New Settings To Drive'\r"
            "for the changes to be sent to the drive.");
  EXPECT_EQ(box(200)->text(), "88");
  EXPECT_EQ(box(137)->text(), "10");  // raw 100 at resolution 10
  EXPECT_EQ(find<QComboBox>("cmbMode")->currentIndex(), 0);
  EXPECT_TRUE(box(204)->isEnabled());
  trace.take();
  click("cmdUpdate");  // straight away: the mode shown first, then the boxes as they stand
  const QStringList writes = trace.take();
  EXPECT_EQ(writes.size(), 9);
  EXPECT_EQ(writes.value(0), "P2.32=0");
  for (int index : basTuning::SingleWrites(0))
    EXPECT_EQ(registerValue(name(index)), opening[index]) << index;
  EXPECT_EQ(registerValue("P2.32"), 0);
}

// Only the boxes that hold a value are sent: an empty box leaves the drive's gain alone
// (its WorkingConfig entry, here 0, is never sent).
TEST_F(TuningTest, UpdateAsksOnlyWhenConfirmationIsOnWhileSetAndCloseAlwaysAsk) {
  setRegister("P2.32", 0);
  open();
  type(200, "44");
  leave(200);
  basMain::ConfirmTuning = true;
  click("cmdUpdate", {Answer(prompt::No)});
  EXPECT_EQ(apptest::ShownSummary(),
            QStringList{"MsgBox: Confirmation Needed | This will send the changes to the drive "
                        "immediately.\rDo you wish to continue?"});
  EXPECT_TRUE(trace.take().isEmpty());
  click("cmdUpdate", {Answer(prompt::Yes)});
  EXPECT_EQ(trace.take(), QStringList{"P2.00=44"});
  basMain::ConfirmTuning = false;
  prompt::ClearShownPrompts();
  basFunctions::WorkingConfig.P(2, 4) = 0;
  box(200)->clear();
  type(206, "30");
  leave(206);
  click("cmdUpdate");
  EXPECT_EQ(trace.take(), QStringList{"P2.06=30"});
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
  EXPECT_EQ(registerValue("P2.00"), 44);

  find<QComboBox>("cmbMode")->setCurrentIndex(3);
  click("cmdSetMode", {Answer(prompt::No)});
  EXPECT_EQ(apptest::ShownSummary(),
            QStringList{"MsgBox: Confirmation Needed | Clicking 'Set' will send the mode change to "
                        "the drive immediately.\rDo you wish to continue?"});
  EXPECT_EQ(find<QComboBox>("cmbMode")->currentIndex(), 0);  // the drive's mode again
  EXPECT_TRUE(trace.take().isEmpty());

  click("cmdClose", {Answer(prompt::No)});
  EXPECT_TRUE(basFunctions::FormIsOpen("frmTuning"));
  // The title-bar close asks the same question.
  prompt::ScriptReplies({Answer(prompt::No)});
  tuning->parentWidget()->close();
  EXPECT_TRUE(basFunctions::FormIsOpen("frmTuning"));
  EXPECT_EQ(prompt::ShownPrompts().size(), 3);
  EXPECT_EQ(prompt::ShownPrompts().last().text, prompt::ShownPrompts().value(1).text);
  click("cmdClose", {Answer(prompt::Yes)});
  EXPECT_EQ(prompt::ShownPrompts().last().text,
            "Are you sure you want to close the tuning dialog?\r"
            "Once you close this screen, your option to revert to     \r"
            "your original settings will no longer be available.\r\r"
            "Click 'Yes' to close without reverting.");
  EXPECT_FALSE(basFunctions::FormIsOpen("frmTuning"));
}

// A typed text that is not a number would be a gain of 0: it is refused like a value out of
// range, on leaving the box and on Update alike.
TEST_F(TuningTest, TextThatIsNotANumberIsRefusedLikeAValueOutOfRange) {
  setRegister("P2.32", 0);
  open();
  basFunctions::WorkingConfig.P(2, 0) = 35;
  const struct {
    const char* text;
    const char* ending;
  } refused[] = {{"abc", "is not a number!"},
                 {"1O0", "is not a number!"},
                 {"2001", "is too high!"},
                 {"0", "is too low!"}};
  for (const auto& entry : refused) {
    SCOPED_TRACE(entry.text);
    prompt::ClearShownPrompts();
    type(200, entry.text);
    leave(200);
    ASSERT_EQ(prompt::ShownPrompts().size(), 1);
    EXPECT_EQ(prompt::ShownPrompts()[0].title, "Value Out Of Range");
    EXPECT_EQ(prompt::ShownPrompts()[0].text,
              QStringLiteral("The value entered for P2.00 ") + entry.ending);
    EXPECT_EQ(prompt::ShownPrompts()[0].icon, prompt::Icon::Exclamation);
    EXPECT_TRUE(box(200)->text().isEmpty());
    EXPECT_TRUE(box(200)->hasFocus());
    EXPECT_EQ(basFunctions::WorkingConfig.P(2, 0), 35);
  }
  prompt::ClearShownPrompts();
  type(200, "2000");  // the maximum itself
  leave(200);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
  EXPECT_EQ(basFunctions::WorkingConfig.P(2, 0), 2000);

  type(204, "x5");
  click("cmdUpdate");  // the box never lost the focus
  EXPECT_EQ(
      apptest::ShownSummary(),
      QStringList{"MsgBox: Value Out Of Range | The value entered for P2.04 is not a number!"});
  EXPECT_TRUE(trace.take().isEmpty());
}

// Once a second the window shows DriveImage in display units and locks the mode while the
// servo is on (bit 1 of P6.37): the drive takes no mode change then.
TEST_F(TuningTest, TheTimerShowsTheDrivesGainsAndLocksTheModeWhileTheServoIsOn) {
  setRegister("P2.32", 0);
  setRegister("P1.37", 125);
  setRegister("P2.25", 37);
  open();
  tuning->tmrTuning_Timer();
  EXPECT_EQ(find<QLabel>("lblCurrent_137")->text(), "12.5");
  EXPECT_EQ(find<QLabel>("lblCurrent_225")->text(), "3.7");
  EXPECT_EQ(find<QLabel>("lblCurrent_201")->text(), "");
  const QPalette system = QApplication::palette();
  EXPECT_EQ(box(201)->palette().color(QPalette::Base),
            system.color(QPalette::Disabled, QPalette::Text));
  EXPECT_EQ(box(200)->palette().color(QPalette::Base),
            system.color(QPalette::Active, QPalette::Base));
  EXPECT_TRUE(find<QComboBox>("cmbMode")->isEnabled());

  const auto servoOnIs = [&](bool on) {
    ASSERT_EQ(shared->drive.command(on ? "di 1 1" : "di 1 0"), "OK");  // DI1: servo on
    ASSERT_TRUE(
        apptest::WaitFor([&] { return ((basFunctions::DriveImage.P(6, 37) & 0x2) != 0) == on; }));
    tuning->tmrTuning_Timer();
  };
  servoOnIs(true);
  EXPECT_FALSE(find<QComboBox>("cmbMode")->isEnabled());
  EXPECT_FALSE(find<QPushButton>("cmdSetMode")->isEnabled());
  servoOnIs(false);
  EXPECT_TRUE(find<QComboBox>("cmbMode")->isEnabled());
  EXPECT_TRUE(find<QPushButton>("cmdSetMode")->isEnabled());
}

TEST_F(TuningTest, TheScopeOpensBesideItWithoutSpeedQuestionsAndHoldsUpdateWhileCapturing) {
  basScope::Pauses = {0.05, 0.05, 0.05, 0, 0};
  open();
  click("cmdScope");
  frmScope* scope = frmScope::Instance();
  ASSERT_NE(scope, nullptr);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << apptest::ShownSummary().join("\n").toStdString();
  scope->findChild<QComboBox*>("cmbScopeMode")->setCurrentIndex(2);  // free running
  scope->findChild<QPushButton*>("cmdStartStopScope")->click();
  ASSERT_TRUE(scope->capture().Running);
  EXPECT_FALSE(find<QPushButton>("cmdUpdate")->isEnabled());
  click("cmdClose", {Answer(prompt::Yes)});
  QApplication::processEvents();
  open();  // opened during the capture: Update waits for its end as well
  EXPECT_FALSE(find<QPushButton>("cmdUpdate")->isEnabled());
  scope->findChild<QPushButton*>("cmdStartStopScope")->click();
  ASSERT_TRUE(apptest::WaitFor([&] { return !scope->capture().Running; }));
  EXPECT_TRUE(find<QPushButton>("cmdUpdate")->isEnabled());
}

}  // namespace
}  // namespace tuningtest
