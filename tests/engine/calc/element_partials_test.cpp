// Partial histograms of grains of three or more elements: the pair loop
// against the plain sequential loop over element pairs, the grouping of the
// atoms, the method choice, and the pattern against the exact Debye sum
// over all atom pairs (X-ray factors and neutron lengths).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/calc/diffraction.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/pair_result.h"
#include "engine/calc/pdh_run.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

using testing::fccGrain;
using testing::pairDistance;

// Moves every node by up to `amplitude` along each axis.
vGrainNodes jiggled(vGrainNodes nodes, double amplitude, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-amplitude, amplitude);
  for (auto& g : nodes) g.x += u(rng), g.y += u(rng), g.z += u(rng);
  return nodes;
}

// Gives node i the element `pick(i)` of `symbols` (table index 10 + k).
template <class Pick>
void assignElements(vGrainNodes& nodes, const std::vector<std::string>& symbols, Pick pick) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    const size_t k = pick(i);
    nodes[i].element = symbols[k];
    nodes[i].elementIndex = static_cast<int32_t>(10 + k);
  }
}

// The sequential loop over every pair of the list as given: per unordered
// pair of element indices, the count of each bin.
std::map<std::pair<int32_t, int32_t>, std::map<int64_t, PairCount>> referenceByElements(const vGrainNodes& nodes,
                                                                                        double w) {
  std::map<std::pair<int32_t, int32_t>, std::map<int64_t, PairCount>> out;
  for (size_t i = 0; i + 1 < nodes.size(); ++i)
    for (size_t j = i + 1; j < nodes.size(); ++j) {
      const auto a = nodes[i].elementIndex, b = nodes[j].elementIndex;
      ++out[{std::min(a, b), std::max(a, b)}][static_cast<int64_t>(pairDistance(nodes[i], nodes[j]) / w)];
    }
  return out;
}

TEST(ElementPartials, EveryPairOfElementsEqualsTheSequentialLoop) {
  const vGrainNodes base = jiggled(fccGrain(4, 11), 0.02, 7);
  struct Case {
    const char* what;
    size_t elements;
    double w;
    bool strayAtom;  // one atom 1100 Angs away: the sparse path
    size_t (*pick)(size_t);
  };
  const Case cases[] = {
      {"three, interleaved, coarse bins", 3, 0.25, false, [](size_t i) { return i % 3; }},
      {"four, interleaved, fine bins", 4, 0.001, false, [](size_t i) { return (i * 7) % 4; }},
      {"three, one atom of the last", 3, 0.001, false, [](size_t i) { return i == 5 ? size_t{2} : i % 2; }},
      {"three, stray atom far away", 3, 0.001, true, [](size_t i) { return i % 3; }},
  };
  const std::vector<std::string> symbols{"Ba", "Ti", "O", "Sr"};
  for (const Case& c : cases) {
    vGrainNodes nodes = base;
    if (c.strayAtom) {
      nodes.resize(120);
      nodes.back().x = 1100;
    }
    assignElements(nodes, symbols, c.pick);
    const auto reference = referenceByElements(nodes, c.w);

    StCalcPrm prm;
    prm.nodes = nodes;
    prm.rMax = 30;
    prm.binWidth = c.w;
    setElementGroups(prm);
    ASSERT_EQ(prm.elementCounts.size(), c.elements) << c.what;
    // Grouped in the order of first appearance, each element's atoms in
    // their old order.
    EXPECT_EQ(elementRuns(prm.nodes).size(), c.elements) << c.what;
    std::vector<int64_t> atoms(c.elements, 0);
    for (const StGrainNode& g : nodes) ++atoms[static_cast<size_t>(g.elementIndex - 10)];

    for (PairKernel kernel : {PairKernel::Baseline, PairKernel::Avx2, PairKernel::Avx512}) {
      for (int threads : {1, 2}) {
        const std::string what = std::string(c.what) + ", " + pairKernelName(kernel) + ", threads " +
                                 std::to_string(threads);
        PdhList pdh;
        StIDCalcResults partial;
        CancelToken cancel;
        const StPairRunResult res = runPairLoop(1, prm, pdh, partial, nullptr, cancel, threads, kernel);
        ASSERT_FALSE(res.refused) << what;
        ASSERT_TRUE(partial.manyElements()) << what;
        ASSERT_EQ(partial.elementCount(), c.elements) << what;
        ASSERT_EQ(partial.pairs.size(), c.elements * (c.elements + 1) / 2) << what;
        EXPECT_TRUE(partial.rii.empty() && partial.rij.empty() && partial.rjj.empty()) << what;
        EXPECT_EQ(partial.binWidth, c.w);
        // Table order (0,0), (0,1), ..., (1,1), ...: element k is the k-th
        // to appear in the list, whose pairs fill that table.
        size_t t = 0;
        std::vector<int32_t> order;
        for (const StGrainNode& g : nodes)
          if (std::find(order.begin(), order.end(), g.elementIndex) == order.end()) order.push_back(g.elementIndex);
        for (size_t a = 0; a < c.elements; ++a) {
          EXPECT_EQ(partial.elements[a], order[a]) << what;
          EXPECT_EQ(partial.elementAtoms[a], atoms[static_cast<size_t>(order[a] - 10)]) << what;
          for (size_t b = a; b < c.elements; ++b, ++t) {
            const auto key = std::make_pair(std::min(order[a], order[b]), std::max(order[a], order[b]));
            const auto found = reference.find(key);
            const std::map<int64_t, PairCount> none;
            const auto& want = found == reference.end() ? none : found->second;
            std::map<int64_t, PairCount> got;
            PairCount sum = 0;
            for (size_t k = 0; k < static_cast<size_t>(partial.count); ++k) {
              const PairCount n = partial.pairs[t][k];
              sum += n;
              if (n != 0) got[std::llround(partial.r[k] / c.w)] = n;
            }
            EXPECT_EQ(got, want) << what << " table " << t;
            // N_a (N_a - 1) / 2 pairs of one element, N_a N_b of two.
            const int64_t na = partial.elementAtoms[a], nb = partial.elementAtoms[b];
            EXPECT_EQ(sum, a == b ? na * (na - 1) / 2 : na * nb) << what << " table " << t;
          }
        }
        // Occupied bins only, r accumulated by addition.
        double r = 0;
        int64_t bin = 0;
        for (size_t k = 0; k < static_cast<size_t>(partial.count); ++k) {
          EXPECT_NE(partial.binTotal(k), 0) << what;
          const int64_t want = std::llround(partial.r[k] / c.w);
          for (; bin < want; ++bin) r += c.w;
          ASSERT_EQ(partial.r[k], r) << what;
        }
      }
    }
  }
}

TEST(ElementPartials, OneAndTwoElementsKeepTheirHistograms) {
  // Two elements interleaved stay as they are (the first element's leading
  // atoms), one element gives Rii alone; neither fills the general tables.
  vGrainNodes nodes = fccGrain(4, 6);
  assignElements(nodes, {"Cu", "Au"}, [](size_t i) { return i < 20 ? size_t{0} : size_t{1}; });
  StCalcPrm prm;
  prm.nodes = nodes;
  prm.rMax = 20;
  prm.binWidth = 0.01;
  setElementGroups(prm);
  EXPECT_EQ(prm.firstCount, 20);
  EXPECT_TRUE(prm.elementCounts.empty());
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  runPairLoop(1, prm, pdh, partial, nullptr, cancel);
  EXPECT_FALSE(partial.manyElements());
  EXPECT_EQ(partial.atomsFirst, 20);
  EXPECT_EQ(partial.elemSecond, 11);
  PairCount rij = 0;
  for (PairCount c : partial.rij) rij += c;
  EXPECT_EQ(rij, 20 * static_cast<PairCount>(nodes.size() - 20));
}

TEST(ElementPartials, LatticeMethodLeavesThreeElementsToThePairLoop) {
  vGrainNodes nodes;
  diamNodes gen(8, 5.4, nodes, 0, "Zn");
  gen.generate();
  ASSERT_TRUE(gen.grid);
  assignElements(nodes, {"Zn", "S", "Se"}, [&](size_t i) { return i < nodes.size() / 2 ? size_t{0} : 1 + i % 2; });
  StCalcPrm prm;
  prm.nodes = nodes;
  prm.rMax = 17;
  prm.binWidth = 0.01;
  prm.grid = *gen.grid;
  setElementGroups(prm);
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  StPdhRunOptions how;
  StPairRunResult res = runPdh(1, prm, pdh, partial, nullptr, cancel, how);
  ASSERT_FALSE(res.log.empty());
  EXPECT_EQ(res.log[0], " PDH method: pair loop (lattice not used: the grain holds more than two elements)");
  EXPECT_EQ(res.method, PdhMethod::Pairs);
  EXPECT_EQ(partial.pairs.size(), 6u);
  how.method = PdhMethod::Lattice;
  res = runPdh(1, prm, pdh, partial, nullptr, cancel, how);
  EXPECT_TRUE(res.refused);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, "The lattice method cannot be used: the grain holds more than two elements");
}

// I(Q) = sum_i sum_j f_i f_j sin(Q r_ij) / (Q r_ij), every ordered pair of
// atoms (i = j gives f_i^2): the exact Debye equation without histograms.
double exactDebye(const vGrainNodes& nodes, const std::vector<double>& f, double q) {
  double sum = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    sum += f[i] * f[i];
    for (size_t j = i + 1; j < nodes.size(); ++j) {
      const double qr = q * pairDistance(nodes[i], nodes[j]);
      sum += 2 * f[i] * f[j] * std::sin(qr) / qr;
    }
  }
  return sum;
}

TEST(ElementPartials, PatternEqualsTheExactDebyeSum) {
  const ElementTable table = testing::shippedTable();
  // Ba, Ti and O on a displaced fcc grain; Ti has a negative neutron length.
  vGrainNodes nodes = jiggled(fccGrain(4.0, 7), 0.05, 11);
  const std::vector<std::string> symbols{"Ba", "Ti", "O"};
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i].element = symbols[(i * 5) % 3];
    nodes[i].elementIndex = testing::elementIndex(table, nodes[i].element);
  }
  StCalcPrm prm;
  prm.nodes = nodes;
  prm.rMax = 20;
  prm.binWidth = 1e-6;  // the bins' lower edges stand for the distances
  setElementGroups(prm);
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  runPairLoop(1, prm, pdh, partial, nullptr, cancel);
  ASSERT_EQ(partial.elementCount(), 3u);

  for (bool neutron : {false, true}) {
    StDiffrPrm d;
    d.lambda = 0.7;
    d.k = 2 * std::numbers::pi / d.lambda;
    d.start = 5;
    d.stop = 120;
    d.step = 0.5;
    d.binWidth = prm.binWidth;
    d.table = &table;
    d.neutron = neutron;
    StDiffPattern pattern;
    const StDiffractionOutcome out = runDiffraction(d, &partial, 1, pattern);
    ASSERT_FALSE(out.refused);
    ASSERT_GT(pattern.count, 100);
    for (int32_t i = 0; i < pattern.count; i += 7) {
      const double q = pattern.q[static_cast<size_t>(i)];
      const double s = std::sin(pattern.twoTheta[static_cast<size_t>(i)] / 2) / d.lambda;
      std::vector<double> f(nodes.size());
      double self = 0;
      for (size_t k = 0; k < nodes.size(); ++k) {
        const StScatEquPrm& e = table[static_cast<size_t>(nodes[k].elementIndex)];
        f[k] = neutron ? e.neutronB : scatteringFactor(e, s);
        self += f[k] * f[k];
      }
      const double want = exactDebye(nodes, f, q);
      const double scale = self * static_cast<double>(nodes.size());  // bounds |I|
      EXPECT_NEAR(pattern.intensity[static_cast<size_t>(i)], want, 1e-6 * scale)
          << (neutron ? "neutron" : "x-ray") << " Q " << q;
      EXPECT_NEAR(pattern.sOfQ[static_cast<size_t>(i)], want / self, 1e-6 * nodes.size());
    }
  }
  // An element without a neutron length has no neutron pattern.
  ElementTable gap = table;
  gap[static_cast<size_t>(testing::elementIndex(table, "Ti"))].neutronKnown = false;
  StDiffrPrm d;
  d.lambda = 1;
  d.k = 2 * std::numbers::pi;
  d.start = 10, d.stop = 20, d.step = 1;
  d.table = &gap;
  d.neutron = true;
  StDiffPattern pattern;
  EXPECT_TRUE(runDiffraction(d, &partial, 1, pattern).refused);
  d.neutron = false;
  EXPECT_FALSE(runDiffraction(d, &partial, 1, pattern).refused);
}

}  // namespace
}  // namespace grainix
