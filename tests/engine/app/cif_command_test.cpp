// "Build grain from CIF" as a command: what it logs and sets, what it
// refuses without touching the grain, and a two-element grain of unequal
// element counts (rutile) through the partial histograms and the pattern,
// checked against exact pair counts, the exact Debye sum over atom pairs
// and the cell's d-spacings.
#include "engine/app/cif_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/app/build_command.h"
#include "engine/app/calc_commands.h"
#include "engine/app/workbench.h"
#include "engine/calc/diffraction.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/pdh_run.h"
#include "engine/grain/command_names.h"
#include "engine/grain/generators.h"
#include "tests/engine/calc/diffr_test_support.h"
#include "tests/engine/grain/cif_test_support.h"

namespace grainix {
namespace {

using test::cifData;
using test::tableSymbols;
using test::writeCif;

constexpr double kPi = std::numbers::pi;

StCifBuildInput cifInput(const std::string& file, const std::string& radius) {
  StCifBuildInput in;
  in.path = cifData(file);
  in.radiusText = radius;
  return in;
}

Workbench rutileWorkbench(const std::string& radius = "12") {
  Workbench wb;
  const StCifBuild b = buildFromCif(wb, cifInput("rutile.cif", radius), tableSymbols());
  EXPECT_TRUE(b.result.ok);
  return wb;
}

size_t countOf(const vGrainNodes& nodes, const std::string& element) {
  return static_cast<size_t>(
      std::count_if(nodes.begin(), nodes.end(), [&](const StGrainNode& n) { return n.element == element; }));
}

TEST(CifCommand, BuildsTheGrainLogsItAndEnablesTheGrainCommands) {
  Workbench wb;
  wb.pdh.push_back({});
  wb.partial.allocate(3);
  wb.sections.push_back({});
  const StCifBuild b = buildFromCif(wb, cifInput("rutile.cif", "12"), tableSymbols());
  ASSERT_TRUE(b.result.ok);
  EXPECT_TRUE(b.result.messages.empty());
  const auto& log = b.result.log;
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "******* NEW STRUCTURE **********");
  EXPECT_EQ(log.back(), "cif TiO2 P4_2/mnm, number of nodes=" + std::to_string(wb.ideal.size()));
  EXPECT_NE(std::find(log.begin(), log.end(), "composition: Ti " + std::to_string(countOf(wb.ideal, "Ti")) +
                                                  ", O " + std::to_string(countOf(wb.ideal, "O"))),
            log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "centre: site Ti1 (0 0 0)"), log.end());

  EXPECT_EQ(b.elements, (std::vector<std::string>{"Ti", "O"}));
  EXPECT_EQ(b.latticeText, "4.5937");
  EXPECT_EQ(b.radiusText, "12");
  ASSERT_TRUE(wb.generator);
  EXPECT_EQ(wb.generator->kind, kindCif);
  EXPECT_EQ(wb.generator->name, "cif TiO2 P4_2/mnm");
  EXPECT_EQ(wb.generator->unitCell().size(), 6u);  // 2 Ti + 4 O
  EXPECT_EQ(wb.grainPrm.kind, kindCif);
  EXPECT_TRUE(wb.grainPrm.biatomic);
  EXPECT_TRUE(wb.grainPrm.sphere);
  EXPECT_EQ(wb.grainPrm.elementL, "Ti");
  EXPECT_EQ(wb.grainPrm.elementR, "O");
  EXPECT_EQ(tableSymbols()[static_cast<size_t>(wb.grainPrm.elementIndexR)], "O");
  // Every pair distance lies below the histogram range.
  double rMax = 0;
  for (const auto& n : wb.ideal) rMax = std::max(rMax, std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z));
  EXPECT_GE(wb.grainPrm.maxDistance, 2 * rMax);
  EXPECT_TRUE(wb.pdh.empty());
  EXPECT_TRUE(wb.sections.empty());
  EXPECT_EQ(wb.partial.count, 0);
  EXPECT_EQ(wb.fitForm.lp, "4.5937");
  for (const char* c : {cmd::Pdh, cmd::Modify, cmd::SaveNodes, cmd::Nodes}) EXPECT_TRUE(b.result.enable.at(c)) << c;
  for (const char* c : {cmd::Diffraction, cmd::SavePdh, cmd::PdhDiagram}) EXPECT_FALSE(b.result.enable.at(c)) << c;

  // The calculations take the grain's own elements, whatever the element
  // controls of the window show.
  StCalcInputs in;
  in.elementL = in.elementR = "Ni";
  takeGrainElements(wb, in);
  EXPECT_TRUE(in.biatomic);
  EXPECT_EQ(in.elementL + in.elementR, "TiO");
}

TEST(CifCommand, RefusalsNameTheProblemAndKeepThePreviousGrain) {
  const std::string noCell = writeCif("nocell.cif", "data_x\n_symmetry_space_group_name_H-M 'P 1'\n"
                                                    "loop_\n_atom_site_label\n_atom_site_type_symbol\n"
                                                    "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
                                                    "Cu1 Cu 0 0 0\n");
  struct Case {
    const char* what;
    StCifBuildInput in;
    std::string message;
  };
  auto with = [](auto change) {
    StCifBuildInput in = cifInput("nacl.cif", "10");
    change(in);
    return in;
  };
  const std::vector<Case> cases = {
      {"radius text", with([](auto& in) { in.radiusText = "1,5"; }), "'1,5' is not a valid floating point value"},
      {"radius 0", with([](auto& in) { in.radiusText = "0"; }), "Radius should be greater than 0"},
      {"height", with([](auto& in) { in.cylinder = true, in.heightText = "-2"; }),
       "Height of the cylinder should be greater than 0"},
      {"seed", with([](auto& in) { in.seedText = "-1"; }), "Seed should be a whole number >= 0: -1"},
      {"no file", with([](auto& in) { in.path = "/nonexistent/x.cif"; }), "/nonexistent/x.cif"},
      {"no cell", with([&](auto& in) { in.path = noCell; }), "_cell_length_a"},
      {"three elements", with([](auto& in) { in.path = cifData("batio3_cubic.cif"); }),
       cifData("batio3_cubic.cif") + " holds atoms of 3 elements (Ba, Ti, O); one or two elements are supported"},
      {"too large", with([](auto& in) { in.radiusText = "1e5"; }), "Grain too large"},
  };
  for (const Case& c : cases) {
    Workbench wb = rutileWorkbench();
    wb.pdh.push_back({});
    const size_t nodes = wb.ideal.size();
    const StCifBuild b = buildFromCif(wb, c.in, tableSymbols());
    EXPECT_FALSE(b.result.ok) << c.what;
    EXPECT_TRUE(b.elements.empty()) << c.what;
    ASSERT_EQ(b.result.messages.size(), 1u) << c.what;
    EXPECT_NE(b.result.messages[0].text.find(c.message), std::string::npos) << c.what << ": " << b.result.messages[0].text;
    EXPECT_TRUE(b.result.log.empty()) << c.what;
    EXPECT_TRUE(b.result.enable.empty()) << c.what;
    EXPECT_EQ(wb.ideal.size(), nodes) << c.what;
    EXPECT_EQ(wb.generator->name, "cif TiO2 P4_2/mnm") << c.what;
    EXPECT_EQ(wb.pdh.size(), 1u) << c.what;
  }
}

// The partial histograms of a grain with twice as many O as Ti atoms: the
// split falls after the Ti atoms, and each histogram holds exactly the
// pairs of its two elements.
TEST(CifCommand, RutilePartialHistogramsCountEachElementPairExactly) {
  Workbench wb = rutileWorkbench();
  const auto nTi = static_cast<int64_t>(countOf(wb.ideal, "Ti")), nO = static_cast<int64_t>(countOf(wb.ideal, "O"));
  ASSERT_GT(nO, nTi + nTi / 2);  // far from halves
  StCalcInputs in;
  in.binWidthText = "0.01";
  takeGrainElements(wb, in);
  const StPdhStart s = pdhStart(wb, in, "t");
  ASSERT_TRUE(s.result.ok);
  ASSERT_EQ(s.mode, 1);
  CancelToken cancel;
  runPairLoop(1, s.prm, wb.pdh, wb.partial, nullptr, cancel);
  ASSERT_GT(wb.partial.count, 0);
  double ii = 0, ij = 0, jj = 0;
  for (int32_t k = 0; k < wb.partial.count; ++k) {
    ii += wb.partial.rii[static_cast<size_t>(k)];
    ij += wb.partial.rij[static_cast<size_t>(k)];
    jj += wb.partial.rjj[static_cast<size_t>(k)];
  }
  EXPECT_EQ(ii, static_cast<double>(nTi * (nTi - 1) / 2));
  EXPECT_EQ(ij, static_cast<double>(nTi * nO));
  EXPECT_EQ(jj, static_cast<double>(nO * (nO - 1) / 2));
  const ElementTable table = testing::shippedTable();
  EXPECT_EQ(table[static_cast<size_t>(wb.partial.elemFirst)].name, "Ti");
  EXPECT_EQ(table[static_cast<size_t>(wb.partial.elemSecond)].name, "O");
  // The shortest Ti-O distance of rutile (1.95 Angs) is the first Ti-O bin;
  // no Ti-Ti or O-O pair is that close.
  int32_t firstIj = 0;
  while (wb.partial.rij[static_cast<size_t>(firstIj)] == 0) ++firstIj;
  EXPECT_NEAR(wb.partial.r[static_cast<size_t>(firstIj)], 1.94, 0.02);
  for (int32_t k = 0; k <= firstIj; ++k) {
    EXPECT_EQ(wb.partial.rii[static_cast<size_t>(k)], 0) << k;
    EXPECT_EQ(wb.partial.rjj[static_cast<size_t>(k)], 0) << k;
  }
}

// A CIF grain of fcc Ni holds exactly the atoms of the fcc builder's
// grain, yet it has no lattice grid: the grid of the generated grain it
// replaces must not survive, so the PDH always runs the pair loop. Its
// histogram equals the one the lattice method gives for the built grain.
TEST(CifCommand, CifGrainTakesThePairLoopEvenWhereItMatchesAGeneratedLattice) {
  Workbench wb;
  StBuildInput fcc;
  fcc.latticeText = "3.52";
  fcc.radiusText = "10";
  fcc.structure = structFcc;
  fcc.elementL = fcc.elementR = "Ni";
  fcc.elementIndexL = fcc.elementIndexR = 27;
  ASSERT_TRUE(build(wb, fcc, nullptr).ok);
  ASSERT_NE(currentLatticeGrid(wb), nullptr);
  StCalcInputs in;
  in.binWidthText = "0.01";
  in.elementL = in.elementR = "Ni";
  const StPdhStart built = pdhStart(wb, in, "t");
  ASSERT_TRUE(built.prm.grid.has_value());
  CancelToken cancel;
  PdhList latticePdh;
  StIDCalcResults unused;
  const StPairRunResult lattice = runPdh(0, built.prm, latticePdh, unused, nullptr, cancel);
  ASSERT_EQ(lattice.method, PdhMethod::Lattice);

  const StCifBuild b = buildFromCif(wb, cifInput("ni_fcc.cif", "10"), tableSymbols());
  ASSERT_TRUE(b.result.ok);
  ASSERT_EQ(wb.ideal.size(), built.prm.nodes.size());
  EXPECT_EQ(currentLatticeGrid(wb), nullptr);
  takeGrainElements(wb, in);
  const StPdhStart s = pdhStart(wb, in, "t");
  ASSERT_TRUE(s.result.ok);
  EXPECT_EQ(s.mode, 0);
  EXPECT_FALSE(s.prm.grid.has_value());
  PdhList pairsPdh;
  const StPairRunResult pairs = runPdh(s.mode, s.prm, pairsPdh, wb.partial, nullptr, cancel);
  EXPECT_EQ(pairs.method, PdhMethod::Pairs);
  ASSERT_FALSE(pairs.log.empty());
  EXPECT_EQ(pairs.log.front(), " PDH method: pair loop");
  ASSERT_EQ(pairsPdh.size(), latticePdh.size());
  for (auto p = pairsPdh.begin(), l = latticePdh.begin(); p != pairsPdh.end(); ++p, ++l) {
    EXPECT_EQ(p->r, l->r);
    EXPECT_EQ(p->card, l->card) << p->r;
  }
}

StDiffPattern rutilePattern(Workbench& wb, const ElementTable& table, double start, double stop, double step) {
  StCalcInputs in;
  in.binWidthText = "0.001";
  takeGrainElements(wb, in);
  const StPdhStart s = pdhStart(wb, in, "t");
  CancelToken cancel;
  runPairLoop(s.mode, s.prm, wb.pdh, wb.partial, nullptr, cancel);
  StDiffrPrm prm;
  prm.lambda = 1.5406;
  prm.k = 2 * kPi / prm.lambda;
  prm.start = start;
  prm.stop = stop;
  prm.step = step;
  prm.binWidth = 0.001;
  prm.nodes = &wb.ideal;
  prm.table = &table;
  StDiffPattern pattern;
  runDiffraction(prm, &wb.partial, 1, pattern);
  return pattern;
}

TEST(CifCommand, RutilePatternIsTheDebyeSumOverItsAtomPairs) {
  Workbench wb = rutileWorkbench("9");
  const ElementTable table = testing::shippedTable();
  const StDiffPattern p = rutilePattern(wb, table, 20, 140, 3);
  ASSERT_GT(p.count, 30);
  const vGrainNodes& nodes = wb.ideal;
  double worst = 0;
  for (size_t i = 0; i < static_cast<size_t>(p.count); ++i) {
    const double theta = p.twoTheta[i] / 2, q = 4 * kPi * std::sin(theta) / 1.5406;
    const double s = std::sin(theta) / 1.5406;
    std::vector<double> f(nodes.size());
    for (size_t a = 0; a < nodes.size(); ++a)
      f[a] = scatteringFactor(table[static_cast<size_t>(nodes[a].elementIndex)], s);
    double intensity = 0, self = 0;
    for (size_t a = 0; a < nodes.size(); ++a) {
      self += f[a] * f[a];
      for (size_t b = a + 1; b < nodes.size(); ++b) {
        const double x = q * testing::pairDistance(nodes[a], nodes[b]);
        intensity += 2 * f[a] * f[b] * std::sin(x) / x;
      }
    }
    intensity += self;
    worst = std::max(worst, std::fabs(p.intensity[i] - intensity) / self);
    EXPECT_NEAR(p.sOfQ[i], intensity / self, 5e-3) << p.twoTheta[i] * 180 / kPi;
  }
  EXPECT_LT(worst, 5e-3);
}

TEST(CifCommand, RutileBraggPeaksSitAtTheCellsDSpacings) {
  Workbench wb = rutileWorkbench("15");
  const ElementTable table = testing::shippedTable();
  const StDiffPattern p = rutilePattern(wb, table, 20, 62, 0.05);
  const double a = 4.5937, c = 2.9587;
  for (auto [h, k, l] : {std::array{1, 1, 0}, std::array{1, 0, 1}, std::array{2, 1, 1}}) {
    const double d = 1 / std::sqrt((h * h + k * k) / (a * a) + l * l / (c * c));
    const double want = 2 * std::asin(1.5406 / (2 * d)) * 180 / kPi;
    double best = 0, at = 0;
    for (size_t i = 0; i < static_cast<size_t>(p.count); ++i) {
      const double deg = p.twoTheta[i] * 180 / kPi;
      if (std::fabs(deg - want) < 2 && p.intensity[i] > best) best = p.intensity[i], at = deg;
    }
    EXPECT_NEAR(at, want, 0.4) << h << k << l;
  }
}

}  // namespace
}  // namespace grainix
