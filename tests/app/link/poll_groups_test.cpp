// Poll groups: the blocks each group reads, where poll words land in DriveImage, start-up
// progress and the lost drive.
#include "link/poll_groups.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "core/app_state.h"
#include "link/bas_comm.h"
#include "link/frm_comm_settings.h"
#include "link_test_env.h"
#include "maint/frm_maintenance.h"
#include "params/drive_identity.h"
#include "params/value_table.h"

namespace linktest {
namespace {

using namespace basFunctions;

class PollGroupsTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    basComm::DriveNodeAddress = 3;
    basComm::DriveConnected = 1;
    mod1->portOpen = true;
  }
  QStringList pollItems() const { return mod1->callsStarting("AddPollItem"); }
  void selectGroup(int16_t group, int32_t firmwareWord, int16_t interval) {
    DriveImage.P(0, 0) = firmwareWord;
    GetDriveType();
    PollGroup = group;
    mod1->calls.clear();
    SetPollGroups(interval);
  }
  void poll(int16_t item, int16_t result, std::vector<int16_t> words) {
    words.resize(64, 0);
    mod1->pollItems.at(item).words = words;
    Mod1_OnPoll(item, result, false);
  }
};

TEST_F(PollGroupsTest, NormalGroupWordCountsFollowTheFirmware) {
  selectGroup(1, 2001, 1000);
  EXPECT_EQ(pollItems(),
            (QStringList{"AddPollItem(3,1,9)", "AddPollItem(3,257,36)", "AddPollItem(3,293,20)",
                         "AddPollItem(3,513,36)", "AddPollItem(3,549,28)", "AddPollItem(3,769,8)",
                         "AddPollItem(3,1025,24)", "AddPollItem(3,1574,3)"}));
  EXPECT_EQ(mod1->pollInterval, 1000);
  EXPECT_TRUE(EventLog().last().endsWith(
      " - Poll Groups set through Sub SetPollGroups for normal operation"));

  // A new group first stops polling and empties the list.
  selectGroup(1, 2101, 1000);
  EXPECT_EQ(mod1->calls.mid(0, 9),
            (QStringList{"PollInterval=0", "DeletePollItem(0)", "DeletePollItem(0)",
                         "DeletePollItem(0)", "DeletePollItem(0)", "DeletePollItem(0)",
                         "DeletePollItem(0)", "DeletePollItem(0)", "DeletePollItem(0)"}));
  const QStringList items = pollItems();
  ASSERT_EQ(items.size(), 8);
  EXPECT_EQ(items[2], "AddPollItem(3,293,21)");
  EXPECT_EQ(items[4], "AddPollItem(3,549,30)");
  EXPECT_EQ(items[5], "AddPollItem(3,769,9)");
}

TEST_F(PollGroupsTest, ScopeAndMaintenanceGroups) {
  ScopeChannelCount = 2;
  selectGroup(2, 2001, 30);
  EXPECT_EQ(pollItems(), QStringList{"AddPollItem(3,1537,24)"});
  EXPECT_EQ(mod1->pollInterval, 30);
  EXPECT_TRUE(EventLog().last().endsWith("for Case 2=Scope, # Channels=2"));
  ScopeChannelCount = 4;
  selectGroup(2, 2001, 30);
  EXPECT_TRUE(pollItems().isEmpty());
  // The interval is still set; the control refuses it with an empty list while the port is open.
  EXPECT_EQ(mod1->calls.last(), "PollInterval=30");
  EXPECT_EQ(ErrorsAt("basFunctions, SetPollGroups()").size(), 1);

  selectGroup(3, 2001, 100);
  EXPECT_EQ(pollItems(), (QStringList{"AddPollItem(3,1537,36)", "AddPollItem(3,1,9)",
                                      "AddPollItem(3,1574,3)", "AddPollItem(3,257,36)",
                                      "AddPollItem(3,1025,24)", "AddPollItem(3,775,2)"}));
  EXPECT_TRUE(EventLog().last().endsWith("for Case 3=Maint Screen "));
  selectGroup(3, 2101, 100);
  EXPECT_EQ(pollItems().last(), "AddPollItem(3,775,3)");
  selectGroup(3, 2011, 100);  // firmware 2.01: no mask block
  EXPECT_EQ(pollItems().size(), 5);

  selectGroup(0, 2001, 1000);
  EXPECT_TRUE(mod1->pollItems.empty());
  EXPECT_EQ(mod1->pollInterval, 0);
}

TEST_F(PollGroupsTest, PollBlocksLandByAddressAsSignedWords) {
  for (auto [address, group, row] : {std::tuple{1, 0, 0},
                                     {257, 1, 0},
                                     {293, 1, 36},
                                     {549, 2, 36},
                                     {775, 3, 6},
                                     {1574, 6, 37},
                                     {1537, 6, 0}}) {
    const PollPlace place = PlaceOfAddress(address);
    EXPECT_EQ(place.group, group) << address;
    EXPECT_EQ(place.row, row) << address;
  }
  selectGroup(1, 2001, 1000);
  InitComplete = true;
  poll(2, 0, {7, -2, -32768});
  EXPECT_EQ(DriveImage.P(1, 36), 7);
  EXPECT_EQ(DriveImage.P(1, 37), -2);
  EXPECT_EQ(DriveImage.P(1, 38), -32768);
  poll(7, 0, {5, 1500, 310});
  EXPECT_EQ(DriveImage.P(6, 37), 5);
  EXPECT_EQ(DriveImage.P(6, 39), 310);

  // A block longer than the table's rows stores what fits and is reported.
  mod1->pollItems[7].count = 64;
  poll(7, 0, std::vector<int16_t>(64, 9));
  EXPECT_EQ(DriveImage.P(6, 99), 9);
  EXPECT_EQ(ErrorsAt("frmMain, Mod1_OnPoll").size(), 1);
}

TEST_F(PollGroupsTest, MaintenanceResultsLandInDriveImageWithoutAScreenOpen) {
  selectGroup(3, 2001, 100);
  InitComplete = true;
  std::vector<int16_t> monitor(36, 0);
  monitor[2] = 11, monitor[14] = -12, monitor[26] = 13, monitor[3] = 99;
  poll(0, 0, monitor);
  EXPECT_EQ(DriveImage.P(6, 2), 11);
  EXPECT_EQ(DriveImage.P(6, 14), -12);
  EXPECT_EQ(DriveImage.P(6, 26), 13);
  EXPECT_EQ(DriveImage.P(6, 3), 0);  // only the three monitor words
  poll(1, 0, {2001, 4});
  poll(2, 0, {7, 120, 310});
  poll(3, 0, {5, 2});
  poll(4, 0, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(DriveImage.P(0, 1), 4);
  EXPECT_EQ(DriveImage.P(6, 39), 310);
  EXPECT_EQ(DriveImage.P(1, 1), 2);
  EXPECT_EQ(DriveImage.P(4, 6), 7);
  // Firmware 2.00 reads P3.06 (and P3.07) only; 2.10 also takes P3.08 from word 2.
  poll(5, 0, {0x0F, 1, 0x3FF});
  EXPECT_EQ(DriveImage.P(3, 6), 0x0F);
  EXPECT_EQ(DriveImage.P(3, 8), 0);
  selectGroup(3, 2101, 100);
  poll(5, 0, {0x0E, 1, 0x3FF});
  EXPECT_EQ(DriveImage.P(3, 6), 0x0E);
  EXPECT_EQ(DriveImage.P(3, 7), 0);
  EXPECT_EQ(DriveImage.P(3, 8), 0x3FF);
  EXPECT_TRUE(ErrorLog().isEmpty()) << ErrorLog().join("\n").toStdString();
}

TEST_F(PollGroupsTest, MaintenanceResultsShowWhoControlsTheOutputs) {
  // The 2.10 maintenance screen, not loaded: the poll handler writes its labels.
  frmMaintenance screen(basMaint::Variant21());
  auto* control = screen.findChild<QLabel*>("lblControl");
  auto* clear = screen.findChild<QPushButton*>("cmdClearDOForces");
  auto* speed = screen.findChild<QLabel*>("lblStatus_6");
  ASSERT_TRUE(control && clear && speed);

  selectGroup(3, 2001, 100);  // firmware 2.00 talks to frmMaintenance: this one stays as it was
  InitComplete = true;
  poll(0, 0, std::vector<int16_t>(36, 5));
  EXPECT_TRUE(control->text().isEmpty());
  EXPECT_TRUE(speed->text().isEmpty());

  selectGroup(3, 2101, 100);
  poll(0, 0, std::vector<int16_t>(36, 5));
  EXPECT_EQ(speed->text(), "5");
  struct Row {
    int forces, softwareBit;
    const char* text;
    bool clearEnabled;
  };
  for (const Row& row : {Row{0, 0, "Outputs Under Drive Control", false},
                         Row{3, 0, "Outputs Under Software Control", true},
                         Row{3, 1, "Outputs Under Drive Control", false},
                         Row{-1, 0, "Outputs Under Drive Control", false}}) {  // unchanged
    basMain::SoftwareOutputControl = static_cast<int16_t>(row.softwareBit);
    poll(4, 0, {0, 0, 0, 0, 0, 0, static_cast<int16_t>(row.forces)});
    EXPECT_EQ(control->text(), row.text) << row.forces << "/" << row.softwareBit;
    EXPECT_EQ(clear->isEnabled(), row.clearEnabled) << row.forces << "/" << row.softwareBit;
  }
  basMain::SoftwareOutputControl = 0;
}

TEST_F(PollGroupsTest, FailedPollsLeaveDriveImageAsItWas) {
  for (int16_t group : {1, 3}) {
    selectGroup(group, 2101, 100);
    InitComplete = true;
    DriveImage.P(0, 1) = 4;
    DriveImage.P(6, 2) = 8;
    for (int16_t result : {-1, -2, 2}) {
      poll(0, result, std::vector<int16_t>(36, 77));
      poll(1, result, std::vector<int16_t>(36, 77));
    }
    EXPECT_EQ(DriveImage.P(0, 1), 4) << "group " << group;
    EXPECT_EQ(DriveImage.P(6, 2), 8) << "group " << group;
    EXPECT_EQ(DriveImage.P(1, 0), 0) << "group " << group;
  }
}

TEST_F(PollGroupsTest, InitialisationCompletesOnceItemsZeroToSevenReported) {
  selectGroup(1, 2001, 1000);
  for (int16_t item = 0; item < 7; ++item) poll(item, 0, {});
  EXPECT_FALSE(InitComplete);
  poll(7, 0, {});
  EXPECT_TRUE(InitComplete);

  // A new connection starts over: the previous drive's reads do not initialise it, and a
  // failed read does not count.
  basComm::CloseConnection();
  basComm::DriveConnected = 1;
  PollGroup = 1;
  for (int16_t item = 0; item < 7; ++item) poll(item, 0, {});
  poll(7, -1, {});
  EXPECT_FALSE(InitComplete);
  poll(7, 0, {});
  EXPECT_TRUE(InitComplete);

  InitComplete = false;
  Mod1_OnPoll(25, 0, false);  // no such item: reported, nothing else happens
  EXPECT_EQ(ErrorsAt("frmMain, Mod1_OnPoll").size(), 1);
}

TEST_F(PollGroupsTest, DriveIsLostAtTheThirdFailedPoll) {
  selectGroup(1, 2001, 1000);
  InitComplete = true;
  basMain::ExpressActive = true;
  mod1->polling = true;
  poll(0, -1, {});
  poll(1, -1, {});
  poll(2, 0, {});  // a good result does not reset the count
  EXPECT_EQ(basComm::DriveConnected, 1);
  EXPECT_EQ(PollFailCount, 2);
  poll(3, -2, {});  // other failures do not count
  EXPECT_EQ(PollFailCount, 2);
  poll(4, -1, {});
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(PollFailCount, 0);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_EQ(mod1->pollInterval, 0);
  EXPECT_FALSE(basMain::ExpressActive);
  EXPECT_FALSE(InitComplete);
  EXPECT_EQ(ErrorsAt("Lost communication to drive").size(), 1);
  ASSERT_NE(frmCommSettings::Instance(), nullptr);
  EXPECT_TRUE(frmCommSettings::Instance()->findChild<QFrame*>("picCommFailure")->isVisible());
}

TEST_F(PollGroupsTest, FailuresWhilePollingIsOffAreNotCounted) {
  selectGroup(1, 2001, 1000);
  InitComplete = true;
  mod1->polling = false;
  for (int i = 0; i < 4; ++i) poll(0, -1, {});
  EXPECT_EQ(PollFailCount, 0);
  EXPECT_EQ(basComm::DriveConnected, 1);
}

TEST_F(PollGroupsTest, DoneCompletesOnlyAGoodConnectTest) {
  basComm::DriveConnected = 0;
  basComm::ConnectTesting = 1;
  Mod1_Done(-1);
  EXPECT_EQ(LastDoneResult, -1);
  EXPECT_EQ(basComm::DriveConnected, 0);
  Mod1_Done(0);
  EXPECT_EQ(basComm::DriveConnected, 1);
  basComm::DriveConnected = 0;
  basComm::ConnectTesting = 0;
  Mod1_Done(0);
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_EQ(LastDoneResult, 0);
}

}  // namespace
}  // namespace linktest
