// The control over a pseudo-terminal with a scripted slave: transactions, the poll cycle,
// the hand-over between them, and closing while the worker is busy.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <memory>
#include <mutex>

#include "control_test_support.h"
#include "portwright/port_map.h"
#include "pty_slave.h"

using namespace portwright;
using pwtest::ErrorText;
using pwtest::RunEventsUntil;

namespace {

using Control = std::unique_ptr<IModbusAtl, pwtest::ControlDeleter>;

constexpr int kComNumber = 15;
constexpr int kSlaveDelayMs = 150;  // a reply held back this long

class CountingTrace : public IModbusAtlTrace {
 public:
  void Request(const uint8_t*, size_t) override {
    std::lock_guard lock(mutex_);
    ++requests_;
  }
  void Reply(const uint8_t*, size_t, int16_t result) override {
    std::lock_guard lock(mutex_);
    ++replies_;
    lastResult_ = result;
  }
  int Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int Replies() {
    std::lock_guard lock(mutex_);
    return replies_;
  }

 private:
  std::mutex mutex_;
  int requests_ = 0, replies_ = 0;
  int16_t lastResult_ = 0;
};

class ControlThread : public testing::Test {
 protected:
  void SetUp() override {
    slave_.EnableRegisters(1, 64);
    for (size_t i = 0; i < 64; ++i) slave_.SetRegister(i, static_cast<uint16_t>(100 + i));
    MapComPort(kComNumber, slave_.DevicePath());
    control_.reset(pwtest::NewControl());
    ASSERT_NE(control_, nullptr);
    cookie_ = control_->Advise(&events_);
    control_->put_ComPort(static_cast<enumComPort>(kComNumber - 1));
    control_->put_MsgTimeOut(5000);
  }
  void TearDown() override {
    control_->put_PollInterval(0);
    control_->put_PortOpen(VARIANT_FALSE);
    control_->Unadvise(cookie_);
    control_.reset();
  }

  void LoadRead(int16_t address, int16_t quantity) {
    control_->put_NodeAddr(1);
    control_->put_Function(ReadHoldingReg);
    control_->put_DataType(Integer);
    control_->put_DataAddr(address);
    control_->put_DataQty(quantity);
  }
  bool WaitForDone(size_t count) {
    return RunEventsUntil([&] { return events_.done.size() >= count; });
  }
  bool WaitForPolls(size_t count) {
    return RunEventsUntil([&] { return events_.polls.size() >= count; });
  }
  // Start address (1-based) of a request the slave received.
  int RequestAddress(size_t index) {
    const pwtest::Bytes message = slave_.RequestMessage(index);
    return message.size() >= 4 ? (message[2] << 8 | message[3]) + 1 : -1;
  }

  pwtest::PtySlave slave_;
  pwtest::EventRecorder events_;
  Control control_;
  uint32_t cookie_ = 0;
};

TEST_F(ControlThread, ActionReadsRegistersAndDoneDeliversThem) {
  CountingTrace trace;
  control_->SetTrace(&trace);
  control_->put_PortOpen(VARIANT_TRUE);
  EXPECT_EQ(control_->get_PortOpen(), VARIANT_TRUE);
  LoadRead(1, 3);
  slave_.Script(pwtest::Reply::FromRegisters().Delay(kSlaveDelayMs));
  control_->put_Action(1);

  // Done arrives only through this thread's events, so the control is still busy here.
  EXPECT_EQ(control_->IsBusy(), VARIANT_TRUE);
  EXPECT_EQ(ErrorText([&] { control_->put_Action(1); }), "Control is Busy");
  EXPECT_EQ(ErrorText([&] { control_->put_NodeAddr(2); }), "Sorry, I'm busy with a transaction");
  EXPECT_EQ(ErrorText([&] { control_->put_NodeAddr(0); }), "Sorry, I'm busy with a transaction");
  EXPECT_EQ(ErrorText([&] { control_->put_Data(0, 1); }), "Sorry, I'm busy with a transaction");
  EXPECT_EQ(ErrorText([&] { control_->put_PLCMode(RTU); }), "Sorry, I'm busy with a transaction");
  control_->put_MsgTimeOut(4000);  // allowed while busy
  EXPECT_EQ(control_->get_NodeAddr(), 1);

  ASSERT_TRUE(WaitForDone(1));
  EXPECT_EQ(events_.done, std::vector<int16_t>{0});
  EXPECT_EQ(control_->IsBusy(), VARIANT_FALSE);
  EXPECT_EQ(control_->get_Data(0), 100);
  EXPECT_EQ(control_->get_Data(1), 101);
  EXPECT_EQ(control_->get_Data(2), 102);
  EXPECT_GE(control_->get_TransactTime(), kSlaveDelayMs);  // no upper bound: a shared machine
  EXPECT_EQ(trace.Requests(), 1);
  EXPECT_EQ(trace.Replies(), 1);
  control_->SetTrace(nullptr);

  // A write, then a read of what was written.
  control_->put_Function(SetSingleReg);
  control_->put_DataAddr(10);
  control_->put_Data(0, -2);
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(2));
  EXPECT_EQ(events_.done[1], 0);
  EXPECT_EQ(slave_.Register(9), 0xFFFE);
}

// What an OnPoll handler sees of its item while the event is being handled.
struct PollSnapshot {
  int16_t firstWord, lastWord, changedWords;
  int32_t transactionTime = 0;
};

TEST_F(ControlThread, PollCycleVisitsItemsInTurnAndReportsChanges) {
  control_->put_PortOpen(VARIANT_TRUE);
  EXPECT_EQ(ErrorText([&] { control_->put_PollInterval(100); }),
            "Can't poll- No poll objects exist");
  EXPECT_EQ(control_->get_PollInterval(), 0);

  control_->AddPollItem(1, 1, 2);
  control_->AddPollItem(1, 11, 4);
  control_->AddPollItem(1, 21, 1);
  std::vector<PollSnapshot> seen;
  events_.onPoll = [&](const pwtest::PollEvent& poll) {
    int16_t changedWords = 0;
    for (int16_t word = 0; word < 64; ++word)
      if (control_->get_ChgdBits(poll.item, word) != 0) ++changedWords;
    const int16_t length = control_->get_PollLength(poll.item);
    seen.push_back({control_->get_PollData(poll.item, 0),
                    control_->get_PollData(poll.item, static_cast<int16_t>(length - 1)),
                    changedWords, control_->get_PollTransactionTime(poll.item)});
  };
  slave_.Script(pwtest::Reply::FromRegisters().Delay(kSlaveDelayMs));  // the first poll
  QElapsedTimer clock;
  clock.start();
  control_->put_PollInterval(100);
  EXPECT_EQ(control_->get_IsPolling(), VARIANT_TRUE);
  EXPECT_EQ(ErrorText([&] { control_->AddPollItem(1, 1, 1); }),
            "Can't add poll item while polling in progress");
  EXPECT_EQ(ErrorText([&] { control_->DeletePollItem(0); }),
            "Can't delete poll item when polling is in progress");

  ASSERT_TRUE(WaitForPolls(6));
  EXPECT_GE(clock.elapsed(), 550);  // one item per interval: six polls take six intervals
  control_->put_PollInterval(0);
  events_.onPoll = nullptr;
  EXPECT_EQ(control_->get_IsPolling(), VARIANT_FALSE);

  const PollSnapshot expected[] = {{100, 101, 2}, {110, 113, 4}, {120, 120, 1}};
  for (size_t i = 0; i < 6; ++i) {
    const PollSnapshot& want = expected[i % 3];
    EXPECT_EQ(events_.polls[i].item, static_cast<int16_t>(i % 3)) << "poll " << i;
    EXPECT_EQ(events_.polls[i].result, 0) << "poll " << i;
    EXPECT_EQ(seen[i].firstWord, want.firstWord) << "poll " << i;
    EXPECT_EQ(seen[i].lastWord, want.lastWord) << "poll " << i;
    // New items start from zero, so the first poll changes; the registers then stay.
    EXPECT_EQ(events_.polls[i].changed, i < 3 ? VARIANT_TRUE : VARIANT_FALSE) << "poll " << i;
    EXPECT_EQ(seen[i].changedWords, i < 3 ? want.changedWords : 0) << "poll " << i;
  }
  EXPECT_GE(seen[0].transactionTime, kSlaveDelayMs);
  EXPECT_EQ(RequestAddress(0), 1);
  EXPECT_EQ(RequestAddress(1), 11);
  EXPECT_EQ(RequestAddress(2), 21);

  // Polling stopped: the list may change again.
  EXPECT_EQ(control_->AddPollItem(1, 31, 1), 3);
}

// A full-length item, so that the first and the last of its 64 words are both watched.
TEST_F(ControlThread, ChangedBitsShowWhatMovedBetweenPolls) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->AddPollItem(1, 1, 64);
  struct Seen {
    VARIANT_BOOL changed;
    int16_t bits1, bits63, lastWord, otherWordsChanged;
  };
  std::vector<Seen> seen;
  events_.onPoll = [&](const pwtest::PollEvent& poll) {
    Seen now{poll.changed, control_->get_ChgdBits(0, 1), control_->get_ChgdBits(0, 63),
             control_->get_PollData(0, 63), 0};
    for (int16_t word = 0; word < 64; ++word)
      if (word != 1 && word != 63 && control_->get_ChgdBits(0, word) != 0) ++now.otherWordsChanged;
    seen.push_back(now);
    if (seen.size() == 1) slave_.SetRegister(1, 101 ^ 0x0F0F);
    if (seen.size() == 2) slave_.SetRegister(63, static_cast<uint16_t>(163 ^ 0x8001));
    if (seen.size() == 3) control_->put_PollInterval(0);
  };
  control_->put_PollInterval(30);
  ASSERT_TRUE(RunEventsUntil([&] { return control_->get_PollInterval() == 0; }));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].changed, VARIANT_TRUE);
  EXPECT_EQ(seen[1].bits1, 0x0F0F);
  EXPECT_EQ(seen[1].bits63, 0);
  // Only the last word moved: the flag and its bits must still show it.
  EXPECT_EQ(seen[2].changed, VARIANT_TRUE);
  EXPECT_EQ(seen[2].bits1, 0);
  EXPECT_EQ(seen[2].bits63, static_cast<int16_t>(0x8001));
  EXPECT_EQ(seen[2].lastWord, static_cast<int16_t>(163 ^ 0x8001));
  EXPECT_EQ(seen[1].otherWordsChanged + seen[2].otherWordsChanged, 0);
}

// Switches the poll list as a host switches poll groups: stop, new list, start.
void SwitchPollList(IModbusAtl& control, std::initializer_list<int16_t> addresses) {
  control.put_PollInterval(0);
  while (control.get_PollItemCount() > 0) control.DeletePollItem(0);
  for (int16_t address : addresses) control.AddPollItem(1, address, 1);
  control.put_PollInterval(20);
}

// The host switches poll groups without waiting for the block on the line. That block belongs
// to the old list and must never be reported against the new one; and the new list starts at
// its first item, also when the switch is made from inside an OnPoll handler.
TEST_F(ControlThread, SwitchingThePollListCreditsEveryBlockToTheListItWasReadFor) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->AddPollItem(1, 1, 2);
  slave_.Script(pwtest::Reply::FromRegisters().Delay(4 * kSlaveDelayMs));
  control_->put_PollInterval(20);
  ASSERT_TRUE(RunEventsUntil([&] { return slave_.RequestCount() >= 1; }));

  std::vector<int16_t> firstWords;
  events_.onPoll = [&](const pwtest::PollEvent& poll) {
    firstWords.push_back(control_->get_PollData(poll.item, 0));
    if (firstWords.size() == 3) SwitchPollList(*control_, {21, 31});
  };
  SwitchPollList(*control_, {41, 51});  // the first block is still held back
  ASSERT_TRUE(WaitForPolls(5));
  control_->put_PollInterval(0);
  events_.onPoll = nullptr;

  // Items 0, 1, 0 of the second list, then items 0, 1 of the third.
  const int16_t items[] = {0, 1, 0, 0, 1};
  const int16_t words[] = {140, 150, 140, 120, 130};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(events_.polls[i].item, items[i]) << "poll " << i;
    EXPECT_EQ(events_.polls[i].result, 0) << "poll " << i;
    EXPECT_EQ(firstWords[i], words[i]) << "poll " << i;
  }
}

// A failed poll tells its result and nothing else: the item keeps the words of its last good
// poll, so neither they nor the next change report carry another item's registers.
TEST_F(ControlThread, FailedPollLeavesTheItemsWordsAsTheyWere) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->AddPollItem(1, 1, 2);
  control_->AddPollItem(1, 11, 2);
  slave_.Script({pwtest::Reply::FromRegisters(), pwtest::Reply::FromRegisters(),
                 pwtest::Reply::FromRegisters(), pwtest::Reply::Exception(1, 3, 4)});
  struct Seen {
    int16_t word0, word1, bits0, bits1;
  };
  std::vector<Seen> seen;
  events_.onPoll = [&](const pwtest::PollEvent& poll) {
    seen.push_back({control_->get_PollData(poll.item, 0), control_->get_PollData(poll.item, 1),
                    control_->get_ChgdBits(poll.item, 0), control_->get_ChgdBits(poll.item, 1)});
  };
  control_->put_PollInterval(20);
  ASSERT_TRUE(WaitForPolls(6));
  control_->put_PollInterval(0);
  events_.onPoll = nullptr;

  // Polls: item 0, item 1, item 0, item 1 failing with exception 4, item 0, item 1.
  const int16_t results[] = {0, 0, 0, 4, 0, 0};
  const VARIANT_BOOL changed[] = {VARIANT_TRUE,  VARIANT_TRUE,  VARIANT_FALSE,
                                  VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE};
  for (size_t i = 0; i < 6; ++i) {
    const int16_t base = i % 2 == 0 ? 100 : 110;
    EXPECT_EQ(events_.polls[i].item, static_cast<int16_t>(i % 2)) << "poll " << i;
    EXPECT_EQ(events_.polls[i].result, results[i]) << "poll " << i;
    EXPECT_EQ(events_.polls[i].changed, changed[i]) << "poll " << i;
    EXPECT_EQ(seen[i].word0, base) << "poll " << i;
    EXPECT_EQ(seen[i].word1, base + 1) << "poll " << i;
    if (i >= 2) {
      EXPECT_EQ(seen[i].bits0, 0) << "poll " << i;
      EXPECT_EQ(seen[i].bits1, 0) << "poll " << i;
    }
  }
}

class ThrowingSink : public _IModbusAtlEvents {
 public:
  void Done(int16_t) override { throw AutomationError("Control is Busy"); }
  void OnPoll(int16_t, int16_t, VARIANT_BOOL) override { throw 42; }
};

// A host's handler that fails must not cost the other sinks their events, nor hold the cycle
// on one item.
TEST_F(ControlThread, ThrowingSinkNeitherSilencesTheOthersNorStallsTheCycle) {
  ThrowingSink thrower;
  const uint32_t throwerCookie = control_->Advise(&thrower);
  control_->Unadvise(cookie_);
  cookie_ = control_->Advise(&events_);  // after the thrower
  control_->put_PortOpen(VARIANT_TRUE);
  LoadRead(3, 1);
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(1));
  EXPECT_EQ(events_.done[0], 0);
  EXPECT_EQ(control_->IsBusy(), VARIANT_FALSE);

  control_->AddPollItem(1, 1, 1);
  control_->AddPollItem(1, 11, 1);
  control_->put_PollInterval(20);
  ASSERT_TRUE(WaitForPolls(4));
  control_->put_PollInterval(0);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(events_.polls[i].item, static_cast<int16_t>(i % 2)) << "poll " << i;
  EXPECT_EQ(RequestAddress(1), 1);
  EXPECT_EQ(RequestAddress(2), 11);
  control_->Unadvise(throwerCookie);
}

TEST_F(ControlThread, UserTransactionIsServedBeforeTheNextPoll) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->AddPollItem(1, 1, 1);
  LoadRead(40, 1);
  bool asked = false;
  events_.onPoll = [&](const pwtest::PollEvent&) {
    if (!asked) control_->put_Action(1);  // flagged while the worker waits in PollComplete
    asked = true;
  };
  control_->put_PollInterval(30);
  ASSERT_TRUE(WaitForPolls(3));
  control_->put_PollInterval(0);
  events_.onPoll = nullptr;
  ASSERT_EQ(events_.done.size(), 1u);
  EXPECT_EQ(events_.done[0], 0);
  EXPECT_EQ(control_->get_Data(0), 139);
  ASSERT_GE(slave_.RequestCount(), 3u);
  EXPECT_EQ(RequestAddress(0), 1);
  EXPECT_EQ(RequestAddress(1), 40);
  EXPECT_EQ(RequestAddress(2), 1);
}

TEST_F(ControlThread, TransactionsInterleaveWithFastPollingWithoutLosingData) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->AddPollItem(1, 1, 8);
  control_->put_PollInterval(5);
  for (int16_t round = 0; round < 25; ++round) {
    LoadRead(static_cast<int16_t>(1 + round), 2);
    control_->put_Action(1);
    ASSERT_TRUE(WaitForDone(static_cast<size_t>(round + 1)));
    ASSERT_EQ(events_.done.back(), 0);
    ASSERT_EQ(control_->get_Data(0), 100 + round);
    ASSERT_EQ(control_->get_Data(1), 101 + round);
  }
  ASSERT_TRUE(WaitForPolls(3));
  control_->put_PollInterval(0);
  for (const pwtest::PollEvent& poll : events_.polls) EXPECT_EQ(poll.result, 0);
}

TEST_F(ControlThread, ClosingWhileBusyWaitsForTheThreadAndStillDeliversDone) {
  control_->put_PortOpen(VARIANT_TRUE);
  slave_.Script(pwtest::Reply::FromRegisters().Delay(400));
  LoadRead(5, 1);
  control_->put_Action(1);
  ASSERT_TRUE(slave_.WaitForRequests(1, pwtest::kGenerousWaitMs));

  control_->put_PortOpen(VARIANT_FALSE);
  // Done was delivered while the close waited for the thread.
  EXPECT_EQ(events_.done, std::vector<int16_t>{0});
  EXPECT_EQ(control_->get_Data(0), 104);
  EXPECT_EQ(control_->get_PortOpen(), VARIANT_FALSE);
  EXPECT_EQ(control_->IsBusy(), VARIANT_FALSE);
  EXPECT_EQ(ErrorText([&] { control_->put_Action(1); }),
            "COM Port must be open to execute this method");

  // The thread let go of the device: it opens again and works.
  control_->put_PortOpen(VARIANT_TRUE);
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(2));
  EXPECT_EQ(events_.done[1], 0);
}

// As a host does when it loses the drive: from a Done handler, one last request (a stop) and
// then the close. The close returns at once; the last request still goes out and is told.
TEST_F(ControlThread, ClosingFromADoneHandlerReturnsAtOnceAndServesTheLastRequest) {
  control_->put_PortOpen(VARIANT_TRUE);
  LoadRead(1, 1);
  bool closed = false;
  events_.onDone = [&](int16_t) {
    if (closed) return;
    closed = true;
    control_->put_Action(1);
    control_->put_PortOpen(VARIANT_FALSE);
    EXPECT_EQ(control_->get_PortOpen(), VARIANT_FALSE);
  };
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(2));
  EXPECT_EQ(events_.done, (std::vector<int16_t>{0, 0}));
  EXPECT_EQ(slave_.RequestCount(), 2u);
  EXPECT_EQ(ErrorText([&] { control_->put_Action(1); }),
            "COM Port must be open to execute this method");
  // Opening again waits for the old thread if it has not ended yet.
  control_->put_PortOpen(VARIANT_TRUE);
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(3));
  EXPECT_EQ(events_.done[2], 0);
}

TEST_F(ControlThread, NoTrafficWithoutActionOrPolling) {
  control_->AddPollItem(1, 1, 1);
  control_->put_PortOpen(VARIANT_TRUE);
  pwtest::RunEventsFor(500);
  EXPECT_EQ(slave_.RequestCount(), 0u);
  EXPECT_TRUE(events_.done.empty());
  EXPECT_TRUE(events_.polls.empty());
}

// The exception code reaches Done as the result: RTU reads the code byte signed, ASCII
// unsigned, so code 0x81 arrives as -127 and as 129.
TEST_F(ControlThread, TimeoutAndExceptionArriveAsResults) {
  control_->put_PortOpen(VARIANT_TRUE);
  control_->put_MsgTimeOut(100);
  LoadRead(1, 1);
  slave_.Script({pwtest::Reply::None(), pwtest::Reply::Exception(1, 3, 2),
                 pwtest::Reply::Exception(1, 3, 0x81)});
  for (size_t n = 1; n <= 3; ++n) {
    control_->put_Action(1);
    ASSERT_TRUE(WaitForDone(n));
  }
  EXPECT_EQ(events_.done, (std::vector<int16_t>{-1, 2, -127}));

  control_->put_PLCMode(ASCII);
  slave_.SetFraming(pwtest::Framing::Ascii);
  slave_.Script({pwtest::Reply::Exception(1, 3, 3), pwtest::Reply::Exception(1, 3, 0x81)});
  for (size_t n = 4; n <= 5; ++n) {
    control_->put_Action(1);
    ASSERT_TRUE(WaitForDone(n));
  }
  EXPECT_EQ(events_.done, (std::vector<int16_t>{-1, 2, -127, 3, 129}));
}

TEST_F(ControlThread, ReleasingTheControlWithThePortOpenStopsTheThread) {
  control_->AddPollItem(1, 1, 1);
  control_->put_PortOpen(VARIANT_TRUE);
  control_->put_PollInterval(10);
  ASSERT_TRUE(WaitForPolls(2));
  control_->Unadvise(cookie_);
  control_.reset(pwtest::NewControl());  // releases the first while it polls
  cookie_ = control_->Advise(&events_);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
}

class SwitchableSite : public IModbusAtlSite {
 public:
  bool AmbientUserMode(bool& userMode) override {
    userMode = userMode_;
    return true;
  }
  bool userMode_ = true;
};

TEST_F(ControlThread, ContainerInDesignModeEndsTheThreadAndOpeningAgainRestartsIt) {
  SwitchableSite site;
  control_->SetClientSite(&site);
  control_->put_PortOpen(VARIANT_TRUE);
  site.userMode_ = false;
  EXPECT_EQ(control_->get_UserMode(), VARIANT_FALSE);
  LoadRead(1, 1);
  // The worker ends and lets the device go; the open flag keeps its value. Every Action taken
  // meanwhile ends in a Done, also one that slipped in as the worker ended.
  size_t accepted = 0;
  ASSERT_TRUE(RunEventsUntil([&] {
    const std::string error = ErrorText([&] { control_->put_Action(1); });
    accepted += error == "(no error)";
    return error == "COM Port must be open to execute this method";
  }));
  EXPECT_EQ(control_->get_PortOpen(), VARIANT_TRUE);
  EXPECT_TRUE(RunEventsUntil([&] { return control_->IsBusy() == VARIANT_FALSE; }));
  EXPECT_EQ(events_.done.size(), accepted);

  site.userMode_ = true;
  control_->put_PortOpen(VARIANT_TRUE);
  const size_t doneBefore = events_.done.size();
  control_->put_Action(1);
  ASSERT_TRUE(WaitForDone(doneBefore + 1));
  EXPECT_EQ(events_.done.back(), 0);
  control_->SetClientSite(nullptr);
}

}  // namespace
