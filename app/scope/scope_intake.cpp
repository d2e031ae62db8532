// The intake of polled sample blocks and the trigger test.
#include "scope/scope_intake.h"

#include <chrono>
#include <cmath>

#include "core/logs.h"
#include "core/poll_subscription.h"
#include "params/number_text.h"
#include "scope/scope_capture.h"

namespace basScope {

using basFunctions::ProgramError;

// The block arrives here a reply's line time after the drive handed it over, or later when the
// machine is busy, never earlier: the sample clock relies on that. (The poll's start would not
// do: a worker or a drive held up after it hands the block over later than it shows.)
void ScopePollResult(portwright::IModbusAtl& mod1, int16_t item, int16_t result) {
  ScopeCapture* capture = ScopeCapture::Active();
  if (!capture) return;
  std::vector<int16_t> words;
  double readMs = SampleClock::kNoTime;
  if (result == 0) {
    const int16_t length = mod1.get_PollLength(item);
    words.reserve(length);
    for (int16_t i = 0; i < length; ++i) words.push_back(mod1.get_PollData(item, i));
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    readMs = std::chrono::duration<double, std::milli>(now).count();
  }
  capture->Intake(words, result, readMs);
}

void SubscribeToPolls() {
  pollSubscription::OnResult(
      QStringLiteral("scope intake"),
      [](portwright::IModbusAtl& mod1, int16_t group, int16_t item, int16_t result) {
        if (group == 2) ScopePollResult(mod1, item, result);
      });
}

namespace {

// The sample count of channel c's block; a count the drive cannot send is a corrupt block.
int blockCount(const std::vector<int16_t>& words, int channel) {
  const int n = words[1 + kBlockWords * channel];
  if (n < 0 || n > kMaxBlockSamples) throw ProgramError(9, "Subscript out of range");
  return n;
}

}  // namespace

// A failed result, or one whose words do not cover the channels (a poll list being replaced),
// carries no new samples: its words are those of an earlier read. It still counts as a
// result, so the first result after Start stays unused either way. A failure while the
// capture runs has lost the samples the drive handed over; the next block shows how many.
void ScopeCapture::Intake(const std::vector<int16_t>& words, int16_t result, double readMs) {
  if (!Running) return;
  if (ScopePollCount < INT32_MAX) ++ScopePollCount;
  if (result != 0) {
    if (ScopePlotting && ScopePollCount >= 2) {
      ++ScopeFailedPolls;
      failedSinceBlock_ = true;
    }
    if (!env_.Connected()) EndEarly(kDriveLostReason);
    return;
  }
  const int channels = std::clamp<int>(ScopeChannelCount, 0, kChannels);
  if (channels == 0 || words.size() < size_t(kBlockWords * channels)) return;
  if (ScopePollCount < 2) return;
  const bool waitingForTrigger = ScopeMode == 1 && !ScopeTriggered;
  if (!waitingForTrigger) countBlocks(words);
  if (ScopeMode == 1) testTrigger(words);
  if (ScopePlotting) takeSamples(words, readMs);
}

void ScopeCapture::countBlocks(const std::vector<int16_t>& words) {
  const int channels = std::clamp<int>(ScopeChannelCount, 0, kChannels);
  for (int c = 0; c < channels; ++c) {
    const int n = blockCount(words, c);
    if (n > ScopeMaxBlock) ScopeMaxBlock = static_cast<int16_t>(n);
    if (n == kMaxBlockSamples) ++ScopeFullBlocks;
  }
}

void ScopeCapture::testTrigger(const std::vector<int16_t>& words) {
  std::copy(words.begin(), words.begin() + kBlockWords, TriggerBlock.begin());
  if (ScopeTriggerMet() && !ScopeTriggered) {
    ScopeTriggered = true;
    ScopePlotting = true;
    StartOneShotCapture(false);
  }
}

// The block goes to the sample clock, which places it on the drive's 8 ms clock (at once, or
// once the reads after a possible gap have shown its size); the drive stamps nothing itself.
void ScopeCapture::takeSamples(const std::vector<int16_t>& words, double readMs) {
  const int channels = std::clamp<int>(ScopeChannelCount, 0, kChannels);
  HeldBlock block;
  int newest = 0;
  for (int c = 0; c < channels; ++c) {
    const int n = blockCount(words, c);
    newest = std::max(newest, n);
    if (!setup_.channels[c].enabled) continue;
    block[c].assign(words.begin() + kBlockWords * c + 2, words.begin() + kBlockWords * c + 2 + n);
  }
  held_.push_back(std::move(block));
  clock_.Take(newest, readMs, failedSinceBlock_ || newest == kMaxBlockSamples);
  failedSinceBlock_ = false;
  handOnPlacedBlocks();
}

// A channel's samples follow its previous ones 8 ms apart, after the samples the gap lost.
void ScopeCapture::handOnPlacedBlocks() {
  for (const SampleClock::Placed& placed : clock_.TakePlaced()) {
    if (held_.empty()) break;
    const HeldBlock block = std::move(held_.front());
    held_.pop_front();
    for (int c = 0; c < kChannels; ++c) {
      const std::vector<int16_t>& raws = block[c];
      if (raws.empty()) continue;
      const ChannelSetup& channel = setup_.channels[c];
      int64_t tick = lastTick_[c] + placed.lostBefore;
      QVector<double> seconds;
      QVector<double> values;
      seconds.reserve(int(raws.size()));
      values.reserve(int(raws.size()));
      for (const int16_t raw : raws) {
        ScopeTimeMs[c] = static_cast<int32_t>(std::min<int64_t>(++tick * kSampleMs, INT32_MAX));
        seconds.append(ScopeTimeMs[c] / 1000.0);
        values.append(PlotValue(channel.source, raw));
        if (setup_.logData) ScopeLog.Put(ScopeTimeMs[c], c, raw);
      }
      lastTick_[c] = tick;
      view_.AppendSamples(c, seconds, values);
    }
  }
}

std::optional<int> TriggerLimitValue(const QString& text) {
  const QString trimmed = text.trimmed();
  if (!number_text::IsNumber(trimmed)) return std::nullopt;
  const double rounded = std::nearbyint(number_text::LeadingNumber(trimmed));
  if (rounded < INT16_MIN || rounded > INT16_MAX) return std::nullopt;
  return static_cast<int>(rounded);
}

// A level test on every sample of channel 1's newest block against the limit, read anew each
// time. A block count above 10 or a limit that is no 16-bit number fails the test (logged).
bool ScopeCapture::ScopeTriggerMet() {
  bool met = false;
  basFunctions::guarded("frmScope, ScopeTriggerMet", [&] {
    const int n = TriggerBlock[1];
    if (n < 0 || n > kMaxBlockSamples) throw ProgramError(9, "Subscript out of range");
    const std::optional<int> value = TriggerLimitValue(setup_.triggerLimit);
    if (!value) throw ProgramError(13, "Type mismatch");
    const int limit = *value;
    for (int i = 0; i < n && !met; ++i) {
      const int v = TriggerBlock[2 + i];
      switch (setup_.triggerCompare) {
        case 0:
          met = v > limit;
          break;
        case 1:
          met = v >= limit;
          break;
        case 2:
          met = v < limit;
          break;
        case 3:
          met = v <= limit;
          break;
        default:
          break;
      }
    }
  });
  return met;
}

}  // namespace basScope
