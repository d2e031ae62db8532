#include "scope/frm_scope.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/extra_data.h"
#include "scope/scope_plot.h"
#include "scope/scope_save.h"

using basFunctions::guarded;
using namespace basScope;

namespace {

QPointer<frmScope> g_scope;

constexpr int kDefaultSources[kChannels] = {6, 11, 4};
const QSize kPreferredSize(1100, 600);

}  // namespace

frmScope* frmScope::Instance() { return g_scope.data(); }

frmScope* frmScope::Display() {
  const bool load = !g_scope || host::IsUnloaded(g_scope);
  if (load) {
    g_scope = new frmScope();
    g_scope->Form_Load();
  }
  host::ShowChild(g_scope);
  if (load) host::FitIntoChildArea(g_scope, kPreferredSize);
  return g_scope;
}

frmScope::frmScope(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmScope"));
  setWindowTitle(QStringLiteral("Scope"));
  capture_ = new ScopeCapture(*this, environment_, this);
  buildControls();
  resize(kPreferredSize);
}

frmScope::~frmScope() = default;

void frmScope::Form_Load() {
  guarded("frmScope, Form_Load", [&] {
    setWindowIcon(pictures::WindowIcon());
    mainWindow::SetBusyPointer();
    fillSourceLists();
    wireHandlers();
    for (int c = 0; c < kChannels; ++c) cmbChannelSource[c]->setCurrentIndex(kDefaultSources[c]);
    applyChannelCount();
    for (int c = 0; c < kChannels; ++c) SetYAxisRange(c);
    Scope1->SetXAxis(0, bufferSeconds());
    Scope1->SetLabelVisible(1, false);
    capture_->HiddenSeconds = bufferSeconds() - visibleSeconds();
    mainWindow::SetNormalPointer();
  });
}

// The source texts are the drive database's, for the connected drive's amplifier and revision.
void frmScope::fillSourceLists() {
  basFunctions::WaitaWhile(Pauses.sourceListFill);
  const int revision = static_cast<int>(basFunctions::DriveFirmwareNumber() * 100.0 + 0.5);
  QStringList sources = basFunctions::ExtraDataSettings(basFunctions::ConnectedAmpCode, revision,
                                                        QStringLiteral("002"));
  // Without the database's texts the lists still offer every source by its number.
  if (sources.size() < kSourceCount) {
    sources.clear();
    for (int i = 0; i < kSourceCount; ++i)
      sources << QStringLiteral("%1").arg(i, 2, 10, QChar('0'));
  }
  for (QComboBox* list : cmbChannelSource) {
    const QSignalBlocker block(list);
    list->addItems(sources);
    list->setCurrentIndex(-1);
    // The list keeps its width; its popup shows the longest source whole.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
  }
  PrevSource.fill(-1);
}

void frmScope::wireHandlers() {
  connect(cmdStartStopScope, &QPushButton::clicked, this, &frmScope::cmdStartStopScope_Click);
  connect(cmdCloseScope, &QPushButton::clicked, this, &frmScope::cmdCloseScope_Click);
  connect(cmdSaveLog, &QPushButton::clicked, this, &frmScope::cmdSaveLog_Click);
  connect(cmbScopeMode, &QComboBox::currentIndexChanged, this, &frmScope::cmbScopeMode_Click);
  connect(cmbBufferSize, &QComboBox::currentIndexChanged, this, &frmScope::cmbBufferSize_Click);
  connect(cmbVisibleTimeAmount, &QComboBox::currentIndexChanged, this,
          &frmScope::cmbVisibleTimeAmount_Click);
  for (int i = 0; i < 2; ++i)
    connect(optVisibleTimeRange[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) optVisibleTimeRange_Click(i);
    });
  for (int c = 0; c < kChannels; ++c) {
    connect(cmbChannelSource[c], &QComboBox::currentIndexChanged, this,
            [this, c] { cmbChannelSource_Click(c); });
    connect(ckChannelEnabled[c], &QCheckBox::toggled, this,
            [this, c] { ckChannelEnabled_Click(c); });
  }
  connect(chkLog, &QCheckBox::toggled, this, &frmScope::chkLog_Click);
  connect(ckShowLegend, &QCheckBox::toggled, this, &frmScope::ckShowLegend_Click);
  connect(ckShowChannelMarkers, &QCheckBox::toggled, this, &frmScope::ckShowChannelMarkers_Click);
  connect(txtTriggerLimit, &QLineEdit::editingFinished, this, &frmScope::txtTriggerLimit_LostFocus);
  connect(cmbTriggerLimitCompare, &QComboBox::currentIndexChanged, this,
          [this](int index) { capture_->setup().triggerCompare = index; });
  connect(Scope1, &ScopePlot::yAxisClicked, this, &frmScope::Scope1_ClickYAxis);
  connect(Scope1, &ScopePlot::beforePrint, this, &frmScope::Scope1_OnBeforePrint);
  connect(Scope1, &ScopePlot::afterPrint, this, &frmScope::Scope1_OnAfterPrint);
}

// The connection speed decides how many channels the scope can carry; the others are off.
void frmScope::applyChannelCount() {
  if (host::HasMod1()) {
    const int count =
        ChannelCountForBaud(BaudOfSettings(QString::fromStdString(host::Mod1().get_Settings())));
    if (count != 0) ScopeChannelCount = static_cast<int16_t>(count);
  }
  for (int c = ScopeChannelCount; c < kChannels; ++c) {
    ckChannelEnabled[c]->setChecked(false);
    ckChannelEnabled[c]->setEnabled(false);
    cmbChannelSource[c]->setEnabled(false);
  }
}

int frmScope::bufferSeconds() const { return cmbBufferSize->currentText().toInt(); }

int frmScope::visibleSeconds() const { return cmbVisibleTimeAmount->currentText().toInt(); }

void frmScope::readSetup() {
  ScopeSetup& setup = capture_->setup();
  setup.mode = cmbScopeMode->currentIndex();
  setup.bufferSeconds = bufferSeconds();
  setup.visibleSeconds = visibleSeconds();
  setup.showLast = optVisibleTimeRange[1]->isChecked();
  setup.logData = chkLog->isChecked();
  for (int c = 0; c < kChannels; ++c)
    setup.channels[c] = {ckChannelEnabled[c]->isChecked(), cmbChannelSource[c]->currentIndex()};
  setup.triggerCompare = cmbTriggerLimitCompare->currentIndex();
  txtTriggerLimit_LostFocus();  // a limit typed but not yet left is checked first
  setup.triggerLimit = acceptedTriggerLimit_;
}

void frmScope::cmdStartStopScope_Click() {
  guarded("frmScope, cmdStartStopScope_Click", [&] {
    if (!capture_->Running) readSetup();
    capture_->StartStop();
  });
}

void frmScope::cmdCloseScope_Click() {
  guarded("frmScope, cmdCloseScope_Click", [&] { host::UnloadWindow(this); });
}

void frmScope::cmdSaveLog_Click() {
  guarded("frmScope, cmdSaveLog_Click", [&] { SaveCapture(*Scope1, capture_->ScopeLog); });
}

// Closing while a capture runs ends the capture first, so the polling goes back.
void frmScope::closeEvent(QCloseEvent* event) {
  guarded("frmScope, Form_Unload", [&] {
    if (capture_->Running) {
      mainWindow::SetBusyPointer();
      capture_->StopScope();
    }
  });
  host::UnloadWindow(this);
  event->accept();
}
