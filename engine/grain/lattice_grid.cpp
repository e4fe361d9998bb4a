#include "engine/grain/lattice_grid.h"

#include <cmath>

namespace grainix {

namespace {

StLatticeGrid cube(double a, std::vector<std::array<double, 3>> offsets) {
  StLatticeGrid g;
  g.basis = {{{a, 0, 0}, {0, a, 0}, {0, 0, a}}};
  g.offsets = std::move(offsets);
  return g;
}

const std::vector<std::array<double, 3>> kFcc = {{0, 0, 0}, {0.5, 0.5, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5}};

}  // namespace

StLatticeGrid scGrid(double a) { return cube(a, {{0, 0, 0}}); }
StLatticeGrid bccGrid(double a) { return cube(a, {{0, 0, 0}, {0.5, 0.5, 0.5}}); }
StLatticeGrid fccGrid(double a) { return cube(a, kFcc); }

StLatticeGrid diamondGrid(double a) {
  std::vector<std::array<double, 3>> offsets = kFcc;
  for (const auto& o : kFcc) offsets.push_back({o[0] + 0.25, o[1] + 0.25, o[2] + 0.25});
  return cube(a, std::move(offsets));
}

StLatticeGrid stackedGrid(double ha, double c, bool sublattice, double u) {
  StLatticeGrid g;
  g.basis = {{{0, ha, 0}, {ha * std::sqrt(3.0) / 2, -ha / 2, 0}, {0, 0, c}}};
  g.offsets = {{0, 0, 0}, {2.0 / 3, 1.0 / 3, 0}, {1.0 / 3, 2.0 / 3, 0}};
  if (sublattice) {
    for (size_t k = 0; k < 3; ++k) g.offsets.push_back({g.offsets[k][0], g.offsets[k][1], u});
  }
  return g;
}

}  // namespace grainix
