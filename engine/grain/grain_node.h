#pragma once
// The records every subsystem exchanges about a grain: one atom, the node
// list, the grain parameters, the lattice-kind and site-kind codes.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/huge_page_allocator.h"

namespace grainix {

// Site of a node in the conventional cubic cell.
enum SiteKind : int32_t { Corner = 0, Wall = 1, Inner = 2, Diamond = 3 };
// "Corner", "Wall", "Inner", "Diamond"; "" for any other code.
const char* siteKindName(int32_t kind);

// Kind code of the generator that made a grain (copied to StGrainPrm.kind).
enum LatticeKind : int32_t {
  kindBcc = 1,
  kindFcc = 2,
  kindHcp = 3,
  kindDiam = 4,
  kindXyz = 5,
  kindSc = 6,  // also the 2D test layer
  kindCif = 7,  // cut from a crystal read from a CIF file
};

// The user's structure choice as remembered in the settings file.
enum StructureChoice : int32_t {
  structSc = 0,
  structBcc = 1,
  structFcc = 2,
  structZincBlende = 3,
  structTest = 4,
  structRandom = 5,
  structHcp = 6,
};
enum ShapeChoice : int32_t { shapeSphere = 0, shapeCylinder = 1 };

// One atom. x0..z0 hold the position before a thermal displacement; rPrev is
// the partner distance after a modification (see the modification engine).
struct StGrainNode {
  double x = 0, y = 0, z = 0;
  double x0 = 0, y0 = 0, z0 = 0;
  double r = 0;
  double rPrev = 0;
  int32_t siteKind = 0;
  std::string element;
  int32_t elementIndex = -1;
};

// For paired structures (zinc blende, stacked with sublattice) node i + N/2
// is the partner of node i.
using vGrainNodes = std::vector<StGrainNode, HugePageAllocator<StGrainNode>>;

struct StGrainPrm {
  double radius = 0;
  double latticePrm = 0;
  double temperature = 0;
  double radiusMod = 0;
  double latticePrmAvg = 0;
  double latticePrmChange = 0;
  double weightedStd = 0;
  double maxDistance = 0;
  bool thermalVibration = false;
  bool sphere = true;
  bool biatomic = false;
  int32_t kind = 0;
  std::string elementL;
  std::string elementR;
  int32_t elementIndexL = -1;
  int32_t elementIndexR = -1;
  // A stacked grain built without its second sublattice is not paired; the
  // modification then scales it node by node.
  bool stackedSublattice = true;
  // Layer geometry of the last stacked grain: in-layer spacing, layer
  // spacing and the sublattice shift in units of the layer spacing.
  double stackedHa = 0;
  double stackedC = 0;
  double stackedU = 0;
};

// Nodes at the head of the list with the element of node 0: the atoms of
// the first element of a two-element grain, which lead the list.
int64_t leadingElementCount(const vGrainNodes& nodes);

}  // namespace grainix
