// The fault viewer and the configuration information window: what they show from the values
// the program already holds, and how they are reached.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>

#include "app_harness.h"
#include "core/app_state.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_faults.h"
#include "shell/frm_main.h"
#include "shell/frm_stats.h"

using basFunctions::DriveImage;

namespace {

class MonitorWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main = program.start();
    ASSERT_NE(main, nullptr);
  }
  void TearDown() override {
    basComm::DriveConnected = 0;
    basFunctions::InitComplete = false;
    DriveImage.clear();
    basFunctions::WorkingConfig.clear();
    basMain::CurrentConfigPath.clear();
    basMain::EditorFirmwareText.clear();
    program.stop();
  }
  // What polling leaves once a drive has answered.
  void pretendOnLine() {
    basComm::DriveConnected = 1;
    basFunctions::InitComplete = true;
    DriveImage.P(0, 0) = 2101;
    DriveImage.P(1, 31) = 21;
  }
  apptest::ProgramFolder folder;
  apptest::Program program;
  frmMain* main = nullptr;
};

QString faultLabel(int element) { return frmFaults::instance()->lblFaults(element)->text(); }

TEST_F(MonitorWindowsTest, FaultViewerAndStatusBarNameUnknownCodesByTheirNumber) {
  pretendOnLine();
  const int history[] = {0, 13, 22, 23, -1};
  for (int k = 0; k < 5; ++k) DriveImage.P(4, k) = history[k];
  main->tmrMain_Timer();
  // The drive-status panel opens the fault viewer.
  main->stbMain_PanelDblClick(2);
  ASSERT_NE(frmFaults::instance(), nullptr);
  EXPECT_EQ(frmFaults::instance()->windowTitle(), "  Fault Viewer");
  EXPECT_EQ(faultLabel(0), "P4.00 - Most Recent Fault Record:");
  EXPECT_EQ(faultLabel(4), "P4.04 - 5th Most Recent Fault Record:");
  EXPECT_EQ(faultLabel(400), "No Faults ");
  EXPECT_EQ(faultLabel(401), "Emergency Stop ");  // "Fault Stop" on the status bar
  EXPECT_EQ(faultLabel(402), "Input Power Phase Loss ");
  EXPECT_EQ(faultLabel(403), "Unknown Fault Code 23 ");
  EXPECT_EQ(faultLabel(404), "Unknown Fault Code 65535 ");  // the register's word, unsigned

  // The history moves on: a record whose code is unknown never keeps another fault's text.
  const int later[] = {5, 23, 22, 13, 1};
  for (int k = 0; k < 5; ++k) DriveImage.P(4, k) = later[k];
  frmFaults::instance()->cmdRead_Click();
  EXPECT_EQ(faultLabel(400), "Regeneration Error ");
  EXPECT_EQ(faultLabel(401), "Unknown Fault Code 23 ");
  EXPECT_EQ(faultLabel(403), "Emergency Stop ");
  EXPECT_EQ(faultLabel(404), "Overcurrent ");

  // The live code: the status bar and the event log (once) name it.
  DriveImage.P(0, 1) = 23;
  main->tmrMain_Timer();
  main->tmrMain_Timer();
  EXPECT_EQ(main->findChild<QLabel*>("stbMain_2")->text(), "Drive Status - Unknown Fault Code 23 ");
  EXPECT_EQ(folder.logLines("Event.Log")
                .filter(" - Drive reports fault code 23, unknown to the program")
                .size(),
            1);

  // The menu entry opens the same window again rather than a second one.
  frmFaults* first = frmFaults::instance();
  main->RunCommand("mnuFaults");
  EXPECT_EQ(frmFaults::instance(), first);
}

TEST_F(MonitorWindowsTest, ConfigInformationShowsTheDriveOnlyAfterAnUpdate) {
  basFunctions::WorkingConfig.P(1, 31) = 21;
  basMain::EditorFirmwareText = "2.10";
  basMain::CurrentConfigPath = folder.path() + "/Configs/Press12.vmc";
  main->RunCommand("mnuStats");
  frmStats* stats = frmStats::instance();
  ASSERT_NE(stats, nullptr);
  auto label = [&](int k) { return stats->lblStats(k)->text(); };
  EXPECT_EQ(stats->windowTitle(), "  Current Configuration Information");
  EXPECT_EQ(label(0), "Current Configuration In Velumo Memory");
  EXPECT_EQ(label(7), "Connected Drive");
  EXPECT_FALSE(label(8).isEmpty());
  EXPECT_EQ(label(8), basFunctions::DriveIdentity.configAmp);
  EXPECT_EQ(label(10), "2.10");
  EXPECT_EQ(label(11), "Not Connected");
  EXPECT_EQ(label(12), " ");
  EXPECT_EQ(label(13), " ");
  EXPECT_EQ(label(14), basMain::CurrentConfigPath);
  EXPECT_TRUE(stats->tmrStats()->isActive());

  // A connection made later shows only at the timer's one refresh (or on Update).
  pretendOnLine();
  EXPECT_EQ(label(11), "Not Connected");
  stats->tmrStats_Timer();
  EXPECT_EQ(label(11), basFunctions::DriveIdentity.driveAmp);
  EXPECT_FALSE(label(11).isEmpty());
  EXPECT_EQ(label(12), basFunctions::DriveIdentity.driveMotor);
  EXPECT_EQ(label(13), "2.101");
  EXPECT_FALSE(stats->tmrStats()->isActive());
}

}  // namespace
