// Diffraction pattern: angle grid and point counts, the Debye equation over
// the histogram against sequential references and against the exact double
// sum over atom pairs (one element, and two in unequal numbers), Bragg peak
// positions, refusals and termination.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <algorithm>
#include <random>

#include "engine/calc/diffraction.h"
#include "engine/calc/diffraction_kernels.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

using namespace grainix::testing;

constexpr double kPi = std::numbers::pi;

StDiffrPrm cuPrm(double start, double stop, double step) {
  StDiffrPrm p;
  p.lambda = 1.5444;
  p.k = 4.06836;
  p.start = start;
  p.stop = stop;
  p.step = step;
  return p;
}

// The plain sequential mode-0 loop, term by term as the equation reads.
void sequentialMode0(const StDiffrPrm& prm, const StScatEquPrm* element, StDiffPattern& out) {
  const int64_t points = diffractionPointCount(prm, 0);
  const double n = static_cast<double>(prm.nodes->size());
  out.release();
  double theta = prm.start * 0.5 * kPi * (1.0 / 180);
  const double dTheta = prm.step * kPi * (1.0 / 180) * 0.5;
  for (int64_t i = 0; i < points; ++i) {
    if (i > 0) theta += dTheta;
    const double sn = std::sin(theta);
    const double q = 2 * sn * prm.k;
    double sum = 0;
    for (const StLiczOdl& b : *prm.pdh) {
      if (b.card == 0) continue;
      const double x = q * b.r;
      sum += x == 0 ? b.card : b.card * std::sin(x) / x;
    }
    const double f = element ? scatteringFactor(*element, sn / prm.lambda) : 1.0;
    const double s = (2 / n) * sum + 1;
    out.twoTheta.push_back(2 * theta);
    out.q.push_back(q);
    out.sOfQ.push_back(s);
    out.intensity.push_back(n * f * f * s);
  }
  out.count = static_cast<int32_t>(points);
}

void expectRelative(const std::vector<double>& got, const std::vector<double>& want, double tol, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  double worst = 0;
  for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::fabs(got[i] - want[i]) / std::fabs(want[i]));
  EXPECT_LE(worst, tol) << what;
}

TEST(DiffractionKernel, SineAgreesWithLibrary) {
  std::mt19937_64 rng(7);
  double worst = 0;
  for (double scale : {1.0, 10.0, 1e3, 1e5, 5e7}) {
    std::uniform_real_distribution<double> u(-scale, scale);
    for (int i = 0; i < 20000; ++i) {
      const double x = u(rng);
      const double want = std::sin(x);
      // Absolute error against the argument's own ulp-level uncertainty.
      worst = std::max(worst, std::fabs(kernelSin(x) - want) / std::max(std::fabs(want), 1e-300) *
                                  (std::fabs(want) < 1e-3 ? 0 : 1));
      EXPECT_NEAR(kernelSin(x), want, 4e-16 * std::max(1.0, std::fabs(x) * 1e-6)) << x;
    }
  }
  EXPECT_LT(worst, 1e-15);
  EXPECT_EQ(kernelSin(0.0), 0.0);
  EXPECT_EQ(kernelSin(kPi / 2), 1.0);
  // The weighted sum matches its lanes summed in lane order.
  std::vector<double> a(64), w(64);
  for (size_t j = 0; j < a.size(); ++j) {
    a[j] = 0.37 * static_cast<double>(j + 1);
    w[j] = 1.0 / static_cast<double>(j + 3);
  }
  double lanes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (size_t j = 0; j < a.size(); ++j) lanes[j % 8] += w[j] * kernelSin(a[j] * 2.5);
  double want = 0;
  for (double l : lanes) want += l;
  EXPECT_EQ(sumWeightedSin(a.data(), w.data(), a.size(), 2.5), want) << kernelPath();
}

TEST(DiffractionGrid, PointCountsAndAccumulatedAngles) {
  StDiffrPrm p = cuPrm(0, 100, 0.5);
  EXPECT_EQ(diffractionPointCount(p, 0), 200);  // stop excluded
  EXPECT_EQ(diffractionPointCount(p, 1), 201);  // stop included
  const std::vector<double> theta = diffractionAngles(p, 201);
  double t = 0;
  for (int i = 1; i <= 199; ++i) t += 0.5 * kPi * (1.0 / 180) * 0.5;
  EXPECT_EQ(theta[199], t);  // accumulated by addition
  EXPECT_NEAR(theta[199] * 2 * 180 / kPi, 99.5, 1e-9);
  EXPECT_NEAR(theta[200] * 2 * 180 / kPi, 100, 1e-9);
  // Mode 0 counts pairs of steps: 99.7 degrees of range hold 198 points.
  EXPECT_EQ(diffractionPointCount(cuPrm(0.3, 100, 0.5), 0), 198);
  // Empty ranges and nonsense steps.
  EXPECT_EQ(diffractionPointCount(cuPrm(50, 50, 0.5), 0), 0);
  EXPECT_EQ(diffractionPointCount(cuPrm(60, 50, 0.5), 1), 0);
  EXPECT_EQ(diffractionPointCount(cuPrm(10, 50, 0), 0), 0);
  EXPECT_EQ(diffractionPointCount(cuPrm(10, 50, 1e-12), 0), 0);  // far too many points
  EXPECT_EQ(diffractionPointCount(cuPrm(10, 11, 2), 0), 0);
}

TEST(DiffractionGrid, AngleEditMirrorsQ) {
  std::string q = "old";
  EXPECT_TRUE(mirrorAngleAsQ("60", "1.5444", q).ok);
  EXPECT_EQ(q, "4.0684");
  EXPECT_NEAR(qOfTwoTheta(60, 1.5444), 4 * kPi / 1.5444 * 0.5, 1e-12);
  q = "keep";
  EXPECT_TRUE(mirrorAngleAsQ("", "1.5444", q).ok);
  EXPECT_EQ(q, "keep");
  const StCommandResult bad = mirrorAngleAsQ("6O", "1.5444", q);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.messages.at(0).kind, MessageKind::ConversionError);
  EXPECT_EQ(q, "keep");
}

class Mode0Test : public ::testing::Test {
 protected:
  void SetUp() override {
    table = shippedTable();
    ni = elementIndex(table, "Ni");
    nodes = fccGrain(3.52, 8, ni);
    pdh = naivePdh(nodes, 17, 0.001);
    prm = cuPrm(0, 100, 0.5);
    prm.nodes = &nodes;
    prm.pdh = &pdh;
    prm.table = &table;
  }
  ElementTable table;
  int ni = -1;
  vGrainNodes nodes;
  PdhList pdh;
  StDiffrPrm prm;
};

TEST_F(Mode0Test, ZeroAngleGivesNAndOmittedFactorsGiveNS) {
  StDiffPattern pat;
  const StDiffractionOutcome out = runDiffraction(prm, nullptr, 0, pat);
  ASSERT_FALSE(out.refused);
  ASSERT_EQ(pat.count, 200);
  const double n = static_cast<double>(nodes.size());
  const double f0 = scatteringFactor(table[ni], 0);
  EXPECT_EQ(pat.q[0], 0);
  EXPECT_EQ(pat.twoTheta[0], 0);
  EXPECT_DOUBLE_EQ(pat.sOfQ[0], n);  // 1 + (2/N) N(N-1)/2
  EXPECT_DOUBLE_EQ(pat.intensity[0], n * n * f0 * f0);
  EXPECT_NEAR(pat.twoTheta[199] * 180 / kPi, 99.5, 1e-9);

  prm.useFactors = false;  // anode "X"
  StDiffPattern x;
  runDiffraction(prm, nullptr, 0, x);
  ASSERT_EQ(x.count, 200);
  for (int i = 0; i < x.count; ++i) EXPECT_DOUBLE_EQ(x.intensity[i], n * x.sOfQ[i]);
  // Scattering factors do not change S.
  for (int i = 0; i < x.count; ++i) EXPECT_EQ(x.sOfQ[i], pat.sOfQ[i]);
}

TEST_F(Mode0Test, MatchesSequentialLoopOnEveryThreadCount) {
  prm = cuPrm(2, 170, 0.05);
  prm.nodes = &nodes;
  prm.pdh = &pdh;
  prm.table = &table;
  prm.lambda = 0.56;
  prm.k = 11.2199;
  StDiffPattern want;
  sequentialMode0(prm, &table[ni], want);
  for (int threads : {1, 2, 3}) {
    StDiffPattern got;
    runDiffraction(prm, nullptr, 0, got, nullptr, nullptr, threads);
    ASSERT_EQ(got.count, want.count);
    expectRelative(got.sOfQ, want.sOfQ, 1e-12, "S");
    expectRelative(got.intensity, want.intensity, 1e-12, "I");
    EXPECT_EQ(got.q, want.q);
    EXPECT_EQ(got.twoTheta, want.twoTheta);
  }
}

TEST(Mode0Large, AllBinsOccupiedMatchesSequentialLoop) {
  // 60,000 occupied bins of width 0.001 with uneven counts.
  PdhList pdh;
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> cards(1, 5000);
  for (int k = 0; k < 60000; ++k) pdh.push_back({k * 0.001, cards(rng), 0, 0, 0});
  vGrainNodes nodes(30000);
  for (auto& n : nodes) n.elementIndex = 0;
  ElementTable table = shippedTable();
  StDiffrPrm prm = cuPrm(5, 155, 1);  // a sample of the 1,500 points of the benchmark
  prm.nodes = &nodes;
  prm.pdh = &pdh;
  prm.table = &table;
  StDiffPattern got, want;
  runDiffraction(prm, nullptr, 0, got);
  sequentialMode0(prm, &table[0], want);
  ASSERT_EQ(got.count, 150);
  expectRelative(got.sOfQ, want.sOfQ, 1e-12, "S");
  expectRelative(got.intensity, want.intensity, 1e-12, "I");
}

TEST_F(Mode0Test, UndefinedAtomTypeIsRefusedWithBeep) {
  StDiffPattern pat;
  pat.count = 3;
  pat.q = {1, 2, 3};
  nodes[0].elementIndex = -1;
  StDiffractionOutcome out = runDiffraction(prm, nullptr, 0, pat);
  EXPECT_TRUE(out.refused);
  EXPECT_TRUE(out.beep);
  EXPECT_EQ(out.beepFrequency, 100);
  EXPECT_EQ(out.beepDuration, 300);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0].text, "Type of atoms not defined");
  EXPECT_EQ(pat.count, 0);
  EXPECT_TRUE(pat.q.empty());
  // An index beyond the table cannot be given a factor either.
  nodes[0].elementIndex = static_cast<int32_t>(table.size());
  EXPECT_TRUE(runDiffraction(prm, nullptr, 0, pat).refused);
  // ... unless factors are omitted.
  prm.useFactors = false;
  EXPECT_FALSE(runDiffraction(prm, nullptr, 0, pat).refused);
  EXPECT_EQ(pat.count, 200);
  // No atoms at all.
  vGrainNodes none;
  prm.nodes = &none;
  EXPECT_TRUE(runDiffraction(prm, nullptr, 0, pat).refused);
}

TEST_F(Mode0Test, EmptyRangeGivesEmptyPattern) {
  prm.start = 100;
  prm.stop = 50;
  StDiffPattern pat;
  pat.count = 1;
  pat.q = {1};
  const StDiffractionOutcome out = runDiffraction(prm, nullptr, 0, pat);
  EXPECT_FALSE(out.refused);
  EXPECT_EQ(pat.count, 0);
  EXPECT_TRUE(pat.q.empty());
}

// A gauge that presses STOP once the pattern is under way.
class StopAt : public RecordingProgress {
 public:
  StopAt(CancelToken& t, int64_t at) : token(t), at_(at) {}
  void setPosition(int64_t p) override {
    RecordingProgress::setPosition(p);
    if (p >= at_) token.request();
  }
  CancelToken& token;
  int64_t at_;
};

TEST_F(Mode0Test, StopKeepsPointsDoneAndLeavesTheRestAtOne) {
  CancelToken token;
  StopAt gauge(token, 16);
  StDiffPattern pat;
  const StDiffractionOutcome out = runDiffraction(prm, nullptr, 0, pat, &gauge, &token, 1);
  EXPECT_TRUE(out.terminated);
  ASSERT_EQ(pat.count, 200);
  EXPECT_EQ(gauge.maximum.load(), 200);
  StDiffPattern full;
  runDiffraction(prm, nullptr, 0, full);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pat.sOfQ[i], full.sOfQ[i]) << i;
  for (int i = 16; i < 200; ++i) EXPECT_EQ(pat.sOfQ[i], 1.0) << i;
  EXPECT_EQ(pat.q, full.q);  // the grid is complete

  CancelToken stopped;
  stopped.request();
  StDiffPattern none;
  EXPECT_TRUE(runDiffraction(prm, nullptr, 0, none, nullptr, &stopped).terminated);
  ASSERT_EQ(none.count, 200);
  for (double s : none.sOfQ) EXPECT_EQ(s, 1.0);
}

// The histogram form of the Debye equation reproduces the exact double sum
// over atom pairs. Every pair sits at its bin's lower edge, so the error
// shrinks with the bin width: for this grain at most 5.0e-4 relative at
// width 1e-4 and 1.2e-4 at width 1e-5 (near the weak minima of I).
TEST(DiffractionPhysics, HistogramMatchesExactDebyeSum) {
  const ElementTable table = shippedTable();
  const int ni = elementIndex(table, "Ni");
  const vGrainNodes nodes = fccGrain(3.52, 6, ni);
  ASSERT_EQ(nodes.size(), 79u);
  StDiffrPrm prm = cuPrm(30, 150, 0.25);
  prm.nodes = &nodes;
  prm.table = &table;
  const double n = static_cast<double>(nodes.size());
  double previous = 1;
  struct Case {
    double binWidth;
    double tolerance;
  };
  for (const Case c : {Case{1e-4, 1e-3}, Case{1e-5, 2.5e-4}}) {
    const PdhList pdh = naivePdh(nodes, 13, c.binWidth);
    prm.pdh = &pdh;
    StDiffPattern pat;
    runDiffraction(prm, nullptr, 0, pat);
    ASSERT_EQ(pat.count, 480);
    double worst = 0;
    for (int p = 0; p < pat.count; ++p) {
      const double q = pat.q[p];
      double sum = 0;
      for (size_t i = 0; i + 1 < nodes.size(); ++i)
        for (size_t j = i + 1; j < nodes.size(); ++j) {
          const double x = q * pairDistance(nodes[i], nodes[j]);
          sum += std::sin(x) / x;
        }
      const double f = scatteringFactor(table[ni], std::sin(pat.twoTheta[p] / 2) / prm.lambda);
      const double exact = f * f * (n + 2 * sum);
      worst = std::max(worst, std::fabs(pat.intensity[p] - exact) / exact);
    }
    EXPECT_LT(worst, c.tolerance) << "bin width " << c.binWidth;
    EXPECT_LT(worst, 0.5 * previous) << "bin width " << c.binWidth;
    previous = worst;
  }
}

// Local maximum of y in the x window [lo, hi].
double peakIn(const std::vector<double>& x, const std::vector<double>& y, double lo, double hi) {
  double best = -1e300, at = 0;
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i] >= lo && x[i] <= hi && y[i] > best) {
      best = y[i];
      at = x[i];
    }
  return at;
}

TEST(DiffractionPhysics, FccBraggPeaksForCopper) {
  const double a = 3.61;
  const vGrainNodes nodes = fccGrain(a, 18, 0, "Cu");
  const PdhList pdh = naivePdh(nodes, 37, 0.001);
  StDiffrPrm prm = cuPrm(20, 90, 0.02);  // Cu anode, lambda 1.5444
  prm.useFactors = false;
  prm.nodes = &nodes;
  prm.pdh = &pdh;
  StDiffPattern pat;
  runDiffraction(prm, nullptr, 0, pat);
  std::vector<double> deg(pat.twoTheta.size());
  for (size_t i = 0; i < deg.size(); ++i) deg[i] = pat.twoTheta[i] * 180 / kPi;
  auto bragg = [&](int h, int k, int l) {
    return 2 * std::asin(prm.lambda * std::sqrt(double(h * h + k * k + l * l)) / (2 * a)) * 180 / kPi;
  };
  for (auto [h, k, l] : {std::array{1, 1, 1}, std::array{2, 0, 0}, std::array{2, 2, 0}}) {
    const double want = bragg(h, k, l);
    const double got = peakIn(deg, pat.sOfQ, want - 2, want + 2);
    EXPECT_NEAR(got, want, 0.25) << h << k << l;
  }
  // (100) and (110) are extinct in fcc: far weaker than (111).
  auto sAt = [&](double d) { return pat.sOfQ[static_cast<size_t>(std::lround((d - 20) / 0.02))]; };
  EXPECT_LT(sAt(bragg(1, 0, 0)), 0.05 * sAt(bragg(1, 1, 1)));
  EXPECT_LT(sAt(bragg(1, 1, 0)), 0.05 * sAt(bragg(1, 1, 1)));
}

// ---- mode 1 ----

// Partial histograms of a node list whose first `h` nodes are the first element.
StIDCalcResults partialsOf(const vGrainNodes& nodes, size_t h, double w, double rMax) {
  StIDCalcResults part;
  const int32_t bins = static_cast<int32_t>(std::floor(rMax / w));
  part.allocate(bins);
  for (int32_t k = 1; k < bins; ++k) part.r[k] = part.r[k - 1] + w;
  part.binWidth = w;
  for (size_t i = 0; i < nodes.size(); ++i)
    for (size_t j = i + 1; j < nodes.size(); ++j) {
      const auto k = static_cast<size_t>(pairDistance(nodes[i], nodes[j]) / w);
      (i < h ? (j < h ? part.rii : part.rij) : part.rjj)[k] += 1;
    }
  part.elemFirst = nodes.front().elementIndex;
  part.elemSecond = nodes.back().elementIndex;
  part.atomsFirst = static_cast<int64_t>(h);
  part.atomsSecond = static_cast<int64_t>(nodes.size() - h);
  return part;
}

// The equation as it reads, in double with the library sine:
// I = N1 f1^2 + N2 f2^2 + 2 (f1^2 Sii + f2^2 Sjj + f1 f2 Sij).
void sequentialMode1(const StDiffrPrm& prm, const StIDCalcResults& part, std::vector<double>& sOut,
                     std::vector<double>& iOut) {
  const int64_t points = diffractionPointCount(prm, 1);
  const std::vector<double> theta = diffractionAngles(prm, points);
  for (int64_t p = 0; p < points; ++p) {
    const double sn = std::sin(theta[p]);
    const double q = 2 * sn * prm.k;
    const double f1 = scatteringFactor((*prm.table)[part.elemFirst], sn / prm.lambda);
    const double f2 = scatteringFactor((*prm.table)[part.elemSecond], sn / prm.lambda);
    double sii = 0, sij = 0, sjj = 0;
    for (int32_t j = 0; j < part.count; ++j) {
      const double x = q * part.r[j];
      const double t = x == 0 ? 1 : std::sin(x) / x;
      sii += part.rii[j] * t;
      sij += part.rij[j] * t;
      sjj += part.rjj[j] * t;
    }
    const double self = part.atomsFirst * f1 * f1 + part.atomsSecond * f2 * f2;
    const double i = self + 2 * (f1 * f1 * sii + f2 * f2 * sjj + f1 * f2 * sij);
    sOut.push_back(i / self);
    iOut.push_back(i);
  }
}

class Mode1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    table = shippedTable();
    zn = elementIndex(table, "Zn");
    s = elementIndex(table, "S");
    // Zinc blende: the first element in the first half, the second in the second.
    vGrainNodes first = fccGrain(5.41, 9, zn, "Zn");
    nodes = first;
    for (StGrainNode n : first) {
      n.x += 5.41 / 4;
      n.y += 5.41 / 4;
      n.z += 5.41 / 4;
      n.element = "S";
      n.elementIndex = s;
      nodes.push_back(n);
    }
    part = partialsOf(nodes, nodes.size() / 2, 0.001, 21);
    prm = cuPrm(0, 100, 0.5);
    prm.nodes = &nodes;
    prm.table = &table;
  }
  ElementTable table;
  int zn = -1, s = -1;
  vGrainNodes nodes;
  StIDCalcResults part;
  StDiffrPrm prm;
};

TEST_F(Mode1Test, IsTheEquationSummedInDouble) {
  StDiffPattern pat;
  const StDiffractionOutcome out = runDiffraction(prm, &part, 1, pat);
  ASSERT_FALSE(out.refused);
  ASSERT_EQ(pat.count, 201);
  EXPECT_NEAR(pat.twoTheta[200] * 180 / kPi, 100, 1e-9);
  // Within the rounding of double sums (single-precision sums were off by
  // 1e-6 here, and by 4e-4 of the background on large grains).
  std::vector<double> s1, i1;
  sequentialMode1(prm, part, s1, i1);
  expectRelative(pat.sOfQ, s1, 1e-11, "S");
  expectRelative(pat.intensity, i1, 1e-11, "I");
  // Equal counts: N1 f1^2 + N2 f2^2 = (f1^2 + f2^2) N / 2, the normalisation
  // an equal split always had; at 2theta = 0, S = 1 + 2 pairs-weighted / self.
  const double n = static_cast<double>(nodes.size());
  const double f1 = scatteringFactor(table[zn], 0), f2 = scatteringFactor(table[s], 0);
  const double pairsSame = (n / 2) * (n / 2 - 1) / 2, pairsMixed = (n / 2) * (n / 2);
  EXPECT_NEAR(pat.sOfQ[0], 1 + 2 * (f1 * f1 * pairsSame + f2 * f2 * pairsSame + f1 * f2 * pairsMixed) /
                                   ((f1 * f1 + f2 * f2) * n / 2),
              1e-12 * n);
  // Without counts of their own, the partials take the halves of the node list.
  StIDCalcResults halves = part;
  halves.atomsFirst = halves.atomsSecond = 0;
  StDiffPattern same;
  runDiffraction(prm, &halves, 1, same);
  EXPECT_EQ(same.sOfQ, pat.sOfQ);
}

// Cu3Au-like: three copper atoms to one gold atom on an fcc lattice, the
// pattern against the exact Debye double sum over atom pairs.
TEST(Mode1Physics, UnequalCountsMatchTheExactDebyeSum) {
  const ElementTable table = shippedTable();
  const int cu = elementIndex(table, "Cu"), au = elementIndex(table, "Au");
  vGrainNodes all = fccGrain(3.75, 7, cu, "Cu");
  std::mt19937 rng(17);
  std::shuffle(all.begin(), all.end(), rng);
  const size_t nAu = all.size() / 4;
  vGrainNodes nodes(all.begin() + static_cast<std::ptrdiff_t>(nAu), all.end());  // copper first
  for (size_t k = 0; k < nAu; ++k) {
    StGrainNode g = all[k];
    g.element = "Au";
    g.elementIndex = au;
    nodes.push_back(g);
  }
  const size_t h = nodes.size() - nAu;
  const StIDCalcResults part = partialsOf(nodes, h, 1e-4, 15);
  StDiffrPrm prm = cuPrm(20, 120, 0.5);
  prm.nodes = &nodes;
  prm.table = &table;
  StDiffPattern pat;
  ASSERT_FALSE(runDiffraction(prm, &part, 1, pat).refused);
  double worst = 0, top = 0;
  for (int p = 0; p < pat.count; ++p) {
    const double q = pat.q[p], s = std::sin(pat.twoTheta[p] / 2) / prm.lambda;
    const double f[2] = {scatteringFactor(table[cu], s), scatteringFactor(table[au], s)};
    double exact = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
      const double fi = f[i < h ? 0 : 1];
      exact += fi * fi;
      for (size_t j = i + 1; j < nodes.size(); ++j) {
        const double x = q * pairDistance(nodes[i], nodes[j]);
        exact += 2 * fi * f[j < h ? 0 : 1] * std::sin(x) / x;
      }
    }
    worst = std::max(worst, std::fabs(pat.intensity[p] - exact));
    top = std::max(top, exact);
    const double self = static_cast<double>(h) * f[0] * f[0] + static_cast<double>(nAu) * f[1] * f[1];
    EXPECT_NEAR(pat.sOfQ[p], pat.intensity[p] / self, 1e-12 * pat.sOfQ[p]);
  }
  EXPECT_LT(worst, 1e-3 * top);
}

TEST_F(Mode1Test, SecondElementTailBeyondMixedPairsCounts) {
  // Only second-element pairs in the last occupied bin: they still scatter.
  const int32_t last = part.count - 1;
  StDiffPattern before;
  prm.useFactors = false;
  runDiffraction(prm, &part, 1, before);
  part.rjj[last] += 1000;
  StDiffPattern after;
  runDiffraction(prm, &part, 1, after);
  EXPECT_NE(after.sOfQ[0], before.sOfQ[0]);
  EXPECT_NEAR(after.sOfQ[0] - before.sOfQ[0], 2.0 * 1000 / nodes.size(), 1e-9);
}

TEST_F(Mode1Test, UndefinedElementsAreRefused) {
  StDiffPattern pat;
  part.elemSecond = -1;
  EXPECT_TRUE(runDiffraction(prm, &part, 1, pat).refused);
  EXPECT_TRUE(runDiffraction(prm, nullptr, 1, pat).refused);
  EXPECT_EQ(pat.count, 0);
}

}  // namespace
}  // namespace grainix
