#pragma once
// Inner sums of the diffraction pattern and of G(r): sums of weighted sines
// over many bins, evaluated eight lanes at a time on the widest vector unit
// the processor offers (AVX-512, AVX2 or the baseline), always in the same
// lane order, so every processor gives the same bits.
#include <cstddef>
#include <cstdint>

namespace grainix {

// |x| below this bound takes the vector sine; larger arguments fall back to std::sin.
inline constexpr double kKernelSinRange = 1e8;
inline constexpr size_t kKernelLanes = 8;

// The sine every kernel lane computes (reduction by pi in three parts, odd
// Taylor polynomial to x^21): within about one ulp of std::sin on |x| < kKernelSinRange.
double kernelSin(double x);
// kernelSin inside its range, std::sin outside.
double wideSin(double x);

// sum_j w[j] * sin(a[j] * t) for j < n. n must be a multiple of kKernelLanes
// (pad with w = 0), and |a[j] * t| < kKernelSinRange. Lane l sums the
// indices j = l (mod 8) in order; the eight lane sums are added in lane order.
double sumWeightedSin(const double* a, const double* w, size_t n, double t);

// The three partial sums of eight diffraction points at once (lanes =
// points with the vector lengths q[0..7]) over `n` bins, in double: for
// every lane, sum_j w[j] * sin(q * r[j]) of each partial, the bins summed
// in order. The weights are count / r; bins at r = 0 are the caller's.
// Needs |q * r| < kKernelSinRange.
struct StPartialBins {
  const double* r;
  const double* wii;
  const double* wij;
  const double* wjj;
  size_t n;
};
void partialSums8(const double q[8], const StPartialBins& bins, double sii[8], double sij[8], double sjj[8]);
// One point, the same arithmetic (any |q * r|: std::sin beyond the range).
void partialSums1(double q, const StPartialBins& bins, double& sii, double& sij, double& sjj);

// Name of the code path chosen at run time: "avx512", "avx2" or "baseline".
const char* kernelPath();

}  // namespace grainix

#include <functional>

#include "engine/core/progress.h"

namespace grainix {

// Runs body(begin, end) over [0, count) in chunks of `chunk` items on up to
// `threads` threads (0: one per core), the calling thread included. Chunks
// are handed out in increasing order; none is handed out after `cancel` is
// requested. `gauge` (optional) gets the number of finished items.
void parallelChunks(int64_t count, int64_t chunk, int threads, const CancelToken* cancel, ProgressSink* gauge,
                    const std::function<void(int64_t, int64_t)>& body);

}  // namespace grainix
