#include "engine/grain/cif_grain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "engine/grain/generators.h"
#include "tests/engine/grain/cif_test_support.h"

namespace grainix {
namespace {

using test::cifData;
using test::crystalOf;
using test::cut;
using test::writeCif;

using Atom = std::tuple<std::string, double, double, double>;

std::vector<Atom> atoms(const vGrainNodes& nodes) {
  std::vector<Atom> out;
  for (const auto& n : nodes) out.emplace_back(n.element, n.x, n.y, n.z);
  std::sort(out.begin(), out.end());
  return out;
}

size_t countOf(const vGrainNodes& nodes, const std::string& element) {
  return static_cast<size_t>(std::count_if(nodes.begin(), nodes.end(), [&](const auto& n) { return n.element == element; }));
}

// The same atoms at the same coordinates. The CIF cut forms coordinates as
// the cubic builders do, so they agree exactly, not only within 1e-9 Angs.
void expectSameAtoms(const vGrainNodes& a, const vGrainNodes& b, const std::string& what) {
  const auto sa = atoms(a), sb = atoms(b);
  ASSERT_EQ(sa.size(), sb.size()) << what;
  for (size_t i = 0; i < sa.size(); ++i) ASSERT_EQ(sa[i], sb[i]) << what << " atom " << i;
}

TEST(CifGrain, FccNickelFileGivesTheFccBuildersAtoms) {
  const StCrystal ni = crystalOf(cifData("ni_fcc.cif"));
  // 10.56 = 3a puts atoms exactly on the sphere; they are kept by both.
  for (double radius : {3.0, 10.56, 15.0, 20.3}) {
    vGrainNodes built;
    fccNodes gen(radius, 3.52, built, 27, "Ni");
    gen.generate();
    for (bool motif : {false, true})
      for (bool onAtom : {true, false}) {
        const vGrainNodes fromCif = cut(ni, radius, motif, onAtom);
        expectSameAtoms(fromCif, built, "R=" + std::to_string(radius));
        EXPECT_EQ(fromCif.front().elementIndex, 27);
      }
  }
}

TEST(CifGrain, ZincBlendeFilesGiveTheZincBlendeBuildersAtomsWhenCutByMotif) {
  struct Case {
    const char* file;
    double a;
    const char* first;
    const char* second;
  } cases[] = {{"zns_sphalerite.cif", 5.4093, "Zn", "S"},     // all operations written out
               {"cdse_zincblende.cif", 6.077, "Cd", "Se"}};  // only the group number
  for (const auto& c : cases) {
    const StCrystal crystal = crystalOf(cifData(c.file));
    for (double radius : {9.0, 15.0, 21.0}) {
      StGrainPrm prm;
      prm.radius = radius;
      prm.latticePrm = c.a;
      prm.elementL = c.first;
      prm.elementR = c.second;
      prm.elementIndexL = crystal.elementIndices[0];
      prm.elementIndexR = crystal.elementIndices[1];
      vGrainNodes built;
      diamNodes gen(built, prm);
      gen.generate();
      const vGrainNodes motif = cut(crystal, radius, true);
      expectSameAtoms(motif, built, std::string(c.file) + " R=" + std::to_string(radius));
      // Cut atom by atom, the second element keeps only what lies inside;
      // the builder keeps each partner beside its atom, up to a*sqrt(3)/4 out.
      const vGrainNodes byAtom = cut(crystal, radius, false);
      EXPECT_EQ(countOf(byAtom, c.first), countOf(built, c.first));
      for (const auto& n : byAtom) EXPECT_LE(n.x * n.x + n.y * n.y + n.z * n.z, radius * radius);
      EXPECT_TRUE(std::any_of(built.begin(), built.end(),
                              [&](const auto& n) { return std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) > radius; }));
    }
  }
}

TEST(CifGrain, NodesAreGroupedByElementInFileOrder) {
  const StCrystal c = crystalOf(cifData("batio3_cubic.cif"));
  const vGrainNodes nodes = cut(c, 12);
  std::vector<std::string> order;
  for (const auto& n : nodes)
    if (order.empty() || order.back() != n.element) order.push_back(n.element);
  EXPECT_EQ(order, (std::vector<std::string>{"Ba", "Ti", "O"}));
  for (const auto& n : nodes) {
    EXPECT_EQ(n.siteKind, -1);
    EXPECT_EQ(n.rPrev, 0);
    EXPECT_EQ(n.x0, n.x);
    EXPECT_DOUBLE_EQ(n.r, std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z));
  }
}

// Atoms of the crystal between R - d and R + d: the most by which any two
// cuts of radius R whose atoms differ only within d of the surface can differ.
size_t shellCount(const StCrystal& c, double radius, double d, const std::string& element) {
  size_t n = 0;
  for (const auto& node : cut(c, radius + d))
    if (node.element == element && node.r > radius - d) ++n;
  return n;
}

TEST(CifGrain, RutileAndPerovskiteMatchTheirStoichiometryWithinTheSurfaceExcess) {
  struct Case {
    const char* file;
    std::vector<std::pair<std::string, int>> formula;
  } cases[] = {{"rutile.cif", {{"Ti", 1}, {"O", 2}}}, {"batio3_cubic.cif", {{"Ba", 1}, {"Ti", 1}, {"O", 3}}}};
  for (const auto& c : cases) {
    const StCrystal crystal = crystalOf(cifData(c.file));
    const double cellDiagonal = std::sqrt(crystal.cell.a * crystal.cell.a + crystal.cell.b * crystal.cell.b +
                                          crystal.cell.c * crystal.cell.c);
    int perFormula = 0;
    for (const auto& [e, k] : c.formula) perFormula += k;
    for (double radius : {10.0, 25.0}) {
      const vGrainNodes byMotif = cut(crystal, radius, true);
      const vGrainNodes byAtom = cut(crystal, radius, false);
      // Whole motifs: exactly the formula.
      const size_t units = countOf(byMotif, c.formula[0].first) / static_cast<size_t>(c.formula[0].second);
      for (const auto& [e, k] : c.formula) EXPECT_EQ(countOf(byMotif, e), units * static_cast<size_t>(k)) << c.file << " " << e;
      // Atom by atom: each element differs from the formula only by atoms
      // near the surface (a motif reaches less than a cell diagonal).
      const double n = static_cast<double>(byAtom.size());
      for (const auto& [e, k] : c.formula) {
        const double expected = n * k / perFormula;
        const double excess = std::fabs(static_cast<double>(countOf(byAtom, e)) - expected);
        EXPECT_LE(excess, static_cast<double>(shellCount(crystal, radius, cellDiagonal, e))) << c.file << " " << e;
      }
      // And the atom count is the crystal's density times the volume.
      const double density = static_cast<double>(crystal.positions.size()) / crystal.frame.volume;
      const double volume = 4.0 / 3.0 * std::numbers::pi * radius * radius * radius;
      size_t shell = 0;
      for (const auto& [e, k] : c.formula) shell += shellCount(crystal, radius, cellDiagonal / 2, e);
      EXPECT_LE(std::fabs(n - density * volume), static_cast<double>(shell)) << c.file << " R=" << radius;
    }
  }
}

// Distances from every atom of `from` deep inside the grain to its `to`
// neighbours closer than `cutoff`.
std::vector<double> neighbourDistances(const vGrainNodes& nodes, const std::string& from, const std::string& to,
                                       double cutoff, double inner) {
  std::vector<double> out;
  for (const auto& a : nodes) {
    if (a.element != from || a.r > inner) continue;
    for (const auto& b : nodes) {
      if (&a == &b || b.element != to) continue;
      const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
      if (d < cutoff) out.push_back(d);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(CifGrain, NeighbourShellsMatchTheStructuresGeometry) {
  // Bond lengths from the cell and the free parameters, worked out by hand.
  const double a = 4.5937, c = 2.9587, x = 0.30478;  // rutile
  const double apical = std::sqrt(2.0) * x * a;
  const double equatorial = std::sqrt(2 * std::pow((0.5 - x) * a, 2) + c * c / 4);
  const double aw = 3.2498, cw = 5.2066, u = 0.3819;  // wurtzite
  const double zAxis = u * cw;
  const double zSide = std::sqrt(aw * aw / 3 + std::pow((0.5 - u) * cw, 2));
  const double am = 3.2094, cm = 5.2108;  // hcp Mg
  const double inPlane = am, across = std::sqrt(am * am / 3 + cm * cm / 4);
  struct Case {
    const char* file;
    const char* from;
    const char* to;
    double cutoff;
    std::vector<std::pair<double, int>> shells;  // distance, neighbours per atom
  } cases[] = {
      {"rutile.cif", "Ti", "O", 2.2, {{apical, 2}, {equatorial, 4}}},
      {"zno_wurtzite.cif", "Zn", "O", 2.2, {{zAxis, 1}, {zSide, 3}}},
      {"mg_hcp.cif", "Mg", "Mg", 3.3, {{inPlane, 6}, {across, 6}}},
  };
  for (const auto& k : cases) {
    const vGrainNodes nodes = cut(crystalOf(cifData(k.file)), 12);
    size_t centres = 0;
    for (const auto& n : nodes) centres += n.element == k.from && n.r <= 7;
    ASSERT_GT(centres, 0u);
    const auto d = neighbourDistances(nodes, k.from, k.to, k.cutoff, 7);
    size_t expectedTotal = 0;
    for (const auto& [dist, count] : k.shells) {
      expectedTotal += centres * static_cast<size_t>(count);
      const size_t found = static_cast<size_t>(
          std::count_if(d.begin(), d.end(), [&](double v) { return std::fabs(v - dist) < 2e-4; }));
      EXPECT_EQ(found, centres * static_cast<size_t>(count)) << k.file << " shell " << dist;
    }
    EXPECT_EQ(d.size(), expectedTotal) << k.file;
  }
}

const std::string kDisorderedCell =
    "data_d\n_cell_length_a 3.6\n_cell_length_b 3.6\n_cell_length_c 3.6\n_cell_angle_alpha 90\n"
    "_cell_angle_beta 90\n_cell_angle_gamma 90\n_space_group_name_H-M_alt 'F m -3 m'\nloop_\n_atom_site_label\n"
    "_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n"
    "Fe1 Fe 0 0 0 0.3\nNi1 Ni 0 0 0 0.6\nO1 O 0.5 0.5 0.5 0.75\n";

TEST(CifGrain, SharedAndPartlyFilledPositionsAreDrawnBySeed) {
  const StCrystal c = crystalOf(writeCif("disorder.cif", kDisorderedCell));
  StCifCut k;
  k.radius = 25;
  k.seed = 7;
  vGrainNodes nodes;
  const StCifCutResult res = cutCifGrain(c, k, nodes);
  // The lattice sites inside, as a full crystal would fill them.
  const StCrystal full = crystalOf(writeCif(
      "full.cif", "data_f\n_cell_length_a 3.6\n_cell_length_b 3.6\n_cell_length_c 3.6\n_space_group_name_H-M_alt "
                  "'F m -3 m'\nloop_\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
                  "_atom_site_fract_z\nNa 0 0 0\nCl 0.5 0.5 0.5\n"));
  const vGrainNodes sites = cut(full, 25);
  const double metal = static_cast<double>(countOf(sites, "Na")), anion = static_cast<double>(countOf(sites, "Cl"));
  // Never two atoms at one point: each lattice site holds one atom at most.
  auto key = [](const StGrainNode& n) { return std::make_tuple(n.x, n.y, n.z); };
  std::vector<std::tuple<double, double, double>> points;
  for (const auto& n : nodes) points.push_back(key(n));
  std::sort(points.begin(), points.end());
  EXPECT_EQ(std::adjacent_find(points.begin(), points.end()), points.end());
  EXPECT_EQ(nodes.size() + res.vacant, sites.size());
  // The draws follow the occupancies (binomial, within 4 sigma).
  auto near = [](double count, double n, double p) {
    return std::fabs(count - n * p) < 4 * std::sqrt(n * p * (1 - p));
  };
  EXPECT_TRUE(near(static_cast<double>(countOf(nodes, "Fe")), metal, 0.3)) << countOf(nodes, "Fe") << " of " << metal;
  EXPECT_TRUE(near(static_cast<double>(countOf(nodes, "Ni")), metal, 0.6)) << countOf(nodes, "Ni");
  EXPECT_TRUE(near(static_cast<double>(countOf(nodes, "O")), anion, 0.75)) << countOf(nodes, "O");
  EXPECT_EQ(res.perElement, (std::vector<size_t>{countOf(nodes, "Fe"), countOf(nodes, "Ni"), countOf(nodes, "O")}));

  // The same seed places the same atoms, also inside a larger grain.
  vGrainNodes again, larger, other;
  cutCifGrain(c, k, again);
  EXPECT_EQ(atoms(again), atoms(nodes));
  k.radius = 30;
  cutCifGrain(c, k, larger);
  vGrainNodes inner;
  for (const auto& n : larger)
    if (n.r <= 25) inner.push_back(n);
  EXPECT_EQ(atoms(inner), atoms(nodes));
  k.radius = 25;
  k.seed = 8;
  cutCifGrain(c, k, other);
  EXPECT_NE(atoms(other), atoms(nodes));
}

TEST(CifGrain, CentreOnTheFirstSiteOrOnTheCellOrigin) {
  // Chlorine listed first: "atom" centres the grain on it.
  const std::string text =
      "data_c\n_cell_length_a 5.64\n_cell_length_b 5.64\n_cell_length_c 5.64\n_symmetry_space_group_name_H-M "
      "'F m -3 m'\nloop_\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
      "Cl 0.5 0.5 0.5\nNa 0 0 0\n";
  const StCrystal c = crystalOf(writeCif("centre.cif", text));
  auto atOrigin = [](const vGrainNodes& nodes) {
    for (const auto& n : nodes)
      if (n.x == 0 && n.y == 0 && n.z == 0) return n.element;
    return std::string();
  };
  EXPECT_EQ(atOrigin(cut(c, 8, false, true)), "Cl");
  EXPECT_EQ(atOrigin(cut(c, 8, false, false)), "Na");
  EXPECT_EQ(atOrigin(cut(c, 8, true, true)), "Cl");
  EXPECT_EQ(cut(c, 8).front().element, "Cl");  // and the first group
}

TEST(CifGrain, CylinderAlongTheCAxisAndPairDistancesBelowTheBound) {
  const StCrystal mg = crystalOf(cifData("mg_hcp.cif"));
  StCifCut k;
  k.radius = 8;
  k.cylinder = true;
  k.height = 12;
  vGrainNodes nodes;
  const StCifCutResult res = cutCifGrain(mg, k, nodes);
  ASSERT_GT(nodes.size(), 50u);
  double maxPair = 0;
  for (const auto& n : nodes) {
    EXPECT_LE(n.x * n.x + n.y * n.y, 64.0);
    EXPECT_LE(std::fabs(n.z), 6.0);
    EXPECT_DOUBLE_EQ(n.r, std::hypot(n.x, n.y));
    for (const auto& m : nodes) maxPair = std::max(maxPair, std::hypot(n.x - m.x, n.y - m.y, n.z - m.z));
  }
  EXPECT_LT(maxPair, res.maxDistance);
  // Close-packed layers across the c axis, centred on an atom: z = 0, +-c/2, +-c.
  std::vector<double> layers;
  for (const auto& n : nodes)
    if (std::none_of(layers.begin(), layers.end(), [&](double z) { return std::fabs(z - n.z) < 1e-9; }))
      layers.push_back(n.z);
  EXPECT_EQ(layers.size(), 5u);
  for (double z : layers) EXPECT_NEAR(std::remainder(z, mg.cell.c / 2), 0.0, 1e-9) << z;

  const vGrainNodes sphere = cut(crystalOf(cifData("rutile.cif")), 9);
  StCifCutResult r2;
  double pairs = 0;
  for (const auto& n : sphere)
    for (const auto& m : sphere) pairs = std::max(pairs, std::hypot(n.x - m.x, n.y - m.y, n.z - m.z));
  StCifCut s;
  s.radius = 9;
  vGrainNodes again;
  r2 = cutCifGrain(crystalOf(cifData("rutile.cif")), s, again);
  EXPECT_LT(pairs, r2.maxDistance);
  EXPECT_LE(r2.rMax, 9.0);
}

}  // namespace
}  // namespace grainix
