// The commissioning report as a PDF, through Qt's own printing (QPdfWriter): A4 pages with the
// report's tables, broken across pages as needed. Needs a QGuiApplication (fonts); no widgets.
#pragma once

#include <QString>

namespace commissioning {

struct Report;

// Writes the whole file or reports why not (an unwritable folder, a full disk).
bool WritePdf(const Report& report, const QString& path, QString& problem);

}  // namespace commissioning
