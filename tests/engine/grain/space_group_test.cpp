#include "engine/grain/space_group.h"

#include <gtest/gtest.h>

#include <cmath>

namespace grainix {
namespace {

const StCell kCubic{4, 4, 4, 90, 90, 90};
const StCell kHexagonal{3, 3, 5, 90, 90, 120};

TEST(SymOp, ParsesTheFormsFilesUse) {
  struct Case {
    const char* text;
    const char* canonical;
  } cases[] = {
      {"x,y,z", "x,y,z"},
      {"-x+1/2, y, -z", "-x+1/2,y,-z"},
      {"1/2-y,x-y,z+0.5", "-y+1/2,x-y,z+1/2"},
      {"+X,+Y,+Z", "x,y,z"},
      {" -x , -x+y , z-1/4 ", "-x,-x+y,z+3/4"},
      {"x+2/3,y+1/3,z+1/3", "x+2/3,y+1/3,z+1/3"},
      {"y-1,x+1,-z+1", "y,x,-z"},  // whole translations fall away
  };
  for (const auto& c : cases) {
    StSymOp op;
    std::string why;
    ASSERT_TRUE(parseSymOp(c.text, op, &why)) << c.text << ": " << why;
    EXPECT_EQ(symOpText(op), c.canonical) << c.text;
  }
  StSymOp op;
  ASSERT_TRUE(parseSymOp("-y+1/4,x-y,z", op));
  EXPECT_EQ(op.rot[1][0], 1);
  EXPECT_EQ(op.rot[1][1], -1);
  EXPECT_DOUBLE_EQ(op.trans[0], 0.25);
}

TEST(SymOp, RefusesWhatIsNoOperation) {
  for (const char* text : {"x,y", "x,y,z,x", "x,y,", "x y,z,x", "x,1/2x,z", "x,y,q", "x,y,1/0", "x,y,1..2"}) {
    StSymOp op;
    std::string why;
    EXPECT_FALSE(parseSymOp(text, op, &why)) << text;
    EXPECT_FALSE(why.empty()) << text;
  }
}

std::vector<StSymOp> ops(std::initializer_list<const char*> texts) {
  std::vector<StSymOp> out;
  for (const char* t : texts) {
    StSymOp op;
    EXPECT_TRUE(parseSymOp(t, op)) << t;
    out.push_back(op);
  }
  return out;
}

TEST(SymmetryGroup, ChecksIdentityClosureAndCell) {
  auto ok = ops({"x,y,z", "-x,-y,z", "x,y,z"});  // the duplicate is dropped
  EXPECT_EQ(checkSymmetryGroup(ok, kCubic), "");
  EXPECT_EQ(ok.size(), 2u);

  struct Case {
    std::vector<StSymOp> ops;
    StCell cell;
    const char* expected;
  } cases[] = {
      {ops({"-x,-y,z"}), kCubic, "the identity x,y,z is missing"},
      {ops({"x,y,z", "-y,x,z"}), kCubic, "-y,x,z followed by -y,x,z gives -x,-y,z, which is not in the list"},
      {ops({"x,y,z", "x+1/2,y,z"}), kCubic, ""},
      {ops({"x,y,z", "x+1/3,y,z"}), kCubic, "which is not in the list"},
      {ops({"x,y,z", "-y,x,z", "-x,-y,z", "y,-x,z"}), StCell{4, 5, 4, 90, 90, 90}, "does not fit the cell"},
      {ops({"x,y,z", "x+y,y,z"}), kCubic, "does not fit the cell"},
      {ops({"x,y,z", "x,y,0"}), kCubic, "determinant 0"},
      {ops({"x,y,z", "-y,x-y,z", "-x+y,-x,z"}), kHexagonal, ""},
      {ops({"x,y,z", "-y,x-y,z", "-x+y,-x,z"}), kCubic, "does not fit the cell"},
  };
  for (auto& c : cases) {
    const std::string got = checkSymmetryGroup(c.ops, c.cell);
    if (std::string(c.expected).empty())
      EXPECT_EQ(got, "");
    else
      EXPECT_NE(got.find(c.expected), std::string::npos) << got;
  }
}

TEST(SpaceGroupSettings, SymbolsHallSymbolsAndNumbers) {
  const StCell monoclinic{5, 6, 7, 90, 100, 90};
  const StCell rhombohedral{5, 5, 5, 60.5, 60.5, 60.5};
  const StCell rhombHex{5, 5, 12, 90, 90, 120};
  struct Case {
    const char* symbol;
    StCell cell;
    const char* shortSymbol;  // "" for a refusal
    const char* refusal;
  } cases[] = {
      {"F m -3 m", kCubic, "Fm-3m", nullptr},
      {"Fm-3m", kCubic, "Fm-3m", nullptr},
      {"F m 3 m", kCubic, "Fm-3m", nullptr},  // the older cubic form
      {"P 42/m n m", StCell{4.6, 4.6, 3, 90, 90, 90}, "P4_2/mnm", nullptr},
      {"P 63 m c", kHexagonal, "P6_3mc", nullptr},
      {"P 6_3/m m c", kHexagonal, "P6_3/mmc", nullptr},
      {"P 21/c", monoclinic, "P2_1/c", nullptr},
      {"P 1 21/n 1", monoclinic, "P2_1/c", nullptr},
      {"R -3 m", rhombHex, "R-3m", nullptr},
      {"R -3 m", rhombohedral, "R-3m", nullptr},
      {"F d -3 m :2", kCubic, "Fd-3m", nullptr},
      {"F d -3 m S", kCubic, "Fd-3m", nullptr},
      {"F d -3 m", kCubic, "", "two origin choices"},
      {"P 4/q m m", kCubic, "", "not a space group spglib knows"},
      {"F m -3 m", StCell{4, 4, 5, 90, 90, 90}, "", "does not fit the cell"},
      {"P 63 m c", kCubic, "", "does not fit the cell"},
  };
  for (const auto& c : cases) {
    const StSettingMatch m = settingForSymbol(c.symbol, c.cell);
    if (c.refusal) {
      EXPECT_EQ(m.hallNumber, 0) << c.symbol;
      EXPECT_NE(m.error.find(c.refusal), std::string::npos) << c.symbol << ": " << m.error;
    } else {
      ASSERT_GT(m.hallNumber, 0) << c.symbol << ": " << m.error;
      EXPECT_EQ(settingShortSymbol(m.hallNumber), c.shortSymbol) << c.symbol;
    }
  }
  // The rhombohedral group in its two cells: different operations.
  EXPECT_NE(settingForSymbol("R -3 m", rhombHex).hallNumber, settingForSymbol("R -3 m", rhombohedral).hallNumber);
  // Origin choice 1 of Fd-3m has no inversion at the origin, choice 2 has.
  auto hasInversion = [](int hall) {
    for (const StSymOp& op : settingOperations(hall))
      if (op.rot[0][0] == -1 && op.rot[1][1] == -1 && op.rot[2][2] == -1 && op.trans == std::array<double, 3>{0, 0, 0})
        return true;
    return false;
  };
  EXPECT_FALSE(hasInversion(settingForSymbol("F d -3 m :1", kCubic).hallNumber));
  EXPECT_TRUE(hasInversion(settingForSymbol("F d -3 m :2", kCubic).hallNumber));

  EXPECT_EQ(settingShortSymbol(settingForHall("-F 4 2 3").hallNumber), "Fm-3m");
  EXPECT_EQ(settingShortSymbol(settingForHall("  -p 4   2 3 ").hallNumber), "Pm-3m");
  EXPECT_NE(settingForHall("-Q 4 2").error.find("not one spglib knows"), std::string::npos);
  EXPECT_EQ(settingShortSymbol(settingForNumber(216, kCubic).hallNumber), "F-43m");
  EXPECT_NE(settingForNumber(227, kCubic).error.find("two origin choices"), std::string::npos);
}

TEST(SpaceGroupSettings, OperationsFormTheGroupAndAreIdentified) {
  const int fm3m = settingForSymbol("F m -3 m", kCubic).hallNumber;
  auto list = settingOperations(fm3m);
  EXPECT_EQ(list.size(), 192u);
  EXPECT_EQ(checkSymmetryGroup(list, kCubic), "");
  EXPECT_EQ(centringVectors(list).size(), 4u);
  EXPECT_EQ(identifySpaceGroup(list, kCubic), "Fm-3m");
  auto p63 = ops({"x,y,z", "x-y,x,z+1/2", "-y,x-y,z", "-x,-y,z+1/2", "-x+y,-x,z", "y,-x+y,z+1/2", "y,x,z+1/2",
                  "x,x-y,z", "x-y,-y,z+1/2", "-y,-x,z", "-x,-x+y,z+1/2", "-x+y,y,z"});
  EXPECT_EQ(identifySpaceGroup(p63, kHexagonal), "P6_3mc");
}

TEST(CellFrame, ExactAxesForRightAnglesAndTheHexagonalCell) {
  StCellFrame f;
  ASSERT_TRUE(cellFrame(kCubic, f));
  EXPECT_EQ(f.axis[0], (std::array<double, 3>{1, 0, 0}));
  EXPECT_EQ(f.axis[1], (std::array<double, 3>{0, 1, 0}));
  EXPECT_EQ(f.axis[2], (std::array<double, 3>{0, 0, 1}));
  EXPECT_DOUBLE_EQ(f.volume, 64);
  ASSERT_TRUE(cellFrame(kHexagonal, f));
  EXPECT_EQ(f.axis[1][0], -0.5);
  EXPECT_EQ(f.axis[2], (std::array<double, 3>{0, 0, 1}));
  EXPECT_NEAR(f.volume, 9 * std::sqrt(3.0) / 2 * 5, 1e-12);
  // A triclinic cell: the reciprocal vectors invert the cell vectors.
  const StCell tri{5, 6, 7, 80, 95, 105};
  ASSERT_TRUE(cellFrame(tri, f));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double d = 0;
      for (int k = 0; k < 3; ++k) d += f.recip[i][k] * f.axis[j][k] * f.length[j];
      EXPECT_NEAR(d, i == j ? 1 : 0, 1e-12);
    }
  EXPECT_FALSE(cellFrame(StCell{5, 5, 5, 120, 120, 120}, f));  // no volume
}

}  // namespace
}  // namespace grainix
