#pragma once
// Shared by the CIF tests: the element symbols of the bundled table, the
// test CIF files and temporary CIF files written from a text.
#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/grain/cif_grain.h"
#include "engine/grain/crystal.h"

namespace grainix::test {

// Symbols of data/scFact.sft in table order ("nam1=H", "nam2=He", ...).
inline const std::vector<std::string>& tableSymbols() {
  static const std::vector<std::string> names = [] {
    std::map<int, std::string> byNumber;
    std::ifstream in(GRAINIX_SOURCE_DIR "/data/scFact.sft");
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("nam", 0) != 0) continue;
      const auto eq = line.find('=');
      if (eq == std::string::npos || eq == 3) continue;
      try {
        byNumber[std::stoi(line.substr(3, eq - 3))] = line.substr(eq + 1);
      } catch (...) {
      }
    }
    std::vector<std::string> v;
    for (auto& [n, s] : byNumber) v.push_back(s);
    return v;
  }();
  return names;
}

inline std::string cifData(const std::string& name) { return GRAINIX_SOURCE_DIR "/tests/data/cif/" + name; }

// Writes `text` to a fresh file in the test's temporary folder.
inline std::string writeCif(const std::string& name, const std::string& text) {
  const auto dir = std::filesystem::temp_directory_path() / ("grainix-cif-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

inline StCrystal crystalOf(const std::string& path) {
  StCrystal c;
  std::string error;
  EXPECT_TRUE(readCrystal(path, tableSymbols(), c, error)) << error;
  return c;
}

inline vGrainNodes cut(const StCrystal& c, double radius, bool motif = false, bool centreOnAtom = true) {
  StCifCut k;
  k.radius = radius;
  k.motif = motif;
  k.centreOnAtom = centreOnAtom;
  vGrainNodes nodes;
  cutCifGrain(c, k, nodes);
  return nodes;
}

}  // namespace grainix::test
