#include "scope/scope_plot.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "scope/scope_analysis_panel.h"

namespace {

// At most 25 redraws a second, whatever the poll rate.
constexpr int kReplotMs = 40;

QPixmap backgroundGradient() {
  QPixmap pixmap(1, 256);
  QPainter painter(&pixmap);
  QLinearGradient gradient(0, 0, 0, 256);
  gradient.setColorAt(0, QColor(0, 0, 150));
  gradient.setColorAt(1, Qt::black);
  painter.fillRect(pixmap.rect(), gradient);
  return pixmap;
}

}  // namespace

QStringList ScopePlot::CursorModeNames() {
  return {QStringLiteral("Value X-Y"), QStringLiteral("Value X"),   QStringLiteral("Value Y"),
          QStringLiteral("Period"),    QStringLiteral("Peak-Peak"), QStringLiteral("Frequency")};
}

QColor ScopePlot::DefaultColour(int channel) {
  static const QColor kColours[kChannels] = {QColor(255, 60, 60), QColor(0, 200, 0),
                                             QColor(30, 144, 255)};
  return kColours[channel];
}

ScopePlot::ScopePlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Scope1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  buildPlot();
  buildCursors();
  buildToolbar();
  buildViewControls();
  layout->addWidget(toolbar_);
  lostDataLabel_ = new QLabel(this);
  lostDataLabel_->setObjectName(QStringLiteral("lblLostData"));
  lostDataLabel_->setAccessibleName(QStringLiteral("Lost data warning"));
  lostDataLabel_->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  lostDataLabel_->setWordWrap(true);
  lostDataLabel_->setText(lostData_->text());
  lostDataLabel_->setVisible(false);
  layout->addWidget(lostDataLabel_);
  auto* beside = new QHBoxLayout;
  beside->setSpacing(0);
  beside->addWidget(plot_, 1);
  analysis_ = new ScopeAnalysisPanel(*this, this);
  analysis_->setVisible(false);
  beside->addWidget(analysis_);
  layout->addLayout(beside, 1);
  measureLabel_ = new QLabel(this);
  measureLabel_->setObjectName(QStringLiteral("lblMeasureCursors"));
  measureLabel_->setAccessibleName(QStringLiteral("Cursor readings"));
  measureLabel_->setWordWrap(true);
  measureLabel_->setVisible(false);
  layout->addWidget(measureLabel_);

  replotTimer_ = new QTimer(this);
  replotTimer_->setInterval(kReplotMs);
  connect(replotTimer_, &QTimer::timeout, this, &ScopePlot::ReplotIfChanged);
  replotTimer_->start();
  markChanged();
}

void ScopePlot::buildPlot() {
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("Scope1Plot"));
  plot_->setAccessibleName(QStringLiteral("Scope plot"));
  plot_->setMinimumSize(400, 250);
  plot_->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
  plot_->setNoAntialiasingOnDrag(true);

  plot_->plotLayout()->insertRow(0);
  QFont titleFont(QStringLiteral("Arial"), 11, QFont::Bold);
  titleCaption_ = QStringLiteral("Scope Stopped - Setup and Press Start to Capture");
  title_ = new QCPTextElement(plot_, titleCaption_, titleFont);
  plot_->plotLayout()->addElement(0, 0, title_);

  QCPAxisRect* rect = plot_->axisRect();
  rect->setBackground(backgroundGradient(), true, Qt::IgnoreAspectRatio);
  plot_->xAxis->setRange(0, 4);
  plot_->xAxis->grid()->setPen(QPen(QColor(110, 110, 140), 0, Qt::DotLine));

  yAxes_ = {plot_->yAxis, plot_->yAxis2, rect->addAxis(QCPAxis::atRight)};
  for (int c = 0; c < kChannels; ++c) {
    yAxes_[c]->setVisible(true);
    yAxes_[c]->grid()->setVisible(c == 0);
    graphs_[c] = plot_->addGraph(plot_->xAxis, yAxes_[c]);
    graphs_[c]->setName(QStringLiteral("Channel %1").arg(c + 1));
    graphs_[c]->setAdaptiveSampling(true);
    graphs_[c]->setAntialiased(false);
    SetChannelColour(c, DefaultColour(c));
  }
  plot_->yAxis->grid()->setPen(QPen(QColor(110, 110, 140), 0, Qt::DotLine));

  // The legend has a row of its own under the title: inside the axis rectangle it would cover
  // traces and, on a narrow plot, the axes' titles.
  plot_->legend->setVisible(true);
  plot_->legend->setBrush(QColor(255, 255, 255, 220));
  rect->insetLayout()->take(plot_->legend);
  plot_->plotLayout()->insertRow(1);
  plot_->plotLayout()->addElement(1, 0, plot_->legend);
  plot_->plotLayout()->setRowStretchFactor(1, 0.001);
  plot_->legend->setMargins(QMargins(4, 2, 4, 2));

  lostData_ = new QCPItemText(plot_);
  lostData_->setClipToAxisRect(false);
  lostData_->position->setType(QCPItemPosition::ptAxisRectRatio);
  lostData_->position->setCoords(0.5, 0.98);
  lostData_->setPositionAlignment(Qt::AlignBottom | Qt::AlignHCenter);
  lostData_->setTextAlignment(Qt::AlignCenter);
  lostData_->setColor(QColor(255, 80, 80));
  lostData_->setBrush(QColor(0, 0, 0, 170));
  lostData_->setPadding(QMargins(6, 3, 6, 3));
  lostData_->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
  lostData_->setText(QStringLiteral(
      "Warning - Some data points in drive have been missed due to slow communications"));
  // On screen the warning is a label above the plot; on paper it is drawn inside.
  lostData_->setVisible(false);

  connect(plot_, &QCustomPlot::axisClick, this,
          [this](QCPAxis* axis, QCPAxis::SelectablePart, QMouseEvent*) { onAxisClick(axis); });
  connect(
      plot_, &QCustomPlot::plottableClick, this,
      [this](QCPAbstractPlottable* plottable, int, QMouseEvent*) { onPlottableClick(plottable); });
  connect(plot_, &QCustomPlot::legendClick, this,
          [this](QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
            auto* entry = qobject_cast<QCPPlottableLegendItem*>(item);
            for (int c = 0; entry && c < kChannels; ++c)
              if (entry->plottable() == graphs_[c]) emit legendClicked(c);
          });
  connect(plot_, &QCustomPlot::mousePress, this, &ScopePlot::onMousePress);
  connect(plot_, &QCustomPlot::mouseMove, this, &ScopePlot::onMouseMove);
  connect(plot_, &QCustomPlot::mouseRelease, this, &ScopePlot::onMouseRelease);
}

void ScopePlot::styleAxis(QCPAxis* axis, const QColor& colour) {
  axis->setBasePen(QPen(colour, 1));
  axis->setTickPen(QPen(colour, 1));
  axis->setSubTickPen(QPen(colour, 1));
  axis->setTickLabelColor(colour);
  axis->setLabelColor(colour);
}

int ScopePlot::yAxisIndex(const QCPAxis* axis) const {
  for (int c = 0; c < kChannels; ++c)
    if (yAxes_[c] == axis) return c;
  return -1;
}

void ScopePlot::onAxisClick(QCPAxis* axis) {
  if (axis == plot_->xAxis) {
    emit xAxisClicked();
    return;
  }
  const int index = yAxisIndex(axis);
  if (index >= 0) emit yAxisClicked(index);
}

void ScopePlot::onPlottableClick(QCPAbstractPlottable* plottable) {
  for (int c = 0; c < kChannels; ++c)
    if (graphs_[c] == plottable) emit channelClicked(c);
}

void ScopePlot::ClearAllData() {
  for (QCPGraph* graph : graphs_) graph->data()->clear();
  markChanged();
}

void ScopePlot::ReplotIfChanged() {
  if (!changed_) return;
  changed_ = false;
  followNewestData();
  updateDataCursor();
  updateMeasureCursors();
  plot_->replot();
  emit viewChanged();
}

void ScopePlot::ReplotNow() {
  changed_ = true;
  ReplotIfChanged();
}

void ScopePlot::SetFollow(bool follow) {
  follow_ = follow;
  followPending_ = false;
}

void ScopePlot::SetChannelVisible(int channel, bool visible) {
  graphs_[channel]->setVisible(visible);
  plot_->legend->clearItems();
  for (QCPGraph* graph : graphs_)
    if (graph->visible()) graph->addToLegend();
  fitLayoutToWidth();
}

bool ScopePlot::ChannelVisible(int channel) const { return graphs_[channel]->visible(); }

void ScopePlot::SetChannelTitle(int channel, const QString& title) {
  graphs_[channel]->setName(title);
  fitLayoutToWidth();
}

QString ScopePlot::ChannelTitle(int channel) const { return graphs_[channel]->name(); }

void ScopePlot::SetChannelColour(int channel, const QColor& colour) {
  QPen pen = graphs_[channel]->pen();
  pen.setColor(colour);
  graphs_[channel]->setPen(pen);
  styleAxis(yAxes_[channel], colour);
  applyMarkers(channel);
  markChanged();
}

QColor ScopePlot::ChannelColour(int channel) const { return graphs_[channel]->pen().color(); }

void ScopePlot::SetTraceWidth(int channel, int width) {
  QPen pen = graphs_[channel]->pen();
  pen.setWidth(width);
  graphs_[channel]->setPen(pen);
  markChanged();
}

int ScopePlot::TraceWidth(int channel) const { return graphs_[channel]->pen().width(); }

void ScopePlot::SetMarkers(int channel, bool on) {
  markers_[channel] = on;
  applyMarkers(channel);
  markChanged();
}

bool ScopePlot::Markers(int channel) const { return markers_[channel]; }

void ScopePlot::applyMarkers(int channel) {
  const QColor colour = graphs_[channel]->pen().color();
  graphs_[channel]->setScatterStyle(markers_[channel]
                                        ? QCPScatterStyle(QCPScatterStyle::ssCircle, colour, 5)
                                        : QCPScatterStyle(QCPScatterStyle::ssNone));
}

void ScopePlot::SetKeepPoints(int channel, int points) {
  keep_[channel] = std::max(0, points);
  QSharedPointer<QCPGraphDataContainer> data = graphs_[channel]->data();
  if (keep_[channel] > 0 && data->size() > keep_[channel])
    data->removeBefore((data->constBegin() + (data->size() - keep_[channel]))->key);
  markChanged();
}

void ScopePlot::SetYAxisVisible(int axis, bool visible) {
  yAxes_[axis]->setVisible(visible);
  markChanged();
}

bool ScopePlot::YAxisVisible(int axis) const { return yAxes_[axis]->visible(); }

void ScopePlot::SetYRange(int axis, double minimum, double span) {
  yAxes_[axis]->setRange(minimum, minimum + span);
  markChanged();
}

double ScopePlot::YMinimum(int axis) const { return yAxes_[axis]->range().lower; }

double ScopePlot::YSpan(int axis) const { return yAxes_[axis]->range().size(); }

void ScopePlot::SetYTitle(int axis, const QString& title) {
  yAxes_[axis]->setLabel(title);
  markChanged();
}

QString ScopePlot::YTitle(int axis) const { return yAxes_[axis]->label(); }

void ScopePlot::SetLabel(int label, const QString& caption) {
  if (label == 0) {
    titleCaption_ = caption;
    fitLayoutToWidth();
  } else {
    lostData_->setText(caption);
    lostDataLabel_->setText(caption);
  }
  markChanged();
}

QString ScopePlot::Label(int label) const { return label == 0 ? titleCaption_ : lostData_->text(); }

void ScopePlot::SetLabelColour(int label, const QColor& colour) {
  if (label == 0)
    title_->setTextColor(colour);
  else
    lostData_->setColor(colour);
  markChanged();
}

QColor ScopePlot::LabelColour(int label) const {
  return label == 0 ? title_->textColor() : lostData_->color();
}

void ScopePlot::SetLabelVisible(int label, bool visible) {
  if (label == 0) {
    title_->setVisible(visible);
  } else {
    lostDataShown_ = visible;
    lostDataLabel_->setVisible(visible);
  }
  markChanged();
}

bool ScopePlot::LabelVisible(int label) const {
  return label == 0 ? title_->visible() : lostDataShown_;
}

void ScopePlot::SetLegendVisible(bool visible) {
  plot_->legend->setVisible(visible);
  markChanged();
}

bool ScopePlot::LegendVisible() const { return plot_->legend->visible(); }
