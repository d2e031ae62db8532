// The scope's capture engine (no widgets): channel setup written to the drive, the three
// capture modes, the timed phases, the intake of polled sample blocks into the plot and the
// log table, the trigger test and the stop that hands the polling back. The scope window is a
// thin front end over it; the main window's poll handler feeds it.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QVector>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "scope/sample_clock.h"
#include "scope/scope_intake.h"
#include "scope/scope_log.h"
#include "scope/scope_sources.h"

class QTimer;

namespace basScope {

// The pauses of the scope's sequences in seconds: the drive needs time to take each channel
// selector, the last poll to settle, the viewer's plot to take its properties. Tests shorten
// them; the program never changes them.
struct ScopePauses {
  double channelSetup = 0.5;
  double stop = 0.5;
  double maintenanceSelector = 0.25;
  double sourceListFill = 0.5;
  double viewerLoad = 1.5;
};
extern ScopePauses Pauses;

// How the capture is set up: what the window's controls hold at Start.
struct ChannelSetup {
  bool enabled = false;
  int source = 0;  // SourceIndex 0..16
};
struct ScopeSetup {
  int mode = 0;  // 0 one-shot, 1 triggered, 2 free running
  int bufferSeconds = 4;
  int visibleSeconds = 4;
  bool showLast = false;  // visible range "Last"
  bool logData = false;
  std::array<ChannelSetup, kChannels> channels;
  int triggerCompare = 0;  // 0 ">", 1 ">=", 2 "<", 3 "<="
  QString triggerLimit = QStringLiteral("0");
};

// What the capture changes on its window.
class ScopeView {
 public:
  virtual ~ScopeView() = default;
  virtual void ShowTitle(const QString& text, const QColor& colour) = 0;
  // The lost-data label: shown with its text, or hidden for an empty text.
  virtual void ShowLostData(const QString& text) = 0;
  virtual void ClearData() = 0;
  virtual void SetXAxis(double startSeconds, double spanSeconds) = 0;
  virtual void SetXAxisStart(double startSeconds) = 0;
  virtual void FollowData(bool follow) = 0;
  virtual void MarkersOff() = 0;
  virtual void KeepPoints(int perChannel) = 0;
  virtual void AppendSamples(int channel, const QVector<double>& seconds,
                             const QVector<double>& values) = 0;
  // Setup controls (channel boxes and lists, log box, save button) off while a capture starts.
  virtual void LockSetup() = 0;
  // Caption "Stop"; log box and save button off.
  virtual void ShowRunning() = 0;
  // Caption "Start"; channel boxes and lists of checked channels back within the channel
  // count, log box on, save button as given.
  virtual void ShowStopped(bool saveEnabled) = 0;
  virtual void SetStartStopEnabled(bool enabled) = 0;
  virtual void Unload() = 0;
};

// What the capture needs from the program around it.
class ScopeEnvironment {
 public:
  virtual ~ScopeEnvironment() = default;
  virtual bool Connected() = 0;
  // Reads and clears the flag the poll handler sets when a poll fails while the scope is open.
  virtual bool TakeLogonNeeded() = 0;
  virtual void SendLogon() = 0;
  // Puts a selector code into the working configuration and writes it to the drive.
  virtual void WriteSelector(int channel, int code) = 0;
  virtual int16_t PollGroup() = 0;
  virtual void SelectPollGroup(int16_t group) = 0;
  virtual void SetPollGroups(int16_t interval) = 0;
  virtual void Wait(double seconds) = 0;
  virtual bool MaintenanceOpen() = 0;
  virtual void Maint_Interlock(bool starting) = 0;
  // Tuning's Update button and the main window's upload and download: off while capturing.
  virtual void LockOtherCommands(bool capturing) = 0;
  virtual void SetBusyPointer(bool busy) = 0;
};

class ScopeCapture : public QObject {
  Q_OBJECT

 public:
  ScopeCapture(ScopeView& view, ScopeEnvironment& environment, QObject* parent = nullptr);
  ~ScopeCapture() override;
  // The capture of the open scope window (the poll handler's target), or null.
  static ScopeCapture* Active();

  ScopeSetup& setup() { return setup_; }
  // Start when idle, else stop.
  void StartStop();
  void Start();
  void StartOneShotCapture(bool reset);
  void StopScope();
  bool ScopeTriggerMet();
  // One poll result of the scope group: the words read, the result code and when the drive
  // was read (milliseconds of the monotonic clock; unknown by default).
  void Intake(const std::vector<int16_t>& words, int16_t result,
              double readMs = SampleClock::kNoTime);
  void MarkSourceChanged(int channel) { SourceChanged[channel] = true; }

  // Ends a running capture at the next turn of the event loop, saying why.
  void EndEarly(const QString& reason);

  void tmrHiddenData_Timer();
  void tmrVisibleData_Timer();
  void tmrTitleUpdater_Timer();

  // Capture state, named as the drive's documentation of the scope names it.
  int16_t ScopeMode = 0;
  bool ScopePlotting = false;
  bool ScopeTriggered = false;
  int32_t ScopePollCount = 0;
  int16_t ScopeMaxBlock = 0;
  // Channel blocks that arrived full (10 samples): the drive may have dropped older samples.
  int32_t ScopeFullBlocks = 0;
  // Failed poll results during the capture: their samples never arrived.
  int32_t ScopeFailedPolls = 0;
  // Samples per channel missing between the blocks taken, and the gaps they make.
  int64_t ScopeLostSamples() const { return clock_.lostSamples(); }
  int ScopeGaps() const { return clock_.gaps(); }
  // Why the capture ended before its time (empty when it did not).
  QString ScopeEndedEarly;
  std::array<int32_t, kChannels> ScopeTimeMs{};
  std::array<int16_t, kBlockWords> TriggerBlock{};
  ScopeLogTable ScopeLog;
  bool ScopeSetupPending = false;

  bool Running = false;
  int HiddenSeconds = 0;
  int CountdownSeconds = 0;
  int16_t ScopePollInterval = 30;
  int16_t SavedPollGroup = 0;
  std::array<bool, kChannels> SourceChanged{true, true, true};

  QTimer* tmrHiddenData = nullptr;
  QTimer* tmrVisibleData = nullptr;
  QTimer* tmrTitleUpdater = nullptr;

 private:
  // A block read but not yet placed in time: the raw samples of each channel taken.
  using HeldBlock = std::array<std::vector<int16_t>, kChannels>;
  QTimer* makeTimer(const char* name, void (ScopeCapture::*handler)());
  bool refuseStart();
  void writeChannelSetup();
  void resetLog();
  void startMode();
  void startPolling();
  int pointsPerChannel() const { return setup_.bufferSeconds * kSamplesPerSecond; }
  void countBlocks(const std::vector<int16_t>& words);
  void testTrigger(const std::vector<int16_t>& words);
  void takeSamples(const std::vector<int16_t>& words, double readMs);
  void handOnPlacedBlocks();
  void watchLink();
  void restorePolling();
  QString lostDataText() const;
  QString stoppedTitle() const;

  ScopeView& view_;
  ScopeEnvironment& env_;
  ScopeSetup setup_;
  SampleClock clock_;
  std::deque<HeldBlock> held_;
  std::array<int64_t, kChannels> lastTick_{};
  bool failedSinceBlock_ = false;
  QTimer* linkWatch_ = nullptr;
};

// The trigger limit a text gives: a number that rounds to a 16-bit integer, or nothing.
std::optional<int> TriggerLimitValue(const QString& text);

// The texts of the capture that the window and tests share.
extern const QString kLostDataWarning;
extern const QString kStoppedTitle;
extern const QString kDriveLostReason;
extern const QString kTriggerLimitRefused;
extern const QString kTriggerLimitCaption;

}  // namespace basScope
