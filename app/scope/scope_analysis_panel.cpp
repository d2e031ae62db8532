#include "scope/scope_analysis_panel.h"

#include <qcustomplot.h>

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/logs.h"
#include "core/prompt.h"
#include "scope/scope_plot.h"
#include "scope/scope_save.h"

namespace {

// Measures at most four times a second while a capture comes in.
constexpr int kSettleMs = 250;

QLabel* figureLabel(const QString& name, const QString& spoken, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAccessibleName(spoken);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  return label;
}

}  // namespace

ScopeAnalysisPanel::ScopeAnalysisPanel(ScopePlot& plot, QWidget* parent)
    : QWidget(parent), plot_(plot) {
  setObjectName(QStringLiteral("ScopeAnalysis"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 0, 0);
  auto* choices = new QFormLayout;
  cmbAnalysisChannel = new QComboBox(this);
  cmbAnalysisChannel->setObjectName(QStringLiteral("cmbAnalysisChannel"));
  cmbAnalysisChannel->setAccessibleName(QStringLiteral("Channel analysed"));
  for (int c = 0; c < ScopePlot::kChannels; ++c)
    cmbAnalysisChannel->addItem(QStringLiteral("Channel %1").arg(c + 1));
  cmbAnalysisRange = new QComboBox(this);
  cmbAnalysisRange->setObjectName(QStringLiteral("cmbAnalysisRange"));
  cmbAnalysisRange->setAccessibleName(QStringLiteral("Range analysed"));
  cmbAnalysisRange->addItems(
      {QStringLiteral("Visible Range"), QStringLiteral("Between Cursors A-B")});
  choices->addRow(QStringLiteral("Channel:"), cmbAnalysisChannel);
  choices->addRow(QStringLiteral("Range:"), cmbAnalysisRange);
  layout->addLayout(choices);
  lblRange =
      figureLabel(QStringLiteral("lblAnalysisRange"), QStringLiteral("Range of the figures"), this);
  lblStepFigures =
      figureLabel(QStringLiteral("lblStepFigures"), QStringLiteral("Step response figures"), this);
  lblSpectrumPeaks =
      figureLabel(QStringLiteral("lblSpectrumPeaks"), QStringLiteral("Spectrum peaks"), this);
  layout->addWidget(lblRange);
  layout->addWidget(lblStepFigures);
  buildSpectrumPlot();
  layout->addWidget(plotSpectrum, 1);
  layout->addWidget(lblSpectrumPeaks);
  cmdExportFigures = new QPushButton(QStringLiteral("Export Figures..."), this);
  cmdExportFigures->setObjectName(QStringLiteral("cmdExportFigures"));
  layout->addWidget(cmdExportFigures);
  setMinimumWidth(260);
  setMaximumWidth(340);

  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  pending_->setInterval(kSettleMs);
  connect(pending_, &QTimer::timeout, this, &ScopeAnalysisPanel::Update);
  connect(&plot_, &ScopePlot::viewChanged, this, [this] {
    if (isVisible() && !pending_->isActive()) pending_->start();
  });
  connect(cmbAnalysisChannel, &QComboBox::currentIndexChanged, this, &ScopeAnalysisPanel::Update);
  connect(cmbAnalysisRange, &QComboBox::currentIndexChanged, this, [this](int range) {
    if (range == BetweenCursors) plot_.SetMeasureCursorsShown(true);
    Update();
  });
  connect(cmdExportFigures, &QPushButton::clicked, this, [this] {
    basFunctions::guarded("Scope1, Export Figures", [&] { ExportFiguresWithDialog(); });
  });
}

void ScopeAnalysisPanel::buildSpectrumPlot() {
  plotSpectrum = new QCustomPlot(this);
  plotSpectrum->setObjectName(QStringLiteral("plotSpectrum"));
  plotSpectrum->setAccessibleName(QStringLiteral("Magnitude spectrum"));
  plotSpectrum->setMinimumHeight(140);
  plotSpectrum->xAxis->setLabel(QStringLiteral("Frequency (Hz), Nyquist 62.5 Hz"));
  plotSpectrum->xAxis->setRange(0, 62.5);
  plotSpectrum->yAxis->setLabel(QStringLiteral("Magnitude"));
  for (QCPAxis* axis : {plotSpectrum->xAxis, plotSpectrum->yAxis}) {
    axis->setLabelFont(QFont(font().family(), 8));
    axis->setTickLabelFont(QFont(font().family(), 7));
  }
  plotSpectrum->addGraph()->setPen(QPen(QColor(30, 90, 200)));
  QCPGraph* peaks = plotSpectrum->addGraph();
  peaks->setLineStyle(QCPGraph::lsNone);
  peaks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QColor(200, 0, 0), 6));
}

void ScopeAnalysisPanel::SetChannel(int channel) { cmbAnalysisChannel->setCurrentIndex(channel); }

void ScopeAnalysisPanel::SetRange(Range range) { cmbAnalysisRange->setCurrentIndex(range); }

void ScopeAnalysisPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Update();
}

void ScopeAnalysisPanel::Update() {
  pending_->stop();
  for (int c = 0; c < ScopePlot::kChannels; ++c)
    cmbAnalysisChannel->setItemText(c, plot_.ChannelTitle(c));
  const int channel = cmbAnalysisChannel->currentIndex();
  const bool cursors = cmbAnalysisRange->currentIndex() == BetweenCursors;
  const double from = cursors ? plot_.MeasureCursor(0) : plot_.XStart();
  const double to = cursors ? plot_.MeasureCursor(1) : plot_.XStart() + plot_.XSpan();
  const QVector<QPointF> points = plot_.Points(channel);
  figures_ = basScope::MeasureChannel(plot_.ChannelTitle(channel), cmbAnalysisRange->currentText(),
                                      from, to, points);
  lblRange->setText(basScope::RangeLine(*figures_));
  lblStepFigures->setText(basScope::StepLines(figures_->step).join(QChar('\n')));
  lblSpectrumPeaks->setText(basScope::PeakLines(figures_->spectrum).join(QChar('\n')));
  showSpectrum(figures_->spectrum);
  markStep(channel, points);
}

void ScopeAnalysisPanel::showSpectrum(const basScope::Spectrum& spectrum) {
  QVector<double> hz, magnitude;
  double highest = 0;
  for (size_t k = 0; k < spectrum.magnitude.size(); ++k) {
    hz << k * spectrum.binHz;
    magnitude << spectrum.magnitude[k];
    if (k > 0) highest = std::max(highest, spectrum.magnitude[k]);
  }
  plotSpectrum->graph(0)->setData(hz, magnitude, true);
  QVector<double> peakHz, peakMagnitude;
  for (const basScope::SpectrumPeak& peak : spectrum.peaks)
    peakHz << peak.hz, peakMagnitude << peak.magnitude;
  plotSpectrum->graph(1)->setData(peakHz, peakMagnitude);
  plotSpectrum->yAxis->setRange(0, highest > 0 ? highest * 1.1 : 1);
  plotSpectrum->replot();
}

// The 10 % and 90 % crossings, the peak when it overshoots, and where the response settles.
void ScopeAnalysisPanel::markStep(int channel, const QVector<QPointF>& points) {
  const basScope::StepFigures& step = figures_->step;
  if (!step.found) {
    plot_.SetStepMarks(channel, {});
    return;
  }
  const double rise = step.final - step.initial;
  QVector<ScopePlot::StepMark> marks;
  auto mark = [&](double at, double value, const QString& label) {
    if (!std::isnan(at)) marks.append({at, value, label});
  };
  mark(step.rise10At, step.initial + 0.1 * rise, QStringLiteral("10 %"));
  mark(step.rise90At, step.initial + 0.9 * rise, QStringLiteral("90 %"));
  if (step.overshootPercent >= 0.05) mark(step.peakAt, step.peak, QStringLiteral("peak"));
  auto valueAt = [&](double at) {
    for (const QPointF& point : points)
      if (point.x() >= at) return point.y();
    return step.final;
  };
  mark(step.settle5At, valueAt(step.settle5At), QStringLiteral("±5 %"));
  mark(step.settle2At, valueAt(step.settle2At), QStringLiteral("±2 %"));
  plot_.SetStepMarks(channel, marks);
}

void ScopeAnalysisPanel::Paint(QCPPainter& painter, const QRectF& area) {
  if (!figures_) return;
  painter.save();
  QFont text(font().family(), 9);
  painter.setFont(text);
  painter.setPen(Qt::black);
  const QStringList lines = QStringList{basScope::RangeLine(*figures_)} +
                            basScope::StepLines(figures_->step) +
                            basScope::PeakLines(figures_->spectrum);
  const QRectF left(area.left(), area.top(), area.width() * 0.45, area.height());
  painter.drawText(left, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, lines.join(QChar('\n')));
  const QRectF right(area.left() + area.width() * 0.5, area.top(), area.width() * 0.5,
                     area.height());
  constexpr int kWidth = 600, kHeight = 260;
  const double scale = std::min(right.width() / kWidth, right.height() / kHeight);
  painter.translate(right.topLeft());
  painter.scale(scale, scale);
  plotSpectrum->toPainter(&painter, kWidth, kHeight);
  painter.restore();
}

void ScopeAnalysisPanel::ExportFiguresWithDialog() {
  Update();
  QString path = prompt::GetSaveFileName(
      QStringLiteral("Export Figures"), basScope::ScopeLogFolder() + QStringLiteral("/figures.csv"),
      QStringLiteral("Comma-separated figures (*.csv)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
  try {
    basScope::WriteFiguresCsv(*figures_, path);
  } catch (const basFunctions::ProgramError&) {
    prompt::MsgBox(path + QStringLiteral(" could not be saved: the folder cannot be written."),
                   prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral("File Not Saved"));
    return;
  }
  prompt::MsgBox(path + QStringLiteral(" has been saved."), prompt::Buttons::OK,
                 prompt::Icon::Information, QStringLiteral("File Saved"));
}
