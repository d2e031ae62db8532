#include "tuning_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QtTest/QTest>

#include "core/app_state.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"
#include "scope/scope_capture.h"
#include "shell/frm_main.h"

namespace tuningtest {

void WriteTrace::Request(const uint8_t* bytes, size_t length) {
  QMutexLocker lock(&mutex_);
  request_ = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
}

void WriteTrace::Reply(const uint8_t*, size_t, int16_t result) {
  QMutexLocker lock(&mutex_);
  const auto byte = [&](int i) { return static_cast<uint8_t>(request_[i]); };
  if (request_.size() < 9 || byte(1) != 16) return;
  const int address = byte(2) << 8 | byte(3);
  const int count = byte(4) << 8 | byte(5);
  QStringList words;
  for (int i = 0; i < count; ++i)
    words << QString::number(static_cast<int16_t>(byte(7 + 2 * i) << 8 | byte(8 + 2 * i)));
  writes_ << QStringLiteral("P%1.%2=").arg(address / 256).arg(address % 256, 2, 10, QChar('0')) +
                 words.join(',') +
                 (result == 0 ? QString() : QStringLiteral(" refused %1").arg(result));
}

QStringList WriteTrace::take() {
  QMutexLocker lock(&mutex_);
  return std::exchange(writes_, {});
}

std::unique_ptr<TuningTest::Shared> TuningTest::shared;
frmMain* TuningTest::main = nullptr;
WriteTrace TuningTest::trace;

namespace {
// One poll item per interval: at 50 ms the eight blocks of the normal group come round in
// under half a second instead of eight.
constexpr int16_t kFastPoll = 50;
}  // namespace

void TuningTest::SetUpTestSuite() {
  shared = std::make_unique<Shared>();
  commSettings::LastCommSelection.fill(0);
  basFunctions::PauseScale = 0;
  if (!shared->drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2", "--no-pacing"})) {
    ADD_FAILURE() << shared->drive.error().toStdString();
    return;
  }
  main = shared->program.start();
  if (!main) return;
  basMain::ConfirmTuning = false;  // the shipped settings ask
  main->show();
  main->activateWindow();
  if (!QTest::qWaitForWindowActive(main)) ADD_FAILURE() << "the main window never became active";
  commSettings::Selection& selection = shared->selection;
  selection.portIndex = 0;
  selection.speedIndex = 0;
  selection.protocolIndex = 6;  // RTU 19200,N,8,2
  selection.speedText = "19200";
  selection.addressText = "1";
  connect();
}

void TuningTest::TearDownTestSuite() {
  if (host::HasMod1()) host::Mod1().SetTrace(nullptr);
  if (shared) shared->program.stop();
  shared.reset();
  main = nullptr;
  basFunctions::PauseScale = 1;
}

void TuningTest::SetUp() {
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(basComm::DriveConnected, 1);
  basMain::ConfirmTuning = false;
  trace.take();
  prompt::ScriptReplies({});
  prompt::ClearShownPrompts();
}

void TuningTest::TearDown() {
  prompt::ScriptReplies({});
  if (frmScope* scope = frmScope::Instance()) host::UnloadWindow(scope);
  if (frmTuning* window = frmTuning::Instance()) host::UnloadWindow(window);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  basScope::Pauses = {};
  const QStringList errors = shared->folder.logLines("Error.Log");
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
  shared->folder.writeLog("Error.Log", {});
  if (basComm::DriveConnected != 1) connect();
  host::Mod1().put_PollInterval(kFastPoll);  // a closed scope puts the normal interval back
}

// Connects without the specified pauses (the connect sequence's reads wait for their
// replies) and waits until every block of the normal group has come in on this connection.
void TuningTest::connect() {
  prompt::ScriptReplies({});
  commSettings::Connect(shared->selection);
  ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  host::Mod1().put_PollInterval(kFastPoll);
  ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000));
  host::Mod1().SetTrace(&trace);
  prompt::ClearShownPrompts();
}

void TuningTest::disconnect() {
  main->RunCommand("mnuDisconnect");
  main->tmrMain_Timer();  // the main window sees the drive off line
  ASSERT_EQ(basComm::DriveConnected, 0);
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
  const QString reply = shared->drive.command("get " + name);
  EXPECT_TRUE(reply.startsWith("OK ")) << reply.toStdString();
  return reply.mid(3).toInt();
}

void TuningTest::setRegister(const QString& name, int value) {
  ASSERT_EQ(shared->drive.command(QStringLiteral("set %1 %2").arg(name).arg(value)), "OK");
  const int group = name.mid(1, 1).toInt();
  const int number = name.mid(3).toInt();
  ASSERT_TRUE(
      apptest::WaitFor([&] { return basFunctions::DriveImage.P(group, number) == value; }, 10000))
      << name.toStdString();
}

}  // namespace tuningtest
