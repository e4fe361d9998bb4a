#include "engine/app/modify_command.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/app/build_command.h"
#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"

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

TEST(ModifyCommand, WindowInputReferencesTheGrainAndCopiesTheRest) {
  Workbench wb = fccWorkbench(27, -1);
  wb.sections.push_back({"Core", 0, 15, 3.54, 0, 0, 15, 100});
  const auto prm = modifyWindowInput(wb, tableWithNickelAt(27));
  EXPECT_EQ(&prm.grainPrm, &wb.grainPrm);
  EXPECT_EQ(&prm.ideal, &wb.ideal);
  EXPECT_EQ(&prm.modified, &wb.modified);
  ASSERT_EQ(prm.sections.size(), 1u);
  EXPECT_NE(&prm.sections, &wb.sections);
  EXPECT_TRUE(prm.hasElementL);
  EXPECT_EQ(prm.elementL.name, "Ni");
  EXPECT_DOUBLE_EQ(prm.elementL.td, 450);
  EXPECT_FALSE(prm.hasElementR) << "negative index";
  // An index past the end of the table has no element data either.
  EXPECT_FALSE(modifyWindowInput(wb, tableWithNickelAt(3)).hasElementL);
}

TEST(ModifyCommand, AcceptSwitchesToTheModifiedGrain) {
  Workbench wb = fccWorkbench();
  // What the window did: two sections, the modified list refilled.
  StFmodPosPrm prm = modifyWindowInput(wb, {});
  ModPosModel model(prm);
  model.table().editCell(0, colPsi, "10", '0');
  model.table().addSection();
  model.table().editCell(0, colPsi, "10", '0');
  ASSERT_TRUE(model.modify().ok);
  ASSERT_EQ(wb.modified.size(), wb.ideal.size());

  const auto res = modifyClosed(wb, true, prm.sections);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes approved ..."});
  EXPECT_TRUE(wb.currentIsModified);
  EXPECT_EQ(&wb.current(), &wb.modified);
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

TEST(ModifyCommand, CancelOnlyLogs) {
  Workbench wb = fccWorkbench();
  StFmodPosPrm prm = modifyWindowInput(wb, {});
  ModPosModel model(prm);
  ASSERT_TRUE(model.modify().ok);  // the modified list stays filled after Cancel

  const auto res = modifyClosed(wb, false, prm.sections);
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes canceled ..."});
  EXPECT_TRUE(res.enable.empty());
  EXPECT_FALSE(wb.currentIsModified);
  EXPECT_EQ(&wb.current(), &wb.ideal);
  EXPECT_TRUE(wb.sections.empty());
  EXPECT_FALSE(wb.generator->modified);
  EXPECT_EQ(wb.pdh.size(), 10u);
}

}  // namespace
}  // namespace grainix
