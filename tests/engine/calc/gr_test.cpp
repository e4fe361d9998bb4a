// G(r) of diffraction: windows, point grid, the transform against a
// sequential reference, empty and terminated runs, and the peaks of an fcc grain.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/calc/diffraction.h"
#include "engine/calc/gr.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

using namespace grainix::testing;
constexpr double kPi = std::numbers::pi;

TEST(Windowing, WeightsAndNames) {
  NoneWindow none;
  HammingWindow hamming;
  LorchWindow lorch;
  EXPECT_EQ(none.name, "none");
  EXPECT_EQ(hamming.name, "Hamming");
  EXPECT_EQ(lorch.name, "Lorch");
  const double qmax = 17.3;
  none.setQmax(qmax);
  hamming.setQmax(qmax);
  lorch.setQmax(qmax);
  EXPECT_EQ(none.scale, qmax);
  EXPECT_DOUBLE_EQ(hamming.scale, kPi / qmax * 0.5);
  EXPECT_DOUBLE_EQ(lorch.scale, kPi / qmax);
  EXPECT_EQ(none.weight(5), 1);
  EXPECT_NEAR(hamming.weight(qmax), 0.54, 1e-15);  // 0.54 + 0.46 cos(pi/2)
  EXPECT_DOUBLE_EQ(hamming.weight(0), 1);
  EXPECT_NEAR(lorch.weight(qmax), 0, 1e-15);  // sin(pi)/pi
  EXPECT_DOUBLE_EQ(lorch.weight(qmax / 2), std::sin(kPi / 2) / (kPi / 2));
  EXPECT_EQ(lorch.weight(0), 1);  // the limit, not 0/0
  EXPECT_EQ(makeWindow(windowNone)->name, "none");
  EXPECT_EQ(makeWindow(windowHamming)->name, "Hamming");
  EXPECT_EQ(makeWindow(7)->name, "Lorch");
}

// A pattern with an arbitrary uneven Q grid.
StDiffPattern samplePattern(int m) {
  StDiffPattern p;
  double q = 0.2;
  for (int j = 0; j < m; ++j) {
    p.q.push_back(q);
    p.sOfQ.push_back(1 + 0.7 * std::sin(2.51 * q) / q + 0.01 * j);
    p.twoTheta.push_back(0);
    p.intensity.push_back(0);
    q += 0.01 + 0.002 * (j % 5);
  }
  p.count = m;
  return p;
}

TEST(GrTransform, PointGridAndSequentialReference) {
  const StDiffPattern pat = samplePattern(1500);
  NoneWindow window;
  StGrPrm prm;
  prm.pattern = &pat;
  prm.window = &window;
  prm.rStart = 0;
  prm.rStop = 10;
  prm.rStep = 0.125;
  EXPECT_EQ(grPointCount(prm), 80);
  StData gr;
  const StGrOutcome out = computeGr(prm, gr);
  EXPECT_FALSE(out.terminated);
  ASSERT_EQ(gr.count, 80);
  EXPECT_EQ(gr.x[79], 9.875);
  EXPECT_EQ(gr.y[0], 0);  // sin(0) = 0
  EXPECT_EQ(window.scale, pat.q.back());
  // NoneWindow: F(j) = (S(j) - 1) Q(j) dQ(j); r accumulated by addition.
  double r = prm.rStart, scale = 0;
  for (int i = 0; i < 80; ++i) {
    if (i > 0) r += prm.rStep;
    double sum = 0;
    for (int j = 1; j < pat.count; ++j) {
      const double f = (pat.sOfQ[j] - 1) * pat.q[j] * (pat.q[j] - pat.q[j - 1]);
      sum += f * std::sin(pat.q[j] * r);
      scale += std::fabs(f);
    }
    EXPECT_EQ(gr.x[i], r);
    EXPECT_NEAR(gr.y[i], 0.6366197723675814 * sum, 1e-12 * scale) << i;
  }
  // One thread or two: the same bits.
  StData one;
  computeGr(prm, one, nullptr, nullptr, 1);
  EXPECT_EQ(one.y, gr.y);
}

TEST(GrTransform, WindowsWeightTheIntegrand) {
  const StDiffPattern pat = samplePattern(400);
  LorchWindow lorch;
  StGrPrm prm{0.5, 4, 0.5, &pat, &lorch};
  StData gr;
  computeGr(prm, gr);
  ASSERT_EQ(gr.count, 7);
  EXPECT_DOUBLE_EQ(lorch.scale, kPi / pat.q.back());
  const double r = 2.5;
  double sum = 0;
  for (int j = 1; j < pat.count; ++j)
    sum += lorch.weight(pat.q[j]) * (pat.sOfQ[j] - 1) * pat.q[j] * (pat.q[j] - pat.q[j - 1]) * std::sin(pat.q[j] * r);
  EXPECT_NEAR(gr.y[4], 0.6366197723675814 * sum, 1e-12 * std::fabs(sum) + 1e-13);
}

TEST(GrTransform, EmptyRangesOnePointAndStop) {
  const StDiffPattern pat = samplePattern(50);
  NoneWindow window;
  StData gr;
  gr.count = 2;
  gr.x = {1, 2};
  gr.y = {1, 2};
  // rStop <= rStart, and a step larger than the range: count 0.
  for (StGrPrm prm : {StGrPrm{5, 5, 0.1, &pat, &window}, StGrPrm{5, 1, 0.1, &pat, &window},
                      StGrPrm{0, 1, 2, &pat, &window}, StGrPrm{0, 1, 0, &pat, &window}}) {
    computeGr(prm, gr);
    EXPECT_EQ(gr.count, 0);
    EXPECT_TRUE(gr.x.empty());
  }
  // A pattern of one point: F(0) = 0, so G = 0 everywhere.
  const StDiffPattern single = samplePattern(1);
  computeGr(StGrPrm{0, 3, 0.5, &single, &window}, gr);
  ASSERT_EQ(gr.count, 6);
  for (double g : gr.y) EXPECT_EQ(g, 0);
  // STOP before the first point: r is laid out, G stays 0.
  CancelToken token;
  token.request();
  const StGrOutcome out = computeGr(StGrPrm{0, 3, 0.5, &pat, &window}, gr, nullptr, &token);
  EXPECT_TRUE(out.terminated);
  ASSERT_EQ(gr.count, 6);
  EXPECT_EQ(gr.x[5], 2.5);
  for (double g : gr.y) EXPECT_EQ(g, 0);
}

// G(r) of an fcc grain peaks at the first three neighbour distances.
TEST(GrPhysics, FccNeighbourPeaks) {
  const double a = 3.52;
  const vGrainNodes nodes = fccGrain(a, 11, 0, "Ni");
  const PdhList pdh = naivePdh(nodes, 23, 0.001);
  StDiffrPrm dp;
  dp.lambda = 0.56;  // Ag
  dp.k = 11.2199;
  dp.start = 2;
  dp.stop = 170;
  dp.step = 0.05;
  dp.useFactors = false;
  dp.nodes = &nodes;
  dp.pdh = &pdh;
  StDiffPattern pat;
  runDiffraction(dp, nullptr, 0, pat);
  ASSERT_GT(pat.count, 3000);
  LorchWindow lorch;
  const double step = 0.01;
  StGrPrm prm{1, 6, step, &pat, &lorch};
  StData gr;
  computeGr(prm, gr);
  auto peakNear = [&](double want) {
    double best = -1e300, at = 0;
    for (int i = 0; i < gr.count; ++i)
      if (std::fabs(gr.x[i] - want) < 0.3 && gr.y[i] > best) {
        best = gr.y[i];
        at = gr.x[i];
      }
    return at;
  };
  for (double want : {a / std::sqrt(2.0), a, a * std::sqrt(1.5)})
    EXPECT_NEAR(peakNear(want), want, step * 1.0001) << want;
}

}  // namespace
}  // namespace grainix
