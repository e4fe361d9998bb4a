// Thermal displacements against the Debye model: a copper grain displaced
// for 300 K has the Debye-model mean square displacement on every axis, and
// its powder pattern falls off against the ideal grain's at the Bragg peaks
// as the Debye-Waller factor exp(-2 B s^2) of the element table says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/calc/diffraction.h"
#include "engine/calc/pair_loops.h"
#include "engine/modify/modpos_model.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

// A deterministic 31-bit source.
class LcgRandom : public ThermalRandom {
 public:
  void seed(uint32_t s) override { state_ = s * 2654435761u + 1; }
  uint32_t next() override {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }

 private:
  uint64_t state_ = 1;
};

// Powder pattern of a one-element grain with unit scattering factors
// (the Debye-Waller factor then stands alone), lambda 0.56, 2theta 8..70.
StDiffPattern pattern(const vGrainNodes& nodes, double rMax) {
  StCalcPrm prm;
  prm.nodes = nodes;
  prm.rMax = rMax;
  prm.binWidth = 0.0005;
  PdhList pdh;
  StIDCalcResults partial;
  CancelToken cancel;
  runPairLoop(0, prm, pdh, partial, nullptr, cancel);
  StDiffrPrm d;
  d.lambda = 0.56;
  d.k = 2 * std::numbers::pi / d.lambda;
  d.start = 8;
  d.stop = 70;
  d.step = 0.01;
  d.useFactors = false;
  d.nodes = &nodes;
  d.pdh = &pdh;
  StDiffPattern out;
  runDiffraction(d, nullptr, 0, out);
  return out;
}

TEST(ThermalDebye, CopperAt300KFollowsTheDebyeModel) {
  const ElementTable table = testing::shippedTable();
  const int cu = testing::elementIndex(table, "Cu");
  const double a = table[static_cast<size_t>(cu)].lc;
  StGrainPrm prm;
  prm.radius = 20;
  prm.latticePrm = a;
  prm.kind = kindFcc;
  prm.elementL = prm.elementR = "Cu";
  prm.elementIndexL = prm.elementIndexR = cu;
  prm.maxDistance = 2.02 * prm.radius;
  prm.temperature = 300;
  vGrainNodes ideal, modified;
  fccNodes gen(prm.radius, a, ideal, cu, "Cu");
  gen.generate();
  const vGrainNodes perfect = ideal;
  StFmodPosPrm fm{prm, ideal, modified, {}, table[static_cast<size_t>(cu)], table[static_cast<size_t>(cu)], true, true};
  ModPosModel model(fm, std::make_unique<LcgRandom>(), [] { return int64_t{1000}; });
  model.setThermalVibration(true);  // the stored 300 K, normal distribution
  ASSERT_EQ(model.distribution(), Distribution::Normal);
  ASSERT_TRUE(model.modify().ok);

  // Per axis: the Debye model's mean square displacement.
  const double td = table[static_cast<size_t>(cu)].td, mass = table[static_cast<size_t>(cu)].mass;
  const double u2 = std::pow(rmsDisplacement(300, td, mass), 2);
  double ms[3] = {0, 0, 0};
  for (const StGrainNode& n : modified) {
    ms[0] += (n.x - n.x0) * (n.x - n.x0);
    ms[1] += (n.y - n.y0) * (n.y - n.y0);
    ms[2] += (n.z - n.z0) * (n.z - n.z0);
  }
  for (double& v : ms) v /= static_cast<double>(modified.size());
  // The three axes agree within 5 % of their mean (the sampling error of
  // each is about 3 % for these 2,837 atoms), and each is the Debye value
  // within 10 %.
  const double mean = (ms[0] + ms[1] + ms[2]) / 3;
  for (double v : ms) {
    EXPECT_NEAR(v, mean, 0.05 * mean) << ms[0] << " " << ms[1] << " " << ms[2];
    EXPECT_NEAR(v, u2, 0.1 * u2);
  }

  // At the Bragg peaks of the ideal grain the interference part of the
  // pattern, S - 1 (the pair sum; the self term N f^2 stays), falls off as
  // exp(-2 B s^2): -ln of the ratio against s^2 gives B, fitted through the
  // origin over the peaks that stand well above the background.
  const StDiffPattern cold = pattern(perfect, 2.02 * prm.radius);
  const StDiffPattern warm = pattern(modified, prm.maxDistance);
  ASSERT_EQ(cold.count, warm.count);
  double sxy = 0, sxx = 0;
  int peaks = 0;
  for (int hkl2 : {3, 4, 8, 11, 12, 16, 19, 20, 24, 27}) {
    const double s = std::sqrt(static_cast<double>(hkl2)) / (2 * a);
    const double twoTheta = 2 * std::asin(s * 0.56);
    size_t best = 0;
    for (size_t i = 0; i < static_cast<size_t>(cold.count); ++i)
      if (std::fabs(cold.twoTheta[i] - twoTheta) < 0.004 && cold.sOfQ[i] > cold.sOfQ[best]) best = i;
    ASSERT_NE(best, 0u) << hkl2;
    if (cold.sOfQ[best] < 2) continue;  // (222) and (400) of so small a grain
    ++peaks;
    const double sPeak = std::sin(cold.twoTheta[best] / 2) / 0.56;
    const double y = -std::log((warm.sOfQ[best] - 1) / (cold.sOfQ[best] - 1));
    sxy += y * 2 * sPeak * sPeak;
    sxx += 4 * sPeak * sPeak * sPeak * sPeak;
  }
  EXPECT_GE(peaks, 6);
  const double fitted = sxy / sxx;
  const double B = -std::log(debyeWallerFactor(1, 300, td, mass));
  EXPECT_NEAR(fitted, B, 0.1 * B);
}

}  // namespace
}  // namespace grainix
