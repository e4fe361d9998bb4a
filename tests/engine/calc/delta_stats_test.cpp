// delta(r) statistics from the delta sums of an ideal and a modified grain.
#include <gtest/gtest.h>

#include "engine/calc/delta_stats.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

using namespace grainix::testing;

TEST(DeltaStats, UniformScalingIsFlat) {
  const double a = 3.52;
  const vGrainNodes ideal = fccGrain(a, 7);
  vGrainNodes mod = ideal;
  for (StGrainNode& n : mod) {
    n.x *= 1.01;
    n.y *= 1.01;
    n.z *= 1.01;
  }
  const PdhList list = naiveDeltaSums(ideal, mod, 15, 0.001);
  ASSERT_GT(list.size(), 10u);
  const StDeltaStats st = computeDeltaStats(list, a);
  ASSERT_EQ(st.bins, list.size());
  for (size_t i = 0; i < st.bins; ++i) EXPECT_NEAR(st.y[i], 10, 1e-9) << i;
  // x is the mean ideal distance of the bin: a / sqrt(2) first.
  EXPECT_NEAR(st.x[0], a / std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(st.mean, 0.01, 1e-12);
  EXPECT_NEAR(st.std, 0, 1e-6);
  ASSERT_EQ(st.memo.size(), 5u);
  EXPECT_EQ(st.memo[0], " mean*1e3:  10");
  EXPECT_EQ(st.memo[1], " mean latt.prm.:  3.5552");
  EXPECT_EQ(st.memo[2].rfind(" std*1e3:  ", 0), 0u);
  EXPECT_EQ(st.memo[2].find("NAN"), std::string::npos);
  EXPECT_EQ(st.memo[3].rfind(" std latt.prm.:  ", 0), 0u);
  EXPECT_EQ(st.memo[4], "--------------------------------");
}

TEST(DeltaStats, UnchangedGrainAndBinsOfIdealDistance) {
  const vGrainNodes ideal = fccGrain(3.52, 6);
  const StDeltaStats same = computeDeltaStats(naiveDeltaSums(ideal, ideal, 13, 0.01), 3.52);
  for (double y : same.y) EXPECT_EQ(y, 0);
  EXPECT_EQ(same.memo[0], " mean*1e3:  0");
  EXPECT_EQ(same.memo[2], " std*1e3:  0");
  EXPECT_EQ(same.memo[1], " mean latt.prm.:  3.52");

  // Two pairs in one ideal bin, changed by +2 % and 0 %: one bin, h from the sums.
  PdhList list{{0, 2, 0, 4.0, 4.04}, {0, 1, 0, 6.0, 5.94}};
  const StDeltaStats st = computeDeltaStats(list, 4);
  ASSERT_EQ(st.bins, 2u);
  EXPECT_DOUBLE_EQ(st.x[0], 2.0);
  EXPECT_NEAR(st.y[0], 10, 1e-9);
  EXPECT_NEAR(st.y[1], -10, 1e-9);
  EXPECT_NEAR(st.mean, 0, 1e-15);
  EXPECT_NEAR(st.std, 0.01, 1e-12);  // population std over bins, not weighted by card
  EXPECT_EQ(st.memo[3], " std latt.prm.:  0.04");
}

TEST(DeltaStats, EmptyListAndPdhEntriesSayNoData) {
  const StDeltaStats empty = computeDeltaStats({}, 3.52);
  EXPECT_EQ(empty.bins, 0u);
  EXPECT_EQ(empty.memo, (std::vector<std::string>{" mean*1e3:  no data", " mean latt.prm.:  no data",
                                                 " std*1e3:  no data", " std latt.prm.:  no data",
                                                 "--------------------------------"}));
  // A list that holds a PDH (no delta sums) gives no bins either, never NaN.
  PdhList pdh{{0.5, 3, 0, 0, 0}, {1.0, 0, 0, 0, 0}};
  EXPECT_EQ(computeDeltaStats(pdh, 3.52).bins, 0u);
}

TEST(DeltaStats, SizesMustMatch) {
  EXPECT_FALSE(checkDeltaInputs(vGrainNodes(10), vGrainNodes(10)));
  const auto m = checkDeltaInputs(vGrainNodes(10), vGrainNodes(11));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->title, "ERROR");
  EXPECT_EQ(m->kind, MessageKind::Error);
  EXPECT_EQ(m->text, "Sizes of ideal lattice and modified are different: 10, 11");
}

}  // namespace
}  // namespace grainix
