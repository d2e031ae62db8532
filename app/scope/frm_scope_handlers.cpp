// frmScope: the handlers that only shape the display, and what the capture shows here.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "scope/frm_scope.h"
#include "scope/scope_plot.h"

using basFunctions::guarded;
using namespace basScope;

namespace {
constexpr int kTriggeredMode = 1;
constexpr int kFreeRunning = 2;
// Longer buffers offer at most a minute of visible time.
constexpr int kLongestVisible = 60;
}  // namespace

void frmScope::cmbScopeMode_Click() {
  guarded("frmScope, cmbScopeMode_Click", [&] {
    const bool triggered = cmbScopeMode->currentIndex() == kTriggeredMode;
    for (QWidget* control :
         {static_cast<QWidget*>(lblTriggerLimitPreface),
          static_cast<QWidget*>(cmbTriggerLimitCompare), static_cast<QWidget*>(txtTriggerLimit),
          static_cast<QWidget*>(lblTriggerLimitUnits)})
      control->setVisible(triggered);
    if (triggered) SetTriggerUIText();
    const bool freeRunning = cmbScopeMode->currentIndex() == kFreeRunning;
    for (QRadioButton* option : optVisibleTimeRange) option->setEnabled(!freeRunning);
  });
}

// The visible time can be any whole number of seconds up to the buffer (at most 60); the
// longest is selected.
void frmScope::cmbBufferSize_Click() {
  guarded("frmScope, cmbBufferSize_Click", [&] {
    const int buffer = bufferSeconds();
    {
      const QSignalBlocker block(cmbVisibleTimeAmount);
      cmbVisibleTimeAmount->clear();
      for (int s = 1; s <= std::min(buffer, kLongestVisible); ++s)
        cmbVisibleTimeAmount->addItem(QString::number(s));
      cmbVisibleTimeAmount->setCurrentIndex(cmbVisibleTimeAmount->count() - 1);
    }
    cmbVisibleTimeAmount_Click();
  });
}

void frmScope::cmbVisibleTimeAmount_Click() {
  guarded("frmScope, cmbVisibleTimeAmount_Click", [&] {
    Scope1->SetXAxis(Scope1->XStart(), visibleSeconds());
    capture_->HiddenSeconds = bufferSeconds() - visibleSeconds();
  });
}

void frmScope::optVisibleTimeRange_Click(int index) {
  guarded("frmScope, optVisibleTimeRange_Click", [&] { capture_->setup().showLast = index == 1; });
}

// Two channels never sample the same source; the list goes back to its former choice.
void frmScope::cmbChannelSource_Click(int index) {
  if (restoringSource_) return;
  guarded("frmScope, cmbChannelSource_Click", [&] {
    const int position = cmbChannelSource[index]->currentIndex();
    for (int other = 0; other < kChannels; ++other) {
      if (other == index || !cmbChannelSource[other]->isEnabled() ||
          cmbChannelSource[other]->currentIndex() != position)
        continue;
      prompt::MsgBox(QStringLiteral("This parameter is already assigned to another channel. "
                                    "Please pick a unique parameter for this channel."),
                     prompt::Buttons::OK, prompt::Icon::None,
                     QStringLiteral("Duplicate Channel Configuration"));
      restoringSource_ = true;
      cmbChannelSource[index]->setCurrentIndex(PrevSource[index]);
      restoringSource_ = false;
      return;
    }
    const QString text = cmbChannelSource[index]->currentText();
    Scope1->SetChannelTitle(index, text);
    if (index == 0 && cmbScopeMode->currentIndex() == kTriggeredMode) SetTriggerUIText();
    SetYAxisRange(index);
    Scope1->SetYTitle(index, text);
    capture_->MarkSourceChanged(index);
    PrevSource[index] = position;
  });
}

// A channel that is off shows "Channel Not Used"; back on, it shows its source again.
void frmScope::ckChannelEnabled_Click(int index) {
  guarded("frmScope, ckChannelEnabled_Click", [&] {
    const bool on = ckChannelEnabled[index]->isChecked();
    cmbChannelSource[index]->setEnabled(on);
    Scope1->SetYAxisVisible(index, on);
    Scope1->SetChannelVisible(index, on);
    Scope1->SetChannelTitle(
        index, on ? cmbChannelSource[index]->currentText() : QStringLiteral("Channel Not Used"));
  });
}

// The name toggles the channel as its box would, and only when the box may be used.
void frmScope::lblChannelName_Click(int index) {
  guarded("frmScope, lblChannelName_Click", [&] {
    if (ckChannelEnabled[index]->isEnabled())
      ckChannelEnabled[index]->setChecked(!ckChannelEnabled[index]->isChecked());
  });
}

bool frmScope::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease)
    for (int c = 0; c < kChannels; ++c)
      if (watched == lblChannelName[c]) lblChannelName_Click(c);
  return QWidget::eventFilter(watched, event);
}

void frmScope::chkLog_Click() {
  guarded("frmScope, chkLog_Click", [&] {
    if (!chkLog->isChecked()) cmdSaveLog->setEnabled(false);
  });
}

void frmScope::ckShowLegend_Click() {
  guarded("frmScope, ckShowLegend_Click",
          [&] { Scope1->SetLegendVisible(ckShowLegend->isChecked()); });
}

void frmScope::ckShowChannelMarkers_Click() {
  guarded("frmScope, ckShowChannelMarkers_Click", [&] {
    for (int c = 0; c < kChannels; ++c) Scope1->SetMarkers(c, ckShowChannelMarkers->isChecked());
  });
}

void frmScope::Scope1_ClickYAxis(int index) {
  guarded("frmScope, Scope1_ClickYAxis", [&] {
    if (Scope1->DataCursorShown() && index >= 0 && index < kChannels)
      Scope1->SetDataCursorChannel(index);
  });
}

// On paper without colour, channel 3 turns black, every trace doubles its width and the
// legend tells the channels apart.
void frmScope::Scope1_OnBeforePrint() {
  guarded("frmScope, Scope1_OnBeforePrint", [&] {
    if (ckPrintColor->isChecked()) return;
    Scope1->SetChannelColour(2, Qt::black);
    for (int c = 0; c < kChannels; ++c) Scope1->SetTraceWidth(c, 2);
    legendBeforePrint_ = Scope1->LegendVisible();
    Scope1->SetLegendVisible(true);
  });
}

void frmScope::Scope1_OnAfterPrint() {
  guarded("frmScope, Scope1_OnAfterPrint", [&] {
    if (ckPrintColor->isChecked()) return;
    Scope1->SetChannelColour(2, ScopePlot::DefaultColour(2));
    for (int c = 0; c < kChannels; ++c) Scope1->SetTraceWidth(c, 1);
    Scope1->SetLegendVisible(legendBeforePrint_);
  });
}

// A limit that is no 16-bit number is refused where it is entered: the field gets back the
// last limit it took (a running capture keeps testing that one) and keeps the focus.
void frmScope::txtTriggerLimit_LostFocus() {
  if (refusingTriggerLimit_) return;
  guarded("frmScope, txtTriggerLimit_LostFocus", [&] {
    const QString text = txtTriggerLimit->text();
    if (TriggerLimitValue(text)) {
      acceptedTriggerLimit_ = text;
      capture_->setup().triggerLimit = text;
      return;
    }
    refusingTriggerLimit_ = true;
    txtTriggerLimit->setText(acceptedTriggerLimit_);
    prompt::MsgBox(kTriggerLimitRefused, prompt::Buttons::OK, prompt::Icon::Exclamation,
                   kTriggerLimitCaption);
    txtTriggerLimit->setFocus();
    txtTriggerLimit->selectAll();
    refusingTriggerLimit_ = false;
  });
}

void frmScope::SetTriggerUIText() {
  guarded("frmScope, SetTriggerUIText", [&] {
    lblTriggerLimitUnits->setText(ScaleOfSource(cmbChannelSource[0]->currentIndex()).units);
  });
}

void frmScope::SetYAxisRange(int index) {
  guarded("frmScope, SetYAxisRange", [&] {
    const SourceScale scale = ScaleOfSource(cmbChannelSource[index]->currentIndex());
    Scope1->SetYRange(index, scale.yMinimum, scale.ySpan);
  });
}

void frmScope::ShowTitle(const QString& text, const QColor& colour) {
  Scope1->SetLabel(0, text);
  Scope1->SetLabelColour(0, colour);
}

void frmScope::ShowLostData(const QString& text) {
  if (!text.isEmpty()) Scope1->SetLabel(1, text);
  Scope1->SetLabelVisible(1, !text.isEmpty());
}

void frmScope::ClearData() { Scope1->ClearAllData(); }

void frmScope::SetXAxis(double startSeconds, double spanSeconds) {
  Scope1->SetXAxis(startSeconds, spanSeconds);
}

void frmScope::SetXAxisStart(double startSeconds) { Scope1->SetXStart(startSeconds); }

void frmScope::FollowData(bool follow) { Scope1->SetFollow(follow); }

void frmScope::MarkersOff() { ckShowChannelMarkers->setChecked(false); }

void frmScope::KeepPoints(int perChannel) {
  for (int c = 0; c < kChannels; ++c) Scope1->SetKeepPoints(c, perChannel);
}

void frmScope::AppendSamples(int channel, const QVector<double>& seconds,
                             const QVector<double>& values) {
  Scope1->AppendPoints(channel, seconds, values);
}

void frmScope::LockSetup() {
  chkLog->setEnabled(false);
  cmdSaveLog->setEnabled(false);
  for (int c = 0; c < kChannels; ++c) {
    cmbChannelSource[c]->setEnabled(false);
    ckChannelEnabled[c]->setEnabled(false);
  }
}

void frmScope::ShowRunning() {
  cmdStartStopScope->setText(QStringLiteral("Stop"));
  chkLog->setEnabled(false);
  cmdSaveLog->setEnabled(false);
}

void frmScope::ShowStopped(bool saveEnabled) {
  for (int c = 0; c < std::min<int>(ScopeChannelCount, kChannels); ++c) {
    ckChannelEnabled[c]->setEnabled(true);
    cmbChannelSource[c]->setEnabled(ckChannelEnabled[c]->isChecked());
  }
  cmdStartStopScope->setText(QStringLiteral("Start"));
  chkLog->setEnabled(true);
  cmdSaveLog->setEnabled(saveEnabled);
}

void frmScope::SetStartStopEnabled(bool enabled) { cmdStartStopScope->setEnabled(enabled); }

void frmScope::Unload() { host::UnloadWindow(this); }
