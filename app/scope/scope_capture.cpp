#include "scope/scope_capture.h"

#include <QPointer>
#include <QTimer>

#include "core/logs.h"
#include "core/prompt.h"

namespace basScope {

ScopePauses Pauses;

const QString kLostDataWarning = QStringLiteral(
    "Warning - Some data points in drive have been missed due to slow communications");
const QString kStoppedTitle =
    QStringLiteral("Last Capture Done. Scope Stopped. Setup and Press Start to Capture.");
const QString kDriveLostReason = QStringLiteral("Communication to the drive was lost");
const QString kTriggerLimitRefused =
    QStringLiteral("The trigger limit must be a number from -32768 to 32767. Please correct it.");
const QString kTriggerLimitCaption = QStringLiteral("Invalid Trigger Limit");

namespace {

QPointer<ScopeCapture> g_active;

const QColor kBusyTitle(Qt::blue);
const QColor kIdleTitle(Qt::black);
const QColor kEarlyEndTitle(200, 0, 0);
const QString kCapturing = QStringLiteral("Capturing Data . . . ");

QString untilVisible(int seconds) {
  return kCapturing + QString::number(seconds) + QStringLiteral(" Seconds until visible data");
}

QString untilDone(int seconds) {
  return QStringLiteral("Still Capturing Data . . . ") + QString::number(seconds) +
         QStringLiteral(" Seconds until done");
}

QString counted(int64_t count, const char* one, const char* many) {
  return QString::number(count) + QChar(' ') + QLatin1String(count == 1 ? one : many);
}

}  // namespace

ScopeCapture::ScopeCapture(ScopeView& view, ScopeEnvironment& environment, QObject* parent)
    : QObject(parent), view_(view), env_(environment) {
  setObjectName(QStringLiteral("ScopeCapture"));
  tmrHiddenData = makeTimer("tmrHiddenData", &ScopeCapture::tmrHiddenData_Timer);
  tmrVisibleData = makeTimer("tmrVisibleData", &ScopeCapture::tmrVisibleData_Timer);
  tmrTitleUpdater = makeTimer("tmrTitleUpdater", &ScopeCapture::tmrTitleUpdater_Timer);
  tmrTitleUpdater->setInterval(1000);
  linkWatch_ = makeTimer("linkWatch", &ScopeCapture::watchLink);
  linkWatch_->setInterval(1000);
  g_active = this;
  SubscribeToPolls();
}

ScopeCapture::~ScopeCapture() {
  if (g_active == this) g_active = nullptr;
}

ScopeCapture* ScopeCapture::Active() { return g_active.data(); }

QTimer* ScopeCapture::makeTimer(const char* name, void (ScopeCapture::*handler)()) {
  auto* timer = new QTimer(this);
  timer->setObjectName(QString::fromLatin1(name));
  // A coarse timer may fire 5 % early: seconds early on a two-minute phase.
  timer->setTimerType(Qt::PreciseTimer);
  connect(timer, &QTimer::timeout, this, handler);
  return timer;
}

void ScopeCapture::StartStop() {
  if (Running)
    StopScope();
  else
    Start();
}

bool ScopeCapture::refuseStart() {
  if (env_.Connected() && env_.TakeLogonNeeded()) {
    env_.SendLogon();
    ScopeSetupPending = true;
  }
  if (!env_.Connected()) {
    env_.SetBusyPointer(false);
    prompt::MsgBox(QStringLiteral("You are not connected to the drive, scope will now exit. "
                                  "Please reconnect to the drive."),
                   prompt::Buttons::OK, prompt::Icon::Critical,
                   QStringLiteral("Drive Connection Lost"));
    view_.Unload();
    return true;
  }
  if (setup_.mode == 1 && !TriggerLimitValue(setup_.triggerLimit)) {
    env_.SetBusyPointer(false);
    prompt::MsgBox(kTriggerLimitRefused, prompt::Buttons::OK, prompt::Icon::Exclamation,
                   kTriggerLimitCaption);
    return true;
  }
  for (const ChannelSetup& channel : setup_.channels)
    if (channel.enabled) return false;
  env_.SetBusyPointer(false);
  prompt::MsgBox(QStringLiteral("There are no channels enabled so there is nothing to plot. "
                                "Please enable a channel then click start again."),
                 prompt::Buttons::OK, prompt::Icon::Critical,
                 QStringLiteral("No Channels Enabled"));
  return true;
}

void ScopeCapture::Start() {
  env_.SetBusyPointer(true);
  if (refuseStart()) return;
  HiddenSeconds = std::max(0, setup_.bufferSeconds - setup_.visibleSeconds);
  SavedPollGroup = env_.PollGroup();
  env_.SetPollGroups(0);
  ScopePollCount = 0;

  view_.ClearData();
  view_.ShowLostData(QString());
  view_.SetXAxis(0, setup_.visibleSeconds);
  view_.FollowData(true);
  view_.MarkersOff();

  env_.LockOtherCommands(true);
  view_.LockSetup();
  ScopeTimeMs.fill(0);
  ScopeMaxBlock = 0;
  ScopeFullBlocks = 0;
  ScopeFailedPolls = 0;
  ScopeEndedEarly.clear();
  clock_.Reset();
  held_.clear();
  lastTick_.fill(0);
  failedSinceBlock_ = false;
  view_.ShowTitle(QStringLiteral("Sending Channel Setup to Drive. . . "), kBusyTitle);
  writeChannelSetup();
  if (setup_.logData) resetLog();
  startMode();
}

// A channel's selector is written when it changed, when the drive may have forgotten it (a new
// logon) or when the maintenance screen, which uses the blocks for its own sources, is open.
void ScopeCapture::writeChannelSetup() {
  const bool maintenanceOpen = env_.MaintenanceOpen();
  for (int c = 0; c < kChannels; ++c) {
    const ChannelSetup& channel = setup_.channels[c];
    if (!channel.enabled || !(maintenanceOpen || SourceChanged[c] || ScopeSetupPending)) continue;
    env_.WriteSelector(c, SelectorCode(channel.source));
    SourceChanged[c] = false;
    env_.Wait(Pauses.channelSetup);
  }
  if (!maintenanceOpen) ScopeSetupPending = false;
}

void ScopeCapture::resetLog() {
  std::array<QString, kChannels> header;
  for (int c = 0; c < kChannels; ++c)
    header[c] = setup_.channels[c].enabled ? QString::number(setup_.channels[c].source)
                                           : QStringLiteral("Not Used");
  ScopeLog.Reset(setup_.bufferSeconds * 1000, header);
}

void ScopeCapture::startMode() {
  switch (setup_.mode) {
    case 0:
      ScopePlotting = true;
      ScopeMode = 0;
      env_.Maint_Interlock(true);
      StartOneShotCapture(true);
      return;
    case 1:
      TriggerBlock.fill(0);
      ScopePlotting = false;
      ScopeMode = 1;
      ScopeTriggered = false;
      view_.ShowTitle(QStringLiteral("Waiting for Trigger Condition . . . "), kBusyTitle);
      view_.ShowRunning();
      break;
    default:
      ScopePlotting = true;
      ScopeMode = 2;
      view_.KeepPoints(pointsPerChannel());
      view_.ShowRunning();
      view_.ShowTitle(kCapturing, kBusyTitle);
      break;
  }
  startPolling();
}

void ScopeCapture::startPolling() {
  env_.Maint_Interlock(true);
  env_.SelectPollGroup(2);
  env_.SetPollGroups(ScopePollInterval);
  Running = true;
  linkWatch_->start();
}

// The capture's two phases: the hidden seconds (not in view) and the visible seconds. With
// "Last" the hidden phase comes first and the view waits at its end; with "First" the view
// shows the first seconds and stays there while the rest is captured.
void ScopeCapture::StartOneShotCapture(bool reset) {
  tmrHiddenData->setInterval(HiddenSeconds != 0 ? HiddenSeconds * 1000 + 100 : 10);
  tmrVisibleData->setInterval(setup_.visibleSeconds * 1000 + 100);
  CountdownSeconds = HiddenSeconds;
  if (setup_.showLast) {
    view_.SetXAxisStart(HiddenSeconds);
    view_.FollowData(false);
    view_.ShowTitle(untilVisible(CountdownSeconds), kBusyTitle);
    tmrHiddenData->start();
    tmrTitleUpdater->start();
    tmrVisibleData->stop();
  } else {
    view_.SetXAxisStart(0);
    view_.ShowTitle(kCapturing, kBusyTitle);
    tmrVisibleData->start();
    tmrHiddenData->stop();
  }
  // Every sample of the buffer stays: a plot cut short would lose the visible seconds of a
  // long "First" capture and shorten the saved data.
  view_.KeepPoints(pointsPerChannel());
  if (reset) {
    env_.SelectPollGroup(2);
    view_.ClearData();
    env_.SetPollGroups(ScopePollInterval);
  }
  Running = true;
  linkWatch_->start();
  view_.ShowRunning();
}

void ScopeCapture::tmrTitleUpdater_Timer() {
  basFunctions::guarded("frmScope, tmrTitleUpdater_Timer", [&] {
    if (CountdownSeconds > 0) --CountdownSeconds;
    view_.ShowTitle(setup_.showLast ? untilVisible(CountdownSeconds) : untilDone(CountdownSeconds),
                    kBusyTitle);
  });
}

void ScopeCapture::tmrHiddenData_Timer() {
  basFunctions::guarded("frmScope, tmrHiddenData_Timer", [&] {
    tmrTitleUpdater->stop();
    view_.FollowData(true);
    if (setup_.showLast) {
      tmrHiddenData->stop();
      tmrVisibleData->start();
      view_.ShowTitle(kCapturing, kBusyTitle);
    } else {
      StopScope();
    }
  });
}

void ScopeCapture::tmrVisibleData_Timer() {
  basFunctions::guarded("frmScope, tmrVisibleData_Timer", [&] {
    if (setup_.showLast) {
      tmrTitleUpdater->stop();
      StopScope();
      return;
    }
    tmrVisibleData->stop();
    view_.FollowData(false);
    tmrHiddenData->start();
    tmrTitleUpdater->start();
    view_.ShowTitle(untilDone(CountdownSeconds), kBusyTitle);
  });
}

void ScopeCapture::StopScope() {
  view_.SetStartStopEnabled(false);
  env_.SetPollGroups(0);
  Running = false;
  ScopePlotting = false;
  tmrVisibleData->stop();
  tmrHiddenData->stop();
  linkWatch_->stop();
  clock_.Settle();
  handOnPlacedBlocks();
  env_.Wait(Pauses.stop);

  view_.ShowTitle(stoppedTitle(), ScopeEndedEarly.isEmpty() ? kIdleTitle : kEarlyEndTitle);
  if (ScopeMaxBlock >= 9 || ScopeLostSamples() > 0 || ScopeFailedPolls > 0)
    view_.ShowLostData(lostDataText());
  view_.ShowStopped(setup_.logData);
  env_.LockOtherCommands(false);
  restorePolling();
  env_.Maint_Interlock(false);
  view_.SetStartStopEnabled(true);
  tmrTitleUpdater->stop();
  env_.SetBusyPointer(false);
}

void ScopeCapture::EndEarly(const QString& reason) {
  // Not inside the poll handler that noticed it: the stop waits and rebuilds the poll list.
  QMetaObject::invokeMethod(
      this,
      [this, reason] {
        if (!Running) return;
        ScopeEndedEarly = reason;
        StopScope();
      },
      Qt::QueuedConnection);
}

// A drive lost without a failed scope poll (a disconnect) ends the capture too.
void ScopeCapture::watchLink() {
  if (Running && !env_.Connected()) EndEarly(kDriveLostReason);
}

QString ScopeCapture::lostDataText() const {
  const int64_t lost = ScopeLostSamples();
  return kLostDataWarning + QStringLiteral("\n(") + counted(lost, "sample", "samples") +
         QStringLiteral(" lost per channel, ") +
         QString::number(lost * kSampleMs / 1000.0, 'f', 3) + QStringLiteral(" s in ") +
         counted(ScopeGaps(), "gap", "gaps") + QStringLiteral("; ") +
         counted(ScopeFailedPolls, "failed poll", "failed polls") + QStringLiteral(", ") +
         counted(ScopeFullBlocks, "full block", "full blocks") + QStringLiteral(")");
}

QString ScopeCapture::stoppedTitle() const {
  if (ScopeEndedEarly.isEmpty()) return kStoppedTitle;
  int32_t lastMs = 0;
  int64_t samples = 0;
  for (int c = 0; c < kChannels; ++c) {
    if (!setup_.channels[c].enabled) continue;
    lastMs = std::max(lastMs, ScopeTimeMs[c]);
    samples = std::max(samples, lastTick_[c] - ScopeLostSamples());
  }
  QString held = QString::number(lastMs / 1000.0, 'f', 3) + QStringLiteral(" s");
  if (ScopeMode != 2)
    held += QStringLiteral(" of ") + QString::number(setup_.bufferSeconds) + QStringLiteral(" s");
  return QStringLiteral("Capture Ended Early: ") + ScopeEndedEarly +
         QStringLiteral(".\nIt holds ") + held + QStringLiteral(" (") +
         counted(std::max<int64_t>(0, samples), "sample", "samples") +
         QStringLiteral(" per channel). Setup and Press Start to Capture.");
}

// The polling the scope took over goes back: the normal status group, or the maintenance
// screen's group with the three sources that screen shows (revolutions, pulses, speed). A
// drive that is gone takes no selectors.
void ScopeCapture::restorePolling() {
  if (SavedPollGroup != 3 || !env_.Connected()) {
    env_.SelectPollGroup(SavedPollGroup);
    env_.SetPollGroups(1000);
    return;
  }
  constexpr int kMaintenanceSelectors[kChannels] = {3, 2, 8};
  for (int c = 0; c < kChannels; ++c) {
    env_.Wait(Pauses.maintenanceSelector);
    env_.WriteSelector(c, kMaintenanceSelectors[c]);
  }
  env_.Wait(Pauses.maintenanceSelector);
  env_.SelectPollGroup(3);
  env_.SetPollGroups(250);
}

}  // namespace basScope
