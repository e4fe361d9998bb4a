#include "engine/fit/point_list.h"

#include <gtest/gtest.h>

#include <limits>

namespace grainix {
namespace {

TEST(PointList, RowsReadBackAsTheSameNumbers) {
  const std::vector<double> x{0.1, 2.5e-7, 1234567.0, 4321 * static_cast<double>(0.001f)};
  const std::vector<double> y{-3, 1e300, std::numeric_limits<double>::denorm_min(), 0};
  const auto rows = pointRows(x, y);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (StPointRow{"0.1", "-3"}));
  EXPECT_EQ(rows[2].x, "1234567");
  std::vector<double> bx, by;
  const auto r = acceptPointRows(rows, bx, by);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(bx, x);
  EXPECT_EQ(by, y);
}

TEST(PointList, AcceptSkipsRowsWithAnEmptyCellAndWarnsOnce) {
  std::vector<double> x{9}, y{9};
  const auto r = acceptPointRows({{"1", "10"}, {"", "5"}, {"2", ""}, {"", ""}, {"3", "30"}}, x, y);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(x, (std::vector<double>{1, 3}));
  EXPECT_EQ(y, (std::vector<double>{10, 30}));
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], (StMessage{MessageKind::Warning, "WARNING", "niektore rekordy mogą zawierajac bledy"}));
}

TEST(PointList, ACellThatIsNotANumberLeavesTheVectorsAlone) {
  std::vector<double> x{1, 2}, y{3, 4};
  const auto r = acceptPointRows({{"5", "6"}, {"1e", "7"}, {"", "8"}}, x, y);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(r.messages[0].text, "'1e' is not a valid floating point value");
  EXPECT_EQ(x, (std::vector<double>{1, 2}));
  EXPECT_EQ(y, (std::vector<double>{3, 4}));
}

TEST(PointList, CellsTakeTheCharactersOfANumber) {
  for (char32_t c : {U'0', U'9', U'.', U'e', U'-'}) EXPECT_TRUE(pointCharAllowed(c)) << static_cast<int>(c);
  for (char32_t c : {U'E', U'+', U',', U'a', U' ', U'x'}) EXPECT_FALSE(pointCharAllowed(c)) << static_cast<int>(c);
}

}  // namespace
}  // namespace grainix
