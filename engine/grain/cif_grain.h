#pragma once
// Cutting a grain from a crystal read from a CIF file: the cell positions
// are repeated over the lattice and the atoms inside a sphere or a cylinder
// around the chosen centre are kept.
#include <cstdint>
#include <vector>

#include "engine/grain/crystal.h"
#include "engine/grain/grain_node.h"

namespace grainix {

struct StCifCut {
  double radius = 0;       // sphere radius, or the cylinder's cross-section radius (Angs)
  // Cylinder with its axis along z; the frame has a along x and b in the xy
  // plane (StCellFrame), so z is the c axis of an orthogonal or hexagonal cell.
  bool cylinder = false;
  double height = 0;       // cylinder height (Angs), centred on the centre
  // Centre of the grain: the first atom site of the file (its coordinates as
  // written), or the origin of the cell.
  bool centreOnAtom = true;
  // false: every atom is kept when it lies inside the shape. true: the cell
  // is seen as lattice points (with the centring translations) each carrying
  // one copy of the motif - one atom of every position of the cell up to the
  // centring, at its image nearest to the first site - and a motif copy is
  // kept whole when its first-site atom lies inside. The grain is then
  // stoichiometric, as the zinc blende builder keeps each second-sublattice
  // atom beside its partner.
  bool motif = false;
  // Seed of the draws that decide partly occupied positions. Each position
  // of the lattice has its own draw, so the same seed places the same atoms
  // whatever the radius.
  uint64_t seed = 1;
};

struct StCifCutResult {
  std::vector<size_t> perElement;  // nodes of each element, in StCrystal::elements order
  size_t vacant = 0;               // positions left empty by their occupancy draws
  double rMax = 0;                 // largest node distance from the centre (axis for a cylinder)
  double zMin = 0, zMax = 0;
  double maxDistance = 0;          // bounds every pair distance of the grain
};

// Upper estimate of the node count, before anything is allocated.
double estimatedCifNodes(const StCrystal& crystal, const StCifCut& cut);

// Replaces `nodes` by the grain: nodes grouped by element in the order of
// StCrystal::elements, each with its symbol and element-table index, r its
// distance from the centre (from the axis for a cylinder), siteKind -1.
StCifCutResult cutCifGrain(const StCrystal& crystal, const StCifCut& cut, vGrainNodes& nodes);

}  // namespace grainix
