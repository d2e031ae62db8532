// The plot's toolbar and mouse: the data cursor with its readouts, and the measurement
// cursors A and B.
#include <qcustomplot.h>

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <cmath>

#include "core/logs.h"
#include "scope/scope_plot.h"

namespace {

constexpr double kGrabPixels = 6;
constexpr int kTextOffset = 8;
// A press that moves less than this is a click (it places a cursor); more is a pan.
constexpr int kClickPixels = 3;

QString seconds(double value) { return QString::number(value, 'f', 3) + QStringLiteral(" s"); }
QString number(double value) { return QString::number(value, 'g', 6); }

// The mean period of a waveform: the time between its first and last rising crossings of the
// mean value, divided by the number of periods between them. 0 when it crosses fewer than twice.
double meanCrossingPeriod(const QVector<QPointF>& points) {
  if (points.size() < 3) return 0;
  double mean = 0;
  for (const QPointF& p : points) mean += p.y();
  mean /= points.size();
  double first = 0, last = 0;
  int crossings = 0;
  for (int i = 1; i < points.size(); ++i) {
    const QPointF a = points[i - 1], b = points[i];
    if (!(a.y() < mean && b.y() >= mean)) continue;
    const double at = a.x() + (mean - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
    if (crossings++ == 0) first = at;
    last = at;
  }
  return crossings >= 2 ? (last - first) / (crossings - 1) : 0;
}

}  // namespace

void ScopePlot::buildToolbar() {
  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("Scope1Toolbar"));
  actDataCursor_ = toolbar_->addAction(QStringLiteral("Data Cursor"));
  actDataCursor_->setObjectName(QStringLiteral("actDataCursor"));
  actDataCursor_->setCheckable(true);
  connect(actDataCursor_, &QAction::toggled, this, &ScopePlot::SetDataCursorShown);
  actMeasure_ = toolbar_->addAction(QStringLiteral("Cursors A-B"));
  actMeasure_->setObjectName(QStringLiteral("actMeasureCursors"));
  actMeasure_->setCheckable(true);
  connect(actMeasure_, &QAction::toggled, this, &ScopePlot::SetMeasureCursorsShown);
  toolbar_->addSeparator();
  QAction* print = toolbar_->addAction(QStringLiteral("Print..."));
  print->setObjectName(QStringLiteral("actPrint"));
  connect(print, &QAction::triggered, this,
          [this] { basFunctions::guarded("Scope1, Print", [&] { PrintWithDialog(); }); });
  QAction* exportPicture = toolbar_->addAction(QStringLiteral("Export..."));
  exportPicture->setObjectName(QStringLiteral("actExport"));
  connect(exportPicture, &QAction::triggered, this,
          [this] { basFunctions::guarded("Scope1, Export", [&] { exportWithDialog(); }); });
}

void ScopePlot::buildCursors() {
  tracer_ = new QCPItemTracer(plot_);
  tracer_->setStyle(QCPItemTracer::tsCrosshair);
  tracer_->setPen(QPen(Qt::white, 1, Qt::DashLine));
  tracer_->setInterpolating(false);
  tracer_->setVisible(false);
  tracerText_ = new QCPItemText(plot_);
  tracerText_->position->setParentAnchor(tracer_->position);
  tracerText_->position->setCoords(kTextOffset, -kTextOffset);
  tracerText_->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
  tracerText_->setColor(Qt::white);
  tracerText_->setBrush(QColor(0, 0, 0, 160));
  tracerText_->setPadding(QMargins(4, 2, 4, 2));
  tracerText_->setVisible(false);
  for (int i = 0; i < 2; ++i) {
    measureLines_[i] = new QCPItemStraightLine(plot_);
    measureLines_[i]->setPen(
        QPen(i == 0 ? QColor(255, 220, 0) : QColor(0, 230, 230), 1, Qt::DashDotLine));
    measureLines_[i]->setVisible(false);
  }
}

void ScopePlot::SetDataCursorShown(bool shown) {
  if (actDataCursor_->isChecked() != shown) actDataCursor_->setChecked(shown);
  if (shown && !tracer_->visible()) tracer_->setGraphKey(plot_->xAxis->range().center());
  tracer_->setVisible(shown);
  tracerText_->setVisible(shown);
  markChanged();
}

bool ScopePlot::DataCursorShown() const { return tracer_->visible(); }

void ScopePlot::SetDataCursorChannel(int channel) {
  cursorChannel_ = channel;
  markChanged();
}

void ScopePlot::SetDataCursorMode(CursorMode mode) {
  cursorMode_ = mode;
  markChanged();
}

void ScopePlot::SetDataCursorTime(double seconds) {
  tracer_->setGraphKey(seconds);
  markChanged();
}

// The channel's point nearest to the time; the trace's breaks are no points.
bool ScopePlot::nearestPoint(int channel, double time, QPointF* point) const {
  const QSharedPointer<QCPGraphDataContainer> data = graphs_[channel]->data();
  auto after = data->findBegin(time, false);  // the first point at or after the time
  auto before = after;
  bool hasBefore = false;
  while (!hasBefore && before != data->constBegin()) hasBefore = !std::isnan((--before)->value);
  while (after != data->constEnd() && std::isnan(after->value)) ++after;
  const bool hasAfter = after != data->constEnd();
  if (!hasBefore && !hasAfter) return false;
  const bool takeBefore =
      hasBefore && (!hasAfter || std::abs(before->key - time) <= std::abs(after->key - time));
  const auto nearest = takeBefore ? before : after;
  *point = QPointF(nearest->key, nearest->value);
  return true;
}

double ScopePlot::valueAt(int channel, double time, bool* found) const {
  QPointF point;
  *found = nearestPoint(channel, time, &point);
  return *found ? point.y() : 0;
}

QString ScopePlot::DataCursorText() const {
  if (!tracer_->visible()) return QString();
  bool found = false;
  const double time = tracer_->graphKey();
  const double value = valueAt(cursorChannel_, time, &found);
  QVector<QPointF> inView;
  const QCPRange range = plot_->xAxis->range();
  for (const QPointF& p : Points(cursorChannel_))
    if (range.contains(p.x())) inView.append(p);
  switch (cursorMode_) {
    case ValueXY:
      return found ? QStringLiteral("X: ") + seconds(time) + QStringLiteral("  Y: ") + number(value)
                   : QStringLiteral("X: ") + seconds(time);
    case ValueX:
      return QStringLiteral("X: ") + seconds(time);
    case ValueY:
      return found ? QStringLiteral("Y: ") + number(value) : QStringLiteral("Y: ---");
    case PeakPeak: {
      if (inView.isEmpty()) return QStringLiteral("Peak-Peak: ---");
      double low = inView.front().y(), high = low;
      for (const QPointF& p : inView) low = std::min(low, p.y()), high = std::max(high, p.y());
      return QStringLiteral("Peak-Peak: ") + number(high - low);
    }
    case Period:
    case Frequency: {
      const double period = meanCrossingPeriod(inView);
      if (period <= 0) return CursorModeNames()[cursorMode_] + QStringLiteral(": ---");
      return cursorMode_ == Period
                 ? QStringLiteral("Period: ") + seconds(period)
                 : QStringLiteral("Frequency: ") + number(1.0 / period) + QStringLiteral(" Hz");
    }
  }
  return QString();
}

// The cursor sits on its channel's nearest point; without points it stays where it was put.
void ScopePlot::updateDataCursor() {
  if (!tracer_->visible()) return;
  const double key = tracer_->graphKey();
  QPointF point(key, yAxes_[cursorChannel_]->range().center());
  nearestPoint(cursorChannel_, key, &point);
  tracer_->position->setAxes(plot_->xAxis, yAxes_[cursorChannel_]);
  tracer_->position->setCoords(point);
  tracerText_->setText(DataCursorText());
  tracerText_->setColor(ChannelColour(cursorChannel_).lighter(130));
  placeCursorText();
}

// The readout sits above and right of the cursor, or below or left of it near an edge, so it
// is never cut off.
void ScopePlot::placeCursorText() {
  const QPointF at = tracer_->position->pixelPosition();
  const QRect area = plot_->axisRect()->rect();
  const QMargins padding = tracerText_->padding();
  const QSize size = QFontMetrics(tracerText_->font())
                         .boundingRect(QRect(), Qt::AlignLeft, tracerText_->text())
                         .size()
                         .grownBy(padding);
  const bool below = at.y() - kTextOffset - size.height() < area.top();
  const bool left = at.x() + kTextOffset + size.width() > area.right();
  tracerText_->setPositionAlignment((left ? Qt::AlignRight : Qt::AlignLeft) |
                                    (below ? Qt::AlignTop : Qt::AlignBottom));
  tracerText_->position->setCoords(left ? -kTextOffset : kTextOffset,
                                   below ? kTextOffset : -kTextOffset);
}

void ScopePlot::SetMeasureCursorsShown(bool shown) {
  if (actMeasure_->isChecked() != shown) actMeasure_->setChecked(shown);
  if (shown && !measureLines_[0]->visible()) {
    const QCPRange range = plot_->xAxis->range();
    SetMeasureCursor(0, range.lower + range.size() / 3);
    SetMeasureCursor(1, range.lower + 2 * range.size() / 3);
  }
  for (QCPItemStraightLine* line : measureLines_) line->setVisible(shown);
  measureLabel_->setVisible(shown);
  markChanged();
  updateMeasureCursors();
}

bool ScopePlot::MeasureCursorsShown() const { return measureLines_[0]->visible(); }

void ScopePlot::SetMeasureCursor(int cursor, double time) {
  measure_[cursor] = time;
  measureLines_[cursor]->point1->setCoords(time, 0);
  measureLines_[cursor]->point2->setCoords(time, 1);
  markChanged();
  updateMeasureCursors();
}

QString ScopePlot::MeasureText() const {
  const double dt = measure_[1] - measure_[0];
  QStringList parts{QStringLiteral("A: ") + seconds(measure_[0]),
                    QStringLiteral("B: ") + seconds(measure_[1]),
                    QStringLiteral("Δt: ") + seconds(dt),
                    QStringLiteral("1/Δt: ") + (dt != 0 ? number(1.0 / dt) + QStringLiteral(" Hz")
                                                        : QStringLiteral("---"))};
  for (int c = 0; c < kChannels; ++c) {
    bool foundA = false, foundB = false;
    const double a = valueAt(c, measure_[0], &foundA);
    const double b = valueAt(c, measure_[1], &foundB);
    if (graphs_[c]->visible() && foundA && foundB)
      parts << ChannelTitle(c) + QStringLiteral(" Δ: ") + number(b - a);
  }
  return parts.join(QStringLiteral("   "));
}

void ScopePlot::updateMeasureCursors() {
  if (MeasureCursorsShown()) measureLabel_->setText(MeasureText());
}

int ScopePlot::measureCursorNear(double pixelX) const {
  if (!MeasureCursorsShown()) return -1;
  for (int i = 0; i < 2; ++i)
    if (std::abs(plot_->xAxis->coordToPixel(measure_[i]) - pixelX) <= kGrabPixels) return i;
  return -1;
}

// Left button in the plot area: grab a measurement cursor and drag it, or drag the view along
// the time axis; a click places cursor A (B with Shift) or the data cursor. Right button: the
// data cursor's menu.
void ScopePlot::onMousePress(QMouseEvent* event) {
  if (!plot_->axisRect()->rect().contains(event->pos())) return;
  if (event->button() == Qt::RightButton) {
    showCursorMenu(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  dragging_ = measureCursorNear(event->pos().x());
  pressX_ = event->pos().x();
  plot_->setInteraction(QCP::iRangeDrag, dragging_ < 0);
}

void ScopePlot::onMouseMove(QMouseEvent* event) {
  if (dragging_ >= 0)
    SetMeasureCursor(dragging_, plot_->xAxis->pixelToCoord(event->pos().x()));
  else if (pressX_ >= 0 && std::abs(event->pos().x() - pressX_) > kClickPixels)
    userView_ = true;
}

void ScopePlot::onMouseRelease(QMouseEvent* event) {
  const bool click =
      pressX_ >= 0 && dragging_ < 0 && std::abs(event->pos().x() - pressX_) <= kClickPixels;
  if (click) {
    const double time = plot_->xAxis->pixelToCoord(event->pos().x());
    if (MeasureCursorsShown())
      SetMeasureCursor(event->modifiers() & Qt::ShiftModifier ? 1 : 0, time);
    else if (DataCursorShown())
      SetDataCursorTime(time);
  }
  dragging_ = -1;
  pressX_ = -1;
  plot_->setInteraction(QCP::iRangeDrag, true);
}

void ScopePlot::showCursorMenu(const QPoint& at) {
  QMenu menu(this);
  auto* group = new QActionGroup(&menu);
  const QStringList names = CursorModeNames();
  for (int mode = 0; mode < names.size(); ++mode) {
    QAction* entry = menu.addAction(names[mode]);
    entry->setCheckable(true);
    entry->setChecked(mode == cursorMode_);
    group->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, mode] {
      SetDataCursorMode(static_cast<CursorMode>(mode));
      SetDataCursorShown(true);
    });
  }
  menu.addSeparator();
  menu.addAction(actDataCursor_);
  menu.addAction(actMeasure_);
  menu.exec(at);
}
