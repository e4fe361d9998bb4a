// Random, truncated and mangled inputs for every reader (data files, the
// element table, diagram data files): none may crash, hang or allocate for
// an absurd count; each either reads the file or reports an error and
// leaves the previous data (nodes: an empty list). Every read runs within a
// bound on the memory it allocates and on its time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <random>
#include <thread>

#include "engine/calc/element_table.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"
#include "engine/plot/graph_model.h"
#include "tests/engine/io/io_test_util.h"

// Allocations of this test program are counted while a bounded read runs; a
// read that asks for more than its budget gets std::bad_alloc, which the
// test reports instead of the machine running out of memory.
namespace {
std::atomic<bool> gCounting{false};
std::atomic<size_t> gAllocated{0};
constexpr size_t kReadBudget = size_t(256) << 20;  // bytes allocated by one read, in all
}  // namespace

[[gnu::noinline]] void* operator new(size_t n) {
  if (gCounting.load(std::memory_order_relaxed) &&
      gAllocated.fetch_add(n, std::memory_order_relaxed) + n > kReadBudget)
    throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
// Out of line, so the compiler does not pair an inlined free with new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, size_t) noexcept { std::free(p); }
// The library's temporary buffers (std::stable_sort) take memory by the
// nothrow form; it must come from the same place as the rest.
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return operator new(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace grainix {
namespace {

// Runs one read under the memory budget and a time limit: a read that
// hangs ends the program with the case named, as no test could go on.
template <class F>
void bounded(const std::string& what, F&& read) {
  using namespace std::chrono;
  static std::atomic<int64_t> deadline{0};
  static std::mutex mutex;
  static std::string current;
  static const bool watching = [] {
    std::thread([] {
      for (;;) {
        std::this_thread::sleep_for(milliseconds(200));
        const int64_t d = deadline.load();
        if (d != 0 && steady_clock::now().time_since_epoch().count() > d) {
          std::lock_guard<std::mutex> lock(mutex);
          std::fprintf(stderr, "a reader did not return within its time limit: %s\n", current.c_str());
          std::abort();
        }
      }
    }).detach();
    return true;
  }();
  (void)watching;
  {
    std::lock_guard<std::mutex> lock(mutex);
    current = what;
  }
  deadline = (steady_clock::now() + seconds(30)).time_since_epoch().count();
  gAllocated = 0;
  gCounting = true;
  bool outOfBudget = false;
  try {
    read();
  } catch (const std::bad_alloc&) {
    outOfBudget = true;
  }
  gCounting = false;
  deadline = 0;
  EXPECT_FALSE(outOfBudget) << what << " asked for more than " << (kReadBudget >> 20) << " MB";
}

using testing::fixtureTexts;
using testing::node;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;

struct Grain {
  vGrainNodes ideal;
  std::unique_ptr<GenNodes> generator;
  std::vector<std::string> loaded;
  secPrm sections;
  StGrainPrm prm;
  StReadTarget target() { return {ideal, generator, loaded, sections, prm}; }
};

// Valid files of every kind, written by the writers.
std::vector<std::pair<std::string, std::string>> seedFiles(const TempDir& dir) {
  StFileTexts t = fixtureTexts();
  t.header.biatomic = true;
  t.header.elementR = "Ni";
  vGrainNodes nodes = {node("Cu", 1, 2, 3, 3.7), node("Ni", -1, 0.5, 0, 1.1), node("Cu", 0, 0, 0, 0)};
  PdhList pdh = {{0.5, 3, 0, 0, 0}, {1.0, 7, 0, 0, 0}};
  StIDCalcResults partial;
  partial.allocate(2);
  partial.r = {0.5, 1};
  partial.rii = {1, 2};
  partial.rij = {3, 0};
  partial.rjj = {0, 5};
  StDiffPattern p;
  p.twoTheta = {0.1, 0.2};
  p.sOfQ = {1, 2};
  p.q = p.intensity = {3, 4};
  p.count = 2;
  secPrm s(2);
  s[0].name = "Core";
  s[1].name = "Shell 1";
  std::vector<std::pair<std::string, std::string>> out;
  for (const char* name : {"s.ndl", "s.xyz", "s.at", "s.nds", "s.ndm"}) {
    vGrainNodes copy = nodes;
    saveNodesFile(dir.file(name), copy, t);
    out.push_back({name, readAll(dir.file(name))});
  }
  saveHistogramFile(dir.file("m.his"), pdh, partial, false, t);
  out.push_back({"m.his", readAll(dir.file("m.his"))});
  saveHistogramFile(dir.file("b.his"), pdh, partial, true, t);
  out.push_back({"b.his", readAll(dir.file("b.his"))});
  saveDiffractionFile(dir.file("d.diff"), p, t);
  out.push_back({"d.diff", readAll(dir.file("d.diff"))});
  saveSectionsFile(dir.file("s.sct"), s, t);
  out.push_back({"s.sct", readAll(dir.file("s.sct"))});
  out.push_back({"e.dat", "x y\n1 2\n3 4\n"});
  out.push_back({"t.sft",
                 "[gen]\nnum=3\nnam1=H\nnam2=Ni\nnam3=Cu\n[H]\na1=0.49\nb1=10.5\nc=0.003\nlc=3.75\nlatt=hcp\n"
                 "td=110\nmass=1.008\n[Ni]\na1=12.8\nb1=3.2\nlc=3.52\ntd=450\nmass=58.69\n[Cu]\na1=13.3\n"});
  Graph2DModel m;
  m.divideGraph(2, 1);
  m.insertData(std::vector<double>{0, 1, 2}, std::vector<double>{5, 6, 7}, 1, 1);
  m.insertData(std::vector<double>{0.5, 1.5}, std::vector<double>{-1, 1e-5}, 2, 1);
  m.insertData(std::vector<double>{3, 4}, std::vector<double>{8, 9}, 2, 1);
  m.setGraphTitle("pdh");
  out.push_back({"g.ddf", m.ddfText()});
  return out;
}

void readWithItsReader(const std::string& path, const std::string& ext, Grain& g, PdhList& pdh,
                       StIDCalcResults& partial, StDiffPattern& pattern);

// Reads `text` as a file named like `name` with the matching reader.
void readAs(const TempDir& dir, const std::string& name, const std::string& text) {
  const std::string path = dir.file("fuzz-" + name);
  writeAll(path, text);
  Grain g;
  g.ideal = {node("Fe", 9, 9, 9, 1)};
  PdhList pdh = {{1, 1, 0, 0, 0}};
  StIDCalcResults partial;
  StDiffPattern pattern;
  const std::string ext = name.substr(name.find('.'));
  bounded(name, [&] { readWithItsReader(path, ext, g, pdh, partial, pattern); });
}

void readWithItsReader(const std::string& path, const std::string& ext, Grain& g, PdhList& pdh,
                       StIDCalcResults& partial, StDiffPattern& pattern) {
  if (ext == ".his") {
    const auto r = loadHistogramFile(path, g.target(), pdh, partial);
    if (!r.result.ok) {
      ASSERT_EQ(pdh.size(), 1u);  // previous histogram kept
      ASSERT_FALSE(r.result.messages.empty());
    } else {
      ASSERT_EQ(static_cast<int64_t>(r.biatomic ? partial.count : static_cast<int32_t>(pdh.size())),
                r.header.size);
    }
  } else if (ext == ".diff") {
    const auto r = loadDiffractionFile(path, g.target(), pattern);
    if (r.result.ok) {
      ASSERT_EQ(pattern.count, r.header.size);
    } else {
      ASSERT_EQ(pattern.count, 0);
    }
  } else if (ext == ".sct") {
    const auto r = loadSectionsFile(path, g.target());
    if (r.result.ok) {
      ASSERT_EQ(static_cast<int64_t>(g.sections.size()), r.header.size);
    }
  } else if (ext == ".dat") {
    const auto r = loadExperimentalFile(path);
    ASSERT_EQ(r.data.count, static_cast<int32_t>(r.data.x.size()));
  } else if (ext == ".sft") {
    ElementTable table;
    std::vector<std::string> names;
    loadScatteringTable(path, table, &names);
    ASSERT_EQ(table.size(), names.size());
    ElementGridModel grid;
    grid.loadFile(path);
    ASSERT_EQ(static_cast<size_t>(grid.elementCount()), table.size());
    ASSERT_EQ(readKnownSymbols(path), names);
  } else if (ext == ".ddf") {
    Graph2DModel m;
    if (m.loadDataFromFile(path) != DdfStatus::Ok) {
      ASSERT_EQ(m.diagramCount(), 0u);  // a refused file changes nothing
    }
  } else {
    const auto r = loadNodesFile(path, g.target(), {"Cu", "Ni"});
    if (!r.result.ok) {
      ASSERT_TRUE(g.ideal.empty());
      ASSERT_FALSE(r.result.messages.empty());
    } else {
      ASSERT_TRUE(g.generator);
      for (const auto& n : g.ideal) ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
  }
}

TEST(ReaderFuzz, TruncatedAtEveryByte) {
  TempDir dir(true);
  for (const auto& [name, text] : seedFiles(dir))
    for (size_t len = 0; len <= text.size(); ++len) {
      SCOPED_TRACE(name + " truncated to " + std::to_string(len));
      readAs(dir, name, text.substr(0, len));
      if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(ReaderFuzz, RandomMutationsAndNoise) {
  TempDir dir(true);
  std::mt19937 rng(20261209);
  const auto seeds = seedFiles(dir);
  const std::string alphabet = "0123456789.-+eE#\t \n\r:abcXnaif\x01\xff";
  for (int round = 0; round < 1500; ++round) {
    const auto& [name, seed] = seeds[rng() % seeds.size()];
    std::string text = seed;
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const size_t pos = rng() % text.size();
      switch (rng() % 4) {
        case 0: text[pos] = alphabet[rng() % alphabet.size()]; break;
        case 1: text.erase(pos, 1 + rng() % 8); break;
        case 2: text.insert(pos, 1, alphabet[rng() % alphabet.size()]); break;
        default: text.insert(pos, text.substr(rng() % text.size(), rng() % 40)); break;
      }
    }
    SCOPED_TRACE(name + " round " + std::to_string(round));
    readAs(dir, name, text);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Pure noise and binary data.
  for (int round = 0; round < 200; ++round) {
    std::string text(rng() % 600, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    readAs(dir, seeds[round % seeds.size()].first, text);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(ReaderFuzz, AbsurdSizeLinesAllocateNothingLarge) {
  TempDir dir(true);
  for (const auto& [name, text] : seedFiles(dir)) {
    const auto pos = text.find("#size: ");
    if (pos == std::string::npos) continue;
    const auto end = text.find('\n', pos);
    for (const char* size : {"2147483647", "9223372036854775807", "99999999999999999999", "-1", "1e9", "0x10"}) {
      std::string t = text;
      t.replace(pos, end - pos, std::string("#size: ") + size);
      SCOPED_TRACE(name + " size " + size);
      readAs(dir, name, t);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  // The count line of an .xyz file.
  readAs(dir, "big.xyz", "9223372036854775807\ncomment\nCu 1 2 3\n");
  readAs(dir, "neg.xyz", "-5\ncomment\nCu 1 2 3\n");
}

TEST(ReaderFuzz, AbsurdCountsInTheElementTableAndDiagramFiles) {
  TempDir dir(true);
  for (const char* num : {"2000000000", "2147483647", "99999999999", "-5", "0x7fffffff"}) {
    SCOPED_TRACE(num);
    readAs(dir, "n.sft", std::string("[gen]\nnum=") + num + "\nnam1=H\nnam2=He\n[H]\na1=1\n");
  }
  ElementTable table;
  const std::string path = dir.file("big.sft");
  writeAll(path, "[gen]\nnum=2000000000\nnam1=H\n");
  bounded("big.sft", [&] { loadScatteringTable(path, table); });
  EXPECT_LE(table.size(), 2u);  // no more elements than the section has keys
  // A series count, a point count and a grid beyond anything the text holds.
  for (const char* text : {"1#1\n\n0#0#0#t#x#y#999999999999\n", "1#1\n\n0#0#0#t#x#y#1\n\n999999999999#0#0#1\n1\t2\n",
                           "1#1\n\n0#0#0#t#x#y#9223372036854775807\n\n2#0#0#1\n1\t2\n3\t4\n",
                           "999#999\n", "3#3\n"}) {
    SCOPED_TRACE(text);
    readAs(dir, "a.ddf", text);
  }
}

}  // namespace
}  // namespace grainix
