// Step figures and spectrum against synthetic signals with known answers, sampled every 8 ms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "scope/spectrum.h"
#include "scope/step_response.h"

namespace {

using basScope::Sample;

constexpr double kPi = 3.14159265358979323846;

std::vector<Sample> Sampled(double seconds, const std::function<double(double)>& signal) {
  std::vector<Sample> samples;
  for (int i = 1; i * 0.008 <= seconds + 1e-9; ++i)
    samples.push_back({i * 0.008, signal(i * 0.008)});
  return samples;
}

TEST(StepResponseTest, FiguresOfAFirstOrderAndAnUnderdampedStepMatchTheirKnownAnswers) {
  // 200 rising to 1200 from 0.2 s with a time constant of 50 ms.
  constexpr double tau = 0.05, at = 0.2;
  const auto first = basScope::MeasureStep(Sampled(
      2, [&](double t) { return t < at ? 200 : 200 + 1000 * (1 - std::exp(-(t - at) / tau)); }));
  ASSERT_TRUE(first.found);
  EXPECT_EQ(first.initial, 200);
  EXPECT_NEAR(first.final, 1200, 1e-6);
  EXPECT_NEAR(first.riseTime, tau * std::log(9), 0.002);
  EXPECT_NEAR(first.rise10At, at + tau * std::log(10.0 / 9), 0.002);
  EXPECT_NEAR(first.overshootPercent, 0, 1e-9);
  EXPECT_NEAR(first.settle2, at - 0.008 + tau * std::log(50), 0.002);  // from the first sample
  EXPECT_NEAR(first.settle5, at - 0.008 + tau * std::log(20), 0.002);

  // Falling by 500 with damping 0.3 at 2 Hz: 37.2 % overshoot at pi / wd.
  constexpr double zeta = 0.3, wn = 2 * kPi * 2;
  const double wd = wn * std::sqrt(1 - zeta * zeta);
  const auto second = basScope::MeasureStep(Sampled(5, [&](double t) {
    return -500 *
           (1 - std::exp(-zeta * wn * t) *
                    (std::cos(wd * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(wd * t)));
  }));
  ASSERT_TRUE(second.found);
  EXPECT_NEAR(second.overshootPercent, 100 * std::exp(-kPi * zeta / std::sqrt(1 - zeta * zeta)),
              0.3);
  EXPECT_NEAR(second.peakAt, kPi / wd, 0.008);
  EXPECT_LT(second.peak, -680);
  EXPECT_GT(second.settle2, second.settle5);
  EXPECT_LT(second.settle5, 5);

  // No step: a flat signal, a sine, too few samples. A ramp has not settled at the end.
  EXPECT_FALSE(basScope::MeasureStep(Sampled(2, [](double) { return 7; })).found);
  EXPECT_FALSE(basScope::MeasureStep(Sampled(2, [](double t) { return std::sin(20 * t); })).found);
  EXPECT_FALSE(basScope::MeasureStep({{0.008, 0}, {0.016, 1}}).found);
  const auto ramp = basScope::MeasureStep(Sampled(1, [](double t) { return 1000 * t; }));
  ASSERT_TRUE(ramp.found);
  EXPECT_TRUE(std::isnan(ramp.settle2));
}

TEST(SpectrumTest, ASumOfSinesShowsItsFrequenciesAndAmplitudesUpToTheNyquistLimit) {
  struct Sine {
    double hz, amplitude;
  };
  const Sine sines[] = {{5, 100}, {12.34, 40}, {31.77, 10}};
  auto signal = [&](double t) {
    double v = 500;
    for (const Sine& s : sines) v += s.amplitude * std::sin(2 * kPi * s.hz * t + s.hz);
    return v;
  };
  std::vector<Sample> samples = Sampled(10, signal);
  samples.erase(samples.begin() + 400, samples.begin() + 403);  // three samples lost
  const basScope::Spectrum spectrum = basScope::MeasureSpectrum(samples);
  EXPECT_EQ(spectrum.nyquistHz, 62.5);
  EXPECT_EQ(spectrum.samples, 1250);
  EXPECT_EQ(spectrum.filled, 3);
  EXPECT_NEAR(spectrum.binHz, 0.1, 1e-12);
  EXPECT_EQ(spectrum.magnitude.size(), 626u);
  ASSERT_EQ(spectrum.peaks.size(), 3u);  // no side lobes listed
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(spectrum.peaks[i].hz, sines[i].hz, 0.01) << i;
    EXPECT_NEAR(spectrum.peaks[i].magnitude, sines[i].amplitude, sines[i].amplitude * 0.03) << i;
  }
  EXPECT_LT(spectrum.magnitude[0], 1);  // the mean is taken off
  EXPECT_TRUE(basScope::MeasureSpectrum(Sampled(0.05, signal)).magnitude.empty());
}

}  // namespace
