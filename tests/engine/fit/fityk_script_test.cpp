#include "engine/fit/fityk_script.h"

#include <gtest/gtest.h>

namespace grainix {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      out.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  EXPECT_EQ(start, text.size()) << "the last line ends with \\n";
  return out;
}

// Peaks at list indices 3 and 4 lie in [0, 10); the others do not.
StPeakList examplePeaks() { return {{-1.5, -1, -0.5, 2.5, 3.54, 10, 4}, {1, 1, 1, 5, 7.08, 1, 1}}; }

TEST(FitykScript, ExampleScriptLineByLine) {
  StFitykScriptInput in;  // Gaussian, Besel, no common width, no multiplier, 0..10, lp 1, std 0.1, am 1
  std::string text;
  ASSERT_TRUE(fitykScript(in, examplePeaks(), text).ok);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(lines(text), (std::vector<std::string>{
                             "# skrypt fityka na podstawie danych z PDH",
                             "A= a or (0 <x <10)",
                             "$lp=~1",
                             "$am=1",
                             "define BeseL(a=1,r=25)=a*x*(2*r-x)^2*(r+x)/2/r^3",
                             "%g3= Gaussian(height=~2, center=2.5*$lp, hwhm=~0.1)",
                             "%g4= Gaussian(height=~2, center=3.54*$lp, hwhm=~0.1)",
                             "%BCG = BeseL(a=~-1,r=~25)",
                             "F+=%g3+%g4+%BCG",
                         }));
}

TEST(FitykScript, CommonWidthMultiplierUserFunctionAndPolynomial) {
  StFitykScriptInput in;
  in.fromPdh = false;
  in.min = "2";
  in.max = "3.6";
  in.lp = "3.54";
  in.std = "0.05";
  in.am = "2.5";
  in.memo = "define User0(height, center, hwhm) = Gaussian(height, center, hwhm)\r\n# second line";
  in.function = FitykFunction::User0;
  in.background = FitykBackground::Polynomial2;
  in.commonWidth = true;
  in.multiplier = true;
  std::string text;
  ASSERT_TRUE(fitykScript(in, {{1.0, 2.5, 3.54, 3.7}, {9, 4, 1.416, 9}}, text).ok);
  EXPECT_EQ(lines(text), (std::vector<std::string>{
                             "# skrypt fityka na podstawie danych z PDF",
                             "A= a or (2 <x <3.6)",
                             "$lp=~3.54",
                             "$std=~0.05",
                             "$am=2.5",
                             "define User0(height, center, hwhm) = Gaussian(height, center, hwhm)",
                             "# second line",
                             "define BeseL(a=1,r=25)=a*x*(2*r-x)^2*(r+x)/2/r^3",
                             // centres in units of the lattice parameter: x / lp * $lp starts at x
                             "%g1= User0(height=~4, center=0.706215*$lp, hwhm=$std)",
                             "%g2= User0(height=~1, center=1*$lp, hwhm=$std)",
                             "%BCG = Polynomial6(slope=~0.0, intercept=~-0.0, avgy=~-0.0)",
                             "F+=%g1+%g2+%BCG",
                         }));
}

TEST(FitykScript, RefusalsWriteNothing) {
  struct Case {
    const char* what;
    std::string StFitykScriptInput::*field;
    const char* value;
    StPeakList peaks;
    std::string message;
  };
  const StPeakList ok{{1, 2}, {1, 1}};
  const std::vector<Case> cases = {
      {"max", &StFitykScriptInput::max, "1O", ok, "'1O' is not a valid floating point value"},
      {"lp", &StFitykScriptInput::lp, "", ok, "'' is not a valid floating point value"},
      {"std", &StFitykScriptInput::std, "0.1.", ok, "'0.1.' is not a valid floating point value"},
      {"am", &StFitykScriptInput::am, "x", ok, "'x' is not a valid floating point value"},
      {"min", &StFitykScriptInput::min, "-", ok, "'-' is not a valid floating point value"},
      {"lp 0", &StFitykScriptInput::lp, "0", ok,
       "Latt. prm is 0: the peak centres are written as x/lp*$lp and need a lattice parameter other than 0."},
      {"peak at 0", &StFitykScriptInput::min, "0", {{0, 1}, {5, 1}},
       "The peak %g0 at x=0 has no finite height (height = am*y/x). Remove it in \"Lista\" or raise \"min R\"."},
  };
  for (const Case& c : cases) {
    StFitykScriptInput in;
    in.*c.field = c.value;
    std::string text = "untouched";
    const StCommandResult r = fitykScript(in, c.peaks, text);
    EXPECT_FALSE(r.ok) << c.what;
    ASSERT_EQ(r.messages.size(), 1u) << c.what;
    EXPECT_EQ(r.messages[0].text, c.message) << c.what;
    EXPECT_EQ(r.messages[0].title, "Error") << c.what;
    EXPECT_EQ(text, "untouched") << c.what;
  }
}

TEST(FitykPeaks, PdhBinsBelowMaxWithPairs) {
  PdhList pdh;
  for (int k = 0; k < 8; ++k) pdh.push_back({k * 0.5, k % 3 == 0 ? 0 : k * 10});
  const StPeakList p = peaksFromPdh(pdh, 3.0);  // bins at 0.5, 1, 2, 2.5; 3 and 3.5 lie at or beyond max
  EXPECT_EQ(p.x, (std::vector<double>{0.5, 1, 2, 2.5}));
  EXPECT_EQ(p.y, (std::vector<double>{10, 20, 40, 50}));
  EXPECT_TRUE(peaksFromPdh(pdh, 0).x.empty());
}

TEST(FitykPeaks, PartialBinsSumTheirCountsBelowMax) {
  StIDCalcResults partial;
  partial.allocate(5);
  for (int i = 0; i < 5; ++i) partial.r[static_cast<size_t>(i)] = i * 0.5;
  partial.rii = {0, 1, 0, 2, 9};
  partial.rij = {0, 2, 0, 0, 9};
  partial.rjj = {0, 0, 0, 1, 9};
  const StPeakList p = peaksFromPartial(partial, 2.0);  // bin 4 at r = 2 is not below max
  EXPECT_EQ(p.x, (std::vector<double>{0.5, 1.5}));
  EXPECT_EQ(p.y, (std::vector<double>{3, 3}));  // bin 2 holds no pair and is skipped
}

TEST(FitykPeaks, AmplitudesAreScaledIntoOneToTen) {
  EXPECT_EQ(amplitudeFactor(4321), 0.001f);
  EXPECT_EQ(amplitudeFactor(1000), 0.001f);
  EXPECT_EQ(amplitudeFactor(999), 0.01f);
  EXPECT_EQ(amplitudeFactor(7), 1.0f);
  std::vector<double> y{3, 250, 40};
  scaleAmplitudes(y);
  EXPECT_DOUBLE_EQ(y[0], 3 * static_cast<double>(0.01f));
  EXPECT_DOUBLE_EQ(y[1], 250 * static_cast<double>(0.01f));
  EXPECT_NEAR(y[2], 0.4, 1e-8);
}

TEST(FitykPeaks, GrPeaksCloserThanATenthAreDropped) {
  StData gr;
  //      0    1     2    3     4     5    6    7     8     9
  gr.x = {0.0, 0.05, 0.2, 0.25, 0.28, 0.5, 0.6, 0.65, 0.69, 0.8};
  gr.y = {0.0, 5.0,  5.0, 1.0,  9.0,  0.0, 3.0, 0.0,  4.0,  0.0};
  gr.count = 10;
  // 0.05 is not beyond x[0] + 0.1; 0.2 is taken (a maximum by >=); the
  // higher 0.28 lies within 0.1 of it; 0.6 is taken; 0.69 lies within 0.1 of 0.6.
  const StPeakList p = peaksFromGr(gr);
  EXPECT_EQ(p.x, (std::vector<double>{0.2, 0.6}));
  EXPECT_EQ(p.y, (std::vector<double>{5, 3}));
  gr.y.assign(10, 1.0);
  gr.y[0] = 2;  // a plateau: every point counts as a maximum by >=
  EXPECT_EQ(peaksFromGr(gr).x, (std::vector<double>{0.2, 0.5, 0.65}));
  gr.count = 2;
  EXPECT_TRUE(peaksFromGr(gr).x.empty());
}

}  // namespace
}  // namespace grainix
