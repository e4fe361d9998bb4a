#pragma once
// Pair-distance histograms of a grain whose nodes lie on a lattice grid,
// from the correlations of the grid's occupancy instead of a loop over the
// pairs of atoms.
//
// The nodes are sorted into occupancy grids, one per coset of the lattice
// and species (the histograms kept apart: element, or today the first and
// second half of the node list). For two grids p and q the number of pairs
// (node of p, node of q) separated by the lattice vector v is the
// cross-correlation of their occupancies at v, which FFTs give for every v
// at once. Grid pairs whose offset differences agree up to a lattice vector
// share one inverse transform (shifted by that vector in frequency space).
//
// Every lattice vector has an exact length; its pairs go to the bin of that
// length, which is the pair loop's bin for each of them unless the length
// lies within the rounding margin of a bin edge. The pairs of such vectors
// are enumerated from the grids and binned from their nodes' coordinates
// with the pair loop's formula, so the tables equal the pair loop's bin for
// bin. Counts are exact integers: the transforms' rounding error is bounded
// before the run (grids too large for the bound are refused) and checked
// after it.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/core/progress.h"
#include "engine/grain/grain_node.h"
#include "engine/grain/lattice_grid.h"

namespace grainix {

// Largest a-priori bound of a transformed count's rounding error that a
// run accepts (counts are rounded to the nearest integer).
inline constexpr double kLatticeRoundingLimit = 1.0 / 64;

struct StLatticeHistOptions {
  int threads = 0;           // 0: all hardware threads
  int64_t memoryLimit = -1;  // bytes the run may allocate; < 0: half of the available memory
  // Distance from a bin edge (in bins) within which a lattice vector's
  // pairs are enumerated; < 0: four times the proven bound of the
  // roundings. Larger values only cost time.
  double edgeMargin = -1;
  double roundingLimit = kLatticeRoundingLimit;
};

struct StLatticeHistResult {
  enum class Status { Done, Terminated, Refused };
  Status status = Status::Refused;
  std::string reason;  // why the lattice could not be used (Refused)
  // One table for each unordered couple of species: first species 0 with
  // 0, 1, 2 ..., then species 1 with 1, 2 ..., and so on; each table is
  // `cap` bins long.
  std::vector<std::vector<int64_t>> tables;
  // What the run took.
  int grids = 0;             // occupancy grids (coset x species)
  int products = 0;          // inverse transforms
  std::array<int, 3> fftSize{};
  int64_t bytes = 0;         // memory estimated before allocating
  double margin = 0;         // in bins
  double roundingBound = 0;  // a-priori bound of a count's error
  double roundingSeen = 0;   // largest distance of a transformed count from an integer
  int64_t edgeVectors = 0;   // lattice vectors whose pairs were enumerated
  int64_t edgePairs = 0;     // their pairs
};

// Index of the species pair (s, t), s <= t, among nSpecies species.
int speciesPairIndex(int s, int t, int nSpecies);

// Histograms of all pairs of `nodes` with bin index trunc(d / binWidth),
// one for each unordered couple of species; speciesOf[i] < nSpecies (at
// most 255) is the species of node i. `cap` is the table length (bins beyond it refuse the run).
// `progress` receives the fraction done (0..1) from one thread at a time;
// `cancel` stops the run at the next transform or block of work.
StLatticeHistResult latticePairHistograms(const vGrainNodes& nodes, std::span<const uint8_t> speciesOf,
                                          int nSpecies, const StLatticeGrid& grid, double binWidth, int64_t cap,
                                          const std::function<void(double)>& progress, const CancelToken& cancel,
                                          const StLatticeHistOptions& options = {});

}  // namespace grainix
