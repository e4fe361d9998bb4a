#include "engine/io/readers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/core/format.h"
#include "engine/calc/diffraction.h"
#include "engine/calc/pair_loops.h"
#include "engine/io/writers.h"
#include "tests/engine/calc/diffr_test_support.h"
#include "tests/engine/io/io_test_util.h"

namespace grainix {
namespace {

using testing::fixtureTexts;
using testing::node;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;

const std::vector<std::string> kKnown = {"Cu", "Ni", "Fe", "Ga", "As"};

struct Grain {
  vGrainNodes ideal;
  std::unique_ptr<GenNodes> generator;
  std::vector<std::string> loaded;
  secPrm sections;
  StGrainPrm prm;
  StReadTarget target() { return {ideal, generator, loaded, sections, prm}; }
};

vGrainNodes fccGrain(bool biatomic) {
  vGrainNodes nodes;
  fccNodes gen(6.0, 3.54, nodes, 0, "Cu");
  gen.generate();
  if (biatomic)
    for (size_t i = nodes.size() / 2; i < nodes.size(); ++i) nodes[i].element = "Ni";
  return nodes;
}

// Save in every layout and read back: symbols, positions at the written
// precision, the comment, and the reader's node fields.
TEST(NodesRoundTrip, EveryLayoutReadsBack) {
  TempDir dir;
  for (bool biatomic : {false, true}) {
    for (const char* name : {"g.ndl", "g.xyz", "g.at", "g.nds", "g.ndm"}) {
      SCOPED_TRACE(std::string(name) + (biatomic ? " biatomic" : " mono"));
      StFileTexts t = fixtureTexts();
      t.comment = "Cu grain, a=3.54  (two  blanks kept)";
      const vGrainNodes grain = fccGrain(biatomic);
      ASSERT_TRUE(saveNodesFile(dir.file(name), grain, t).ok);
      // The .nds and .ndm files list the nodes by radius.
      const std::string layout = name;
      vGrainNodes nodes;
      if (layout == "g.nds" || layout == "g.ndm")
        for (const StGrainNode* n : layout == "g.nds" ? nodesByRadius(grain) : nodesByRadiusThenZ(grain))
          nodes.push_back(*n);
      else
        nodes = grain;
      Grain g;
      g.sections.resize(2);
      const StNodesLoad load = loadNodesFile(dir.file(name), g.target(), kKnown);
      ASSERT_TRUE(load.result.ok) << (load.result.messages.empty() ? "" : load.result.messages[0].text);
      ASSERT_EQ(g.ideal.size(), nodes.size());
      const double tol = std::string(name) == "g.at" ? 5e-6 : 5e-7;
      for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(g.ideal[i].element, nodes[i].element);
        EXPECT_NEAR(g.ideal[i].x, nodes[i].x, tol);
        EXPECT_NEAR(g.ideal[i].y, nodes[i].y, tol);
        EXPECT_NEAR(g.ideal[i].z, nodes[i].z, tol);
        EXPECT_EQ(g.ideal[i].x0, g.ideal[i].x);
        EXPECT_EQ(g.ideal[i].siteKind, -1);
        EXPECT_EQ(g.ideal[i].elementIndex, g.ideal[i].element == "Cu" ? 0 : 1);
        EXPECT_NEAR(g.ideal[i].r, std::sqrt(nodes[i].x * nodes[i].x + nodes[i].y * nodes[i].y + nodes[i].z * nodes[i].z),
                    1e-5);
      }
      EXPECT_TRUE(g.sections.empty());
      ASSERT_TRUE(g.generator);
      const bool headed = std::string(name) != "g.xyz" && std::string(name) != "g.at";
      EXPECT_EQ(load.hasHeader, headed);
      if (headed) {
        EXPECT_EQ(load.comment, t.comment);
        EXPECT_EQ(g.generator->name, "fcc");
        EXPECT_EQ(g.loaded, std::vector<std::string>{"Cu"});
      } else {
        EXPECT_EQ(g.generator->kind, kindXyz);
        EXPECT_EQ(g.loaded, biatomic ? (std::vector<std::string>{"Cu", "Ni"}) : std::vector<std::string>{"Cu"});
      }
      EXPECT_EQ(load.result.log.back(), "  *** data were loaded ***");
      EXPECT_TRUE(load.result.enable.at("BLiczPdf"));
    }
  }
}

TEST(NodesReader, HeaderLogLinesAndEffects) {
  TempDir dir;
  StFileTexts t = fixtureTexts();
  t.header.biatomic = true;
  t.header.elementR = "Ni";
  t.header.modified = true;
  t.header.sphere = false;
  vGrainNodes nodes = {node("Cu", 1, 0, 0, 1), node("Ni", 0, 2, 0, 2)};
  ASSERT_TRUE(saveNodesFile(dir.file("h.ndl"), nodes, t).ok);
  Grain g;
  g.loaded = {"Old", "Older"};
  const auto load = loadNodesFile(dir.file("h.ndl"), g.target(), kKnown);
  ASSERT_TRUE(load.result.ok);
  EXPECT_EQ(load.result.log,
            (std::vector<std::string>{"==============================", "Data from file: " + dir.file("h.ndl"),
                                      "#date: 2026-12-09, 10:00:00", "#size:2", "#latticeParam:3.54",
                                      "#grainRadius:5", "#structure:: fcc", "#modified:1", "#atoms:Cu Ni",
                                      "  *** data were loaded ***"}));
  // The loaded-atom list is replaced, not appended to.
  EXPECT_EQ(g.loaded, (std::vector<std::string>{"Cu", "Ni"}));
  EXPECT_TRUE(load.header.biatomic);
  EXPECT_FALSE(load.header.sphere);
  EXPECT_TRUE(g.generator->modified);
  EXPECT_EQ(load.header.latticeText, "3.54");
  EXPECT_EQ(load.header.radiusText, "5");
  EXPECT_EQ(load.header.structureTag, 2);
  EXPECT_DOUBLE_EQ(g.prm.maxDistance, 2.02 * 2);
}

TEST(NodesReader, StructureNamesMakeTheirGenerators) {
  struct Case {
    const char* name;
    int kind;
    const char* genName;
    int tag;
  };
  for (const Case& c : {Case{"sc", kindSc, "sc", 0}, Case{"bcc", kindBcc, "bcc", 1}, Case{"FCC", kindFcc, "fcc", 2},
                        Case{"hcp", kindHcp, "hcp", 6}, Case{"2D", kindSc, "2D", 4}, Case{"xyz", kindXyz, "xyz", -1},
                        Case{"zinc blende", kindDiam, "zinc blende or diamond like", 3},
                        Case{"diamond like", kindDiam, "zinc blende or diamond like", 3}}) {
    vGrainNodes list;
    auto g = generatorForStructure(c.name, list);
    EXPECT_EQ(g->kind, c.kind) << c.name;
    EXPECT_EQ(g->name, c.genName) << c.name;
    EXPECT_EQ(&g->nodes, &list);
    EXPECT_EQ(structureTagForName(c.name), c.tag) << c.name;
  }
}

// A monoatomic grain read from a file and saved again reads back monoatomic.
TEST(NodesReader, MonoatomicGrainStaysMonoatomicThroughLoadAndSave) {
  TempDir dir;
  vGrainNodes nodes = {node("Fe", 1, 0, 0, 1), node("Fe", 0, 1, 0, 1)};
  StFileTexts t = fixtureTexts();
  t.header.elementL = "Fe";
  ASSERT_TRUE(saveNodesFile(dir.file("a.ndl"), nodes, t).ok);
  Grain g;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(loadNodesFile(dir.file("a.ndl"), g.target(), kKnown).result.ok);
    EXPECT_EQ(g.loaded, std::vector<std::string>{"Fe"});
    StFileTexts again = fixtureTexts();
    again.header.elementL = "X";  // the element box is not changed by a file read
    again.header.loadedAtoms = g.loaded;
    ASSERT_TRUE(saveNodesFile(dir.file("a.ndl"), g.ideal, again).ok);
  }
  EXPECT_NE(readAll(dir.file("a.ndl")).find("#atoms: Fe\n"), std::string::npos);
}

TEST(NodesReader, XyzCountLineAndRadius) {
  TempDir dir;
  writeAll(dir.file("short.xyz"), "3\ncomment\nCu 1 0 0\nCu 0 2 0\n");
  Grain g;
  g.ideal = {node("Cu", 9, 9, 9, 1)};
  auto load = loadNodesFile(dir.file("short.xyz"), g.target(), kKnown);
  EXPECT_FALSE(load.result.ok);
  ASSERT_EQ(load.result.messages.size(), 1u);
  EXPECT_THAT(load.result.messages[0].text, ::testing::StartsWith("Error during reading, propably wrong format "));
  EXPECT_EQ(load.result.log.back(), "Error during reading, no data loaded");
  EXPECT_TRUE(g.ideal.empty());
  EXPECT_FALSE(load.result.enable.at("BLiczPdf"));

  writeAll(dir.file("long.xyz"), "2\r\nany comment\r\nCu 3 0 4\r\nNi 0 1 0\r\nFe 9 9 9\r\nnot a row\r\n");
  load = loadNodesFile(dir.file("long.xyz"), g.target(), kKnown);
  ASSERT_TRUE(load.result.ok);
  ASSERT_EQ(g.ideal.size(), 2u);
  EXPECT_EQ(g.ideal[1].element, "Ni");
  EXPECT_TRUE(load.setRadius);
  EXPECT_EQ(load.radiusText, "5");
  EXPECT_EQ(load.result.log[load.result.log.size() - 2], " Rgrain=5");
  EXPECT_DOUBLE_EQ(g.prm.maxDistance, 10.1);
  EXPECT_EQ(g.generator->name, "xyz");
  EXPECT_TRUE(load.result.enable.at("BLiczPdf"));

  // A single atom is read, listed and saved, but nothing is calculated from it.
  writeAll(dir.file("one.xyz"), "1\ncomment\nCu 1 0 0\n");
  load = loadNodesFile(dir.file("one.xyz"), g.target(), kKnown);
  ASSERT_TRUE(load.result.ok);
  EXPECT_FALSE(load.result.enable.at("BLiczPdf"));
  EXPECT_FALSE(load.result.enable.at("Bmodify"));
  EXPECT_TRUE(load.result.enable.at("MIsavenodes"));
}

TEST(NodesReader, UnknownSymbolsAndMissingTable) {
  TempDir dir;
  writeAll(dir.file("u.xyz"), "2\nc\nXx 1 0 0\nCu 0 3 0\n");
  Grain g;
  auto load = loadNodesFile(dir.file("u.xyz"), g.target(), kKnown);
  ASSERT_TRUE(load.result.ok);
  EXPECT_EQ(g.ideal[0].elementIndex, -1);
  EXPECT_EQ(g.ideal[1].elementIndex, 0);
  load = loadNodesFile(dir.file("u.xyz"), g.target(), {});
  ASSERT_TRUE(load.result.ok);
  EXPECT_EQ(g.ideal[0].r, -1);
  EXPECT_EQ(g.prm.maxDistance, 0);
  EXPECT_FALSE(load.setRadius);
}

TEST(NodesReader, LayoutFromTheExtensionOnly) {
  TempDir dir;
  // data.AT and data.at: x, y, z, symbol; a header-less file reads all its rows.
  for (const char* name : {"data.AT", "data.at"}) {
    writeAll(dir.file(name), " 1.00000  2.00000  3.00000 Cu\n-1.00000  0.00000  0.50000 Ni\n");
    Grain g;
    const auto load = loadNodesFile(dir.file(name), g.target(), kKnown);
    ASSERT_TRUE(load.result.ok) << name;
    ASSERT_EQ(g.ideal.size(), 2u);
    EXPECT_EQ(g.ideal[1].element, "Ni");
    EXPECT_EQ(g.ideal[0].z, 3);
  }
  // Folders whose names hold an extension say nothing about the file in them.
  for (const char* folder : {"my.attempts", "run.ndl", "old.xyz"}) {
    std::filesystem::create_directory(dir.file(folder));
    for (const char* name : {"/grain.xyz", "/grain.ndl", "/grain.at"}) {
      const std::string path = dir.file(folder) + name;
      vGrainNodes nodes = {node("Cu", 1, 0, 0, 1), node("Ni", 0, 2, 0, 2)};
      ASSERT_TRUE(saveNodesFile(path, nodes, fixtureTexts()).ok) << path;
      Grain g;
      const auto load = loadNodesFile(path, g.target(), kKnown);
      ASSERT_TRUE(load.result.ok) << path;
      ASSERT_EQ(g.ideal.size(), 2u) << path;
      EXPECT_EQ(g.ideal[1].element, "Ni") << path;
      EXPECT_EQ(g.ideal[1].y, 2) << path;
    }
  }
}

TEST(NodesReader, AFileWithoutAtomsIsAnError) {
  TempDir dir;
  vGrainNodes none;
  vGrainNodes some = {node("Cu", 1, 0, 0, 1)};
  // Header only (no known extension), an empty grain, an empty .at file.
  ASSERT_TRUE(saveNodesFile(dir.file("g.txt"), none, fixtureTexts()).ok);
  ASSERT_TRUE(saveNodesFile(dir.file("e.ndl"), none, fixtureTexts()).ok);
  ASSERT_TRUE(saveNodesFile(dir.file("e.xyz"), none, fixtureTexts()).ok);
  writeAll(dir.file("e.at"), "");
  for (const char* name : {"g.txt", "e.ndl", "e.xyz", "e.at"}) {
    Grain g;
    g.ideal = some;
    const auto load = loadNodesFile(dir.file(name), g.target(), kKnown);
    EXPECT_FALSE(load.result.ok) << name;
    ASSERT_EQ(load.result.messages.size(), 1u) << name;
    EXPECT_EQ(load.result.messages[0].text, noAtomsText(dir.file(name)));
    EXPECT_FALSE(std::count(load.result.log.begin(), load.result.log.end(), "  *** data were loaded ***"));
    EXPECT_TRUE(g.ideal.empty()) << name;
  }
}

TEST(NodesReader, LongCommentAndCrLf) {
  TempDir dir;
  StFileTexts t = fixtureTexts();
  t.comment = std::string(3000, 'c');
  vGrainNodes nodes = {node("Cu", 1, 0, 0, 1), node("Cu", 0, 1, 0, 1)};
  ASSERT_TRUE(saveNodesFile(dir.file("c.ndl"), nodes, t).ok);
  std::string text = readAll(dir.file("c.ndl")), crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  writeAll(dir.file("crlf.ndl"), crlf);
  for (const char* name : {"c.ndl", "crlf.ndl"}) {
    Grain g;
    const auto load = loadNodesFile(dir.file(name), g.target(), kKnown);
    ASSERT_TRUE(load.result.ok) << name;
    EXPECT_EQ(load.comment, t.comment);
    EXPECT_EQ(g.ideal.size(), 2u);
    EXPECT_EQ(g.loaded, std::vector<std::string>{"Cu"});
    EXPECT_EQ(load.header.structure, "fcc");
  }
}

TEST(NodesReader, FormatErrorsNameTheLine) {
  TempDir dir;
  StFileTexts t = fixtureTexts();
  vGrainNodes nodes = {node("Cu", 1, 0, 0, 1), node("Cu", 0, 1, 0, 1)};
  ASSERT_TRUE(saveNodesFile(dir.file("ok.ndl"), nodes, t).ok);
  const std::string good = readAll(dir.file("ok.ndl"));
  struct Case {
    std::string text;
    int64_t line;
  };
  std::string zeroLattice = good;
  zeroLattice.replace(zeroLattice.find("3.54"), 4, "0");
  std::string badRow = good;
  badRow.replace(badRow.rfind("0.000000"), 8, "nan");
  std::string negative = good;
  negative.replace(negative.find("#size: 2"), 8, "#size: -2");
  std::string huge = good;
  huge.replace(huge.find("#size: 2"), 8, "#size: 9223372036854775807");
  for (const Case& c : {Case{zeroLattice, 3}, Case{badRow, 12}, Case{negative, 2}, Case{huge, 13}}) {
    writeAll(dir.file("bad.ndl"), c.text);
    Grain g;
    g.ideal = nodes;
    const auto load = loadNodesFile(dir.file("bad.ndl"), g.target(), kKnown);
    EXPECT_FALSE(load.result.ok);
    ASSERT_EQ(load.result.messages.size(), 1u);
    EXPECT_EQ(load.result.messages[0].text, wrongFormatText(c.line));
    EXPECT_TRUE(g.ideal.empty());
    EXPECT_FALSE(g.generator);  // the header's effects are not applied
  }
  Grain g;
  const auto missing = loadNodesFile(dir.file("none.ndl"), g.target(), kKnown);
  ASSERT_EQ(missing.result.messages.size(), 1u);
  EXPECT_EQ(missing.result.messages[0].text, "Error, couldn't open file: " + dir.file("none.ndl") + " for reading");
}

// Files written by the writers, with the number of lines before their rows.
struct HeadedFile {
  std::string name;
  std::string text;
  int headLines;
};

std::vector<HeadedFile> headedFiles(const TempDir& dir) {
  const StFileTexts t = fixtureTexts();
  vGrainNodes nodes = {node("Cu", 1, 0, 0, 1), node("Cu", 0, 1, 0, 1)};
  PdhList pdh = {{0.5, 3, 0, 0, 0}, {1.0, 7, 0, 0, 0}};
  StDiffPattern p;
  p.twoTheta = p.q = p.sOfQ = p.intensity = {0.1, 0.2};
  p.count = 2;
  secPrm sections(2);
  sections[0].name = "Core";
  sections[1].name = "Shell";
  saveNodesFile(dir.file("h.ndl"), nodes, t);
  saveHistogramFile(dir.file("h.his"), pdh, {}, false, t);
  saveDiffractionFile(dir.file("h.diff"), p, t);
  saveSectionsFile(dir.file("h.sct"), sections, t);
  return {{"h.ndl", readAll(dir.file("h.ndl")), 10},
          {"h.his", readAll(dir.file("h.his")), 11},
          {"h.diff", readAll(dir.file("h.diff")), 13},
          {"h.sct", readAll(dir.file("h.sct")), 9}};
}

// Reads `text` as a file named `name` with its reader; the previous data
// must stay when the read is refused.
StCommandResult readAsFile(const TempDir& dir, const std::string& name, const std::string& text) {
  const std::string path = dir.file("x-" + name);
  writeAll(path, text);
  Grain g;
  PdhList pdh = {{1, 1, 0, 0, 0}};
  StIDCalcResults partial;
  StDiffPattern pattern;
  const std::string ext = fileExtension(name);
  StCommandResult res;
  if (ext == ".his") {
    res = loadHistogramFile(path, g.target(), pdh, partial).result;
    if (!res.ok) {
      EXPECT_EQ(pdh.size(), 1u);
    }
  } else if (ext == ".diff") {
    res = loadDiffractionFile(path, g.target(), pattern).result;
    if (!res.ok) {
      EXPECT_EQ(pattern.count, 0);
    }
  } else if (ext == ".sct") {
    res = loadSectionsFile(path, g.target()).result;
  } else {
    res = loadNodesFile(path, g.target(), kKnown).result;
  }
  if (!res.ok) {
    EXPECT_FALSE(g.generator);  // nothing of the header was applied
  }
  return res;
}

TEST(HeaderParser, EveryLabelIsCheckedAndALineMissingIsNamed) {
  TempDir dir;
  for (const HeadedFile& f : headedFiles(dir)) {
    ASSERT_TRUE(readAsFile(dir, f.name, f.text).ok) << f.name;
    // Without any one of the lines before the rows the file is refused at
    // that line (the line that came next sits there without its label).
    for (int k = 0; k < f.headLines; ++k) {
      std::string text = f.text;
      size_t begin = 0;
      for (int i = 0; i < k; ++i) begin = text.find('\n', begin) + 1;
      text.erase(begin, text.find('\n', begin) + 1 - begin);
      const StCommandResult res = readAsFile(dir, f.name, text);
      EXPECT_FALSE(res.ok) << f.name << " without line " << k + 1;
      ASSERT_EQ(res.messages.size(), 1u) << f.name << " without line " << k + 1;
      EXPECT_EQ(res.messages[0].text, wrongFormatText(k + 1)) << f.name;
    }
  }
}

TEST(HeaderParser, SizesAndFlagsArePlainDecimalIntegers) {
  TempDir dir;
  struct Case {
    const char* from;
    const char* to;
    int line;
  } cases[] = {{"#size: 2", "#size: 3.8", 2},   {"#size: 2", "#size: 1e9", 2}, {"#size: 2", "#size: 0x10", 2},
               {"#size: 2", "#size: +2", 2},    {"#size: 2", "#size: -2", 2},  {"#size: 2", "#size: 2 rows", 2},
               {"#size: 2", "#size:", 2},       {"#sphere: 1", "#sphere: 2", 6}, {"#sphere: 1", "#sphere: yes", 6},
               {"#modified: 0", "#modified: no", 7}, {"#atoms: Cu", "#atoms:", 8}};
  for (const HeadedFile& f : headedFiles(dir)) {
    for (const Case& c : cases) {
      std::string text = f.text;
      text.replace(text.find(c.from), std::strlen(c.from), c.to);
      const StCommandResult res = readAsFile(dir, f.name, text);
      EXPECT_FALSE(res.ok) << f.name << ": " << c.to;
      ASSERT_EQ(res.messages.size(), 1u) << f.name << ": " << c.to;
      EXPECT_EQ(res.messages[0].text, wrongFormatText(c.line)) << f.name << ": " << c.to;
    }
  }
  // Blanks around a size and CR LF line ends are no reason to refuse.
  for (const HeadedFile& f : headedFiles(dir)) {
    std::string text = f.text;
    text.replace(text.find("#size: 2"), 8, "#size:\t 2 ");
    EXPECT_TRUE(readAsFile(dir, f.name, text).ok) << f.name;
  }
}

TEST(Readers, AByteOrderMarkIsNotPartOfTheFirstWord) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  writeAll(dir.file("b.at"), bom + " 1.00000  2.00000  3.00000 Cu\n");
  writeAll(dir.file("b.xyz"), bom + "1\ncomment\nNi\t0\t0\t1\n");
  for (const char* name : {"b.at", "b.xyz"}) {
    Grain g;
    const auto load = loadNodesFile(dir.file(name), g.target(), kKnown);
    ASSERT_TRUE(load.result.ok) << name;
    ASSERT_EQ(g.ideal.size(), 1u);
    EXPECT_EQ(g.ideal[0].elementIndex, name[2] == 'a' ? 0 : 1) << name;
  }
  for (const HeadedFile& f : headedFiles(dir)) EXPECT_TRUE(readAsFile(dir, f.name, bom + f.text).ok) << f.name;
}

TEST(KnownSymbols, FromTheElementTable) {
  TempDir dir;
  writeAll(dir.file("scFact.sft"), "[gen]\nnum=3\nnam1=H\nnam2=He\n[H]\nlc=1\n");
  EXPECT_EQ(readKnownSymbols(dir.file("scFact.sft")), (std::vector<std::string>{"H", "He", "0"}));
  writeAll(dir.file("big.sft"), "[gen]\nnum=2000000000\nnam1=H\n");
  EXPECT_EQ(readKnownSymbols(dir.file("big.sft")).size(), 2u);
  EXPECT_TRUE(readKnownSymbols(dir.file("missing.sft")).empty());
}

TEST(HistogramRoundTrip, MonoatomicAndBiatomic) {
  TempDir dir;
  PdhList pdh;
  for (int k = 0; k < 50; ++k) pdh.push_back({k * 0.001, k % 3 ? k * 7 : 0, 0, 0, 0});
  pdh.push_back({0.05, PairCount{5'000'000'123}, 0, 0, 0});  // more than 32 bits hold
  StFileTexts t = fixtureTexts();
  ASSERT_TRUE(saveHistogramFile(dir.file("m.his"), pdh, {}, false, t).ok);
  EXPECT_THAT(readAll(dir.file("m.his")), ::testing::EndsWith("\n 0.050000\t5000000123\n"));
  Grain g;
  PdhList read = {{9, 9, 9, 9, 9}};
  StIDCalcResults partial;
  partial.allocate(3);
  auto load = loadHistogramFile(dir.file("m.his"), g.target(), read, partial);
  ASSERT_TRUE(load.result.ok);
  EXPECT_FALSE(load.biatomic);
  EXPECT_EQ(partial.count, 0);
  EXPECT_EQ(load.binWidthText, "0.001");
  EXPECT_EQ(load.comment, "no comment");
  std::vector<std::pair<double, PairCount>> expect, got;
  for (const auto& e : pdh)
    if (e.card) expect.push_back({e.r, e.card});
  for (const auto& e : read) got.push_back({e.r, e.card});
  ASSERT_EQ(got.size(), expect.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].first, expect[i].first, 5e-7);
    EXPECT_EQ(got[i].second, expect[i].second);
  }
  EXPECT_TRUE(load.result.enable.at("Bpdfdyfr"));

  StIDCalcResults p;
  p.allocate(5);
  for (int i = 0; i < 5; ++i) {
    p.r[i] = i * 0.25;
    p.rii[i] = i == 1 ? 0 : i * 10;
    p.rij[i] = i == 1 ? 0 : i * 20;
    p.rjj[i] = i == 1 ? 0 : i;
  }
  t.header.biatomic = true;
  t.header.elementR = "Ni";
  ASSERT_TRUE(saveHistogramFile(dir.file("b.his"), {}, p, true, t).ok);
  StIDCalcResults readP;
  load = loadHistogramFile(dir.file("b.his"), g.target(), read, readP);
  ASSERT_TRUE(load.result.ok);
  EXPECT_TRUE(load.biatomic);
  EXPECT_TRUE(g.prm.biatomic);
  ASSERT_EQ(readP.count, 3);  // bins 0 and 1 are empty and not written
  EXPECT_EQ(readP.r, (std::vector<double>{0.5, 0.75, 1}));
  EXPECT_EQ(readP.rii, (std::vector<PairCount>{20, 30, 40}));
  EXPECT_EQ(readP.rij, (std::vector<PairCount>{40, 60, 80}));
  EXPECT_EQ(readP.rjj, (std::vector<PairCount>{2, 3, 4}));
  EXPECT_DOUBLE_EQ(readP.binWidth, 0.001);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read.front().card, 62);
  EXPECT_EQ(g.loaded, (std::vector<std::string>{"Cu", "Ni"}));
}

TEST(HistogramReader, OldThreeColumnFormAndErrors) {
  TempDir dir;
  StFileTexts t = fixtureTexts();
  const std::string header = fileHeaderText(t.header, 2) + "#binWidth: 0.01\n#comment: old\n#  r\tcard\tnorm\n";
  writeAll(dir.file("o.his"), header + "0.5\t4\t0.25\n1.0\t6\t0.75\n");
  Grain g;
  PdhList read;
  StIDCalcResults partial;
  auto load = loadHistogramFile(dir.file("o.his"), g.target(), read, partial);
  ASSERT_TRUE(load.result.ok);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read.back().card, 6);
  EXPECT_EQ(read.back().norm, 0.75);

  // A truncated file is reported and the previous histogram stays.
  writeAll(dir.file("t.his"), header + "0.5\t4\t0.25\n");
  load = loadHistogramFile(dir.file("t.his"), g.target(), read, partial);
  EXPECT_FALSE(load.result.ok);
  EXPECT_EQ(load.result.messages.at(0).text, wrongFormatText(13));
  EXPECT_EQ(read.size(), 2u);
  // Mixed column counts are a format error.
  writeAll(dir.file("x.his"), header + "0.5\t4\n1.0\t6\t0.75\n");
  EXPECT_FALSE(loadHistogramFile(dir.file("x.his"), g.target(), read, partial).result.ok);
  // Biatomic rows in the stream form of older files are read as written;
  // a count that is not a whole number is a format error.
  const std::string header4 =
      fileHeaderText(t.header, 1) + "#binWidth: 0.01\n#comment: old\n# Delta r\tCard. Rii\tCard. Rij\tCard. Rjj\n";
  writeAll(dir.file("s.his"), header4 + "1039.64\t1.03964e+06\t12\t0\n");
  load = loadHistogramFile(dir.file("s.his"), g.target(), read, partial);
  ASSERT_TRUE(load.result.ok);
  EXPECT_EQ(partial.rii, std::vector<PairCount>{1039640});
  EXPECT_EQ(partial.r, std::vector<double>{1039.64});
  writeAll(dir.file("f.his"), header4 + "0.5\t12\t0.5\t0\n");
  EXPECT_FALSE(loadHistogramFile(dir.file("f.his"), g.target(), read, partial).result.ok);
  const auto missing = loadHistogramFile(dir.file("none.his"), g.target(), read, partial);
  EXPECT_EQ(missing.result.messages.at(0).text, "B\u0142\u0105d otwarcia pliku: " + dir.file("none.his"));
}

// A PDH file alone feeds a pattern: the "#atoms:" names give the elements
// (when the element table has them) and the pair counts the atoms of each;
// the pattern equals the one of the grain the file was written from.
TEST(HistogramReader, AFileAloneFeedsTheSamePattern) {
  TempDir dir;
  const ElementTable table = testing::shippedTable();
  std::vector<std::string> known;
  for (const auto& e : table) known.push_back(e.name);
  const int cu = testing::elementIndex(table, "Cu"), ni = testing::elementIndex(table, "Ni");
  vGrainNodes nodes = fccGrain(true);  // Cu then Ni
  for (auto& g : nodes) g.elementIndex = g.element == "Cu" ? cu : ni;
  const size_t h = nodes.size() / 2 - 7;  // unequal counts: a few copper atoms become nickel
  for (size_t i = h; i < nodes.size(); ++i) nodes[i].element = "Ni", nodes[i].elementIndex = ni;
  StDiffrPrm d;
  d.lambda = 1.5444;
  d.k = 4.06836;
  d.start = 20;
  d.stop = 120;
  d.step = 0.5;
  d.table = &table;
  for (bool biatomic : {false, true}) {
    StCalcPrm prm;
    prm.nodes = nodes;
    prm.rMax = 13;
    prm.binWidth = 0.001;
    prm.firstCount = static_cast<int64_t>(h);
    PdhList pdh;
    StIDCalcResults partial;
    CancelToken cancel;
    runPairLoop(biatomic ? 1 : 0, prm, pdh, partial, nullptr, cancel);
    StDiffPattern want;
    d.nodes = &nodes;
    d.pdh = &pdh;
    ASSERT_FALSE(runDiffraction(d, &partial, biatomic ? 1 : 0, want).refused);

    StFileTexts t = fixtureTexts();  // "#atoms: Cu" or "#atoms: Cu\tNi"
    t.header.biatomic = biatomic;
    t.header.elementR = "Ni";
    ASSERT_TRUE(saveHistogramFile(dir.file("g.his"), pdh, partial, biatomic, t).ok);
    Grain g;  // no nodes: the file is all there is
    PdhList readPdh;
    StIDCalcResults readPartial;
    const auto load = loadHistogramFile(dir.file("g.his"), g.target(), readPdh, readPartial, known);
    ASSERT_TRUE(load.result.ok);
    StDiffPattern got;
    const vGrainNodes none;
    StDiffrPrm fromFile = d;
    fromFile.nodes = &none;
    fromFile.pdh = &readPdh;
    fromFile.pdhAtoms = &load.atoms;
    ASSERT_FALSE(runDiffraction(fromFile, &readPartial, biatomic ? 1 : 0, got).refused) << biatomic;
    EXPECT_EQ(load.atoms.count, static_cast<int64_t>(nodes.size()));
    EXPECT_EQ(load.atoms.elementIndex, cu);
    if (biatomic) {
      EXPECT_EQ(readPartial.elemFirst, cu);
      EXPECT_EQ(readPartial.elemSecond, ni);
      EXPECT_EQ(readPartial.atomsFirst, static_cast<int64_t>(h));
      EXPECT_EQ(readPartial.atomsSecond, static_cast<int64_t>(nodes.size() - h));
    }
    ASSERT_EQ(got.count, want.count);
    // Bins are read back at the written 6 decimals of r.
    for (int p = 0; p < got.count; ++p) EXPECT_NEAR(got.intensity[p], want.intensity[p], 1e-5 * want.intensity[p]);
  }
  // A name the element table lacks leaves the element undefined.
  Grain g;
  PdhList readPdh;
  StIDCalcResults readPartial;
  const auto load = loadHistogramFile(dir.file("g.his"), g.target(), readPdh, readPartial, {"Ni"});
  EXPECT_EQ(readPartial.elemFirst, -1);
  EXPECT_EQ(readPartial.elemSecond, 0);
}

TEST(DiffractionRoundTrip, BothUnitChoices) {
  TempDir dir;
  StDiffPattern p;
  for (int i = 0; i < 20; ++i) {
    p.twoTheta.push_back(0.01 * i);
    p.q.push_back(0.1 * i);
    p.sOfQ.push_back(1.0 / (i + 1));
    p.intensity.push_back(100.0 * i);
  }
  p.count = 20;
  for (bool angle : {true, false}) {
    for (bool s : {true, false}) {
      StFileTexts t = fixtureTexts();
      t.angleAbscissa = angle;
      t.sOrdinate = s;
      t.step = "0.25";
      ASSERT_TRUE(saveDiffractionFile(dir.file("d.diff"), p, t).ok);
      Grain g;
      StDiffPattern read;
      read.count = 3;
      read.q = {1, 2, 3};
      const auto load = loadDiffractionFile(dir.file("d.diff"), g.target(), read);
      ASSERT_TRUE(load.result.ok);
      EXPECT_EQ(load.angleAbscissa, angle);
      EXPECT_EQ(load.sOrdinate, s);
      EXPECT_EQ(load.lambdaText, "1.54056");
      EXPECT_EQ(load.stepText, "0.25");
      EXPECT_EQ(load.comment, "no comment");
      ASSERT_EQ(read.count, 20);
      const auto& xs = angle ? read.twoTheta : read.q;
      const auto& ys = s ? read.sOfQ : read.intensity;
      const auto& ex = angle ? p.twoTheta : p.q;
      const auto& ey = s ? p.sOfQ : p.intensity;
      ASSERT_EQ(xs.size(), 20u);
      ASSERT_EQ(ys.size(), 20u);
      EXPECT_TRUE((angle ? read.q : read.twoTheta).empty());
      for (int i = 0; i < 20; ++i) {
        EXPECT_NEAR(xs[i], ex[i], 5e-7);
        EXPECT_NEAR(ys[i], ey[i], 5e-7);
      }
    }
  }
  Grain g;
  StDiffPattern read;
  const auto missing = loadDiffractionFile(dir.file("none.diff"), g.target(), read);
  EXPECT_EQ(missing.result.messages.at(0).text, "Error, couldn't open file " + dir.file("none.diff"));
}

TEST(SectionsRoundTrip, NamesWithBlanksAndTheEmptyTable) {
  TempDir dir;
  secPrm s(3);
  const char* names[] = {"Core", "Shell 1", "Surface"};
  for (int i = 0; i < 3; ++i) {
    s[i].name = names[i];
    s[i].r = 2.5 * (i + 1);
    s[i].a = i - 1.125;
    s[i].b = i ? s[i - 1].r : 0;
    s[i].c = s[i].r;
  }
  ASSERT_TRUE(saveSectionsFile(dir.file("s.sct"), s, fixtureTexts()).ok);
  Grain g;
  auto load = loadSectionsFile(dir.file("s.sct"), g.target());
  ASSERT_TRUE(load.result.ok);
  ASSERT_EQ(g.sections.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g.sections[i].name, names[i]);
    EXPECT_NEAR(g.sections[i].r, s[i].r, 5e-4);
    EXPECT_NEAR(g.sections[i].a, s[i].a, 5e-4);
    EXPECT_NEAR(g.sections[i].b, s[i].b, 5e-4);
    EXPECT_NEAR(g.sections[i].c, s[i].c, 5e-4);
    EXPECT_EQ(g.sections[i].n, 0);
  }
  ASSERT_TRUE(saveSectionsFile(dir.file("e.sct"), {}, fixtureTexts()).ok);
  load = loadSectionsFile(dir.file("e.sct"), g.target());
  ASSERT_TRUE(load.result.ok);
  EXPECT_TRUE(g.sections.empty());
  const auto missing = loadSectionsFile(dir.file("none.sct"), g.target());
  EXPECT_EQ(missing.result.messages.at(0).text, "Problem, couldn't open file " + dir.file("none.sct"));
}

TEST(ExperimentalReader, PairsUntilTheFirstIncompleteOne) {
  TempDir dir;
  writeAll(dir.file("e.dat"), "x y\n1 2\n3 4.5\n5e-1 -6\n");
  auto load = loadExperimentalFile(dir.file("e.dat"));
  ASSERT_TRUE(load.result.ok);
  EXPECT_EQ(load.data.count, 3);
  EXPECT_EQ(load.data.y, (std::vector<double>{2, 4.5, -6}));
  EXPECT_EQ(load.graphTitle, "experimental data from file:" + dir.file("e.dat"));
  writeAll(dir.file("f.dat"), "x y\r\n1 2\r\n3 abc\r\n5 6\r\n7");
  load = loadExperimentalFile(dir.file("f.dat"));
  EXPECT_EQ(load.data.count, 1);
  load = loadExperimentalFile(dir.file("none.dat"));
  EXPECT_FALSE(load.result.ok);
  EXPECT_EQ(load.result.messages.at(0).text, "Problem, couldn't open file ");
}

}  // namespace
}  // namespace grainix
