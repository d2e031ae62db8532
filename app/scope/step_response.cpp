#include "scope/step_response.h"

#include <algorithm>
#include <cmath>

namespace basScope {

namespace {

// The time between samples a and b at which the normalised response reaches `level`.
double crossing(const Sample& a, const Sample& b, double ya, double yb, double level) {
  if (yb == ya) return b.seconds;
  return a.seconds + (level - ya) / (yb - ya) * (b.seconds - a.seconds);
}

// The last sample outside the band, and the time the response came in for good.
void settle(const std::vector<Sample>& samples, const std::vector<double>& y, double band,
            double start, double* settleTime, double* settleAt) {
  int last = -1;
  for (int i = int(y.size()) - 1; i >= 0 && last < 0; --i)
    if (std::abs(y[i] - 1) > band) last = i;
  if (last == int(y.size()) - 1) return;  // still outside at the end
  if (last < 0) {
    *settleAt = start;
  } else {
    const double edge = y[last] > 1 ? 1 + band : 1 - band;
    *settleAt = crossing(samples[last], samples[last + 1], y[last], y[last + 1], edge);
  }
  *settleTime = *settleAt - start;
}

}  // namespace

StepFigures MeasureStep(const std::vector<Sample>& samples) {
  StepFigures figures;
  const int n = int(samples.size());
  if (n < 3) return figures;
  figures.start = samples.front().seconds;
  figures.initial = samples.front().value;
  const int tail = std::max(1, n / 10);
  double sum = 0, low = INFINITY, high = -INFINITY;
  for (int i = n - tail; i < n; ++i) {
    sum += samples[i].value;
    low = std::min(low, samples[i].value);
    high = std::max(high, samples[i].value);
  }
  figures.final = sum / tail;
  const double step = figures.final - figures.initial;
  figures.found = step != 0 && std::abs(step) > 2 * (high - low);
  if (!figures.found) return figures;

  std::vector<double> y(n);
  for (int i = 0; i < n; ++i) y[i] = (samples[i].value - figures.initial) / step;
  int i = 1;
  for (; i < n && y[i] < 0.1; ++i) {
  }
  if (i < n) figures.rise10At = crossing(samples[i - 1], samples[i], y[i - 1], y[i], 0.1);
  for (; i < n && y[i] < 0.9; ++i) {
  }
  if (i < n) {
    figures.rise90At = crossing(samples[i - 1], samples[i], y[i - 1], y[i], 0.9);
    figures.riseTime = figures.rise90At - figures.rise10At;
  }
  const int top = int(std::max_element(y.begin(), y.end()) - y.begin());
  figures.peakAt = samples[top].seconds;
  figures.peak = samples[top].value;
  figures.overshootPercent = std::max(0.0, (y[top] - 1) * 100);
  settle(samples, y, 0.02, figures.start, &figures.settle2, &figures.settle2At);
  settle(samples, y, 0.05, figures.start, &figures.settle5, &figures.settle5At);
  return figures;
}

}  // namespace basScope
