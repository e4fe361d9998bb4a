#include "engine/plot/filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace grainix {
namespace {

std::vector<double> kernelOf(FilterKind kind, int m) {
  std::vector<double> c;
  std::string error;
  EXPECT_TRUE(makeKernel(kind, m, c, &error)) << error;
  return c;
}

TEST(FilterKernels, SmoothingCentreValuesForDefaultHalfWidth) {
  const auto sg23 = kernelOf(FilterKind::SG23, 10);
  const auto sg45 = kernelOf(FilterKind::SG45, 10);
  ASSERT_EQ(sg23.size(), 21u);
  ASSERT_EQ(sg45.size(), 21u);
  EXPECT_NEAR(sg23[10], 987.0 / 9177.0, 1e-15);
  EXPECT_NEAR(sg45[10], 176012.0 / 1040060.0, 1e-15);
  // Symmetric smoothing kernels.
  for (int j = 0; j < 21; ++j) {
    EXPECT_DOUBLE_EQ(sg23[j], sg23[20 - j]);
    EXPECT_DOUBLE_EQ(sg45[j], sg45[20 - j]);
  }
}

TEST(FilterKernels, SmoothingKernelsSumToOneForEveryValidHalfWidth) {
  for (FilterKind kind : {FilterKind::MovingAverage, FilterKind::SG23, FilterKind::SG45}) {
    for (int m : {0, 1, 2, 3, 5, 10, 15, 16, 50, 400, 5000}) {
      const auto c = kernelOf(kind, m);
      ASSERT_EQ(c.size(), 2u * m + 1);
      EXPECT_NEAR(std::accumulate(c.begin(), c.end(), 0.0), 1.0, 1e-9) << filterName(kind) << " m=" << m;
    }
  }
}

TEST(FilterKernels, ZeroHalfWidthSmoothingIsIdentity) {
  for (FilterKind kind : {FilterKind::MovingAverage, FilterKind::SG23, FilterKind::SG45}) {
    const auto c = kernelOf(kind, 0);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_DOUBLE_EQ(c[0], 1.0);
  }
}

TEST(FilterKernels, SmoothingPreservesPolynomialsOfItsDegreeInside) {
  // SG 23 reproduces cubics and SG 45 quintics away from the ends.
  std::vector<double> cubic(40), quintic(40);
  for (int i = 0; i < 40; ++i) {
    const double t = i * 0.1 - 2;
    cubic[i] = 1 + 2 * t - 0.5 * t * t + 0.3 * t * t * t;
    quintic[i] = cubic[i] + 0.01 * t * t * t * t - 0.02 * t * t * t * t * t;
  }
  const int m = 6;
  const auto s23 = convolveCentred(cubic, kernelOf(FilterKind::SG23, m));
  const auto s45 = convolveCentred(quintic, kernelOf(FilterKind::SG45, m));
  for (int i = m; i < 40 - m; ++i) {
    EXPECT_NEAR(s23[i], cubic[i], 1e-10) << i;
    EXPECT_NEAR(s45[i], quintic[i], 1e-10) << i;
  }
}

TEST(FilterKernels, DerivativesOfIndexRampAreOneInside) {
  std::vector<double> ramp(10);
  std::iota(ramp.begin(), ramp.end(), 0.0);
  const auto d23 = convolveCentred(ramp, kernelOf(FilterKind::DerivSG23, 2));
  for (int i = 2; i <= 7; ++i) EXPECT_NEAR(d23[i], 1.0, 1e-12) << i;
  EXPECT_LT(d23[0], 1.0);  // the missing neighbours beyond the ends attenuate

  std::vector<double> longRamp(60);
  std::iota(longRamp.begin(), longRamp.end(), 0.0);
  for (FilterKind kind : {FilterKind::DerivSG23, FilterKind::DerivSG45}) {
    for (int m : {2, 3, 7, 10, 15}) {
      const auto d = convolveCentred(longRamp, kernelOf(kind, m));
      for (int i = m; i < 60 - m; ++i) EXPECT_NEAR(d[i], 1.0, 1e-9) << filterName(kind) << " m=" << m << " i=" << i;
    }
  }
}

TEST(FilterKernels, DerivativeOfCubicWithDegreeFourKernel) {
  // derivSG 45 differentiates a cubic exactly (per index step).
  std::vector<double> y(50);
  for (int i = 0; i < 50; ++i) y[i] = 0.001 * i * i * i - 0.05 * i * i + i;
  const auto d = convolveCentred(y, kernelOf(FilterKind::DerivSG45, 5));
  for (int i = 5; i < 45; ++i) EXPECT_NEAR(d[i], 0.003 * i * i - 0.1 * i + 1, 1e-9) << i;
}

TEST(FilterKernels, MovingAverageAttenuatesTheEnds) {
  const auto out = convolveCentred({3, 3, 3, 3}, kernelOf(FilterKind::MovingAverage, 1));
  ASSERT_EQ(out.size(), 4u);
  EXPECT_DOUBLE_EQ(out[0], 2);
  EXPECT_DOUBLE_EQ(out[1], 3);
  EXPECT_DOUBLE_EQ(out[2], 3);
  EXPECT_DOUBLE_EQ(out[3], 2);
}

TEST(FilterKernels, KernelWiderThanSeriesStillCentred) {
  // A single point spread by a 5-wide moving average keeps only its own share.
  const auto out = convolveCentred({10}, kernelOf(FilterKind::MovingAverage, 2));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_DOUBLE_EQ(out[0], 2);
  EXPECT_TRUE(convolveCentred({}, kernelOf(FilterKind::SG23, 3)).empty());
}

TEST(FilterKernels, DegenerateHalfWidthsAreRefused) {
  struct Case {
    FilterKind kind;
    int m;
    bool ok;
  };
  const Case cases[] = {
      {FilterKind::MovingAverage, -1, false}, {FilterKind::SG23, -3, false},       {FilterKind::SG45, -1, false},
      {FilterKind::DerivSG23, 0, false},      {FilterKind::DerivSG23, 1, true},    {FilterKind::DerivSG45, 0, false},
      {FilterKind::DerivSG45, 1, false},      {FilterKind::DerivSG45, 2, true},    {FilterKind::DerivSG45, 15, true},
      {FilterKind::DerivSG45, 16, false},     {FilterKind::SG45, 16, true},        {FilterKind::MovingAverage, 0, true},
      {FilterKind::SG23, kMaxKernelHalfWidth + 1, false},
  };
  for (const auto& c : cases) {
    std::vector<double> kernel{42.0};
    std::string error;
    EXPECT_EQ(makeKernel(c.kind, c.m, kernel, &error), c.ok) << filterName(c.kind) << " m=" << c.m;
    EXPECT_EQ(kernelRefusal(c.kind, c.m).has_value(), !c.ok);
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      EXPECT_NE(error.find(std::to_string(c.m)), std::string::npos) << error;
      EXPECT_EQ(kernel, std::vector<double>{42.0}) << "a refused kernel leaves the old one";
    }
  }
  // Every accepted derivative kernel has finite coefficients.
  for (int m = 2; m <= kMaxDerivSG45HalfWidth; ++m)
    for (double c : kernelOf(FilterKind::DerivSG45, m)) EXPECT_TRUE(std::isfinite(c)) << m;
}

TEST(FilterNames, AsShownInTitles) {
  EXPECT_EQ(filterName(FilterKind::MovingAverage), "moving average filter");
  EXPECT_EQ(filterName(FilterKind::SG23), "Savitzky-Golay 23 filter");
  EXPECT_EQ(filterName(FilterKind::SG45), "Savitzky-Golay 45 filter");
  EXPECT_EQ(filterName(FilterKind::DerivSG23), "Savitzky-Golay derivative 2 filter");
  EXPECT_EQ(filterName(FilterKind::DerivSG45), "Savitzky-Golay derivative 34 filter");
}

TEST(AmplitudeReduction, DomainAndNormalisationCases) {
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::Log10, {100, 0, -5}), (std::vector<double>{2, 0, 0}));
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::Sqrt, {16, 0, -4, 2.25}), (std::vector<double>{4, 0, 0, 1.5}));
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::NoMod, {-1, 7}), (std::vector<double>{-1, 7}));
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::Norm, {-8, 0, 4, 2}), (std::vector<double>{-1, 0, 0.5, 0.25}));
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::Norm, {0, 0, 0}), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(reduceAmplitude(AmplitudeKind::Norm, {3, 6}), (std::vector<double>{0.5, 1}));
}

TEST(DerivedSeries, ReductionCopiesLooksAndFilterRenamesAndDrawsLines) {
  SeriesDesc a;
  a.x = {1, 2, 3};
  a.y = {100, 10, 1};
  a.color = kColorRed;
  a.style = kStyleComb;
  a.penWidth = 3;
  a.title = "diagram: 4";
  a.hint = "h";
  const auto r = deriveReduced({a}, AmplitudeKind::Log10);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].x, a.x);
  EXPECT_EQ(r[0].y, (std::vector<double>{2, 1, 0}));
  EXPECT_EQ(r[0].color, kColorRed);
  EXPECT_EQ(r[0].style, kStyleComb);
  EXPECT_EQ(r[0].penWidth, 3u);
  EXPECT_EQ(r[0].title, "diagram: 4");

  std::vector<double> kernel;
  ASSERT_TRUE(makeKernel(FilterKind::MovingAverage, 1, kernel));
  const auto f = deriveFiltered({a, a}, kernel, filterName(FilterKind::MovingAverage));
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[1].style, kStyleLine);
  EXPECT_EQ(f[1].penWidth, 3u);
  EXPECT_EQ(f[1].color, kColorRed);
  EXPECT_EQ(f[1].title, "diagram: 4 filtered by moving average filter");
  EXPECT_EQ(f[1].x, a.x);
  EXPECT_NEAR(f[1].y[1], 37, 1e-12);
}

}  // namespace
}  // namespace grainix
