#include "editor/frm_scroll.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "core/host.h"
#include "core/logs.h"
#include "editor/frm_param_wiz.h"

using basFunctions::guarded;

namespace {

QPointer<frmScroll> g_scroll;

constexpr int kDigits = 3;

// A horizontal slider whose arrows, page steps and mouse wheel all move by one.
class StepSlider : public QScrollBar {
 public:
  explicit StepSlider(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setRange(0, frmScroll::kMaximum);
    setSingleStep(1);
    setPageStep(1);
  }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const int notches = event->angleDelta().y() + event->angleDelta().x();
    if (notches != 0) triggerAction(notches > 0 ? SliderSingleStepSub : SliderSingleStepAdd);
    event->accept();
  }
};

}  // namespace

frmScroll::frmScroll(frmParamWiz* wizard) : wizard_(wizard) {
  setObjectName(QStringLiteral("frmScroll"));
  setWindowTitle(QStringLiteral(" Parameter Wizard"));
  auto* layout = new QVBoxLayout(this);
  slider_ = new StepSlider(this);
  slider_->setObjectName(QStringLiteral("FlatScrollBar1"));
  slider_->setMinimumWidth(260);
  layout->addWidget(slider_);
  connect(slider_, &QScrollBar::valueChanged, this,
          [this](int position) { FlatScrollBar1_OnPositionChangeUser(position); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* done = new QPushButton(QStringLiteral("Done"), this);
  done->setObjectName(QStringLiteral("cmdClose"));
  connect(done, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(cancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  buttons->addWidget(done);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  g_scroll = this;
}

frmScroll* frmScroll::instance() { return g_scroll.data(); }

frmScroll* frmScroll::Display(frmParamWiz* wizard) {
  frmScroll* window = g_scroll.data();
  if (window && !host::IsUnloaded(window) && window->wizard_ != wizard) {
    host::UnloadWindow(window);
    window = nullptr;
  }
  if (!window || host::IsUnloaded(window)) window = new frmScroll(wizard);
  // The slider starts where the wizard's digits stand.
  const qint64 value = wizard->ComposedValue();
  const QSignalBlocker quiet(window->slider_);
  window->slider_->setValue(value >= 0 && value <= kMaximum ? static_cast<int>(value) : 0);
  host::ShowChild(window);
  return window;
}

void frmScroll::FlatScrollBar1_OnPositionChangeUser(int position) {
  guarded("frmScroll, FlatSrollBar1_OnPositionChangeUser", [&] {
    if (!wizard_) return;
    wizard_->SetLeadingDigits(QString::number(position).rightJustified(kDigits, QLatin1Char('0')));
  });
}

void frmScroll::cmdClose_Click() {
  guarded("frmScroll, cmdClose_Click", [&] { host::UnloadWindow(this); });
}

void frmScroll::cmdCancel_Click() {
  guarded("frmScroll, cmdCancel_Click", [&] {
    if (wizard_) wizard_->ShowDigits(wizard_->EditorText());
    host::UnloadWindow(this);
  });
}
