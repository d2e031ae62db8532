#include "poll_list.h"

#include <algorithm>
#include <iterator>

namespace portwright {

bool PollItem::TakePoll(const int16_t* words) {
  std::copy(words, words + kPollWords, currentData);
  bool changed = false;
  for (int i = 0; i < kPollWords; ++i) {
    changedBits[i] = static_cast<int16_t>(previousData[i] ^ currentData[i]);
    if (changedBits[i] != 0) changed = true;
  }
  std::copy(currentData, currentData + kPollWords, previousData);
  return changed;
}

void PollItem::KeepWords() { std::fill(std::begin(changedBits), std::end(changedBits), 0); }

int16_t PollList::Add(int16_t plcAddress, int16_t memAddress, int16_t memCount) {
  PollItem& item = items_.emplace_back();
  item.plcAddress = plcAddress;
  item.memAddress = memAddress;
  item.memCount = memCount;
  return static_cast<int16_t>(Count() - 1);
}

void PollList::Remove(int16_t position) {
  if (items_.empty()) return;
  auto it = items_.begin();
  if (position > 0 && position < Count()) std::advance(it, position);
  items_.erase(it);
}

PollItem* PollList::At(int16_t position) {
  if (items_.empty() || position >= Count()) return nullptr;
  auto it = items_.begin();
  if (position > 0) std::advance(it, position);
  return &*it;
}

}  // namespace portwright
