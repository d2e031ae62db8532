#include "params/report_pdf.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include "params/commissioning_report.h"

namespace commissioning {

bool WritePdf(const Report& report, const QString& path, QString& problem) {
  // Written beside the target and moved over it only when complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    problem = file.errorString();
    return false;
  }
  {
    QPdfWriter writer(&file);
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("VelumoPRO"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    QTextDocument document;
    document.setDefaultStyleSheet(
        QStringLiteral("body { font-size: 8pt; } h1 { font-size: 16pt; } h2 { font-size: 11pt; }"));
    document.setHtml(Html(report));
    document.print(&writer);
  }
  if (!file.commit()) {
    problem = file.errorString();
    return false;
  }
  return true;
}

}  // namespace commissioning
