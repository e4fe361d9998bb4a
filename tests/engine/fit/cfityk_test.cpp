// fityk itself reads the scripts: each must load without an error, create
// every peak function and the background, and a fit must run, for a PDH
// source and a G(r) source with the choices of the window.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/calc/diffraction.h"
#include "engine/calc/gr.h"
#include "engine/calc/windowing.h"
#include "engine/core/format.h"
#include "engine/fit/fityk_model.h"
#include "tests/engine/calc/diffr_test_support.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;

std::string findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path p = fs::path(dir) / name;
    if (::access(p.c_str(), X_OK) == 0) return p.string();
  }
  return {};
}

std::string run(const std::string& command) {
  std::string out;
  if (std::FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// An fcc Ni grain of 79 atoms: its PDH below 10 Angs and the G(r) of its
// Cu K-alpha pattern, as the window's two sources.
struct Sources {
  PdhList pdh;
  StDiffPattern pattern;
  StData gr;
  Sources() {
    const ElementTable table = testing::shippedTable();
    const vGrainNodes nodes = testing::fccGrain(3.52, 6, testing::elementIndex(table, "Ni"));
    pdh = testing::naivePdh(nodes, 13, 0.01);
    StDiffrPrm d;
    d.lambda = 1.5444;
    d.k = 2 * M_PI / d.lambda;
    d.start = 5;
    d.stop = 150;
    d.step = 0.1;
    d.binWidth = 0.01;
    d.nodes = &nodes;
    d.pdh = &pdh;
    d.table = &table;
    runDiffraction(d, nullptr, 0, pattern);
    std::unique_ptr<WindowingFunction> window = makeWindow(windowLorch);
    StGrPrm g;
    g.rStart = 0;
    g.rStop = 10;
    g.rStep = 0.01;
    g.pattern = &pattern;
    g.window = window.get();
    computeGr(g, gr);
  }
};

struct Variant {
  const char* name;
  bool gr;
  FitykFunction function;
  FitykBackground background;
  bool commonWidth, multiplier;
};

TEST(FitykScriptInFityk, LoadsCreatesEveryFunctionAndFits) {
  const std::string cfityk = findOnPath("cfityk");
  if (cfityk.empty()) GTEST_SKIP() << "cfityk is not installed (scripts/setup installs the Debian package fityk)";

  const fs::path dir = fs::temp_directory_path() / ("grainix-cfityk-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const Sources src;
  ASSERT_GT(src.gr.count, 0);

  const Variant variants[] = {
      {"pdh-gauss-besel", false, FitykFunction::Gaussian, FitykBackground::Besel, false, false},
      {"pdh-common-mult-poly", false, FitykFunction::Gaussian, FitykBackground::Polynomial2, true, true},
      {"pdh-user-besel", false, FitykFunction::User0, FitykBackground::Besel, true, false},
      {"gr-gauss-poly", true, FitykFunction::Gaussian, FitykBackground::Polynomial2, false, false},
      {"gr-user-mult-poly", true, FitykFunction::User0, FitykBackground::Polynomial2, false, true},
      {"gr-common-besel", true, FitykFunction::Gaussian, FitykBackground::Besel, true, false},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    StFitFormPrm prm;
    prm.pdh = &src.pdh;
    if (v.gr) prm.gr = &src.gr;
    prm.lp = "3.52";  // what a build leaves
    prm.binWidth = 0.01;
    prm.wavelength = 1.5444;
    FitykModel m(prm);
    m.opening();
    if (v.gr) {
      ASSERT_TRUE(m.chooseGr().ok);
    }
    m.functionChanged(v.function);
    if (v.function == FitykFunction::User0)
      m.controls.memo = "define User0(height, center, hwhm) = height*exp(-ln(2)*((x-center)/hwhm)^2)";
    m.controls.background = v.background;
    m.controls.commonWidth = v.commonWidth;
    m.controls.multiplier = v.multiplier;
    m.controls.am = "2";
    m.controls.min = "1";
    const fs::path script = dir / (std::string(v.name) + ".fit");
    ASSERT_TRUE(m.save(script.string()).ok);

    // The data: the script's own peaks a little wider and shifted, on a slope.
    std::vector<std::pair<std::string, double>> peaks;  // name, position
    const StPeakList& p = m.peaks();
    for (size_t i = 0; i < p.x.size(); ++i)
      if (p.x[i] >= 1 && p.x[i] < 10) peaks.push_back({"%g" + std::to_string(i), p.x[i]});
    ASSERT_GE(peaks.size(), 5u);
    const fs::path data = dir / (std::string(v.name) + ".dat");
    {
      std::ofstream out(data);
      for (int k = 0; k <= 1000; ++k) {
        const double x = k * 0.01;
        double y = 0.3 + 0.05 * x;
        for (size_t i = 0; i < p.x.size(); ++i)
          if (p.x[i] >= 1 && p.x[i] < 10)
            y += std::fabs(p.y[i] / p.x[i]) * std::exp(-std::log(2.0) * std::pow((x - 1.005 * p.x[i]) / 0.12, 2));
        out << fmtPrintf("%.4f %.6g\n", x, y);
      }
    }
    const fs::path driver = dir / (std::string(v.name) + "-driver.fit");
    {
      std::ofstream out(driver);
      out << "@0 < " << data.string() << "\n"
          << "exec " << script.string() << "\n"
          << "print " << peaks.front().first << ".center\n"
          << "fit\n"
          << "info F\n";
    }
    const std::string out = run(cfityk + " -I -n -q " + driver.string() + " 2>&1");
    EXPECT_EQ(out.find("rror"), std::string::npos) << out;
    for (const auto& [name, x] : peaks) EXPECT_NE(out.find(name + " created."), std::string::npos) << name;
    EXPECT_NE(out.find("%BCG created."), std::string::npos);
    EXPECT_NE(out.find("Fitting "), std::string::npos) << out;
    EXPECT_NE(out.find("WSSR"), std::string::npos) << out;
    // The first centre starts at its position, though $lp starts at 3.52.
    const std::string asked = "print " + peaks.front().first + ".center\n";
    const size_t at = out.find(asked);
    ASSERT_NE(at, std::string::npos) << out;
    const size_t from = at + asked.size();
    const std::string answer = out.substr(from, out.find('\n', from) - from);
    double centre = 0;
    ASSERT_TRUE(parseDouble(answer, centre)) << answer;
    EXPECT_NEAR(centre, peaks.front().second, 1e-5);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace grainix
