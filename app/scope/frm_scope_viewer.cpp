#include "scope/frm_scope_viewer.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "scope/scope_capture.h"
#include "scope/scope_plot.h"
#include "scope/scope_save.h"

using basFunctions::guarded;

frmScopeViewer::frmScopeViewer(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmScopeViewer"));
  setWindowTitle(QStringLiteral("Scope Viewer"));
  auto* layout = new QVBoxLayout(this);
  Scope1 = new ScopePlot(this);
  layout->addWidget(Scope1, 1);
  auto* buttons = new QHBoxLayout;
  auto add = [&](auto* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    buttons->addWidget(widget);
    return widget;
  };
  ckShowLegend = add(new QCheckBox(QStringLiteral("Show Legend"), this), "ckShowLegend");
  ckShowChannelMarkers =
      add(new QCheckBox(QStringLiteral("Show Data Point Markers"), this), "ckShowChannelMarkers");
  ckPrintColor = add(new QCheckBox(QStringLiteral("Print in Color"), this), "ckPrintColor");
  buttons->addStretch();
  cmdNew = add(new QPushButton(QStringLiteral("Open Another Log"), this), "cmdNew");
  cmdClose = add(new QPushButton(QStringLiteral("Close"), this), "cmdClose");
  layout->addLayout(buttons);
  resize(900, 560);

  connect(cmdNew, &QPushButton::clicked, this, &frmScopeViewer::cmdNew_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmScopeViewer::cmdClose_Click);
  connect(ckShowLegend, &QCheckBox::toggled, this, &frmScopeViewer::ckShowLegend_Click);
  connect(ckShowChannelMarkers, &QCheckBox::toggled, this,
          &frmScopeViewer::ckShowChannelMarkers_Click);
  connect(Scope1, &ScopePlot::beforePrint, this, &frmScopeViewer::Scope1_OnBeforePrint);
  connect(Scope1, &ScopePlot::afterPrint, this, &frmScopeViewer::Scope1_OnAfterPrint);
  Form_Load();
}

void frmScopeViewer::Form_Load() {
  guarded("frmScopeViewer, Form_Load", [&] { setWindowIcon(pictures::WindowIcon()); });
}

void frmScopeViewer::OpenLogWithDialog() {
  const QString path =
      prompt::GetOpenFileName(QStringLiteral("Open Scope Log"), basScope::ScopeLogFolder(),
                              QStringLiteral("Scope Log Files (*.scl)"));
  if (path.isEmpty()) throw basFunctions::ProgramError(32755, "Cancel was selected.");
  OpenLog(path);
}

// The properties come first so the data lands on the saved axes; the viewer never follows.
void frmScopeViewer::OpenLog(const QString& sclPath) {
  host::ShowChild(this);
  Scope1->ClearAllData();
  Scope1->LoadProperties(sclPath.chopped(4) + QStringLiteral(".scp"));
  Scope1->SetFollow(false);
  basFunctions::WaitaWhile(basScope::Pauses.viewerLoad);
  Scope1->LoadData(sclPath);
  ckShowLegend->setChecked(true);
  ckShowLegend_Click();
  ckShowChannelMarkers->setChecked(false);
  ckShowChannelMarkers_Click();
  Scope1->SetLabel(0, QStringLiteral("Displaying Logged Data From ") + sclPath);
  Scope1->ReplotNow();
}

void frmScopeViewer::cmdNew_Click() {
  guarded("frmScopeViewer, cmdNew_Click", [&] { OpenLogWithDialog(); });
}

void frmScopeViewer::cmdClose_Click() {
  guarded("frmScopeViewer, cmdClose_Click", [&] { host::UnloadWindow(this); });
}

void frmScopeViewer::ckShowLegend_Click() {
  guarded("frmScopeViewer, ckShowLegend_Click",
          [&] { Scope1->SetLegendVisible(ckShowLegend->isChecked()); });
}

void frmScopeViewer::ckShowChannelMarkers_Click() {
  guarded("frmScopeViewer, ckShowChannelMarkers_Click", [&] {
    for (int c = 0; c < ScopePlot::kChannels; ++c)
      Scope1->SetMarkers(c, ckShowChannelMarkers->isChecked());
  });
}

// Without colour, channel 3 prints black and every trace twice as wide.
void frmScopeViewer::Scope1_OnBeforePrint() {
  guarded("frmScopeViewer, Scope1_OnBeforePrint", [&] {
    if (ckPrintColor->isChecked()) return;
    Scope1->SetChannelColour(2, Qt::black);
    for (int c = 0; c < ScopePlot::kChannels; ++c) Scope1->SetTraceWidth(c, 2);
  });
}

void frmScopeViewer::Scope1_OnAfterPrint() {
  guarded("frmScopeViewer, Scope1_OnAfterPrint", [&] {
    if (ckPrintColor->isChecked()) return;
    Scope1->SetChannelColour(2, ScopePlot::DefaultColour(2));
    for (int c = 0; c < ScopePlot::kChannels; ++c) Scope1->SetTraceWidth(c, 1);
  });
}
