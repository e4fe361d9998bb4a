// Grains cut from CIF files of two and three elements: their partial
// histograms hold every pair of atoms once, in the table of its pair of
// elements, and their pattern peaks at the cell's d-spacings (Bragg's law).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine/calc/diffraction.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/pair_result.h"
#include "tests/engine/calc/diffr_test_support.h"
#include "tests/engine/grain/cif_test_support.h"

namespace grainix {
namespace {

struct Reflection {
  int h, k, l;
};

TEST(CifPartials, PairSumsAndBraggPeaksOfRutileAndBaTiO3) {
  struct Case {
    const char* file;
    size_t elements;
    double a, c;  // tetragonal or cubic cell, Angs
    std::vector<Reflection> strong;
  };
  const Case cases[] = {
      {"rutile.cif", 2, 4.5937, 2.9587, {{1, 1, 0}, {1, 0, 1}, {2, 1, 1}}},
      {"batio3_cubic.cif", 3, 4.0060, 4.0060, {{1, 1, 0}, {1, 1, 1}, {2, 0, 0}, {2, 1, 1}}},
  };
  const ElementTable table = testing::shippedTable();
  for (const Case& c : cases) {
    const StCrystal crystal = test::crystalOf(test::cifData(c.file));
    const vGrainNodes nodes = test::cut(crystal, 25);
    ASSERT_GT(nodes.size(), 3000u) << c.file;

    StCalcPrm prm;
    prm.nodes = nodes;
    prm.rMax = 52;
    prm.binWidth = 0.001;
    setElementGroups(prm);
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    const StPairRunResult res = runPairLoop(1, prm, pdh, partial, nullptr, cancel);
    ASSERT_FALSE(res.refused) << c.file;
    ASSERT_EQ(partial.elementCount(), c.elements) << c.file;
    EXPECT_EQ(res.pairsBeyondRange, 0);

    // N_a (N_a - 1) / 2 pairs of one element, N_a N_b of two, with N_a
    // counted on the grain's own nodes.
    const auto tables = partial.tables();
    size_t t = 0;
    for (size_t a = 0; a < c.elements; ++a) {
      int64_t na = 0;
      for (const StGrainNode& g : nodes) na += g.elementIndex == partial.elementOf(a);
      EXPECT_EQ(partial.atomsOf(a), na) << c.file;
      for (size_t b = a; b < c.elements; ++b, ++t) {
        int64_t nb = 0;
        for (const StGrainNode& g : nodes) nb += g.elementIndex == partial.elementOf(b);
        PairCount sum = 0;
        for (PairCount n : *tables[t]) sum += n;
        EXPECT_EQ(sum, a == b ? na * (na - 1) / 2 : na * nb) << c.file << " table " << t;
      }
    }

    // X-ray pattern: a maximum within 0.3 degrees of each strong
    // reflection's Bragg angle, 2 asin(lambda / 2d), 1/d^2 = (h^2 + k^2) /
    // a^2 + l^2 / c^2.
    StDiffrPrm d;
    d.lambda = 1.5444;
    d.k = 2 * std::numbers::pi / d.lambda;
    d.start = 15;
    d.stop = 75;
    d.step = 0.02;
    d.table = &table;
    StDiffPattern pattern;
    ASSERT_FALSE(runDiffraction(d, &partial, 1, pattern).refused) << c.file;
    for (const Reflection& r : c.strong) {
      const double dSpacing = 1 / std::sqrt((r.h * r.h + r.k * r.k) / (c.a * c.a) + r.l * r.l / (c.c * c.c));
      const double bragg = 2 * std::asin(d.lambda / (2 * dSpacing)) * 180 / std::numbers::pi;
      double best = -1, at = 0;
      int32_t bestIndex = -1;
      for (int32_t i = 0; i < pattern.count; ++i) {
        const double angle = pattern.twoTheta[static_cast<size_t>(i)] * 180 / std::numbers::pi;
        if (std::fabs(angle - bragg) > 0.8) continue;
        if (pattern.intensity[static_cast<size_t>(i)] > best) {
          best = pattern.intensity[static_cast<size_t>(i)];
          at = angle;
          bestIndex = i;
        }
      }
      ASSERT_GE(bestIndex, 1) << c.file;
      const std::string what = std::string(c.file) + " (" + std::to_string(r.h) + std::to_string(r.k) +
                               std::to_string(r.l) + ") at " + std::to_string(bragg);
      EXPECT_NEAR(at, bragg, 0.3) << what;
      // A peak, not the edge of a slope.
      EXPECT_GT(best, pattern.intensity[static_cast<size_t>(bestIndex - 1)]) << what;
      EXPECT_GT(best, pattern.intensity[static_cast<size_t>(bestIndex + 1)]) << what;
    }
  }
}

}  // namespace
}  // namespace grainix
