#include "config_fixture.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

#include "core/app_state.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace configtest {

void ConfigProgramTest::SetUp() { basFunctions::PauseScale = 0; }

void ConfigProgramTest::TearDown() {
  program.stop();
  basFunctions::PauseScale = 1;
  basMain::ConfigDirty = false;
  basMain::ExpressActive = false;
  basMain::ExpressWritesOption = false;
  basMain::ConfirmExpress = false;
  basMain::CurrentConfigPath.clear();
  basMain::CurrentConfigTitle = QStringLiteral(" ");
}

void ConfigProgramTest::startProgram(const QList<prompt::Reply>& replies) {
  main = program.start(replies);
  ASSERT_NE(main, nullptr);
}

void ConfigProgramTest::startConnected(const QStringList& driveArguments) {
  ASSERT_TRUE(drive.start(1, driveArguments)) << drive.error().toStdString();
  startProgram();
  connectDrive();
}

void ConfigProgramTest::connectDrive() {
  // Nothing read from this drive yet, so the start-up polls fill every block.
  basFunctions::DriveImage.clear();
  basFunctions::PollItemSeen.fill(0);
  basFunctions::InitComplete = false;
  basFunctions::ConnectedAmpCode = 0;
  // The connect sequence waits for each reply itself; its pauses are not needed here.
  basFunctions::PauseScale = 0;
  commSettings::Selection selection;
  selection.portIndex = 0;      // COM1
  selection.speedIndex = 2;     // 19200
  selection.protocolIndex = 8;  // RTU 8,O,1: the drive's factory setting
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
  // On line once the main timer has seen the drive (the menus' Upload is enabled then).
  ASSERT_TRUE(apptest::WaitFor(
      [] { return basFunctions::InitComplete && basFunctions::ConnectedAmpCode != 0; }, 30000));
  basFunctions::PauseScale = 0;
  prompt::ClearShownPrompts();
}

QLineEdit* ConfigProgramTest::field(int k) const {
  frmTabConfig* editor = frmTabConfig::instance();
  return editor ? editor->txtP(k) : nullptr;
}

QString ConfigProgramTest::fieldText(int k) const {
  QLineEdit* edit = field(k);
  return edit ? edit->text() : QStringLiteral("<no row>");
}

bool ConfigProgramTest::statusListHas(const QString& text) const {
  auto* list = main->findChild<QListWidget*>("lstMain");
  for (int i = 0; list && i < list->count(); ++i)
    if (list->item(i)->text().endsWith(" - " + text)) return true;
  return false;
}

bool ConfigProgramTest::eventLogHas(const QString& text) const {
  for (const QString& line : folder.logLines("Event.Log"))
    if (line.endsWith(" - " + text)) return true;
  return false;
}

QStringList ConfigProgramTest::errorLog() const { return folder.logLines("Error.Log"); }

QStringList ConfigProgramTest::shown() const {
  QStringList lines;
  for (const prompt::Shown& prompt : prompt::ShownPrompts())
    lines << prompt.title + " | " + prompt.text;
  return lines;
}

QString ConfigProgramTest::caption() const { return main->windowTitle(); }

QString ConfigProgramTest::configPath(const QString& name) const {
  return folder.path() + "/Configs/" + name;
}

void ConfigProgramTest::writeFile(const QString& path, const QByteArray& bytes) const {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QByteArray ConfigProgramTest::readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray ConfigProgramTest::configFile(const QString& header, const QList<QByteArray>& lines) {
  QByteArray bytes = header.toLatin1() + "\r\n#/somewhere/file.vmc\r\n#today\r\n";
  for (const QByteArray& line : lines) bytes += line + "\r\n";
  return bytes;
}

int ConfigProgramTest::driveValue(int group, int number) {
  const QString reply =
      drive.command(QStringLiteral("get P%1.%2").arg(group).arg(number, 2, 10, QChar('0')));
  EXPECT_TRUE(reply.startsWith("OK ")) << reply.toStdString();
  return reply.mid(3).toInt();
}

void ConfigProgramTest::setDriveValue(int group, int number, int value) {
  const QString reply = drive.command(
      QStringLiteral("set P%1.%2 %3").arg(group).arg(number, 2, 10, QChar('0')).arg(value));
  EXPECT_EQ(reply, "OK");
}

}  // namespace configtest
