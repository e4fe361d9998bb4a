#pragma once
// A grain read from a nodes file, taken over as a built one is: its atoms
// grouped by element, so that the first element's atoms lead the list as
// the two-element calculations expect, and the grain parameters the
// modification and the calculations read (radius, lattice parameter,
// shape, kind, elements and their table indices, histogram range).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/io/readers.h"

namespace grainix {

struct Workbench;

struct StReadGrain {
  std::vector<std::string> log;      // the reorder, when there was one
  std::vector<std::string> symbols;  // element symbols, in the order of first appearance
  std::vector<int64_t> counts;       // atoms of each
  bool headerRadius = false;         // the radius came from the header (else the farthest atom)
  bool headerLattice = false;        // the lattice parameter came from the header
};

// Applies to wb.ideal, just filled by loadNodesFile with `load`'s result.
// The radius is the header's, else the distance of the farthest atom; the
// lattice parameter the header's, else the element table's for the first
// element (0 when neither gives one).
StReadGrain adoptReadGrain(Workbench& wb, const StNodesLoad& load, const ElementTable& table);

// The partial histograms and the pattern take one element or two; a grain
// of more would give results silently wrong. The refusal of a grain read
// from `source` (a file, or how it was named) holding `symbols`; empty for
// one or two elements.
std::string elementCountRefusal(const std::string& source, const std::vector<std::string>& symbols);

}  // namespace grainix
