// The plot on paper and in pictures: printing on the printer's page and export to PNG or PDF.
#include <qcustomplot.h>

#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "scope/scope_analysis_panel.h"
#include "scope/scope_plot.h"

using basFunctions::ProgramError;

// The page gets the plot as laid out on screen, scaled to fit, on white paper; with the step
// and spectrum panel shown, its figures and spectrum go below the plot.
bool ScopePlot::paintPage(QPrinter& printer) {
  ReplotIfChanged();
  const QPixmap background = plot_->axisRect()->background();
  plot_->axisRect()->setBackground(QPixmap());
  lostData_->setVisible(lostDataShown_);
  const int width = std::max(plot_->width(), 800);
  const int height = std::max(plot_->height(), 500);
  QCPPainter painter;
  const bool started = painter.begin(&printer);
  if (started) {
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const bool figures = AnalysisShown() && analysis_->figures();
    const QRectF plotArea(page.topLeft(),
                          QSizeF(page.width(), figures ? page.height() * 0.66 : page.height()));
    const double scale = std::min(plotArea.width() / width, plotArea.height() / height);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.save();
    painter.scale(scale, scale);
    plot_->toPainter(&painter, width, height);
    painter.restore();
    if (figures) {
      const double gap = page.height() * 0.03;
      analysis_->Paint(painter, QRectF(page.left(), plotArea.bottom() + gap, page.width(),
                                       page.bottom() - plotArea.bottom() - gap));
    }
    painter.end();
  }
  plot_->axisRect()->setBackground(background, true, Qt::IgnoreAspectRatio);
  lostData_->setVisible(false);
  markChanged();
  return started;
}

void ScopePlot::Print(QPrinter& printer) {
  emit beforePrint();
  const bool started = paintPage(printer);
  emit afterPrint();
  if (!started) throw ProgramError(482, "Printer error");
}

void ScopePlot::PrintWithDialog() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, window());
  if (dialog.exec() == QDialog::Accepted) Print(printer);
}

// A PDF is the printed page; a PNG the plot as shown.
bool ScopePlot::Export(const QString& path) {
  if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageOrientation(QPageLayout::Landscape);
    return paintPage(printer) && QFileInfo(path).size() > 0;
  }
  ReplotIfChanged();
  lostData_->setVisible(lostDataShown_);
  const bool saved =
      plot_->savePng(path, std::max(plot_->width(), 800), std::max(plot_->height(), 500));
  lostData_->setVisible(false);
  markChanged();
  return saved;
}

void ScopePlot::exportWithDialog() {
  QString path = prompt::GetSaveFileName(QStringLiteral("Export Plot"),
                                         host::ProgramFolder() + QStringLiteral("/ScopeLogs"),
                                         QStringLiteral("PNG image (*.png);;PDF document (*.pdf)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  if (!Export(path)) throw ProgramError(75, "Path/File access error");
}
