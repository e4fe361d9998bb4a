#include "engine/fit/cmp_exp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace grainix {
namespace {

namespace fs = std::filesystem;

struct Files {
  fs::path dir = fs::temp_directory_path() / ("grainix-cmpexp-" + std::to_string(::getpid()));
  Files() { fs::create_directories(dir); }
  ~Files() { fs::remove_all(dir); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string p = (dir / name).string();
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
};

TEST(CmpExpFile, ReadsDatAndXyzLayouts) {
  Files f;
  struct Case {
    const char* name;
    const char* text;
    int32_t count;  // -1: refused
    const char* message;
  } cases[] = {
      {"a.dat", "1 10\n2 20\n3 30\n", 3, nullptr},
      {"b.dat", "1 10\n2 20\n3 30", 3, nullptr},
      // A last line shorter than 3 characters is not counted.
      {"c.DAT", "1 10\n2 20\n3 30\n \n", 3, nullptr},
      {"d.xyz", "2 points\n1 10\n2 20\n3 30\n", 2, nullptr},
      {"e.XYZ", "2.9\n1 10\n2 20\n", 2, nullptr},
      {"f.txt", "1 10\n", -1, "Wrong format of file"},
      {"g.xyz", "0\n", -1, "Wrong format of file"},
      {"h.dat", "x y\n1 10\n", -1, "Wrong format of file"},
      {"i.dat", "", -1, "Wrong format of file"},
  };
  for (const Case& c : cases) {
    const StExpRead r = readExperimentalFile(f.write(c.name, c.text));
    if (c.count < 0) {
      EXPECT_FALSE(r.result.ok) << c.name;
      ASSERT_EQ(r.result.messages.size(), 1u) << c.name;
      EXPECT_EQ(r.result.messages[0].text, c.message);
      EXPECT_EQ(r.result.messages[0].title, "ERROR");
      continue;
    }
    ASSERT_TRUE(r.result.ok) << c.name;
    EXPECT_EQ(r.data.count, c.count) << c.name;
    EXPECT_EQ(r.data.y[1], 20) << c.name;
  }
  const StExpRead missing = readExperimentalFile((f.dir / "none.dat").string());
  ASSERT_EQ(missing.result.messages.size(), 1u);
  EXPECT_EQ(missing.result.messages[0].text, "Couldn't open file. STOP");
}

TEST(CmpExpFile, NormalisedIntensityDividesByTheScatteringFactor) {
  StScatEquPrm el;  // f(s) = c + sum a_i exp(-b_i s^2)
  el.coef[0] = 2;
  el.coef[1] = 4;
  el.coef[8] = 1;
  StData d;
  d.x = {0, 2};
  d.y = {900, 50};
  d.count = 2;
  StDiffPattern p;
  p.twoTheta = {1, 2, 3};
  ASSERT_TRUE(experimentalS(d, el, "10", p).ok);
  EXPECT_DOUBLE_EQ(p.sOfQ[0], 900.0 / (9 * 10));  // f(0) = 3
  const double f1 = 1 + 2 * std::exp(-4.0);       // s = 2 / 2
  EXPECT_DOUBLE_EQ(p.sOfQ[1], 50 / (f1 * f1 * 10));
  EXPECT_EQ(p.q, d.x);
  EXPECT_EQ(p.intensity, d.y);
  EXPECT_TRUE(p.twoTheta.empty());
  EXPECT_EQ(p.count, 2);

  StDiffPattern kept = p;
  const StCommandResult bad = experimentalS(d, el, "1e4x", p);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(p.sOfQ, kept.sOfQ);
}

TEST(CmpExpPeaks, FromPdhAndPartials) {
  PdhList pdh;
  for (auto [r, c] : {std::pair{1.0, 3}, {1.5, 0}, {2.0, 250}, {30.0, 40}}) pdh.push_back({r, c, 0, 0, 0});
  StFitFormPrm prm;
  prm.pdh = &pdh;
  prm.max = 10;
  std::vector<double> x{9}, y{9};
  ASSERT_TRUE(approximatePeaksFromPdh(prm, x, y));
  // Bins beyond max are taken from the PDH; heights scaled by 10^-2.
  EXPECT_EQ(x, (std::vector<double>{1, 2, 30}));
  ASSERT_EQ(y.size(), 3u);
  EXPECT_NEAR(y[0], 0.03, 1e-8);
  EXPECT_NEAR(y[1], 2.5, 1e-6);
  EXPECT_NEAR(y[2], 0.4, 1e-7);

  prm.max = 0;
  EXPECT_FALSE(approximatePeaksFromPdh(prm, x, y));
  EXPECT_EQ(x.size(), 3u);  // untouched

  StIDCalcResults part;
  part.allocate(4);
  part.r = {1, 2, 3, 4};
  part.rii = {0, 1, 3, 5};
  part.rij = {0, 2, 3, 5};
  part.rjj = {0, 0, 4321 - 6, 5};
  StFitFormPrm bi;
  bi.partial = &part;
  bi.max = 3.5;
  ASSERT_TRUE(approximatePeaksFromPdh(bi, x, y));
  // An empty bin is skipped; the bins stop at r >= max.
  EXPECT_EQ(x, (std::vector<double>{2, 3}));
  EXPECT_NEAR(y[1], 4.321, 1e-6);
}

TEST(CmpExpPeaks, FromFile) {
  Files f;
  std::vector<double> x, y;
  ASSERT_TRUE(readPeaksFile(f.write("p.txt", "2\n2.5 3\n3.54 1.2\n"), x, y).ok);
  EXPECT_EQ(x, (std::vector<double>{2.5, 3.54}));
  EXPECT_EQ(y, (std::vector<double>{3, 1.2}));
  StCommandResult r = readPeaksFile(f.write("q.txt", "3\n2.5 3\n"), x, y);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(x.size(), 2u);
  const std::string none = (f.dir / "none.txt").string();
  r = readPeaksFile(none, x, y);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, "Couldn't open file: " + none);
}

TEST(CmpExpDiagrams, FitDiagramsCycleThroughEightColours) {
  const DiagramDesc first = fitDiagram({0, 1}, {1, 2}, 0, 0);
  EXPECT_EQ(first.caption, "fit diagram: 0");
  EXPECT_EQ(first.graphTitle, "fitting results");
  EXPECT_EQ(first.axisYTitle, "y");
  EXPECT_EQ(first.series[0].color, diagramRgb(0, 128, 0));
  EXPECT_EQ(first.series[0].penWidth, 2u);
  EXPECT_EQ(fitDiagram({0, 1}, {1, 2}, 8, 8).series[0].color, first.series[0].color);  // the ninth
  EXPECT_EQ(fitDiagram({0, 1}, {1, 2}, 1, 1).series[0].color, diagramRgb(128, 0, 0));

  StData d;
  d.x = {1};
  d.y = {2};
  const DiagramDesc plot = experimentalDiagram(d, "/data/x.dat");
  EXPECT_EQ(plot.graphTitle, "data from file:x.dat");
  EXPECT_EQ(plot.caption, "experimental data");
  EXPECT_EQ(plot.margins, (DiagramMargins{60, 60, 60, 60}));
}

TEST(CmpExpSettings, DefaultsAndRoundTrip) {
  IniFile ini;
  StCmpExpSettings s = readCmpExpSettings(ini, "/home/u");
  EXPECT_EQ(s.pathDataExp, "/home/u");
  EXPECT_EQ(s.laMono, -1);
  EXPECT_EQ(s.n, "1e4");
  writeCmpExpSettings(ini, {"/data", 3, "2e5"});
  s = readCmpExpSettings(ini, "/home/u");
  EXPECT_EQ(s.pathDataExp, "/data");
  EXPECT_EQ(s.laMono, 3);
  EXPECT_EQ(s.n, "2e5");
  EXPECT_EQ(ini.value("expfit", "N").value_or(""), "2e5");
}

}  // namespace
}  // namespace grainix
