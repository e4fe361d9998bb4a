#include "fitworker/fitworker_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/fit/fitter_link.h"
#include "engine/fit/pipe_link.h"
#include "tests/fitworker/synthetic_peaks.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;

struct FitRun {
  int status = -1;
  std::string out, err;
  StFitResultParse parsed;
};

struct Fitworker : ::testing::Test {
  fs::path dir;
  testing::SyntheticPeaks peaks;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("grainix-fitworker-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    peaks.write(path("data.dat"));
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }

  // The configuration the window writes for the synthetic peaks.
  std::string writeConfig(int mode, const std::string& maxIter = "1e3") {
    StFitConfigInput in;
    in.mode = mode;
    in.maxIter = maxIter;
    in.epsAbs = "1e-6";
    in.epsRel = "1e-6";
    in.c = "0.1";
    in.positions = peaks.approx;
    for (double h : peaks.heights) in.heights.push_back(h / 10 * 0.8);  // 20 % low; "a mult." is 10
    const std::string p = path("confitt.txt");
    std::ofstream(p) << fitConfigText(in).text;
    return p;
  }
  FitRun run(const std::vector<std::string>& args, int connectTimeoutMs = 30000) {
    std::ostringstream out, err;
    std::istringstream in;
    FitRun r;
    r.status = runFitworker(args, {&out, &err, &in, connectTimeoutMs});
    r.out = out.str();
    r.err = err.str();
    r.parsed = parseFitResult(r.out);
    return r;
  }
  void expectRecovered(const StFitResultText& r, int mode) {
    ASSERT_EQ(r.blocks.size(), 4u);
    for (size_t k = 0; k < 3; ++k) {
      const std::vector<double>& v = r.blocks[k].values;
      const double position = v[1] * v[4];  // b * e
      const double height = v[0] * v[3];    // a * d
      EXPECT_NEAR(position, peaks.truePosition(k), 0.01) << "mode " << mode << " peak " << k;
      EXPECT_NEAR(height / peaks.heights[k], 1.0, 0.02) << "mode " << mode << " peak " << k;
    }
    const std::vector<double>& bg = r.blocks[3].values;
    EXPECT_NEAR(bg[0], peaks.bgA, 0.05);
  }
};

TEST_F(Fitworker, RecoversPeaksInEveryModeWithBothMethods) {
  for (int mode : {0, 1, 2}) {
    for (bool uLM : {false, true}) {
      std::vector<std::string> args;
      if (uLM) args.push_back("-m");
      args.insert(args.end(), {writeConfig(mode), path("data.dat")});
      const FitRun r = run(args);
      ASSERT_EQ(r.status, 0) << r.out << r.err;
      ASSERT_TRUE(r.parsed.complete) << r.out;
      EXPECT_EQ(r.parsed.result.message, "success");
      EXPECT_GT(r.parsed.result.iterations, 0);
      if (mode == 1) {
        // Widths are constant in mode 1 (0.1, not the true 0.125): the heights
        // cannot match; the positions still do.
        for (size_t k = 0; k < 3; ++k) {
          const std::vector<double>& v = r.parsed.result.blocks[k].values;
          EXPECT_NEAR(v[1] * v[4], peaks.truePosition(k), 0.01);
          EXPECT_DOUBLE_EQ(v[2], 0.1);
        }
      } else {
        expectRecovered(r.parsed.result, mode);
        // The noise is 0.2 against sigma 0.125: the reduced chi-square is about 2.56.
        EXPECT_NEAR(r.parsed.result.convergence, 2.56, 0.4);
      }
    }
  }
}

TEST_F(Fitworker, ErrorsAreCodesWithMessagesAndNonZeroStatus) {
  std::ofstream(path("bad.txt")) << "maxIter:\t1e3\nepsABS_:\tx\n";
  std::ofstream(path("bad.csv")) << "1 2\n3 4\n";
  const std::string cfg = writeConfig(2);
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* message;
  } cases[] = {
      {{cfg}, kFitUsage, "a configuration and a data file are needed"},
      {{"-q", cfg, path("data.dat")}, kFitUsage, "unknown option -q"},
      {{path("none.txt"), path("data.dat")}, kFitConfigError, "couldn't read the configuration"},
      {{path("bad.txt"), path("data.dat")}, kFitConfigError, "bad configuration, line 2, not a number in epsABS_"},
      {{cfg, path("none.dat")}, kFitDataError, "couldn't read data file"},
      {{cfg, path("bad.csv")}, kFitDataError, "wrong format of data file"},
      {{writeConfig(0, "2"), path("data.dat")}, kFitNoConvergence, "no convergence after 2 iterations"},
  };
  for (const Case& c : cases) {
    const FitRun r = run(c.args);
    EXPECT_EQ(r.status, c.code) << c.message;
    ASSERT_TRUE(r.parsed.complete) << r.out;
    EXPECT_EQ(r.parsed.result.errorCode, c.code);
    EXPECT_EQ(r.parsed.result.message.rfind(c.message, 0), 0u) << r.parsed.result.message;
  }
}

TEST_F(Fitworker, SendsTheTextOverTheSocketAndLogsIt) {
  const std::string socket = path("pipe0");
  StPipeResults res;
  std::atomic<bool> stop{false};
  StPipeExchange e;
  std::thread server([&] { e = runPipeExchange(res, socket, stop, {200, 20}); });
  const FitRun r = run({"-s", "-p", socket, writeConfig(2), path("data.dat"), path("log.txt")});
  server.join();
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(e.outcome, PipeOutcome::Succeeded);
  const std::string marker("STOP\0", 5);
  ASSERT_GT(res.text.size(), marker.size());
  EXPECT_EQ(res.text.substr(res.text.size() - 5), marker);
  const std::string text = res.text.substr(0, res.text.size() - 5);
  // -s prints the same text, followed by the functions' parameters.
  EXPECT_EQ(r.out.rfind(text, 0), 0u);
  EXPECT_NE(r.out.find("fit common"), std::string::npos);
  std::ifstream log(path("log.txt"));
  std::stringstream logged;
  logged << log.rdbuf();
  EXPECT_NE(logged.str().find(text), std::string::npos);

  // Nobody serves the socket: the fitter gives up after its time.
  const FitRun lost = run({"-p", path("nobody"), writeConfig(2), path("data.dat")}, 100);
  EXPECT_EQ(lost.status, kExitNoPipe);
  EXPECT_NE(lost.err.find("couldn't reach"), std::string::npos);
}

}  // namespace
}  // namespace grainix
