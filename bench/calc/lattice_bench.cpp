// Wall time of the PDH and partial histograms of ideal grains from the
// lattice (FFT correlations of the coset grids), with the pair loop on the
// same structure beside it: an fcc Ni sphere (a = 3.52), zinc blende GaAs
// partials (a = 5.65) and stacked spheres of the sequence ABCABC... (with
// and without the second sublattice), bin width 0.001, all threads. The
// million-atom lattice cases and the 60,000-atom cases of both methods
// run by default; the pair loop is not run at a million atoms (minutes).
//
//   bench_calc --benchmark_filter=Lattice
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "engine/calc/pdh_run.h"
#include "engine/grain/generators.h"
#include "engine/grain/stacking.h"

namespace grainix {
namespace {

constexpr double kBinWidth = 0.001;

enum Structure { Fcc = 0, ZincBlende = 1, Stacked = 2, StackedSublattice = 3 };

struct Grain {
  vGrainNodes nodes;
  StLatticeGrid grid;
  double rMax = 0;
};

const Grain& grain(Structure s, int atoms) {
  static std::map<std::pair<int, int>, std::unique_ptr<Grain>> cache;
  auto& slot = cache[{s, atoms}];
  if (slot) return *slot;
  slot = std::make_unique<Grain>();
  Grain& g = *slot;
  if (s == Fcc || s == ZincBlende) {
    const double a = s == Fcc ? 3.52 : 5.65;
    const double perCell = s == Fcc ? 4 : 8;
    const double r = a * std::cbrt(atoms / perCell * 3 / (4 * M_PI));
    std::unique_ptr<GenNodes> gen;
    if (s == Fcc)
      gen = std::make_unique<fccNodes>(r, a, g.nodes, 0, "Ni");
    else
      gen = std::make_unique<diamNodes>(r, a, g.nodes, 0, "Ga");
    gen->generate();
    g.grid = *gen->grid;
    g.rMax = (r + a / 4) * 2.02;
    return g;
  }
  const double a = 3.52;
  const bool sub = s == StackedSublattice;
  const double r = a * std::cbrt(atoms / (sub ? 8.0 : 4.0) * 3 / (4 * M_PI));
  StGrainPrm prm;
  prm.radius = r;
  prm.latticePrm = a;
  prm.sphere = true;
  prm.elementL = prm.elementR = "Ni";
  prm.maxDistance = (r + a / 4) * 2.02;
  StStackingInput in;
  in.ha = initialHcpA(a);
  in.c = initialHcpC(a);
  in.sublattice = sub;
  const int64_t layers = minLayers(r, in.ha);
  for (int64_t k = 0; k < layers; ++k) in.sequence += "ABC"[k % 3];
  buildStacked(in, g.nodes, prm);
  g.grid = stackedGrid(prm.stackedHa, prm.stackedC, prm.stackedSublattice, prm.stackedU);
  g.rMax = prm.maxDistance;
  return g;
}

// args: structure, atoms, method (1 pairs, 2 lattice)
void LatticePdh(benchmark::State& state) {
  const auto s = static_cast<Structure>(state.range(0));
  const Grain& g = grain(s, static_cast<int>(state.range(1)));
  StCalcPrm prm;
  prm.nodes = g.nodes;
  prm.rMax = g.rMax;
  prm.binWidth = kBinWidth;
  prm.grid = g.grid;
  StPdhRunOptions opt;
  opt.method = state.range(2) == 1 ? PdhMethod::Pairs : PdhMethod::Lattice;
  const int mode = s == ZincBlende ? 1 : 0;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  StPairRunResult res;
  for (auto _ : state) {
    res = runPdh(mode, prm, pdh, partial, nullptr, cancel, opt);
    benchmark::DoNotOptimize(pdh);
  }
  if (res.refused) state.SkipWithError(res.messages.empty() ? "refused" : res.messages[0].text.c_str());
  state.counters["atoms"] = static_cast<double>(prm.nodes.size());
  static const char* names[] = {"fcc sphere", "zinc blende partials", "stacked ABC sphere",
                                "stacked ABC sphere + sublattice"};
  state.SetLabel(std::string(names[s]) + ", " + pdhMethodName(res.method) + ", threads=" + std::to_string(res.threads));
}

void cases(benchmark::internal::Benchmark* b) {
  for (int s : {Fcc, ZincBlende, Stacked, StackedSublattice}) {
    b->Args({s, 60000, 1});
    b->Args({s, 60000, 2});
    b->Args({s, 1000000, 2});
  }
  b->ArgNames({"structure", "atoms", "method"})->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(1);
}
BENCHMARK(LatticePdh)->Apply(cases);

}  // namespace
}  // namespace grainix
