// Building fcc grains, a = 3.54: R = 95 (323,425 atoms) and R = 139
// (about one million atoms).
#include <benchmark/benchmark.h>

#include "engine/app/build_command.h"
#include "engine/app/workbench.h"

namespace {

void BM_BuildFccSphere(benchmark::State& state) {
  grainix::StBuildInput in;
  in.latticeText = "3.54";
  in.radiusText = std::to_string(state.range(0));
  in.structure = grainix::structFcc;
  in.elementL = in.elementR = "Ni";
  size_t nodes = 0;
  for (auto _ : state) {
    grainix::Workbench wb;
    auto res = grainix::build(wb, in, nullptr);
    nodes = wb.ideal.size();
    benchmark::DoNotOptimize(res);
    state.PauseTiming();
    wb = grainix::Workbench();  // freeing the list is not part of the build
    state.ResumeTiming();
  }
  state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_BuildFccSphere)->Arg(15)->Arg(95)->Arg(139)->Unit(benchmark::kMillisecond);

}  // namespace
