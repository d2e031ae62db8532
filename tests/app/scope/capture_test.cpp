// The capture engine without a window: start and stop sequences, the timed phases, the
// intake of poll blocks, the trigger and the log table.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "app_harness.h"
#include "scope/scope_capture.h"
#include "scope_fakes.h"

namespace scopetest {
namespace {

using basScope::ScopeCapture;

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    basScope::ScopeChannelCount = 3;
    prompt::ScriptReplies({});
    prompt::ClearShownPrompts();
  }
  // Channel 1 on motor speed (6), channel 2 on the 0.1-pulse position error (15), channel 3 off.
  void setUp(int mode, int buffer, int visible, bool showLast = false, bool log = true) {
    auto& setup = capture.setup();
    setup.mode = mode;
    setup.bufferSeconds = buffer;
    setup.visibleSeconds = visible;
    setup.showLast = showLast;
    setup.logData = log;
    setup.channels = {{{true, 6}, {true, 15}, {false, 0}}};
  }
  QStringList errors() const { return folder.logLines("Error.Log"); }

  apptest::ProgramFolder folder;
  RecordingView view;
  RecordingProgram program;
  ScopeCapture capture{view, program};
};

TEST_F(CaptureTest, StartWritesChangedSelectorsAndSelectsTheScopeGroup) {
  setUp(0, 4, 4);
  capture.Start();
  EXPECT_EQ(program.calls, (QStringList{"SetPollGroups(0)", "LockOtherCommands(1)",
                                        "WriteSelector(0,8)", "WriteSelector(1,17)",
                                        "Maint_Interlock(1)", "PollGroup=2", "SetPollGroups(30)"}));
  EXPECT_TRUE(capture.Running);
  EXPECT_TRUE(view.running);
  EXPECT_EQ(capture.ScopeLog.header(), (std::array<QString, 3>{"6", "15", "Not Used"}));
  EXPECT_EQ(capture.ScopeLog.length(), 4000);
  // A one-shot keeps the whole buffer: 4 s x 125 samples.
  EXPECT_EQ(view.keepPoints, 500);

  // Stopped from the normal group: that group comes back at 1000 ms; unchanged sources are not
  // written again, a new logon forces them.
  capture.StopScope();
  EXPECT_EQ(program.calls.mid(7),
            (QStringList{"SetPollGroups(0)", "LockOtherCommands(0)", "PollGroup=1",
                         "SetPollGroups(1000)", "Maint_Interlock(0)"}));
  EXPECT_EQ(view.title, basScope::kStoppedTitle);
  EXPECT_TRUE(view.saveEnabled);
  program.calls.clear();
  program.logonNeeded = true;
  capture.Start();
  EXPECT_EQ(program.calls.filter("WriteSelector").size(), 2);
  EXPECT_TRUE(program.calls.contains("SendLogon"));
}

TEST_F(CaptureTest, StartRefusesWithoutDriveOrChannels) {
  setUp(0, 4, 4);
  program.connected = false;
  capture.Start();
  EXPECT_TRUE(view.unloaded);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Drive Connection Lost");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "You are not connected to the drive, scope will now exit. Please reconnect to the "
            "drive.");

  program.connected = true;
  capture.setup().channels = {};
  capture.Start();
  ASSERT_EQ(prompt::ShownPrompts().size(), 2);
  EXPECT_EQ(prompt::ShownPrompts()[1].title, "No Channels Enabled");
  EXPECT_FALSE(capture.Running);
  EXPECT_TRUE(program.calls.isEmpty());
}

TEST_F(CaptureTest, IntakeSkipsTheFirstResultAndScalesOnlyThePlot) {
  setUp(0, 4, 4);
  capture.Start();
  capture.Intake(PollWords({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {50}, {}}), 0);
  EXPECT_TRUE(view.values[0].isEmpty());
  EXPECT_EQ(capture.ScopeMaxBlock, 0);
  EXPECT_FALSE(capture.ScopeLog.At(8, 0).has_value());

  capture.Intake(PollWords({{100, 101}, {-405}, {}}), 0);
  EXPECT_EQ(view.seconds[0], (QVector<double>{0.008, 0.016}));
  EXPECT_EQ(view.values[0], (QVector<double>{100, 101}));
  EXPECT_EQ(view.values[1], (QVector<double>{-40.5}));  // SourceIndex 15 plots raw / 10
  EXPECT_EQ(capture.ScopeLog.At(8, 1), std::optional<int16_t>(-405));  // and logs it raw
  EXPECT_EQ(capture.ScopeLog.At(16, 0), std::optional<int16_t>(101));
  EXPECT_FALSE(capture.ScopeLog.At(16, 1).has_value());

  // A failed read repeats old words: nothing is taken from it.
  capture.Intake(PollWords({{100, 101}, {-405}, {}}), -1);
  EXPECT_EQ(view.values[0].size(), 2);
}

TEST_F(CaptureTest, FullBlocksAreCountedAndReportedWithTheWarning) {
  setUp(2, 4, 4);
  capture.Start();
  const std::vector<int16_t> full(10, 7);
  capture.Intake(PollWords({full, full, full}), 0);  // first result: not counted
  capture.Intake(PollWords({full, {1, 2}, {}}), 0);
  capture.Intake(PollWords({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1}, full}), 0);
  EXPECT_EQ(capture.ScopeMaxBlock, 10);
  EXPECT_EQ(capture.ScopeFullBlocks, 2);
  capture.StopScope();
  EXPECT_EQ(view.lostData,
            basScope::kLostDataWarning + "\n(2 blocks arrived full and may have dropped samples)");

  // Nine at most: the warning still shows (the drive barely kept up), with no full block.
  capture.Start();
  EXPECT_TRUE(view.lostData.isEmpty());
  capture.Intake(PollWords({{1}, {1}, {1}}), 0);
  capture.Intake(PollWords({std::vector<int16_t>(9, 1), {1}, {1}}), 0);
  capture.StopScope();
  EXPECT_EQ(view.lostData,
            basScope::kLostDataWarning + "\n(0 blocks arrived full and may have dropped samples)");
}

TEST_F(CaptureTest, TriggerIsALevelTestOnChannelOnesNewestBlock) {
  struct Row {
    int compare;
    QString limit;
    std::vector<int16_t> samples;
    bool fires;
  };
  const Row rows[] = {
      {1, "100", {0, 50, 100}, true}, {0, "100", {0, 50, 100}, false}, {2, "0", {5, -1}, true},
      {3, "-1", {5, 0}, false},       {1, "99.6", {100}, true},        {0, "100.4", {100}, false},
      {0, "abc", {500}, false},       {0, "40000", {500}, false},
  };
  for (const Row& row : rows) {
    setUp(1, 4, 4);
    capture.setup().triggerCompare = row.compare;
    capture.setup().triggerLimit = row.limit;
    capture.Start();
    EXPECT_EQ(view.title, "Waiting for Trigger Condition . . . ");
    // The first result never triggers, whatever it holds.
    capture.Intake(PollWords({{32000, -32000}, {}, {}}), 0);
    EXPECT_FALSE(capture.ScopeTriggered);
    capture.Intake(PollWords({row.samples, {1}, {}}), 0);
    EXPECT_EQ(capture.ScopeTriggered, row.fires) << row.compare << " " << row.limit.toStdString();
    // The block that fired is plotted at once.
    EXPECT_EQ(view.values[0].size(), row.fires ? int(row.samples.size()) : 0);
    capture.StopScope();
    view.ClearData();
  }
  // A limit that is no 16-bit number fails the test and is logged.
  EXPECT_EQ(errors().filter("frmScope, ScopeTriggerMet").size(), 2)
      << errors().join("\n").toStdString();
}

TEST_F(CaptureTest, PhasesOfBufferTenVisibleFourLast) {
  setUp(0, 10, 4, true);
  capture.Start();
  EXPECT_EQ(capture.tmrHiddenData->interval(), 6100);
  EXPECT_EQ(capture.tmrVisibleData->interval(), 4100);
  EXPECT_TRUE(capture.tmrHiddenData->isActive());
  EXPECT_TRUE(capture.tmrTitleUpdater->isActive());
  EXPECT_FALSE(capture.tmrVisibleData->isActive());
  EXPECT_EQ(view.xStart, 6);
  EXPECT_FALSE(view.follow);
  EXPECT_EQ(view.title, "Capturing Data . . . 6 Seconds until visible data");
  capture.tmrTitleUpdater_Timer();
  EXPECT_EQ(view.title, "Capturing Data . . . 5 Seconds until visible data");

  capture.tmrHiddenData_Timer();
  EXPECT_FALSE(capture.tmrHiddenData->isActive());
  EXPECT_FALSE(capture.tmrTitleUpdater->isActive());
  EXPECT_TRUE(capture.tmrVisibleData->isActive());
  EXPECT_TRUE(view.follow);
  EXPECT_EQ(view.title, "Capturing Data . . . ");
  capture.tmrVisibleData_Timer();
  EXPECT_FALSE(capture.Running);
  EXPECT_EQ(view.title, basScope::kStoppedTitle);

  // "First" shows the visible seconds first, then counts the rest down.
  setUp(0, 10, 4, false);
  capture.Start();
  EXPECT_TRUE(capture.tmrVisibleData->isActive());
  capture.tmrVisibleData_Timer();
  EXPECT_FALSE(view.follow);
  EXPECT_TRUE(capture.tmrHiddenData->isActive());
  EXPECT_EQ(view.title, "Still Capturing Data . . . 6 Seconds until done");
  capture.tmrTitleUpdater_Timer();
  EXPECT_EQ(view.title, "Still Capturing Data . . . 5 Seconds until done");
  capture.tmrHiddenData_Timer();
  EXPECT_FALSE(capture.Running);
}

TEST_F(CaptureTest, BufferFourVisibleFourEndsAfterAboutFourSecondsAndLogsCleanly) {
  setUp(0, 4, 4);
  capture.Start();
  EXPECT_EQ(capture.tmrHiddenData->interval(), 10);
  QElapsedTimer clock;
  clock.start();
  // Ten samples (80 ms of drive time) every 10 ms: far more than real time even on a loaded
  // machine, so the log table (4000 ms) fills and the samples go on past it.
  QTimer feeder;
  QObject::connect(&feeder, &QTimer::timeout, [&] {
    capture.Intake(PollWords({std::vector<int16_t>(10, 5), {}, {}}), 0);
  });
  feeder.start(10);
  ASSERT_TRUE(apptest::WaitFor([&] { return !capture.Running; }, 20000));
  EXPECT_GE(clock.elapsed(), 4050);
  EXPECT_TRUE(capture.ScopeLog.At(4000, 0).has_value());
  EXPECT_GT(capture.ScopeTimeMs[0], 4000);  // samples went on past the table
  EXPECT_TRUE(errors().isEmpty()) << errors().join("\n").toStdString();
}

TEST_F(CaptureTest, StopAfterAStartFromTheMaintenanceGroupRestoresItsSources) {
  setUp(2, 4, 4);
  program.pollGroup = 3;
  capture.Start();
  program.calls.clear();
  capture.StopScope();
  EXPECT_EQ(program.calls,
            (QStringList{"SetPollGroups(0)", "LockOtherCommands(0)", "WriteSelector(0,3)",
                         "WriteSelector(1,2)", "WriteSelector(2,8)", "PollGroup=3",
                         "SetPollGroups(250)", "Maint_Interlock(0)"}));
}

}  // namespace
}  // namespace scopetest
