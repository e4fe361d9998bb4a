// Cutting grains from CIF files: cubic BaTiO3 spheres of R = 60 Angs (about
// 71,000 atoms) and R = 145 Angs (about one million atoms), the file read and
// the cell expanded in every iteration; and rutile through the whole build
// command (about one million atoms at R = 136 Angs).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/app/cif_command.h"
#include "engine/app/workbench.h"
#include "engine/calc/element_table.h"
#include "engine/grain/cif_grain.h"
#include "engine/grain/crystal.h"

namespace {

const std::vector<std::string>& elementNames() {
  static const std::vector<std::string> names = [] {
    grainix::ElementTable table;
    grainix::loadScatteringTable(GRAINIX_SOURCE_DIR "/data/scFact.sft", table);
    std::vector<std::string> v;
    for (const auto& e : table) v.push_back(e.name);
    return v;
  }();
  return names;
}

std::string cifFile(const char* name) { return std::string(GRAINIX_SOURCE_DIR "/tests/data/cif/") + name; }

void BM_CifBariumTitanateSphere(benchmark::State& state) {
  grainix::StCifCut cut;
  cut.radius = static_cast<double>(state.range(0));
  size_t nodes = 0;
  for (auto _ : state) {
    grainix::StCrystal crystal;
    std::string error;
    if (!grainix::readCrystal(cifFile("batio3_cubic.cif"), elementNames(), crystal, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    grainix::vGrainNodes list;
    grainix::cutCifGrain(crystal, cut, list);
    nodes = list.size();
    benchmark::DoNotOptimize(list.data());
    state.PauseTiming();
    list = grainix::vGrainNodes();  // freeing the list is not part of the build
    state.ResumeTiming();
  }
  state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_CifBariumTitanateSphere)->Arg(60)->Arg(145)->Unit(benchmark::kMillisecond);

void BM_CifRutileBuildCommand(benchmark::State& state) {
  grainix::StCifBuildInput in;
  in.path = cifFile("rutile.cif");
  in.radiusText = std::to_string(state.range(0));
  size_t nodes = 0;
  for (auto _ : state) {
    grainix::Workbench wb;
    const auto b = grainix::buildFromCif(wb, in, elementNames());
    if (!b.result.ok) {
      state.SkipWithError("refused");
      return;
    }
    nodes = wb.ideal.size();
    state.PauseTiming();
    wb = grainix::Workbench();
    state.ResumeTiming();
  }
  state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_CifRutileBuildCommand)->Arg(136)->Unit(benchmark::kMillisecond);

}  // namespace
