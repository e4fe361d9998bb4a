// The plotting control on screen: two series rendered offscreen.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <vector>

#include "gui/plot/tgraph2d.h"

namespace grainix {
namespace {

// Two peaks over a background, and a smoother curve: what a diffraction
// diagram typically holds.
void fillTwoSeries(TGraph2D& g) {
  std::vector<double> x, y1, y2;
  for (int i = 0; i <= 2000; ++i) {
    const double t = 10.0 + i * 0.04;
    x.push_back(t);
    y1.push_back(120.0 * std::exp(-std::pow((t - 38.2) / 0.6, 2)) + 60.0 * std::exp(-std::pow((t - 44.4) / 0.7, 2)) +
                25.0 * std::exp(-std::pow((t - 64.6) / 0.9, 2)) + 8.0 + 4.0 / (1 + 0.05 * t));
    y2.push_back(0.6 * y1.back() + 10.0 * std::sin(t / 7.0) + 12.0);
  }
  g.insertData(x, y1);
  g.setColor(clBlue);
  g.setPenWidth(2);
  g.setDiagramTitle("diagram: 1");
  g.setDiagramHint("Au");
  g.insertData(x, y2);
  g.setColor(clRed);
  g.setStyle(dsLine);
  g.setPenWidth(1);
  g.setDiagramTitle("diagram: 2");
  g.setMargin({80, 60, 60, 60});
  g.setAxisXTitle("angle 2θ (deg)");
  g.setAxisYTitle("intensity I (a.u.)");
  TGraph2D::setFloatFormat(FloatFormatKind::General, 4, 4);
  g.setGraphTitle("Au 4 nm, Cu Kα");
  g.activePanel()->grid.visible = true;
  g.activePanel()->legend.visible = true;
  g.activePanel()->hintsOn = true;
}

int countPixels(const QImage& img, const std::function<bool(QColor)>& pred) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (pred(img.pixelColor(x, y))) ++n;
  return n;
}

TEST(TGraph2DWidget, TwoSeriesRenderOffscreen) {
  TGraph2D g;
  g.resize(800, 600);
  fillTwoSeries(g);
  int hooks = 0;
  QObject::connect(&g, &TGraph2D::onPaint, [&](QPainter* p) {
    ASSERT_NE(p, nullptr);
    ++hooks;
  });
  const QPixmap shot = g.grab();
  EXPECT_EQ(hooks, 1);
  const QImage img = shot.toImage();
  ASSERT_EQ(img.size(), QSize(800, 600));
  const QString out = QDir(QDir::tempPath()).filePath("grainix_tgraph2d_two_series.png");
  EXPECT_TRUE(img.save(out));

  const TSubGraph& p = *g.activePanel();
  EXPECT_EQ(p.axisX.min, 10.0);
  EXPECT_EQ(p.axisX.max, 90.0);
  EXPECT_GT(countPixels(img, [](QColor c) { return c.blue() > 150 && c.red() < 100; }), 500);  // blue series
  EXPECT_GT(countPixels(img, [](QColor c) { return c.red() > 150 && c.blue() < 100 && c.green() < 100; }), 300);
  // Dark text and axes are present; most of the picture stays white.
  const int dark = countPixels(img, [](QColor c) { return c.lightness() < 80; });
  EXPECT_GT(dark, 1000);
  EXPECT_GT(countPixels(img, [](QColor c) { return c == Qt::white; }), 800 * 600 / 2);

  // The axis-title area left of the Y labels holds the rotated title.
  int leftInk = 0;
  for (int y = 150; y < 450; ++y)
    for (int x = 0; x < 40; ++x)
      if (img.pixelColor(x, y).lightness() < 128) ++leftInk;
  EXPECT_GT(leftInk, 50);
}

TEST(TGraph2DWidget, RenderImageMatchesTheSizeAndFollowsResize) {
  TGraph2D g;
  fillTwoSeries(g);
  g.resize(400, 300);
  const QImage small = g.renderImage();
  EXPECT_EQ(small.size(), QSize(400, 300));
  EXPECT_EQ(g.activePanel()->width, 400);
  EXPECT_EQ(g.activePanel()->height, 300);
}

TEST(TGraph2DWidget, DataFilesThroughTheWidget) {
  TGraph2D g;
  g.resize(300, 200);
  fillTwoSeries(g);
  const QString path = QDir(QDir::tempPath()).filePath("grainix_tgraph2d_test.ddf");
  ASSERT_TRUE(g.saveDataToFile(path));
  TGraph2D h;
  ASSERT_TRUE(h.loadDataFromFile(path));
  ASSERT_EQ(h.diagramCount(), 2u);
  EXPECT_EQ(h.getColor(1), clRed);
  EXPECT_EQ(h.diagram(0).size(), 2001u);
  EXPECT_FALSE(h.loadDataFromFile(path + ".missing"));
  EXPECT_EQ(h.diagramCount(), 2u);
  QFile::remove(path);
}

}  // namespace
}  // namespace grainix

namespace grainix {
namespace {

// Every style in a 2 x 1 grid with legends: the comb panel starts at 0.
TEST(TGraph2DWidget, StylesAndPanelGridRender) {
  TGraph2D g;
  g.resize(800, 600);
  ASSERT_TRUE(g.divideGraph(2, 1));
  std::vector<double> x, y;
  for (int i = 0; i < 40; ++i) {
    x.push_back(1.0 + 0.25 * i);
    y.push_back(40.0 + 30.0 * std::exp(-std::pow((x.back() - 5.0) / 1.5, 2)));
  }
  ASSERT_TRUE(g.insertData(x, y, 1, 1));
  g.setStyle(dsComb);
  g.setColor(makeColor(0, 110, 0));
  g.setPenWidth(3);
  g.setDiagramTitle("PDH (comb)");
  g.setGraphTitle("pair-distance histogram");
  g.setAxisXTitle("r (Å)");
  g.setAxisYTitle("count");
  g.setMargin({80, 40, 40, 60});
  g.activePanel()->legend.visible = true;
  EXPECT_EQ(g.activePanel()->rangeY.min, 0.0);

  std::vector<double> y2 = y, y3 = y;
  for (double& v : y2) v = v * 0.5 + 5;
  for (double& v : y3) v = v * 0.8;
  ASSERT_TRUE(g.insertData(x, y, 2, 1));
  g.setStyle(dsPoint);
  g.setColor(clBlue);
  g.setPenWidth(3);
  g.setDiagramTitle("points");
  ASSERT_TRUE(g.insertData(x, y2, 2, 1));
  g.setStyle(dsCircle);
  g.setColor(clRed);
  g.setPenWidth(4);
  g.setDiagramTitle("circles");
  ASSERT_TRUE(g.insertData(x, y3, 2, 1));
  g.setStyle(dsLineInset);
  g.setColor(makeColor(128, 0, 128));
  g.setPenWidth(2);
  g.setDiagramTitle("line inset");
  g.setMargin({80, 40, 40, 60});
  g.setAxisXTitle("x");
  g.setAxisYTitle("y");
  g.activePanel()->legend.visible = true;
  g.activePanel()->grid.visible = true;

  const QImage img = g.grab().toImage();
  EXPECT_TRUE(img.save(QDir(QDir::tempPath()).filePath("grainix_tgraph2d_styles.png")));
  EXPECT_GT(countPixels(img, [](QColor c) { return c.green() > 90 && c.red() < 60 && c.blue() < 60; }), 200);
  EXPECT_GT(countPixels(img, [](QColor c) { return c.red() > 200 && c.green() < 60; }), 200);
}

}  // namespace
}  // namespace grainix
