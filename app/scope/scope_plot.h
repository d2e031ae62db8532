// The scope's plot (Scope1 on the scope window and on the viewer): three channels on one
// time axis with their own Y axes, a title and a lost-data label, a legend, data-point
// markers, a view that follows incoming data, a data cursor with its readouts, two
// measurement cursors A and B, zoom and pan on the time axis, printing, export and the plot's
// own data and property files. Points arrive in batches and the plot redraws on its own timer
// (at most 25 times a second), never once per sample. Where samples are missing (more than
// one 8 ms period between two points) the trace breaks instead of drawing a line across.
#pragma once

#include <QColor>
#include <QStringList>
#include <QVector>
#include <QWidget>
#include <array>

class QCPAbstractPlottable;
class QCPAxis;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QCPItemTracer;
class QCPLegend;
class QCPTextElement;
class QCustomPlot;
class QLabel;
class QMenu;
class QMouseEvent;
class QPrinter;
class QTimer;
class QToolBar;
class QAction;
class ScopeAnalysisPanel;

class ScopePlot : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kChannels = 3;
  // The data cursor's readouts, in the order of its menu.
  enum CursorMode { ValueXY, ValueX, ValueY, Period, PeakPeak, Frequency };
  static QStringList CursorModeNames();
  static QColor DefaultColour(int channel);
  // A time axis label: "ss.zzz" below a minute, "m:ss.zzz" from a minute on.
  static QString TimeLabel(double seconds);

  explicit ScopePlot(QWidget* parent = nullptr);

  // Whole plot.
  void ClearAllData();
  void SaveData(const QString& path) const;        // the .scl file
  void SaveProperties(const QString& path) const;  // the .scp file
  // Reading a file takes every line it can and returns one text per line it left out (a file
  // that cannot be opened raises a run-time error). Keys a property file lacks leave their
  // settings as they are; older files that wrote a line end into a value read back whole.
  QStringList LoadProperties(const QString& path);
  QStringList LoadData(const QString& path);
  void RestoreDefaultAppearance();
  void FitYAxesToData();
  // Prints on the printer's page, announcing it before and after (beforePrint, afterPrint).
  void Print(QPrinter& printer);
  void PrintWithDialog();
  // A picture of the plot as shown: ".pdf" gives a PDF document, anything else a PNG image.
  bool Export(const QString& path);
  // Redraws now if anything changed since the last redraw (the timer calls it).
  void ReplotIfChanged();
  void ReplotNow();

  // Channel i (0..2).
  void SetChannelVisible(int channel, bool visible);
  bool ChannelVisible(int channel) const;
  void SetChannelTitle(int channel, const QString& title);
  QString ChannelTitle(int channel) const;
  void SetChannelColour(int channel, const QColor& colour);
  QColor ChannelColour(int channel) const;
  void SetTraceWidth(int channel, int width);
  int TraceWidth(int channel) const;
  void SetMarkers(int channel, bool on);
  bool Markers(int channel) const;
  void SetKeepPoints(int channel, int points);
  int KeepPoints(int channel) const { return keep_[channel]; }
  void AppendPoints(int channel, const QVector<double>& seconds, const QVector<double>& values);
  void AppendSortedPoints(int channel, QVector<QPointF> points);
  int PointCount(int channel) const;
  // The channel's points (seconds, value) in time order, without the trace's breaks.
  QVector<QPointF> Points(int channel) const;
  // The breaks in the channel's trace: one per gap in its samples.
  int TraceBreaks(int channel) const;

  // X axis (seconds). The program's view; the technician may zoom and pan away from it (wheel,
  // drag, the toolbar) and come back to it with ResetView.
  void SetXAxis(double startSeconds, double spanSeconds);
  void SetXStart(double startSeconds);
  double XStart() const;
  double XSpan() const;
  void ResetView();
  // The whole of every channel's points in view: as the technician's view, or as the program's.
  void ShowAll();
  void SetXAxisToData();
  bool UserView() const { return userView_; }
  // Following: each batch of points that arrives past the right edge scrolls the view so that
  // the newest point is at that edge. Turning it on does not move the view by itself.
  void SetFollow(bool follow);
  bool Follow() const { return follow_; }

  // Y axis i (0..2).
  void SetYAxisVisible(int axis, bool visible);
  bool YAxisVisible(int axis) const;
  void SetYRange(int axis, double minimum, double span);
  double YMinimum(int axis) const;
  double YSpan(int axis) const;
  void SetYTitle(int axis, const QString& title);
  QString YTitle(int axis) const;

  // Label 0 (the title) and label 1 ("LostData").
  void SetLabel(int label, const QString& caption);
  QString Label(int label) const;
  void SetLabelColour(int label, const QColor& colour);
  QColor LabelColour(int label) const;
  void SetLabelVisible(int label, bool visible);
  bool LabelVisible(int label) const;

  void SetLegendVisible(bool visible);
  bool LegendVisible() const;

  // The data cursor.
  void SetDataCursorShown(bool shown);
  bool DataCursorShown() const;
  void SetDataCursorChannel(int channel);
  int DataCursorChannel() const { return cursorChannel_; }
  void SetDataCursorMode(CursorMode mode);
  CursorMode DataCursorMode() const { return cursorMode_; }
  void SetDataCursorTime(double seconds);
  QString DataCursorText() const;

  // Measurement cursors A and B: time difference, each channel's value difference, 1/dt.
  void SetMeasureCursorsShown(bool shown);
  bool MeasureCursorsShown() const;
  void SetMeasureCursor(int cursor, double seconds);  // 0 = A, 1 = B
  double MeasureCursor(int cursor) const { return measure_[cursor]; }
  QString MeasureText() const;

  // The step and spectrum panel beside the plot, and the points of a step it marks on one
  // channel (marks set replace those before; none clears them).
  struct StepMark {
    double seconds;
    double value;
    QString label;
  };
  void SetAnalysisShown(bool shown);
  bool AnalysisShown() const;
  ScopeAnalysisPanel* Analysis() const { return analysis_; }
  void SetStepMarks(int channel, const QVector<StepMark>& marks);
  int StepMarkCount() const;

  QCustomPlot* customPlot() const { return plot_; }

 signals:
  // After each redraw: data, view or cursors may have changed.
  void viewChanged();
  void yAxisClicked(int axis);
  void xAxisClicked();
  void channelClicked(int channel);
  void legendClicked(int channel);
  void beforePrint();
  void afterPrint();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildPlot();
  void buildToolbar();
  void buildViewControls();
  void fitLayoutToWidth();
  void setXRange(double lower, double upper);
  bool dataExtent(double* lower, double* upper) const;
  void keepSpanSensible();
  void placeCursorText();
  bool paintPage(QPrinter& printer);
  void buildCursors();
  void styleAxis(QCPAxis* axis, const QColor& colour);
  void applyMarkers(int channel);
  void followNewestData();
  void markChanged() { changed_ = true; }
  void updateDataCursor();
  void updateMeasureCursors();
  void onAxisClick(QCPAxis* axis);
  void onPlottableClick(QCPAbstractPlottable* plottable);
  void onMousePress(QMouseEvent* event);
  void onMouseMove(QMouseEvent* event);
  void onMouseRelease(QMouseEvent* event);
  void showCursorMenu(const QPoint& at);
  void exportWithDialog();
  int yAxisIndex(const QCPAxis* axis) const;
  int measureCursorNear(double pixelX) const;
  bool nearestPoint(int channel, double seconds, QPointF* point) const;
  double valueAt(int channel, double seconds, bool* found) const;

  QCustomPlot* plot_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLabel* measureLabel_ = nullptr;
  QLabel* lostDataLabel_ = nullptr;
  bool lostDataShown_ = false;
  QString titleCaption_;
  QTimer* replotTimer_ = nullptr;
  QCPTextElement* title_ = nullptr;
  QCPItemText* lostData_ = nullptr;
  std::array<QCPGraph*, kChannels> graphs_{};
  std::array<QCPAxis*, kChannels> yAxes_{};
  std::array<int, kChannels> keep_{};
  std::array<bool, kChannels> markers_{};
  QCPItemTracer* tracer_ = nullptr;
  QCPItemText* tracerText_ = nullptr;
  std::array<QCPItemStraightLine*, 2> measureLines_{};
  std::array<double, 2> measure_{};
  int dragging_ = -1;
  int pressX_ = -1;  // where the left button went down, while it is down
  bool userView_ = false;
  double programLower_ = 0;
  double programUpper_ = 4;
  int cursorChannel_ = 0;
  CursorMode cursorMode_ = ValueXY;
  QAction* actDataCursor_ = nullptr;
  QAction* actAnalysis_ = nullptr;
  ScopeAnalysisPanel* analysis_ = nullptr;
  QCPGraph* stepMarks_ = nullptr;
  QList<QCPItemText*> stepMarkTexts_;
  QAction* actMeasure_ = nullptr;
  bool follow_ = false;
  bool followPending_ = false;
  double followKey_ = 0;
  bool changed_ = false;
};
