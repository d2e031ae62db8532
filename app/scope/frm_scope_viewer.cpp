#include "scope/frm_scope_viewer.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/extra_data.h"
#include "scope/scope_capture.h"
#include "scope/scope_environment.h"
#include "scope/scope_log.h"
#include "scope/scope_plot.h"
#include "scope/scope_save.h"

using basFunctions::guarded;

namespace {
const QSize kPreferredSize(900, 560);
}  // namespace

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
  resize(kPreferredSize);

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
  const QString path = prompt::GetOpenFileName(
      QStringLiteral("Open Scope Log"), basScope::ScopeLogFolder(),
      QStringLiteral("Scope Log Files (*.scl);;Scope Sample Tables (*.csv)"));
  if (path.isEmpty()) throw basFunctions::ProgramError(32755, "Cancel was selected.");
  OpenLog(path);
}

// Whatever can be read is shown, and what could not is told line by line; a file that cannot
// be opened at all leaves an empty plot that says so.
void frmScopeViewer::OpenLog(const QString& path) {
  const bool firstShown = !isVisible();
  host::ShowChild(this);
  if (firstShown) host::FitIntoChildArea(this, kPreferredSize);
  Scope1->ClearAllData();
  Scope1->RestoreDefaultAppearance();
  Scope1->SetFollow(false);
  QStringList problems;
  try {
    problems =
        path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? showCsv(path) : showScl(path);
  } catch (const std::exception&) {
    Scope1->ClearAllData();
    Scope1->SetLabel(
        0, QStringLiteral("Nothing Loaded: ") + path + QStringLiteral(" Could Not Be Read"));
    Scope1->ReplotNow();
    prompt::MsgBox(path + QStringLiteral(" could not be opened: ") +
                       (QFileInfo::exists(path) ? QStringLiteral("it cannot be read.")
                                                : QStringLiteral("there is no such file.")),
                   prompt::Buttons::OK, prompt::Icon::Critical,
                   QStringLiteral("Scope Log Not Opened"));
    return;
  }
  ckShowLegend->setChecked(true);
  ckShowLegend_Click();
  ckShowChannelMarkers->setChecked(false);
  ckShowChannelMarkers_Click();
  Scope1->SetLabel(0, QStringLiteral("Displaying Logged Data From ") + path);
  Scope1->ReplotNow();
  if (problems.isEmpty()) return;
  constexpr int kShown = 8;
  QString text = QFileInfo(path).fileName() +
                 QStringLiteral(" was opened, but not all of it could be read:\r") +
                 QStringList(problems.mid(0, kShown)).join(QChar('\r'));
  if (problems.size() > kShown)
    text += QStringLiteral("\r... and %1 more.").arg(problems.size() - kShown);
  prompt::MsgBox(text, prompt::Buttons::OK, prompt::Icon::Exclamation,
                 QStringLiteral("Scope Log Partly Read"));
}

// The properties come first so the data lands on the saved axes; without them the plot keeps
// its default look and shows the whole capture.
QStringList frmScopeViewer::showScl(const QString& sclPath) {
  QStringList problems;
  const QString scp = sclPath.chopped(4) + QStringLiteral(".scp");
  const bool appearance = QFileInfo::exists(scp);
  if (appearance)
    problems << Scope1->LoadProperties(scp);
  else
    problems << QFileInfo(scp).fileName() +
                    QStringLiteral(" was not found: the plot shows its default appearance.");
  basFunctions::WaitaWhile(basScope::Pauses.viewerLoad);
  problems << Scope1->LoadData(sclPath);
  if (!appearance) {
    Scope1->FitYAxesToData();
    Scope1->SetXAxisToData();
  }
  return problems;
}

// The sample table: each used channel titled and scaled by its source, as the scope plotted it.
QStringList frmScopeViewer::showCsv(const QString& csvPath) {
  const basScope::ScopeCsvCapture capture = basScope::ReadScopeCsv(csvPath);
  for (int c = 0; c < basScope::kChannels; ++c) {
    const int source = capture.sources[c];
    Scope1->SetChannelVisible(c, capture.used[c]);
    Scope1->SetYAxisVisible(c, capture.used[c]);
    if (!capture.used[c]) {
      Scope1->SetChannelTitle(c, QStringLiteral("Channel Not Used"));
      continue;
    }
    QVector<QPointF> points;
    for (const QPointF& sample : capture.samples[c])
      points << QPointF(sample.x() / 1000.0, source >= 0
                                                 ? basScope::PlotValue(source, int16_t(sample.y()))
                                                 : sample.y());
    Scope1->AppendSortedPoints(c, points);
    const QString title = sourceTitle(c, source);
    Scope1->SetChannelTitle(c, title);
    Scope1->SetYTitle(c, title);
    if (source >= 0) {
      const basScope::SourceScale scale = basScope::ScaleOfSource(source);
      Scope1->SetYRange(c, scale.yMinimum, scale.ySpan);
    }
  }
  for (int c = 0; c < basScope::kChannels; ++c)
    if (capture.used[c] && capture.sources[c] < 0) Scope1->FitYAxesToData();
  Scope1->SetXAxisToData();
  return capture.problems;
}

// The source's text from the drive database when it is at hand, else its number and units.
QString frmScopeViewer::sourceTitle(int channel, int source) const {
  if (source < 0) return QStringLiteral("Channel %1").arg(channel + 1);
  const int revision = static_cast<int>(basFunctions::DriveFirmwareNumber() * 100.0 + 0.5);
  const QStringList texts = basFunctions::ExtraDataSettings(basFunctions::ConnectedAmpCode,
                                                            revision, QStringLiteral("002"));
  if (texts.size() == basScope::kSourceCount) return texts[source];
  const QString units = basScope::ScaleOfSource(source).units;
  return QStringLiteral("Source %1").arg(source, 2, 10, QChar('0')) +
         (units.isEmpty() ? QString() : QStringLiteral(" (") + units + QChar(')'));
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
