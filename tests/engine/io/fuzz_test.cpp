// Random, truncated and mangled inputs for every reader: none may crash,
// hang or allocate for an absurd size line; each either reads the file or
// reports an error and leaves the previous data (nodes: an empty list).
#include <gtest/gtest.h>

#include <random>

#include "engine/io/readers.h"
#include "engine/io/writers.h"
#include "tests/engine/io/io_test_util.h"

namespace grainix {
namespace {

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
  return out;
}

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

}  // namespace
}  // namespace grainix
