// Series insertion, range upkeep, the panel grid, axis scaling and the
// pixel transformation of the plotting control.
#include <gtest/gtest.h>

#include <cfloat>
#include <vector>

#include "engine/plot/graph_model.h"

namespace grainix {
namespace {

Graph2DModel withSeries(std::vector<double> x, std::vector<double> y, int w = 500, int h = 400) {
  Graph2DModel m;
  m.resize(w, h);
  m.insertData(x, y);
  return m;
}

TEST(PlotRanges, PairwiseMinMaxOddAndEvenLengths) {
  struct Case {
    std::vector<double> v;
    double min, max;
  } cases[] = {
      {{3.0}, 3.0, 3.0},
      {{2.0, -1.0}, -1.0, 2.0},
      {{5.0, 1.0, 9.0}, 1.0, 9.0},
      {{-4.0, 7.0, 7.0, -4.5}, -4.5, 7.0},
      {{1.0, 2.0, 3.0, 4.0, 0.5}, 0.5, 4.0},
      {{0.0, -0.0, 1e-300, -1e300, 1e300, 2.0}, -1e300, 1e300},
  };
  for (const Case& c : cases) {
    double mn = 0, mx = 0;
    minMaxPairwise(c.v.data(), c.v.size(), mn, mx);
    EXPECT_EQ(mn, c.min) << c.v.size();
    EXPECT_EQ(mx, c.max) << c.v.size();
  }
}

TEST(PlotRanges, FirstSeriesWithConstantValuesGetsADegenerateRangeRule) {
  struct Case {
    double y;
    stRange expected;
  } cases[] = {{0.0, {-1.0, 1.0}}, {5.0, {0.0, 5.0}}, {-2.0, {-2.0, 0.0}}};
  for (const Case& c : cases) {
    Graph2DModel m = withSeries({1, 2, 3}, {c.y, c.y, c.y});
    EXPECT_EQ(m.subGraphs()[0].rangeY, c.expected) << c.y;
    EXPECT_EQ(m.subGraphs()[0].rangeX, (stRange{1, 3}));
  }
}

TEST(PlotRanges, LaterSeriesWidenWithoutTheDegenerateRule) {
  Graph2DModel m = withSeries({0, 1}, {2, 3});
  const std::vector<double> x{4, 4}, y{7, 7};
  m.insertData(x, y);
  EXPECT_EQ(m.subGraphs()[0].rangeX, (stRange{0, 4}));
  EXPECT_EQ(m.subGraphs()[0].rangeY, (stRange{2, 7}));
  EXPECT_EQ(m.diagram(1).rangeY, (stRange{7, 7}));
  EXPECT_EQ(m.getDiagramMinMaxY(0), (stRange{2, 3}));
}

TEST(PlotRanges, InsertPointWidensTheSeriesAndThePanel) {
  Graph2DModel m = withSeries({1, 2}, {1, 2});
  m.insertPoint(10, -5, 0);
  EXPECT_EQ(m.diagram(0).size(), 3u);
  EXPECT_EQ(m.diagram(0).rangeX, (stRange{1, 10}));
  EXPECT_EQ(m.subGraphs()[0].rangeY, (stRange{-5, 2}));
  m.insertPoint(1, 1, 7);  // no such series: nothing
  EXPECT_EQ(m.diagram(0).size(), 3u);

  Graph2DModel empty;
  empty.insertPoint(3, 4, 0);  // an empty series is created first
  ASSERT_EQ(empty.diagramCount(), 1u);
  EXPECT_EQ(empty.diagram(0).x, std::vector<double>{3});
}

TEST(PlotRanges, CombStyleLowersThePanelRangeToZero) {
  Graph2DModel m = withSeries({1, 2, 3}, {10, 12, 11});
  EXPECT_EQ(m.subGraphs()[0].rangeY.min, 10);
  m.setStyle(dsComb);
  EXPECT_EQ(m.subGraphs()[0].rangeY.min, 0);
  EXPECT_EQ(m.getStyle(0), dsComb);
}

TEST(PlotRanges, EmptySeriesAreRefused) {
  Graph2DModel m;
  m.insertData(std::vector<double>{}, std::vector<double>{});
  EXPECT_TRUE(m.subGraphs().empty());
  EXPECT_FALSE(m.insertData(nullptr, nullptr, 0, 1, 1));
}

TEST(PlotGrid, InsertAtGridPositionCreatesPanelsAndLaysThemOut) {
  Graph2DModel m;
  m.resize(600, 400);
  ASSERT_TRUE(m.divideGraph(2, 3));
  const double x[] = {0, 1}, y[] = {0, 1};
  EXPECT_FALSE(m.insertData(x, y, 2, 3, 4));
  EXPECT_FALSE(m.insertData(x, y, 2, 0, 1));
  EXPECT_TRUE(m.subGraphs().empty());
  ASSERT_TRUE(m.insertData(x, y, 2, 2, 2));
  ASSERT_EQ(m.subGraphs().size(), 5u);  // default panels up to index 4
  EXPECT_EQ(m.activeSubGraph(), 4u);
  const TSubGraph& g = m.subGraphs()[4];
  EXPECT_EQ(g.width, 200);
  EXPECT_EQ(g.height, 200);
  EXPECT_EQ(g.left, 200);
  EXPECT_EQ(g.top, 200);
  EXPECT_TRUE(m.subGraphs()[0].diagrams.empty());

  m.resize(900, 300);
  EXPECT_EQ(m.subGraphs()[4].left, 300);
  EXPECT_EQ(m.subGraphs()[4].top, 150);
  EXPECT_EQ(m.subGraphs()[4].width, 300);
  EXPECT_EQ(m.subGraphs()[0].width, 100);  // empty panels keep their size

  EXPECT_TRUE(m.activateSubGraph(1));
  EXPECT_FALSE(m.activateSubGraph(5));
  EXPECT_EQ(m.activeSubGraph(), 1u);
}

TEST(PlotGrid, DivideGraphChecksItsLimitsAndEmptiesTheControl) {
  Graph2DModel m = withSeries({0, 1}, {0, 1});
  EXPECT_FALSE(m.divideGraph(0, 1));
  EXPECT_FALSE(m.divideGraph(1, 4));
  EXPECT_EQ(m.subGraphs().size(), 1u);  // unchanged
  EXPECT_TRUE(m.divideGraph(3, 3));
  EXPECT_TRUE(m.subGraphs().empty());
  EXPECT_EQ(m.rows(), 3u);
}

TEST(PlotGrid, FirstInsertSizesPanelZeroAndActivatesIt) {
  Graph2DModel m;
  m.resize(800, 600);
  const double x[] = {0, 1}, y[] = {0, 1};
  m.insertData(x, y, 2, "peak");
  EXPECT_EQ(m.subGraphs()[0].width, 800);
  EXPECT_EQ(m.subGraphs()[0].height, 600);
  EXPECT_EQ(m.getDiagramHint(0), "peak");
  m.setColor(clRed);
  m.setPenWidth(3);
  m.setDiagramTitle("first");
  EXPECT_EQ(m.getColor(0), clRed);
  EXPECT_EQ(m.getPenWidth(0), 3u);
  EXPECT_EQ(m.getDiagramTitle(0), "first");
  m.setDiagramVisible(false, 0, 0);
  EXPECT_FALSE(m.getDiagramVisible(0));
}

TEST(PlotScaling, TickStepRule) {
  struct Case {
    double min, max;
    int pixels;
    double step, axisMin, axisMax;
  } cases[] = {
      {0.0, 7.3, 500, 1.0, 0.0, 8.0},
      {0.0, 1.0, 200, 0.25, 0.0, 1.0},
      {-3.2, 47.0, 400, 10.0, -10.0, 50.0},  // r = 6.275, b = 1
      {0.0, 0.013, 300, 0.0025, 0.0, 0.015},  // r = 0.00216, b = 0.001
      {100.0, 112.0, 100, 10.0, 100.0, 120.0},
  };
  for (const Case& c : cases) {
    TAxis axis;
    stRange range{c.min, c.max};
    scaleAxis(axis, range, c.pixels);
    EXPECT_DOUBLE_EQ(axis.step, c.step) << c.min << ".." << c.max;
    EXPECT_DOUBLE_EQ(axis.min, c.axisMin) << c.min << ".." << c.max;
    EXPECT_DOUBLE_EQ(axis.max, c.axisMax) << c.min << ".." << c.max;
  }
  // The two worked cases hold exactly, not only to rounding.
  EXPECT_EQ(tickStep(0.0, 7.3, 500), 1.0);
  EXPECT_EQ(tickStep(0.0, 1.0, 200), 0.25);
}

TEST(PlotScaling, ShortAxisHasNoStepAndKeepsItsLimits) {
  TAxis axis;
  stRange range{0.3, 7.3};
  scaleAxis(axis, range, 49);
  EXPECT_EQ(axis.step, 0.0);
  EXPECT_EQ(axis.min, 0.3);
  EXPECT_EQ(axis.max, 7.3);
}

TEST(PlotScaling, UnderflowAndZeroWidthRanges) {
  TAxis axis;
  stRange range{-1e-320, 1e-320};  // both below the smallest normal double
  scaleAxis(axis, range, 200);
  EXPECT_EQ(range, (stRange{0.0, 1.0}));  // written back
  range = {0.0, 0.0};
  scaleAxis(axis, range, 200);
  EXPECT_EQ(range, (stRange{-1.0, 0.0}));
  EXPECT_EQ(axis.min, -1.0);
  EXPECT_EQ(axis.max, 0.0);

  range = {4.0, 4.0};  // a range set by hand may be degenerate
  scaleAxis(axis, range, 200);
  EXPECT_EQ(axis.min, 0.0);
  EXPECT_EQ(axis.max, 4.0);
}

TEST(PlotScaling, FixedAxisKeepsTheUserLimits) {
  TAxis axis;
  axis.fixed = true;
  axis.min = 2;
  axis.max = 3;
  axis.step = 0.1;
  stRange range{0, 100};
  scaleAxis(axis, range, 500);
  EXPECT_EQ(axis.min, 2);
  EXPECT_EQ(axis.max, 3);
  EXPECT_EQ(axis.step, 0.1);
}

TEST(PlotTransformation, FromMarginsAndLimits) {
  TSubGraph g;
  g.left = 100;
  g.top = 20;
  g.width = 500;
  g.height = 300;
  g.margin = {80, 60, 40, 60};
  g.axisX.min = 0;
  g.axisX.max = 8;
  g.axisY.min = -1;
  g.axisY.max = 1;
  const stTransformationFactors t = computeTransformation(g);
  EXPECT_DOUBLE_EQ(t.scaleX, 360.0 / 8);
  EXPECT_DOUBLE_EQ(t.toPixelX(0), 180);
  EXPECT_DOUBLE_EQ(t.toPixelX(8), 540);
  EXPECT_DOUBLE_EQ(t.scaleY, -200.0 / 2);
  EXPECT_DOUBLE_EQ(t.toPixelY(1), 60);
  EXPECT_DOUBLE_EQ(t.toPixelY(-1), 260);
  EXPECT_DOUBLE_EQ(t.toDataX(t.toPixelX(3.25)), 3.25);
}

TEST(PlotTransformation, SetMarginRecomputesAndPointIsInsideUsesTheAxes) {
  Graph2DModel m = withSeries({0, 7.3}, {0, 1});
  EXPECT_FALSE(m.pointIsInside(5, 0.5));  // axes are 0..1 until painted
  TSubGraph& g = m.subGraphs()[0];
  scaleAxis(g.axisX, g.rangeX, g.width);
  scaleAxis(g.axisY, g.rangeY, g.height);
  m.setMargin({80, 60, 60, 60});
  stTransformationFactors t;
  m.getTranformation(t);
  EXPECT_DOUBLE_EQ(t.toPixelX(0), 80);
  EXPECT_DOUBLE_EQ(t.toPixelX(8), 440);
  EXPECT_TRUE(m.pointIsInside(8, 1));
  EXPECT_TRUE(m.pointIsInside(0, 0));
  EXPECT_FALSE(m.pointIsInside(8.001, 0.5));
  EXPECT_FALSE(m.pointIsInside(4, -0.001));
}

TEST(PlotFormat, TickLabelsAndFloatFormats) {
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 4, 4);
  EXPECT_EQ(formatTickLabel(3e-15), "0");
  EXPECT_EQ(formatTickLabel(-9.9e-15), "0");
  EXPECT_EQ(formatTickLabel(0.25), "0.25");
  EXPECT_EQ(formatTickLabel(12346.0), "1.235E0004");
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 3, 3);
  EXPECT_EQ(formatTickLabel(2.5), "2.5");
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 4, 4);

  EXPECT_EQ(formatFloat(1234.6, FloatFormatKind::Exponent, 4, 2), "1.235E+03");
  EXPECT_EQ(formatFloat(-0.00125, FloatFormatKind::Exponent, 3, 0), "-1.25E-3");
  EXPECT_EQ(formatFloat(3.14159, FloatFormatKind::Fixed, 3, 4), "3.1400");
  EXPECT_EQ(formatFloat(2.7, FloatFormatKind::Fixed, 4, 0), "3");
  EXPECT_EQ(formatFloat(1234567.0, FloatFormatKind::Number, 10, 1), "1,234,567.0");
  EXPECT_EQ(formatFloat(-1234.5, FloatFormatKind::Number, 6, 2), "-1,234.50");
  EXPECT_EQ(formatFloat(123456.0, FloatFormatKind::Fixed, 3, 2), "1.23E+5");
}

}  // namespace
}  // namespace grainix

namespace grainix {
namespace {

TEST(GraphScaling, RoundingNoiseIsAFlatRange) {
  TAxis axis;
  stRange range{10.0 - 1e-13, 10.0 + 2e-13};
  scaleAxis(axis, range, 400);
  EXPECT_EQ(axis.min, 0.0);
  EXPECT_GE(axis.max, 10.0);
  // A real, small variation keeps its own range.
  TAxis fine;
  stRange narrow{10.0, 10.001};
  scaleAxis(fine, narrow, 400);
  EXPECT_GE(fine.min, 9.99);
  EXPECT_LE(fine.max, 10.002);
}

}  // namespace
}  // namespace grainix
