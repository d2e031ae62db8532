// The plot's view: the time axis and its labels, zoom and pan, breaks where samples are
// missing, and a layout that stays readable however narrow the plot is (the title wraps, the
// legend takes as many columns as fit, the time labels keep their distance).
#include <qcustomplot.h>

#include <QAction>
#include <QEvent>
#include <QToolBar>
#include <cmath>
#include <iterator>

#include "scope/scope_analysis_panel.h"
#include "scope/scope_plot.h"

namespace {

constexpr double kMinSpanSeconds = 0.04;  // five samples
constexpr double kMaxSpanSeconds = 24 * 3600;
constexpr int kPixelsPerTimeLabel = 110;
// More than one 8 ms period between two points: samples are missing there.
constexpr double kBreakAfterSeconds = 0.012;
// A break sits just after the point before the gap.
constexpr double kBreakOffsetSeconds = 1e-6;

// Steps a time axis reads well in: 1, 2, 5 up to ten seconds, then quarter and half minutes,
// minutes and their multiples.
constexpr double kTimeSteps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1,   2,
                                 5,     10,    15,    20,   30,   60,   120, 300, 600, 900, 1800};

class TimeTicker : public QCPAxisTicker {
 protected:
  double getTickStep(const QCPRange& range) override {
    const double wanted = range.size() / std::max(1, tickCount());
    for (double step : kTimeSteps)
      if (step >= wanted) return step;
    return 3600 * std::ceil(wanted / 3600);
  }
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return ScopePlot::TimeLabel(tick);
  }
};

// Breaks the caption into lines no wider than `width`, at blanks; its own line ends stay.
QString wrapped(const QString& caption, const QFont& font, int width) {
  const QFontMetrics metrics(font);
  QStringList lines;
  for (const QString& paragraph : caption.split(QChar('\n'))) {
    QString line;
    for (const QString& word : paragraph.split(QChar(' '), Qt::SkipEmptyParts)) {
      const QString longer = line.isEmpty() ? word : line + QChar(' ') + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
        lines << line;
        line = word;
      } else {
        line = longer;
      }
    }
    lines << line;
  }
  return lines.join(QChar('\n'));
}

}  // namespace

QString ScopePlot::TimeLabel(double seconds) {
  long long ms = std::llround(seconds * 1000);
  const bool negative = ms < 0;
  ms = std::llabs(ms);
  const long long minutes = ms / 60000;
  ms %= 60000;
  QString text =
      QStringLiteral("%1.%2").arg(ms / 1000, 2, 10, QChar('0')).arg(ms % 1000, 3, 10, QChar('0'));
  if (minutes > 0) text = QString::number(minutes) + QChar(':') + text;
  return negative ? QChar('-') + text : text;
}

void ScopePlot::buildViewControls() {
  plot_->xAxis->setTicker(QSharedPointer<TimeTicker>::create());
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal);
  connect(plot_, &QCustomPlot::mouseWheel, this, [this] { userView_ = true; });
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          &ScopePlot::keepSpanSensible);
  plot_->installEventFilter(this);

  toolbar_->addSeparator();
  actAnalysis_ = toolbar_->addAction(QStringLiteral("Step && Spectrum"));
  actAnalysis_->setObjectName(QStringLiteral("actAnalysis"));
  actAnalysis_->setCheckable(true);
  actAnalysis_->setToolTip(QStringLiteral(
      "Step response figures and spectrum of a channel, visible or between A and B"));
  connect(actAnalysis_, &QAction::toggled, this, &ScopePlot::SetAnalysisShown);
  QAction* reset = toolbar_->addAction(QStringLiteral("Reset View"));
  reset->setObjectName(QStringLiteral("actResetView"));
  reset->setToolTip(QStringLiteral("Back to the time range the scope showed"));
  connect(reset, &QAction::triggered, this, &ScopePlot::ResetView);
  QAction* all = toolbar_->addAction(QStringLiteral("Show All"));
  all->setObjectName(QStringLiteral("actShowAll"));
  all->setToolTip(QStringLiteral("The whole capture in view; wheel zooms, drag pans"));
  connect(all, &QAction::triggered, this, &ScopePlot::ShowAll);
}

bool ScopePlot::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::Resize) fitLayoutToWidth();
  return QWidget::eventFilter(watched, event);
}

void ScopePlot::fitLayoutToWidth() {
  const int width = std::max(100, plot_->width());
  plot_->xAxis->ticker()->setTickCount(
      std::max(2, plot_->axisRect()->width() / kPixelsPerTimeLabel));
  title_->setText(wrapped(titleCaption_, title_->font(), width - 20));
  QCPLegend* legend = plot_->legend;
  int widest = 1, items = 0;
  for (int i = 0; i < legend->itemCount(); ++i)
    if (QCPAbstractLegendItem* item = legend->item(i)) {  // a grid cell may be empty
      widest = std::max(widest, item->minimumOuterSizeHint().width());
      ++items;
    }
  const int columns =
      std::clamp((width - 20) / (widest + legend->columnSpacing()), 1, std::max(1, items));
  legend->setWrap(columns);
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
  markChanged();
}

void ScopePlot::setXRange(double lower, double upper) {
  plot_->xAxis->setRange(lower, upper);
  markChanged();
}

void ScopePlot::keepSpanSensible() {
  const QCPRange range = plot_->xAxis->range();
  const double span = std::clamp(range.size(), kMinSpanSeconds, kMaxSpanSeconds);
  if (span != range.size())
    plot_->xAxis->setRange(range.center() - span / 2, range.center() + span / 2);
  markChanged();
}

void ScopePlot::SetXAxis(double startSeconds, double spanSeconds) {
  programLower_ = startSeconds;
  programUpper_ = startSeconds + spanSeconds;
  userView_ = false;
  setXRange(programLower_, programUpper_);
}

void ScopePlot::SetXStart(double startSeconds) {
  SetXAxis(startSeconds, programUpper_ - programLower_);
}

double ScopePlot::XStart() const { return plot_->xAxis->range().lower; }

double ScopePlot::XSpan() const { return plot_->xAxis->range().size(); }

void ScopePlot::ResetView() {
  userView_ = false;
  setXRange(programLower_, programUpper_);
}

bool ScopePlot::dataExtent(double* lower, double* upper) const {
  *lower = 0, *upper = 0;
  for (QCPGraph* graph : graphs_)
    if (graph->visible() && !graph->data()->isEmpty()) {
      *lower = std::min(*lower, graph->data()->constBegin()->key);
      *upper = std::max(*upper, (graph->data()->constEnd() - 1)->key);
    }
  return *upper > *lower;
}

void ScopePlot::ShowAll() {
  double lower, upper;
  if (!dataExtent(&lower, &upper)) return;
  userView_ = true;
  setXRange(lower, upper);
}

void ScopePlot::SetXAxisToData() {
  double lower, upper;
  if (dataExtent(&lower, &upper)) SetXAxis(lower, upper - lower);
}

// While the technician looks elsewhere, the program's view still follows; Reset View returns.
void ScopePlot::followNewestData() {
  if (!followPending_) return;
  followPending_ = false;
  if (followKey_ <= programUpper_) return;
  programLower_ = followKey_ - (programUpper_ - programLower_);
  programUpper_ = followKey_;
  if (!userView_) plot_->xAxis->setRange(programLower_, programUpper_);
}

// Only the most recent KeepPoints points stay (0 keeps all).
void ScopePlot::AppendPoints(int channel, const QVector<double>& seconds,
                             const QVector<double>& values) {
  QSharedPointer<QCPGraphDataContainer> data = graphs_[channel]->data();
  double previous = data->isEmpty() ? qQNaN() : (data->constEnd() - 1)->key;
  QVector<double> keys, points;
  keys.reserve(seconds.size() + 1);
  points.reserve(seconds.size() + 1);
  for (int i = 0; i < seconds.size() && i < values.size(); ++i) {
    if (seconds[i] - previous > kBreakAfterSeconds) {
      keys << previous + kBreakOffsetSeconds;
      points << qQNaN();
    }
    keys << seconds[i];
    points << values[i];
    previous = seconds[i];
  }
  graphs_[channel]->addData(keys, points, true);
  if (follow_ && !seconds.isEmpty() && graphs_[channel]->visible()) {
    followKey_ = followPending_ ? std::max(followKey_, seconds.last()) : seconds.last();
    followPending_ = true;
  }
  const int keep = keep_[channel];
  if (keep > 0 && data->size() > keep)
    data->removeBefore((data->constBegin() + (data->size() - keep))->key);
  markChanged();
}

int ScopePlot::PointCount(int channel) const {
  return graphs_[channel]->data()->size() - TraceBreaks(channel);
}

int ScopePlot::TraceBreaks(int channel) const {
  int breaks = 0;
  for (const QCPGraphData& point : *graphs_[channel]->data()) breaks += std::isnan(point.value);
  return breaks;
}

QVector<QPointF> ScopePlot::Points(int channel) const {
  QVector<QPointF> points;
  const QSharedPointer<QCPGraphDataContainer> data = graphs_[channel]->data();
  points.reserve(data->size());
  for (const QCPGraphData& point : *data)
    if (!std::isnan(point.value)) points.append(QPointF(point.key, point.value));
  return points;
}

void ScopePlot::SetAnalysisShown(bool shown) {
  if (actAnalysis_->isChecked() != shown) actAnalysis_->setChecked(shown);
  analysis_->setVisible(shown);
  if (!shown) SetStepMarks(0, {});
}

bool ScopePlot::AnalysisShown() const { return actAnalysis_->isChecked(); }

void ScopePlot::SetStepMarks(int channel, const QVector<StepMark>& marks) {
  if (!stepMarks_) {
    stepMarks_ = plot_->addGraph(plot_->xAxis, yAxes_[0]);
    stepMarks_->removeFromLegend();
    stepMarks_->setLineStyle(QCPGraph::lsNone);
    stepMarks_->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssDiamond, QPen(Qt::white), QBrush(Qt::yellow), 9));
  }
  stepMarks_->data()->clear();
  for (QCPItemText* text : stepMarkTexts_) plot_->removeItem(text);
  stepMarkTexts_.clear();
  stepMarks_->setValueAxis(yAxes_[channel]);
  for (const StepMark& mark : marks) {
    stepMarks_->addData(mark.seconds, mark.value);
    auto* text = new QCPItemText(plot_);
    text->position->setAxes(plot_->xAxis, yAxes_[channel]);
    text->position->setCoords(mark.seconds, mark.value);
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    text->setPadding(QMargins(6, 0, 0, 4));
    text->setColor(Qt::yellow);
    text->setText(mark.label);
    stepMarkTexts_ << text;
  }
  markChanged();
}

int ScopePlot::StepMarkCount() const { return stepMarks_ ? stepMarks_->data()->size() : 0; }
