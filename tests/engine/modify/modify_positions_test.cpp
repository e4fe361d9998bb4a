#include "engine/modify/modify_positions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "engine/core/format.h"
#include "engine/grain/generators.h"
#include "engine/grain/stacking.h"
#include "engine/modify/modpos_model.h"

namespace grainix {
namespace {

// A deterministic 31-bit source that also counts its seedings.
class CountingRandom : public ThermalRandom {
 public:
  explicit CountingRandom(int* seeds = nullptr) : seeds_(seeds) {}
  void seed(uint32_t s) override {
    state_ = s * 2654435761u + 1;
    if (seeds_) ++*seeds_;
  }
  uint32_t next() override {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }

 private:
  uint64_t state_ = 1;
  int* seeds_;
};

ClockSeconds fixedClock(int64_t s = 1000) {
  return [s] { return s; };
}

double dist(const StGrainNode& a, const StGrainNode& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}
double displacement(const StGrainNode& n) {
  return std::sqrt((n.x - n.x0) * (n.x - n.x0) + (n.y - n.y0) * (n.y - n.y0) + (n.z - n.z0) * (n.z - n.z0));
}

// A grain as the build leaves it, with the pieces the window needs.
struct Grain {
  StGrainPrm prm;
  vGrainNodes ideal, modified;
  std::unique_ptr<StFmodPosPrm> fm;

  void cubic(int kind, double R = 15, double a = 3.54, bool biatomic = false) {
    prm.radius = R;
    prm.latticePrm = a;
    prm.kind = kind;
    prm.biatomic = biatomic;
    prm.elementL = "Zn";
    prm.elementR = "S";
    prm.elementIndexL = 0;
    prm.elementIndexR = 1;
    prm.maxDistance = (R + a / 4) * 2.02;
    if (kind == kindFcc) {
      fccNodes gen(R, a, ideal, 0, "Zn");
      gen.generate();
    } else {
      diamNodes gen(ideal, prm);
      gen.generate();
    }
  }
  void stacked(const std::string& seq, bool sublattice, bool sphere = true, double ca = 0) {
    prm.radius = 12;
    prm.latticePrm = 3.54;
    prm.kind = kindHcp;
    prm.sphere = sphere;
    prm.biatomic = true;
    prm.elementL = "Zn";
    prm.elementR = "O";
    prm.maxDistance = (12 + 3.54 / 4) * 2.02;
    StStackingInput in;
    in.sequence = seq;
    in.ha = initialHcpA(3.54);
    in.c = ca > 0 ? ca * in.ha : initialHcpC(3.54);
    in.sublattice = sublattice;
    ASSERT_TRUE(buildStacked(in, ideal, prm).ok);
  }
  ModPosModel model(int* seeds = nullptr, ClockSeconds clock = fixedClock()) {
    fm.reset(new StFmodPosPrm{prm, ideal, modified, {}, {}, {}, true, true});
    fm->elementL.td = 327;
    fm->elementL.mass = 65.38;
    fm->elementR.td = 500;
    fm->elementR.mass = 32.06;
    return ModPosModel(*fm, std::make_unique<CountingRandom>(seeds), std::move(clock));
  }
};

// Two sections: core of radius r1 with psi1, surface with psi2.
void twoSections(ModPosModel& m, const std::string& r1, const std::string& psi1, const std::string& psi2 = "0") {
  m.table().addSection();
  m.table().editCell(0, colRadius, r1);
  m.table().editCell(0, colPsi, psi1);
  m.table().editCell(1, colPsi, psi2);
}

TEST(ModifySummary, ReferenceCase) {
  Grain g;
  g.cubic(kindFcc);
  auto m = g.model();
  twoSections(m, "7.5", "10");
  auto res = m.summary();
  ASSERT_TRUE(res.ok);
  const std::vector<std::string> expected = {
      "...........................",
      " * sections parameters *",
      "Core, a=10%, r=7.5",
      "Surface , a=0%, r=15",
      " * Grain parameters after modifications *",
      "Radius= 15.75",
      "Average lattice parameter= 3.717",
      "Relative change of lattice parameter= 5%",
      "Weighted Standard deviation= " + fmtGeneral(g.prm.weightedStd, 5),
  };
  EXPECT_EQ(res.log, expected);
  EXPECT_DOUBLE_EQ(g.prm.radiusMod, 15.75);
  EXPECT_DOUBLE_EQ(g.prm.latticePrmAvg, 3.717);
  EXPECT_NEAR(g.prm.latticePrmChange, 5, 1e-12);
  EXPECT_NEAR(g.prm.weightedStd, 6.97, 0.005);
}

TEST(ModifySummary, EmptyOrZeroSections) {
  StGrainPrm prm;
  prm.radius = 15;
  prm.latticePrm = 3.54;
  std::vector<std::string> log;
  modificationSummary({}, prm, log);
  EXPECT_EQ(prm.radiusMod, 15);
  EXPECT_NEAR(prm.latticePrmChange, 0, 1e-12);
  EXPECT_EQ(prm.weightedStd, 0);
  StSectionPrm zero;
  zero.name = "Core";
  modificationSummary({zero}, prm, log);  // radius 0: the mapping leaves everything alone
  EXPECT_EQ(prm.radiusMod, 15);
}

TEST(Modify, ZeroPsiLeavesPositionsAndSetsRPrev) {
  Grain g;
  g.cubic(kindFcc);
  auto m = g.model();
  RecordingProgress progress;
  auto res = m.modify(&progress);
  ASSERT_TRUE(res.ok);
  ASSERT_EQ(g.modified.size(), g.ideal.size());
  for (size_t i = 0; i < g.ideal.size(); ++i) {
    const auto &id = g.ideal[i], &md = g.modified[i];
    EXPECT_EQ(md.x, id.x);
    EXPECT_EQ(md.y, id.y);
    EXPECT_EQ(md.z, id.z);
    EXPECT_EQ(id.rPrev, id.r);
    EXPECT_EQ(md.rPrev, id.r);
    EXPECT_EQ(md.x0, md.x);
  }
  EXPECT_EQ(progress.maximum.load(), static_cast<int64_t>(g.ideal.size()) - 1);
  EXPECT_FALSE(progress.visible.load());
  EXPECT_TRUE(m.acceptEnabled());
  EXPECT_TRUE(res.enable.at("Bcheck"));
  EXPECT_DOUBLE_EQ(g.prm.maxDistance, 2.02 * m.maxR());
}

TEST(Modify, UniformPsiScalesEveryDistanceAndDoesNotCompound) {
  Grain g;
  g.cubic(kindFcc);
  auto m = g.model();
  m.table().editCell(0, colPsi, "2");
  for (int pass = 0; pass < 2; ++pass) {
    auto res = m.modify();
    ASSERT_TRUE(res.ok);
    EXPECT_NE(std::find(res.log.begin(), res.log.end(), "Average lattice parameter= " + fmtGeneral(1.02 * 3.54, 5)),
              res.log.end());
    EXPECT_NE(std::find(res.log.begin(), res.log.end(), "Relative change of lattice parameter= 2%"), res.log.end());
    for (size_t i : {size_t(1), size_t(100), g.ideal.size() - 1}) {
      EXPECT_NEAR(g.modified[i].r, 1.02 * g.ideal[i].r, 1e-12);
      EXPECT_NEAR(dist(g.modified[i], g.modified[0]), 1.02 * dist(g.ideal[i], g.ideal[0]), 1e-12);
    }
    double largest = 0;
    for (const auto& n : g.ideal) largest = std::max(largest, n.r);
    EXPECT_NEAR(m.maxR(), 1.02 * largest, 1e-12);
  }
}

TEST(Modify, ZincBlendePartnersStayAtAQuarterDiagonal) {
  Grain g;
  g.cubic(kindDiam, 10, 3.54, true);
  auto m = g.model();
  twoSections(m, "5", "-5");
  ASSERT_TRUE(m.modify().ok);
  const size_t n = g.ideal.size(), half = n / 2;
  ASSERT_EQ(g.modified.size(), n);
  const double q = 3.54 / 4;
  bool anyMoved = false;
  for (size_t i = 0; i < half; ++i) {
    const auto &p = g.modified[i], &s = g.modified[half + i];
    EXPECT_NEAR(s.x - p.x, q, 1e-12);
    EXPECT_NEAR(s.y - p.y, q, 1e-12);
    EXPECT_NEAR(s.z - p.z, q, 1e-12);
    EXPECT_EQ(s.r, p.r);
    EXPECT_EQ(s.rPrev, p.rPrev);
    EXPECT_EQ(s.element, "S");
    EXPECT_EQ(s.siteKind, Diamond);
    EXPECT_EQ(g.ideal[half + i].rPrev, p.r);
    anyMoved |= p.x != g.ideal[i].x;
  }
  EXPECT_TRUE(anyMoved);
  double maxFirst = 0;
  for (size_t i = 0; i < half; ++i) maxFirst = std::max(maxFirst, g.modified[i].r);
  EXPECT_DOUBLE_EQ(m.maxR(), maxFirst + q);
}

TEST(Modify, StackedGrainsWithAndWithoutSublattice) {
  {
    // Paired: the partner keeps the shift it was built with, also for a
    // layer spacing other than the initial one.
    Grain g;
    g.stacked("ABABABABAB", true, true, 1.2);
    ASSERT_TRUE(g.prm.stackedSublattice);
    auto m = g.model();
    m.table().editCell(0, colPsi, "3");
    ASSERT_TRUE(m.modify().ok);
    const size_t half = g.ideal.size() / 2;
    const double shift = g.ideal[half].z - g.ideal[0].z;
    for (size_t i = 0; i < half; ++i) {
      EXPECT_NEAR(g.modified[half + i].z - g.modified[i].z, shift, 1e-12);
      EXPECT_EQ(g.modified[half + i].x, g.modified[i].x);
      EXPECT_EQ(g.modified[half + i].element, "O");
    }
  }
  {
    // Not paired: every node is scaled on its own.
    Grain g;
    g.stacked("ABABABABAB", false);
    ASSERT_FALSE(g.prm.stackedSublattice);
    auto m = g.model();
    m.table().editCell(0, colPsi, "3");
    ASSERT_TRUE(m.modify().ok);
    for (size_t i = 0; i < g.ideal.size(); ++i) {
      if (g.ideal[i].r < 1e-5) continue;
      EXPECT_NEAR(g.modified[i].x, 1.03 * g.ideal[i].x, 1e-12);
      EXPECT_NEAR(g.modified[i].z, 1.03 * g.ideal[i].z, 1e-12);
    }
    EXPECT_FALSE(hasTwoGroups(g.prm, g.ideal.size())) << "all its atoms are of the first element";
  }
}

TEST(Modify, CylinderScalesAcrossTheAxisOnly) {
  Grain g;
  g.stacked("ABCABC", true, false);
  const double before = g.prm.maxDistance;
  const double H = std::sqrt(before * before - 24.0 * 24.0);
  auto m = g.model();
  m.table().editCell(0, colPsi, "10");
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(m.modify().ok);
    for (size_t i = 0; i < g.ideal.size(); ++i) {
      EXPECT_EQ(g.modified[i].z, g.ideal[i].z);
      // The B and C offsets push some atoms beyond R, where the mapping leaves them alone.
      if (i < g.ideal.size() / 2 && g.ideal[i].r <= 12) {
        EXPECT_NEAR(g.modified[i].r, 1.1 * g.ideal[i].r, 1e-12);
      }
    }
    EXPECT_NEAR(g.prm.maxDistance, std::sqrt(H * H + 4 * m.maxR() * m.maxR()), 1e-9) << "pass " << pass;
  }
}

TEST(Thermal, UniformStaysWithinItsBound) {
  Grain g;
  g.cubic(kindFcc);
  auto m = g.model();
  m.setThermalVibration(true);
  m.setDistribution(Distribution::Uniform);
  m.amplitudeEdited(0, "0.12");
  EXPECT_EQ(m.temperatureText(), "---");
  auto res = m.modify();
  ASSERT_TRUE(res.ok);
  const double bound = 0.12 * 3;
  double sumsq = 0, largest = 0;
  for (const auto& n : g.modified) {
    const double d = displacement(n);
    EXPECT_LE(d, bound * (1 + 1e-6));
    EXPECT_NEAR(n.rPrev, d, 1e-6);
    const double fx = static_cast<float>(n.x), fy = static_cast<float>(n.y), fz = static_cast<float>(n.z);
    EXPECT_EQ(n.r, std::sqrt(fx * fx + fy * fy + fz * fz));
    sumsq += d * d;
    largest = std::max(largest, d);
  }
  EXPECT_GT(largest, 0.9 * bound);
  EXPECT_DOUBLE_EQ(m.maxDev(), bound);
  double maxScaled = 0;
  for (const auto& n : g.ideal) maxScaled = std::max(maxScaled, n.r);
  EXPECT_DOUBLE_EQ(m.maxR(), maxScaled + bound);
  EXPECT_EQ(res.log.back().rfind(" mean square root ", 0), 0u);
  EXPECT_NEAR(std::stod(res.log.back().substr(18)), std::sqrt(sumsq / g.modified.size()), 1e-4);
}

TEST(Thermal, UniformGivesBothElementsTheSameReach) {
  Grain g;
  g.cubic(kindDiam, 8, 3.54, true);
  auto m = g.model();
  m.setThermalVibration(true);
  m.setDistribution(Distribution::Uniform);
  m.amplitudeEdited(0, "0.12");
  m.amplitudeEdited(1, "0.06");
  ASSERT_TRUE(m.modify().ok);
  const size_t half = g.modified.size() / 2;
  double largest[2] = {0, 0};
  for (size_t i = 0; i < g.modified.size(); ++i) {
    double& l = largest[i < half ? 0 : 1];
    l = std::max(l, displacement(g.modified[i]));
  }
  EXPECT_LE(largest[0], 0.36 * (1 + 1e-6));
  EXPECT_GT(largest[0], 0.9 * 0.36);
  EXPECT_LE(largest[1], 0.18 * (1 + 1e-6));
  EXPECT_GT(largest[1], 0.9 * 0.18);
  EXPECT_DOUBLE_EQ(m.maxDev(), 0.36);
}

TEST(Thermal, NormalWithLevelOneAndNoStepDisplacesBySqrt3Sigma) {
  Grain g;
  g.cubic(kindFcc);
  auto m = g.model();
  m.setThermalVibration(true);
  m.amplitudeEdited(0, "0.08");
  ASSERT_TRUE(m.setAcpText("0").messages.empty());
  m.setLevelText("1");
  auto res = m.modify();
  ASSERT_TRUE(res.ok);
  const double length = 0.08 * std::sqrt(3.0);
  for (const auto& n : g.modified) EXPECT_NEAR(displacement(n), length, length * 1e-6);
  EXPECT_DOUBLE_EQ(m.maxDev(), length);
  EXPECT_EQ(res.log.back(), "maxR: " + fmtGeneral(m.maxR(), 5));
  // rPrev keeps the scaled grain's partner distance.
  for (size_t i = 0; i < g.modified.size(); ++i) EXPECT_EQ(g.modified[i].rPrev, g.ideal[i].r);
}

// The amplitude is the rms displacement along each axis, in every direction
// alike, for both distributions.
TEST(Thermal, EveryAxisGetsTheAmplitudeAsItsRms) {
  for (Distribution d : {Distribution::Normal, Distribution::Uniform}) {
    Grain g;
    g.cubic(kindFcc, 20);  // about 2,900 atoms
    auto m = g.model();
    m.setThermalVibration(true);
    m.setDistribution(d);
    m.amplitudeEdited(0, "0.1");
    ASSERT_TRUE(m.modify().ok);  // acp 0.5, level 5
    double ms[3] = {0, 0, 0};
    for (const auto& n : g.modified) {
      ms[0] += (n.x - n.x0) * (n.x - n.x0);
      ms[1] += (n.y - n.y0) * (n.y - n.y0);
      ms[2] += (n.z - n.z0) * (n.z - n.z0);
    }
    for (double& v : ms) v /= static_cast<double>(g.modified.size());
    const auto [lo, hi] = std::minmax({ms[0], ms[1], ms[2]});
    const char* name = d == Distribution::Normal ? "normal" : "uniform";
    EXPECT_LT(hi / lo, 1.1) << name << ": " << ms[0] << " " << ms[1] << " " << ms[2];
    for (double v : ms) EXPECT_NEAR(v, 0.01, 0.001) << name;
  }
}

TEST(Thermal, ReseedingAndDeterminism) {
  vGrainNodes nodes(70000);
  std::vector<std::string> log;
  int seeds = 0;
  {
    CountingRandom rnd(&seeds);
    int64_t t = 0;
    ThermalDraws draws(rnd, [&t] { return ++t; });
    double maxR = 0;
    uniformDisplacements(nodes, false, true, 0.1, 0, draws, maxR, log);
    EXPECT_EQ(seeds, 3) << "before nodes 0, 32767 and 65534";
  }
  {
    seeds = 0;
    CountingRandom rnd(&seeds);
    ThermalDraws draws(rnd, fixedClock());
    vGrainNodes again(70000);
    double maxR = 0;
    uniformDisplacements(again, false, true, 0.1, 0, draws, maxR, log);
    EXPECT_EQ(seeds, 1) << "the same second is not used twice";
    EXPECT_NE(again[32767].x, again[0].x) << "no replay of the first nodes' draws";
    // The same seed gives the same grain.
    CountingRandom rnd2;
    ThermalDraws draws2(rnd2, fixedClock());
    vGrainNodes third(70000);
    uniformDisplacements(third, false, true, 0.1, 0, draws2, maxR, log);
    EXPECT_EQ(third[12345].x, again[12345].x);
    EXPECT_EQ(third[69999].z, again[69999].z);
  }
  // u lies in [0, 1] whatever the generator returns.
  class Extremes : public ThermalRandom {
   public:
    void seed(uint32_t) override {}
    uint32_t next() override { return (k++ % 2) ? 32766u : 0x7fffffffu; }
    int k = 0;
  } ext;
  ThermalDraws d(ext, fixedClock());
  EXPECT_EQ(d.u(), (0x7fffffff % 32767) / 32766.0);
  EXPECT_EQ(d.u(), 1.0);
}

TEST(Verify, BarsSumToCountOverWidth) {
  Grain g;
  g.cubic(kindDiam, 8, 3.54, true);
  auto m = g.model();
  auto early = m.verify();
  EXPECT_FALSE(early.ok);
  EXPECT_EQ(early.log, std::vector<std::string>{"maxDev=0 "});

  m.setThermalVibration(true);
  m.amplitudeEdited(0, "0.1");
  m.amplitudeEdited(1, "0.05");
  ASSERT_TRUE(m.modify().ok);
  m.setBarsText("40");
  auto v = m.verify();
  ASSERT_TRUE(v.ok);
  EXPECT_EQ(v.caption, "verify distribution");
  EXPECT_EQ(v.rows, 2);
  EXPECT_EQ(v.width, 600);
  ASSERT_EQ(v.panels.size(), 2u);
  const double w = static_cast<float>(2 * m.maxDev() / 40);
  const size_t half = g.modified.size() / 2;
  for (size_t p = 0; p < 2; ++p) {
    const auto& panel = v.panels[p];
    ASSERT_EQ(panel.generated.size(), 40u);
    EXPECT_EQ(panel.count, half);
    const double sum = std::accumulate(panel.generated.begin(), panel.generated.end(), 0.0);
    EXPECT_NEAR(sum, half / w, 1e-9 * half / w);
    EXPECT_NEAR(panel.x[0], -m.maxDev() + w, 1e-12);
    double sumsq = 0;
    for (size_t i = p * half; i < (p + 1) * half; ++i) sumsq += std::pow(displacement(g.modified[i]), 2);
    EXPECT_NEAR(panel.sigma, std::sqrt(sumsq / half), 1e-12);
    const double h = panel.x[20];
    EXPECT_NEAR(panel.theory[20],
                std::exp(-0.5 * std::pow(h / panel.sigma, 2)) / (panel.sigma * std::sqrt(2 * M_PI)) * half, 1e-9);
  }
  EXPECT_EQ(v.panels[0].title, "lattice distribution std=" + fmtGeneral(v.panels[0].sigma, 5));
  EXPECT_EQ(v.panels[1].title, "sub lattice distribution std=" + fmtGeneral(v.panels[1].sigma, 5));

  // Monoatomic, uniform: one panel, constant density.
  Grain mono;
  mono.cubic(kindFcc, 10);
  auto mm = mono.model();
  mm.setThermalVibration(true);
  mm.setDistribution(Distribution::Uniform);
  mm.amplitudeEdited(0, "0.1");
  ASSERT_TRUE(mm.modify().ok);
  auto vm = mm.verify();
  ASSERT_EQ(vm.panels.size(), 1u);
  EXPECT_EQ(vm.width, 400);
  // Lengths uniform in [0, maxDev] on both sides of zero: the density
  // 1 / (2 maxDev), on the scale of the bars.
  EXPECT_DOUBLE_EQ(vm.panels[0].theory[3], mono.modified.size() / (2 * mm.maxDev()));
  EXPECT_EQ(vm.panels[0].title, "distribution std=" + fmtGeneral(vm.panels[0].sigma, 5) + " e-3");
  const double wm = static_cast<float>(2 * mm.maxDev() / 100);
  const double sum = std::accumulate(vm.panels[0].generated.begin(), vm.panels[0].generated.end(), 0.0);
  EXPECT_NEAR(sum, mono.modified.size() / wm, 1e-9 * sum);
  mm.setBarsText("0");
  EXPECT_FALSE(mm.verify().ok);
  mm.setBarsText("x");
  EXPECT_EQ(mm.verify().errors.size(), 1u);
}

TEST(ThermalInputs, CheckBoxTemperatureAndValidation) {
  Grain g;
  g.cubic(kindDiam, 6, 3.54, true);
  g.prm.temperature = 300;
  auto m = g.model();
  auto res = m.setThermalVibration(true);
  EXPECT_TRUE(g.prm.thermalVibration);
  EXPECT_EQ(m.temperatureText(), "300");
  EXPECT_EQ(m.distribution(), Distribution::Normal);
  EXPECT_EQ(m.acpText(), "0.5");
  EXPECT_EQ(m.levelText(), "5");
  EXPECT_EQ(m.barsText(), "100");
  EXPECT_EQ(m.amplitudeText(0), fmtGeneral(rmsDisplacement(300, 327, 65.38), 5));
  EXPECT_EQ(m.amplitudeText(1), fmtGeneral(rmsDisplacement(300, 500, 32.06), 5));
  EXPECT_TRUE(res.enable.at("EmsdSubnet"));
  EXPECT_EQ(m.amplitudeCaption(1), "Atom S");

  ASSERT_TRUE(m.setTemperatureText("77").ok);
  EXPECT_EQ(g.prm.temperature, 77);
  EXPECT_EQ(m.amplitudeText(0), fmtGeneral(rmsDisplacement(77, 327, 65.38), 5));
  EXPECT_EQ(m.setTemperatureText("hot").messages.at(0).kind, MessageKind::ConversionError);
  EXPECT_FALSE(m.setTemperatureText("-4").ok);
  EXPECT_EQ(g.prm.temperature, 77);

  res = m.setAcpText("1");
  EXPECT_EQ(res.messages.at(0).text, "acp parameter should be a value in (0,1) range");
  EXPECT_EQ(m.acpText(), "0.25");
  EXPECT_EQ(m.setAcpText("-0.1").messages.size(), 1u);
  EXPECT_TRUE(m.setAcpText("0.99").ok);
  res = m.setLevelText("0.5");
  EXPECT_EQ(res.messages.at(0).text, "decorrelation level should be an integer value greater than 0");
  EXPECT_EQ(m.levelText(), "3");
  EXPECT_TRUE(m.setLevelText("").messages.empty());

  res = m.setThermalVibration(false);
  EXPECT_FALSE(g.prm.thermalVibration);
  EXPECT_EQ(m.distribution(), Distribution::None);
  EXPECT_EQ(m.temperatureText(), "");
  EXPECT_EQ(m.amplitudeText(0), "");
  EXPECT_FALSE(res.enable.at("GBrandprm"));
  EXPECT_FALSE(res.enable.at("Etemp"));
}

TEST(ThermalInputs, OpeningWithVibrationAndMissingElementData) {
  Grain g;
  g.cubic(kindFcc, 6);
  g.prm.thermalVibration = true;
  g.prm.temperature = 150;
  {
    auto m = g.model();
    auto res = m.opening();
    EXPECT_TRUE(m.thermalVibration());
    EXPECT_EQ(m.amplitudeText(0), fmtGeneral(rmsDisplacement(150, 327, 65.38), 5));
    EXPECT_FALSE(m.amplitudeEnabled(1)) << "monoatomic";
    EXPECT_FALSE(res.enable.at("Bok"));
    EXPECT_FALSE(res.enable.at("Bminus"));
  }
  auto m = g.model();
  g.fm->hasElementL = false;
  auto res = m.setTemperatureText("200");
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::Error);
  EXPECT_NE(res.messages[0].text.find("Zn"), std::string::npos);
  EXPECT_EQ(m.amplitudeText(0), "") << "no amplitudes computed";

  g.prm.elementIndexR = -1;
  EXPECT_EQ(modifyCompositionCheck(g.prm).messages.at(0).text,
            "Improper chemical composition. Go to the 'Atoms selection' group box to set proper values");
  g.prm.elementIndexR = 0;
  EXPECT_TRUE(modifyCompositionCheck(g.prm).messages.empty());
}

TEST(ThermalInputs, ElementWithoutDebyeTemperatureNeedsTypedAmplitudes) {
  Grain g;
  g.cubic(kindFcc, 6);
  auto m = g.model();
  g.fm->elementL.tdKnown = false;
  m.setThermalVibration(true);
  const auto res = m.setTemperatureText("300");
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(res.messages[0].text,
            "The element table gives no Debye temperature for Zn: the amplitudes can't be computed from the "
            "temperature. Type the amplitudes (Angs) instead.");
  EXPECT_EQ(m.amplitudeText(0), "");
  const auto refused = m.modify();
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.messages.at(0).text, res.messages[0].text);
  EXPECT_TRUE(g.modified.empty()) << "nothing moved";
  m.amplitudeEdited(0, "0.1");
  EXPECT_TRUE(m.modify().ok);
}

TEST(ThermalInputs, AThirdElementIsRefusedNotGivenTheSecondOnesAmplitude) {
  Grain g;
  g.cubic(kindFcc, 6);
  const char* symbols[] = {"Ba", "Ti", "O"};
  for (size_t i = 0; i < g.ideal.size(); ++i) g.ideal[i].element = symbols[i % 3];
  auto m = g.model();
  m.setThermalVibration(true);
  m.amplitudeEdited(0, "0.1");
  const auto refused = m.modify();
  EXPECT_FALSE(refused.ok);
  ASSERT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(refused.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(refused.messages[0].text,
            "Thermal vibration takes amplitudes for two elements; this grain holds 3 (Ba, Ti, O). Modify it "
            "without thermal vibration.");
  EXPECT_TRUE(g.modified.empty()) << "nothing moved";
  m.setThermalVibration(false);
  EXPECT_TRUE(m.modify().ok) << "sections alone scale any grain";
}

TEST(Modify, BadInputNeverCrashes) {
  {
    // Empty grain.
    Grain g;
    g.prm.radius = 10;
    g.prm.latticePrm = 3;
    auto m = g.model();
    EXPECT_TRUE(m.modify().ok);
    EXPECT_TRUE(g.modified.empty());
    m.setThermalVibration(true);
    m.amplitudeEdited(0, "0.1");
    EXPECT_TRUE(m.modify().ok);
  }
  {
    // Sections of radius 0 and a non-numeric amplitude.
    Grain g;
    g.cubic(kindFcc, 8);
    auto m = g.model();
    m.table().addSection();
    m.table().editCell(0, colRadius, "0");
    m.table().editCell(0, colPsi, "10");
    ASSERT_TRUE(m.modify().ok);
    for (size_t i = 0; i < g.ideal.size(); ++i) EXPECT_EQ(g.modified[i].x, g.ideal[i].x);
    m.setThermalVibration(true);
    m.amplitudeEdited(0, "abc");
    const auto before = g.modified;
    auto res = m.modify();
    EXPECT_FALSE(res.ok);
    EXPECT_EQ(res.messages.at(0).kind, MessageKind::ConversionError);
    EXPECT_EQ(g.modified.size(), before.size()) << "nothing moved";
  }
  {
    // Verify with a plot of an empty section list.
    secPrm none;
    funcGeneric0 f(none);
    EXPECT_EQ(f.value(3), 3);
    vGrainNodes ideal(4), modified;
    StGrainPrm prm;
    prm.kind = kindDiam;
    ideal[1].x = ideal[1].r = 1;
    EXPECT_EQ(scalePositions(ideal, modified, none, prm), 1 + 0.0);
    EXPECT_EQ(modified.size(), 4u);
  }
}

}  // namespace
}  // namespace grainix
