#include "engine/fit/fitter_link.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace grainix {
namespace {

std::string golden(const std::string& name) {
  std::ifstream in(std::string(GRAINIX_SOURCE_DIR) + "/tests/engine/fit/golden/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

StFitConfigInput twoPeaks(int mode, int background) {
  StFitConfigInput in;
  in.mode = mode;
  in.background = background;
  in.positions = {2.5, 3.54};
  in.heights = {0.3, 2.5};
  return in;
}

TEST(FitConfig, MatchesTheGoldenFiles) {
  struct Case {
    int mode, background;
    const char* file;
  } cases[] = {
      {0, kBackgroundPoly2, "mode0_poly2.txt"},
      {1, kBackgroundNone, "mode1_none.txt"},
      {2, kBackgroundPoly2, "mode2_poly2.txt"},
      // "Bessel" counts a background function but writes no block for it.
      {2, kBackgroundBessel, "mode2_bessel.txt"},
  };
  for (const Case& c : cases) {
    const StFitConfig cfg = fitConfigText(twoPeaks(c.mode, c.background));
    ASSERT_TRUE(cfg.result.ok) << c.file;
    EXPECT_EQ(cfg.text, golden(c.file)) << c.file;
  }
}

TEST(FitConfig, AMultiplierMustBeANumber) {
  StFitConfigInput in = twoPeaks(0, kBackgroundNone);
  in.aMult = "ten";
  const StFitConfig cfg = fitConfigText(in);
  EXPECT_FALSE(cfg.result.ok);
  ASSERT_EQ(cfg.result.messages.size(), 1u);
  EXPECT_EQ(cfg.result.messages[0].kind, MessageKind::ConversionError);
}

TEST(FitConfig, FitterReadsWhatTheWindowWrites) {
  // Mode 1 writes "v0" without a colon; the reader takes both forms.
  StFitConfigFile cfg;
  std::string error;
  ASSERT_TRUE(parseFitConfig(golden("mode1_none.txt"), cfg, error)) << error;
  EXPECT_EQ(cfg.maxIter, 1000);
  EXPECT_DOUBLE_EQ(cfg.sigma, 0.125);
  EXPECT_EQ(cfg.common, std::vector<double>{1});
  ASSERT_EQ(cfg.functions.size(), 2u);
  EXPECT_EQ(cfg.functions[1].name, "gaussian_1");
  EXPECT_EQ(cfg.functions[1].values, (std::vector<double>{25, 1, 0.125, 1, 3.54, 1}));

  std::ostringstream quiet;
  setFitDiagnostics(&quiet);
  std::vector<std::unique_ptr<clFunction>> model;
  ASSERT_TRUE(buildFitModel(cfg, model, error)) << error;
  setFitDiagnostics(&std::cout);
  ASSERT_EQ(model.size(), 2u);
  EXPECT_EQ(model[0]->nFit, 1);  // a; b is common, c constant
  EXPECT_EQ(commonPrm, std::vector<double>{1});
  EXPECT_EQ(model[1]->getAll(), (std::vector<double>{25, 1, 0.125, 1, 3.54, 1}));
  EXPECT_DOUBLE_EQ(model[1]->value(3.54), 25);

  ASSERT_TRUE(parseFitConfig(golden("mode2_poly2.txt"), cfg, error)) << error;
  ASSERT_TRUE(buildFitModel(cfg, model, error)) << error;
  EXPECT_EQ(commonPrm, (std::vector<double>{1, 0.125}));
  EXPECT_EQ(model[2]->nFit, 3);
  clearCommonTables();
}

TEST(FitConfig, FitterRefusesBadConfigurations) {
  StFitConfigFile cfg;
  std::string error;
  // A "Bessel" background is announced but has no block.
  EXPECT_FALSE(parseFitConfig(golden("mode2_bessel.txt"), cfg, error));
  EXPECT_NE(error.find("numFunc is 3 but 2"), std::string::npos) << error;

  std::string text = golden("mode0_poly2.txt");
  text.replace(text.find("b:\t2.5"), 6, "b:\tx");
  EXPECT_FALSE(parseFitConfig(text, cfg, error));
  EXPECT_NE(error.find("line 15: not a number in b"), std::string::npos) << error;

  EXPECT_FALSE(parseFitConfig("", cfg, error));
  text = golden("mode0_poly2.txt");
  text.replace(text.find("poly2\n"), 6, "cubic\n");
  EXPECT_FALSE(parseFitConfig(text, cfg, error));
  EXPECT_NE(error.find("unknown function 'cubic'"), std::string::npos) << error;
}

TEST(FitCommand, ShapeWithAndWithoutOptions) {
  StFitCommand c = fitCommandLine({}, "/t/pipe0", "/t/confitt.txt", "/d/x.dat", "");
  EXPECT_EQ(c.text, "fitworker  -p /t/pipe0 /t/confitt.txt /d/x.dat ");
  EXPECT_EQ(c.args, (std::vector<std::string>{"-p", "/t/pipe0", "/t/confitt.txt", "/d/x.dat"}));

  c = fitCommandLine({true, true, true, true}, "/t/pipe0", "/t/confitt.txt", "/d/x.dat", "logfile.txt");
  EXPECT_EQ(c.text, "fitworker  -s -g -w -m -p /t/pipe0 /t/confitt.txt /d/x.dat logfile.txt");
  EXPECT_EQ(c.args.front(), "-s");
  EXPECT_EQ(c.args.back(), "logfile.txt");

  c = fitCommandLine({false, true, false, false}, "p", "c", "d", "");
  EXPECT_EQ(c.text, "fitworker  -g -p p c d ");
}

const char* kSuccess =
    "0 success 2\n"
    "12 0.98\n"
    "0 6 25.1 3.56 0.126 1 1 1\n"
    "1 3 0.5 -2 10\n"
    "STOP";

TEST(FitResult, ParsesSuccess) {
  const StFitResultParse p = parseFitResult(std::string(kSuccess) + '\0');
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.result.errorCode, 0);
  EXPECT_EQ(p.result.message, "success");
  EXPECT_EQ(p.result.iterations, 12);
  EXPECT_DOUBLE_EQ(p.result.convergence, 0.98);
  ASSERT_EQ(p.result.blocks.size(), 2u);
  EXPECT_EQ(p.result.blocks[0].values, (std::vector<double>{25.1, 3.56, 0.126, 1, 1, 1}));
  EXPECT_EQ(p.result.blocks[1].index, 1);

  // What the fitter writes reads back.
  StFitResultText r = p.result;
  const StFitResultParse again = parseFitResult(formatFitResult(r));
  ASSERT_TRUE(again.complete);
  EXPECT_EQ(again.result.blocks[1].values, r.blocks[1].values);
}

TEST(FitResult, ErrorCodeAndMessage) {
  StFitResultParse p = parseFitResult("4 no convergence after 1000 iterations:\nSTOP");
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.result.errorCode, 4);
  EXPECT_EQ(p.result.message, "no convergence after 1000 iterations");
  // At most 63 characters of the message.
  p = parseFitResult("3 " + std::string(100, 'x') + ":");
  EXPECT_EQ(p.result.message, std::string(63, 'x'));

  StFitResultText e;
  e.errorCode = kFitDataError;
  e.message = "Couldn't read data file /d/x.dat";
  EXPECT_EQ(parseFitResult(formatFitResult(e)).result.message, e.message);
}

TEST(FitResult, TruncatedTextIsIncomplete) {
  const std::string full = kSuccess;
  const size_t end = full.find("STOP");
  // Every cut before the last value leaves the text incomplete.
  for (size_t cut : {size_t{0}, size_t{2}, size_t{10}, size_t{17}, full.find("0 6"), end - 4}) {
    const StFitResultParse p = parseFitResult(full.substr(0, cut));
    EXPECT_FALSE(p.complete) << "cut at " << cut;
  }
  EXPECT_FALSE(parseFitResult("").codeRead);
}

TEST(FitResult, WindowViewBuildsPeaksAndBackground) {
  StFitResultsView v = fitResultsView(kSuccess, kFitModes[0], "x.dat", kBackgroundPoly2);
  ASSERT_TRUE(v.ok);
  const std::vector<std::string> memo{"",
                                      " * Results of fitting",
                                      " mode:fit each peak separate",
                                      " input file: x.dat",
                                      "error code: 0 success",
                                      "num. of iterations: 12, covergence: 0.98",
                                      "0) a=25.1, b=3.56, c=0.126, d=1, e=1, f=1",
                                      "1) a=0.5, b=-2, c=10",
                                      "..."};
  EXPECT_EQ(v.memo, memo);
  ASSERT_EQ(v.functions.size(), 2u);
  EXPECT_DOUBLE_EQ(v.functions[0]->value(3.56), 25.1);
  EXPECT_DOUBLE_EQ(v.functions[1]->value(2), 0.5 * 4 - 2 * 2 + 10);

  // Without a background every block is a peak: a block of 3 values is not one.
  v = fitResultsView(kSuccess, kFitModes[0], "x.dat", kBackgroundNone);
  EXPECT_FALSE(v.ok);
  EXPECT_TRUE(v.functions.empty());

  v = fitResultsView("2 line 3: not a number in epsRel_ 'x':STOP", kFitModes[2], "x.dat", kBackgroundPoly2);
  EXPECT_FALSE(v.ok);
  EXPECT_EQ(v.memo.back(), "error code: 2 line 3");
}

TEST(FitCurve, PointsFromZeroToStop) {
  std::vector<std::unique_ptr<clFunction>> f;
  f.push_back(std::make_unique<clPoly23>());
  f.back()->initMasked(0, {0, 1, 0});  // y = x
  const StFitCurve c = fitCurve(f, 51, 10);
  ASSERT_EQ(c.x.size(), 510u);
  EXPECT_EQ(c.x.front(), 0);
  EXPECT_NEAR(c.x.back(), 10, 1e-9);
  EXPECT_EQ(c.y[7], c.x[7]);
  EXPECT_TRUE(fitCurve(f, 1, 1).x.empty());
}

}  // namespace
}  // namespace grainix
