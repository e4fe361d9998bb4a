// Pairs per second of the pair loops (PDH, partial histograms, delta sums)
// on fcc Ni spheres (a = 3.52) of about 20,000 and 60,000 atoms, perfect and
// with every atom displaced randomly by up to 0.05 Angs, bin width 0.001,
// one thread and all threads. The 300,000-atom cases run only when
// GRAINIX_BENCH_LARGE=1 is set (each takes tens of seconds per iteration).
//
//   bench_calc --benchmark_filter=Pair
//   GRAINIX_BENCH_LARGE=1 bench_calc --benchmark_filter='Pair.*/300000'
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "engine/calc/pair_loops.h"
#include "engine/grain/generators.h"

namespace grainix {
namespace {

constexpr double kLattice = 3.52;
constexpr double kBinWidth = 0.001;

// Radius of an fcc sphere holding about `atoms` nodes.
double radiusFor(int atoms) { return std::cbrt(atoms / (4.0 / (kLattice * kLattice * kLattice)) * 3 / (4 * M_PI)); }

struct Grain {
  vGrainNodes ideal, moved;
  double rMax = 0;
};

const Grain& grain(int atoms, bool displacedAtoms) {
  static std::map<std::pair<int, bool>, std::unique_ptr<Grain>> cache;
  auto& slot = cache[{atoms, displacedAtoms}];
  if (!slot) {
    slot = std::make_unique<Grain>();
    const double r = radiusFor(atoms);
    fccNodes gen(r, kLattice, slot->ideal, 0, "Ni");
    gen.generate();
    slot->moved = slot->ideal;
    if (displacedAtoms) {
      std::mt19937_64 rng(12345);
      std::uniform_real_distribution<double> u(-0.05, 0.05);
      for (auto& g : slot->moved) {
        g.x += u(rng);
        g.y += u(rng);
        g.z += u(rng);
      }
    }
    slot->rMax = 2 * r + 0.2;
  }
  return *slot;
}

// args: atoms, displaced (0/1), threads (0 = all)
void runMode(benchmark::State& state, int mode, PairKernel kernel) {
  const int atoms = static_cast<int>(state.range(0));
  const bool moved = state.range(1) != 0;
  const int threads = static_cast<int>(state.range(2));
  const Grain& g = grain(atoms, moved);
  StCalcPrm prm;
  // Modes 0 and 1 count the displaced grain itself; mode 3 bins the ideal
  // grain and sums the displaced one.
  prm.nodes = mode == 3 ? g.ideal : g.moved;
  if (mode == 3) prm.nodesMod = g.moved;
  prm.rMax = g.rMax;
  prm.binWidth = kBinWidth;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  StPairRunResult res;
  for (auto _ : state) {
    res = runPairLoop(mode, prm, pdh, partial, nullptr, cancel, threads, kernel);
    benchmark::DoNotOptimize(pdh);
  }
  const double pairs = static_cast<double>(res.pairs);
  state.counters["atoms"] = static_cast<double>(prm.nodes.size());
  state.counters["pairs/s"] = benchmark::Counter(pairs * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.SetLabel(std::string(pairKernelName(res.kernel)) + (res.laneCopies ? " lane-copies" : "") +
                 " threads=" + std::to_string(res.threads) + (moved ? " displaced" : " perfect"));
}

void PairPdh(benchmark::State& s) { runMode(s, 0, PairKernel::Auto); }
void PairPartial(benchmark::State& s) { runMode(s, 1, PairKernel::Auto); }
void PairDelta(benchmark::State& s) { runMode(s, 3, PairKernel::Auto); }
void PairPdhAvx2(benchmark::State& s) { runMode(s, 0, PairKernel::Avx2); }
void PairPdhBaseline(benchmark::State& s) { runMode(s, 0, PairKernel::Baseline); }

// args: atoms, bin width in Angs, threads (0 = all)
void PairPdhCoarse(benchmark::State& state) {
  const Grain& g = grain(static_cast<int>(state.range(0)), true);
  StCalcPrm prm;
  prm.nodes = g.moved;
  prm.rMax = g.rMax;
  prm.binWidth = static_cast<double>(state.range(1));
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  StPairRunResult res;
  for (auto _ : state) {
    res = runPairLoop(0, prm, pdh, partial, nullptr, cancel, static_cast<int>(state.range(2)));
    benchmark::DoNotOptimize(pdh);
  }
  state.counters["pairs/s"] = benchmark::Counter(static_cast<double>(res.pairs) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.SetLabel(std::string(pairKernelName(res.kernel)) + (res.laneCopies ? " lane-copies" : "") +
                 " threads=" + std::to_string(res.threads) + " bins=" + std::to_string(res.bins));
}

// A small cluster with one atom far away: the table spans millions of
// mostly empty bins.
void PairPdhStrayAtom(benchmark::State& state) {
  StCalcPrm prm;
  prm.nodes.resize(19);
  for (size_t i = 0; i < 18; ++i) {
    prm.nodes[i].x = 2.5 * static_cast<double>(i % 3);
    prm.nodes[i].y = 2.5 * static_cast<double>((i / 3) % 3);
    prm.nodes[i].z = 2.5 * static_cast<double>(i / 9);
  }
  prm.nodes[18].x = 111534;
  prm.rMax = 2.02 * 111534;
  prm.binWidth = 0.01;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  for (auto _ : state) {
    runPairLoop(static_cast<int>(state.range(0)), prm, pdh, partial, nullptr, cancel);
    benchmark::DoNotOptimize(pdh);
    benchmark::DoNotOptimize(partial);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["maxrss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
  state.counters["entries"] = static_cast<double>(state.range(0) == 1 ? partial.count : static_cast<int64_t>(pdh.size()));
}

// The plain sequential double loop, for scale.
void PairPdhSequentialLoop(benchmark::State& state) {
  const Grain& g = grain(static_cast<int>(state.range(0)), state.range(1) != 0);
  const vGrainNodes& n = g.moved;
  std::vector<int32_t> counter(static_cast<size_t>(g.rMax / kBinWidth) + 1);
  int64_t pairs = 0;
  for (auto _ : state) {
    std::fill(counter.begin(), counter.end(), 0);
    for (size_t i = 0; i + 1 < n.size(); ++i) {
      for (size_t j = i + 1; j < n.size(); ++j) {
        const double dx = n[i].x - n[j].x, dy = n[i].y - n[j].y, dz = n[i].z - n[j].z;
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
        ++counter[static_cast<size_t>(d / kBinWidth)];
      }
    }
    pairs = static_cast<int64_t>(n.size() * (n.size() - 1) / 2);
    benchmark::DoNotOptimize(counter.data());
  }
  state.counters["pairs/s"] = benchmark::Counter(static_cast<double>(pairs) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> atoms) {
  for (int a : atoms)
    for (int moved : {0, 1})
      for (int threads : {1, 0}) b->Args({a, moved, threads});
  b->ArgNames({"atoms", "displaced", "threads"})->UseRealTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(PairPdh)->Apply([](auto* b) { sizes(b, {20000, 60000}); });
BENCHMARK(PairPartial)->Apply([](auto* b) { sizes(b, {20000, 60000}); });
BENCHMARK(PairDelta)->Apply([](auto* b) { sizes(b, {20000, 60000}); });
BENCHMARK(PairPdhAvx2)->Args({20000, 1, 1})->Args({20000, 1, 0})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PairPdhBaseline)->Args({20000, 1, 1})->Args({20000, 1, 0})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PairPdhSequentialLoop)->Args({20000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(PairPdhCoarse)
    ->Args({60000, 50, 0})
    ->Args({60000, 50, 1})
    ->Args({60000, 1, 0})
    ->Args({60000, 1, 1})
    ->ArgNames({"atoms", "bin", "threads"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PairPdhStrayAtom)->Arg(0)->Arg(1)->ArgName("mode")->UseRealTime()->Unit(benchmark::kMillisecond);

// The 300,000-atom cases, registered only on request.
const bool kLargeRegistered = [] {
  const char* env = std::getenv("GRAINIX_BENCH_LARGE");
  if (!env || std::string(env) != "1") return false;
  for (auto [name, fn] : {std::pair{"PairPdh", &PairPdh}, {"PairPartial", &PairPartial}, {"PairDelta", &PairDelta}}) {
    auto* b = benchmark::RegisterBenchmark(name, fn);
    sizes(b, {300000});
    b->Iterations(1);
  }
  return true;
}();

}  // namespace
}  // namespace grainix
