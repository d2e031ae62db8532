#include "maint_fixture.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QSettings>

#include "core/host.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "maint/frm_maintenance.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"
#include "shell/frm_main.h"

namespace mainttest {
namespace {

constexpr int kNormalPollMs = 1000;

// What the tests of one process share. The program starts with the first test that connects.
struct Session {
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  int revision = 0;  // firmware of the drive that runs; 0 before one was started
};

Session* g_session = nullptr;

Session& session() {
  if (!g_session) g_session = new Session;
  return *g_session;
}

// The program ends while the application object still exists.
class SessionEnd : public ::testing::Environment {
 public:
  void TearDown() override {
    if (frmMaintenance* screen = frmMaintenance::OpenScreen()) host::UnloadWindow(screen);
    delete g_session;
    g_session = nullptr;
  }
};
[[maybe_unused]] ::testing::Environment* const kSessionEnd =
    ::testing::AddGlobalTestEnvironment(new SessionEnd);

void pausePolling() {
  host::Mod1().put_PollInterval(0);
  basComm::WaitUntilIdle(host::Mod1());
}

// Reads `words` registers from `address` into DriveImage from P<group>.<first> on.
bool readIntoImage(int address, int words, int group, int first) {
  basComm::ReadData(0, static_cast<int16_t>(words), portwright::Integer, basComm::DriveNodeAddress,
                    static_cast<int16_t>(address), portwright::ReadHoldingReg);
  basComm::WaitUntilIdle(host::Mod1());
  if (basFunctions::LastDoneResult != 0) {
    ADD_FAILURE() << "reading " << address << ": result " << basFunctions::LastDoneResult;
    return false;
  }
  for (int i = 0; i < words; ++i)
    basFunctions::DriveImage.P(group, first + i) = host::Mod1().get_Data(static_cast<int16_t>(i));
  return true;
}

// DriveImage as a full pass of the polls would leave it: groups 0..4 and the status words.
bool refreshDriveImage(int revision) {
  drive_facts::GroupLimits limits{};
  drive_facts::GroupLimitsFor(revision, limits);
  for (int group = 0; group <= 4; ++group)
    if (!readIntoImage(drive_facts::ParameterAddress(group, 0), limits.last[group] + 1, group, 0))
      return false;
  return readIntoImage(drive_facts::kStatusWordAddress, 3, 6, 37);
}

bool connect() {
  basFunctions::DriveImage.clear();
  basFunctions::PollItemSeen.fill(0);
  basFunctions::InitComplete = false;
  basFunctions::ConnectedAmpCode = 0;
  prompt::ScriptReplies({});
  commSettings::Selection selection;
  selection.portIndex = 0;      // COM1
  selection.speedIndex = 2;     // 19200
  selection.protocolIndex = 8;  // RTU 8,O,1
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  if (basComm::DriveConnected != 1) {
    ADD_FAILURE() << "connect failed: " << apptest::ShownSummary().join("\n").toStdString();
    return false;
  }
  // The normal poll group's first pass at once rather than one block a second.
  host::Mod1().put_PollInterval(10);
  const bool initialised = apptest::WaitFor(
      [] { return basFunctions::InitComplete && basFunctions::ConnectedAmpCode != 0; }, 30000);
  host::Mod1().put_PollInterval(kNormalPollMs);
  EXPECT_TRUE(initialised) << "initialisation did not complete";
  return initialised;
}

// Windows a test may leave open besides the maintenance screen (which restores the drive).
void unloadWindows() {
  if (frmMaintenance* screen = frmMaintenance::OpenScreen()) host::UnloadWindow(screen);
  if (frmScope* scope = frmScope::Instance()) host::UnloadWindow(scope);
  if (frmCommSettings* dialog = frmCommSettings::Instance()) host::UnloadWindow(dialog);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

MaintTest::MaintTest() : folder(session().folder), drive(session().drive) {}

void MaintTest::SetUp() {
  basFunctions::PauseScale = 0;
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({});
  folder.writeLog("Error.Log", {});
}

void MaintTest::TearDown() {
  prompt::ScriptReplies({});
  unloadWindows();
  basFunctions::PauseScale = 0;
}

void MaintTest::startConnected(int revision) {
  Session& s = session();
  if (s.revision != revision) {
    if (basComm::DriveConnected == 1) basComm::CloseConnection();
    s.drive.stop();
    ASSERT_TRUE(s.drive.start(1, {"--firmware", QString::number(revision), "--no-pacing"}))
        << s.drive.error().toStdString();
    s.revision = revision;
  }
  if (!frmMain::instance()) {
    ASSERT_NE(s.program.start(), nullptr);
  }
  main = frmMain::instance();
  unloadWindows();
  // A test that lost its line leaves its record of the drive's values (rightly: the drive may
  // still be armed); the next test starts without it.
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Velumo Pro", "Velumo Pro");
  store.beginGroup("Maintenance Restore");
  for (const QString& key : store.childKeys())
    if (key.startsWith("COM1 ")) store.remove(key);
  store.endGroup();
  // The drive as it left the factory, no input held at its terminals, no planned faults.
  if (basComm::DriveConnected == 1) pausePolling();
  for (const char* line : {"clear", "factory"}) command(line);
  for (int n = 1; n <= drive_facts::InputCount(revision); ++n) command(QString("di %1 0").arg(n));
  if (basComm::DriveConnected != 1) {
    ASSERT_TRUE(connect());
  } else {
    basComm::SendLogonCommand(1);  // a factory reset logs the drive off
    ASSERT_TRUE(refreshDriveImage(revision));
  }
  basFunctions::PollFailCount = 0;
  basFunctions::MaintLogonNeeded = false;
  host::Mod1().put_PollInterval(kNormalPollMs);
  prompt::ClearShownPrompts();
  if (auto* list = main->findChild<QListWidget*>("lstMain")) list->clear();
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

void MaintTest::reconnect() { ASSERT_TRUE(connect()); }

void MaintTest::endProgram() {
  session().program.stop();
  main = nullptr;
}

void MaintTest::preset(const QString& name, int value) {
  const int16_t interval = host::Mod1().get_PollInterval();
  pausePolling();
  command(QString("set %1 %2").arg(name).arg(value));
  const int group = name.mid(1, 1).toInt();
  const int number = name.mid(3).toInt();
  basFunctions::DriveImage.P(group, number) = reg(name);
  host::Mod1().put_PollInterval(interval);
}

int MaintTest::reg(const QString& name) {
  const QString reply = drive.command("get " + name);
  EXPECT_TRUE(reply.startsWith("OK ")) << reply.toStdString();
  return reply.mid(3).toInt();
}

bool MaintTest::regBecomes(const QString& name, int value) {
  return apptest::WaitFor(
      [&] { return drive.command("get " + name) == "OK " + QString::number(value); }, 10000);
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
  return apptest::WaitFor([&] { return basFunctions::DriveImage.P(group, number) == expected; },
                          10000);
}

QStringList MaintTest::shown() const {
  QStringList lines;
  for (const prompt::Shown& prompt : prompt::ShownPrompts())
    lines << prompt.title + " | " + prompt.text;
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
