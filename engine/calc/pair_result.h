#pragma once
// What every way of counting pairs shares: the largest table a run may
// hold, the table size a grain needs, and the one place where per-bin pair
// totals become the result records.
#include <cstdint>
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

// Turns the totals of a finished run into its results. `totals` holds one
// table per histogram (mode 0 and 3: one; mode 1: Rii, Rij, Rjj), all of
// the same length, which may exceed the expected bin count `res.expectedBins`:
// the result then runs to the last occupied bin, res.pairsBeyondRange counts
// the pairs beyond the expected range and a log line reports them. Mode 0
// replaces `pdh` by one entry per bin, mode 1 refills `partial`, mode 3
// replaces `pdh` by the bins whose ideal sum `sumIdeal` is not 0, with
// their sums. Drives the gauge through the second phase and hides it.
void fillPairResult(int mode, const StCalcPrm& prm, const std::vector<std::vector<int64_t>>& totals,
                    const std::vector<double>* sumIdeal, const std::vector<double>* sumMod, PdhList& pdh,
                    StIDCalcResults& partial, ProgressSink* gauge, StPairRunResult& res);

}  // namespace grainix
