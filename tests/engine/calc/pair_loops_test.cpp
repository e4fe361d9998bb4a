#include "engine/calc/pair_loops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "engine/calc/pair_result.h"
#include "engine/grain/generators.h"

namespace grainix {
namespace {

// ------------------------------------------------------------------------
// The plain sequential loop the fast one must reproduce.
struct Reference {
  std::vector<int64_t> card[3];  // mode 0/3: card[0]; mode 1: Rii, Rij, Rjj
  std::vector<double> sumIdeal, sumMod;
};

double pairDistance(const StGrainNode& a, const StGrainNode& b) {  // the sequential loop's distance
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  const double dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void bump(std::vector<int64_t>& v, size_t k) {
  if (k >= v.size()) v.resize(k + 1, 0);
  ++v[k];
}

Reference referenceLoop(int mode, const StCalcPrm& prm) {
  Reference ref;
  const size_t n = prm.nodes.size();
  const auto bins = static_cast<size_t>(prm.rMax / prm.binWidth);
  for (auto& c : ref.card) c.assign(bins, 0);
  ref.sumIdeal.assign(bins, 0);
  ref.sumMod.assign(bins, 0);
  const size_t h = prm.firstCount < 0 ? n / 2 : static_cast<size_t>(prm.firstCount);
  for (size_t i = 0; i + 1 < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      const double d = pairDistance(prm.nodes[i], prm.nodes[j]);
      const auto k = static_cast<size_t>(d / prm.binWidth);
      const int table = mode != 1 ? 0 : (j < h ? 0 : (i < h ? 1 : 2));
      bump(ref.card[table], k);
      if (mode == 3) {
        if (k >= ref.sumIdeal.size()) {
          ref.sumIdeal.resize(k + 1, 0);
          ref.sumMod.resize(k + 1, 0);
        }
        ref.sumIdeal[k] += d;
        ref.sumMod[k] += pairDistance(prm.nodesMod[i], prm.nodesMod[j]);
      }
    }
  }
  return ref;
}

vGrainNodes fccGrain(double radius, double a) {
  vGrainNodes nodes;
  fccNodes gen(radius, a, nodes, 0, "Ni");
  gen.generate();
  return nodes;
}

vGrainNodes displaced(vGrainNodes nodes, double amplitude, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-amplitude, amplitude);
  for (auto& g : nodes) {
    g.x += u(rng);
    g.y += u(rng);
    g.z += u(rng);
  }
  return nodes;
}

StCalcPrm params(vGrainNodes nodes, double rMax, double binWidth) {
  StCalcPrm prm;
  prm.nodes = std::move(nodes);
  prm.rMax = rMax;
  prm.binWidth = binWidth;
  return prm;
}

// Largest pair distance of a grain, used as a generous rMax.
double span(const vGrainNodes& nodes) {
  double m = 0;
  for (const auto& a : nodes) m = std::max(m, std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z));
  return 2 * m + 0.5;
}

// Each kernel, and the AVX-512 one also with a counter copy per lane.
struct KernelVariant {
  PairKernel kernel;
  PairCopies copies;
};
std::vector<KernelVariant> kernels() {
  return {{PairKernel::Baseline, PairCopies::One},   {PairKernel::Avx2, PairCopies::One},
          {PairKernel::Avx2, PairCopies::PerSlot},   {PairKernel::Avx512, PairCopies::One},
          {PairKernel::Avx512, PairCopies::PerLane}, {PairKernel::Avx512, PairCopies::PerSlot}};
}
std::string variantName(const KernelVariant& v) {
  return std::string(pairKernelName(v.kernel)) +
         (v.copies == PairCopies::PerLane ? " per lane" : v.copies == PairCopies::PerSlot ? " per slot" : "");
}

// The PDH holds the occupied bins of the reference, in increasing order.
void expectPdhMatches(const PdhList& pdh, const Reference& ref, double w, const std::string& what) {
  auto it = pdh.begin();
  for (size_t k = 0; k < ref.card[0].size(); ++k) {
    if (ref.card[0][k] == 0) continue;
    ASSERT_NE(it, pdh.end()) << what << " bin " << k;
    ASSERT_EQ(it->card, ref.card[0][k]) << what << " bin " << k;
    ASSERT_EQ(it->r, static_cast<double>(k) * w) << what;
    ASSERT_EQ(it->norm, 0.0);
    ASSERT_EQ(it->sumIdeal, 0.0);
    ++it;
  }
  EXPECT_EQ(it, pdh.end()) << what << ": only occupied bins";
}

// Every kernel, on two threads, gives the sequential loop's PDH.
void expectEveryKernelMatches(const StCalcPrm& prm, const std::string& what) {
  const Reference ref = referenceLoop(0, prm);
  for (const KernelVariant& kernel : kernels()) {
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    runPairLoop(0, prm, pdh, partial, nullptr, cancel, 2, kernel.kernel, kernel.copies);
    expectPdhMatches(pdh, ref, prm.binWidth, what + " " + variantName(kernel));
  }
}

// ------------------------------------------------------------------------

TEST(PairLoops, PdhEqualsSequentialLoopOnExactEdgeGrains) {
  // a = 4 puts many distances exactly on bin edges (4, 8, 4*sqrt(2)...).
  const vGrainNodes small = fccGrain(8, 4);
  const vGrainNodes larger = fccGrain(14, 4);
  for (const vGrainNodes* grain : {&small, &larger}) {
    for (double w : {0.5, 0.25, 0.1, 0.001}) {
      StCalcPrm prm = params(*grain, span(*grain), w);
      const Reference ref = referenceLoop(0, prm);
      for (const KernelVariant& kernel : kernels()) {
        for (int threads : {1, 2, 3}) {
          PdhList pdh;
          StIDCalcResults partial;
          CancelToken cancel;
          const StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, threads, kernel.kernel, kernel.copies);
          const std::string what = "n=" + std::to_string(grain->size()) + " w=" + std::to_string(w) +
                                   " kernel=" + variantName(kernel) + " threads=" + std::to_string(threads);
          EXPECT_FALSE(res.terminated);
          EXPECT_EQ(res.pairs, static_cast<int64_t>(grain->size() * (grain->size() - 1) / 2)) << what;
          EXPECT_EQ(res.pairsBeyondRange, 0) << what;
          expectPdhMatches(pdh, ref, w, what);
        }
      }
    }
  }
}

TEST(PairLoops, PdhEqualsSequentialLoopOnDisplacedGrains) {
  const vGrainNodes grain = displaced(fccGrain(13, 3.52), 0.05, 7);
  for (double w : {0.001, 0.0137, 0.3}) expectEveryKernelMatches(params(grain, span(grain), w), "displaced");
}

TEST(PairLoops, CoarseBinsStayExact) {
  // A few bins wider than the nearest-neighbour distance take every pair,
  // bin 0 many of them; also far from the origin, where the scaled
  // coordinates are large.
  vGrainNodes grain = displaced(fccGrain(14, 4), 0.05, 9);
  for (double w : {5.0, 13.7, 25.0}) expectEveryKernelMatches(params(grain, span(grain), w), "coarse");
  for (auto& g : grain) g.x += 1e5, g.y -= 3e4;
  expectEveryKernelMatches(params(grain, span(grain) + 2e5, 5.0), "coarse far away");
}

// A cluster of 18 atoms and one 20,000 Angs away, bin 0.01: millions of
// bins, of which a few dozen are occupied.
StCalcPrm strayAtomGrain() {
  vGrainNodes nodes(19);
  for (size_t i = 0; i < 18; ++i) {
    nodes[i].x = 2.5 * static_cast<double>(i % 3) + 0.01 * static_cast<double>(i);
    nodes[i].y = 2.5 * static_cast<double>((i / 3) % 3);
    nodes[i].z = 2.5 * static_cast<double>(i / 9);
  }
  nodes[18].x = 20000;
  nodes[18].y = 0.3;
  StCalcPrm prm = params(std::move(nodes), 2.02 * 20000, 0.01);
  prm.nodesMod = prm.nodes;
  for (auto& g : prm.nodesMod) g.x *= 1.001;
  return prm;
}

TEST(PairLoops, AStrayAtomKeepsOnlyTheOccupiedBins) {
  const StCalcPrm prm = strayAtomGrain();
  // The sequential loop, bin by bin in a map.
  std::map<int64_t, std::array<PairCount, 3>> want;
  std::map<int64_t, std::pair<double, double>> sums;
  for (size_t i = 0; i + 1 < prm.nodes.size(); ++i)
    for (size_t j = i + 1; j < prm.nodes.size(); ++j) {
      const double d = pairDistance(prm.nodes[i], prm.nodes[j]);
      const auto k = static_cast<int64_t>(d / prm.binWidth);
      ++want[k][j < 9 ? 0 : (i < 9 ? 1 : 2)];
      sums[k].first += d;
      sums[k].second += pairDistance(prm.nodesMod[i], prm.nodesMod[j]);
    }
  StCalcPrm partialPrm = prm;
  partialPrm.firstCount = 9;
  CancelToken cancel;
  PdhList pdh;
  StIDCalcResults partial;
  StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel);
  EXPECT_EQ(res.pairs, 171);
  ASSERT_EQ(pdh.size(), want.size());
  auto it = pdh.begin();
  for (const auto& [k, c] : want) {
    EXPECT_EQ(it->r, static_cast<double>(k) * prm.binWidth);
    EXPECT_EQ(it->card, c[0] + c[1] + c[2]);
    ++it;
  }
  runPairLoop(1, partialPrm, pdh, partial, nullptr, cancel);
  ASSERT_EQ(partial.count, static_cast<int32_t>(want.size()));
  EXPECT_EQ(partial.atomsFirst, 9);
  size_t b = 0;
  for (const auto& [k, c] : want) {
    double r = 0;
    for (int64_t step = 0; step < k; ++step) r += prm.binWidth;
    EXPECT_EQ(partial.r[b], r) << "r accumulated by addition";
    EXPECT_EQ(partial.rii[b], c[0]);
    EXPECT_EQ(partial.rij[b], c[1]);
    EXPECT_EQ(partial.rjj[b], c[2]);
    ++b;
  }
  res = runPairLoop(3, prm, pdh, partial, nullptr, cancel);
  ASSERT_EQ(pdh.size(), want.size());
  it = pdh.begin();
  for (const auto& [k, c] : want) {
    EXPECT_EQ(it->card, c[0] + c[1] + c[2]);
    EXPECT_NEAR(it->sumIdeal, sums[k].first, 1e-13 * sums[k].first);
    EXPECT_NEAR(it->sumMod, sums[k].second, 1e-13 * sums[k].second);
    ++it;
  }
  // A stop leaves the results empty, as in any run.
  cancel.request();
  res = runPairLoop(0, prm, pdh, partial, nullptr, cancel);
  EXPECT_TRUE(res.terminated);
  EXPECT_TRUE(pdh.empty());
}

TEST(PairLoops, ThreadCountsAreBoundedByTheCores) {
  const StCalcPrm prm = params(fccGrain(12, 3.52), 25, 0.001);
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, 1000000);
  EXPECT_LE(res.threads, kThreadsPerCore * static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  expectPdhMatches(pdh, referenceLoop(0, prm), prm.binWidth, "many threads asked");
}

TEST(PairLoops, TablesOfMillionsOfBinsStayExact) {
  // Over 2^19 bins the vector kernels refine their estimate further; both
  // refinements must agree with the sequential loop, edges included.
  const vGrainNodes exact = fccGrain(8, 4);
  const vGrainNodes moved = displaced(exact, 0.05, 3);
  for (const vGrainNodes* grain : {&exact, &moved}) expectEveryKernelMatches(params(*grain, span(*grain), 0.00002), "w=0.00002");
}

TEST(PairLoops, LargestTablesOfTheOneStepEstimateStayExact) {
  // Just under 2^19 bins the vector kernels refine their estimate once and
  // its error bound is widest: two clouds of random atoms 42 A apart give
  // millions of pairs near 4.2e5 bins, each of which must land where the
  // sequential loop puts it.
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> u(-4, 4);
  vGrainNodes nodes;
  for (double centre : {-21.0, 21.0}) {
    for (int k = 0; k < 1500; ++k) {
      StGrainNode g;
      g.x = centre + u(rng);
      g.y = u(rng);
      g.z = u(rng);
      nodes.push_back(g);
    }
  }
  expectEveryKernelMatches(params(nodes, 50, 0.0001), "clouds");
}

TEST(PairLoops, DistancesWithinAnUlpOfBinEdgesLandInTheSequentialBin) {
  // Atoms on a line at k*w and one ulp either side: every pair distance is
  // a bin edge or next to one.
  const double w = 0.1;
  vGrainNodes nodes;
  for (int k = 1; k <= 40; ++k) {
    const double x = k * w;
    for (double v : {std::nextafter(x, 0.0), x, std::nextafter(x, 10.0)}) {
      StGrainNode g;
      g.x = v;
      g.y = k % 3 == 0 ? 0.0 : 1e-9 * k;
      nodes.push_back(g);
    }
  }
  StGrainNode origin;
  nodes.push_back(origin);
  expectEveryKernelMatches(params(nodes, 5, w), "line");
}

TEST(PairLoops, NearAndCoincidentPairsInsideFullTilesStayExact) {
  // Twins of lattice atoms at under one bin, on the first bin edge and
  // beyond it, in full tiles of a grain far from the origin: the vector
  // kernels' shortcuts for whole tiles must not bin near pairs wrongly.
  const double w = 0.001;
  vGrainNodes nodes = fccGrain(7, 3.52);
  const size_t lattice = nodes.size();
  const double gaps[] = {0.0, 0.3 * w, std::nextafter(w, 0.0), w, std::nextafter(w, 1.0), 1.5 * w, 2 * w};
  for (size_t k = 0; k < lattice; k += 3) {
    StGrainNode twin = nodes[k];
    const double gap = gaps[k % std::size(gaps)];
    if (k % 2 == 0) {
      twin.x += gap;
    } else {
      twin.y += gap * 0.6;
      twin.z += gap * 0.8;
    }
    nodes.push_back(twin);
  }
  for (StGrainNode& g : nodes) g.x += 900;
  expectEveryKernelMatches(params(nodes, span(nodes), w), "twins");
}

TEST(PairLoops, IdealLatticesGetACounterPerLane) {
  // The choice only changes the speed; the counts stay the sequential ones.
  if (bestPairKernel() != PairKernel::Avx512) GTEST_SKIP() << "no AVX-512 here";
  const vGrainNodes ideal = fccGrain(12, 3.52);
  const vGrainNodes moved = displaced(ideal, 0.05, 5);
  for (const vGrainNodes* grain : {&ideal, &moved}) {
    const StCalcPrm prm = params(*grain, span(*grain), 0.001);
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    const StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, 2);
    EXPECT_EQ(res.laneCopies, grain == &ideal);
    expectPdhMatches(pdh, referenceLoop(0, prm), prm.binWidth, grain == &ideal ? "ideal" : "displaced");
  }
}

TEST(PairLoops, PartialHistogramsEqualSequentialLoop) {
  // A diamond-like list (first half one element, second half the other),
  // odd length to test the split at N div 2; and the same list split at a
  // quarter, as an alloy of three atoms of one element to one of the other.
  vGrainNodes nodes = displaced(fccGrain(11, 4), 0.02, 3);
  nodes.pop_back();
  const auto n = static_cast<int64_t>(nodes.size());
  for (int64_t split : {int64_t{-1}, n / 4}) {
    const int64_t h = split < 0 ? n / 2 : split;
    for (int64_t i = 0; i < n; ++i) nodes[static_cast<size_t>(i)].elementIndex = i < h ? 2 : 5;
    for (double w : {0.25, 0.001}) {
      StCalcPrm prm = params(nodes, span(nodes), w);
      prm.firstCount = split;
      const Reference ref = referenceLoop(1, prm);
      for (const KernelVariant& kernel : kernels()) {
        PdhList pdh(3);
        StIDCalcResults partial;
        CancelToken cancel;
        runPairLoop(1, prm, pdh, partial, nullptr, cancel, 2, kernel.kernel, kernel.copies);
        const std::string what = variantName(kernel) + " split " + std::to_string(h) + " w " + std::to_string(w);
        EXPECT_EQ(pdh.size(), 3u) << "mode 1 does not touch the PDH list";
        EXPECT_EQ(partial.binWidth, w);
        EXPECT_EQ(partial.elemFirst, 2);
        EXPECT_EQ(partial.elemSecond, 5);
        EXPECT_EQ(partial.atomsFirst, h);
        EXPECT_EQ(partial.atomsSecond, n - h);
        // The occupied bins only, r accumulated by addition.
        double r = 0;
        int32_t at = 0;
        for (size_t k = 0; k < ref.card[0].size(); ++k) {
          if (k > 0) r += w;
          if (ref.card[0][k] == 0 && ref.card[1][k] == 0 && ref.card[2][k] == 0) continue;
          ASSERT_LT(at, partial.count) << what;
          const auto b = static_cast<size_t>(at++);
          ASSERT_EQ(partial.r[b], r) << what;
          ASSERT_EQ(partial.rii[b], ref.card[0][k]) << what << " bin " << k;
          ASSERT_EQ(partial.rij[b], ref.card[1][k]) << what << " bin " << k;
          ASSERT_EQ(partial.rjj[b], ref.card[2][k]) << what << " bin " << k;
        }
        EXPECT_EQ(at, partial.count) << what;
      }
    }
  }
}

TEST(PairLoops, FiveNodeBiatomicGrainSplitsPairsAtNodeTwo) {
  // Distances chosen so that every pair has its own bin (w = 1).
  const double xs[] = {0, 1, 3, 7, 15};
  vGrainNodes nodes;
  for (int i = 0; i < 5; ++i) {
    StGrainNode g;
    g.x = xs[i];
    g.elementIndex = i < 2 ? 10 : 20;
    nodes.push_back(g);
  }
  StCalcPrm prm = params(nodes, 16, 1);
  StIDCalcResults partial;
  PdhList pdh;
  CancelToken cancel;
  runPairLoop(1, prm, pdh, partial, nullptr, cancel);
  ASSERT_EQ(partial.count, 10);  // the ten occupied bins
  auto bins = [&](const std::vector<PairCount>& v) {
    std::vector<int> out;
    for (size_t k = 0; k < v.size(); ++k)
      for (PairCount c = 0; c < v[k]; ++c) out.push_back(static_cast<int>(partial.r[k]));
    return out;
  };
  EXPECT_THAT(bins(partial.rii), testing::ElementsAre(1));                       // (0,1)
  EXPECT_THAT(bins(partial.rij), testing::ElementsAre(2, 3, 6, 7, 14, 15));     // (0,2)..(1,4)
  EXPECT_THAT(bins(partial.rjj), testing::ElementsAre(4, 8, 12));               // (2,3) (3,4) (2,4)
  EXPECT_EQ(partial.elemFirst, 10);
  EXPECT_EQ(partial.elemSecond, 20);
}

TEST(PairLoops, DeltaSumsMatchSequentialLoop) {
  // The last case's three bins take 250,000 pairs: their sums pass 2^64
  // units many times.
  const vGrainNodes small = fccGrain(10, 4), large = fccGrain(14, 4);
  for (auto [ideal, w] : {std::pair{&small, 0.1}, {&small, 0.001}, {&large, 13.7}}) {
    StCalcPrm prm = params(*ideal, span(*ideal), w);
    prm.nodesMod = displaced(*ideal, 0.05, 11);
    const Reference ref = referenceLoop(3, prm);
    PdhList first;
    for (const KernelVariant& kernel : kernels()) {
      for (int threads : {2, 1, 3}) {
        const std::string what = variantName(kernel) + ", " + std::to_string(threads) + " threads";
        PdhList pdh(2);
        StIDCalcResults partial;
        CancelToken cancel;
        runPairLoop(3, prm, pdh, partial, nullptr, cancel, threads, kernel.kernel, kernel.copies);
        // Every kernel on any number of threads gives the very same sums,
        // whatever order it adds the pairs in.
        if (first.empty()) first = pdh;
        ASSERT_EQ(pdh.size(), first.size());
        for (auto g = pdh.cbegin(), f = first.cbegin(); f != first.cend(); ++g, ++f) {
          ASSERT_EQ(g->sumIdeal, f->sumIdeal) << what;
          ASSERT_EQ(g->sumMod, f->sumMod) << what;
        }
        // Only bins whose ideal sum is not 0, in increasing bin order;
        // counts exact, sums equal to the sequential loop's within its
        // roundings.
        auto it = pdh.begin();
        for (size_t k = 0; k < ref.sumIdeal.size(); ++k) {
          if (ref.sumIdeal[k] == 0) continue;
          ASSERT_NE(it, pdh.end());
          EXPECT_EQ(it->card, ref.card[0][k]) << k;
          EXPECT_NEAR(it->sumIdeal, ref.sumIdeal[k], 1e-11 * ref.sumIdeal[k]) << k;
          EXPECT_NEAR(it->sumMod, ref.sumMod[k], 1e-11 * ref.sumMod[k]) << k;
          EXPECT_EQ(it->r, 0.0);
          ++it;
        }
        EXPECT_EQ(it, pdh.end()) << what;
      }
    }
  }
}

TEST(PairLoops, UniformScalingGivesTheSameRelativeChangeInEveryBin) {
  const vGrainNodes ideal = fccGrain(9, 3.52);
  vGrainNodes moved = ideal;
  for (auto& g : moved) g.x *= 1.01, g.y *= 1.01, g.z *= 1.01;
  StCalcPrm prm = params(ideal, span(moved), 0.01);
  prm.nodesMod = moved;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  runPairLoop(3, prm, pdh, partial, nullptr, cancel);
  ASSERT_FALSE(pdh.empty());
  for (const StLiczOdl& e : pdh) EXPECT_NEAR((e.sumMod - e.sumIdeal) / e.sumIdeal, 0.01, 1e-12);
}

TEST(PairLoops, BinsHoldingMoreThan2To31PairsAreExact) {
  // 65,600 atoms within a unit cube and a bin of 10: every one of the
  // 2,151,647,200 pairs lands in bin 0, beyond what 32 bits hold.
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> u(0, 1);
  vGrainNodes nodes(65600);
  for (auto& g : nodes) g.x = u(rng), g.y = u(rng), g.z = u(rng);
  StCalcPrm prm = params(std::move(nodes), 20, 10);
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel);
  ASSERT_FALSE(pdh.empty());
  EXPECT_EQ(pdh.front().r, 0.0);
  EXPECT_EQ(pdh.front().card, PairCount{2151647200});
  EXPECT_EQ(res.pairs, PairCount{2151647200});
  EXPECT_TRUE(res.log.empty());
}

TEST(PairLoops, TwoAtomsAt1_05WithWidth0_1LandInBin10) {
  vGrainNodes nodes(2);
  nodes[1].x = 1.05;
  StCalcPrm prm = params(nodes, 2, 0.1);
  for (const KernelVariant& kernel : kernels()) {
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    runPairLoop(0, prm, pdh, partial, nullptr, cancel, 1, kernel.kernel, kernel.copies);
    ASSERT_EQ(pdh.size(), 1u);
    EXPECT_EQ(pdh.front().card, 1);
    EXPECT_EQ(pdh.front().r, 10 * 0.1);
  }
}

TEST(PairLoops, OneNodeGivesAnEmptyHistogram) {
  StCalcPrm prm = params(vGrainNodes(1), 1, 0.001);
  PdhList pdh(2);
  StIDCalcResults partial;
  CancelToken cancel;
  RecordingProgress gauge;
  const StPairRunResult res = runPairLoop(0, prm, pdh, partial, &gauge, cancel);
  EXPECT_EQ(res.pairs, 0);
  EXPECT_EQ(res.bins, 1000);
  EXPECT_TRUE(pdh.empty()) << "no bin is occupied";
  EXPECT_EQ(gauge.maximum.load(), 1000) << "second phase runs over the bins";
  EXPECT_FALSE(gauge.visible.load());
}

TEST(PairLoops, ZeroBinsIsRefusedSayingWhyAndLeavesResultsAsTheyWere) {
  struct Case {
    double rMax, w;
    const char* text;
  } cases[] = {
      {0.5, 1.0, "size == 0: the bin width 1 Angs is larger than the histogram range (maxDistance = 0.5 Angs)"},
      {0, 0.01, "size == 0: the histogram range (maxDistance) is 0 Angs: the grain has fewer than two atoms apart"},
      {10, 0, "size == 0: the bin width (0) must be a positive number"},
  };
  for (const Case& c : cases) {
    for (int mode : {0, 1, 3}) {
      StCalcPrm prm = params(fccGrain(6, 4), c.rMax, c.w);
      prm.nodesMod = prm.nodes;
      PdhList pdh(4);
      StIDCalcResults partial;
      partial.allocate(7);
      CancelToken cancel;
      RecordingProgress gauge;
      const StPairRunResult res = runPairLoop(mode, prm, pdh, partial, &gauge, cancel);
      EXPECT_TRUE(res.refused);
      ASSERT_EQ(res.messages.size(), 1u);
      EXPECT_EQ(res.messages[0], (StMessage{MessageKind::Error, "ERROR", c.text}));
      EXPECT_EQ(pdh.size(), 4u);
      EXPECT_EQ(partial.count, 7);
      EXPECT_FALSE(gauge.visible.load());
    }
  }
  EXPECT_EQ(pairBinCount(0.5, 1.0), 0);
  EXPECT_EQ(pairBinCount(10, 0), 0);
  EXPECT_EQ(pairBinCount(std::nan(""), 0.1), 0);
  EXPECT_EQ(pairBinCount(10, 3), 3);
}

TEST(PairLoops, GaugeScaleHalvesAbove65535Nodes) {
  struct Case {
    int64_t n;
    int64_t m;
    double step;
  } cases[] = {{1253, 1253, 1.0}, {65535, 65535, 1.0}, {65536, 32768, 0.25}, {70000, 35000, 0.25},
               {300000, 37500, 0.25 * 0.25 * 0.25}};
  for (const Case& c : cases) {
    for (int mode : {0, 1, 3}) {
      const StPairGaugeScale g = pairGaugeScale(c.n, mode);
      EXPECT_EQ(g.m, c.m) << c.n;
      EXPECT_EQ(g.step, c.step) << c.n;
      EXPECT_EQ(g.maximum, mode == 1 ? c.m * (c.m - 1) / 2 : (c.m / 2) * (c.m - 1)) << c.n << " " << mode;
    }
  }
  EXPECT_EQ(pairGaugeScale(70000, 0).maximum, 17500 * 34999);
  EXPECT_EQ(pairGaugeScale(70000, 1).maximum, 35000 * 34999 / 2);
}

TEST(PairLoops, StopLeavesEmptyResults) {
  StCalcPrm prm = params(fccGrain(10, 4), 25, 0.01);
  prm.nodesMod = prm.nodes;
  for (int mode : {0, 1, 3}) {
    PdhList pdh(5);
    StIDCalcResults partial;
    partial.allocate(9);
    CancelToken cancel;
    cancel.request();
    RecordingProgress gauge;
    const StPairRunResult res = runPairLoop(mode, prm, pdh, partial, &gauge, cancel);
    EXPECT_TRUE(res.terminated);
    EXPECT_FALSE(gauge.visible.load());
    if (mode == 1) {
      EXPECT_EQ(partial.count, 0);
      EXPECT_TRUE(partial.rii.empty());
      EXPECT_EQ(pdh.size(), 5u);
    } else {
      EXPECT_TRUE(pdh.empty()) << mode;
    }
  }
}

TEST(PairLoops, StopDuringALargeRunEndsItEarly) {
  StCalcPrm prm = params(fccGrain(40, 3.52), 81, 0.001);  // about 31,000 nodes
  PdhList pdh(1);
  StIDCalcResults partial;
  CancelToken cancel;
  RecordingProgress gauge;
  StPairRunResult res;
  std::thread worker([&] { res = runPairLoop(0, prm, pdh, partial, &gauge, cancel, 0, PairKernel::Baseline); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  cancel.request();
  worker.join();
  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  EXPECT_TRUE(res.terminated);
  EXPECT_LT(res.pairs, n * (n - 1) / 2);
  EXPECT_TRUE(pdh.empty());
}

TEST(PairLoops, PairsBeyondTheExpectedRangeAreKeptAndReported) {
  vGrainNodes nodes(3);
  nodes[1].x = 1;
  nodes[2].x = 5;
  for (auto& g : nodes) g.elementIndex = 1;
  StCalcPrm prm = params(nodes, 2, 0.5);  // B = 4; distances 1, 4, 5 -> bins 2, 8, 10
  prm.nodesMod = nodes;
  for (const KernelVariant& kernel : kernels()) {
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, 2, kernel.kernel, kernel.copies);
    EXPECT_EQ(res.expectedBins, 4);
    EXPECT_EQ(res.bins, 11);
    EXPECT_EQ(res.pairsBeyondRange, 2);
    ASSERT_EQ(pdh.size(), 3u);
    EXPECT_EQ(std::next(pdh.begin(), 1)->r, 8 * 0.5);
    EXPECT_EQ(std::next(pdh.begin(), 2)->card, 1);
    EXPECT_EQ(std::next(pdh.begin(), 2)->r, 10 * 0.5);
    ASSERT_EQ(res.log.size(), 1u);
    EXPECT_EQ(res.log[0],
              " 2 pairs lay beyond the expected range (maxDistance = 2 Angs); the table was extended to 11 bins");

    res = runPairLoop(1, prm, pdh, partial, nullptr, cancel, 2, kernel.kernel, kernel.copies);  // h = 1: pairs (0,1),(0,2) Rij, (1,2) Rjj
    ASSERT_EQ(partial.count, 3);
    EXPECT_EQ(partial.r, (std::vector<double>{1, 4, 5}));
    EXPECT_EQ(partial.rij, (std::vector<PairCount>{1, 0, 1}));
    EXPECT_EQ(partial.rjj, (std::vector<PairCount>{0, 1, 0}));
    EXPECT_EQ(res.pairsBeyondRange, 2);

    res = runPairLoop(3, prm, pdh, partial, nullptr, cancel, 2, kernel.kernel, kernel.copies);
    ASSERT_EQ(pdh.size(), 3u);
    EXPECT_EQ(pdh.back().sumIdeal, 5);
    EXPECT_EQ(res.pairsBeyondRange, 2);
  }
}

TEST(PairLoops, CoincidentAndNonFiniteNodes) {
  vGrainNodes nodes(4);
  nodes[1].x = 0;           // same place as node 0: distance 0, bin 0
  nodes[2].x = 0.75;
  nodes[3].x = std::nan("");  // three pairs without a distance
  StCalcPrm prm = params(nodes, 1, 0.5);
  for (const KernelVariant& kernel : kernels()) {
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    const StPairRunResult res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, 1, kernel.kernel, kernel.copies);
    ASSERT_EQ(pdh.size(), 2u);
    EXPECT_EQ(pdh.front().card, 1);
    EXPECT_EQ(pdh.back().card, 2);
    EXPECT_EQ(res.pairsUndefined, 3);
    ASSERT_EQ(res.log.size(), 1u);
    EXPECT_THAT(res.log[0], testing::StartsWith(" 3 pairs were not counted"));
  }
}

// A refused delta run says why and leaves the list as it was.
void expectDeltaRefused(const StCalcPrm& prm, const std::string& why) {
  PdhList pdh(2);
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPairLoop(3, prm, pdh, partial, nullptr, cancel);
  EXPECT_TRUE(res.refused) << why;
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, why);
  EXPECT_EQ(pdh.size(), 2u);
}

TEST(PairLoops, DeltaRunNeedsListsOfEqualLength) {
  StCalcPrm prm = params(vGrainNodes(10), 5, 0.1);
  prm.nodesMod = vGrainNodes(11);
  expectDeltaRefused(prm, "Sizes of ideal lattice and modified are different: 10, 11");
}

TEST(PairLoops, DeltaRunRefusesModifiedAtomsItCannotSum) {
  // Atom 3 of four moved; the ideal atom 4 has no place, so its modified
  // place does not matter. With bin width 0.01 atoms may move 83886.08 Angs.
  struct Case {
    double x;
    std::string refusal;  // empty: accepted
  };
  const Case cases[] = {
      {std::nan(""), "Atom 3 of the modified grain has no finite position; delta(r) cannot be computed"},
      {HUGE_VAL, "Atom 3 of the modified grain has no finite position; delta(r) cannot be computed"},
      {1.0e5, "Atom 3 of the modified grain lies 99999 Angs from its ideal place; delta(r) takes displacements of up "
              "to 83886 Angs (2^23 bin widths)"},
      {8.0e4, ""},
  };
  for (const Case& c : cases) {
    vGrainNodes nodes(4);
    nodes[1].x = 1.25;
    nodes[2].x = 1;
    nodes[3].x = std::nan("");
    StCalcPrm prm = params(nodes, 3, 0.01);
    prm.nodesMod = nodes;
    prm.nodesMod[1].x = 1.5;
    prm.nodesMod[2].x = c.x;
    prm.nodesMod[3].x = HUGE_VAL;
    if (!c.refusal.empty()) {
      expectDeltaRefused(prm, c.refusal);
      continue;
    }
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    const StPairRunResult res = runPairLoop(3, prm, pdh, partial, nullptr, cancel);
    // A far move coarsens the units, yet the pair of atoms 1 and 2 keeps
    // its sums within 2^-50 (k + 3 + reach / w) / k.
    ASSERT_FALSE(res.refused) << res.messages.at(0).text;
    ASSERT_EQ(pdh.size(), 3u);  // bins 25, 100 and 125 (atoms 1 and 2)
    const StLiczOdl& kept = pdh.back();
    EXPECT_EQ(kept.card, 1);
    EXPECT_NEAR(kept.sumIdeal, 1.25, 1.25 * 2e-9);
    EXPECT_NEAR(kept.sumMod, 1.5, 1.5 * 2e-9);
  }
  // A bin width whose units a double cannot hold.
  vGrainNodes two(2);
  two[1].x = 1e-278;
  StCalcPrm tiny = params(two, 1e-277, 1e-280);
  tiny.nodesMod = two;
  expectDeltaRefused(tiny, "delta(r) takes bin widths from 1.1831E-271 to 8.4527E270 Angs, not 1E-280");
}

TEST(PairLoops, OtherModesDoNothing) {
  StCalcPrm prm = params(vGrainNodes(3), 5, 0.1);
  PdhList pdh(2);
  StIDCalcResults partial;
  CancelToken cancel;
  const StPairRunResult res = runPairLoop(2, prm, pdh, partial, nullptr, cancel);
  EXPECT_FALSE(res.refused);
  EXPECT_EQ(res.pairs, 0);
  EXPECT_EQ(pdh.size(), 2u);
}

// ------------------------------------------------------------------------
// A run split into shares (one per process): the shares' counts added up
// give the whole run's results.
struct SharedRun {
  PdhList pdh;
  StIDCalcResults partial;
  StPairRunResult res;
  std::vector<int64_t> sharePairs;
};

// Counts every share (the last first) and adds them up, as the process
// that gathers them does.
SharedRun runInShares(int mode, const StCalcPrm& prm, int shares, int threads) {
  SharedRun out;
  StPairCounts all;
  CancelToken cancel;
  out.sharePairs.assign(static_cast<size_t>(shares), 0);
  for (int k = shares - 1; k >= 0; --k) {
    StPairCounts counts;
    const StPairRunResult r = countPairShare(mode, prm, {k, shares}, counts, nullptr, cancel, threads);
    EXPECT_FALSE(r.refused || r.terminated);
    out.sharePairs[static_cast<size_t>(k)] = r.pairs;
    out.res.pairs += r.pairs;
    out.res.pairsUndefined += r.pairsUndefined;
    out.res.expectedBins = r.expectedBins;
    addPairCounts(all, counts);
  }
  fillPairResult(mode, prm, occupiedBinsOf(all), out.pdh, out.partial, nullptr, out.res);
  return out;
}

TEST(PairShares, SharesAddUpToTheWholeRunInEveryMode) {
  // Odd length (the partial split at N div 2), pairs beyond rMax (the
  // table extends) and one node without coordinates (pairs not counted).
  vGrainNodes nodes = displaced(fccGrain(9, 4), 0.03, 5);
  nodes.pop_back();
  nodes[7].x = std::nan("");
  StCalcPrm prm = params(nodes, 0.8 * span(nodes), 0.01);
  prm.nodesMod = displaced(nodes, 0.02, 6);
  for (int mode : {0, 1, 3}) {
    PdhList want;
    StIDCalcResults wantPartial;
    CancelToken cancel;
    const StPairRunResult whole = runPairLoop(mode, prm, want, wantPartial, nullptr, cancel, 1);
    ASSERT_GT(whole.pairsBeyondRange, 0);
    ASSERT_GT(whole.pairsUndefined, 0);
    for (auto [shares, threads] : {std::pair{1, 2}, {2, 2}, {3, 1}, {3, 2}, {7, 2}, {500, 1}}) {
      const SharedRun got = runInShares(mode, prm, shares, threads);
      const std::string what = "mode " + std::to_string(mode) + ", " + std::to_string(shares) + " shares";
      EXPECT_EQ(got.res.pairs, whole.pairs) << what;
      EXPECT_EQ(got.res.pairsUndefined, whole.pairsUndefined) << what;
      EXPECT_EQ(got.res.pairsBeyondRange, whole.pairsBeyondRange) << what;
      EXPECT_EQ(got.res.bins, whole.bins) << what;
      EXPECT_EQ(got.res.log, whole.log) << what;
      ASSERT_EQ(got.pdh.size(), want.size()) << what;
      for (auto g = got.pdh.cbegin(), w = want.cbegin(); w != want.end(); ++g, ++w) {
        ASSERT_EQ(g->card, w->card) << what << " r " << w->r;
        ASSERT_EQ(g->r, w->r) << what;
        ASSERT_EQ(g->sumIdeal, w->sumIdeal) << what;  // integer sums: the order does not matter
        ASSERT_EQ(g->sumMod, w->sumMod) << what;
      }
      EXPECT_EQ(got.partial.count, wantPartial.count) << what;
      EXPECT_EQ(got.partial.r, wantPartial.r) << what;
      EXPECT_EQ(got.partial.rii, wantPartial.rii) << what;
      EXPECT_EQ(got.partial.rij, wantPartial.rij) << what;
      EXPECT_EQ(got.partial.rjj, wantPartial.rjj) << what;
      EXPECT_EQ(got.partial.atomsFirst, wantPartial.atomsFirst) << what;
    }
  }
}

TEST(PairShares, SharesHoldEqualNumbersOfPairsNotOfAtoms) {
  // The triangle of pairs: equal atom ranges would give the first share
  // of two three times the pairs of the second.
  const StCalcPrm prm = params(fccGrain(16, 4), 70, 0.01);
  const auto n = static_cast<int64_t>(prm.nodes.size());
  const int64_t total = n * (n - 1) / 2;
  for (int mode : {0, 1}) {
    for (int shares : {2, 3, 7}) {
      const SharedRun got = runInShares(mode, prm, shares, 2);
      for (int64_t pairs : got.sharePairs)  // cut at a pair of tiles: at most 16 x 16 pairs off
        EXPECT_NEAR(static_cast<double>(pairs), static_cast<double>(total) / shares, 256.0)
            << "mode " << mode << ", " << shares << " shares";
    }
  }
}

TEST(PairShares, FewPairsOnALargeTableAreCountedByTheFirstShare) {
  const StCalcPrm prm = strayAtomGrain();
  PdhList want;
  StIDCalcResults partial;
  CancelToken cancel;
  runPairLoop(0, prm, want, partial, nullptr, cancel);
  const SharedRun got = runInShares(0, prm, 3, 2);
  EXPECT_EQ(got.sharePairs, (std::vector<int64_t>{171, 0, 0}));
  ASSERT_EQ(got.pdh.size(), want.size());
  for (auto g = got.pdh.cbegin(), w = want.cbegin(); w != want.end(); ++g, ++w) EXPECT_EQ(g->card, w->card);
}

TEST(PairShares, AStoppedOrMissingShareCountsNothing) {
  const StCalcPrm prm = params(fccGrain(8, 4), 20, 0.01);
  StPairCounts counts;
  counts.bins = {4};
  CancelToken cancel;
  cancel.request();
  StPairRunResult res = countPairShare(0, prm, {1, 2}, counts, nullptr, cancel);
  EXPECT_TRUE(res.terminated);
  EXPECT_TRUE(counts.bins.empty());
  cancel.reset();
  for (StPairShare bad : {StPairShare{2, 2}, StPairShare{-1, 2}, StPairShare{0, 0}}) {
    res = countPairShare(0, prm, bad, counts, nullptr, cancel);
    EXPECT_TRUE(res.refused) << bad.index << " of " << bad.count;
    EXPECT_TRUE(counts.bins.empty());
  }
}

}  // namespace
}  // namespace grainix
