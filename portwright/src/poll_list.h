// The poll list: register blocks the control reads cyclically, in creation order, with the
// words of the last two polls and the bits that changed between them.
#pragma once

#include <cstdint>
#include <list>

namespace portwright {

constexpr int kPollWords = 64;

struct PollItem {
  int16_t plcAddress = 1;
  int16_t memAddress = 1;
  int16_t memCount = 1;
  int32_t transactionTime = 0;
  int16_t currentData[kPollWords] = {};
  int16_t changedBits[kPollWords] = {};
  int16_t previousData[kPollWords] = {};

  // Takes the words of a poll: changed bits := previous XOR current, previous := current.
  // Returns true when any word differs from the previous poll.
  bool TakePoll(const int16_t* words);
  // A failed poll: the words stay those of the last good one, and nothing changed.
  void KeepWords();
};

// A doubly linked list addressed by 0-based position.
class PollList {
 public:
  int16_t Count() const { return static_cast<int16_t>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // Appends an item; returns its position.
  int16_t Add(int16_t plcAddress, int16_t memAddress, int16_t memCount);
  // Removes the item at a position (a position at or below 0 removes the first item).
  void Remove(int16_t position);
  // The item at a position, null past the end; a negative position means the first item.
  PollItem* At(int16_t position);
  void Clear() { items_.clear(); }

 private:
  std::list<PollItem> items_;
};

}  // namespace portwright
