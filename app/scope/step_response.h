// Step response figures of a sampled signal (no widgets, no Qt): where it started and where it
// settled, how fast it rose, how far it overshot and when it stayed within ±2 % and ±5 %.
#pragma once

#include <limits>
#include <vector>

namespace basScope {

struct Sample {
  double seconds;
  double value;
};

struct StepFigures {
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  // False when the range holds no step: too few samples, or a final value no further from the
  // initial one than the signal still wanders at the end.
  bool found = false;
  double start = kNone;                       // time of the range's first sample
  double initial = kNone;                     // the first sample's value
  double final = kNone;                       // the mean of the last tenth of the range
  double rise10At = kNone, rise90At = kNone;  // times of the first 10 % and 90 % crossings
  double riseTime = kNone;                    // 10 % to 90 %
  double peakAt = kNone, peak = kNone;        // the furthest point in the step's direction
  double overshootPercent = kNone;            // beyond the final value, 0 without overshoot
  // Settling: from the range's start until the signal stays within the band around the final
  // value; kNone when it leaves the band again at the very end of the range.
  double settle2 = kNone, settle5 = kNone;
  double settle2At = kNone, settle5At = kNone;
};

// The samples in time order, as the drive took them (gaps are allowed).
StepFigures MeasureStep(const std::vector<Sample>& samples);

}  // namespace basScope
