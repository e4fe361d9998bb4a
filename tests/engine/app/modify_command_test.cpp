#include "engine/app/modify_command.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/app/build_command.h"
#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"
#include "engine/grain/stacking.h"

namespace grainix {
namespace {

// An fcc sphere R = 15, a = 3.54 built by the build command, with a PDH.
Workbench fccWorkbench(int indexL = 27, int indexR = 27) {
  Workbench wb;
  StBuildInput in;
  in.latticeText = "3.54";
  in.radiusText = "15";
  in.structure = structFcc;
  in.elementL = in.elementR = "Ni";
  in.elementIndexL = indexL;
  in.elementIndexR = indexR;
  EXPECT_TRUE(build(wb, in, nullptr).ok);
  wb.pdh.resize(10);
  wb.partial.allocate(5);
  return wb;
}

ElementTable tableWithNickelAt(size_t index) {
  ElementTable t(index + 1);
  t[index].name = "Ni";
  t[index].td = 450;
  t[index].mass = 58.69;
  return t;
}

TEST(ModifyCommand, CompositionCheckBeforeOpening) {
  EXPECT_TRUE(modifyOpening(fccWorkbench()).messages.empty());
  for (auto [l, r] : {std::pair{-1, 27}, std::pair{27, -1}, std::pair{-1, -1}}) {
    const auto res = modifyOpening(fccWorkbench(l, r));
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(res.messages[0],
              (StMessage{MessageKind::Error, "ERROR",
                         "Improper chemical composition. Go to the 'Atoms selection' group box to set proper values"}));
    EXPECT_TRUE(res.ok) << "the window opens all the same";
  }
}

TEST(ModifyCommand, WindowWorksOnCopiesOfTheGrain) {
  Workbench wb = fccWorkbench(27, -1);
  wb.sections.push_back({"Core", 0, 15, 3.54, 0, 0, 15, 100});
  StModifySession session(wb, tableWithNickelAt(27));
  const StFmodPosPrm& prm = session.prm;
  EXPECT_EQ(&prm.grainPrm, &session.grainPrm);
  EXPECT_EQ(prm.grainPrm.radius, wb.grainPrm.radius);
  EXPECT_EQ(&prm.ideal, &wb.ideal);
  EXPECT_EQ(&prm.modified, &session.modified);
  ASSERT_EQ(prm.sections.size(), 1u);
  EXPECT_TRUE(prm.hasElementL);
  EXPECT_EQ(prm.elementL.name, "Ni");
  EXPECT_DOUBLE_EQ(prm.elementL.td, 450);
  EXPECT_FALSE(prm.hasElementR) << "negative index";
  // An index past the end of the table has no element data either.
  EXPECT_FALSE(StModifySession(wb, tableWithNickelAt(3)).prm.hasElementL);
}

TEST(ModifyCommand, AcceptSwitchesToTheModifiedGrain) {
  Workbench wb = fccWorkbench();
  // What the window did: two sections, the modified list refilled.
  StModifySession session(wb, {});
  ModPosModel model(session.prm);
  model.table().addSection();
  model.table().editCell(0, colPsi, "10");
  ASSERT_TRUE(model.modify().ok);
  EXPECT_TRUE(wb.modified.empty()) << "nothing reaches the grain before Accept";

  const auto res = modifyClosed(wb, true, session);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes approved ..."});
  EXPECT_TRUE(wb.currentIsModified);
  EXPECT_EQ(&wb.current(), &wb.modified);
  EXPECT_EQ(wb.modified.size(), wb.ideal.size());
  EXPECT_DOUBLE_EQ(wb.grainPrm.radiusMod, 15.75);
  ASSERT_EQ(wb.sections.size(), 2u);
  EXPECT_EQ(wb.sections[0].name, "Core");
  EXPECT_EQ(wb.sections[1].name, "Surface ");
  EXPECT_DOUBLE_EQ(wb.sections[0].a, 10);
  EXPECT_TRUE(wb.generator->modified);
  EXPECT_TRUE(wb.pdh.empty());
  EXPECT_TRUE(wb.partial.r.empty());
  EXPECT_TRUE(res.enable.at(cmd::SaveSections));
  EXPECT_TRUE(res.enable.at(cmd::DeltaCalc));
  EXPECT_FALSE(res.enable.at(cmd::PdhDiagram));
  EXPECT_FALSE(res.enable.at(cmd::Diffraction));
}

TEST(ModifyCommand, CancelChangesNothing) {
  Workbench wb = fccWorkbench();
  const double range = wb.grainPrm.maxDistance;
  std::vector<double> rPrev;
  for (const StGrainNode& n : wb.ideal) rPrev.push_back(n.rPrev);
  StModifySession session(wb, {});
  ModPosModel model(session.prm);
  model.table().editCell(0, colPsi, "-10");
  ASSERT_TRUE(model.modify().ok);

  const auto res = modifyClosed(wb, false, session);
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes canceled ..."});
  EXPECT_TRUE(res.enable.empty());
  EXPECT_FALSE(wb.currentIsModified);
  EXPECT_EQ(&wb.current(), &wb.ideal);
  EXPECT_TRUE(wb.modified.empty());
  EXPECT_TRUE(wb.sections.empty());
  EXPECT_FALSE(wb.generator->modified);
  EXPECT_EQ(wb.pdh.size(), 10u);
  EXPECT_DOUBLE_EQ(wb.grainPrm.maxDistance, range);
  EXPECT_DOUBLE_EQ(wb.grainPrm.radiusMod, 0);
  for (size_t i = 0; i < wb.ideal.size(); ++i) ASSERT_EQ(wb.ideal[i].rPrev, rPrev[i]) << i;
}

// The stacking window as OK leaves it with the initial layer geometry.
class StackedCylinder : public StackingDialog {
 public:
  bool run(std::string&, vGrainNodes& ideal, StGrainPrm& prm) override {
    StStackingInput in;
    in.sequence = "ABABABABAB";
    in.ha = prm.latticePrm / std::sqrt(2.0);
    in.c = prm.latticePrm / std::sqrt(3.0);
    return buildStacked(in, ideal, prm).ok;
  }
};

// Each approval of the same sections gives the same histogram range: the
// cylinder's height is the ideal grain's, not the last modification's.
TEST(ModifyCommand, ReopeningKeepsTheCylinderRange) {
  Workbench wb;
  StBuildInput in;
  in.latticeText = "3.54";
  in.radiusText = "12";
  in.structure = structHcp;
  in.shape = shapeCylinder;
  in.biatomic = true;
  StackedCylinder stacking;
  ASSERT_TRUE(build(wb, in, &stacking).ok);
  const double idealRange = wb.grainPrm.maxDistance;
  double first = 0;
  for (int k = 0; k < 3; ++k) {
    StModifySession session(wb, {});
    EXPECT_DOUBLE_EQ(session.grainPrm.maxDistance, idealRange) << k;
    ModPosModel model(session.prm);
    model.table().editCell(0, colPsi, "10");
    ASSERT_TRUE(model.modify().ok);
    modifyClosed(wb, true, session);
    if (k == 0) first = wb.grainPrm.maxDistance;
    EXPECT_DOUBLE_EQ(wb.grainPrm.maxDistance, first) << k;
  }
  EXPECT_GT(first, idealRange);
}

}  // namespace
}  // namespace grainix
