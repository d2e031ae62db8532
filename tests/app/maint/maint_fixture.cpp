#include "maint_fixture.h"

#include <QCoreApplication>
#include <QListWidget>

#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "maint/frm_maintenance.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"
#include "shell/host.h"
#include "shell/poll_groups.h"
#include "shell/status.h"

namespace mainttest {

void MaintTest::SetUp() { basFunctions::PauseScale = 0; }

void MaintTest::TearDown() {
  if (frmMaintenance* screen = frmMaintenance::OpenScreen()) {
    prompt::ScriptReplies({});
    host::UnloadWindow(screen);
  }
  program.stop();
  basFunctions::PauseScale = 1;
}

void MaintTest::startConnected(int revision, const QStringList& driveArguments) {
  ASSERT_TRUE(drive.start(1, QStringList{"--firmware", QString::number(revision)} + driveArguments))
      << drive.error().toStdString();
  main = program.start();
  ASSERT_NE(main, nullptr);
  basFunctions::DriveImage.clear();
  basFunctions::PollItemSeen.fill(0);
  basFunctions::InitComplete = false;
  basFunctions::ConnectedAmpCode = 0;
  basFunctions::PauseScale = 1;  // the connect sequence's waits keep their length
  commSettings::Selection selection;
  selection.portIndex = 0;      // COM1
  selection.speedIndex = 2;     // 19200
  selection.protocolIndex = 8;  // RTU 8,O,1
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  ASSERT_EQ(basComm::DriveConnected, 1) << shown().join("\n").toStdString();
  ASSERT_TRUE(apptest::WaitFor(
      [] { return basFunctions::InitComplete && basFunctions::ConnectedAmpCode != 0; }, 30000));
  basFunctions::PauseScale = 0;
  prompt::ClearShownPrompts();
}

frmMaintenance* MaintTest::openScreen() {
  prompt::ScriptReplies({apptest::Answer(prompt::No)});
  main->RunCommand("mnuMaint");
  return frmMaintenance::OpenScreen();
}

void MaintTest::closeScreen(const QList<prompt::Reply>& replies) {
  prompt::ScriptReplies(replies);
  if (frmMaintenance* screen = frmMaintenance::OpenScreen()) find(screen, "cmdClose")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int MaintTest::reg(const QString& name) {
  const QString reply = drive.command("get " + name);
  EXPECT_TRUE(reply.startsWith("OK ")) << reply.toStdString();
  return reply.mid(3).toInt();
}

bool MaintTest::regBecomes(const QString& name, int value) {
  return apptest::WaitFor([&] { return drive.command("get " + name) == "OK " + QString::number(value); },
                          10000);
}

int MaintTest::statusValue(const QString& key) {
  const QString reply = drive.command("status");
  for (const QString& word : reply.split(' '))
    if (word.startsWith(key + "=")) return word.mid(key.size() + 1).toInt();
  ADD_FAILURE() << "no " << key.toStdString() << " in " << reply.toStdString();
  return 0;
}

void MaintTest::command(const QString& line) {
  const QString reply = drive.command(line);
  ASSERT_TRUE(reply.startsWith("OK")) << line.toStdString() << ": " << reply.toStdString();
}

bool MaintTest::driveImageFollows(int group, int number) {
  const int expected = reg(QStringLiteral("P%1.%2").arg(group).arg(number, 2, 10, QChar('0')));
  return apptest::WaitFor(
      [&] { return basFunctions::DriveImage.P(group, number) == expected; }, 10000);
}

QStringList MaintTest::shown() const {
  QStringList lines;
  for (const prompt::Shown& prompt : prompt::ShownPrompts()) lines << prompt.title + " | " + prompt.text;
  return lines;
}

QStringList MaintTest::errorLog() const { return folder.logLines("Error.Log"); }

bool MaintTest::statusListHas(const QString& text) const {
  auto* list = main->findChild<QListWidget*>("lstMain");
  for (int i = 0; list && i < list->count(); ++i)
    if (list->item(i)->text().endsWith(" - " + text)) return true;
  return false;
}

}  // namespace mainttest
