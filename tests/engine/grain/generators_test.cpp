#include "engine/grain/generators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <tuple>

namespace grainix {
namespace {

std::unique_ptr<GenNodes> makeGenerator(int structure, double r, double a, vGrainNodes& nodes) {
  switch (structure) {
    case structSc: return std::make_unique<scNodes>(r, a, nodes, 0, "Ni");
    case structBcc: return std::make_unique<bccNodes>(r, a, nodes, 0, "Ni");
    case structFcc: return std::make_unique<fccNodes>(r, a, nodes, 0, "Ni");
    default: return std::make_unique<diamNodes>(r, a, nodes, 0, "Ni");
  }
}

size_t countNodes(int structure, double r, double a) {
  vGrainNodes nodes;
  auto gen = makeGenerator(structure, r, a, nodes);
  gen->generate();
  EXPECT_EQ(static_cast<size_t>(gen->count), nodes.size());
  return nodes.size();
}

TEST(Generators, NodeCountTable) {
  struct Case {
    double a, r;
    size_t sc, bcc, fcc, diam;
  } cases[] = {
      {3.54, 15, 305, 609, 1253, 2506},
      {3.54, 10, 81, 169, 369, 738},
      {4, 8, 33, 65, 141, 282},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(countNodes(structSc, c.r, c.a), c.sc) << c.a << " " << c.r;
    EXPECT_EQ(countNodes(structBcc, c.r, c.a), c.bcc) << c.a << " " << c.r;
    EXPECT_EQ(countNodes(structFcc, c.r, c.a), c.fcc) << c.a << " " << c.r;
    EXPECT_EQ(countNodes(structZincBlende, c.r, c.a), c.diam) << c.a << " " << c.r;
  }
}

TEST(Generators, SmallRadii) {
  const double a = 3.54;
  EXPECT_EQ(countNodes(structSc, 1, a), 1u);
  EXPECT_EQ(countNodes(structBcc, a * std::sqrt(3.0) / 2 + 0.01, a), 9u);
  EXPECT_EQ(countNodes(structFcc, a / std::sqrt(2.0) + 0.01, a), 13u);
}

TEST(Generators, EveryPointOnceAndInsideTheSphere) {
  vGrainNodes nodes;
  fccNodes gen(8, 4, nodes, 2, "Cu");
  gen.generate();
  std::set<std::tuple<double, double, double>> seen;
  for (const auto& n : nodes) {
    EXPECT_TRUE(seen.emplace(n.x, n.y, n.z).second) << n.x << " " << n.y << " " << n.z;
    EXPECT_LE(n.x * n.x + n.y * n.y + n.z * n.z, 64.0);
    EXPECT_EQ(n.r, std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z));
    EXPECT_EQ(n.rPrev, 0.0);
    EXPECT_EQ(n.x0, n.x);
    EXPECT_EQ(n.z0, n.z);
    EXPECT_EQ(n.element, "Cu");
    EXPECT_EQ(n.elementIndex, 2);
  }
}

TEST(Generators, MirrorOrder) {
  vGrainNodes nodes;
  addSymmetricNodes(1, 2, 3, 100, nodes, "X", -1);
  const double expect[8][3] = {{1, 2, 3},   {1, 2, -3}, {1, -2, -3}, {-1, -2, -3},
                               {1, -2, 3}, {-1, -2, 3}, {-1, 2, 3},  {-1, 2, -3}};
  ASSERT_EQ(nodes.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(nodes[i].x, expect[i][0]);
    EXPECT_EQ(nodes[i].y, expect[i][1]);
    EXPECT_EQ(nodes[i].z, expect[i][2]);
  }
  nodes.clear();
  addSymmetricNodes(0, 0, 4, 16, nodes, "X", -1);  // exactly on the sphere: kept
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[1].z, -4.0);
  nodes.clear();
  addSymmetricNodes(2, 0, 1, 100, nodes, "X", -1);
  EXPECT_EQ(nodes.size(), 4u);  // (2,0,1) (2,0,-1) (-2,0,1) (-2,0,-1)
  nodes.clear();
  addSymmetricNodes(0, 0, 0, 0, nodes, "X", -1);
  EXPECT_EQ(nodes.size(), 1u);
}

TEST(Generators, DiamondPairing) {
  const double a = 3.54;
  vGrainNodes nodes;
  StGrainPrm prm;
  prm.radius = 10;
  prm.latticePrm = a;
  prm.elementL = "Zn";
  prm.elementR = "S";
  prm.elementIndexL = 1;
  prm.elementIndexR = 2;
  diamNodes gen(nodes, prm);
  EXPECT_EQ(gen.name, "zinc blende");
  gen.generate();
  ASSERT_EQ(nodes.size() % 2, 0u);
  const size_t h = nodes.size() / 2;
  for (size_t i = 0; i < h; ++i) {
    const auto& p = nodes[i];
    const auto& q = nodes[i + h];
    EXPECT_EQ(q.x, p.x + a / 4);
    EXPECT_EQ(q.y, p.y + a / 4);
    EXPECT_EQ(q.z, p.z + a / 4);
    EXPECT_NEAR(std::sqrt((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y) + (q.z - p.z) * (q.z - p.z)),
                a * std::sqrt(3.0) / 4, 1e-12);
    EXPECT_EQ(q.r, p.r);
    EXPECT_EQ(q.siteKind, Diamond);
    EXPECT_EQ(p.element, "Zn");
    EXPECT_EQ(q.element, "S");
    EXPECT_EQ(q.elementIndex, 2);
  }
  vGrainNodes mono;
  diamNodes d(10, a, mono, 0, "C");
  EXPECT_EQ(d.name, "diamond like");
}

TEST(Generators, UnitCellsAndSiteKinds) {
  vGrainNodes nodes;
  EXPECT_EQ(scNodes(1, 1, nodes, 0, "X").unitCell().size(), 8u);
  EXPECT_EQ(bccNodes(1, 1, nodes, 0, "X").unitCell().size(), 9u);
  EXPECT_EQ(fccNodes(1, 1, nodes, 0, "X").unitCell().size(), 14u);
  EXPECT_EQ(diamNodes(1, 1, nodes, 0, "X").unitCell().size(), 18u);
  std::vector<int32_t> kinds;
  diamNodes(1, 1, nodes, 0, "X").siteKinds(kinds);
  EXPECT_EQ(kinds, (std::vector<int32_t>{0, 1, 3}));
  EXPECT_STREQ(siteKindName(Wall), "Wall");
  EXPECT_STREQ(siteKindName(Diamond), "Diamond");
}

TEST(Generators, KindsAndNames) {
  vGrainNodes nodes;
  EXPECT_EQ(scNodes(1, 1, nodes, 0, "X").kind, kindSc);
  EXPECT_EQ(twoDimNodes(1, 1, nodes, 0, "X").name, "2D");
  EXPECT_EQ(twoDimNodes(1, 1, nodes, 0, "X").kind, kindSc);
  EXPECT_EQ(hcpNodes(1, 1, nodes, 0, "X").kind, kindHcp);
  EXPECT_EQ(xyzNodes(nodes).name, "xyz");
  EXPECT_EQ(diamNodes(nodes).name, "zinc blende or diamond like");
  fccNodes f(nodes);
  EXPECT_EQ(f.elementL, "X");
  EXPECT_EQ(f.elementIndexL, -1);
  EXPECT_EQ(f.radius, 0.0);
}

TEST(Generators, TwoDimLayer) {
  vGrainNodes nodes;
  twoDimNodes gen(2, 1, nodes, 0, "X");
  gen.generate();
  EXPECT_EQ(nodes.size(), 13u);  // |x|,|y| <= 2 with x^2+y^2 <= 4
  for (const auto& n : nodes) EXPECT_EQ(n.z, 0.0);
  EXPECT_EQ(gen.count, 13);
}

}  // namespace
}  // namespace grainix
