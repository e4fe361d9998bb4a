#include "engine/modify/sections.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/modify/sections_table.h"

namespace grainix {
namespace {

StSectionPrm section(double b, double c, double psi, const std::string& name = "s") {
  StSectionPrm s;
  s.name = name;
  s.b = b;
  s.c = c;
  s.r = c;
  s.a = psi;
  return s;
}

StGrainPrm grain(double R = 15, double a = 3.54, bool sphere = true) {
  StGrainPrm g;
  g.radius = R;
  g.latticePrm = a;
  g.sphere = sphere;
  return g;
}

TEST(SectionMapping, PercentageValues) {
  const double R = 20;
  {
    secPrm core{section(0, R, 0)};
    funcGeneric0 f(core);
    for (double r : {0.0, 0.1, 7.3, 19.99, R, 25.0}) EXPECT_EQ(f.value(r), r) << r;
  }
  secPrm two{section(0, R / 2, 10), section(R / 2, R, 0)};
  funcGeneric0 f(two);
  EXPECT_DOUBLE_EQ(f.value(R / 4), 0.275 * R);
  EXPECT_DOUBLE_EQ(f.value(R / 2), 0.55 * R);
  EXPECT_DOUBLE_EQ(f.value(R), 1.05 * R);  // exactly the last outer radius
  EXPECT_DOUBLE_EQ(f.value(0.75 * R), 0.8 * R);
  EXPECT_EQ(f.value(R + 1), R + 1) << "beyond the last section r is returned unchanged";
  // Inside a section every distance scales by its factor.
  EXPECT_NEAR(f.value(3) - f.value(1), 2 * 1.1, 1e-12);

  secPrm empty;
  EXPECT_EQ(funcGeneric0(empty).value(4.5), 4.5);
  // A section of radius 0 adds nothing and breaks nothing.
  secPrm zero{section(0, 0, 50), section(0, R, 10)};
  EXPECT_DOUBLE_EQ(funcGeneric0(zero).value(R), 1.1 * R);
  EXPECT_EQ(funcGeneric0(zero).value(0), 0);
}

TEST(SectionMapping, FunctionRecordAndListing) {
  secPrm two{section(0, 7.5, 10), section(7.5, 15, -2.5)};
  funcGeneric0 f(two);
  EXPECT_EQ(f.name, "percentage");
  EXPECT_EQ(f.picture, "IMGLCPRC");
  EXPECT_EQ(f.id, 6);
  f.setParams(1, 2, 3, 4, 5);
  f.setParams(7, 8, 9);
  EXPECT_EQ(f.prm[2], 9);
  EXPECT_EQ(f.prm[3], 0);
  EXPECT_EQ(f.prm[4], 0);
  std::ostringstream out;
  f.printSections(out);
  EXPECT_EQ(out.str(), "*** \n, a=10%, Rmax=7.5*** \n, a=-2.5%, Rmax=15");
  EXPECT_EQ(sectionColour(0), (StRgb{192, 220, 192}));
  EXPECT_EQ(sectionColour(5), (StRgb{252, 233, 1}));
  EXPECT_EQ(sectionColour(6), sectionColour(0));
}

TEST(SectionsTable, InitialCoreRow) {
  StGrainPrm g = grain();
  secPrm secs;
  SectionsTable t(g, secs);
  ASSERT_EQ(t.rowCount(), 1u);
  EXPECT_EQ(t.row(0), (SectionsTable::Row{"Core", "15", "100", "1", "0", "3.54"}));
  ASSERT_EQ(secs.size(), 1u);
  EXPECT_EQ(secs[0].name, "Core");
  EXPECT_EQ(secs[0].r, 15);
  EXPECT_EQ(secs[0].c, 15);
  EXPECT_EQ(secs[0].volumePrc, 100);
  EXPECT_FALSE(t.removeEnabled());
  EXPECT_EQ(t.cellBackground(0, 1), (StRgb{192, 192, 192}));
  EXPECT_EQ(t.cellBackground(2, 0), sectionColour(1));
  EXPECT_EQ(t.cellBackground(1, 2), (StRgb{228, 228, 228}));
  EXPECT_EQ(t.cellBackground(1, 4), (StRgb{255, 255, 255}));
  EXPECT_STREQ(SectionsTable::headerText(5), "latt.prm.mod.");
  EXPECT_STREQ(SectionsTable::headerPicture(3), "IMRHO");
}

TEST(SectionsTable, InitialRowsFromTheGrainsSections) {
  StGrainPrm g = grain();
  secPrm secs{section(0, 7.5, 10, "Core"), section(7.5, 15, -5, "Surface ")};
  secs[0].volumePrc = 12.5;
  secs[1].volumePrc = 87.5;
  secs[0].latticePrmMod = 99;  // recomputed from psi
  SectionsTable t(g, secs);
  ASSERT_EQ(t.rowCount(), 2u);
  EXPECT_EQ(t.row(0), (SectionsTable::Row{"Core", "7.5", "12.5", "0.90909", "10", "3.894"}));
  EXPECT_EQ(t.row(1), (SectionsTable::Row{"Surface ", "15", "87.5", "1.0526", "-5", "3.363"}));
  EXPECT_TRUE(t.removeEnabled());
}

TEST(SectionsTable, NamingAndEvenRespacing) {
  StGrainPrm g = grain(12);
  secPrm secs;
  SectionsTable t(g, secs);
  t.addSection();
  ASSERT_EQ(t.rowCount(), 2u);
  EXPECT_EQ(secs[1].name, "Surface ");
  EXPECT_EQ(t.cell(1, colName), "Surface ");
  EXPECT_EQ(t.row(1), (SectionsTable::Row{"Surface ", "12", "87.5", "1", "0", "3.54"}));
  EXPECT_EQ(t.cell(0, colRadius), "6");

  // A hand-entered radius is discarded by the next add.
  EXPECT_TRUE(t.editCell(0, colRadius, "3").ok);
  EXPECT_EQ(secs[0].r, 3);
  t.addSection();
  EXPECT_EQ(secs[1].name, "Shell 1");
  EXPECT_EQ(t.cell(1, colName), "Shell 1");
  EXPECT_EQ(secs[2].name, "Surface");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(secs[i].r, (i + 1) * 4.0);
    EXPECT_EQ(t.cell(i, colRadius), std::to_string(4 * (i + 1)));
  }
  t.addThree();
  ASSERT_EQ(t.rowCount(), 6u);
  EXPECT_EQ(secs[4].name, "Shell 4");
  EXPECT_EQ(secs[5].name, "Surface");
  EXPECT_EQ(t.cell(0, colRadius), "2");

  t.removeLast();
  ASSERT_EQ(t.rowCount(), 5u);
  EXPECT_EQ(secs[4].name, "Surface");
  EXPECT_EQ(t.cell(0, colRadius), "2.4");
  t.removeAllButFirst();
  ASSERT_EQ(t.rowCount(), 1u);
  EXPECT_EQ(secs.size(), 1u);
  EXPECT_EQ(secs[0].name, "Core");
  EXPECT_EQ(t.cell(0, colRadius), "12");
  EXPECT_FALSE(t.removeEnabled());
  EXPECT_EQ(t.buttonStates().at("Bminus"), false);
  t.removeLast();  // nothing to remove
  EXPECT_EQ(t.rowCount(), 1u);

  // Two then three then back to two: "Surface" again (no trailing blank).
  t.addSection();
  t.addSection();
  t.removeLast();
  EXPECT_EQ(secs[1].name, "Surface");
}

TEST(SectionsTable, VolumeShares) {
  for (bool sphere : {true, false}) {
    StGrainPrm g = grain(15, 3.54, sphere);
    secPrm secs;
    SectionsTable t(g, secs);
    t.addSection();
    EXPECT_EQ(t.cell(0, colVolume), sphere ? "12.5" : "25");
    EXPECT_EQ(t.cell(1, colVolume), sphere ? "87.5" : "75");
    EXPECT_DOUBLE_EQ(secs[0].volumePrc, sphere ? 12.5 : 25);
  }
  // Radii are taken in single precision.
  secPrm secs{section(0, 0.1, 0)};
  computeVolumeShares(secs, 1, true);
  const double f = static_cast<float>(0.1);
  EXPECT_EQ(secs[0].volumePrc, f * f * f / 0.01);
  // A grain of radius 0 gives no shares rather than a division by zero.
  computeVolumeShares(secs, 0, true);
  EXPECT_EQ(secs[0].volumePrc, 0);
}

TEST(SectionsTable, CellEditRules) {
  StGrainPrm g = grain(15, 4);
  secPrm secs;
  SectionsTable t(g, secs);
  t.addSection();

  // Out of range: error, the cell goes back to R.
  auto res = t.editCell(0, colRadius, "16");
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, "exceeded value of grain radius");
  EXPECT_EQ(t.cell(0, colRadius), "15");
  EXPECT_EQ(t.cell(0, colVolume), "100");
  res = t.editCell(0, colRadius, "-1");
  EXPECT_EQ(res.messages.at(0).text, "exceeded value of grain radius");

  // A radius of 0 is accepted.
  res = t.editCell(0, colRadius, "0");
  EXPECT_TRUE(res.messages.empty());
  EXPECT_EQ(t.cell(0, colVolume), "0");

  // The text an edit ends with is taken whole.
  res = t.editCell(0, colRadius, "7.5");
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(secs[0].r, 7.5);
  EXPECT_EQ(t.cell(0, colVolume), "12.5");

  // Not a number (also an empty cell): conversion error, the cell and its
  // record keep their values.
  for (const char* bad : {"7x5", "", "0-5", "1.2.3"}) {
    res = t.editCell(0, colRadius, bad);
    ASSERT_EQ(res.messages.size(), 1u) << bad;
    EXPECT_EQ(res.messages[0], (StMessage{MessageKind::ConversionError, "Error",
                                          "'" + std::string(bad) + "' is not a valid floating point value"}));
    EXPECT_FALSE(res.ok);
    EXPECT_EQ(secs[0].r, 7.5);
    EXPECT_EQ(t.cell(0, colRadius), "7.5");
  }
  res = t.editCell(1, colPsi, "0-5");
  EXPECT_EQ(res.messages.at(0).kind, MessageKind::ConversionError);
  EXPECT_EQ(t.cell(1, colPsi), "0");

  // psi: the dependent columns follow.
  res = t.editCell(1, colPsi, "25");
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(t.cell(1, colLattMod), "5");
  EXPECT_EQ(t.cell(1, colRho), "0.8");
  // Computed and name columns ignore edits.
  for (int col : {colName, colVolume, colRho, colLattMod}) {
    const std::string before = t.cell(1, col);
    EXPECT_FALSE(t.editCell(1, col, "9").ok);
    EXPECT_EQ(t.cell(1, col), before);
  }
  EXPECT_FALSE(t.editCell(7, colRadius, "1").ok) << "a row beyond the table";
}

TEST(SectionsTable, ReadIntoRecords) {
  StGrainPrm g = grain(15, 4);
  secPrm secs;
  SectionsTable t(g, secs);
  t.addSection();
  t.addSection();
  t.editCell(0, colPsi, "10");
  ASSERT_TRUE(t.readIntoRecords().ok);
  EXPECT_EQ(secs[0].b, 0);
  EXPECT_EQ(secs[0].c, 5);
  EXPECT_EQ(secs[1].b, 5);
  EXPECT_EQ(secs[1].c, 10);
  EXPECT_EQ(secs[2].b, 10);
  EXPECT_EQ(secs[2].c, 15);
  EXPECT_EQ(secs[0].a, 10);
  EXPECT_EQ(secs[0].latticePrmMod, 4.4);
  EXPECT_EQ(secs[1].name, "Shell 1");

  EXPECT_FALSE(t.editCell(1, colPsi, "abc").ok);
  EXPECT_EQ(t.cell(1, colPsi), "0") << "a refused text never reaches the table";
}

TEST(SectionsTable, StripBandsAndPlotSeries) {
  StGrainPrm g = grain(10, 4);
  secPrm secs;
  SectionsTable t(g, secs);
  t.addSection();
  t.addSection();
  t.editCell(0, colPsi, "10");
  t.editCell(1, colPsi, "-5");
  const auto bands = t.stripBands(301);
  ASSERT_EQ(bands.size(), 4u);
  EXPECT_EQ(bands[0], (StStripBand{0, 301, {192, 192, 192}}));
  EXPECT_EQ(bands[1], (StStripBand{0, 301, sectionColour(2)}));
  EXPECT_EQ(bands[2], (StStripBand{0, 200, sectionColour(1)}));  // trunc(301 * 6.6667 / 10)
  EXPECT_EQ(bands[3], (StStripBand{0, 100, sectionColour(0)}));

  ASSERT_TRUE(t.readIntoRecords().ok);
  const auto plot = t.plotData();
  ASSERT_EQ(plot.series.size(), 3u);
  EXPECT_EQ(plot.series[0].title, "Core");
  EXPECT_EQ(plot.series[0].colour, (StRgb{0, 128, 0}));
  EXPECT_EQ(plot.series[1].colour, (StRgb{255, 0, 0}));
  EXPECT_EQ(plot.series[2].colour, (StRgb{160, 160, 160}));
  EXPECT_EQ(plot.series[0].x[0], 0);
  EXPECT_EQ(plot.series[1].x[0], secs[0].r);
  EXPECT_EQ(plot.series[1].x[1], secs[1].r);
  EXPECT_DOUBLE_EQ(plot.series[0].y[0], 1.1);
  EXPECT_DOUBLE_EQ(plot.series[0].y[1], 1.1 * 1.0000001);
  EXPECT_NE(plot.series[2].y[0], plot.series[2].y[1]) << "no series is perfectly flat";
  EXPECT_EQ(plot.series[0].penWidth, 4);
  EXPECT_EQ(plot.xTitle, "x - distance from the grain center");
  EXPECT_EQ(plot.width, 400);
  EXPECT_EQ(plot.height, 300);

  // A degenerate grain radius still yields drawable bands.
  StGrainPrm zero = grain(0, 4);
  secPrm none;
  SectionsTable z(zero, none);
  EXPECT_EQ(z.stripBands(50).back(), (StStripBand{0, 0, sectionColour(0)}));
}

}  // namespace
}  // namespace grainix
