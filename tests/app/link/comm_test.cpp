// Drive data access: what reaches the control for writes, the logon and closing, and how a
// write without a connection ends.
#include <QApplication>
#include <QFrame>
#include <QTimer>

#include "core/app_state.h"
#include "link/bas_comm.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "link_test_env.h"
#include "params/value_table.h"

namespace linktest {
namespace {

using basFunctions::WorkingConfig;

class CommTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    basComm::DriveConnected = 1;
    basComm::DriveNodeAddress = 5;
    mod1->portOpen = true;
  }
};

TEST_F(CommTest, WriteSendsWorkingConfigToTheDatabaseAddressInOneTransaction) {
  WorkingConfig.P(1, 1) = 3;
  basComm::WriteData("101", 1);
  EXPECT_EQ(mod1->calls, (QStringList{"NodeAddr=5", "DataType=0",
                                      QStringLiteral("DataAddr=%1").arg(kAddressP101), "DataQty=1",
                                      "Function=7", "Data(0)=3", "Action"}));

  mod1->calls.clear();
  WorkingConfig.P(1, 10) = 40000;  // above 32767: its 16-bit two's complement goes
  WorkingConfig.P(1, 11) = -7;
  WorkingConfig.P(1, 12) = 65535;
  basComm::WriteData("110", 3);
  EXPECT_EQ(mod1->callsStarting("DataAddr"),
            QStringList{QStringLiteral("DataAddr=%1").arg(kAddressP110)});
  EXPECT_EQ(mod1->callsStarting("DataQty"), QStringList{"DataQty=3"});
  EXPECT_EQ(mod1->callsStarting("Data("),
            (QStringList{"Data(0)=-25536", "Data(1)=-7", "Data(2)=-1"}));
  EXPECT_EQ(mod1->calls.count("Action"), 1);
  EXPECT_TRUE(ErrorLog().isEmpty());
}

TEST_F(CommTest, InternalGroupsUseTheCallersAddressWithoutTheDatabase) {
  WorkingConfig.P(6, 0) = 4;
  basComm::WriteData("600", 1, portwright::Integer, 1537);
  // Group 5 too: the passcode P5.25 at 1306, the first internal group.
  WorkingConfig.P(5, 25) = 40000;
  basComm::WriteData("525", 1, portwright::Integer, 1306);
  EXPECT_EQ(mod1->callsStarting("DataAddr"), (QStringList{"DataAddr=1537", "DataAddr=1306"}));
  EXPECT_EQ(mod1->callsStarting("Data("), (QStringList{"Data(0)=4", "Data(0)=-25536"}));
  EXPECT_EQ(mod1->calls.count("Action"), 2);
  // Neither key is in the database: a lookup would have logged a missing record.
  EXPECT_TRUE(ErrorLog().isEmpty());
}

TEST_F(CommTest, ExpressWritesAreLoggedWithTheValueAndParameter) {
  basMain::ExpressActive = true;
  WorkingConfig.P(1, 1) = 40000;
  basComm::WriteData("101", 1);
  const QStringList events = EventLog();
  ASSERT_EQ(events.size(), 1);
  EXPECT_TRUE(events[0].endsWith(" - XPress writing 40000 to P1.1")) << events[0].toStdString();
}

TEST_F(CommTest, BadWritesAreLoggedAndNeverReachTheDrive) {
  WorkingConfig.P(1, 1) = 100000;  // fits no 16-bit word
  basComm::WriteData("101", 1);
  WorkingConfig.P(1, 1) = 0;
  basComm::WriteData("698", 3, portwright::Integer, 1600);  // runs past P6.99
  basComm::WriteData("150", 1);                             // no such parameter in the database
  EXPECT_EQ(mod1->calls.count("Action"), 0);
  const QStringList errors = ErrorsAt("basComm, WriteData()");
  ASSERT_EQ(errors.size(), 3);
  EXPECT_TRUE(errors[0].endsWith(", Program, 6, Overflow"));
  EXPECT_TRUE(errors[1].endsWith(", Program, 9, Subscript out of range"));
  EXPECT_EQ(ErrorsAt("basComm, GetAddress()").size(), 1);
}

TEST_F(CommTest, AddressLookupOfUnknownKeyGivesZeroAndLogs) {
  EXPECT_EQ(basComm::GetAddress("208"), kAddressP208);
  EXPECT_EQ(basComm::GetAddress("999"), 0);
  EXPECT_EQ(basComm::GetAddress("' or 1=1 --"), 0);
  EXPECT_EQ(ErrorsAt("basComm, GetAddress()").size(), 2);
}

TEST_F(CommTest, LogonWritesTheCodeThenTheConfirmationToP208) {
  mod1->answerReads = true;
  basComm::SendLogonCommand(1);
  EXPECT_EQ(mod1->callsStarting("DataAddr"),
            QStringList{QStringLiteral("DataAddr=%1").arg(kAddressP208)});
  EXPECT_EQ(mod1->callsStarting("Data("), (QStringList{"Data(0)=36", "Data(0)=63", "Data(0)=0"}));
  EXPECT_EQ(mod1->calls.count("Action"), 2);
  EXPECT_TRUE(EventLog().last().endsWith(
      " - Sent Logon/Logoff Command for Internal Parameters. LogMode = 1"));

  mod1->calls.clear();
  basComm::SendLogonCommand(0);
  EXPECT_EQ(mod1->callsStarting("Data("), (QStringList{"Data(0)=0", "Data(0)=63", "Data(0)=0"}));
  EXPECT_TRUE(EventLog().last().endsWith("LogMode = 0"));
}

TEST_F(CommTest, WriteWaitsForABusyControlInsteadOfFailing) {
  mod1->busy = true;
  QTimer::singleShot(700, [this] { mod1->busy = false; });
  WorkingConfig.P(1, 1) = 2;
  basComm::WriteData("101", 1);
  EXPECT_EQ(mod1->calls.count("Action"), 1);
  EXPECT_TRUE(ErrorLog().isEmpty());
}

TEST_F(CommTest, ClosingStopsPollingAndMarksTheProgramOffLine) {
  basFunctions::InitComplete = true;
  mod1->pollInterval = 1000;
  basComm::CloseConnection();
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_EQ(mod1->pollInterval, 0);
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_FALSE(basFunctions::InitComplete);
  EXPECT_TRUE(EventLog().last().endsWith(" - Connection to drive closed"));
}

TEST_F(CommTest, WritingWithoutConnectionOffersTheReconnectInstead) {
  basComm::DriveConnected = 0;
  basMain::ExpressActive = true;
  basFunctions::PollFailCount = 2;
  WorkingConfig.P(1, 1) = 2;
  basComm::WriteData("101", 1);
  EXPECT_EQ(mod1->calls.count("Action"), 0);
  EXPECT_FALSE(mod1->portOpen);
  EXPECT_FALSE(basMain::ExpressActive);
  EXPECT_EQ(basFunctions::PollFailCount, 0);
  const QStringList lost = ErrorsAt("Lost communication to drive");
  ASSERT_EQ(lost.size(), 1);
  EXPECT_TRUE(lost[0].endsWith(" - Lost communication to drive, Communication, 0, 0"));
  frmCommSettings* dialog = frmCommSettings::Instance();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->findChild<QFrame*>("picCommFailure")->isVisible());

  mod1->calls.clear();
  basComm::SendLogonCommand(1);  // the logon does not reach the port either
  EXPECT_EQ(mod1->calls.count("Action"), 0);
}

}  // namespace
}  // namespace linktest
