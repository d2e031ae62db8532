// The plot on paper and in pictures: printing on the printer's page and export to PNG or PDF.
#include <qcustomplot.h>

#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "scope/scope_plot.h"
#include "shell/host.h"
#include "shell/logs.h"
#include "shell/prompt.h"

using basFunctions::ProgramError;

// The page gets the plot as laid out on screen, scaled to fit, on white paper.
void ScopePlot::Print(QPrinter& printer) {
  emit beforePrint();
  ReplotIfChanged();
  const QCPAxisRect* rect = plot_->axisRect();
  const QPixmap background = rect->background();
  plot_->axisRect()->setBackground(QPixmap());
  lostData_->setVisible(lostDataShown_);
  const int width = std::max(plot_->width(), 800);
  const int height = std::max(plot_->height(), 500);
  QCPPainter painter;
  const bool started = painter.begin(&printer);
  if (started) {
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / width, page.height() / height);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(scale, scale);
    plot_->toPainter(&painter, width, height);
    painter.end();
  }
  plot_->axisRect()->setBackground(background, true, Qt::IgnoreAspectRatio);
  lostData_->setVisible(false);
  markChanged();
  emit afterPrint();
  if (!started) throw ProgramError(482, "Printer error");
}

void ScopePlot::PrintWithDialog() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, window());
  if (dialog.exec() == QDialog::Accepted) Print(printer);
}

bool ScopePlot::Export(const QString& path) {
  ReplotIfChanged();
  const int width = std::max(plot_->width(), 800);
  const int height = std::max(plot_->height(), 500);
  lostData_->setVisible(lostDataShown_);
  const bool pdf = QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
  const bool saved =
      pdf ? plot_->savePdf(path, width, height) : plot_->savePng(path, width, height);
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
