// Writing and reading a one-million-node .ndl file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "engine/io/readers.h"
#include "engine/io/writers.h"

namespace grainix {
namespace {

constexpr int kNodes = 1000000;

vGrainNodes makeNodes() {
  vGrainNodes nodes(kNodes);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> d(-80, 80);
  for (int i = 0; i < kNodes; ++i) {
    auto& n = nodes[i];
    n.x = d(rng);
    n.y = d(rng);
    n.z = d(rng);
    n.element = i % 2 ? "Cu" : "Ni";
  }
  return nodes;
}

StFileTexts texts() {
  StFileTexts t;
  t.header.latticeText = "3.54";
  t.header.radiusText = "80";
  t.header.structure = "fcc";
  t.header.elementL = "Cu";
  t.header.elementR = "Ni";
  t.header.biatomic = true;
  return t;
}

std::string benchPath() {
  return (std::filesystem::temp_directory_path() / ("grainix-bench-" + std::to_string(::getpid()) + ".ndl")).string();
}

void BM_WriteNdl1M(benchmark::State& state) {
  vGrainNodes nodes = makeNodes();
  const std::string path = benchPath();
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(path.c_str());  // a new file each time, as a first save makes it
    state.ResumeTiming();
    const auto res = saveNodesFile(path, nodes, texts());
    if (!res.ok) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteNdl1M)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ReadNdl1M(benchmark::State& state) {
  vGrainNodes nodes = makeNodes();
  const std::string path = benchPath();
  saveNodesFile(path, nodes, texts());
  const std::vector<std::string> known = {"H", "He", "Cu", "Ni"};
  for (auto _ : state) {
    vGrainNodes ideal;
    std::unique_ptr<GenNodes> gen;
    std::vector<std::string> loaded;
    secPrm sections;
    StGrainPrm prm;
    const auto load = loadNodesFile(path, {ideal, gen, loaded, sections, prm}, known);
    if (!load.result.ok || ideal.size() != static_cast<size_t>(kNodes)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(ideal.data());
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadNdl1M)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
}  // namespace grainix
