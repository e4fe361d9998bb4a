#include "engine/calc/lattice_pdh.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>

#include "engine/calc/pdh_run.h"
#include "engine/grain/generators.h"
#include "engine/grain/stacking.h"

namespace grainix {
namespace {

struct Grain {
  vGrainNodes nodes;
  StLatticeGrid grid;
  double rMax = 0;
};

Grain cubic(const std::string& structure, double a, double radius) {
  Grain g;
  std::unique_ptr<GenNodes> gen;
  if (structure == "sc") gen = std::make_unique<scNodes>(radius, a, g.nodes, 0, "X");
  if (structure == "bcc") gen = std::make_unique<bccNodes>(radius, a, g.nodes, 0, "X");
  if (structure == "fcc") gen = std::make_unique<fccNodes>(radius, a, g.nodes, 0, "X");
  if (structure == "diamond") gen = std::make_unique<diamNodes>(radius, a, g.nodes, 0, "X");
  if (structure == "2D") gen = std::make_unique<twoDimNodes>(radius, a, g.nodes, 0, "X");
  gen->generate();
  g.grid = *gen->grid;
  g.rMax = (radius + a / 4) * 2.02;
  return g;
}

Grain stacked(const std::string& sequence, double a, double radius, bool sphere, bool sublattice,
              bool circular = true, double u = 0.75) {
  Grain g;
  StGrainPrm prm;
  prm.radius = radius;
  prm.latticePrm = a;
  prm.sphere = sphere;
  prm.biatomic = true;
  prm.elementL = "Zn";
  prm.elementR = "O";
  prm.maxDistance = (radius + a / 4) * 2.02;
  StStackingInput in;
  in.sequence = sequence;
  in.ha = initialHcpA(a);
  in.c = initialHcpC(a);
  in.sublattice = sublattice;
  in.u = u;
  in.circularCut = circular;
  EXPECT_TRUE(buildStacked(in, g.nodes, prm).ok);
  g.grid = stackedGrid(prm.stackedHa, prm.stackedC, prm.stackedSublattice, prm.stackedU);
  g.rMax = prm.maxDistance;
  return g;
}

StCalcPrm params(const Grain& g, double binWidth) {
  StCalcPrm prm;
  prm.nodes = g.nodes;
  prm.rMax = g.rMax;
  prm.binWidth = binWidth;
  prm.grid = g.grid;
  return prm;
}

std::vector<int64_t> cards(const PdhList& pdh) {
  std::vector<int64_t> v;
  for (const StLiczOdl& e : pdh) v.push_back(e.card);
  return v;
}

// Runs the pair loop and the lattice on the same grain and expects the
// same result bin for bin, and every pair counted once.
void expectSameAsPairLoop(int mode, const StCalcPrm& prm, const std::string& what,
                          const StPdhRunOptions& lattice = {PdhMethod::Lattice, 0, {}, {}}) {
  PdhList pdhPairs, pdhLattice;
  StIDCalcResults partPairs, partLattice;
  CancelToken cancel;
  const StPairRunResult a = runPairLoop(mode, prm, pdhPairs, partPairs, nullptr, cancel);
  const StPairRunResult b = runPdh(mode, prm, pdhLattice, partLattice, nullptr, cancel, lattice);
  ASSERT_FALSE(b.refused) << what << ": " << (b.messages.empty() ? "" : b.messages[0].text);
  ASSERT_EQ(b.method, PdhMethod::Lattice) << what;
  EXPECT_EQ(a.bins, b.bins) << what;
  EXPECT_EQ(a.pairsBeyondRange, b.pairsBeyondRange) << what;
  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  if (mode == 0) {
    const std::vector<int64_t> x = cards(pdhPairs), y = cards(pdhLattice);
    ASSERT_EQ(x.size(), y.size()) << what;
    for (size_t k = 0; k < x.size(); ++k) ASSERT_EQ(x[k], y[k]) << what << ", bin " << k;
    EXPECT_EQ(std::accumulate(y.begin(), y.end(), int64_t{0}), n * (n - 1) / 2) << what;
    auto e = pdhPairs.begin();
    for (const StLiczOdl& f : pdhLattice) ASSERT_EQ((e++)->r, f.r) << what;
  } else {
    ASSERT_EQ(partPairs.count, partLattice.count) << what;
    EXPECT_EQ(partPairs.r, partLattice.r) << what;
    EXPECT_EQ(partPairs.rii, partLattice.rii) << what;
    EXPECT_EQ(partPairs.rij, partLattice.rij) << what;
    EXPECT_EQ(partPairs.rjj, partLattice.rjj) << what;
    EXPECT_EQ(partPairs.elemFirst, partLattice.elemFirst) << what;
    EXPECT_EQ(partPairs.elemSecond, partLattice.elemSecond) << what;
    double total = 0;
    for (int32_t k = 0; k < partLattice.count; ++k)
      total += partLattice.rii[static_cast<size_t>(k)] + partLattice.rij[static_cast<size_t>(k)] +
               partLattice.rjj[static_cast<size_t>(k)];
    EXPECT_EQ(total, static_cast<double>(n * (n - 1) / 2)) << what;
  }
}

struct IdentityCase {
  const char* name;
  std::function<Grain()> grain;
  int mode;
  std::vector<double> widths;
};

// Every structure the program generates, spheres and cylinders, with and
// without the second sublattice, one and two elements, at the usual bin
// widths and at lattice parameters that put many distances exactly on bin
// edges (a = 4 with bins of 0.5 and 0.1; 3.52 at 0.001).
std::vector<IdentityCase> identityCases() {
  const std::vector<double> usual = {0.001, 0.01, 0.1};
  return {
      {"sc a=4", [] { return cubic("sc", 4, 14); }, 0, {0.5, 0.1, 0.01, 0.001}},
      {"sc a=3.61", [] { return cubic("sc", 3.61, 13); }, 0, usual},
      {"bcc a=3.3", [] { return cubic("bcc", 3.3, 11); }, 0, usual},
      {"bcc a=4", [] { return cubic("bcc", 4, 11); }, 0, {0.5, 0.1}},
      {"fcc a=3.52", [] { return cubic("fcc", 3.52, 10); }, 0, usual},
      {"fcc a=4", [] { return cubic("fcc", 4, 10); }, 0, {0.5, 0.1, 0.001}},
      {"diamond a=5.43", [] { return cubic("diamond", 5.43, 10); }, 0, usual},
      {"diamond a=4", [] { return cubic("diamond", 4, 8); }, 0, {0.5, 0.25, 0.01}},
      {"zinc blende a=5.65", [] { return cubic("diamond", 5.65, 11); }, 1, usual},
      {"zinc blende a=4", [] { return cubic("diamond", 4, 8); }, 1, {0.5, 0.001}},
      {"2D layer a=4", [] { return cubic("2D", 4, 40); }, 0, {0.5, 0.01}},
      {"stacked ABC sphere, sublattice", [] { return stacked("ABCABCABCABCABCABC", 3.52, 9, true, true); }, 0, usual},
      {"stacked AB sphere", [] { return stacked("ABABABABABABABAB", 4, 10, true, false); }, 0, {0.5, 0.01, 0.001}},
      {"stacked ABCAB sphere, two elements", [] { return stacked("ABCABABCABABCAB", 3.25, 9, true, true); }, 1, usual},
      {"stacked sphere, u = 1", [] { return stacked("ABCACB", 4, 8, true, true, true, 1.0); }, 1, {0.5, 0.01}},
      {"stacked AB cylinder, sublattice", [] { return stacked("ABABAB", 3.52, 8, false, true); }, 0, usual},
      {"stacked ABC cylinder, hexagonal", [] { return stacked("ABCAB", 4, 8, false, false, false); }, 0, {0.5, 0.01}},
      {"stacked cylinder, two elements", [] { return stacked("ABAC", 3.8, 7, false, true, true, 0.375); }, 1,
       {0.1, 0.001}},
  };
}

TEST(LatticePdh, EqualsThePairLoopBinForBin) {
  for (const IdentityCase& c : identityCases()) {
    const Grain g = c.grain();
    for (double w : c.widths) {
      expectSameAsPairLoop(c.mode, params(g, w),
                           std::string(c.name) + ", bin " + std::to_string(w) + ", " +
                               std::to_string(g.nodes.size()) + " nodes");
    }
  }
}

TEST(LatticePdh, PairsBeyondTheExpectedRangeGrowTheTableAsInThePairLoop) {
  Grain g = cubic("fcc", 3.52, 9);
  g.rMax = 6;  // far less than the grain's diameter
  expectSameAsPairLoop(0, params(g, 0.01), "fcc, short range");
  Grain z = cubic("diamond", 5.65, 9);
  z.rMax = 5;
  expectSameAsPairLoop(1, params(z, 0.01), "zinc blende, short range");
}

// With a margin of more than a bin every vector's pairs are enumerated and
// many spread over three bins: the enumeration alone must reproduce the
// pair loop.
TEST(LatticePdh, EnumerationAloneReproducesThePairLoop) {
  StPdhRunOptions everything{PdhMethod::Lattice, 0, {}, {}};
  everything.lattice.edgeMargin = 1.5;
  expectSameAsPairLoop(0, params(cubic("fcc", 3.52, 7), 0.01), "fcc, all enumerated", everything);
  expectSameAsPairLoop(1, params(stacked("ABCAB", 3.3, 6, true, true), 0.001), "stacked, all enumerated", everything);
}

// A lattice turned against the axes: its rows no longer share coordinates,
// so the edge pairs are formed one by one from the nodes.
TEST(LatticePdh, ALatticeInAnyOrientationEqualsThePairLoop) {
  for (const char* structure : {"bcc", "diamond"}) {
    Grain g = cubic(structure, 4, 9);
    const double c = 0.6, s = 0.8;  // a rotation about z and one about x
    auto turn = [&](std::array<double, 3> v) {
      const double x = c * v[0] - s * v[1], y = s * v[0] + c * v[1], z = v[2];
      return std::array<double, 3>{x, c * y - s * z, s * y + c * z};
    };
    for (StGrainNode& n : g.nodes) {
      const auto v = turn({n.x, n.y, n.z});
      n.x = v[0], n.y = v[1], n.z = v[2];
    }
    for (auto& b : g.grid.basis) b = turn(b);
    for (double w : {0.5, 0.01}) {
      expectSameAsPairLoop(structure[0] == 'd' ? 1 : 0, params(g, w),
                           std::string(structure) + " turned, bin " + std::to_string(w));
    }
  }
}

TEST(LatticePdh, VectorsOnBinEdgesAreEnumeratedFromTheNodes) {
  // a = 4, bin 0.5: every distance that is a whole multiple of 0.5 lies on an edge.
  const Grain g = cubic("fcc", 4, 10);
  const std::vector<uint8_t> species(g.nodes.size(), 0);
  CancelToken cancel;
  const StLatticeHistResult r =
      latticePairHistograms(g.nodes, species, 1, g.grid, 0.5, 100, nullptr, cancel);
  ASSERT_EQ(r.status, StLatticeHistResult::Status::Done) << r.reason;
  EXPECT_GT(r.edgeVectors, 0);
  EXPECT_GT(r.edgePairs, 0);
  EXPECT_GT(r.margin, 0);
  EXPECT_LT(r.margin, 1e-6);
  EXPECT_LT(r.roundingSeen, 1e-6);
  EXPECT_LE(r.roundingBound, kLatticeRoundingLimit);
  EXPECT_EQ(r.grids, 4);
}

TEST(LatticePdh, NodesOffTheirSitesAreRefused) {
  Grain g = cubic("fcc", 3.52, 8);
  g.nodes[7].x += 1e-3;
  const std::vector<uint8_t> species(g.nodes.size(), 0);
  CancelToken cancel;
  StLatticeHistResult r = latticePairHistograms(g.nodes, species, 1, g.grid, 0.01, 2000, nullptr, cancel);
  EXPECT_EQ(r.status, StLatticeHistResult::Status::Refused);
  EXPECT_EQ(r.reason, "the nodes do not lie on the lattice grid");
  // Two nodes on one site.
  g = cubic("sc", 4, 8);
  g.nodes.push_back(g.nodes[3]);
  const std::vector<uint8_t> more(g.nodes.size(), 0);
  r = latticePairHistograms(g.nodes, more, 1, g.grid, 0.01, 2000, nullptr, cancel);
  EXPECT_EQ(r.status, StLatticeHistResult::Status::Refused);
  EXPECT_EQ(r.reason, "two nodes share a lattice site");
}

// ------------------------------------------------------------ the entry point

TEST(PdhRun, AutoTakesTheLatticeForAGridAndThePairLoopOtherwise) {
  const Grain g = cubic("fcc", 3.52, 8);
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  StCalcPrm prm = params(g, 0.01);
  StPairRunResult res = runPdh(0, prm, pdh, partial, nullptr, cancel);
  EXPECT_EQ(res.method, PdhMethod::Lattice);
  ASSERT_FALSE(res.log.empty());
  EXPECT_EQ(res.log[0], " PDH method: lattice (pairs per lattice vector, by FFT)");

  prm.grid.reset();
  res = runPdh(0, prm, pdh, partial, nullptr, cancel);
  EXPECT_EQ(res.method, PdhMethod::Pairs);
  EXPECT_THAT(res.log, testing::ElementsAre(" PDH method: pair loop"));

  prm.grid = g.grid;
  res = runPdh(0, prm, pdh, partial, nullptr, cancel, {PdhMethod::Pairs, 0, {}, {}});
  EXPECT_EQ(res.method, PdhMethod::Pairs);
  EXPECT_EQ(res.log[0], " PDH method: pair loop");
}

TEST(PdhRun, AGrainTooLargeForTheMemoryFallsBackToThePairLoop) {
  const Grain g = cubic("fcc", 3.52, 8);
  const StCalcPrm prm = params(g, 0.01);
  StPdhRunOptions small;
  small.lattice.memoryLimit = 10000;
  PdhList pdh, ref;
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPdh(0, prm, pdh, partial, nullptr, cancel, small);
  EXPECT_EQ(res.method, PdhMethod::Pairs);
  ASSERT_FALSE(res.log.empty());
  EXPECT_THAT(res.log[0], testing::StartsWith(" PDH method: pair loop (lattice not used: the grain is too large for "
                                              "the memory (the lattice transforms need "));
  runPairLoop(0, prm, ref, partial, nullptr, cancel);
  EXPECT_EQ(cards(pdh), cards(ref));

  // Asked for explicitly, the lattice refuses instead.
  small.method = PdhMethod::Lattice;
  const StPairRunResult forced = runPdh(0, prm, pdh, partial, nullptr, cancel, small);
  EXPECT_TRUE(forced.refused);
  ASSERT_EQ(forced.messages.size(), 1u);
  EXPECT_EQ(forced.messages[0].title, "ERROR");
  EXPECT_THAT(forced.messages[0].text, testing::StartsWith("The lattice method cannot be used: the grain is too large"));
}

TEST(PdhRun, ExactCountsBeyondTheRoundingLimitAreRefused) {
  const Grain g = cubic("fcc", 3.52, 8);
  StPdhRunOptions strict{PdhMethod::Lattice, 0, {}, {}};
  strict.lattice.roundingLimit = 1e-30;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPdh(0, params(g, 0.01), pdh, partial, nullptr, cancel, strict);
  EXPECT_TRUE(res.refused);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_THAT(res.messages[0].text, testing::HasSubstr("too large for exact counts from the transforms"));
}

// Stops the run from inside: the first progress report requests the stop.
class StoppingGauge : public ProgressSink {
 public:
  explicit StoppingGauge(CancelToken& c) : cancel_(c) {}
  void setMaximum(int64_t m) override { maximum = m; }
  void setPosition(int64_t p) override {
    position = p;
    if (++reports >= 2) cancel_.request();
  }
  void setVisible(bool v) override { visible = v; }
  int64_t maximum = 0, position = 0;
  int reports = 0;
  bool visible = false;

 private:
  CancelToken& cancel_;
};

TEST(PdhRun, StopLeavesNoHistogramAsThePairLoopDoes) {
  const Grain g = cubic("diamond", 5.43, 12);
  for (int mode : {0, 1}) {
    PdhList pdh(3);
    StIDCalcResults partial;
    partial.allocate(5);
    CancelToken cancel;
    StoppingGauge gauge(cancel);
    const StPairRunResult res = runPdh(mode, params(g, 0.001), pdh, partial, &gauge, cancel);
    EXPECT_TRUE(res.terminated) << mode;
    EXPECT_EQ(res.method, PdhMethod::Lattice);
    EXPECT_EQ(gauge.maximum, pairGaugeScale(static_cast<int64_t>(g.nodes.size()), mode).maximum);
    EXPECT_FALSE(gauge.visible);
    if (mode == 0) {
      EXPECT_TRUE(pdh.empty());
    } else {
      EXPECT_EQ(partial.count, 0);
    }
  }
}

}  // namespace
}  // namespace grainix
