#pragma once
// The one entry point of every PDH and partial-histogram calculation (the
// window, the command-line tool and whatever else starts one): it chooses
// how the pairs are counted and says so in the log.
#include <functional>

#include "engine/calc/lattice_pdh.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/records.h"

namespace grainix {

// Runs a pair loop with runPairLoop's contract (its threads argument is
// the run's); a front end that spreads the loop over processes puts its own
// here.
using PairLoopRunner = std::function<StPairRunResult(int mode, const StCalcPrm& prm, PdhList& pdh,
                                                     StIDCalcResults& partial, ProgressSink* gauge,
                                                     const CancelToken& cancel, int threads)>;

struct StPdhRunOptions {
  PdhMethod method = PdhMethod::Auto;
  int threads = 0;  // 0: all hardware threads
  StLatticeHistOptions lattice;  // memory limit and margin of the lattice method
  PairLoopRunner pairLoop;       // empty: runPairLoop
};

// "auto", "pairs", "lattice".
const char* pdhMethodName(PdhMethod method);

// Mode 0 (PDH) or 1 (partial histograms, Rii, Rij, Rjj split at node N div
// 2) of a grain; any other mode runs the pair loop as runPairLoop does.
// Auto counts the pairs of a grain that lies on its lattice grid
// (prm.grid) from the lattice and falls back to the pair loop, with a log
// line saying why, when the lattice cannot be used (too large for memory
// or for exact counts); a grain without a grid takes the pair loop. Pairs
// always takes the pair loop; Lattice refuses the run (an error message)
// when the lattice cannot be used. The results are identical bin for bin
// either way. The first log line names the method. Progress, STOP and the
// results of a stopped run are those of the pair loop. The pair loop is
// options.pairLoop when one is given.
StPairRunResult runPdh(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial, ProgressSink* gauge,
                       const CancelToken& cancel, const StPdhRunOptions& options = {});

}  // namespace grainix
