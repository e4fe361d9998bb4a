#pragma once
// Close-packed grains stacked layer by layer from a sequence of the letters
// A, B and C (ABAB... hcp, ABCABC... fcc with (111) along z), as spheres or
// cylinders (axis along z), optionally with a second sublattice raised by
// u*c above every atom (wurtzite-like structures).
#include <cstdint>
#include <string>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"

namespace grainix {

// Initial layer geometry derived from the cubic lattice parameter a: the
// close-packed layers of fcc with parameter a.
double initialHcpA(double latticePrm);   // ha = a / sqrt(2)
double initialHcpC(double latticePrm);   // c = a / sqrt(3)
double initialHcpCa();                   // c / ha = sqrt(2/3)
// Cubic parameter of the same atomic volume: (2 sqrt(3) ha^2 c)^(1/3).
double equivalentCubicPrm(double ha, double c);

// v = ceil(R / (ha sqrt(3)/2)), the half-width of the layer patch.
int64_t patchHalfWidth(double radius, double ha);
// Smallest number of layers that fills a sphere: 2 ceil(R / (ha sqrt(3)/2)) + 2.
int64_t minLayers(double radius, double ha);

// One character per pair of consecutive letters of the upper-cased sequence:
// "+" when the second follows the first cyclically (A->B, B->C, C->A), "O"
// when they are equal, "-" otherwise.
std::string transitionString(const std::string& sequence);
// ASCII upper-casing of a sequence.
std::string upperSequence(const std::string& sequence);

// The triangular layer patch m*A + k*B, |m|, |k|, |m - k| <= v, in its fixed
// order (row 0, then rows k and -k alternately); r is the distance from the origin.
vGrainNodes layerPatch(double ha, int64_t v);

struct StStackingInput {
  std::string sequence;      // letters A, B, C (lower case accepted)
  double ha = 0;             // in-layer spacing
  double c = 0;              // layer spacing
  bool sublattice = true;    // add the partner atom u*c above every atom
  double u = 0.75;
  bool circularCut = true;   // cylinders: keep only x^2 + y^2 <= R^2 of the patch
};

// Builds the nodes of a stacked grain into `ideal` (cleared first) from the
// radius, shape and elements of `prm`. Layer atoms get the first element,
// sublattice atoms the second for biatomic grains (the first otherwise); node
// N+i is the partner of node i. Cylinders set prm.maxDistance; every call
// sets prm.stackedSublattice to whether the sublattice pass ran and records
// ha, c and u in prm.stackedHa, stackedC and stackedU.
// result.ok is true when the grain was generated, also when an unknown letter
// stopped it (then the layers made so far stay and the error box is in
// result.messages); false for refused input (nothing generated).
StCommandResult buildStacked(const StStackingInput& input, vGrainNodes& ideal, StGrainPrm& prm);

// Largest grain the stacking engine generates; beyond it the build is refused.
constexpr int64_t kMaxStackedNodes = 50'000'000;

}  // namespace grainix
