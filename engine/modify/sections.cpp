#include "engine/modify/sections.h"

#include <iostream>

#include "engine/core/format.h"

namespace grainix {

StRgb sectionColour(size_t row) {
  static const StRgb table[6] = {{192, 220, 192}, {166, 202, 240}, {255, 182, 108},
                                 {128, 255, 0},   {255, 205, 205}, {252, 233, 1}};
  return table[row % 6];
}

void funcPDF::setParams(double p1, double p2, double p3) {
  prm[0] = p1;
  prm[1] = p2;
  prm[2] = p3;
  prm[3] = prm[4] = 0;
}

void funcPDF::setParams(double p1, double p2, double p3, double p4, double p5) {
  prm[0] = p1;
  prm[1] = p2;
  prm[2] = p3;
  prm[3] = p4;
  prm[4] = p5;
}

void funcPDF::printSections() const { printSections(std::cout); }

funcGeneric0::funcGeneric0(const secPrm& sections) : sections_(sections) {
  name = "percentage";
  picture = "IMGLCPRC";
  id = 6;
}

void funcGeneric0::printSections(std::ostream& out) const {
  for (const auto& s : sections_) out << "*** \n, a=" << fmtGeneral(s.a, 5) << "%, Rmax=" << fmtGeneral(s.r, 5);
}

double funcGeneric0::value(double r) const {
  const size_t n = sections_.size();
  if (n == 0 || r > sections_.back().c) return r;
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const auto& s = sections_[i];
    const double f = 1 + s.a / 100;
    if (r < s.c) return sum + (r - s.b) * f;
    const double width = f * (s.c - s.b);  // each product rounded before it is added
    sum += width;
  }
  return sum;
}

void computeVolumeShares(secPrm& sections, double grainRadius, bool sphere) {
  const int k = sphere ? 3 : 2;
  auto power = [k](double v) { return k == 3 ? v * v * v : v * v; };
  const double factor = 0.01 * power(grainRadius);
  double prev = 0;
  for (auto& s : sections) {
    const double ri = static_cast<float>(s.r);
    s.volumePrc = factor != 0 ? (power(ri) - power(prev)) / factor : 0;
    prev = ri;
  }
}

}  // namespace grainix
