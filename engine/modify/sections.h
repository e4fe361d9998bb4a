#pragma once
// Concentric sections of a grain (core, shells, surface) and their radial mapping.
#include <cstdint>
#include <string>
#include <vector>

namespace grainix {

struct StSectionPrm {
  std::string name = "empty";
  int32_t n = 0;              // displacement function number, always 0
  double r = 0;               // outer radius (Angs)
  double latticePrmMod = 0;   // latticePrm * (1 + a / 100)
  double a = 0;               // psi: relative change of the lattice parameter, %
  double b = 0;               // inner radius
  double c = 0;               // outer radius again
  double volumePrc = 0;       // share of the grain volume (area for cylinders), %
};
using secPrm = std::vector<StSectionPrm>;

}  // namespace grainix
