// grainix-cli --cif: the files of a grain cut from a CIF file of fcc Ni or
// zinc blende ZnS are those of the builders for the same radius and centre
// (but for the line naming the structure, and the order of the nodes); refusals name the problem.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CliCifTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("grainix_cli_cif_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Exit status; stderr in `err`.
  int run(const std::string& args) {
    const std::string errFile = (dir / "stderr.txt").string();
    const std::string cmd = "cd '" + dir.string() + "' && '" GRAINIX_CLI "' " + args + " 2>'" + errFile + "'";
    const int raw = std::system(cmd.c_str());
    err = slurp(errFile);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  static std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The lines of a written file but its "#date:" and "#structure:" lines.
  static std::string body(const fs::path& p) {
    std::istringstream in(slurp(p));
    std::string line, out;
    while (std::getline(in, line))
      if (line.rfind("#date:", 0) != 0 && line.rfind("#structure:", 0) != 0) out += line + "\n";
    return out;
  }
  // The same with the lines sorted: a node set whatever the order.
  static std::string sortedBody(const fs::path& p) {
    std::istringstream in(body(p));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
  }
  static std::string cif(const std::string& name) { return "'" GRAINIX_SOURCE_DIR "/tests/data/cif/" + name + "'"; }

  fs::path dir;
  std::string err;
};

TEST_F(CliCifTest, FccAndZincBlendeFilesGiveTheBuildersFiles) {
  struct Case {
    std::string cifArgs, builderArgs, structureLine;
  };
  const Case cases[] = {
      {"--cif " + cif("ni_fcc.cif") + " --radius 9.5", "--structure fcc --element Ni --lattice 3.52 --radius 9.5",
       "#structure: cif Ni Fm-3m"},
      {"--cif " + cif("zns_sphalerite.cif") + " --cut motif --radius 11",
       "--structure zincblende --element Zn --element2 S --lattice 5.4093 --radius 11", "#structure: cif ZnS F-43m"},
  };
  for (const Case& c : cases) {
    const std::string files = " --bin 0.001 --write-pdh X.his --write-nodes X.xyz --write-diffraction X.diff";
    auto with = [&](const std::string& stem) {
      std::string f = files;
      for (size_t p; (p = f.find("X.")) != std::string::npos;) f.replace(p, 1, stem);
      return f;
    };
    ASSERT_EQ(run(c.cifArgs + with("cif")), 0) << err;
    ASSERT_EQ(run(c.builderArgs + with("built")), 0) << err;
    for (const char* ext : {".his", ".xyz", ".diff"}) {
      // The nodes are the same set; the files of results are the same.
      const auto text = std::string(ext) == ".xyz" ? sortedBody : body;
      const std::string a = text(dir / (std::string("cif") + ext)), b = text(dir / (std::string("built") + ext));
      EXPECT_GT(a.size(), 200u) << ext;
      EXPECT_EQ(a, b) << c.cifArgs << ext;
    }
    EXPECT_NE(slurp(dir / "cif.his").find(c.structureLine + "\n"), std::string::npos) << c.cifArgs;
  }
}

TEST_F(CliCifTest, RefusalsNameTheProblemAndWriteNothing) {
  const std::pair<std::string, std::string> optionErrors[] = {
      {"--cif " + cif("nacl.cif"), "--radius"},
      {"--cif " + cif("nacl.cif") + " --radius 5 --element Na", "--element"},
      {"--cif " + cif("nacl.cif") + " --radius 5 --shape cylinder", "--height"},
      {"--structure fcc --element Ni --radius 5 --center origin", "--center"},
      {"--cif missing.cif --radius 5", "--cif"},
  };
  for (const auto& [args, option] : optionErrors) {
    EXPECT_EQ(run(args + " --write-pdh x.his"), 2) << args << "\n" << err;
    EXPECT_NE(err.find(option), std::string::npos) << args << "\n" << err;
  }
  EXPECT_EQ(run("--cif " + cif("batio3_cubic.cif") + " --radius 8 --write-pdh x.his"), 1) << err;
  EXPECT_NE(err.find("holds atoms of 3 elements (Ba, Ti, O); one or two elements are supported"), std::string::npos)
      << err;
  EXPECT_FALSE(fs::exists(dir / "x.his"));
}

TEST_F(CliCifTest, CylinderCentredOnTheOriginWithItsLog) {
  ASSERT_EQ(run("--cif " + cif("zno_wurtzite.cif") +
                " --shape cylinder --radius 6 --height 10.4 --center origin --write-nodes c.xyz"),
            0)
      << err;
  EXPECT_NE(err.find("centre: cell origin"), std::string::npos) << err;
  EXPECT_NE(err.find("cylinder along z, radius 6, height 10.4"), std::string::npos) << err;
  EXPECT_NE(err.find("cif ZnO P6_3mc, number of nodes="), std::string::npos) << err;
  std::istringstream xyz(slurp(dir / "c.xyz"));
  std::string line;
  std::getline(xyz, line);
  const int count = std::stoi(line);
  std::getline(xyz, line);
  int read = 0;
  std::string symbol;
  double x, y, z;
  while (xyz >> symbol >> x >> y >> z) {
    ++read;
    EXPECT_LE(x * x + y * y, 36 + 1e-9);
    EXPECT_LE(std::abs(z), 5.2 + 1e-9);
  }
  EXPECT_EQ(read, count);
}

}  // namespace
