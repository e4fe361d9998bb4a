// The radiation group: anodes, wavelength and K kept in step.
#include <gtest/gtest.h>

#include "engine/calc/radiation.h"

namespace grainix {
namespace {

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
