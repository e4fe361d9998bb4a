#pragma once
// A synthetic measured pattern for fit tests: three Gaussian peaks of one
// width at 1.01 times the approximate positions (a lattice expanded by
// 1 %), on a quadratic background, with seeded normal noise.
#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace grainix::testing {

struct SyntheticPeaks {
  std::vector<double> approx{2.5, 3.54, 4.33};  // approximate positions given to the fit
  std::vector<double> heights{30, 12, 24};      // true heights
  double scale = 1.01;                          // true position = scale * approx
  double width = 0.125;
  double bgA = 0.5, bgB = -2, bgC = 10;         // background a x^2 + b x + c
  double noise = 0.2;

  double truePosition(size_t k) const { return scale * approx[k]; }
  double value(double x) const {
    double y = (bgA * x + bgB) * x + bgC;
    for (size_t k = 0; k < approx.size(); ++k) {
      const double u = (x - truePosition(k)) / width;
      y += heights[k] * std::exp(-0.5 * u * u);
    }
    return y;
  }
  // 601 points from 1.5 to 5.5 Angs, tab-separated.
  void write(const std::string& path) const {
    std::ofstream f(path);
    f.precision(10);
    std::mt19937 gen(20);
    std::normal_distribution<double> n(0, noise);
    for (int i = 0; i <= 600; ++i) {
      const double x = 1.5 + 4.0 * i / 600;
      f << x << '\t' << value(x) + n(gen) << '\n';
    }
  }
};

}  // namespace grainix::testing
