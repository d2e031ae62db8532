// The step and spectrum figures of one channel over one range, in the words and lines the
// analysis panel, the printed page and the CSV export show them (no widgets).
#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include "scope/spectrum.h"
#include "scope/step_response.h"

namespace basScope {

struct ChannelFigures {
  QString channel;  // its title
  QString range;    // "Visible Range" or "Between Cursors A-B"
  double from = 0, to = 0;
  StepFigures step;
  Spectrum spectrum;
};

// The figures of the points (seconds, value) that lie from `from` to `to`.
ChannelFigures MeasureChannel(const QString& channel, const QString& range, double from, double to,
                              const QVector<QPointF>& points);

QString RangeLine(const ChannelFigures& figures);
QStringList StepLines(const StepFigures& step);
QStringList PeakLines(const Spectrum& spectrum);

// The CSV export: its own path, "Created " + date and time, the channel and range, the step
// figures, the peaks and every bin of the spectrum; lines without their CR LF.
QStringList FiguresCsvLines(const ChannelFigures& figures, const QString& csvPath,
                            const QString& created);
// Writes it (replacing a file that exists); a file that cannot be written raises error 75.
void WriteFiguresCsv(const ChannelFigures& figures, const QString& csvPath);

}  // namespace basScope
