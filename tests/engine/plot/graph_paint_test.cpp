// Painting of the plotting control, checked on the recorded draw calls
// (text 6 px per character, 12 px high).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/plot/graph_model.h"
#include "tests/engine/plot/recording_surface.h"

namespace grainix {
namespace {

using test::DrawCall;
using test::RecordingSurface;

// One panel 500 x 400 with default margins 50 and no Y title: plot area
// x 50..450, y 50..350; x 0..7.3 scales to 0..8 (step 1), y 0..1 to 0..1 (step 0.125).
class PaintedPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    Graph2DModel::setFloatFormat(FloatFormatKind::General, 4, 4);
    m.resize(500, 400);
    m.insertData(std::vector<double>{0.0, 3.0, 7.3}, std::vector<double>{0.0, 1.0, 0.5});
    m.setAxisYTitle("");  // the labels alone fit the margin: the plot area is x 50..450
  }
  RecordingSurface paint() {
    RecordingSurface s;
    m.paint(s);
    return s;
  }
  std::vector<DrawCall> linesWithPen(const RecordingSurface& s, TColor pen) {
    std::vector<DrawCall> out;
    for (const DrawCall& c : s.of(DrawCall::Line))
      if (c.pen == pen) out.push_back(c);
    return out;
  }
  Graph2DModel m;
};

TEST_F(PaintedPanel, AxesTicksLabelsAndTitlesArePlacedByTheLayoutRules) {
  m.setAxisYTitle("axis");
  const RecordingSurface s = paint();
  const TSubGraph& g = m.subGraphs()[0];
  EXPECT_EQ(g.axisX.step, 1.0);
  EXPECT_EQ(g.axisX.max, 8.0);
  EXPECT_EQ(g.axisY.step, 0.125);
  // The widest Y label ("0.125", 30 px), its 5 px gap, the rotated title
  // (1.5 x 12) and 2 px need 55 px: the plot area starts 5 px further right.
  EXPECT_EQ(g.labelRoom, 5);
  const int L = 55;
  const double sx = (450.0 - L) / 8;

  // Background first: the whole control, white outline without BoxOn.
  ASSERT_FALSE(s.calls.empty());
  EXPECT_EQ(s.calls[0].kind, DrawCall::Rectangle);
  EXPECT_EQ(s.calls[0].pts[1], (PixelPoint{500, 400}));
  EXPECT_EQ(s.calls[0].pen, clWhite);

  // X ticks every step with centred labels on row B + 6 + 5.
  for (int k = 0; k <= 8; ++k) {
    const std::string label = std::to_string(k);
    const DrawCall* t = s.findText(label);
    ASSERT_NE(t, nullptr) << label;
    EXPECT_EQ(t->pts[0], (PixelPoint{static_cast<int>(L + sx * k) - 3, 361})) << label;
  }
  int xTicks = 0;
  for (const DrawCall& c : s.of(DrawCall::Line))
    if (c.pts[0].y == 348 && c.pts[1].y == 355 && c.pts[0].x == c.pts[1].x) ++xTicks;
  EXPECT_EQ(xTicks, 9);

  // Y labels right-aligned 5 px left of L, centred on their tick.
  const DrawCall* y125 = s.findText("0.125");
  ASSERT_NE(y125, nullptr);
  EXPECT_EQ(y125->pts[0], (PixelPoint{L - 30 - 5, 312 - 6}));  // py of 0.125 = 350 - 37.5 -> 312
  EXPECT_EQ(g.labelLeft, L - 30 - 5);
  bool axisX = false, axisY = false;
  for (const DrawCall& c : s.of(DrawCall::Line)) {
    if (c.pts[0] == PixelPoint{L, 350} && c.pts[1] == PixelPoint{450, 350}) axisX = true;
    if (c.pts[0] == PixelPoint{L, 350} && c.pts[1] == PixelPoint{L, 50}) axisY = true;
  }
  EXPECT_TRUE(axisX);
  EXPECT_TRUE(axisY);

  // Axis titles: X centred under the labels, Y rotated left of the labels
  // and inside the control.
  std::vector<DrawCall> titles;
  for (const DrawCall& c : s.of(DrawCall::Text))
    if (c.text == "axis") titles.push_back(c);
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_FALSE(titles[0].rotated);
  EXPECT_EQ(titles[0].pts[0], (PixelPoint{static_cast<int>(L + sx * 4) - 12, 361 + 12}));
  EXPECT_TRUE(titles[1].rotated);
  EXPECT_EQ(titles[1].pts[0], (PixelPoint{20 - 18, 200 + 12}));
  EXPECT_EQ(titles[1].font.family, "Arial");
}

// Titles stay inside the control and clear of the tick labels, however
// wide the labels are; a picture title drawn by the window gets its room.
TEST(PlotPaint, WideLabelsMoveThePlotAreaNotTheTitleOffTheControl) {
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 3, 3);
  Graph2DModel m;
  m.resize(400, 300);
  m.insertData(std::vector<double>{1.0, 2.0, 3.0}, std::vector<double>{0.0, 12345678.0, 50000.0});
  m.setMargin({30, 20, 20, 40});
  RecordingSurface s;
  m.paint(s);
  const TSubGraph& g = m.subGraphs()[0];
  int widest = 0;
  std::vector<DrawCall> titles;
  for (const DrawCall& c : s.of(DrawCall::Text)) {
    if (c.rotated) titles.push_back(c);
    else if (c.pts[0].x < 30 + g.labelRoom && c.pts[0].y < 260) widest = std::max(widest, 6 * int(c.text.size()));
  }
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_GE(titles[0].pts[0].x, 2) << "the rotated title starts inside the control";
  EXPECT_LE(titles[0].pts[0].x + 12, g.labelLeft) << "and ends before the labels";
  EXPECT_EQ(g.labelLeft, 30 + g.labelRoom - widest - 5);
  EXPECT_EQ(g.transformation.shiftX + g.transformation.scaleX * g.axisX.min, 30.0 + g.labelRoom);

  // A picture title (drawn by the window) of 20 px keeps its room too.
  m.setAxisYTitle("");
  m.subGraphs()[0].yTitleReserve = 20;
  RecordingSurface s2;
  m.paint(s2);
  EXPECT_GE(m.subGraphs()[0].labelLeft, 20 + 4);
}

// Tick labels carry the digits their step needs.
TEST(PlotPaint, TickLabelsHaveTheDigitsOfTheStep) {
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 3, 3);
  struct Case {
    double v, step;
    const char* label;
  } cases[] = {{11.25, 1.25, "11.25"}, {112.5, 12.5, "112.5"}, {0.125, 0.125, "0.125"}, {3.0, 0.5, "3"},
               {125000, 25000, "125000"}, {0.00075, 0.00025, "0.00075"}, {2.5e-5, 2.5e-6, "2.5E-005"},
               {1234.5, 0.0, "1.23E003"}};
  for (const Case& c : cases) EXPECT_EQ(formatTickLabel(c.v, c.step), c.label) << c.v << " step " << c.step;
}

// The wheel zooms about the pointer, a drag moves the view, and the reset
// returns to the automatic ranges.
TEST(PlotView, WheelZoomAboutThePointerDragAndReset) {
  Graph2DModel::setFloatFormat(FloatFormatKind::General, 4, 4);
  Graph2DModel m;
  m.resize(500, 400);
  m.insertData(std::vector<double>{0.0, 10.0}, std::vector<double>{0.0, 100.0});
  RecordingSurface s;
  m.paint(s);
  const TSubGraph& g = m.subGraphs()[0];
  const stTransformationFactors before = g.transformation;
  const int px = 300, py = 150;
  const double x0 = before.toDataX(px), y0 = before.toDataY(py);
  ASSERT_TRUE(m.zoomAt(px, py, 0.5));
  EXPECT_TRUE(g.axisX.fixed && g.axisY.fixed);
  EXPECT_NEAR(g.axisX.max - g.axisX.min, 5.0, 1e-12);
  // The data point under the pointer stays under it.
  EXPECT_NEAR(g.transformation.toDataX(px), x0, 1e-9);
  EXPECT_NEAR(g.transformation.toDataY(py), y0, 1e-9);
  RecordingSurface zoomed;
  m.paint(zoomed);
  EXPECT_NEAR(g.transformation.toDataX(px), x0, 1e-9) << "the next paint keeps the view";
  // Ticks at multiples of the step inside the view.
  for (double v : tickValues(g.axisX)) EXPECT_NEAR(std::remainder(v, g.axisX.step), 0.0, 1e-9) << v;

  const double minX = g.axisX.min, minY = g.axisY.min;
  m.panBy(0, 40, -30);  // right and up: the view moves left and down
  EXPECT_NEAR(g.axisX.min, minX - 40 / g.transformation.scaleX, 1e-9);
  EXPECT_NEAR(g.axisY.min, minY + 30 / g.transformation.scaleY, 1e-9);
  EXPECT_LT(g.axisX.min, minX);

  EXPECT_FALSE(m.zoomAt(-5, 10, 0.5)) << "outside every panel";
  m.resetView();
  RecordingSurface full;
  m.paint(full);
  EXPECT_FALSE(g.axisX.fixed || g.axisY.fixed);
  EXPECT_EQ(g.axisX.min, 0.0);
  EXPECT_EQ(g.axisX.max, 10.0);
  EXPECT_EQ(g.transformation, before);
}

TEST_F(PaintedPanel, RoundingResidueTickIsLabelledZero) {
  TSubGraph& g = m.subGraphs()[0];
  g.axisX.fixed = true;
  g.axisX.min = -0.3;
  g.axisX.max = 0.3;
  g.axisX.step = 0.1;  // -0.3 + 3 x 0.1 is 5.55e-17, not 0
  const RecordingSurface s = paint();
  std::vector<std::string> labels;
  for (const DrawCall& c : s.of(DrawCall::Text))
    if (c.pts[0].y == 361) labels.push_back(c.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}));
}

TEST_F(PaintedPanel, GraphTitleZeroIsNotDrawnOtherTitlesAreBoldAndCentred) {
  auto boldTexts = [](const RecordingSurface& s) {
    std::vector<DrawCall> out;
    for (const DrawCall& c : s.of(DrawCall::Text))
      if (c.font.bold) out.push_back(c);
    return out;
  };
  EXPECT_TRUE(boldTexts(paint()).empty());  // initial title "0"
  m.setGraphTitle("Pattern");
  const std::vector<DrawCall> t = boldTexts(paint());
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].text, "Pattern");
  EXPECT_EQ(t[0].pts[0], (PixelPoint{(500 - 42) / 2, 12}));
}

TEST_F(PaintedPanel, GridLinesSkipTheAxesAndUseTheGridColour) {
  m.subGraphs()[0].grid.visible = true;
  const RecordingSurface s = paint();
  const std::vector<DrawCall> grid = linesWithPen(s, clSilver);
  ASSERT_EQ(grid.size(), 8u + 8u);
  EXPECT_EQ(grid[0].pts[0], (PixelPoint{100, 349}));
  EXPECT_EQ(grid[0].pts[1], (PixelPoint{100, 50}));
  EXPECT_EQ(grid[8].pts[0], (PixelPoint{51, 312}));
  EXPECT_EQ(grid[8].pts[1], (PixelPoint{450, 312}));
}

TEST_F(PaintedPanel, ShortPanelDrawsNoTicksButStillItsAxes) {
  m.resize(40, 40);
  m.setMargin({5, 5, 5, 5});
  const RecordingSurface s = paint();
  EXPECT_EQ(m.subGraphs()[0].axisX.step, 0.0);
  EXPECT_EQ(s.findText("0"), nullptr);
  EXPECT_EQ(s.of(DrawCall::Line).size(), 2u);  // the two axis lines
  EXPECT_EQ(s.of(DrawCall::Polyline).size(), 1u);
}

TEST_F(PaintedPanel, SeriesStylesDrawTheirShapes) {
  m.setColor(clRed);
  m.setPenWidth(2);
  RecordingSurface s = paint();
  std::vector<DrawCall> poly = s.of(DrawCall::Polyline);
  ASSERT_EQ(poly.size(), 1u);
  EXPECT_EQ(poly[0].pts, (std::vector<PixelPoint>{{50, 350}, {200, 50}, {415, 200}}));
  EXPECT_EQ(poly[0].pen, clRed);
  EXPECT_EQ(poly[0].penWidth, 2);

  m.setStyle(dsPoint, 0);
  s = paint();
  std::vector<DrawCall> el = s.of(DrawCall::Ellipse);
  ASSERT_EQ(el.size(), 3u);
  EXPECT_EQ(el[1].pts, (std::vector<PixelPoint>{{198, 48}, {203, 53}}));
  EXPECT_EQ(el[1].brush, clRed);

  m.setStyle(dsCircle, 0);
  el = paint().of(DrawCall::Ellipse);
  ASSERT_EQ(el.size(), 3u);
  EXPECT_EQ(el[2].brush, clWhite);
  EXPECT_EQ(el[2].penWidth, 2);

  m.setStyle(dsComb, 0);
  const std::vector<DrawCall> comb = linesWithPen(paint(), clRed);
  ASSERT_EQ(comb.size(), 3u);
  EXPECT_EQ(comb[1].pts, (std::vector<PixelPoint>{{200, 350}, {200, 50}}));

  m.setDiagramVisible(false);
  EXPECT_TRUE(linesWithPen(paint(), clRed).empty());
}

TEST(PlotPaint, LineInsetDrawsOnlySegmentsInsideThePanelRanges) {
  Graph2DModel m;
  m.resize(500, 400);
  m.insertData(std::vector<double>{0, 8}, std::vector<double>{0, 1});  // panel ranges 0..8 x 0..1
  const std::vector<double> x{1, 2, 3, 4, 5, 6}, y{0.5, 0.5, 2.0, 0.5, 0.5, 0.5};
  m.insertData(x, y);
  m.setColor(clBlue);
  m.setStyle(dsLineInset);
  // Restore the panel ranges widened by the inset series, as an inset window would have them.
  m.subGraphs()[0].rangeY = {0, 1};
  RecordingSurface s;
  m.paint(s);
  std::vector<DrawCall> poly;
  for (const DrawCall& c : s.of(DrawCall::Polyline))
    if (c.pen == clBlue) poly.push_back(c);
  // 1-2 drawn; 2-3 not (3 outside, skipped); 4-5 and 5-6 drawn as one stroke.
  ASSERT_EQ(poly.size(), 2u);
  EXPECT_EQ(poly[0].pts.size(), 2u);
  EXPECT_EQ(poly[1].pts.size(), 3u);
}

TEST(PlotPaint, FixedAxesClipLinesAtTheBorder) {
  Graph2DModel m;
  m.resize(500, 400);
  // x 0..8 -> 50..450 px, y 0..1 -> 350..50 px once the axes are fixed.
  const std::vector<double> x{1, 2, 3, 4, 5, 7}, y{0.5, 1.5, 0.5, -1.0, 2.0, 0.5};
  m.insertData(x, y);
  TSubGraph& g = m.subGraphs()[0];
  g.axisX = {0, 8, 1, "x", true};
  g.axisY.fixed = true;
  g.axisY.min = 0;
  g.axisY.max = 1;
  g.axisY.step = 0.25;
  RecordingSurface s;
  m.paint(s);
  std::vector<DrawCall> poly = s.of(DrawCall::Polyline);
  ASSERT_EQ(poly.size(), 4u);
  // 1 -> crossing of y = 1 at x = 1.5.
  EXPECT_EQ(poly[0].pts, (std::vector<PixelPoint>{{100, 200}, {125, 50}}));
  // Crossing at x = 2.5 -> 3 -> crossing of y = 0 at x = 3 + 1/3.
  EXPECT_EQ(poly[1].pts, (std::vector<PixelPoint>{{175, 50}, {200, 200}, {216, 350}}));
  // 4 -> 5 lies outside at both ends but passes through: y 0..1 for x 4+1/3..4+2/3.
  EXPECT_EQ(poly[2].pts, (std::vector<PixelPoint>{{266, 350}, {283, 50}}));
  // Crossing of y = 1 at x = 5 + 4/3 -> 7.
  EXPECT_EQ(poly[3].pts, (std::vector<PixelPoint>{{366, 50}, {400, 200}}));
}

TEST(PlotPaint, FixedAxesDropOutsidePointsAndKeepCombsInside) {
  Graph2DModel m;
  m.resize(500, 400);
  m.insertData(std::vector<double>{1, 2, 3}, std::vector<double>{5, 9, 20});
  m.setStyle(dsComb);
  TSubGraph& g = m.subGraphs()[0];
  g.axisX = {0, 8, 1, "x", true};
  g.axisY.fixed = true;
  g.axisY.min = 4;
  g.axisY.max = 10;
  g.axisY.step = 2;
  RecordingSurface s;
  m.paint(s);
  std::vector<DrawCall> comb;
  for (const DrawCall& c : s.of(DrawCall::Line))
    if (c.penWidth == 1 && c.pen == clBlack && c.pts[0].x == c.pts[1].x && c.pts[0].y == 350 &&
        c.pts[1].y < 350 && c.pts[0].x != 50)
      comb.push_back(c);
  ASSERT_EQ(comb.size(), 2u);  // the point at y = 20 is outside
  EXPECT_EQ(comb[1].pts[1].y, 100);  // from the bottom axis (y = 4), not from y = 0
}

TEST(PlotPaint, DenseSeriesKeepsItsPictureWithFewVertices) {
  Graph2DModel m;
  m.resize(800, 600);
  const std::size_t n = 200000;
  std::vector<double> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = static_cast<double>(i) * 5e-5;
    y[i] = std::sin(x[i]) + 0.3 * std::sin(37.0 * x[i] * x[i]) + ((i * 7919) % 101) * 1e-3;
  }
  m.insertData(x, y);
  RecordingSurface s;
  m.paint(s);
  const std::vector<DrawCall> poly = s.of(DrawCall::Polyline);
  ASSERT_EQ(poly.size(), 1u);
  EXPECT_LE(poly[0].pts.size(), 4u * 800u);

  // Rasterise both paths one pixel wide and compare the pixel sets.
  auto raster = [](const std::vector<PixelPoint>& p) {
    std::vector<bool> px(800 * 600);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
      int x0 = p[i].x, y0 = p[i].y;
      const int x1 = p[i + 1].x, y1 = p[i + 1].y;
      const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
      const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
      int err = dx + dy;
      for (;;) {
        px.at(static_cast<std::size_t>(y0) * 800 + static_cast<std::size_t>(x0)) = true;
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
          err += dy;
          x0 += sx;
        }
        if (e2 <= dx) {
          err += dx;
          y0 += sy;
        }
      }
    }
    return px;
  };
  const stTransformationFactors t = m.currentTransformation();
  std::vector<PixelPoint> full(n);
  for (std::size_t i = 0; i < n; ++i)
    full[i] = {static_cast<int>(t.toPixelX(x[i])), static_cast<int>(t.toPixelY(y[i]))};
  EXPECT_EQ(raster(poly[0].pts), raster(full));
}

TEST(PlotPaint, LegendBoxSymbolsAndHints) {
  Graph2DModel m;
  m.resize(500, 400);
  m.insertData(std::vector<double>{0, 8}, std::vector<double>{0, 1});
  m.setDiagramTitle("a");
  m.setColor(clRed);
  m.setDiagramHint("first");
  m.insertData(std::vector<double>{0, 4}, std::vector<double>{0.5, 0.25});
  m.setDiagramTitle("bbb");
  m.setStyle(dsComb);
  m.setPenWidth(2);
  m.setColor(makeColor(0, 128, 255));
  m.setDiagramHint("second");
  TSubGraph& g = m.subGraphs()[0];
  g.legend.visible = true;
  g.hintsOn = true;
  g.axisY.title = "";  // the labels alone fit the margin
  RecordingSurface s;
  m.paint(s);

  // W = 2*10 + 18 + 10 + 10 = 58, H = 10 + 10 + 2*12 = 44, placed at
  // left + width - W - margin.left, top + margin.top.
  const std::vector<DrawCall> rects = s.of(DrawCall::Rectangle);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[1].pts, (std::vector<PixelPoint>{{392, 50}, {450, 94}}));
  EXPECT_TRUE(rects[1].clipped);
  const DrawCall* a = s.findText("a");
  const DrawCall* b = s.findText("bbb");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->pts[0], (PixelPoint{422, 60}));
  EXPECT_EQ(b->pts[0], (PixelPoint{422, 72}));
  EXPECT_EQ(b->textColor, clBlack);
  bool lineSymbol = false;
  int combStrokes = 0;
  for (const DrawCall& c : s.of(DrawCall::Line)) {
    if (c.pts[0] == PixelPoint{402, 66} && c.pts[1] == PixelPoint{412, 66} && c.pen == clRed) lineSymbol = true;
    if (c.clipped && c.pts[0].x == c.pts[1].x && c.pts[1].y == 72 + 12 - 2) ++combStrokes;
  }
  EXPECT_TRUE(lineSymbol);
  EXPECT_EQ(combStrokes, 3);

  // Hints at the right end of each series, inverted background.
  const DrawCall* h1 = s.findText("first");
  const DrawCall* h2 = s.findText("second");
  ASSERT_TRUE(h1 && h2);
  EXPECT_EQ(h1->pts[0], (PixelPoint{450 + 5, 50}));
  EXPECT_EQ(h1->textColor, clRed);
  EXPECT_TRUE(h1->opaque);
  EXPECT_EQ(h1->textBackground, 0xFFFF00);
  EXPECT_EQ(h2->pts[0], (PixelPoint{250 + 5, 275}));
  EXPECT_EQ(h2->textBackground, makeColor(255, 127, 0));
}

TEST(PlotPaint, PanelsOfAGridArePaintedInTheirOwnRectangles) {
  Graph2DModel m;
  m.resize(600, 400);
  m.divideGraph(1, 2);
  m.insertData(std::vector<double>{0, 1}, std::vector<double>{0, 1}, 1, 1);
  m.insertData(std::vector<double>{0, 1}, std::vector<double>{0, 1}, 1, 2);
  for (TSubGraph& g : m.subGraphs()) g.axisY.title = "";  // the labels alone fit the margin
  RecordingSurface s;
  m.paint(s);
  const std::vector<DrawCall> poly = s.of(DrawCall::Polyline);
  ASSERT_EQ(poly.size(), 2u);
  EXPECT_EQ(poly[0].pts, (std::vector<PixelPoint>{{50, 350}, {250, 50}}));
  EXPECT_EQ(poly[1].pts, (std::vector<PixelPoint>{{350, 350}, {550, 50}}));
}

}  // namespace
}  // namespace grainix

namespace grainix {
namespace {

TEST(PlotPaint, RepeatedCirclesAreDrawnOnceAtTheirLastPlace) {
  Graph2DModel m;
  m.resize(500, 400);
  // x 0..8 (step 1), y 0..1: points 0 and 2 share a pixel; 2 is drawn last.
  m.insertData(std::vector<double>{0, 8, 0.001, 4}, std::vector<double>{0, 1, 0, 0.5});
  m.setStyle(dsCircle);
  m.setAxisYTitle("");  // the labels alone fit the margin
  RecordingSurface s;
  m.paint(s);
  const std::vector<DrawCall> el = s.of(DrawCall::Ellipse);
  ASSERT_EQ(el.size(), 3u);
  EXPECT_EQ(el[0].pts[0], (PixelPoint{449, 49}));   // (8, 1)
  EXPECT_EQ(el[1].pts[0], (PixelPoint{49, 349}));   // (0.001, 0), over (0, 0)
  EXPECT_EQ(el[2].pts[0], (PixelPoint{249, 199}));  // (4, 0.5)
}

}  // namespace
}  // namespace grainix
