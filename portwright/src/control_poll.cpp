// The poll members of the control: the list, the interval, the cycle and its results.
#include <algorithm>
#include <limits>

#include "control.h"

namespace portwright {

namespace {
void Require(bool condition, const char* errorText) {
  if (!condition) throw AutomationError(errorText);
}
}  // namespace

// Changing the list is refused while the worker may be polling it.
int16_t ModbusAtl::AddPollItem(int16_t PLCAddress, int16_t MemAddr, int16_t MemCount) {
  Require(!(portOpen_ == VARIANT_TRUE && pollInterval_ != 0),
          "Can't add poll item while polling in progress");
  Require(PLCAddress > 0 && PLCAddress <= 247, "Illegal PLC Address");
  Require(MemAddr >= 0 && MemAddr + MemCount <= 4095, "Illegal Memory Address");
  Require(MemCount > 0 && MemCount <= 64, "Illegal Memory Count");
  Require(pollList_.Count() < std::numeric_limits<int16_t>::max(), "Unable to create poll object");
  LeavePollInFlight();
  return pollList_.Add(PLCAddress, MemAddr, MemCount);
}

void ModbusAtl::DeletePollItem(int16_t ItemNum) {
  Require(!(portOpen_ == VARIANT_TRUE && pollInterval_ != 0),
          "Can't delete poll item when polling is in progress");
  Require(!pollList_.Empty() && ItemNum < pollList_.Count(), "Unable to delete Poll object");
  LeavePollInFlight();
  pollList_.Remove(ItemNum);
}

int16_t ModbusAtl::get_PollInterval() { return pollInterval_; }

void ModbusAtl::put_PollInterval(int16_t value) {
  Require(value >= 0 && value < 32000, "Illegal Poll Interval Value");
  if (value == 0) {
    pollInterval_ = 0;
    LeavePollInFlight();
    if (PollItem* next = pollList_.At(pollIndex_))
      std::fill(std::begin(next->currentData), std::end(next->currentData), 0);
    polling_ = VARIANT_FALSE;
  } else if (portOpen_ == VARIANT_TRUE) {
    Require(!pollList_.Empty(), "Can't poll- No poll objects exist");
    Require(pollList_.At(0) != nullptr, "Can't poll- Bad object pointer");
    pollInterval_ = value;
    if (polling_ == VARIANT_FALSE) StartPolling();
  } else {
    pollInterval_ = value;  // polling starts when the port is open and the interval is set
  }
  PublishPollInterval();
}

void ModbusAtl::StartPolling() {
  pollIndex_ = 0;
  LoadPollRecord(*pollList_.At(0));
  pollStartTick_ = MonotonicMs();
  polling_ = VARIANT_TRUE;
}

// An interval set while the port was closed starts the cycle when the port opens, from the
// first item, and only when there is something to poll; a cycle interrupted by closing the
// port resumes at its item, which is reloaded in case the list changed meanwhile.
void ModbusAtl::ResumePollingOnOpen() {
  if (pollInterval_ > 0 && !pollList_.Empty()) {
    if (polling_ == VARIANT_FALSE || pollIndex_ >= pollList_.Count()) {
      StartPolling();
    } else {
      LoadPollRecord(*pollList_.At(pollIndex_));
    }
  } else if (pollList_.Empty()) {
    polling_ = VARIANT_FALSE;
  }
  PublishPollInterval();
}

// The worker polls only while the cycle runs.
void ModbusAtl::PublishPollInterval() {
  const int16_t effective = polling_ == VARIANT_TRUE ? pollInterval_ : 0;
  shared_.pollInterval.store(effective, std::memory_order_release);
  shared_.Notify();
}

// Whatever poll is still on the line was taken from the record as it was before.
void ModbusAtl::LoadPollRecord(const PollItem& item) {
  LeavePollInFlight();
  pollRecord_.node = static_cast<uint8_t>(item.plcAddress);
  pollRecord_.address = item.memAddress;
  pollRecord_.quantity = item.memCount;
}

void ModbusAtl::SetPollStartTime() { pollStartTick_ = MonotonicMs(); }

// The worker decided to poll a moment ago; the host may have stopped the cycle since.
bool ModbusAtl::PollStarting(TransactionRecord& work, PollTicket& ticket) {
  if (polling_ == VARIANT_FALSE || pollInterval_ <= 0 || !pollList_.At(pollIndex_)) return false;
  SetPollStartTime();
  work = pollRecord_;
  ticket = pollGeneration_;
  return true;
}

// A host that switches poll groups stops the cycle, rebuilds the list and starts it again
// without waiting for the block on the line. That block answers an item of the old list: it
// goes nowhere, fires nothing and leaves the new cycle where it stands.
void ModbusAtl::PollTransactionDone(const TransactionRecord& work, int16_t result,
                                    PollTicket ticket) {
  RefreshUserMode();
  if (ticket != pollGeneration_) return;
  if (result == kResultGood) {
    std::copy(std::begin(work.words), std::end(work.words), std::begin(pollRecord_.words));
    std::copy(std::begin(work.floats), std::end(work.floats), std::begin(pollRecord_.floats));
    std::copy(std::begin(work.longs), std::end(work.longs), std::begin(pollRecord_.longs));
  }
  PollComplete(result, 0);
}

// Only a good poll brings words: after a failure the record still holds another item's, and
// the item keeps those of its own last good poll.
void ModbusAtl::PollComplete(int16_t Result, int32_t) {
  if (pollInterval_ <= 0) return;
  PollItem* item = pollList_.At(pollIndex_);
  if (!item) return;
  bool changed = false;
  if (Result == kResultGood) {
    // Only the item's own registers: the record's words beyond them are left over from a
    // longer item and would report changes that never happened.
    int16_t words[kPollWords] = {};
    const int count = std::clamp<int>(item->memCount, 0, kPollWords);
    std::copy(pollRecord_.words, pollRecord_.words + count, words);
    changed = item->TakePoll(words);
  } else {
    item->KeepWords();
  }
  item->transactionTime = static_cast<int32_t>(MonotonicMs() - pollStartTick_);
  // A handler that restarted the cycle or changed the list has placed it already.
  const PollTicket generation = pollGeneration_;
  FireOnPoll(pollIndex_, Result, changed ? VARIANT_TRUE : VARIANT_FALSE);
  if (generation == pollGeneration_) AdvancePoll();
}

void ModbusAtl::AdvancePoll() {
  ++pollIndex_;
  if (pollIndex_ >= pollList_.Count()) pollIndex_ = 0;
  if (const PollItem* next = pollList_.At(pollIndex_)) LoadPollRecord(*next);
}

PollItem& ModbusAtl::PollItemForData(int16_t Item, int16_t Index) {
  Require(!pollList_.Empty(), "No poll items exist");
  Require(Item < pollList_.Count(), "Illegal Poll Item");
  Require(Index >= 0 && Index <= 63, "Illegal Data Index");
  return *pollList_.At(Item);
}

int16_t ModbusAtl::get_PollData(int16_t Item, int16_t Index) {
  return PollItemForData(Item, Index).currentData[Index];
}

int16_t ModbusAtl::get_ChgdBits(int16_t Item, int16_t Index) {
  return PollItemForData(Item, Index).changedBits[Index];
}

int16_t ModbusAtl::get_PollItemCount() { return pollList_.Count(); }

int16_t ModbusAtl::get_PollLength(int16_t Item) {
  const PollItem* item = pollList_.At(Item);
  return item ? item->memCount : 0;
}

int32_t ModbusAtl::get_PollTransactionTime(int16_t Item) {
  const PollItem* item = pollList_.At(Item);
  return item ? item->transactionTime : 0;
}

VARIANT_BOOL ModbusAtl::get_IsPolling() { return polling_; }

}  // namespace portwright
