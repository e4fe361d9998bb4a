#include "engine/grain/stacking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include <unistd.h>

#include "engine/grain/sqq_file.h"
#include "engine/grain/stacking_model.h"

namespace grainix {
namespace {

std::string repeat(const std::string& unit, size_t letters) {
  std::string s;
  while (s.size() < letters) s += unit[s.size() % unit.size()];
  return s;
}

StGrainPrm spherePrm(double a = 3.54, double r = 15) {
  StGrainPrm prm;
  prm.latticePrm = a;
  prm.radius = r;
  prm.sphere = true;
  prm.elementL = "Zn";
  prm.elementIndexL = 3;
  prm.elementR = "S";
  prm.elementIndexR = 7;
  prm.maxDistance = 123;
  return prm;
}

StStackingInput initialInput(const std::string& seq, double a = 3.54) {
  StStackingInput in;
  in.sequence = seq;
  in.ha = initialHcpA(a);
  in.c = initialHcpC(a);
  in.u = 0.75;
  in.sublattice = true;
  return in;
}

double nearestNeighbour(const vGrainNodes& nodes, size_t count) {
  double best = 1e300;
  for (size_t i = 0; i < count; ++i)
    for (size_t j = i + 1; j < count; ++j) {
      const double dx = nodes[i].x - nodes[j].x, dy = nodes[i].y - nodes[j].y, dz = nodes[i].z - nodes[j].z;
      best = std::min(best, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
  return best;
}

TEST(Stacking, SphereCountsOfTheReferenceGrain) {
  const double a = 3.54, R = 15;
  const double ha = initialHcpA(a);
  EXPECT_EQ(patchHalfWidth(R, ha), 7);
  EXPECT_EQ(layerPatch(ha, 7).size(), 169u);
  EXPECT_EQ(minLayers(R, ha), 16);

  struct Case {
    std::string seq;
    size_t nodes;
  } cases[] = {{"ABC", 758}, {repeat("AB", 16), 2486}, {repeat("ABC", 16), 2512}};
  for (const auto& c : cases) {
    StGrainPrm prm = spherePrm(a, R);
    vGrainNodes nodes;
    auto res = buildStacked(initialInput(c.seq, a), nodes, prm);
    EXPECT_TRUE(res.ok) << c.seq;
    EXPECT_TRUE(res.messages.empty()) << c.seq;
    EXPECT_EQ(nodes.size(), c.nodes) << c.seq;
    EXPECT_TRUE(prm.stackedSublattice);
    EXPECT_EQ(prm.maxDistance, 123) << "spheres keep the build's histogram range";
  }
}

TEST(Stacking, PatchOrderAndDistances) {
  const double ha = 2;
  const auto patch = layerPatch(ha, 2);
  ASSERT_EQ(patch.size(), 19u);
  // Row k = 0 first: m = -2 ... 2 along A = (0, ha).
  for (int m = -2; m <= 2; ++m) {
    EXPECT_DOUBLE_EQ(patch[m + 2].x, 0);
    EXPECT_DOUBLE_EQ(patch[m + 2].y, m * ha);
  }
  // Then row 1 (m from -1 up) and row -1 (m from 1 down) alternately.
  const double bx = ha * std::sqrt(3.0) / 2;
  EXPECT_DOUBLE_EQ(patch[5].x, bx);       // m = -1, k = 1
  EXPECT_DOUBLE_EQ(patch[5].y, -ha - ha / 2);
  EXPECT_DOUBLE_EQ(patch[6].x, -bx);      // m = 1, k = -1
  EXPECT_DOUBLE_EQ(patch[6].y, ha + ha / 2);
  std::set<std::pair<long, long>> seen;
  for (const auto& p : patch) {
    EXPECT_DOUBLE_EQ(p.r, std::hypot(p.x, p.y));
    EXPECT_TRUE(seen.emplace(std::lround(p.x * 1e6), std::lround(p.y * 1e6)).second);
  }
}

TEST(Stacking, NearestNeighbourIsHaInHcpAndFcc) {
  const double a = 3.54;
  for (const std::string unit : {"AB", "ABC"}) {
    StGrainPrm prm = spherePrm(a, 6);
    vGrainNodes nodes;
    auto in = initialInput(repeat(unit, 6), a);
    in.sublattice = false;
    ASSERT_TRUE(buildStacked(in, nodes, prm).ok);
    EXPECT_FALSE(prm.stackedSublattice);
    EXPECT_NEAR(nearestNeighbour(nodes, nodes.size()), a / std::sqrt(2.0), 1e-12) << unit;
  }
}

TEST(Stacking, OddSphereLayersAreCentred) {
  StGrainPrm prm = spherePrm(3.54, 30);
  vGrainNodes nodes;
  auto in = initialInput("ABCAB");
  in.sublattice = false;
  ASSERT_TRUE(buildStacked(in, nodes, prm).ok);
  std::set<long> heights;
  for (const auto& n : nodes) heights.insert(std::lround(n.z / in.c * 1000));
  EXPECT_EQ(heights, (std::set<long>{-2000, -1000, 0, 1000, 2000}));
}

TEST(Stacking, SublatticeDoublesAtThreeQuartersOfC) {
  StGrainPrm prm = spherePrm();
  prm.biatomic = true;
  vGrainNodes nodes;
  const auto in = initialInput("ABAB");
  ASSERT_TRUE(buildStacked(in, nodes, prm).ok);
  ASSERT_EQ(nodes.size() % 2, 0u);
  const size_t n = nodes.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const auto &p = nodes[i], &q = nodes[n + i];
    EXPECT_EQ(q.x, p.x);
    EXPECT_EQ(q.y, p.y);
    EXPECT_NEAR(q.z - p.z, 0.75 * in.c, 1e-12);
    EXPECT_EQ(q.r, p.r);
    EXPECT_EQ(p.element, "Zn");
    EXPECT_EQ(q.element, "S");
    EXPECT_EQ(q.elementIndex, 7);
  }
  // Monoatomic: the sublattice carries the first element.
  prm.biatomic = false;
  ASSERT_TRUE(buildStacked(in, nodes, prm).ok);
  EXPECT_EQ(nodes.back().element, "Zn");
}

TEST(Stacking, CylinderShapeAndHistogramRange) {
  StGrainPrm prm = spherePrm(3.54, 8);
  prm.sphere = false;
  auto in = initialInput("ABC");
  in.sublattice = false;
  vGrainNodes cut, full;
  ASSERT_TRUE(buildStacked(in, cut, prm).ok);
  EXPECT_DOUBLE_EQ(prm.maxDistance, std::sqrt(std::pow(3 * in.c, 2) + 16.0 * 16.0));
  in.circularCut = false;
  ASSERT_TRUE(buildStacked(in, full, prm).ok);
  const size_t patch = layerPatch(in.ha, patchHalfWidth(8, in.ha)).size();
  EXPECT_EQ(full.size(), 3 * patch);
  EXPECT_LT(cut.size(), full.size());
  for (const auto& n : cut) {
    EXPECT_LE(n.r, 8 + in.ha);  // the B/C offsets move points by less than ha
    EXPECT_DOUBLE_EQ(n.r, std::hypot(n.x, n.y));
    EXPECT_GE(n.z, 0);
    EXPECT_LE(n.z, 2 * in.c + 1e-12);
  }
  in.sublattice = true;
  ASSERT_TRUE(buildStacked(in, full, prm).ok);
  const double h = 3 * in.c + 0.75 * in.c;
  EXPECT_DOUBLE_EQ(prm.maxDistance, std::sqrt(h * h + 16.0 * 16.0));
}

TEST(Stacking, UnknownLetterStopsKeepingTheLayersMade) {
  StGrainPrm prm = spherePrm(3.54, 30);
  prm.sphere = false;
  vGrainNodes nodes;
  auto in = initialInput("ABXC");
  auto res = buildStacked(in, nodes, prm);
  EXPECT_TRUE(res.ok) << "the build still wraps the layers already made";
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, "Unknown letter. STOP!");
  EXPECT_EQ(res.messages[0].title, "ERROR");
  std::set<long> heights;
  for (const auto& n : nodes) heights.insert(std::lround(n.z / in.c));
  EXPECT_EQ(heights, (std::set<long>{0, 1}));
  EXPECT_FALSE(prm.stackedSublattice) << "no sublattice pass after the stop";
}

TEST(Stacking, BadInputNeverCrashes) {
  StGrainPrm prm = spherePrm();
  vGrainNodes nodes;
  // Empty sequence: nothing built, no message.
  auto res = buildStacked(initialInput(""), nodes, prm);
  EXPECT_TRUE(res.ok);
  EXPECT_TRUE(nodes.empty());
  // Lower case letters are upper-cased.
  ASSERT_TRUE(buildStacked(initialInput("abc"), nodes, prm).ok);
  EXPECT_EQ(nodes.size(), 758u);
  // Letters other than A, B, C at the start: nothing made.
  res = buildStacked(initialInput("ZZZ"), nodes, prm);
  EXPECT_TRUE(nodes.empty());
  EXPECT_EQ(res.messages.size(), 1u);
  // Far beyond L_min: the layers outside the sphere stay empty.
  ASSERT_TRUE(buildStacked(initialInput(repeat("ABC", 200000)), nodes, prm).ok);
  EXPECT_GT(nodes.size(), 2000u);
  EXPECT_LT(nodes.size(), 3000u);
  // Zero or negative ha, c, u: refused, nothing built.
  nodes.assign(5, StGrainNode{});
  for (auto [ha, c, u] : {std::tuple{0.0, 2.0, 0.75}, {-1.0, 2.0, 0.75}, {2.5, 0.0, 0.75}, {2.5, -2.0, 0.75},
                          {2.5, 2.0, 0.0}}) {
    auto in = initialInput("ABC");
    in.ha = ha;
    in.c = c;
    in.u = u;
    res = buildStacked(in, nodes, prm);
    EXPECT_FALSE(res.ok) << ha << " " << c << " " << u;
    EXPECT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(nodes.size(), 5u) << "a refused build leaves the list alone";
  }
  // A negative u only puts the partner below its atom.
  auto in = initialInput("AB");
  in.u = -0.5;
  ASSERT_TRUE(buildStacked(in, nodes, prm).ok);
  EXPECT_NEAR(nodes[nodes.size() / 2].z - nodes[0].z, -0.5 * in.c, 1e-12);
  // A tiny ha for a big radius would need billions of nodes: refused.
  in.ha = 1e-6;
  res = buildStacked(in, nodes, prm);
  EXPECT_FALSE(res.ok);
  // Zero or negative radius: at most the centre atom.
  prm.radius = 0;
  ASSERT_TRUE(buildStacked(initialInput("ABC"), nodes, prm).ok);
  EXPECT_LE(nodes.size(), 2u);
  prm.radius = -3;
  EXPECT_TRUE(buildStacked(initialInput("ABC"), nodes, prm).ok);
}

TEST(Stacking, TransitionString) {
  EXPECT_EQ(transitionString(""), "");
  EXPECT_EQ(transitionString("A"), "");
  EXPECT_EQ(transitionString("AAB"), "O+");
  EXPECT_EQ(transitionString("ABCACB"), "+++--");
  EXPECT_EQ(transitionString("abca"), "+++");
  EXPECT_EQ(transitionString("AXB"), "--");
}

TEST(StackingModel, InitialGeometryAndCoupling) {
  StGrainPrm prm = spherePrm();
  std::string stored = "abc";
  StackingModel m(StackingModel::Mode::Build, stored, prm);
  EXPECT_EQ(m.haText(), "2.5032");
  EXPECT_EQ(m.cText(), "2.0438");
  EXPECT_EQ(m.caText(), "0.8165");
  EXPECT_EQ(m.uText(), "0.75");
  EXPECT_EQ(m.equivalentCubicText(), "3.54");
  EXPECT_EQ(m.minLayersCaption(), "Minimum number of layers:");
  EXPECT_EQ(m.minLayersText(), "16");
  EXPECT_EQ(m.layersText(), "3");
  EXPECT_EQ(m.transitionText(), "++");
  EXPECT_FALSE(m.circularCutEnabled());

  ASSERT_TRUE(m.setCaText("1").ok);
  EXPECT_DOUBLE_EQ(m.c(), m.ha());
  EXPECT_EQ(m.cText(), "2.5032");
  ASSERT_TRUE(m.setCText("5.0064").ok);
  EXPECT_EQ(m.caText(), "2");
  // A text that is not a number yet changes nothing else; OK reports it.
  auto bad = m.setCText("1e");
  EXPECT_FALSE(bad.ok);
  EXPECT_TRUE(bad.messages.empty());
  EXPECT_EQ(m.caText(), "2");
  EXPECT_DOUBLE_EQ(m.c(), 5.0064);
  vGrainNodes nodes;
  const auto refused = m.ok(&nodes);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.messages.at(0), (StMessage{MessageKind::ConversionError, "Error", "'1e' is not a valid floating point value"}));
  EXPECT_TRUE(nodes.empty());
  ASSERT_TRUE(m.setCText("5.0064").ok);
  EXPECT_TRUE(m.setCaText("").messages.empty()) << "empty texts are ignored";

  // The queue sets ha for its entries: L_min follows, c stays.
  ASSERT_TRUE(m.setHaText("5").ok);
  EXPECT_EQ(m.haText(), "5");
  EXPECT_EQ(m.cText(), "5.0064");
  EXPECT_EQ(m.minLayers(), minLayers(15, 5));
  EXPECT_EQ(m.caText(), "1.0013");
}

TEST(StackingModel, KeyFilterAndColours) {
  StGrainPrm prm = spherePrm();
  std::string stored = repeat("AB", 15);
  StackingModel m(StackingModel::Mode::Build, stored, prm);
  EXPECT_EQ(m.colour(), SequenceColour::Black);
  EXPECT_EQ(m.filterSequenceKey('c'), (StKeyFilter{'C', 0, 0}));
  EXPECT_EQ(m.filterSequenceKey('D'), (StKeyFilter{0, 200, 200}));
  EXPECT_EQ(m.filterSequenceKey('\b'), (StKeyFilter{'\b', 0, 0}));
  m.setSequenceText(repeat("AB", 16));
  EXPECT_EQ(m.colour(), SequenceColour::Green);
  EXPECT_EQ(m.filterSequenceKey('A'), (StKeyFilter{0, 500, 200}));
  m.setSequenceText(repeat("AB", 17));
  EXPECT_EQ(m.colour(), SequenceColour::Red);
  EXPECT_EQ(m.filterSequenceKey('a'), (StKeyFilter{'\b', 0, 0}));
  EXPECT_EQ(m.filterSequenceKey('x'), (StKeyFilter{0, 200, 200}));

  // Cylinders: no length limit, the height display follows length * c.
  prm.sphere = false;
  StackingModel cyl(StackingModel::Mode::Build, stored, prm);
  cyl.setSequenceText(repeat("AB", 40));
  EXPECT_EQ(cyl.colour(), SequenceColour::Black);
  EXPECT_EQ(cyl.filterSequenceKey('A'), (StKeyFilter{'A', 0, 0}));
  EXPECT_EQ(cyl.minLayersCaption(), "Cylinder height");
  EXPECT_EQ(cyl.minLayersText(), "81.753");
  EXPECT_TRUE(cyl.circularCutEnabled());
}

TEST(StackingModel, OkStoresTheUpperCasedSequence) {
  StGrainPrm prm = spherePrm();
  std::string stored = "ab";
  {
    StackingModel edit(StackingModel::Mode::Edit, stored, prm);
    edit.setSequenceText("abcab");
    auto res = edit.ok(nullptr);
    EXPECT_TRUE(res.ok);
    EXPECT_EQ(stored, "ABCAB");
  }
  StackingModel build(StackingModel::Mode::Build, stored, prm);
  build.setSequenceText("abc");
  vGrainNodes nodes;
  auto res = build.ok(&nodes);
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(stored, "ABC");
  EXPECT_EQ(nodes.size(), 758u);
  build.setUText("zz");
  res = build.ok(&nodes);
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.messages.at(0).kind, MessageKind::ConversionError);
}

class SequenceFile : public ::testing::Test {
 protected:
  // One file per process: ctest runs the tests of this fixture side by side.
  std::string path = ::testing::TempDir() + "grainix_seq_test_" + std::to_string(::getpid()) + ".sqq";
  void TearDown() override { std::remove(path.c_str()); }
  std::string contents() {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(SequenceFile, RoundTripKeepsTheTextAsTyped) {
  // The date in the form of the other data files.
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 9;
  t.tm_hour = 22;
  t.tm_min = 34;
  t.tm_sec = 22;
  t.tm_isdst = -1;
  ASSERT_TRUE(saveSequenceFile(path, "ABcAB", std::mktime(&t)).ok);
  EXPECT_EQ(contents(), "#date: 2026-12-09, 22:34:22\n#size: 5\nABcAB");
  std::string seq;
  ASSERT_TRUE(loadSequenceFile(path, seq).ok);
  EXPECT_EQ(seq, "ABcAB");

  ASSERT_TRUE(saveSequenceFile(path, "").ok);
  seq = "x";
  ASSERT_TRUE(loadSequenceFile(path, seq).ok);
  EXPECT_EQ(seq, "");
}

TEST_F(SequenceFile, ReaderTakesAtMostSizeLettersAndToleratesCrLf) {
  std::ofstream(path, std::ios::binary) << "#date: x\r\n#size: 3\r\nABCABC\r\nmore";
  std::string seq;
  ASSERT_TRUE(loadSequenceFile(path, seq).ok);
  EXPECT_EQ(seq, "ABC");
  std::ofstream(path, std::ios::binary) << "#date: x\n#size: 9\nAXB";
  ASSERT_TRUE(loadSequenceFile(path, seq).ok);
  EXPECT_EQ(seq, "AXB") << "letters are not validated on loading";
}

TEST_F(SequenceFile, Errors) {
  std::string seq = "keep";
  auto res = loadSequenceFile(path + ".missing", seq);
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.messages.at(0).text, "Error, couldn't open file: " + path + ".missing for reading");
  EXPECT_EQ(seq, "keep");
  res = saveSequenceFile("/nonexistent-dir/x.sqq", "AB");
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.messages.at(0).text, "Error, couldn't open file: /nonexistent-dir/x.sqq for writing");
  std::ofstream(path, std::ios::binary) << "#date: x\n#size: many\nAB";
  EXPECT_FALSE(loadSequenceFile(path, seq).ok);
  EXPECT_EQ(seq, "keep");
}

}  // namespace
}  // namespace grainix
