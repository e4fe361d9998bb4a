#include "engine/io/writers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <random>
#include <tuple>

#include "engine/core/format.h"

#include "engine/io/settings.h"
#include "tests/engine/core/file_size_limit.h"
#include "tests/engine/io/io_test_util.h"

namespace grainix {
namespace {

using testing::fixtureTexts;
using testing::node;
using testing::readAll;
using testing::TempDir;

std::string header(int size, const std::string& atoms = "Cu", const std::string& structure = "fcc") {
  return "#date: 2026-12-09, 10:00:00\n#size: " + std::to_string(size) +
         "\n#latticeParam: 3.54\n#grainRadius: 5\n#structure: " + structure + "\n#sphere: 1\n#modified: 0\n#atoms: " +
         atoms + "\n";
}

vGrainNodes threeNodes() {
  return {node("Cu", 0, 0, 0, 0), node("Cu", 1.77, 1.77, 0, 2.503158), node("Ni", -1.77, 0, 1.77, 2.503158, 2.5)};
}

TEST(HeaderBlock, AtomsLineListsBoxesOrTheLoadedSymbols) {
  StHeaderFields h = fixtureTexts().header;
  EXPECT_EQ(fileHeaderText(h, 7), header(7));
  h.biatomic = true;
  h.elementR = "Ni";
  EXPECT_EQ(fileHeaderText(h, 7), header(7, "Cu\tNi"));
  // A grain read from a file is described by the symbols of that file.
  h.loadedAtoms = {"Ga", "As"};
  EXPECT_EQ(fileHeaderText(h, 7), header(7, "Ga\tAs"));
  h.sphere = false;
  h.modified = true;
  const std::string text = fileHeaderText(h, 0);
  EXPECT_NE(text.find("#sphere: 0\n#modified: 1\n"), std::string::npos);
}

// Every nodes layout chosen from the path, byte for byte.
TEST(NodesWriter, GoldenTextOfEveryLayout) {
  TempDir dir;
  const StFileTexts t = fixtureTexts();
  const std::string colA = "#E.\t       x\t       y\t       z\t        \n";
  const std::string comment = "#comment: no comment\n";
  struct Case {
    std::string name;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"g.ndl", header(3) + comment + colA +
                    "Cu\t 0.000000\t 0.000000\t 0.000000\n"
                    "Cu\t 1.770000\t 1.770000\t 0.000000\n"
                    "Ni\t-1.770000\t 0.000000\t 1.770000\n"},
      // sorted by r descending; the two equal radii keep an order we do not test here
      {"g.xyz", "3\ncomment\n"
                "Cu\t 0.000000\t 0.000000\t 0.000000\n"
                "Cu\t 1.770000\t 1.770000\t 0.000000\n"
                "Ni\t-1.770000\t 0.000000\t 1.770000\n"},
      {"g.at", " 0.00000  0.00000  0.00000 Cu\n"
               " 1.77000  1.77000  0.00000 Cu\n"
               "-1.77000  0.00000  1.77000 Ni\n"},
      {"g.txt", header(3) + comment + colA},
      {"g.NDL", header(3) + comment + colA},
  };
  for (const auto& c : cases) {
    vGrainNodes nodes = threeNodes();
    const auto res = saveNodesFile(dir.file(c.name), nodes, t);
    ASSERT_TRUE(res.ok) << c.name;
    EXPECT_EQ(readAll(dir.file(c.name)), c.expected) << c.name;
  }
}

TEST(NodesWriter, SortedLayoutsLeaveTheListAsItWas) {
  TempDir dir;
  const StFileTexts t = fixtureTexts();
  vGrainNodes nodes = {node("Cu", 0, 0, 1, 1), node("Cu", 0, 0, 3, 3), node("Cu", 0, 0, -2, 2),
                       node("Cu", 0, 0, 2, 2, 1.5)};
  ASSERT_TRUE(saveNodesFile(dir.file("s.ndm"), nodes, t).ok);
  EXPECT_EQ(readAll(dir.file("s.ndm")), header(4) + "#comment: no comment\n" +
                                            "#E.\t       x\t       y\t       z\t  r_prev\t r_final\n"
                                            "Cu\t 0.000000\t 0.000000\t 3.000000\t 0.000000\t 3.000000\n"
                                            "Cu\t 0.000000\t 0.000000\t 2.000000\t 1.500000\t 2.000000\n"
                                            "Cu\t 0.000000\t 0.000000\t-2.000000\t 0.000000\t 2.000000\n"
                                            "Cu\t 0.000000\t 0.000000\t 1.000000\t 0.000000\t 1.000000\n");
  // A save never changes the grain: a zinc blende list keeps its halves.
  EXPECT_EQ(nodes[0].z, 1);
  EXPECT_EQ(nodes[1].z, 3);
  EXPECT_EQ(nodes[2].z, -2);
  EXPECT_EQ(nodes[3].z, 2);

  vGrainNodes n2 = {node("Cu", 0, 0, 1, 1), node("Cu", 0, 0, 3, 3)};
  ASSERT_TRUE(saveNodesFile(dir.file("s.nds"), n2, t).ok);
  EXPECT_EQ(readAll(dir.file("s.nds")), header(2) + "#comment: no comment\n" +
                                            "#E.\t       x\t       y\t       z\t       r\n"
                                            "Cu\t 0.000000\t 0.000000\t 3.000000\t 3.000000\n"
                                            "Cu\t 0.000000\t 0.000000\t 1.000000\t 1.000000\n");
  EXPECT_EQ(n2[0].r, 1);
  ASSERT_TRUE(saveNodesFile(dir.file("s.xyz.nds"), n2, t).ok);
  EXPECT_EQ(n2[0].r, 1);
}

TEST(NodesWriter, EmptyGrainAndLayoutChoice) {
  TempDir dir;
  vGrainNodes none;
  ASSERT_TRUE(saveNodesFile(dir.file("e.ndl"), none, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("e.ndl")),
            header(0) + "#comment: no comment\n#E.\t       x\t       y\t       z\t        \n");
  ASSERT_TRUE(saveNodesFile(dir.file("e.xyz"), none, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("e.xyz")), "0\ncomment\n");

  // The extension of the file's own name decides; folder names do not.
  const std::pair<const char*, NodesLayout> layouts[] = {
      {"/a/b.ndl.xyz", NodesLayout::Xyz},          {"/a/b.xyz", NodesLayout::Xyz},
      {"/a/b.AT", NodesLayout::HeaderOnly},        {"/a/b.xyz.at", NodesLayout::At},
      {"/a/b.nds", NodesLayout::Nds},              {"/a/b.ndm", NodesLayout::Ndm},
      {"/my.attempts/grain.xyz", NodesLayout::Xyz}, {"/run.ndl/grain", NodesLayout::HeaderOnly},
      {"/x.nds/g.xyz", NodesLayout::Xyz}};
  for (const auto& [path, layout] : layouts) EXPECT_EQ(nodesLayoutForPath(path), layout) << path;
}

TEST(NodesWriter, DecimalPointIsAPointWhateverTheLocale) {
  TempDir dir;
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  // Any locale with a decimal comma, when installed; the test still checks the C case otherwise.
  for (const char* loc : {"de_DE.UTF-8", "pl_PL.UTF-8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_ALL, loc)) break;
  vGrainNodes nodes = {node("Cu", 1.5, 0, 0, 1.5)};
  const bool ok = saveNodesFile(dir.file("l.ndl"), nodes, fixtureTexts()).ok;
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(ok);
  EXPECT_NE(readAll(dir.file("l.ndl")).find("Cu\t 1.500000\t 0.000000"), std::string::npos);
}

// The fast fixed form of the node rows prints what printf prints.
TEST(FileWriter, FixedFormMatchesPrintf) {
  TempDir dir;
  std::vector<double> values = {0, -0.0, 0.0000005, 0.0000015, -0.0000004, 2.5e-7, 123456.1234565, -1e15, 1e300,
                                3.5399999999, 99.9999995, -7.77777777};
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> d(-1000, 1000);
  for (int i = 0; i < 2000; ++i) values.push_back(d(rng));
  std::string expected;
  {
    FileWriter out;
    ASSERT_TRUE(out.open(dir.file("f.txt")));
    for (double v : values) {
      out.putFixed(v, 9, 6);
      out.put('|');
      expected += fmtPrintf("%9.6f", v) + "|";
    }
    ASSERT_TRUE(out.close());
  }
  EXPECT_EQ(readAll(dir.file("f.txt")), expected);
}

TEST(HistogramWriter, MonoatomicSkipsEmptyBins) {
  TempDir dir;
  PdhList pdh;
  for (int k = 0; k < 10; ++k) pdh.push_back({k * 0.5, (k == 2 || k == 5 || k == 9) ? k * 10 : 0, 0, 0, 0});
  StIDCalcResults none;
  ASSERT_TRUE(saveHistogramFile(dir.file("h.his"), pdh, none, false, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("h.his")), header(3) +
                                            "#binWidth: 0.001\n#comment: no comment\n"
                                            "# Delta r\t   Card.\n"
                                            " 1.000000\t      20\n"
                                            " 2.500000\t      50\n"
                                            " 4.500000\t      90\n");
}

TEST(HistogramWriter, BiatomicRowsKeepEveryDigit) {
  TempDir dir;
  StIDCalcResults p;
  p.allocate(4);
  p.r = {0, 0.25, 0.5, 1234.5678};
  p.rii = {0, 12, 0, 1039642};
  p.rij = {0, 0, 0, 5'000'000'123};
  p.rjj = {0, 0, 3, 0};
  StFileTexts t = fixtureTexts();
  t.header.biatomic = true;
  t.header.elementR = "Ni";
  ASSERT_TRUE(saveHistogramFile(dir.file("b.his"), {}, p, true, t).ok);
  EXPECT_EQ(readAll(dir.file("b.his")), header(3, "Cu\tNi") +
                                            "#binWidth: 0.001\n#comment: no comment\n"
                                            "# Delta r\tCard. Rii\tCard. Rij\tCard. Rjj\n"
                                            " 0.250000\t      12\t       0\t       0\n"
                                            " 0.500000\t       0\t       0\t       3\n"
                                            "1234.567800\t 1039642\t5000000123\t       0\n");
}

TEST(DiffractionWriter, ColumnsFollowTheChosenUnits) {
  TempDir dir;
  StDiffPattern p;
  p.twoTheta = {0.1, 0.2};
  p.q = {1.5, 2.5};
  p.sOfQ = {0.75, 0.5};
  p.intensity = {100, 200};
  p.count = 2;
  StFileTexts t = fixtureTexts();
  t.step = "0.10";
  ASSERT_TRUE(saveDiffractionFile(dir.file("d.diff"), p, t).ok);
  EXPECT_EQ(readAll(dir.file("d.diff")), header(2) +
                                             "#lambda: 1.54056\n#K: 4.0785\n#dtheta: 0.1\n#comment: no comment\n"
                                             "#    theta\t       S\n"
                                             " 0.100000\t 0.750000\n"
                                             " 0.200000\t 0.500000\n");
  t.angleAbscissa = false;
  t.sOrdinate = false;
  ASSERT_TRUE(saveDiffractionFile(dir.file("q.diff"), p, t).ok);
  EXPECT_NE(readAll(dir.file("q.diff")).find("#        Q\t       I\n 1.500000\t100.000000\n 2.500000\t200.000000\n"), std::string::npos);

  // A pattern read from a file has only the columns it was saved with.
  StDiffPattern partial;
  partial.twoTheta = {0.1};
  partial.sOfQ = {1};
  partial.count = 1;
  const auto res = saveDiffractionFile(dir.file("x.diff"), partial, t);
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  // A step that is not a number is the conversion error, before the file is touched.
  t.step = "abc";
  const auto bad = saveDiffractionFile(dir.file("y.diff"), p, t);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.messages.at(0).kind, MessageKind::ConversionError);
}

TEST(GrAndDeltaWriters, GoldenText) {
  TempDir dir;
  StData gr;
  gr.x = {0, 0.01};
  gr.y = {-0.5, 12.25};
  gr.count = 2;
  ASSERT_TRUE(saveGrFile(dir.file("g.grp"), gr, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("g.grp")), header(2) +
                                            "#comment: no comment\n#        r\t    G(r)\n"
                                            " 0.000000\t-0.500000\n 0.010000\t12.250000\n");
  PdhList delta;
  StLiczOdl e;
  e.card = 3;
  e.sumIdeal = 7.5;
  e.sumMod = 7.575;
  delta.push_back(e);
  ASSERT_TRUE(saveDeltaFile(dir.file("d.dij"), delta, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("d.dij")), header(1) +
                                            "#binWidth: 0.001\n#comment: no comment\n"
                                            "# r[Angs]\t(ri-r)/r\n2.5\t0.01\n");
}

TEST(SectionsWriter, RowsAndTheEmptyTable) {
  TempDir dir;
  ASSERT_TRUE(saveSectionsFile(dir.file("e.sct"), {}, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("e.sct")), header(0) + "#s.\t     r\t     n\t     a\t     b\t     c\nsections not defined !");
  secPrm s(2);
  s[0].name = "Core";
  s[0].r = 5;
  s[0].a = -1.5;
  s[0].c = 5;
  s[1].name = "Shell 1";
  s[1].r = 7.25;
  s[1].a = 2;
  s[1].b = 5;
  s[1].c = 7.25;
  ASSERT_TRUE(saveSectionsFile(dir.file("s.sct"), s, fixtureTexts()).ok);
  EXPECT_EQ(readAll(dir.file("s.sct")), header(2) +
                                            "#s.\t     r\t     n\t     a\t     b\t     c\n"
                                            "Core\t 5.000\t     0\t-1.500\t 0.000\t 5.000\n"
                                            "Shell 1\t 7.250\t     0\t 2.000\t 5.000\t 7.250\n");
}

TEST(SaveAll, DerivedNamesIndexAndFailure) {
  TempDir dir;
  const auto paths = saveAllPaths("/data/res.results/run.res");
  // Only the file name is renamed: the folder stays the chosen one.
  EXPECT_EQ(paths.nodes, "/data/res.results/run.ndl");
  EXPECT_EQ(paths.histogram, "/data/res.results/run.his");
  EXPECT_EQ(paths.sections, "/data/res.results/run.sct");
  EXPECT_EQ(paths.diffraction, "/data/res.results/run.diff");
  EXPECT_EQ(saveAllPaths("/d/a.res.res").nodes, "/d/a.ndl.ndl");
  EXPECT_EQ(saveAllPaths("/d/plain").diffraction, "/d/plain.diff");

  vGrainNodes nodes = threeNodes();
  PdhList pdh = {{0.5, 2, 0, 0, 0}};
  StDiffPattern pattern;
  pattern.twoTheta = {0.1};
  pattern.sOfQ = {1};
  pattern.count = 1;
  std::string folder;
  const std::string index = dir.file("all.res");
  const auto res = saveAll(index, nodes, pdh, {}, false, pattern, {}, fixtureTexts(), &folder);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(folder, dir.path());
  EXPECT_EQ(readAll(index), "#date: 2026-12-09, 10:00:00\n"
                            "  *** results were placed in following files ***\n"
                            "nodes: " + dir.file("all.ndl") + "\n"
                            "pdf/histogram: " + dir.file("all.his") + "\n"
                            "sections: " + dir.file("all.sct") + "\n"
                            "diffracion: " + dir.file("all.diff") + "\n"
                            "\t*** ***");
  EXPECT_FALSE(readAll(dir.file("all.sct")).empty());

  const std::string missing = dir.file("nofolder/x.res");
  const auto bad = saveAll(missing, nodes, pdh, {}, false, pattern, {}, fixtureTexts());
  EXPECT_FALSE(bad.ok);
  ASSERT_EQ(bad.messages.size(), 2u);
  EXPECT_EQ(bad.messages[0].text, "Error, couldn't open file: " + dir.file("nofolder/x.ndl") + " for writing");
  EXPECT_EQ(bad.messages[1].text, "Creation  of the data file: " + missing + " failed ");
}

TEST(Writers, OpenFailureMessage) {
  vGrainNodes nodes;
  const auto res = saveNodesFile("/nonexistent-folder/x.ndl", nodes, fixtureTexts());
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, "Error, couldn't open file: /nonexistent-folder/x.ndl for writing");
  // A disk that fills up is reported, not taken for success.
  if (std::filesystem::exists("/dev/full")) {
    const auto full = saveNodesFile("/dev/full", nodes, fixtureTexts());
    EXPECT_FALSE(full.ok);
    ASSERT_EQ(full.messages.size(), 1u);
    EXPECT_EQ(full.messages[0].text, incompleteWriteError("/dev/full"));
  }
}

TEST(Writers, AFullDiskLeavesTheOldFileAndNamesTheRequestedOne) {
  TempDir dir;
  vGrainNodes nodes;
  for (int i = 0; i < 3000; ++i) nodes.push_back(node("Cu", i, 0, 0, i));
  PdhList pdh;
  for (int k = 1; k < 3000; ++k) pdh.push_back({k * 0.01, k, 0, 0, 0});
  const std::string ndl = dir.file("grain.ndl"), his = dir.file("grain.his"), ini = dir.file("grainix.ini");
  testing::writeAll(ndl, "old nodes\n");
  testing::writeAll(his, "old histogram\n");
  testing::writeAll(ini, "[aux]\ngw=640\ncomm=old\n");
  StSettings settings;
  settings.comm = std::string(100000, 'c');
  StCommandResult nodesRes, pdhRes, iniRes;
  {
    testing::FileSizeLimit limit(16 * 1024);
    nodesRes = saveNodesFile(ndl, nodes, fixtureTexts());
    pdhRes = saveHistogramFile(his, pdh, {}, false, fixtureTexts());
    iniRes = saveSettings(ini, settings);
  }
  for (const auto& [path, res, old] : {std::tuple{ndl, nodesRes, "old nodes\n"}, std::tuple{his, pdhRes, "old histogram\n"}}) {
    EXPECT_FALSE(res.ok) << path;
    ASSERT_EQ(res.messages.size(), 1u) << path;
    EXPECT_EQ(res.messages[0].text, incompleteWriteError(path));
    EXPECT_EQ(res.log, std::vector<std::string>{path + ": File too large"});
    EXPECT_EQ(readAll(path), old);
  }
  EXPECT_FALSE(iniRes.ok);
  EXPECT_EQ(iniRes.messages.at(0).text, "Unable to write to " + ini);
  EXPECT_EQ(readAll(ini), "[aux]\ngw=640\ncomm=old\n");
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_FALSE(isTempFileName(e.path().filename().string())) << e.path();
}

TEST(MemoDump, NameAndContent) {
  EXPECT_EQ(memoDumpName("2013-07-15", "12:34:56"), "2013-07-15-12-34-56");
  EXPECT_EQ(memoDumpName("15.07.2013", "12:34:56"), "15-07-2013-12-34-56");
  TempDir dir;
  const std::string path = memoDumpPath(dir.path(), std::time(nullptr));
  EXPECT_EQ(path.substr(0, dir.path().size() + 1), dir.path() + "/");
  EXPECT_EQ(path.substr(path.size() - 4), ".txt");
  const auto res = saveMemo(path, {"line 1", "line 2"});
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(res.log, (std::vector<std::string>{"memo saved to file:", path}));
  EXPECT_EQ(readAll(path), "line 1\nline 2\n");
  EXPECT_EQ(savedNodesLogLines("/p.ndl"),
            (std::vector<std::string>{"............", "data were saved to file:", "/p.ndl", "............"}));
}

}  // namespace
}  // namespace grainix
