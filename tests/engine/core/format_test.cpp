#include "engine/core/format.h"

#include <gtest/gtest.h>

#include <clocale>

namespace grainix {
namespace {

struct GeneralCase {
  double value;
  int precision;
  const char* text;
};

TEST(FormatGeneral, MatchesToolkitGeneralForm) {
  const GeneralCase cases[] = {
      {28.32, 5, "28.32"},     {56.64, 15, "56.64"},     {3.54, 15, "3.54"},
      {0.0, 5, "0"},           {-1.5, 5, "-1.5"},        {12.0, 5, "12"},
      {1.0 / 3, 5, "0.33333"}, {2.0 / 3, 5, "0.66667"},  {123456.0, 5, "1.2346E5"},
      {12345.0, 5, "12345"},   {99999.5, 5, "1E5"},      {0.0001, 5, "0.0001"},
      {0.00001, 5, "1E-5"},    {1.5e-7, 15, "1.5E-7"},   {0.0009765625, 15, "0.0009765625"},
      {0.0078125, 15, "0.0078125"}, {6.103515625e-05, 15, "6.103515625E-5"},
      {1e20, 15, "1E20"},      {0.1, 15, "0.1"},          {0.30000000000000004, 15, "0.3"},
      {283.2, 3, "283"},       {1234.0, 3, "1.23E3"},    {15.75, 5, "15.75"},
      // exact binary halves round away from zero
      {2.5, 1, "3"},           {0.125, 2, "0.13"},       {1.03125, 5, "1.0313"},
      {-2.5, 1, "-3"},         {9.5, 1, "1E1"},          {0.15, 1, "0.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(fmtGeneral(c.value, c.precision), c.text) << c.value;
  EXPECT_EQ(fmtGeneral(1.2345e-7, 5, 6), "1.2345E-000007");
}

TEST(FormatStream, MatchesDefaultStream) {
  EXPECT_EQ(fmtStream(0.1), "0.1");
  EXPECT_EQ(fmtStream(12), "12");
  EXPECT_EQ(fmtStream(1234567), "1.23457e+06");
  EXPECT_EQ(fmtStream(0.001), "0.001");
  EXPECT_EQ(fmtStream(1e-5), "1e-05");
}

TEST(Format, DecimalPointIgnoresLocale) {
  const char* old = std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(fmtPrintf("%9.6f", 1.5), " 1.500000");
  EXPECT_EQ(fmtStream(0.25), "0.25");
  EXPECT_EQ(fmtGeneral(0.25), "0.25");
  if (old) std::setlocale(LC_ALL, "C");
}

TEST(Format, ParseRefusesWhatIsNotANumber) {
  double v = -7;
  EXPECT_TRUE(parseDouble(" 3.54 ", v));
  EXPECT_DOUBLE_EQ(v, 3.54);
  EXPECT_TRUE(parseDouble("1e-3", v));
  EXPECT_DOUBLE_EQ(v, 0.001);
  for (const char* bad : {"", "abc", "3.5x", "nan", "inf", "-inf", "1e999", "0x10", "-", "."}) {
    v = 42;
    EXPECT_FALSE(parseDouble(bad, v)) << bad;
    EXPECT_EQ(v, 42);
  }
  int i = 0;
  EXPECT_TRUE(parseInt("17", i));
  EXPECT_EQ(i, 17);
  EXPECT_FALSE(parseInt("1.5", i));
}

}  // namespace
}  // namespace grainix
