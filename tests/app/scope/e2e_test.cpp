// The scope against the virtual drive: a one-shot capture of a jog ramp with failed polls in it,
// saved and shown again; lost samples on a slow ASCII line; the maintenance group handed back
// after a capture; a drive lost while capturing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "app_harness.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "scope/frm_scope.h"
#include "scope/frm_scope_viewer.h"
#include "scope/scope_plot.h"
#include "shell/frm_main.h"

namespace scopetest {
namespace {

using apptest::Answer;
using apptest::Text;

constexpr int kSpeed9600 = 1;
constexpr int kSpeed38400 = 3;
constexpr int kRtuN82 = 6;
constexpr int kAsciiE71 = 1;

class ScopeEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    commSettings::LastCommSelection.fill(0);
    basScope::Pauses = {0.05, 0.05, 0.05, 0, 0};
  }
  void TearDown() override {
    basFunctions::PauseScale = 1;
    basScope::Pauses = {};
    basMain::CurrentConfigPath.clear();
    program.stop();
  }
  void connect(const QStringList& driveArguments, int speedIndex, const QString& speed,
               int protocol) {
    ASSERT_TRUE(drive.start(1, driveArguments)) << drive.error().toStdString();
    main = program.start();
    ASSERT_NE(main, nullptr);
    prompt::ScriptReplies({});
    commSettings::Selection selection;
    selection.portIndex = 0;
    selection.speedIndex = speedIndex;
    selection.protocolIndex = protocol;
    selection.speedText = speed;
    selection.addressText = "1";
    basFunctions::PauseScale = 0;  // the connect sequence waits for each reply itself
    commSettings::Connect(selection);
    basFunctions::PauseScale = 1;
    ASSERT_EQ(basComm::DriveConnected, 1) << apptest::ShownSummary().join("\n").toStdString();
    ASSERT_TRUE(apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000));
    prompt::ClearShownPrompts();
  }
  frmScope* openScope(const QList<prompt::Reply>& replies = {}) {
    prompt::ScriptReplies(replies);
    main->RunCommand("mnuScope");
    return frmScope::Instance();
  }
  template <class T>
  T* find(QWidget* window, const QString& name) {
    return window->findChild<T*>(name);
  }
  void startAndWait(frmScope* scope) {
    find<QPushButton>(scope, "cmdStartStopScope")->click();
    ASSERT_TRUE(apptest::WaitFor([&] { return !scope->capture().Running; }, 60000));
  }

  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  frmMain* main = nullptr;
};

// The ramp rises 8 rpm a sample: each step between two points tells how many samples lie
// between them, so the time axis and the count of lost samples can be checked exactly.
void ExpectRampTimedTrue(const QVector<QPointF>& speed, int64_t lost) {
  int64_t missing = 0, gaps = 0;
  for (int i = 1; i < speed.size(); ++i) {
    if (speed[i - 1].y() < 8 || speed[i].y() > 1492) continue;  // the ramp only
    const int samples = int(std::lround((speed[i].y() - speed[i - 1].y()) / 8));
    EXPECT_EQ(std::lround((speed[i].x() - speed[i - 1].x()) / 0.008), samples)
        << "at " << speed[i].x() << " s";
    missing += samples - 1;
    gaps += samples > 1;
  }
  EXPECT_EQ(missing, lost);
  EXPECT_EQ(gaps, 1);
}

TEST_F(ScopeEndToEndTest, OneShotCaptureShowsTheJogRampAndTheViewerShowsItAgain) {
  connect({"--mode", "rtu", "--settings", "38400,N,8,2"}, kSpeed38400, "38400", kRtuN82);
  frmScope* scope = openScope();
  ASSERT_NE(scope, nullptr);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_EQ(basScope::ScopeChannelCount, 3);
  find<QComboBox>(scope, "cmbBufferSize")->setCurrentText("3");
  find<QCheckBox>(scope, "chkLog")->setChecked(true);
  // Servo on by input 1; a ramp of 3 s from 0 to 3000 rpm reaches 1500 rpm in 1.5 s.
  for (const char* command : {"set P1.34 3000", "di 1 1", "write P4.05 1500"})
    ASSERT_TRUE(drive.command(command).startsWith("OK")) << command;

  find<QPushButton>(scope, "cmdStartStopScope")->click();
  EXPECT_EQ(basFunctions::PollGroup, 2);
  EXPECT_EQ(host::Mod1().get_PollLength(0), 36);
  EXPECT_EQ(drive.command("get P6.00"), "OK 8");  // Motor Speed, SourceIndex 6
  ASSERT_TRUE(drive.command("write P4.05 4999").startsWith("OK"));
  // Six replies with a bad checksum while the motor speeds up: their samples never arrive.
  ASSERT_TRUE(apptest::WaitFor([&] { return scope->plot()->PointCount(0) > 40; }, 20000));
  ASSERT_TRUE(drive.command("badcrc 6").startsWith("OK"));
  ASSERT_TRUE(apptest::WaitFor([&] { return !scope->capture().Running; }, 60000));
  drive.command("write P4.05 5000");

  const QVector<QPointF> speed = scope->plot()->Points(0);
  ASSERT_GE(speed.size(), 300);
  EXPECT_LT(speed.front().y(), 300);
  EXPECT_EQ(speed.back().y(), 1500);
  int rising = 0;
  for (int i = 1; i < speed.size(); ++i) {
    EXPECT_GE(speed[i].y(), speed[i - 1].y()) << "at " << speed[i].x();
    rising += speed[i].y() > speed[i - 1].y();
  }
  EXPECT_GT(rising, 10);  // a ramp, not a step
  EXPECT_EQ(scope->capture().ScopeFailedPolls, 6);
  EXPECT_GE(scope->capture().ScopeLostSamples(), 12);
  ExpectRampTimedTrue(speed, scope->capture().ScopeLostSamples());
  EXPECT_TRUE(scope->plot()->LabelVisible(1));
  EXPECT_TRUE(scope->plot()->Label(1).contains(
      QString::number(scope->capture().ScopeLostSamples()) + " samples lost per channel"));
  EXPECT_EQ(scope->plot()->TraceBreaks(0), 1);
  EXPECT_EQ(scope->plot()->Label(0), basScope::kStoppedTitle);
  EXPECT_EQ(basFunctions::PollGroup, 1);
  EXPECT_EQ(host::Mod1().get_PollItemCount(), 8);
  EXPECT_TRUE(find<QPushButton>(scope, "cmdSaveLog")->isEnabled());

  basMain::CurrentConfigPath = folder.path() + "/Configs/press1.vcf";
  basMain::CurrentConfigTitle = "press1.vcf";
  prompt::ClearShownPrompts();
  find<QPushButton>(scope, "cmdSaveLog")->click();
  const QString base = folder.path() + "/ScopeLogs/press1";
  EXPECT_EQ(apptest::ShownSummary(),
            QStringList{"MsgBox: File Saved | " + base + ".csv has been saved."});
  prompt::ScriptReplies({Text(base + ".scl")});
  main->RunCommand("mnuScopeViewer");
  const QList<frmScopeViewer*> viewers = main->findChildren<frmScopeViewer*>();
  ASSERT_EQ(viewers.size(), 1);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(viewers[0]->plot()->Points(c), scope->plot()->Points(c));
  EXPECT_TRUE(folder.logLines("Error.Log").isEmpty())
      << folder.logLines("Error.Log").join("\n").toStdString();
}

// About 79 ms of line time per read at 9600 baud in ASCII against 80 ms of samples: blocks
// arrive full and the oldest samples are lost.
TEST_F(ScopeEndToEndTest, OneChannelInAsciiAt9600ReportsLostData) {
  connect({"--mode", "ascii", "--settings", "9600,E,7,1"}, kSpeed9600, "9600", kAsciiE71);
  frmScope* scope = openScope({Answer(prompt::Yes)});
  ASSERT_NE(scope, nullptr);
  EXPECT_EQ(apptest::ShownSummary(),
            QStringList{
                "MsgBox: Slow connection - Scope Functionality Limited | You are connected at 9600 "
                "baud. Scope will be limited to 1 channel.\rRecommended connect speed is "
                "38,400 baud or higher. Do you want to continue?"});
  EXPECT_EQ(basScope::ScopeChannelCount, 1);
  EXPECT_FALSE(find<QCheckBox>(scope, "ckChannelEnabled_1")->isEnabled());
  find<QComboBox>(scope, "cmbBufferSize")->setCurrentText("3");
  find<QPushButton>(scope, "cmdStartStopScope")->click();
  EXPECT_EQ(host::Mod1().get_PollLength(0), 12);
  ASSERT_TRUE(apptest::WaitFor([&] { return scope->capture().ScopePollCount >= 3; }, 20000));
  const int32_t readMs = host::Mod1().get_PollTransactionTime(0);
  ASSERT_TRUE(apptest::WaitFor([&] { return !scope->capture().Running; }, 60000));
  if (readMs < 40)
    GTEST_SKIP() << "the virtual drive does not pace its line (" << readMs << " ms a read)";
  EXPECT_TRUE(scope->plot()->LabelVisible(1));
  EXPECT_TRUE(scope->plot()->Label(1).startsWith(basScope::kLostDataWarning));
  EXPECT_GT(scope->capture().ScopeFullBlocks, 0);
  EXPECT_TRUE(scope->plot()->Label(1).contains(
      QString::number(scope->capture().ScopeLostSamples()) + " samples lost per channel"));
  // The samples kept lie where the drive took them: the last one about 3 s after Start.
  EXPECT_NEAR(scope->capture().ScopeTimeMs[0], 3000, 200);
}

TEST_F(ScopeEndToEndTest, ACaptureStartedFromTheMaintenanceGroupHandsItBack) {
  connect({"--mode", "rtu", "--settings", "38400,N,8,2", "--firmware", "210"}, kSpeed38400, "38400",
          kRtuN82);
  // Stand-in for the maintenance screen: its poll group is active when the scope starts.
  basFunctions::PollGroup = 3;
  basFunctions::SetPollGroups(100);
  frmScope* scope = openScope();
  ASSERT_NE(scope, nullptr);
  find<QComboBox>(scope, "cmbScopeMode")->setCurrentIndex(2);
  find<QPushButton>(scope, "cmdStartStopScope")->click();
  EXPECT_EQ(find<QPushButton>(scope, "cmdStartStopScope")->text(), "Stop");
  EXPECT_EQ(drive.command("get P6.00"), "OK 8");
  ASSERT_TRUE(apptest::WaitFor([&] { return scope->plot()->PointCount(0) > 50; }, 20000));
  find<QPushButton>(scope, "cmdStartStopScope")->click();
  EXPECT_FALSE(scope->capture().Running);
  EXPECT_EQ(basFunctions::PollGroup, 3);
  EXPECT_EQ(host::Mod1().get_PollInterval(), 250);
  EXPECT_EQ(host::Mod1().get_PollItemCount(), 6);
  EXPECT_EQ(host::Mod1().get_PollLength(0), 36);
  for (const char* selector : {"P6.00", "P6.12", "P6.24"})
    EXPECT_EQ(drive.command(QString("get ") + selector),
              QString("OK ") + (selector[3] == '0'   ? "3"
                                : selector[3] == '1' ? "2"
                                                     : "8"));

  // The drive stops answering while the scope runs free: the capture ends and says why.
  host::Mod1().put_MsgTimeOut(200);
  find<QPushButton>(scope, "cmdStartStopScope")->click();
  ASSERT_TRUE(apptest::WaitFor([&] { return scope->plot()->PointCount(0) > 50; }, 20000));
  ASSERT_TRUE(drive.command("noreply always").startsWith("OK"));
  ASSERT_TRUE(apptest::WaitFor([&] { return !scope->capture().Running; }, 20000));
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_TRUE(scope->plot()->Label(0).startsWith(
      "Capture Ended Early: Communication to the drive was lost.\nIt holds "))
      << scope->plot()->Label(0).toStdString();
  EXPECT_TRUE(scope->plot()->Label(1).contains("3 failed polls"));
  EXPECT_EQ(find<QPushButton>(scope, "cmdStartStopScope")->text(), "Start");
  EXPECT_EQ(basFunctions::PollGroup, 3);
}

}  // namespace
}  // namespace scopetest
