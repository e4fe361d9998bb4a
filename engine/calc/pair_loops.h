#pragma once
// The pair loops of the PDH worker: the pair-distance histogram (mode 0),
// the partial histograms, one per unordered pair of elements (mode 1), and the per-bin
// sums of ideal and modified distances behind delta(r) (mode 3).
//
// Every unordered pair of nodes is counted once. A pair at distance
// d = sqrt(dx*dx + dy*dy + dz*dz) (the sum rounded to a double before the
// root) goes to bin trunc(d / binWidth); the counts are exactly those of the
// plain sequential double loop, including pairs lying within an ulp of a bin
// edge. The work runs on all cores with vector kernels chosen at run time.
// The delta sums are kept in fixed point (see DistanceUnits): each distance
// is rounded once, and the sums are the same whatever the order their pairs
// are added in, so a run gives the same sums on any number of threads,
// shares or ranks.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"

namespace grainix {

// Which pair kernel runs. Auto takes the widest the processor offers; the
// others exist so the kernels can be compared with each other (a kernel the
// processor lacks falls back to the next narrower one).
enum class PairKernel { Auto, Baseline, Avx2, Avx512 };

// The kernel Auto selects on this processor.
PairKernel bestPairKernel();
const char* pairKernelName(PairKernel kernel);

// The progress scale of a pair loop over n nodes: M = n, step 1.0; while
// M > 65535: M = M div 2, step = step * 0.25. The gauge maximum is
// (M div 2) * (M - 1) for modes 0 and 3 and (M * (M - 1)) div 2 for mode 1.
// M only scales the gauge: the loops always run over all n nodes.
struct StPairGaugeScale {
  int64_t m = 0;
  double step = 1.0;
  int64_t maximum = 0;
};
StPairGaugeScale pairGaugeScale(int64_t nodeCount, int mode);

// Bin count of a run: floor(rMax / binWidth) as an integer; 0 when the
// width is not positive or either value is not a number.
int64_t pairBinCount(double rMax, double binWidth);

// How the pair counts of a PDH are found: by the pair loop, from the
// lattice grid of an unmodified generated grain, or whichever fits (Auto).
enum class PdhMethod { Auto, Pairs, Lattice };

// A sum of pair distances of one bin in whole units of 2^-e Angs, e =
// distanceUnitExponent(bin, ...): each distance is rounded to the nearest
// unit (ties to even) before it is added, and integer addition does not
// depend on the order. Any distance a bin can meet stays below 2^51 units,
// and a sum of distances of bin k >= 1 is within 2^-50 (k + k0) / k of the
// exact sum, relatively (k0: StDistanceUnitScale).
__extension__ typedef unsigned __int128 DistanceUnits;

// The units of a delta run: bin k counts in units of 2^-e Angs, e =
// exponentW - ilogb(k + k0), where 2^exponentW <= 2^49 / w (w the bin
// width) and k0 - 4 bin widths at least how far a modified distance may
// stray from its ideal one (deltaUnitScale).
struct StDistanceUnitScale {
  int exponentW = 0;
  double k0 = 4;
};
int distanceUnitExponent(int64_t bin, const StDistanceUnitScale& scale);
// A sum in units of 2^-exponent Angs as Angs.
double distanceOfUnits(DistanceUnits units, int exponent);

// What a run reports back to the worker thread that forwards it.
struct StPairRunResult {
  bool refused = false;      // no loop ran (messages says why)
  bool terminated = false;   // stopped by the cancel token
  std::vector<StMessage> messages;  // "size == 0" / "ERROR" and the like
  std::vector<std::string> log;     // lines for the message log
  int64_t bins = 0;          // bins of the result (expected bins, or more)
  int64_t expectedBins = 0;  // floor(rMax / binWidth)
  int64_t pairs = 0;         // pairs visited
  int64_t pairsBeyondRange = 0;  // pairs whose bin index reached expectedBins
  int64_t pairsUndefined = 0;    // pairs with a non-finite distance, not binned
  PairKernel kernel = PairKernel::Baseline;
  bool laneCopies = false;   // counters were kept in copies per lane (see PairCopies)
  int threads = 0;
  PdhMethod method = PdhMethod::Pairs;  // the way the counts were found
};

// How the vector count kernels keep their counters: once per bin, in four
// copies chosen by the lane, which keeps the many equal distances of an
// ideal lattice from queueing on one counter, or in sixteen, one per slot
// of a tile, which lets a table of a few coarse bins take every pair at
// full speed (more memory, merged at the end). Auto takes sixteen for
// small tables and decides between one and four from a sample of the
// grain's pairs. Results are the same either way.
enum class PairCopies { Auto, One, PerLane, PerSlot };

// Runs one pair loop. Mode 0 replaces `pdh` by its occupied bins (r = k *
// bin width, card); mode 1 refills `partial` with the bins where any of
// Rii, Rij, Rjj is occupied (split at prm.firstCount, by default N div 2;
// r accumulated by addition), or, for the three or more element groups of
// prm.elementCounts, with one histogram per pair of groups (table order); mode 3 replaces `pdh` by the non-empty bins
// with their card, sumIdeal and sumMod; any other mode does nothing. Empty
// bins are never stored, so one stray atom far from the rest costs no
// table of empty bins. A bin count of 0 is refused with "size == 0" and
// what is wrong, and leaves the results as they were. Pairs lying beyond rMax are not
// lost: the table grows to the last occupied bin and a log line says how
// many pairs lay beyond the expected range. A stop through `cancel` (polled
// every few thousand pairs) leaves `pdh` empty in modes 0 and 3 and
// `partial` with count 0 in mode 1. `gauge` may be null; its updates are
// throttled. `threads` 0 means all hardware threads (see workerThreads);
// fewer run when the threads' private tables would exceed 1 GiB.
StPairRunResult runPairLoop(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial,
                            ProgressSink* gauge, const CancelToken& cancel, int threads = 0,
                            PairKernel kernel = PairKernel::Auto, PairCopies copies = PairCopies::Auto);

// Share `index` (0 <= index < count) of a run split into `count` parts of
// about equal numbers of pairs. The pairs are taken in the loop's order
// (tile rows, each against the tiles after it) and cut at tile boundaries,
// so every pair falls in exactly one share whatever the count. A run of
// few pairs against a large table (see runPairLoop) is counted whole by
// share 0.
struct StPairShare {
  int index = 0;
  int count = 1;
};

// The raw counts of a run or of one share of it: the occupied bins in
// increasing order and, per histogram table (one, or Rii, Rij, Rjj), the
// pairs in each of them. Delta-sum runs also keep the sums of ideal and
// modified distances per bin.
struct StPairCounts {
  std::vector<int64_t> bins;
  std::vector<std::vector<PairCount>> tables;  // tables[k][i]: pairs of table k in bins[i]
  std::vector<DistanceUnits> sumIdeal, sumMod;  // per bin (delta sums only)
};

// Counts share `share` of the pair loop runPairLoop runs, into `counts`,
// without making results: res.pairs and res.pairsUndefined are this
// share's, and the refusals are runPairLoop's. A stopped run leaves
// `counts` empty. The gauge runs over the whole run's scale, so the shares'
// positions add up to the whole run's.
StPairRunResult countPairShare(int mode, const StCalcPrm& prm, const StPairShare& share, StPairCounts& counts,
                               ProgressSink* gauge, const CancelToken& cancel, int threads = 0,
                               PairKernel kernel = PairKernel::Auto, PairCopies copies = PairCopies::Auto);

// Adds the counts of `more` to `into`, bin by bin (bins present in only one
// of them are kept); both hold the same number of tables, or `into` none.
void addPairCounts(StPairCounts& into, const StPairCounts& more);

}  // namespace grainix
