#include "tuning_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QtTest/QTest>

#include "link/bas_comm.h"
#include "params/value_table.h"
#include "scope/scope_capture.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/host.h"
#include "shell/poll_groups.h"
#include "shell/status.h"

namespace tuningtest {

void WriteTrace::Request(const uint8_t* bytes, size_t length) {
  QMutexLocker lock(&mutex_);
  request_ = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
}

void WriteTrace::Reply(const uint8_t*, size_t, int16_t result) {
  QMutexLocker lock(&mutex_);
  const auto byte = [&](int i) { return static_cast<uint8_t>(request_[i]); };
  if (result != 0 || request_.size() < 9 || byte(1) != 16) return;
  const int address = byte(2) << 8 | byte(3);
  const int count = byte(4) << 8 | byte(5);
  QStringList words;
  for (int i = 0; i < count; ++i)
    words << QString::number(static_cast<int16_t>(byte(7 + 2 * i) << 8 | byte(8 + 2 * i)));
  writes_ << QStringLiteral("P%1.%2=").arg(address / 256).arg(address % 256, 2, 10, QChar('0')) +
                 words.join(',');
}

QStringList WriteTrace::take() {
  QMutexLocker lock(&mutex_);
  return std::exchange(writes_, {});
}

void TuningTest::SetUp() {
  commSettings::LastCommSelection.fill(0);
  ASSERT_TRUE(drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2"}))
      << drive.error().toStdString();
  main = program.start();
  ASSERT_NE(main, nullptr);
  basMain::ConfirmTuning = false;  // the shipped settings ask
  main->show();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main));
  selection.portIndex = 0;
  selection.speedIndex = 0;
  selection.protocolIndex = 6;  // RTU 19200,N,8,2
  selection.speedText = "19200";
  selection.addressText = "1";
  connect(true);
}

void TuningTest::TearDown() {
  EXPECT_TRUE(folder.logLines("Error.Log").isEmpty())
      << folder.logLines("Error.Log").join("\n").toStdString();
  if (host::HasMod1()) host::Mod1().SetTrace(nullptr);
  basFunctions::PauseScale = 1;
  basMain::ConfirmTuning = false;
  basScope::Pauses = {};
  program.stop();
}

// Connects at full pacing, then takes the pauses out and starts tracing the writes. A fresh
// DriveImage (the first connection of a test) is waited for until the gain blocks are in.
void TuningTest::connect(bool fresh) {
  if (fresh) basFunctions::DriveImage.clear();
  basFunctions::PauseScale = 1;
  prompt::ScriptReplies({});
  commSettings::Connect(selection);
  ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000));
  if (fresh)
    ASSERT_TRUE(apptest::WaitFor(
        [] {
          return basFunctions::DriveImage.P(1, 37) != 0 && basFunctions::DriveImage.P(2, 0) != 0;
        },
        30000));
  basFunctions::PauseScale = 0;
  host::Mod1().SetTrace(&trace);
  prompt::ClearShownPrompts();
}

frmTuning* TuningTest::open() {
  QAction* button = main->findChild<QAction*>(QStringLiteral("tbrMain_9"));
  EXPECT_TRUE(apptest::WaitFor([&] { return button->isEnabled(); }));
  button->trigger();
  tuning = frmTuning::Instance();
  EXPECT_NE(tuning, nullptr);
  settle();
  trace.take();
  return tuning;
}

QLineEdit* TuningTest::box(int index) const {
  return tuning->findChild<QLineEdit*>(QStringLiteral("txtNew_%1").arg(index));
}

void TuningTest::click(const QString& button, const QList<prompt::Reply>& replies) {
  prompt::ScriptReplies(replies);
  find<QPushButton>(button)->click();
  settle();
}

// The last write's reply is in (and traced) once the control is idle again.
void TuningTest::settle() {
  EXPECT_TRUE(apptest::WaitFor([] { return host::Mod1().IsBusy() == portwright::VARIANT_FALSE; }));
  QApplication::processEvents();
}

void TuningTest::type(int index, const QString& text) {
  box(index)->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
  box(index)->selectAll();
  QTest::keyClicks(box(index), text);
}

void TuningTest::leave(int index) {
  QTest::keyClick(box(index), Qt::Key_Tab);
  QApplication::processEvents();
}

void TuningTest::setMode(int mode) {
  find<QComboBox>("cmbMode")->setCurrentIndex(mode);
  click("cmdSetMode", {apptest::Answer(prompt::Yes)});
}

int TuningTest::registerValue(const QString& name) {
  const QString reply = drive.command("get " + name);
  EXPECT_TRUE(reply.startsWith("OK ")) << reply.toStdString();
  return reply.mid(3).toInt();
}

void TuningTest::waitForPoll(int group, int number, int value) {
  ASSERT_TRUE(
      apptest::WaitFor([&] { return basFunctions::DriveImage.P(group, number) == value; }, 15000));
}

}  // namespace tuningtest
