#include "engine/plot/filters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace grainix {

double amplitudeValue(AmplitudeKind kind, double y) {
  switch (kind) {
    case AmplitudeKind::Sqrt: return y >= 0 ? std::sqrt(y) : 0.0;
    case AmplitudeKind::Log10: return y > 0 ? std::log10(y) : 0.0;
    case AmplitudeKind::NoMod:
    case AmplitudeKind::Norm: break;
  }
  return y;
}

std::vector<double> reduceAmplitude(AmplitudeKind kind, const std::vector<double>& y) {
  std::vector<double> out(y.size());
  if (kind == AmplitudeKind::Norm) {
    double d = 0;
    if (!y.empty()) {
      const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
      d = std::max(std::fabs(*lo), std::fabs(*hi));
    }
    if (d == 0) d = 1;
    for (std::size_t i = 0; i < y.size(); ++i) out[i] = y[i] / d;
    return out;
  }
  for (std::size_t i = 0; i < y.size(); ++i) out[i] = amplitudeValue(kind, y[i]);
  return out;
}

std::string filterName(FilterKind kind) {
  switch (kind) {
    case FilterKind::MovingAverage: return "moving average filter";
    case FilterKind::SG23: return "Savitzky-Golay 23 filter";
    case FilterKind::SG45: return "Savitzky-Golay 45 filter";
    case FilterKind::DerivSG23: return "Savitzky-Golay derivative 2 filter";
    case FilterKind::DerivSG45: return "Savitzky-Golay derivative 34 filter";
  }
  return {};
}

std::optional<std::string> kernelRefusal(FilterKind kind, int m) {
  const std::string head = "(Kernel size-1)/2 = " + std::to_string(m) + ": ";
  if (m < 0) return head + "the value must not be negative.";
  if (m > kMaxKernelHalfWidth)
    return head + "the value must not exceed " + std::to_string(kMaxKernelHalfWidth) + ".";
  if (kind == FilterKind::DerivSG23 && m < 1) return head + "the derivative filter needs a value of at least 1.";
  if (kind == FilterKind::DerivSG45) {
    if (m < 2) return head + "the derivative filter of degree 3/4 needs a value of at least 2.";
    if (m > kMaxDerivSG45HalfWidth)
      return head + "the derivative filter of degree 3/4 accepts values up to " +
             std::to_string(kMaxDerivSG45HalfWidth) + ".";
  }
  return std::nullopt;
}

double sgCoefficient(FilterKind kind, int mi, int ti) {
  // Numerators and denominators are whole numbers; long double keeps them
  // exact far beyond the 32-bit range so wide kernels stay correct.
  const long double m = mi, t = ti;
  switch (kind) {
    case FilterKind::SG23:
      return static_cast<double>((3 * (3 * m * m + 3 * m - 1) - 15 * t * t) /
                                 ((2 * m + 3) * (2 * m + 1) * (2 * m - 1)));
    case FilterKind::SG45: {
      const long double p = 15 * m * m * m * m + 30 * m * m * m - 35 * m * m - 50 * m + 12;
      const long double q = 35 * ((2 * m + 2) * m) - 105;
      const long double t2 = t * t;
      const long double b = (2 * m + 5) * (2 * m + 3) * (2 * m + 1) * (2 * m - 1) * (2 * m - 3) * 4 / 15.0L;
      return static_cast<double>((p - q * t2 + 63 * t2 * t2) / b);
    }
    case FilterKind::DerivSG23:
      return static_cast<double>(3 * t / (m * (m + 1) * (-2 * m - 1)));
    case FilterKind::DerivSG45: {
      // The denominator is a 32-bit product for every accepted m (<= 15).
      const std::int64_t d = std::int64_t{-2 * mi - 3} * (2 * mi + 1) * (2 * mi - 1) * (mi + 2) * (mi + 1) * mi * (mi - 1);
      const long double num = 25 * (3 * m * m * m * m + 6 * m * m * m - 3 * m + 1) * t -
                              35 * (3 * m * m + 3 * m - 1) * t * t * t;
      return static_cast<double>(num / static_cast<long double>(d));
    }
    case FilterKind::MovingAverage: break;
  }
  return 1.0 / (2.0 * mi + 1.0);
}

bool makeKernel(FilterKind kind, int m, std::vector<double>& kernel, std::string* error) {
  if (auto why = kernelRefusal(kind, m)) {
    if (error) *error = *why;
    return false;
  }
  const std::size_t k = 2 * static_cast<std::size_t>(m) + 1;
  std::vector<double> c(k);
  for (std::size_t j = 0; j < k; ++j) {
    const int t = static_cast<int>(j) - m;
    c[j] = kind == FilterKind::MovingAverage ? 1.0 / static_cast<double>(k) : sgCoefficient(kind, m, t);
  }
  kernel = std::move(c);
  return true;
}

std::vector<double> convolveCentred(const std::vector<double>& y, const std::vector<double>& kernel) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(y.size());
  const std::ptrdiff_t k = static_cast<std::ptrdiff_t>(kernel.size());
  const std::ptrdiff_t m = (k - 1) / 2;
  std::vector<double> out(y.size(), 0.0);
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    // out[i] = sum_j c[j] * y[i + m - j] over the j that index inside y.
    const std::ptrdiff_t jLo = std::max<std::ptrdiff_t>(0, i + m - (n - 1));
    const std::ptrdiff_t jHi = std::min<std::ptrdiff_t>(k - 1, i + m);
    double s = 0;
    for (std::ptrdiff_t j = jLo; j <= jHi; ++j) s += kernel[static_cast<std::size_t>(j)] * y[static_cast<std::size_t>(i + m - j)];
    out[static_cast<std::size_t>(i)] = s;
  }
  return out;
}

std::vector<SeriesDesc> deriveReduced(const std::vector<SeriesDesc>& sources, AmplitudeKind kind) {
  std::vector<SeriesDesc> out;
  out.reserve(sources.size());
  for (const auto& s : sources) {
    SeriesDesc d;
    d.x = s.x;
    d.y = reduceAmplitude(kind, s.y);
    d.color = s.color;
    d.style = s.style;
    d.penWidth = s.penWidth;
    d.title = s.title;
    d.hint = s.hint;
    out.push_back(std::move(d));
  }
  return out;
}

std::vector<SeriesDesc> deriveFiltered(const std::vector<SeriesDesc>& sources, const std::vector<double>& kernel,
                                       const std::string& name) {
  std::vector<SeriesDesc> out;
  out.reserve(sources.size());
  for (const auto& s : sources) {
    SeriesDesc d;
    d.x = s.x;
    d.y = convolveCentred(s.y, kernel);
    d.color = s.color;
    d.style = kStyleLine;
    d.penWidth = s.penWidth;
    d.title = s.title + " filtered by " + name;
    d.hint = s.hint;
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace grainix
