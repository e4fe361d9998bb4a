// Element table: Debye model, loading with defaults, the shipped table
// against known element data, the editor grid and the radiation group.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include <unistd.h>

#include "engine/calc/element_table.h"
#include "engine/calc/radiation.h"
#include "engine/calc/scattering.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

using testing::shippedTable;
using testing::elementIndex;

// phi(x)/x + 1/4, x = Td / T, by numerical integration of the Debye
// integral phi(x) = (1/x) int_0^x t / (e^t - 1) dt (Simpson's rule).
double debyeTerm(double y) {
  const double x = 1 / y;
  const int n = 20000;
  const double h = x / n;
  auto f = [](double t) { return t == 0 ? 1.0 : t / std::expm1(t); };
  double sum = f(0) + f(x);
  for (int i = 1; i < n; ++i) sum += (i % 2 ? 4 : 2) * f(i * h);
  const double phi = sum * h / 3 / x;
  return phi / x + 0.25;
}

TEST(DebyeModel, FunctionIsTheDebyeTermAndConstants) {
  EXPECT_DOUBLE_EQ(debyeFunction(1), 1 + 1.0 / 36 - 1.0 / 3600);
  // y < 1: three terms of the exponential series.
  const double y = 0.5;
  double sum = 0;
  for (int i = 1; i <= 3; ++i) sum += std::exp(-i / y) * (i * y + y * y) / (i * i);
  const double py = std::numbers::pi * y;
  EXPECT_DOUBLE_EQ(debyeFunction(y), py * py / 6 + 0.25 - sum);
  EXPECT_DOUBLE_EQ(debyeFunction(0), 0.25);  // zero-point motion only
  // Both branches follow the Debye model within the truncation of their
  // series (the three exponential terms below T = Td leave up to 0.5 %),
  // and grow as T / Td at high temperature (not as its square).
  for (double t : {0.1, 0.3, 0.6, 0.9, 1.0, 1.5, 1.818, 4.0, 20.0})
    EXPECT_NEAR(debyeFunction(t), debyeTerm(t), 5e-3 * debyeTerm(t)) << "T/Td = " << t;
  // Au at 300 K (Td 165 K): 0.090 Angs rms per axis, B about 0.64 Angs^2.
  EXPECT_NEAR(rmsDisplacement(300, 165, 196.97), 0.090, 0.001);
  EXPECT_NEAR(-std::log(debyeWallerFactor(1, 300, 165, 196.97)), 0.64, 0.01);
  EXPECT_NEAR(K0, 144.3819, 5e-4);
  EXPECT_DOUBLE_EQ(K1, K0 * 78.95683520871486);
  // Cu at room temperature: rms displacement about 0.08 Angs.
  const double u = rmsDisplacement(300, 343, 63.546);
  EXPECT_NEAR(u, std::sqrt(K0 * debyeFunction(300.0 / 343) / 63.546 / 343), 1e-15);
  EXPECT_GT(u, 0.05);
  EXPECT_LT(u, 0.12);
  EXPECT_DOUBLE_EQ(debyeWallerFactor(0.5, 300, 343, 63.546),
                   std::exp(-K1 * debyeFunction(300.0 / 343) * 0.25 / (63.546 * 343)));
  EXPECT_DOUBLE_EQ(debyeWallerFactor(0, 300, 343, 63.546), 1.0);
}

TEST(ScatteringFactor, FormAndConstantOnly) {
  StScatEquPrm e;
  e.coef[0] = 2;  // a1
  e.coef[1] = 4;  // b1
  e.coef[2] = 1;  // a2
  e.coef[3] = 0.5;
  e.coef[8] = 0.25;
  EXPECT_DOUBLE_EQ(scatteringFactor(e, 0.3), 0.25 + 2 * std::exp(-4 * 0.09) + std::exp(-0.5 * 0.09));
  StScatEquPrm c;
  for (double& v : c.coef) v = 0;
  c.coef[8] = 3.5;
  for (double s : {0.0, 0.2, 1.0, 3.0}) EXPECT_EQ(scatteringFactor(c, s), 3.5);
  EXPECT_EQ(unitScatteringFactor(c, 0.7), 1.0);
}

TEST(ScatteringTable, LoadsWithPerKeyDefaults) {
  IniFile ini;
  ini.parse("[gen]\nnum=3\nnam1=Fe\nnam2=Zz\nnam3=Ag\n[Fe]\na1=11.7695\nb1=4.7611\nc=1.0369\nlc=2.87\nlatt=bcc\n"
            "td=470\nmass=55.845\n[Zz]\n[Ag]\na1=x\n");
  ElementTable t;
  std::vector<std::string> names;
  ASSERT_TRUE(loadScatteringTable(ini, t, &names));
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(names, (std::vector<std::string>{"Fe", "Zz", "Ag"}));
  EXPECT_EQ(t[0].a(1), 11.7695);
  EXPECT_EQ(t[0].b(2), 0);
  EXPECT_EQ(t[0].c(), 1.0369);
  EXPECT_EQ(t[0].latt, "bcc");
  // Missing section: a1 = b1 = 1, the rest 0, lc 0, latt "?", td 2230, mass 12.
  const StScatEquPrm& z = t[1];
  EXPECT_EQ(z.name, "Zz");
  EXPECT_EQ(z.a(1), 1);
  EXPECT_EQ(z.b(1), 1);
  EXPECT_EQ(z.a(4), 0);
  EXPECT_EQ(z.c(), 0);
  EXPECT_EQ(z.lc, 0);
  EXPECT_EQ(z.latt, "?");
  EXPECT_EQ(z.td, 2230);
  EXPECT_FALSE(z.tdKnown) << "the default stands in for a missing Debye temperature";
  EXPECT_TRUE(t[0].tdKnown);
  EXPECT_EQ(z.mass, 12);
  EXPECT_EQ(t[2].a(1), 1);  // not a number: the default
  // A second load replaces, never appends.
  ASSERT_TRUE(loadScatteringTable(ini, t, &names));
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(names.size(), 3u);

  IniFile none;
  none.parse("[gen]\n");
  EXPECT_FALSE(loadScatteringTable(none, t, &names));
  EXPECT_TRUE(t.empty());
  EXPECT_TRUE(names.empty());
}

TEST(ScatteringTable, MissingFileAtStartup) {
  ElementTable t(2);
  const StCommandResult r = loadElementTableAtStartup("/nonexistent-folder", t);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].title, "ERROR");
  EXPECT_EQ(r.messages[0].text,
            "File scFact.sft is missing. Many functions will be not available or will be work improperly.");
  EXPECT_TRUE(t.empty());

  // The name is matched without regard to letter case.
  const auto dir = std::filesystem::temp_directory_path() / ("grainix-start-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(testing::shippedTablePath(), dir / "SCFACT.sft");
  std::vector<std::string> names;
  const StCommandResult ok = loadElementTableAtStartup(dir.string(), t, &names);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(ok.ok);
  EXPECT_TRUE(ok.messages.empty());
  EXPECT_EQ(t.size(), 98u);
  EXPECT_EQ(names.at(27), "Ni");
}

// The shipped table checked against element data known independently of its sources.
TEST(ShippedTable, AgreesWithKnownElementData) {
  const ElementTable t = shippedTable();
  ASSERT_EQ(t.size(), 98u);
  EXPECT_EQ(t.front().name, "H");
  EXPECT_EQ(t.back().name, "Cf");
  // f(0) = c + sum a equals the number of electrons of the neutral atom.
  for (size_t i = 0; i < t.size(); ++i) EXPECT_NEAR(scatteringFactor(t[i], 0), static_cast<double>(i + 1), 0.06) << t[i].name;
  struct Known {
    const char* name;
    const char* latt;
    double lc;
    double mass;
  };
  for (const Known& k : {Known{"Ni", "fcc", 3.52, 58.69}, Known{"Cu", "fcc", 3.61, 63.55}, Known{"Si", "dm", 5.43, 28.09},
                         Known{"Fe", "bcc", 2.87, 55.85}, Known{"Al", "fcc", 4.05, 26.98}, Known{"Au", "fcc", 4.08, 196.97},
                         Known{"W", "bcc", 3.16, 183.84}, Known{"C", "dm", 3.57, 12.01}}) {
    const int i = elementIndex(t, k.name);
    ASSERT_GE(i, 0) << k.name;
    EXPECT_EQ(t[i].latt, k.latt) << k.name;
    EXPECT_NEAR(t[i].lc, k.lc, 0.011) << k.name;
    EXPECT_NEAR(t[i].mass, k.mass, 0.01) << k.name;
  }
  // hcp: lc carries a * sqrt(2) so that lc / sqrt(2) is the in-layer spacing (Mg a = 3.21).
  const int mg = elementIndex(t, "Mg");
  EXPECT_EQ(t[mg].latt, "hcp");
  EXPECT_NEAR(t[mg].lc / std::sqrt(2.0), 3.21, 1e-5);
  // Debye temperatures where known; Cu about 343 K, diamond 2230 K.
  EXPECT_EQ(t[elementIndex(t, "Cu")].td, 343);
  EXPECT_EQ(t[elementIndex(t, "C")].td, 2230);
  EXPECT_TRUE(t[elementIndex(t, "C")].tdKnown);
  EXPECT_FALSE(t[elementIndex(t, "Ce")].tdKnown);
  // Ni: IT92 a1 and b1.
  EXPECT_EQ(t[elementIndex(t, "Ni")].a(1), 12.8376);
  EXPECT_EQ(t[elementIndex(t, "Ni")].b(1), 3.8785);
}

class ElementGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("grainix-grid-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ini.parse("[gen]\nnum=2\nnam1=Ni\nnam2=Qq\n[Ni]\na1=12.8376\nb1=3.8785\na2=7.292\nb2=0.2565\na3=4.4438\n"
              "b3=12.1763\na4=2.38\nb4=66.3421\nc=1.0341\nlc=3.52\nlatt=fcc\ntd=450\nmass=58.6934\n[Qq]\nc=2\n");
    grid.load(ini);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  IniFile ini;
  ElementGridModel grid;
};

TEST_F(ElementGridTest, CellsTitlesAndMissingValues) {
  EXPECT_EQ(grid.rowCount(), 3);
  EXPECT_EQ(grid.cell(0, 0), "Element");
  EXPECT_EQ(grid.cell(13, 0), "Td (K)");
  EXPECT_EQ(grid.cell(11, 0), "l. type");
  EXPECT_EQ(grid.cell(0, 1), "Ni");
  EXPECT_EQ(grid.cell(9, 1), "1.0341");
  EXPECT_EQ(grid.cell(12, 1), "58.6934");
  EXPECT_EQ(grid.cell(13, 1), "450");
  // Missing: "0" for coefficients and lc, "?" for latt, mass and td.
  EXPECT_EQ(grid.cell(1, 2), "0");
  EXPECT_EQ(grid.cell(10, 2), "0");
  EXPECT_EQ(grid.cell(11, 2), "?");
  EXPECT_EQ(grid.cell(12, 2), "?");
  EXPECT_EQ(grid.cell(13, 2), "?");
  EXPECT_EQ(grid.selectedRow(), 1);
  EXPECT_FALSE(grid.changed());
}

TEST_F(ElementGridTest, RecordsSaveAndReloadOnce) {
  EXPECT_EQ(grid.addRecord(10), 1);
  EXPECT_TRUE(grid.changed());
  grid.setCell(0, 3, "Xx");
  grid.setCell(9, 3, "5");
  EXPECT_EQ(grid.addRecord(2), 3);  // 5 rows, 2 visible
  EXPECT_TRUE(grid.removeLastRecord());
  const std::string path = (dir / "scFact.sft").string();
  ASSERT_TRUE(grid.saveFile(path));
  ElementTable t;
  std::vector<std::string> names;
  ASSERT_TRUE(loadScatteringTable(path, t, &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Ni", "Qq", "Xx"}));
  EXPECT_EQ(t[2].c(), 5);
  EXPECT_EQ(t[2].a(1), 1);  // an empty cell reads as the default
  EXPECT_EQ(t[0].a(3), 4.4438);
  EXPECT_EQ(t[1].latt, "?");
  EXPECT_EQ(t[1].td, 2230);  // "?" is not a number: the default
  // Saving again after a removal keeps each name once.
  ASSERT_TRUE(grid.removeLastRecord());
  ASSERT_TRUE(grid.saveFile(path));
  ASSERT_TRUE(loadScatteringTable(path, t, &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Ni", "Qq"}));
  // The last element row stays.
  EXPECT_TRUE(grid.removeLastRecord());
  EXPECT_FALSE(grid.removeLastRecord());
  EXPECT_EQ(grid.elementCount(), 1);
}

TEST_F(ElementGridTest, ScatteringFactorGraph) {
  const StScatFactorGraph g = grid.scatteringFactorGraph("1", "300");
  ASSERT_TRUE(g.ok);
  ASSERT_EQ(g.s.size(), 100u);  // trunc(floor(1 / 0.01))
  EXPECT_EQ(g.s[0], 0);
  double s = 0;
  for (int i = 0; i < 57; ++i) s += 0.01;
  EXPECT_EQ(g.s[57], s);  // accumulated, not 57 * 0.01
  StScatEquPrm ni;
  ni.coef[0] = 12.8376; ni.coef[1] = 3.8785; ni.coef[2] = 7.292; ni.coef[3] = 0.2565;
  ni.coef[4] = 4.4438; ni.coef[5] = 12.1763; ni.coef[6] = 2.38; ni.coef[7] = 66.3421; ni.coef[8] = 1.0341;
  EXPECT_DOUBLE_EQ(g.f[57], scatteringFactor(ni, s) * debyeWallerFactor(s, 300, 450, 58.6934));
  EXPECT_EQ(g.legend, "scattering factor of Ni at T=300K");
  EXPECT_EQ(g.hint, "300 K");
  EXPECT_EQ(g.title, "Ni scattering factor vs theta");

  const StScatFactorGraph cold = grid.scatteringFactorGraph("0.5", "0");
  ASSERT_TRUE(cold.ok);
  EXPECT_EQ(cold.f.size(), 50u);
  EXPECT_DOUBLE_EQ(cold.f[0], scatteringFactor(ni, 0));

  // Td "?" of the second row does not parse: conversion error, nothing drawn.
  grid.select(2);
  const StScatFactorGraph bad = grid.scatteringFactorGraph("1", "300");
  EXPECT_FALSE(bad.ok);
  ASSERT_EQ(bad.messages.size(), 1u);
  EXPECT_EQ(bad.messages[0].kind, MessageKind::ConversionError);
  EXPECT_TRUE(bad.s.empty());
  // At T = 0 the row's Td and mass are not needed; with c only f is flat.
  const StScatFactorGraph flat = grid.scatteringFactorGraph("0.2", "0");
  ASSERT_TRUE(flat.ok);
  for (double f : flat.f) EXPECT_EQ(f, 2);
}

TEST(Radiation, AnodesAndCoupling) {
  RadiationModel m;
  m.chooseAnode(3);
  EXPECT_EQ(m.lambdaText(), "1.5444");
  EXPECT_EQ(m.kText(), "4.06836");
  EXPECT_EQ(m.anodeName(), "Cu");
  m.chooseAnode(0);  // "Custom" = the Ag values
  EXPECT_EQ(m.lambdaText(), "0.56");
  EXPECT_EQ(m.kText(), "11.2199");
  m.chooseAnode(5);
  EXPECT_EQ(m.anodeName(), "Ag");
  EXPECT_EQ(m.kText(), "11.2199");
  m.chooseAnode(1);
  EXPECT_EQ(m.lambdaText(), "2.293663");
  m.chooseAnode(6);  // "X": texts unchanged, factors omitted
  EXPECT_EQ(m.lambdaText(), "2.293663");
  EXPECT_EQ(m.kText(), "2.7393");
  EXPECT_FALSE(m.useFactors());
  EXPECT_EQ(m.anodeName(), "X");

  // Typing lambda: K = 2 pi / lambda in general format, 5 digits; anode Custom.
  EXPECT_TRUE(m.editLambda("1.5444").ok);
  EXPECT_EQ(m.kText(), "4.0684");
  EXPECT_EQ(m.anodeIndex(), 0);
  EXPECT_TRUE(m.useFactors());
  // Typing K: the mirror image.
  m.chooseAnode(4);
  EXPECT_TRUE(m.editK("8.8049").ok);
  EXPECT_EQ(m.lambdaText(), "0.7136");
  EXPECT_EQ(m.anodeIndex(), 0);
  // K = 0 leaves lambda but still switches to Custom.
  m.chooseAnode(2);
  EXPECT_TRUE(m.editK("0").ok);
  EXPECT_EQ(m.lambdaText(), "1.7929");
  EXPECT_EQ(m.kText(), "0");
  EXPECT_EQ(m.anodeIndex(), 0);
  // Empty text: no conversion, anode Custom.
  m.chooseAnode(2);
  EXPECT_TRUE(m.editLambda("").ok);
  EXPECT_EQ(m.kText(), "3.5044");
  // Not a number: the conversion error, nothing else changes.
  m.chooseAnode(3);
  const StCommandResult r = m.editLambda("1,5");
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(m.anodeIndex(), 3);
  EXPECT_EQ(m.kText(), "4.06836");
  // Exponent form uses at least six exponent digits.
  EXPECT_EQ(reciprocalWaveText(1e7), "6.2832E-000007");
  double v = 0;
  m.chooseAnode(3);
  ASSERT_TRUE(m.lambda(v));
  EXPECT_EQ(v, 1.5444);
}

}  // namespace
}  // namespace grainix
