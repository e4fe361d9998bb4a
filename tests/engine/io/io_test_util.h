#pragma once
// A temporary folder per test and small file helpers for the data-file tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "engine/io/writers.h"

namespace grainix::testing {

class TempDir {
 public:
  // `memory`: a RAM-backed folder when there is one (the fuzz tests write
  // thousands of small files).
  explicit TempDir(bool memory = false) {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    if (memory && ::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    std::string tmpl = (base / "grainix-io-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void writeAll(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline StFileTexts fixtureTexts() {
  StFileTexts t;
  t.header.dateTime = "2026-12-09, 10:00:00";
  t.header.latticeText = "3.54";
  t.header.radiusText = "5";
  t.header.structure = "fcc";
  t.header.elementL = "Cu";
  t.header.elementR = "X";
  t.comment = "no comment";
  t.binWidth = "0.001";
  t.lambda = "1.54056";
  t.k = "4.0785";
  t.step = "0.1";
  return t;
}

inline StGrainNode node(const char* sym, double x, double y, double z, double r, double rPrev = 0) {
  StGrainNode n;
  n.x = n.x0 = x;
  n.y = n.y0 = y;
  n.z = n.z0 = z;
  n.r = r;
  n.rPrev = rPrev;
  n.element = sym;
  return n;
}

}  // namespace grainix::testing
