// Time of a diffraction pattern of 1,500 points over a 60,000-bin histogram
// whose bins are all occupied, and of a G(r) transform of that pattern.
#include <benchmark/benchmark.h>

#include <random>

#include "engine/calc/diffraction.h"
#include "engine/calc/diffraction_kernels.h"
#include "engine/calc/gr.h"

namespace grainix {
namespace {

struct PatternInput {
  PdhList pdh;
  vGrainNodes nodes;
  ElementTable table;
  StDiffrPrm prm;
  PatternInput() {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> cards(1, 100000);
    for (int k = 0; k < 60000; ++k) pdh.push_back({k * 0.001, cards(rng), 0, 0, 0});
    nodes.resize(60000);
    for (auto& n : nodes) n.elementIndex = 0;
    StScatEquPrm ni;
    ni.name = "Ni";
    const double c[9] = {12.8376, 3.8785, 7.292, 0.2565, 4.4438, 12.1763, 2.38, 66.3421, 1.0341};
    for (int i = 0; i < 9; ++i) ni.coef[i] = c[i];
    table.push_back(ni);
    prm.lambda = 1.5444;
    prm.k = 4.06836;
    prm.start = 5;
    prm.stop = 155;
    prm.step = 0.1;  // 1,500 points
    prm.nodes = &nodes;
    prm.pdh = &pdh;
    prm.table = &table;
  }
};

const PatternInput& input() {
  static const PatternInput in;
  return in;
}

// Arg: threads (0 = every core).
void BM_Pattern1500x60000(benchmark::State& state) {
  const PatternInput& in = input();
  StDiffPattern pat;
  for (auto _ : state) {
    runDiffraction(in.prm, nullptr, 0, pat, nullptr, nullptr, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(pat.intensity.data());
  }
  state.counters["points"] = pat.count;
  state.counters["terms/s"] =
      benchmark::Counter(static_cast<double>(pat.count) * 60000.0, benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel(kernelPath());
}
BENCHMARK(BM_Pattern1500x60000)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GrOfPattern(benchmark::State& state) {
  const PatternInput& in = input();
  StDiffPattern pat;
  runDiffraction(in.prm, nullptr, 0, pat);
  LorchWindow window;
  StGrPrm prm{0, 30, 0.01, &pat, &window};  // 3,000 r points
  StData gr;
  for (auto _ : state) {
    computeGr(prm, gr, nullptr, nullptr, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(gr.y.data());
  }
  state.counters["points"] = gr.count;
}
BENCHMARK(BM_GrOfPattern)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace grainix
