#pragma once
// What every way of counting pairs shares: the largest table a run may
// hold, the table size a grain needs, and the one place where per-bin pair
// totals become the result records.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/calc/pair_loops.h"
#include "engine/calc/records.h"
#include "engine/core/progress.h"

namespace grainix {

// Largest histogram table a run allocates (per thread and per partial).
inline constexpr int64_t kMaxPairBins = int64_t{1} << 25;

// Bins needed so that every pair of finite nodes has a bin: the diagonal of
// the bounding box divided by the width, with a safety margin (at most
// kMaxPairBins).
int64_t binsForExtent(const vGrainNodes& nodes, double binWidth);

// What a stopped run leaves: no PDH list (modes 0 and 3) or no partial
// histograms (mode 1); the gauge is hidden.
void clearStoppedResult(int mode, PdhList& pdh, StIDCalcResults& partial, ProgressSink* gauge);

// Nodes of the first element in the partial histograms (they lead the
// list): prm.firstCount, by default N div 2.
int64_t firstElementSplit(const StCalcPrm& prm);

// Where the element groups of the partial histograms begin in the node
// list, and the list's end: {0, first element split, N} for one or two
// elements (prm.elementCounts empty), else the prefix sums of
// prm.elementCounts (at most N).
std::vector<int64_t> elementGroupOffsets(const StCalcPrm& prm);

// Prepares a partial-histogram run of prm.nodes: the first element's atoms
// (prm.firstCount) and, for three or more elements, the atoms of each
// (prm.elementCounts). Atoms not yet grouped by element are grouped in the
// order of first appearance (a stable reorder of the copy in prm.nodes).
void setElementGroups(StCalcPrm& prm);

// The units of the sums of a delta run (prm.nodesMod against prm.nodes):
// they grow with the bin width and with how far the modified distances
// may stray from the ideal ones. Refuses (messages) a modified atom
// without a finite place or more than 2^23 bin widths from its ideal one.
StDistanceUnitScale deltaUnitScale(const StCalcPrm& prm, std::vector<StMessage>& messages);

// One occupied bin of a run's counts (card: one count per histogram, in
// mode 1 Rii, Rij, Rjj or the table order of the element pairs).
struct Occupied {
  int64_t bin = 0;
  std::vector<PairCount> card;
  DistanceUnits sumI = 0, sumM = 0;  // delta sums (see DistanceUnits)
};
using OccupiedVisitor = std::function<void(const Occupied&)>;
// Calls its visitor once per occupied bin, in increasing bin order.
using OccupiedBins = std::function<void(const OccupiedVisitor&)>;

// The occupied bins of dense per-bin totals (one table per histogram, all
// of the same length).
OccupiedBins occupiedBinsOf(const std::vector<std::vector<int64_t>>& totals);
// The occupied bins of raw counts (countPairShare, addPairCounts).
OccupiedBins occupiedBinsOf(const StPairCounts& counts);

// Turns the occupied bins of a finished run into its results; bins may lie
// beyond the expected bin count `res.expectedBins`: res.pairsBeyondRange
// counts their pairs and a log line reports them. Mode 0 replaces `pdh` by
// the occupied bins (r = k * bin width), mode 1 refills `partial` with the
// bins where any of Rii, Rij, Rjj is occupied (r accumulated by addition),
// mode 3 replaces `pdh` by the bins whose ideal sum is not 0, with their
// sums. Three or more element groups fill partial.pairs in table order. Drives the gauge through the second phase and hides it.
void fillPairResult(int mode, const StCalcPrm& prm, const OccupiedBins& visit, PdhList& pdh,
                    StIDCalcResults& partial, ProgressSink* gauge, StPairRunResult& res);

}  // namespace grainix
