// The plot's analysis panel ("Step & Spectrum" on its toolbar): for one channel over the visible
// range or between the cursors A and B, the step response figures (their points marked on the
// plot) and the magnitude spectrum with its highest peaks. It measures again whenever the plot
// changes, so after new gains the next capture shows what they did; the figures go onto the
// printed page and into a CSV export.
#pragma once

#include <QWidget>
#include <optional>

#include "scope/scope_figures.h"

class QCPPainter;
class QComboBox;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTimer;
class ScopePlot;

class ScopeAnalysisPanel : public QWidget {
  Q_OBJECT

 public:
  enum Range { VisibleRange, BetweenCursors };

  ScopeAnalysisPanel(ScopePlot& plot, QWidget* parent);

  void SetChannel(int channel);
  void SetRange(Range range);
  // Measures now (otherwise it does so a moment after the plot changed).
  void Update();
  const std::optional<basScope::ChannelFigures>& figures() const { return figures_; }
  // The figures on paper: the text on the left, the spectrum on the right of the area.
  void Paint(QCPPainter& painter, const QRectF& area);
  void ExportFiguresWithDialog();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildSpectrumPlot();
  void showSpectrum(const basScope::Spectrum& spectrum);
  void markStep(int channel, const QVector<QPointF>& points);

  ScopePlot& plot_;
  QComboBox* cmbAnalysisChannel = nullptr;
  QComboBox* cmbAnalysisRange = nullptr;
  QPushButton* cmdExportFigures = nullptr;
  QLabel* lblRange = nullptr;
  QLabel* lblStepFigures = nullptr;
  QLabel* lblSpectrumPeaks = nullptr;
  QCustomPlot* plotSpectrum = nullptr;
  QTimer* pending_ = nullptr;
  std::optional<basScope::ChannelFigures> figures_;
};
