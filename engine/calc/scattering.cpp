#include "engine/calc/scattering.h"

#include <cmath>
#include <numbers>

namespace grainix {

double scatteringFactor(const StScatEquPrm& e, double s) {
  // Summed from c, then a1 ... a4.
  const double s2 = s * s;
  double f = e.coef[8];
  for (int i = 0; i < 4; ++i) f += e.coef[2 * i] * std::exp(-e.coef[2 * i + 1] * s2);
  return f;
}

double debyeFunction(double y) {
  double a;
  if (y >= 1) {
    a = y + 1 / (36 * y) - (1 / (y * y * y)) * (1.0 / 3600);
  } else {
    double sum = 0;
    for (int i = 1; i <= 3; ++i) sum += std::exp(-i / y) * (i * y + y * y) / (i * i);
    const double py = std::numbers::pi * y;
    a = py * py / 6 + 0.25 - sum;
  }
  // a is the whole Debye term phi(x)/x + 1/4 (x = Td / T) that the mean
  // square displacement is proportional to: T / Td + 1/4 and small
  // corrections at high temperature, the zero-point 1/4 at T = 0.
  return a;
}

double debyeWallerFactor(double s, double T, double Td, double mass) {
  return std::exp(-K1 * debyeFunction(T / Td) * (s * s) / (mass * Td));
}

double rmsDisplacement(double T, double Td, double mass) {
  return std::sqrt(K0 * debyeFunction(T / Td) / mass / Td);
}

}  // namespace grainix
