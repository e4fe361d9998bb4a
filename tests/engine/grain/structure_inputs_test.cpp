#include "engine/grain/structure_inputs.h"

#include <gtest/gtest.h>

#include "engine/elements/scattering.h"
#include "engine/grain/command_names.h"

namespace grainix {
namespace {

TEST(StructureInputs, NumberOfLatticeParametersSetsRadiusAndGrStop) {
  StructureInputs s;
  s.latticeText = "3.54";
  s.nText = "6 l.p.";
  ASSERT_TRUE(s.latticeOrNChanged().ok);
  EXPECT_EQ(s.radiusText, "21.24");
  s.nText = "8 l.p.";
  s.latticeOrNChanged();
  EXPECT_EQ(s.radiusText, "28.32");
  EXPECT_EQ(s.grStopText, "56.64");
  s.nText = "5";
  s.latticeOrNChanged();
  EXPECT_EQ(s.radiusText, "17.7");
}

TEST(StructureInputs, RadiusSetsNAndDisablesCalculations) {
  StructureInputs s;
  s.latticeText = "3.54";
  s.radiusText = "10";
  auto res = s.radiusChanged();
  EXPECT_EQ(s.nText, "2.8249");
  EXPECT_EQ(s.grStopText, "20");
  EXPECT_FALSE(res.enable.at(cmd::Modify));
  EXPECT_FALSE(res.enable.at(cmd::Pdh));
  EXPECT_FALSE(res.enable.at(cmd::DeltaCalc));
  s.radiusText = "";
  res = s.radiusChanged();
  EXPECT_EQ(s.grStopText, "");
  EXPECT_FALSE(res.enable.at(cmd::Pdh));
}

TEST(StructureInputs, NonNumericTextChangesNothing) {
  StructureInputs s;
  s.latticeText = "3.5x";
  s.nText = "4";
  const std::string before = s.radiusText;
  const auto res = s.latticeOrNChanged();
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(s.radiusText, before);
}

TEST(StructureInputs, KeyFilter) {
  for (char c : std::string("0123456789.e-\b")) EXPECT_TRUE(StructureInputs::acceptKey(c)) << c;
  for (char c : std::string("aE+ ,x")) EXPECT_FALSE(StructureInputs::acceptKey(c)) << c;
}

TEST(StructureInputs, LatticeTypeKeywords) {
  const std::pair<const char*, int> cases[] = {{"sc", structSc},   {"bcc", structBcc},   {"fcc", structFcc},
                                               {"dm", structZincBlende}, {"hcp", structHcp}, {"rand", structRandom},
                                               {"?", structRandom}, {"", structRandom}, {"c", structRandom},
                                               {"tetragonal", structRandom}};
  for (auto [latt, expect] : cases) EXPECT_EQ(StructureInputs::structureFromLatticeType(latt), expect) << latt;
}

TEST(StructureInputs, ElementSelectionSetsLatticeAndStructure) {
  StructureInputs s;
  s.nText = "5";
  StScatEquPrm ni;
  ni.name = "Ni";
  ni.lc = 3.524;
  ni.latt = "fcc";
  s.firstElementSelected(ni);
  EXPECT_EQ(s.latticeText, "3.524");
  EXPECT_EQ(s.structure, structFcc);
  EXPECT_EQ(s.radiusText, "17.62");
}

TEST(StructureInputs, ElementNotInTableWarns) {
  auto res = StructureInputs::elementFocusLost("Xx", -1);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].title, "WARNING");
  EXPECT_EQ(res.messages[0].text, "Parameters of Xx atoms are not included in sft file");
  EXPECT_TRUE(StructureInputs::elementFocusLost("Ni", 3).messages.empty());
}

TEST(StructureInputs, Interlocks) {
  StructureInputs s;
  s.chooseStructure(structHcp);
  EXPECT_TRUE(s.cylinderEnabled);
  s.chooseStructure(structFcc);
  EXPECT_FALSE(s.cylinderEnabled);
  EXPECT_EQ(s.shape, shapeSphere);

  s.chooseBiatomic();
  EXPECT_EQ(s.zincBlendeCaption, "zinc blende");
  EXPECT_EQ(s.structure, structZincBlende);
  EXPECT_TRUE(s.elementREnabled);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s.structureEnabled[i], i == structZincBlende || i == structHcp) << i;

  s.chooseMonoatomic();
  EXPECT_EQ(s.zincBlendeCaption, "diamond like");
  EXPECT_FALSE(s.elementREnabled);
  for (bool e : s.structureEnabled) EXPECT_TRUE(e);

  s.chooseStructure(structHcp);
  s.chooseShape(shapeCylinder);
  EXPECT_TRUE(s.biatomic);
  EXPECT_EQ(s.structure, structHcp);
  EXPECT_EQ(s.shape, shapeCylinder);
  EXPECT_FALSE(s.monoatomicEnabled);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s.structureEnabled[i], i == structHcp) << i;

  s.chooseShape(shapeSphere);
  EXPECT_EQ(s.shape, shapeSphere);
  EXPECT_TRUE(s.monoatomicEnabled);
  EXPECT_EQ(s.structure, s.rememberedStructure);
  for (bool e : s.structureEnabled) EXPECT_TRUE(e);
}

}  // namespace
}  // namespace grainix
