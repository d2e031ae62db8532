// The magnitude spectrum of a sampled signal (no widgets, no Qt), through FFTW: the samples put
// on the drive's 8 ms grid (a missing sample filled in between its neighbours), the mean taken
// off, a Hann window, and each bin scaled so that a sine of amplitude A shows as A.
#pragma once

#include <vector>

#include "scope/step_response.h"

namespace basScope {

struct SpectrumPeak {
  double hz;
  double magnitude;
};

struct Spectrum {
  double binHz = 0;
  double nyquistHz = 0;
  std::vector<double> magnitude;  // bins 0 .. N/2
  // The highest peaks, highest first: each a local maximum at least 1 % of the highest and
  // more than three bins from a higher one (so a window's side lobes are not listed), its
  // frequency and height read from the bins around it.
  std::vector<SpectrumPeak> peaks;
  int samples = 0;  // on the grid, filled ones included
  int filled = 0;   // missing samples filled in
};

constexpr double kSamplePeriodSeconds = 0.008;

// The samples in time order; fewer than eight give an empty spectrum.
Spectrum MeasureSpectrum(const std::vector<Sample>& samples, int peakCount = 5,
                         double periodSeconds = kSamplePeriodSeconds);

}  // namespace basScope
