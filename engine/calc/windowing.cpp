#include "engine/calc/windowing.h"

#include <cmath>
#include <numbers>

namespace grainix {

double HammingWindow::weight(double q) const { return 0.54 + 0.46 * std::cos(scale * q); }

void HammingWindow::setQmax(double qmax) { scale = (std::numbers::pi / qmax) * 0.5; }

double LorchWindow::weight(double q) const {
  const double x = scale * q;
  if (q == 0 || x == 0) return 1;  // sin x / x -> 1
  return std::sin(x) / x;
}

void LorchWindow::setQmax(double qmax) { scale = std::numbers::pi / qmax; }

std::unique_ptr<WindowingFunction> makeWindow(int choice) {
  switch (choice) {
    case windowNone: return std::make_unique<NoneWindow>();
    case windowHamming: return std::make_unique<HammingWindow>();
    default: return std::make_unique<LorchWindow>();
  }
}

}  // namespace grainix
