// The intake of polled sample blocks and the trigger test.
#include "scope/scope_intake.h"

#include <cmath>

#include "core/logs.h"
#include "core/poll_subscription.h"
#include "params/number_text.h"
#include "scope/scope_capture.h"

namespace basScope {

using basFunctions::ProgramError;

void ScopePollResult(portwright::IModbusAtl& mod1, int16_t item, int16_t result) {
  ScopeCapture* capture = ScopeCapture::Active();
  if (!capture) return;
  std::vector<int16_t> words;
  if (result == 0) {
    const int16_t length = mod1.get_PollLength(item);
    words.reserve(length);
    for (int16_t i = 0; i < length; ++i) words.push_back(mod1.get_PollData(item, i));
  }
  capture->Intake(words, result);
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
// result, so the first result after Start stays unused either way.
void ScopeCapture::Intake(const std::vector<int16_t>& words, int16_t result) {
  if (!Running) return;
  if (ScopePollCount < INT32_MAX) ++ScopePollCount;
  const int channels = std::clamp<int>(ScopeChannelCount, 0, kChannels);
  if (result != 0 || channels == 0 || words.size() < size_t(kBlockWords * channels)) return;
  if (ScopePollCount < 2) return;
  const bool waitingForTrigger = ScopeMode == 1 && !ScopeTriggered;
  if (!waitingForTrigger) countBlocks(words);
  if (ScopeMode == 1) testTrigger(words);
  if (ScopePlotting) takeSamples(words);
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

// Each sample lies 8 ms after the channel's previous one; the drive stamps nothing itself.
void ScopeCapture::takeSamples(const std::vector<int16_t>& words) {
  const int channels = std::clamp<int>(ScopeChannelCount, 0, kChannels);
  for (int c = 0; c < channels; ++c) {
    const ChannelSetup& channel = setup_.channels[c];
    if (!channel.enabled) continue;
    const int n = blockCount(words, c);
    if (n == 0) continue;
    QVector<double> seconds;
    QVector<double> values;
    seconds.reserve(n);
    values.reserve(n);
    for (int i = 0; i < n; ++i) {
      const int16_t raw = words[kBlockWords * c + 2 + i];
      ScopeTimeMs[c] += kSampleMs;
      seconds.append(ScopeTimeMs[c] / 1000.0);
      values.append(PlotValue(channel.source, raw));
      if (setup_.logData) ScopeLog.Put(ScopeTimeMs[c], c, raw);
    }
    view_.AppendSamples(c, seconds, values);
  }
}

// A level test on every sample of channel 1's newest block against the limit, read anew each
// time. A block count above 10 or a limit that is no 16-bit number fails the test (logged).
bool ScopeCapture::ScopeTriggerMet() {
  bool met = false;
  basFunctions::guarded("frmScope, ScopeTriggerMet", [&] {
    const int n = TriggerBlock[1];
    if (n < 0 || n > kMaxBlockSamples) throw ProgramError(9, "Subscript out of range");
    const QString text = setup_.triggerLimit.trimmed();
    if (!number_text::IsNumber(text)) throw ProgramError(13, "Type mismatch");
    const double rounded = std::nearbyint(number_text::LeadingNumber(text));
    if (rounded < INT16_MIN || rounded > INT16_MAX) throw ProgramError(6, "Overflow");
    const int limit = static_cast<int>(rounded);
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
