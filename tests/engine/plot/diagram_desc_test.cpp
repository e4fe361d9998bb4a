#include "engine/plot/diagram_desc.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/core/ini_file.h"

namespace grainix {
namespace {

TEST(InsetRun, SelectsPointsInsideTheInterval) {
  const std::vector<double> x{0, 1, 2, 3, 4, 5};
  struct Case {
    double x1, x2;
    std::size_t first, count;
  };
  const Case cases[] = {
      {1.5, 4.0, 2, 2},    // x >= 1.5 and x < 4: points 2, 3
      {4.0, 1.5, 2, 2},    // right to left gives the same run
      {-3, -1, 0, 0},      // left of all data: empty
      {7, 9, 6, 0},        // right of all data: no first point
      {-1, 100, 0, 6},     // everything
      {2, 2, 2, 0},        // zero width
  };
  for (const auto& c : cases) {
    const auto r = insetRun(x, c.x1, c.x2);
    EXPECT_EQ(r.first, c.first) << c.x1 << ".." << c.x2;
    EXPECT_EQ(r.count, c.count) << c.x1 << ".." << c.x2;
  }
}

TEST(ClipboardText, ThreePointsGiveFourLinesAndReadBack) {
  const std::vector<double> x{0.5, 1.25, 1000}, y{-2, 3.14159, 1e-7};
  const std::string text = seriesToClipboardText(x, y);
  EXPECT_EQ(text, "3\n  5.0000e-01\t -2.0000e+00\n  1.2500e+00\t  3.1416e+00\n  1.0000e+03\t  1.0000e-07\n");
  std::vector<double> bx, by;
  ASSERT_TRUE(seriesFromClipboardText(text, bx, by));
  ASSERT_EQ(bx.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(bx[i], x[i], std::abs(x[i]) * 1e-4);
    EXPECT_NEAR(by[i], y[i], std::abs(y[i]) * 1e-4);
  }
}

TEST(ClipboardText, MalformedTextIsRejectedAndLeavesTheOutputs) {
  std::vector<double> x{9}, y{9};
  for (const char* bad : {"", "abc", "0", "-2 1 1", "3 1 2 3 4", "2 1 2 x 4", "2.5 1 2 3 4"}) {
    EXPECT_FALSE(seriesFromClipboardText(bad, x, y)) << bad;
    EXPECT_EQ(x, std::vector<double>{9});
  }
  ASSERT_TRUE(seriesFromClipboardText(" 2\r\n1 2\r\n3\t4 trailing", x, y));
  EXPECT_EQ(x, (std::vector<double>{1, 3}));
  EXPECT_EQ(y, (std::vector<double>{2, 4}));
}

// "Save data" as one table: shared x values give one x column, others a
// pair of columns each, left blank below a shorter series' end.
TEST(SeriesTable, SharedAndOwnXColumns) {
  TSingleDiagram a, b, c;
  a.x = {0, 0.5, 1};
  a.y = {1, 2, 3.25};
  a.title = "diagram: 1";
  b.x = a.x;
  b.y = {-1, 1e-20, 123456789012345.0};
  b.title = "with\ttab";
  EXPECT_EQ(seriesTableText({&a, &b}),
            "x\tdiagram: 1\twith tab\n"
            "0\t1\t-1\n"
            "0.5\t2\t1e-20\n"
            "1\t3.25\t123456789012345\n");
  c.x = {2, 3};
  c.y = {4, 5};
  c.title = "c";
  EXPECT_EQ(seriesTableText({&a, &c}),
            "diagram: 1 x\tdiagram: 1 y\tc x\tc y\n"
            "0\t1\t2\t4\n"
            "0.5\t2\t3\t5\n"
            "1\t3.25\t\t\n");
  EXPECT_EQ(seriesTableText({}), "\n");
}

TEST(AxisDialogRules, RangeAndCountRules) {
  EXPECT_TRUE(axisRangeRuleHolds("0", "10", "0.5"));
  EXPECT_FALSE(axisRangeRuleHolds("5", "5", "1"));     // empty range
  EXPECT_FALSE(axisRangeRuleHolds("0", "10", "10"));   // step must be smaller than the range
  EXPECT_FALSE(axisRangeRuleHolds("0", "10", "0"));
  EXPECT_FALSE(axisRangeRuleHolds("0", "10", "-1"));
  EXPECT_FALSE(axisRangeRuleHolds("0", "ten", "1"));
  std::string step;
  EXPECT_TRUE(axisCountRuleHolds("0", "10", "4", &step));
  EXPECT_EQ(step, "2.5");
  EXPECT_TRUE(axisCountRuleHolds("0", "1", "3", &step));
  EXPECT_EQ(step, "0.33333");
  step = "x";
  EXPECT_FALSE(axisCountRuleHolds("5", "5", "4", &step));
  EXPECT_FALSE(axisCountRuleHolds("0", "10", "0", &step));
  EXPECT_FALSE(axisCountRuleHolds("0", "10", "", &step));
  EXPECT_EQ(step, "x");
  EXPECT_EQ(axisStepCount(0, 10, 0.5), 20);
  EXPECT_EQ(axisStepCount(0, 1, 0.3), 3);
  EXPECT_EQ(axisStepCount(0, 1, 0), 0);
}

TEST(PrintedMemo, DiagramNumberLinesOpenColumnsWithSeriesStrokes) {
  const std::vector<std::string> lines{"diagram number 1", "a=1", "b=2", "diagram number 2", "c=3"};
  const auto out = layoutPrintedMemo(lines, 1000, 500, 20);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].seriesIndex, 0);
  EXPECT_EQ(out[0].x, 10);
  EXPECT_EQ(out[0].y, 500);
  EXPECT_EQ(out[2].x, 10);
  EXPECT_EQ(out[2].y, 540);
  EXPECT_EQ(out[2].seriesIndex, -1);
  EXPECT_EQ(out[3].seriesIndex, 1);
  EXPECT_EQ(out[3].x, 210);
  EXPECT_EQ(out[3].y, 500);
  EXPECT_EQ(out[4].x, 210);
  EXPECT_EQ(out[4].y, 520);

  // Lines before any "diagram number" line take the first column; the
  // numbered columns move one column right so nothing overlaps.
  const auto lead = layoutPrintedMemo({"inset", "diagram number 1", "x"}, 1000, 0, 10);
  EXPECT_EQ(lead[0].x, 10);
  EXPECT_EQ(lead[1].x, 210);
  EXPECT_EQ(lead[1].seriesIndex, 0);
  EXPECT_EQ(lead[2].y, 10);
}

TEST(DiagramTitle, RunningNumber) { EXPECT_EQ(diagramTitle(7), "diagram: 7"); }

}  // namespace
}  // namespace grainix

namespace grainix {
namespace {

TEST(LineDialogRows, UnofferedStyleAndWidthKeepTheirValues) {
  StLinePrm rec{"old", kColorBlack, kStyleLineInset, 5};
  applyLineRow(rec, "new", kColorRed, -1, -1);
  EXPECT_EQ(rec, (StLinePrm{"new", kColorRed, kStyleLineInset, 5}));
  applyLineRow(rec, "new", kColorRed, 3, 1);
  EXPECT_EQ(rec, (StLinePrm{"new", kColorRed, kStyleComb, 2}));
}

TEST(DiagramSettingsFile, DefaultsAndWriteAtOnce) {
  const std::string path = ::testing::TempDir() + "/diagram_settings_test.ini";
  std::remove(path.c_str());
  {
    IniFile other(path);
    other.writeString("aux", "path_tmp", "/tmp/x");
    other.writeString("latt", "rgrain", "15");
    ASSERT_TRUE(other.save());
  }
  IniDiagramSettings s(path);
  EXPECT_EQ(s.readInteger("gw", kDefaultDiagramWidth), 800);
  EXPECT_EQ(s.readString("path_tmp", "?"), "/tmp/x");
  EXPECT_EQ(s.readString("path_nconv", ""), "");
  s.writeInteger("gw", 1024);
  s.writeInteger("GH", 700);
  IniFile back(path);
  ASSERT_TRUE(back.load());
  EXPECT_EQ(back.readInteger("aux", "gw", 0), 1024);
  EXPECT_EQ(back.readInteger("aux", "gh", 0), 700);
  EXPECT_EQ(back.readString("latt", "rgrain", ""), "15");  // the rest of the file stays

  MemoryDiagramSettings m;
  EXPECT_EQ(m.readInteger("gw", 800), 800);
  m.writeInteger("gw", 640);
  EXPECT_EQ(m.readInteger("GW", 800), 640);
}

}  // namespace
}  // namespace grainix
