#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/app/log_commands.h"
#include "engine/app/startup.h"

namespace grainix {
namespace {

StGrainNode node(const char* el, double x, double y, double z, double r, double rPrev = 0) {
  StGrainNode n;
  n.element = el;
  n.x = x;
  n.y = y;
  n.z = z;
  n.r = r;
  n.rPrev = rPrev;
  return n;
}

TEST(NodeListing, PlaneIsOpenIntervalAroundZ) {
  vGrainNodes nodes = {node("Cu", 1, 2, 0, 3), node("Cu", 0, 0, 0.1, 0.1), node("Cu", 0, 0, -0.0999, 0.0999),
                       node("Cu", 0, 0, -0.1, 0.1), node("Cu", 0, 0, 2, 2)};
  const auto lines = nodeListing(nodes, {});
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "plane z=0");
  EXPECT_EQ(lines[1], "Atom\tx \t y \tz \t rprev \t rcurr");
  EXPECT_EQ(lines[2], "Cu\t 1.00000\t 2.00000\t 0.00000\t 0.00000\t 3.00000");
  EXPECT_EQ(lines[3], "Cu\t 0.00000\t 0.00000\t-0.09990\t 0.00000\t 0.09990");
}

TEST(NodeListing, NegativeRIsListedAsNdAndShowAllListsEverything) {
  vGrainNodes nodes = {node("Xx", 1.5, -2.25, 7, -1), node("Cu", 0, 0, 0, 0)};
  StListingOptions opt;
  opt.planeZ = 3.25;
  opt.showAll = true;
  const auto lines = nodeListing(nodes, opt);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "plane z=3.25");
  EXPECT_EQ(lines[2], "Xx\t   1.500\t  -2.250\t   7.000\tnd");
}

TEST(NodeListing, SortByRReordersTheListItself) {
  vGrainNodes nodes = {node("A", 0, 0, 0, 1), node("B", 0, 0, 0, 3), node("C", 0, 0, 0, 2)};
  StListingOptions opt;
  opt.sortByR = true;
  const auto lines = nodeListing(nodes, opt);
  EXPECT_EQ(nodes[0].element, "B");
  EXPECT_EQ(nodes[1].element, "C");
  EXPECT_EQ(nodes[2].element, "A");
  EXPECT_EQ(lines[2].substr(0, 1), "B");
}

TEST(SetPlaneZ, NumberReplacesAndGarbageKeeps) {
  double z = 1.5;
  auto res = setPlaneZ("2.75", z);
  EXPECT_TRUE(res.ok);
  EXPECT_DOUBLE_EQ(z, 2.75);
  res = setPlaneZ("abc", z);
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(res.messages[0].text, "'abc' is not a valid floating point value");
  EXPECT_DOUBLE_EQ(z, 2.75);
  EXPECT_EQ(planeZText(1.0 / 3), "0.33333");
}

TEST(ShowParameters, FramedReport) {
  const auto lines = currentParametersLines({"a", "b"});
  EXPECT_EQ(lines, (std::vector<std::string>{"", "... current calculation parameters ...", "a", "b", "... ... ... ..."}));
}

TEST(ShowMessages, WidthRuleAndCaption) {
  EXPECT_EQ(mainWindowWidth(300, 500, true), 810);
  EXPECT_EQ(mainWindowWidth(300, 500, false), 310);
  EXPECT_STREQ(showMemoCaption(true), "<<");
  EXPECT_STREQ(showMemoCaption(false), ">>");
}

TEST(Disperse, ThirteenWindowsOn1200x900) {
  const auto r = disperseDiagrams(1200, 900, 13);
  ASSERT_EQ(r.size(), 13u);
  const int lefts[3] = {0, 400, 800};
  const int tops[4] = {42, 322, 602, 882};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(r[i], (StWindowRect{lefts[i % 3], tops[i / 3], 400, 280})) << i;
  }
  EXPECT_EQ(r[12], (StWindowRect{0, 52, 400, 280}));
  EXPECT_TRUE(disperseDiagrams(1200, 900, 0).empty());
}

TEST(Disperse, ChildrenStackBelowTheParentTop) {
  const StWindowRect parent{400, 322, 400, 280};
  EXPECT_EQ(stackedChildRect(parent, 0), (StWindowRect{400, 364, 400, 280}));
  EXPECT_EQ(stackedChildRect(parent, 2), (StWindowRect{400, 406, 400, 280}));
}

TEST(DroppedFiles, OnlyOneNodesFileIsTaken) {
  struct Case {
    std::vector<std::string> files;
    bool taken;
  } cases[] = {
      {{"/d/a.xyz"}, true}, {{"/d/a.NDL"}, true}, {{"/d/a.At"}, true},  {{"/d/a.his"}, false},
      {{"/d/a.ndm"}, false}, {{"/d/a.xyz", "/d/b.xyz"}, false},         {{}, false},
      {{"/d/ndl"}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(droppedNodesFile(c.files).has_value(), c.taken) << c.files.size();
}

TEST(CommandLine, ExtensionMustFollowTheFirstCharacter) {
  EXPECT_EQ(commandLineFileKind("x.ndl"), StartupFileKind::Nodes);
  EXPECT_EQ(commandLineFileKind(".ndl"), StartupFileKind::None);
  EXPECT_EQ(commandLineFileKind("/tmp/g.his"), StartupFileKind::Histogram);
  EXPECT_EQ(commandLineFileKind("/tmp/g.xyz"), StartupFileKind::Nodes);
  EXPECT_EQ(commandLineFileKind("a.ndl.xyz"), StartupFileKind::Nodes);
  EXPECT_EQ(commandLineFileKind("g.diff"), StartupFileKind::None);
  EXPECT_EQ(commandLineFileKind(""), StartupFileKind::None);
}

TEST(TempFiles, OnlyViewerAndPictureFilesAreRemoved) {
  namespace fs = std::filesystem;
  const auto dir = fs::temp_directory_path() / "grainix_tmpfiles_test";
  fs::remove_all(dir);
  fs::create_directories(dir / "keep.xyz");  // a folder with a matching name stays
  for (const char* n : {"a.xyz", "b.scr", "c.bmp", "d.ndl", "e.xyz.txt", "f.BMP"}) std::ofstream(dir / n) << "x";
  EXPECT_EQ(removeTempFiles(dir.string()), 3);
  EXPECT_FALSE(fs::exists(dir / "a.xyz"));
  EXPECT_FALSE(fs::exists(dir / "c.bmp"));
  EXPECT_TRUE(fs::exists(dir / "d.ndl"));
  EXPECT_TRUE(fs::exists(dir / "e.xyz.txt"));
  EXPECT_TRUE(fs::exists(dir / "keep.xyz"));
  EXPECT_EQ(removeTempFiles((dir / "missing").string()), 0);
  fs::remove_all(dir);
}

TEST(PriorityDialog, ButtonForValue) {
  EXPECT_EQ(priorityDialogChoice(5), 5);
  EXPECT_EQ(priorityDialogChoice(6), 6);
  for (int p : {0, 1, 2, 3, 4, 7, -1}) EXPECT_EQ(priorityDialogChoice(p), 3);
}

TEST(Startup, ElementTableSearchOrder) {
  namespace fs = std::filesystem;
  const auto root = fs::temp_directory_path() / "grainix_startup_test";
  fs::remove_all(root);
  fs::create_directories(root / "work");
  fs::create_directories(root / "bin");
  fs::create_directories(root / "share" / "grainix");
  const std::string work = (root / "work").string(), bin = (root / "bin").string();
  EXPECT_EQ(locateElementTable(work, bin), "");
  std::ofstream(root / "share" / "grainix" / "scFact.sft") << "[gen]\n";
  EXPECT_EQ(locateElementTable(work, bin), (root / "share" / "grainix" / "scFact.sft").string());
  std::ofstream(root / "bin" / "scFact.sft") << "[gen]\n";
  EXPECT_EQ(locateElementTable(work, bin), (root / "bin" / "scFact.sft").string());
  std::ofstream(root / "work" / "scFact.sft") << "[gen]\n";
  EXPECT_EQ(locateElementTable(work, bin), (root / "work" / "scFact.sft").string());
  fs::remove_all(root);
}

}  // namespace
}  // namespace grainix
