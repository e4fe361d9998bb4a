#pragma once
// Transforms of the plotted y values offered by the side panel of a diagram
// window: amplitude reduction (none, sqrt, log10), normalisation to 1, and
// denoising by convolution with a moving-average kernel or with
// Savitzky-Golay kernels for smoothing and for the first derivative.
// The x values are never touched; every transform returns new y values.
#include <optional>
#include <string>
#include <vector>

#include "engine/plot/diagram_desc.h"

namespace grainix {

// ---- amplitude reduction and normalisation ----

enum class AmplitudeKind {
  NoMod,   // "no mod."    y' = y
  Sqrt,    // "sqrt"       y' = sqrt(y) for y >= 0, else 0
  Log10,   // "log10"      y' = log10(y) for y > 0, else 0
  Norm,    // "norm to 1"  y' = y / max(|min y|, |max y|), divisor 1 for an all-zero series
};

// Memo prefix of every window derived by a reduction or a filter.
inline constexpr const char* kDerivedMemoPrefix = "amplitude reduction ";

double amplitudeValue(AmplitudeKind kind, double y);  // NoMod, Sqrt, Log10 only
std::vector<double> reduceAmplitude(AmplitudeKind kind, const std::vector<double>& y);

// ---- convolution filters ----

enum class FilterKind {
  MovingAverage,  // "Moving Avg."
  SG23,           // "SG 23"        smoothing, polynomial degree 2 or 3
  SG45,           // "SG 45"        smoothing, polynomial degree 4 or 5
  DerivSG23,      // "deriv SG 23"  first derivative, degree 2
  DerivSG45,      // "derivSG 45"   first derivative, degree 3 or 4
};

// The name appended to filtered series titles: "moving average filter",
// "Savitzky-Golay 23 filter", ...
std::string filterName(FilterKind kind);

// Largest half-width any kernel accepts; wider kernels only smear the data
// into zeros and would take the memory of the machine for absurd inputs.
inline constexpr int kMaxKernelHalfWidth = 100000;
// The derivative of degree 3/4 has an integer denominator that leaves the
// 32-bit range beyond this half-width.
inline constexpr int kMaxDerivSG45HalfWidth = 15;

// Why a half-width m cannot make a kernel of this kind (empty when it can):
// m < 0 for every kernel, m = 0 for both derivatives (zero denominator),
// m = 1 for "derivSG 45" (zero denominator), m > 15 for "derivSG 45".
std::optional<std::string> kernelRefusal(FilterKind kind, int m);

// Kernel c[0..2m] with c[j] = C(j - m). Returns false (kernel untouched)
// when kernelRefusal() refuses m; `error` then receives the reason.
bool makeKernel(FilterKind kind, int m, std::vector<double>& kernel, std::string* error = nullptr);

// Savitzky-Golay coefficient C(t), t = -m..m, for the four SG kinds (no checks).
double sgCoefficient(FilterKind kind, int m, int t);

// Centred full convolution with zeros beyond both ends:
// y'[i] = sum_{t=-m..m} C(t) * y[i - t], m = (kernel size - 1) / 2.
// The first and last m values are attenuated by the missing neighbours.
std::vector<double> convolveCentred(const std::vector<double>& y, const std::vector<double>& kernel);

// ---- derived windows ----

// The series of a window derived by a reduction: one per checked source
// series, in list order, with the source x, transformed y, and the source
// colour, style, pen width and title. `sources` are the checked series only.
std::vector<SeriesDesc> deriveReduced(const std::vector<SeriesDesc>& sources, AmplitudeKind kind);

// The series of a window derived by a filter: source x, filtered y, colour
// and pen width copied, drawn as lines, title = source title +
// " filtered by " + filter name; the list entry keeps the source title.
std::vector<SeriesDesc> deriveFiltered(const std::vector<SeriesDesc>& sources, const std::vector<double>& kernel,
                                       const std::string& filterName);

}  // namespace grainix
