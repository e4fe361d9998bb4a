#include "engine/fit/fityk_model.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/io/settings.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("grainix-fityk-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

// A PDH of bins 0.5 wide; the largest count below max = 10 is 4321.
PdhList pdhFixture() {
  PdhList pdh;
  const int cards[] = {0, 0, 0, 12, 0, 4321, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99999};
  for (int k = 0; k < 21; ++k) pdh.push_back({k * 0.5, cards[k]});
  return pdh;
}

StData grFixture() {
  StData gr;
  gr.x = {0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0};
  gr.y = {0, 1, 0, 2, 0, 3, 0};
  gr.count = 7;
  return gr;
}

struct Fixture {
  PdhList pdh = pdhFixture();
  StData gr = grFixture();
  StFitFormPrm prm;
  Fixture() {
    prm.pdh = &pdh;
    prm.binWidth = 0.001;
    prm.wavelength = 0.56;
    prm.folder = "/data";
  }
};

TEST(FitykWindow, OpeningWithAPdhLoadsItScaled) {
  Fixture f;
  f.prm.lp = "3.54";
  f.prm.std = "0.2";
  f.prm.cmdLine = "#mine";
  f.prm.min = "1";
  f.prm.am = "3";
  f.prm.max = 1.23456789e-7;
  FitykModel m(f.prm);
  ASSERT_TRUE(m.opening().ok);
  const StFitykControls& c = m.controls;
  EXPECT_EQ(c.lp, "3.54");
  EXPECT_EQ(c.std, "0.2");
  EXPECT_EQ(c.memo, "#mine");
  EXPECT_EQ(c.min, "1");
  EXPECT_EQ(c.am, "3");
  EXPECT_EQ(c.max, "1.2346E-00007");  // general, 5 digits, 5 exponent digits
  EXPECT_EQ(c.en, "280");             // ceil(0.56 / 2 / 0.001): bins in half a wavelength
  EXPECT_EQ(c.zakres, "0.28");
  EXPECT_FALSE(m.grEnabled());
  EXPECT_EQ(c.source, FitykSource::Pdh);
  EXPECT_TRUE(m.peaks().x.empty());  // max is below every bin

  f.prm.max = 10;
  FitykModel m10(f.prm);
  m10.opening();
  EXPECT_EQ(m10.controls.max, "10");
  EXPECT_EQ(m10.peaks().x, (std::vector<double>{1.5, 2.5, 3.0}));  // 99999 at r = 10 is not below max
  EXPECT_DOUBLE_EQ(m10.peaks().y[1], 4321 * static_cast<double>(0.001f));
}

TEST(FitykWindow, WithAGrNoSourceIsChosenAndSaveIsRefused) {
  Fixture f;
  f.prm.gr = &f.gr;
  FitykModel m(f.prm);
  m.opening();
  EXPECT_TRUE(m.grEnabled());
  EXPECT_EQ(m.controls.source, FitykSource::None);
  const StCommandResult r = m.saveCheck();
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], (StMessage{MessageKind::Error, "Error",
                                      "Przed wygenerowaniem fityka musi byc zaznaczony jeden z radio buttonw: PDH "
                                      "lub G(r)"}));
  ASSERT_TRUE(m.chooseGr().ok);
  EXPECT_EQ(m.peaks().x, (std::vector<double>{0.5, 1.5, 2.5}));
  EXPECT_EQ(m.peaks().y, (std::vector<double>{1, 2, 3}));  // G(r) values are not scaled
}

TEST(FitykWindow, ChoosingASourceReplacesThePeakList) {
  Fixture f;
  f.prm.gr = &f.gr;
  FitykModel m(f.prm);
  m.opening();
  m.choosePdh();
  m.choosePdh();
  EXPECT_EQ(m.peaks().x.size(), 3u);
  m.chooseGr();
  EXPECT_EQ(m.peaks().x, (std::vector<double>{0.5, 1.5, 2.5}));
  EXPECT_EQ(m.controls.source, FitykSource::Gr);
  m.choosePdh();
  EXPECT_EQ(m.peaks().x, (std::vector<double>{1.5, 2.5, 3.0}));

  StData flat;
  flat.x = {0, 1, 2};
  flat.y = {1, 0, 1};
  flat.count = 3;
  f.prm.gr = &flat;
  const StCommandResult r = m.chooseGr();
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], (StMessage{MessageKind::Error, "ERROR", "blad kopiowania"}));
  EXPECT_TRUE(m.peaks().x.empty());
}

TEST(FitykWindow, PartialHistogramsAsTheSource) {
  StIDCalcResults partial;
  partial.allocate(4);
  partial.r = {0, 1, 2, 3};
  partial.rij = {0, 250, 3, 40};
  StFitFormPrm prm;
  prm.partial = &partial;
  prm.max = 2.5;
  FitykModel m(prm);
  m.opening();
  EXPECT_EQ(m.peaks().x, (std::vector<double>{1, 2}));
  EXPECT_DOUBLE_EQ(m.peaks().y[0], 250 * static_cast<double>(0.01f));
}

TEST(FitykWindow, PdhEntirelyBeyondEmaxGivesTheBackgroundAlone) {
  Fixture f;
  FitykModel m(f.prm);
  m.opening();  // peaks at 1.5, 2.5 and 3 (below the record's max of 10)
  m.controls.max = "1.5";
  std::string text;
  ASSERT_TRUE(m.script(text).ok);
  EXPECT_EQ(text.find("%g"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 34), "%BCG = BeseL(a=~-1,r=~25)\nF+=%BCG\n");
}

TEST(FitykWindow, FunctionBoxAndEnRules) {
  Fixture f;
  FitykModel m(f.prm);
  m.opening();
  m.functionChanged(FitykFunction::User0);
  EXPECT_EQ(m.controls.memo, "define User0");
  m.functionChanged(FitykFunction::Gaussian);
  EXPECT_EQ(m.controls.memo, "#fityk command line");
  m.controls.en = "5";
  m.enChanged();
  EXPECT_EQ(m.controls.zakres, "0.005");
  m.controls.en = "5x";
  m.enChanged();
  EXPECT_EQ(m.controls.zakres, "0.005");
  m.enLeft();
  EXPECT_EQ(m.controls.en, "5x");
  m.controls.en.clear();
  m.enLeft();
  EXPECT_EQ(m.controls.en, "280");
  EXPECT_EQ(m.controls.zakres, "0.28");
}

TEST(FitykWindow, PreviewSmoothsEveryBin) {
  Fixture f;
  FitykModel m(f.prm);
  m.opening();
  m.controls.en = "1";
  DiagramDesc d;
  ASSERT_TRUE(m.preview(d).ok);
  ASSERT_EQ(d.series.size(), 1u);
  const SeriesDesc& s = d.series[0];
  ASSERT_EQ(s.x.size(), 21u);
  EXPECT_DOUBLE_EQ(s.y[0], 0);
  EXPECT_DOUBLE_EQ(s.y[4], (12 + 0 + 4321) / 3.0);
  EXPECT_DOUBLE_EQ(s.y[20], 99999 / 3.0);  // zero beyond the end
  EXPECT_EQ(s.color, kColorBlue);
  EXPECT_EQ(s.penWidth, 2u);
  EXPECT_EQ(d.margins, (DiagramMargins{60, 60, 60, 60}));
  EXPECT_EQ(d.axisXTitle, "pair distance");
  EXPECT_EQ(d.axisYTitle, "PDH cardinality");
  EXPECT_EQ(d.precision, 3);
  EXPECT_EQ(d.digits, 3);
  EXPECT_TRUE(d.grid);
  EXPECT_EQ(d.listEntries, std::vector<std::string>{"wykres"});
  EXPECT_EQ(m.peaks().x.size(), 3u);  // the peak list is not changed

  m.controls.filter = FitykFilter::Derivative;
  m.controls.en = "2";
  ASSERT_TRUE(m.preview(d).ok);
  EXPECT_NEAR(d.series[0].y[5], 0.1 * 7 - 0.2 * 12, 1e-9);  // C(t) = -t/10
}

TEST(FitykWindow, PreviewRefusals) {
  Fixture f;
  FitykModel m(f.prm);
  m.opening();
  DiagramDesc d;
  m.controls.en = "2.5";
  StCommandResult r = m.preview(d);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, "'2.5' is not a valid integer value");
  m.controls.en = "0";
  m.controls.filter = FitykFilter::Derivative;
  r = m.preview(d);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].kind, MessageKind::Error);

  StIDCalcResults partial;
  partial.allocate(2);
  partial.rij = {1, 1};
  StFitFormPrm prm;
  prm.partial = &partial;
  FitykModel pm(prm);
  pm.opening();
  pm.controls.en = "1";
  r = pm.preview(d);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(r.messages[0].text, kFitykPartialPreview);
}

TEST(FitykWindow, SaveWritesTheScriptAndStoresTheInputs) {
  TempDir dir;
  Fixture f;
  FitykModel m(f.prm);
  m.opening();
  EXPECT_EQ(m.saveDialog().folder, "/data");
  EXPECT_EQ(m.saveDialog().name, "script");
  EXPECT_EQ(m.saveDialog().filter, "Fityk script(*.fit)|*.fit");
  m.controls.lp = "2";
  m.controls.std = "0.3";
  m.controls.min = "2";
  m.controls.max = "7.5";
  m.controls.memo = "#kept";
  m.controls.am = "4";
  const fs::path path = dir.path / "script.fit";
  ASSERT_TRUE(m.save(path.string()).ok);
  std::string expected;
  ASSERT_TRUE(m.script(expected).ok);
  EXPECT_EQ(readFile(path), expected);
  EXPECT_NE(expected.find("\n%g1= Gaussian(height=~1.7284, center=1.25*$lp, hwhm=~0.3)\n"), std::string::npos)
      << expected;
  EXPECT_EQ(f.prm.lp, "2");
  EXPECT_EQ(f.prm.std, "0.3");
  EXPECT_EQ(f.prm.min, "2");
  EXPECT_EQ(f.prm.max, 7.5);
  EXPECT_EQ(f.prm.cmdLine, "#kept");
  EXPECT_EQ(f.prm.am, "1");  // not stored back
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 1);
  // Saved through a symbolic link, the link stays and its file gets the script.
  fs::create_symlink("script.fit", dir.path / "link.fit");
  ASSERT_TRUE(m.save((dir.path / "link.fit").string()).ok);
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.fit"));
  EXPECT_EQ(readFile(path), expected);

  // A failed write and a refused script leave the record and the old file.
  m.controls.lp = "9";
  const std::string missing = (dir.path / "no-such-folder" / "s.fit").string();
  StCommandResult r = m.save(missing);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], (StMessage{MessageKind::Error, "Error", "Couldn't open file"}));
  EXPECT_EQ(r.log, std::vector<std::string>{missing + ": No such file or directory"});
  m.controls.max = "ten";
  r = m.save(path.string());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages.at(0).kind, MessageKind::ConversionError);
  EXPECT_EQ(readFile(path), expected);
  EXPECT_EQ(f.prm.lp, "2");
}

TEST(FitFormPrm, MainWindowCommandsFillTheRecord) {
  StFitFormPrm prm;
  ASSERT_TRUE(fitykCommand(prm, "/d", "0.002", "1.54").ok);
  EXPECT_EQ(prm.folder, "/d");
  EXPECT_EQ(prm.binWidth, 0.002);
  EXPECT_EQ(prm.wavelength, 1.54);
  StCommandResult r = fitykCommand(prm, "/e", "0,001", "1.54");
  EXPECT_EQ(r.messages.at(0).text, "'0,001' is not a valid floating point value");
  EXPECT_EQ(prm.folder, "/d");

  StGrPrm gr;
  StCompareTexts t{"/x", "0", "30", "0.05", "15", "0.001", "0.71"};
  ASSERT_TRUE(compareCommand(prm, gr, t).ok);
  EXPECT_EQ(prm.max, 30);
  EXPECT_EQ(prm.grPrm, &gr);
  EXPECT_EQ(prm.folder, "/x");
  EXPECT_EQ(prm.wavelength, 0.71);
  EXPECT_EQ(gr.rStop, 30);
  EXPECT_EQ(gr.rStep, 0.05);
  t.lambda = "";
  t.radius = "20";
  EXPECT_FALSE(compareCommand(prm, gr, t).ok);
  EXPECT_EQ(prm.max, 30);
}

TEST(FitFormPrm, SettingsKeysRoundTrip) {
  StSettings s;
  s.fitLp = "2.5";
  s.fitMax = 31;
  s.fitStd = "0.02";
  s.fitCmdLine = "define X";
  s.fitMin = "1";
  s.fitAm = "7";
  StFitFormPrm prm;
  applyFitSettings(prm, s);
  EXPECT_EQ(prm.lp, "2.5");
  EXPECT_EQ(prm.max, 31);
  EXPECT_EQ(prm.am, "7");
  StSettings back;
  storeFitSettings(prm, back);
  EXPECT_EQ(back.fitCmdLine, "define X");
  EXPECT_EQ(back.fitStd, "0.02");
  EXPECT_EQ(back.fitMin, "1");
}

}  // namespace
}  // namespace grainix
