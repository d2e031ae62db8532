#include "scope/scope_figures.h"

#include <cmath>

#include "core/logs.h"
#include "scope/scope_log.h"

namespace basScope {

namespace {

QString value(double v) { return QString::number(v, 'g', 6); }
QString seconds(double v) { return QString::number(v, 'f', 3); }
QString percent(double v) { return QString::number(v, 'f', 1); }

// A time of the figures, or what stands in for one that the range did not give.
QString timeOr(double v, const QString& missing) {
  return std::isnan(v) ? missing : seconds(v) + QStringLiteral(" s");
}

}  // namespace

ChannelFigures MeasureChannel(const QString& channel, const QString& range, double from, double to,
                              const QVector<QPointF>& points) {
  ChannelFigures figures{channel, range, std::min(from, to), std::max(from, to), {}, {}};
  std::vector<Sample> samples;
  for (const QPointF& point : points)
    if (point.x() >= figures.from && point.x() <= figures.to)
      samples.push_back({point.x(), point.y()});
  figures.step = MeasureStep(samples);
  figures.spectrum = MeasureSpectrum(samples);
  return figures;
}

QString RangeLine(const ChannelFigures& figures) {
  return figures.channel + QStringLiteral(", ") + figures.range + QStringLiteral(" ") +
         seconds(figures.from) + QStringLiteral(" s to ") + seconds(figures.to) +
         QStringLiteral(" s");
}

QStringList StepLines(const StepFigures& step) {
  if (!step.found) return {QStringLiteral("No step in the range")};
  const QString notSettled = QStringLiteral("not settled in the range");
  return {QStringLiteral("Initial value: ") + value(step.initial),
          QStringLiteral("Final value: ") + value(step.final),
          QStringLiteral("Rise time 10-90 %: ") + timeOr(step.riseTime, QStringLiteral("---")),
          QStringLiteral("Overshoot: ") + percent(step.overshootPercent) + QStringLiteral(" %"),
          QStringLiteral("Settling time ±2 %: ") + timeOr(step.settle2, notSettled),
          QStringLiteral("Settling time ±5 %: ") + timeOr(step.settle5, notSettled)};
}

QStringList PeakLines(const Spectrum& spectrum) {
  if (spectrum.magnitude.empty()) return {QStringLiteral("Too few samples for a spectrum")};
  QStringList lines{QStringLiteral("Highest peaks (Hann window, %1 samples, Nyquist %2 Hz):")
                        .arg(spectrum.samples)
                        .arg(spectrum.nyquistHz)};
  for (const SpectrumPeak& peak : spectrum.peaks)
    lines << QString::number(peak.hz, 'f', 2) + QStringLiteral(" Hz: ") + value(peak.magnitude);
  if (spectrum.filled > 0)
    lines << QStringLiteral("(%1 missing samples filled in)").arg(spectrum.filled);
  return lines;
}

QStringList FiguresCsvLines(const ChannelFigures& figures, const QString& csvPath,
                            const QString& created) {
  const StepFigures& step = figures.step;
  auto time = [](double v) { return std::isnan(v) ? QStringLiteral("not settled") : seconds(v); };
  QStringList lines{csvPath, QStringLiteral("Created ") + created,
                    QStringLiteral("Channel,") + figures.channel,
                    QStringLiteral("Range,%1,%2,%3")
                        .arg(figures.range, seconds(figures.from), seconds(figures.to))};
  if (step.found)
    lines << QStringLiteral("Initial value,") + value(step.initial)
          << QStringLiteral("Final value,") + value(step.final)
          << QStringLiteral("Rise time 10-90 % (s),") +
                 (std::isnan(step.riseTime) ? QStringLiteral("none") : seconds(step.riseTime))
          << QStringLiteral("Overshoot (%),") + percent(step.overshootPercent)
          << QStringLiteral("Settling time 2 % (s),") + time(step.settle2)
          << QStringLiteral("Settling time 5 % (s),") + time(step.settle5);
  else
    lines << QStringLiteral("Step,none in the range");
  const Spectrum& spectrum = figures.spectrum;
  lines << QStringLiteral("Spectrum,Hann window,%1 samples,%2 filled in,Nyquist %3 Hz")
               .arg(spectrum.samples)
               .arg(spectrum.filled)
               .arg(spectrum.nyquistHz)
        << QStringLiteral("Peak,Frequency (Hz),Magnitude");
  for (size_t i = 0; i < spectrum.peaks.size(); ++i)
    lines << QStringLiteral("%1,%2,%3")
                 .arg(i + 1)
                 .arg(QString::number(spectrum.peaks[i].hz, 'f', 3),
                      value(spectrum.peaks[i].magnitude));
  lines << QStringLiteral("Frequency (Hz),Magnitude");
  for (size_t k = 0; k < spectrum.magnitude.size(); ++k)
    lines << QString::number(k * spectrum.binHz, 'f', 4) + QChar(',') +
                 value(spectrum.magnitude[k]);
  return lines;
}

void WriteFiguresCsv(const ChannelFigures& figures, const QString& csvPath) {
  WriteCsvLines(FiguresCsvLines(figures, csvPath, basFunctions::GeneralDateTime()), csvPath);
}

}  // namespace basScope
