#include "engine/app/queue_command.h"

#include <gtest/gtest.h>

#include "engine/app/workbench.h"

namespace grainix {
namespace {

StBuildInput inputs(const std::string& a, const std::string& r) {
  StBuildInput in;
  in.latticeText = a;
  in.radiusText = r;
  in.shape = shapeCylinder;
  in.biatomic = true;
  in.elementL = "Zn";
  in.elementIndexL = 29;
  in.elementR = "S";
  in.elementIndexR = 15;
  return in;
}

TEST(QueueCommand, GrainParametersAndGeneratorOfTheQueue) {
  Workbench wb;
  wb.grainPrm.thermalVibration = true;
  StCommandResult r = refreshQueueGrain(wb, inputs("4", "10"));
  ASSERT_TRUE(r.ok);
  const StGrainPrm& p = wb.grainPrm;
  EXPECT_DOUBLE_EQ(p.maxDistance, (4 * 0.25 + 10) * 2.02);
  EXPECT_FALSE(p.sphere);
  EXPECT_TRUE(p.biatomic);
  EXPECT_FALSE(p.thermalVibration);
  EXPECT_EQ(p.elementR, "S");
  EXPECT_EQ(p.elementIndexR, 15);
  ASSERT_TRUE(wb.generator);
  EXPECT_EQ(wb.generator->name, "hcp");
  EXPECT_EQ(p.kind, 3);

  const double before = wb.grainPrm.maxDistance;
  r = refreshQueueGrain(wb, inputs("4,5", "10"));
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(wb.grainPrm.maxDistance, before);
}

TEST(QueueCommand, EachEntryStartsFromNothingAndItsResultsCountOnlyWhenComplete) {
  Workbench wb;
  wb.ideal.assign(2, StGrainNode());
  wb.modified.assign(1, StGrainNode());
  wb.pdh = {{1.0, 1, 0, 0, 0}};
  wb.pattern.count = 1;
  wb.gr.x = {1};
  wb.gr.count = 1;
  const StCommandResult d = discardQueueGrain(wb);
  EXPECT_TRUE(wb.ideal.empty() && wb.modified.empty() && wb.pdh.empty());
  EXPECT_EQ(wb.pattern.count, 0);
  EXPECT_EQ(wb.gr.count, 0);
  EXPECT_FALSE(d.enable.at("MIsavehistogram"));
  for (QueueCalc c : {QueueCalc::Delta, QueueCalc::Pdh, QueueCalc::Diffraction, QueueCalc::Gr})
    EXPECT_FALSE(queueCalculationDone(wb, c, false));

  // An unmodified grain is compared with itself.
  wb.ideal.assign(2, StGrainNode());
  wb.ideal[1].x = 1;
  StCommandResult r = prepareQueueDelta(wb);
  EXPECT_EQ(wb.modified.size(), 2u);
  ASSERT_EQ(r.log.size(), 1u);
  wb.modified[1].x = 1.01;  // a modified copy of the same size is kept
  r = prepareQueueDelta(wb);
  EXPECT_TRUE(r.log.empty());
  EXPECT_EQ(wb.modified[1].x, 1.01);

  // The shared list holds either a PDH or delta sums.
  wb.pdh = {{1.0, 1, 0, 0, 0}};
  EXPECT_TRUE(queueCalculationDone(wb, QueueCalc::Pdh, false));
  EXPECT_FALSE(queueCalculationDone(wb, QueueCalc::Pdh, true));
  EXPECT_FALSE(queueCalculationDone(wb, QueueCalc::Delta, false));
  wb.pdh = {{0, 1, 0, 1.0, 1.01}};
  EXPECT_TRUE(queueCalculationDone(wb, QueueCalc::Delta, false));
}

}  // namespace
}  // namespace grainix
