#pragma once
// Inner kernels of the pair loops (used by pair_loops.cpp only).
//
// The nodes are regrouped into tiles of kPairTile spatially close nodes,
// stored as structure-of-arrays coordinates padded to whole tiles. A kernel
// call counts the pairs of one tile I with the tiles J0 .. J1-1 (J >= I; for
// J == I only the pairs a < b inside the tile). Because the nodes of a tile
// pair lie close together, the bins they touch form a narrow window of the
// histogram that stays in the first-level cache.
//
// Binning is exact: a lane whose estimate q of d / w lies more than the
// estimate's error bound (the margin) away from both edges of its bin is
// certain; any other lane (near a bin edge, a zero or non-finite distance,
// beyond the table) is collected during the call and binned afterwards by
// the plain formula trunc(sqrt(s) / w) on the sequential loop's s.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/calc/pair_loops.h"

namespace grainix::pairs {

inline constexpr int kPairTile = 16;

struct PairKernelCtx {
  // Tile coordinates (ideal grain) and, for the delta sums, the modified one.
  const double* x = nullptr;
  const double* y = nullptr;
  const double* z = nullptr;
  const double* xm = nullptr;
  const double* ym = nullptr;
  const double* zm = nullptr;
  // The ideal coordinates divided by the bin width (only ever used for the
  // approximation) and the margin the approximation keeps from bin edges.
  const double* xs = nullptr;
  const double* ys = nullptr;
  const double* zs = nullptr;
  double margin = 0.5;
  // Per tile: the origin the full blocks of the AVX-512 count kernel
  // measure coordinates from (scaled as xs).
  const double* ox = nullptr;
  const double* oy = nullptr;
  const double* oz = nullptr;
  // One Newton step refines the approximation enough for tables of up to
  // kOneStepBins bins (the margin then grows with the table); larger tables
  // take two.
  bool twoSteps = true;
  // The full blocks of the AVX-512 count kernel put a pair in bin 0 when
  // their squared scaled distance is below this (-infinity: never).
  double zeroBound = -HUGE_VAL;
  // Margin of an estimate refined twice (the AVX2 kernel's).
  double marginFine = 2;
  // Margin of the delta sums' bin test, which starts from the exact
  // distance (q = d * (1 / w) is within a few ulps of d / w).
  double sumMargin = 2;
  const int32_t* tileCount = nullptr;  // nodes in each tile (<= kPairTile)
  double w = 1;     // bin width
  double invw = 1;  // 1 / w (only ever used for the approximation)
  double capd = 0;  // table size: bins 0 .. capd-1 exist
  // Mode 0/1 counters, or mode 3 counters and sums (each capd long).
  // With a copyShift (the vector count kernels only) each counter has
  // 2^copyShift copies: bin k of slot b of a tile J is counter
  // (k << copyShift) | (b & (2^copyShift - 1)), so pairs that fall in one
  // bin one after another do not queue on one counter: the equal distances
  // a lattice repeats between neighbouring nodes of a tile (four copies),
  // or every pair of a table of a few coarse bins (sixteen, one per slot).
  // The exact formula counts into copy 0.
  uint32_t* hist = nullptr;
  int copyShift = 0;
  // Delta sums (each capd + 1 long) in units of 1 / units[bin] Angs, kept
  // as the low and high words of 128-bit numbers: every pair adds to the
  // low words, a carry out of one to its high word.
  uint64_t* sumI = nullptr;
  uint64_t* sumM = nullptr;
  uint64_t* carryI = nullptr;
  uint64_t* carryM = nullptr;
  const double* units = nullptr;  // per bin: 2^distanceUnitExponent
  // The same for the AVX-512 kernel: the unit of bin k is the double whose
  // exponent field is unitBias - (exponent field of k + unitK0).
  double unitK0 = 4;
  int64_t unitBias = 0;
  int64_t undefined = 0;  // pairs whose bin could not be formed (non-finite)
  // Room for the pairs a vector kernel call leaves to the exact formula
  // (kDeferPairs codes: slot of node a << 32 | slot of node b).
  int64_t* deferred = nullptr;
};

// Tile rows are handed to a kernel in calls of at most kChunkTiles tiles J.
inline constexpr int kChunkTiles = 32;
// (Room for every pair of a call, plus the slots a block writes ahead.)
inline constexpr int kDeferPairs = kChunkTiles * kPairTile * kPairTile + 64;
inline constexpr int64_t kOneStepBins = int64_t{1} << 19;
inline constexpr int kLaneCopyShift = 2;  // four counter copies, chosen by lane
inline constexpr int kSlotCopyShift = 4;  // sixteen, one per slot of a tile

// A distance in whole units of 1 / unit (a power of two), for d * unit in
// [0, 2^52): adding 2^52 leaves d * unit rounded to a whole number (ties to
// even) in the low bits of the sum. (A non-finite d gives some number:
// only the spare bin takes one.)
inline constexpr double kRoundingAddend = 0x1p52;
inline constexpr uint64_t kRoundingAddendBits = 0x4330000000000000u;
inline uint64_t distanceUnits(double d, double unit) {
  const double t = d * unit + kRoundingAddend;
  uint64_t bits;
  std::memcpy(&bits, &t, sizeof bits);
  return bits - kRoundingAddendBits;
}

// Adds v to the 128-bit number of bin k kept as low words and carries.
inline void addUnits(uint64_t* low, uint64_t* carry, size_t k, uint64_t v) {
  low[k] += v;
  if (__builtin_expect(low[k] < v, 0)) ++carry[k];
}

using PairCountKernel = void (*)(PairKernelCtx& c, int I, int J0, int J1);

// Counts (modes 0 and 1).
void pairCountBaseline(PairKernelCtx& c, int I, int J0, int J1);
void pairCountAvx2(PairKernelCtx& c, int I, int J0, int J1);
void pairCountAvx512(PairKernelCtx& c, int I, int J0, int J1);
// Counts and distance sums (mode 3).
void pairSumsBaseline(PairKernelCtx& c, int I, int J0, int J1);
void pairSumsAvx2(PairKernelCtx& c, int I, int J0, int J1);
void pairSumsAvx512(PairKernelCtx& c, int I, int J0, int J1);

bool cpuHasAvx2();
bool cpuHasAvx512();

}  // namespace grainix::pairs
