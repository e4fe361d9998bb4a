#pragma once
// The powder diffraction pattern by the Debye scattering equation evaluated
// over the pair-distance histogram (one element) or the partial histograms
// (one per pair of elements), with X-ray scattering factors or neutron
// scattering lengths.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"

namespace grainix {

inline constexpr const char* kAtomTypeUndefined = "Type of atoms not defined";
inline constexpr const char* kEmptyPattern = "Empty set. STOP";
// More points than this are refused as an empty pattern (a step typed far
// too small would otherwise exhaust the memory).
inline constexpr int64_t kMaxPatternPoints = int64_t{1} << 25;

// What a run decided besides the pattern itself.
struct StDiffractionOutcome {
  bool refused = false;     // undefined atom type: the pattern is empty
  bool beep = false;        // sound the beep before the box
  int beepFrequency = 100;  // Hz
  int beepDuration = 300;   // ms
  std::vector<StMessage> messages;  // the "Type of atoms not defined" box (OK button)
  bool terminated = false;  // the cancel token stopped the sums
  int64_t points = 0;       // points of the stored pattern
};

// Number of points: mode 0 trunc(floor((stop/2 - start/2) / step) * 2) (the
// stop angle excluded), mode 1 trunc(floor((stop - start) / step + 1)).
// May be <= 0; non-finite or huge counts give 0.
int64_t diffractionPointCount(const StDiffrPrm& prm, int mode);

// theta (radians) of the `points` grid points: start/2 in radians, then
// adding step/2 in radians point by point.
std::vector<double> diffractionAngles(const StDiffrPrm& prm, int64_t points);

// Runs mode 0 (monoatomic, from prm.pdh) or mode 1 (two or more elements,
// from `partial`) and replaces `result`. The sums stop when `cancel` is
// requested; the remaining points are still stored with sums of 0 (S = 1).
// `threads` 0 uses every core.
StDiffractionOutcome runDiffraction(const StDiffrPrm& prm, const StIDCalcResults* partial, int mode,
                                    StDiffPattern& result, ProgressSink* gauge = nullptr,
                                    const CancelToken* cancel = nullptr, int threads = 0);

// EstartChange: Q = (4 pi / lambda) sin(angle/2 in radians) for a 2theta angle in degrees.
double qOfTwoTheta(double twoThetaDegrees, double lambda);
// The paired read-only edit's text for an angle edit's text: unchanged
// (returns ok with `qText` untouched) when the angle text is empty; the
// conversion error when a text is not a number; else Q in general format, 5 digits.
StCommandResult mirrorAngleAsQ(const std::string& angleText, const std::string& lambdaText, std::string& qText);

}  // namespace grainix
