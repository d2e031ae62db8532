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

// A drive whose samples are their own tick numbers (tick j at 8 j ms), read every 32 ms
// 2 ms after a tick unless a read comes late: it hands over what waits, at most the newest ten.
struct TickDrive {
  ScopeCapture& capture;
  double now = 2;
  int64_t handed = 0;
  void read(int16_t result = 0, double lateMs = 0) {
    now += lateMs;
    const int64_t newest = int64_t(now / 8);
    const int count = int(std::min<int64_t>(10, newest - handed));
    std::vector<int16_t> samples;
    for (int64_t tick = newest - count + 1; tick <= newest; ++tick)
      samples.push_back(int16_t(tick));
    handed = newest;
    capture.Intake(PollWords({samples, samples, {}}), result, now);
    now += 32;
  }
};

TEST_F(CaptureTest, LostSamplesAreCountedAndTheTimeStaysTrueAfterAGap) {
  setUp(0, 10, 10);
  capture.setup().channels[1].source = 6;
  capture.Start();
  TickDrive drive{capture};
  for (int k = 0; k <= 40; ++k) drive.read();  // the first result is never used
  for (int k = 0; k < 6; ++k) drive.read(-1);  // 24 samples handed over, never arrived
  for (int k = 0; k < 24; ++k) drive.read();
  drive.read(0, 100);  // 16 samples waiting: 6 dropped
  for (int k = 0; k < 30; ++k) drive.read();
  capture.StopScope();
  ASSERT_GT(view.values[0].size(), 300);
  for (int i = 0; i < view.values[0].size(); ++i)
    ASSERT_DOUBLE_EQ(view.seconds[0][i], view.values[0][i] * 0.008) << "sample " << i;
  EXPECT_EQ(view.values[1], view.values[0]);
  EXPECT_EQ(capture.ScopeLostSamples(), 30);
  EXPECT_EQ(capture.ScopeFailedPolls, 6);
  EXPECT_EQ(capture.ScopeFullBlocks, 2);
  EXPECT_EQ(view.lostData, basScope::kLostDataWarning +
                               "\n(30 samples lost per channel, 0.240 s in 2 gaps; 6 failed "
                               "polls, 2 full blocks)");
  constexpr int firstLost = 161;  // after 40 blocks of 4 samples
  EXPECT_EQ(capture.ScopeLog.At(8 * (firstLost - 1), 0), std::optional<int16_t>(firstLost - 1));
  EXPECT_FALSE(capture.ScopeLog.At(8 * firstLost, 0).has_value());
  EXPECT_EQ(capture.ScopeLog.At(8 * (firstLost + 24), 0), std::optional<int16_t>(firstLost + 24));

  // Nine at most: the warning still shows (the drive barely kept up), with nothing lost.
  capture.Start();
  EXPECT_TRUE(view.lostData.isEmpty());
  capture.Intake(PollWords({{1}, {1}, {1}}), 0);
  capture.Intake(PollWords({std::vector<int16_t>(9, 1), {1}, {1}}), 0);
  capture.StopScope();
  EXPECT_EQ(view.lostData, basScope::kLostDataWarning +
                               "\n(0 samples lost per channel, 0.000 s in 0 gaps; 0 failed "
                               "polls, 0 full blocks)");
}

TEST_F(CaptureTest, ADriveLostMidCaptureEndsItSayingHowMuchItHolds) {
  setUp(2, 10, 10);
  program.pollGroup = 3;
  capture.Start();
  TickDrive drive{capture};
  for (int k = 0; k < 4; ++k) drive.read();
  program.connected = false;  // the poll handler has closed the connection
  drive.read(-1);
  ASSERT_TRUE(apptest::WaitFor([&] { return !capture.Running; }, 2000));
  EXPECT_EQ(view.title,
            "Capture Ended Early: Communication to the drive was lost.\nIt holds 0.096 s (12 "
            "samples per channel). Setup and Press Start to Capture.");
  EXPECT_EQ(view.titleColour, QColor(200, 0, 0));
  EXPECT_TRUE(view.saveEnabled);
  EXPECT_TRUE(program.calls.filter("WriteSelector(0,3)").isEmpty());

  // A connection closed without a failed scope poll: the capture notices it within a second.
  program.connected = true;
  setUp(0, 4, 4);
  capture.Start();
  program.connected = false;
  ASSERT_TRUE(apptest::WaitFor([&] { return !capture.Running; }, 3000));
  EXPECT_TRUE(
      view.title.startsWith("Capture Ended Early: Communication to the drive was lost."
                            "\nIt holds 0.000 s of 4 s (0 samples per channel)."));
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
  // A limit that is no 16-bit number is refused at Start; should one reach the test, it fails
  // and is logged.
  for (const char* limit : {"abc", "40000", "-32769", ""}) {
    prompt::ClearShownPrompts();
    capture.setup().triggerLimit = limit;
    capture.Start();
    EXPECT_FALSE(capture.Running) << limit;
    EXPECT_EQ(apptest::ShownSummary(), QStringList{"MsgBox: " + basScope::kTriggerLimitCaption +
                                                   " | " + basScope::kTriggerLimitRefused});
  }
  EXPECT_FALSE(capture.ScopeTriggerMet());
  EXPECT_EQ(errors().filter("frmScope, ScopeTriggerMet").size(), 1)
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
