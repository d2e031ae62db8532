#include "scope/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

namespace basScope {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSmallestPeak = 0.01;  // of the highest
constexpr int kPeakSeparationBins = 3;

struct PlanDeleter {
  void operator()(fftw_plan_s* plan) const { fftw_destroy_plan(plan); }
};

// Samples on the grid of the period; a missing one lies on the line between its neighbours.
std::vector<double> onGrid(const std::vector<Sample>& samples, double period, int* filled) {
  const double start = samples.front().seconds;
  const long last = std::lround((samples.back().seconds - start) / period);
  std::vector<double> values(size_t(last) + 1, NAN);
  for (const Sample& sample : samples) {
    const long at = std::lround((sample.seconds - start) / period);
    if (at >= 0 && at <= last) values[size_t(at)] = sample.value;
  }
  *filled = 0;
  size_t before = 0;
  for (size_t i = 1; i < values.size(); ++i) {
    if (std::isnan(values[i])) continue;
    for (size_t k = before + 1; k < i; ++k, ++*filled)
      values[k] = values[before] + (values[i] - values[before]) * double(k - before) / (i - before);
    before = i;
  }
  return values;
}

// A peak's frequency and height from the logarithms of its bin and its neighbours (a Hann
// window's lobe is close to a Gaussian there).
SpectrumPeak interpolated(const std::vector<double>& magnitude, size_t k, double binHz) {
  const double a = std::log(std::max(magnitude[k - 1], 1e-300));
  const double b = std::log(std::max(magnitude[k], 1e-300));
  const double c = std::log(std::max(magnitude[k + 1], 1e-300));
  const double curve = a - 2 * b + c;
  const double offset = curve < 0 ? std::clamp(0.5 * (a - c) / curve, -0.5, 0.5) : 0;
  return {(double(k) + offset) * binHz, std::exp(b - 0.25 * (a - c) * offset)};
}

std::vector<SpectrumPeak> highestPeaks(const std::vector<double>& magnitude, double binHz,
                                       int count) {
  std::vector<size_t> candidates;
  for (size_t k = 1; k + 1 < magnitude.size(); ++k)
    if (magnitude[k] > magnitude[k - 1] && magnitude[k] >= magnitude[k + 1])
      candidates.push_back(k);
  std::sort(candidates.begin(), candidates.end(),
            [&](size_t x, size_t y) { return magnitude[x] > magnitude[y]; });
  std::vector<size_t> kept;
  for (size_t k : candidates) {
    if (int(kept.size()) == count || magnitude[k] < kSmallestPeak * magnitude[candidates[0]]) break;
    const bool apart = std::all_of(kept.begin(), kept.end(), [&](size_t higher) {
      return std::abs(long(higher) - long(k)) > kPeakSeparationBins;
    });
    if (apart) kept.push_back(k);
  }
  std::vector<SpectrumPeak> peaks;
  for (size_t k : kept) peaks.push_back(interpolated(magnitude, k, binHz));
  return peaks;
}

}  // namespace

Spectrum MeasureSpectrum(const std::vector<Sample>& samples, int peakCount, double periodSeconds) {
  Spectrum spectrum;
  spectrum.nyquistHz = 0.5 / periodSeconds;
  if (samples.size() < 8) return spectrum;
  std::vector<double> values = onGrid(samples, periodSeconds, &spectrum.filled);
  const int n = int(values.size());
  spectrum.samples = n;
  spectrum.binHz = 1.0 / (n * periodSeconds);

  double mean = 0;
  for (double v : values) mean += v;
  mean /= n;
  double windowSum = 0;
  for (int i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * kPi * i / n);
    values[i] = (values[i] - mean) * w;
    windowSum += w;
  }
  std::vector<std::complex<double>> bins(size_t(n / 2 + 1));
  const std::unique_ptr<fftw_plan_s, PlanDeleter> plan(fftw_plan_dft_r2c_1d(
      n, values.data(), reinterpret_cast<fftw_complex*>(bins.data()), FFTW_ESTIMATE));
  fftw_execute(plan.get());

  spectrum.magnitude.resize(bins.size());
  for (size_t k = 0; k < bins.size(); ++k) {
    const bool edge = k == 0 || (n % 2 == 0 && k == bins.size() - 1);
    spectrum.magnitude[k] = std::abs(bins[k]) * (edge ? 1 : 2) / windowSum;
  }
  spectrum.peaks = highestPeaks(spectrum.magnitude, spectrum.binHz, peakCount);
  return spectrum;
}

}  // namespace basScope
