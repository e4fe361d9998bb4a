// Pair kernels: a plain one for any x86-64 (or other) processor and vector
// ones for AVX2 and AVX-512, compiled with per-function target attributes
// and chosen at run time. Every floating-point operation that decides a bin
// is a separately rounded IEEE operation (no fused multiply-add: the build
// keeps contraction off), so the squared distance of a pair is the same
// double the sequential loop forms.
#include "engine/calc/pair_kernels.h"

#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
// GCC 12's AVX-512 headers start some conversions from an "undefined"
// register and then warn about it at every use.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#define GRAINIX_PAIRS_X86 1
#endif

namespace grainix::pairs {

namespace {

// The plain formula of the sequential loop.
inline void countExact(PairKernelCtx& c, double s) {
  const double q = std::sqrt(s) / c.w;
  if (q < c.capd) {
    ++c.hist[static_cast<size_t>(q) << c.copyShift];
  } else {
    ++c.undefined;
  }
}

inline void sumExact(PairKernelCtx& c, double sI, double sM) {
  const double dI = std::sqrt(sI);
  const double q = dI / c.w;
  if (q < c.capd) {
    const auto k = static_cast<uint32_t>(q);
    ++c.hist[k];
    addUnits(c.sumI, c.carryI, k, distanceUnits(dI, c.units[k]));
    addUnits(c.sumM, c.carryM, k, distanceUnits(std::sqrt(sM), c.units[k]));
  } else {
    ++c.undefined;
  }
}

}  // namespace

void pairCountBaseline(PairKernelCtx& c, int I, int J0, int J1) {
  const int ni = c.tileCount[I];
  const double* xi = c.x + static_cast<size_t>(I) * kPairTile;
  const double* yi = c.y + static_cast<size_t>(I) * kPairTile;
  const double* zi = c.z + static_cast<size_t>(I) * kPairTile;
  for (int J = J0; J < J1; ++J) {
    const int nj = c.tileCount[J];
    const double* xj = c.x + static_cast<size_t>(J) * kPairTile;
    const double* yj = c.y + static_cast<size_t>(J) * kPairTile;
    const double* zj = c.z + static_cast<size_t>(J) * kPairTile;
    for (int a = 0; a < ni; ++a) {
      for (int b = (J == I ? a + 1 : 0); b < nj; ++b) {
        const double dx = xi[a] - xj[b];
        const double dy = yi[a] - yj[b];
        const double dz = zi[a] - zj[b];
        countExact(c, dx * dx + dy * dy + dz * dz);
      }
    }
  }
}

void pairSumsBaseline(PairKernelCtx& c, int I, int J0, int J1) {
  const int ni = c.tileCount[I];
  const size_t oi = static_cast<size_t>(I) * kPairTile;
  for (int J = J0; J < J1; ++J) {
    const int nj = c.tileCount[J];
    const size_t oj = static_cast<size_t>(J) * kPairTile;
    for (int a = 0; a < ni; ++a) {
      for (int b = (J == I ? a + 1 : 0); b < nj; ++b) {
        const double dx = c.x[oi + a] - c.x[oj + b];
        const double dy = c.y[oi + a] - c.y[oj + b];
        const double dz = c.z[oi + a] - c.z[oj + b];
        const double ex = c.xm[oi + a] - c.xm[oj + b];
        const double ey = c.ym[oi + a] - c.ym[oj + b];
        const double ez = c.zm[oi + a] - c.zm[oj + b];
        sumExact(c, dx * dx + dy * dy + dz * dz, ex * ex + ey * ey + ez * ez);
      }
    }
  }
}

// Lanes of tile J that pair with node a of tile I: the filled slots, and
// for J == I only the slots after a. Bit l stands for slot `first + l`.
static inline unsigned laneMask(int a, bool diagonal, int nj, int first, int lanes) {
  const unsigned full = (1u << lanes) - 1;
  unsigned m = nj - first >= lanes ? full : (nj > first ? (1u << (nj - first)) - 1 : 0u);
  if (diagonal) {
    const int from = a + 1 - first;  // first slot index (within the vector) allowed
    if (from >= lanes) return 0;
    if (from > 0) m &= full & (full << from);
  }
  return m;
}

#ifdef GRAINIX_PAIRS_X86

bool cpuHasAvx2() { return __builtin_cpu_supports("avx2"); }
bool cpuHasAvx512() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
}

// ---------------------------------------------------------------- AVX-512

namespace {

// Squared distances of node (xi, yi, zi) to eight nodes, rounded as
// ((dx*dx + dy*dy) + dz*dz).
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __m512d sq512(__m512d xi, __m512d yi, __m512d zi,
                                                                        const double* xj, const double* yj,
                                                                        const double* zj) {
  const __m512d dx = _mm512_sub_pd(xi, _mm512_loadu_pd(xj));
  const __m512d dy = _mm512_sub_pd(yi, _mm512_loadu_pd(yj));
  const __m512d dz = _mm512_sub_pd(zi, _mm512_loadu_pd(zj));
  return _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(dx, dx), _mm512_mul_pd(dy, dy)), _mm512_mul_pd(dz, dz));
}

// Approximate bin position q ~ sqrt(s) / w from the scaled coordinates:
// squared scaled distance, 14-bit reciprocal square root and one or two
// Newton steps (the approximation may use fused operations: only its error
// bound matters). A lane's bin is certain when q - margin and q + margin
// truncate to the same bin of the table (q is never negative, so
// truncation is the floor for every q that matters); a zero or non-finite
// distance is never certain (q is then not a number, which converts to the
// integer indefinite 2^31, beyond any table).
struct Approx512 {
  __m512d half, threeHalves, margin;
  __m512d zeroBound;  // squared scaled distances below it are certainly in bin 0
  __m512d marginUp, marginDown;  // margin + 1, margin - 1
  __m256i cap;       // table size as a 32-bit integer (also the spare bin)
  __m256i capBelow;  // table size - 1
};

// The estimate q = t v of sqrt(s), with t = s y and v = 3/2 - t y / 2 for
// y the refined reciprocal square root; callers form q - margin and
// q + margin from t and v with one rounding each.
template <bool TwoSteps>
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline void estimate512(__m512d s,
                                                                                          const Approx512& k,
                                                                                          __m512d& t, __m512d& v) {
  __m512d y = _mm512_rsqrt14_pd(s);  // relative error < 2^-14
  if constexpr (TwoSteps) {
    const __m512d t0 = _mm512_mul_pd(s, y);
    y = _mm512_mul_pd(y, _mm512_fnmadd_pd(k.half, _mm512_mul_pd(t0, y), k.threeHalves));
  }
  t = _mm512_mul_pd(s, y);
  v = _mm512_fnmadd_pd(k.half, _mm512_mul_pd(t, y), k.threeHalves);
}

template <bool TwoSteps>
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __mmask8 approxBins512(
    __m512d xi, __m512d yi, __m512d zi, const double* xj, const double* yj, const double* zj, const Approx512& k,
    __mmask8 lanes, __m256i& bins) {
  const __m512d dx = _mm512_sub_pd(xi, _mm512_loadu_pd(xj));
  const __m512d dy = _mm512_sub_pd(yi, _mm512_loadu_pd(yj));
  const __m512d dz = _mm512_sub_pd(zi, _mm512_loadu_pd(zj));
  const __m512d s = _mm512_fmadd_pd(dz, dz, _mm512_fmadd_pd(dy, dy, _mm512_mul_pd(dx, dx)));
  __m512d t, v;
  estimate512<TwoSteps>(s, k, t, v);
  const __m256i lo = _mm512_cvttpd_epi32(_mm512_fmsub_pd(t, v, k.margin));
  const __m256i hi = _mm512_cvttpd_epi32(_mm512_fmadd_pd(t, v, k.margin));
  __mmask8 ok = _mm256_mask_cmpeq_epi32_mask(lanes, lo, hi);
  ok = _mm256_mask_cmplt_epu32_mask(ok, hi, k.cap);
  bins = _mm256_mask_blend_epi32(ok, k.cap, hi);
  return ok;
}

// As approxBins512 for the full blocks, from coordinates relative to an
// origin in tile I: s = (|b|^2 + |a|^2) - 2 a.b, given -2 a. Such an s is
// close enough only for bins of at least 1 (see the margin), so the bounds
// are formed one bin lower and rounded down: a lane is certain when
// q - margin - 1 and q + margin - 1 round down to the same value in 0 ..
// table size - 2, and `below` is its bin minus one (the spare bin minus one
// for any other lane).
template <bool TwoSteps>
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __mmask8 approxBinsNear512(
    __m512d m2x, __m512d m2y, __m512d m2z, __m512d na, __m512d xb, __m512d yb, __m512d zb, __m512d nb,
    const Approx512& k, __m256i& below) {
  const __m512d s = _mm512_fmadd_pd(m2z, zb, _mm512_fmadd_pd(m2y, yb, _mm512_fmadd_pd(m2x, xb, _mm512_add_pd(nb, na))));
  __m512d t, v;
  estimate512<TwoSteps>(s, k, t, v);
  constexpr int kDown = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
  const __m256i lo = _mm512_cvt_roundpd_epi32(_mm512_fmsub_pd(t, v, k.marginUp), kDown);
  const __m256i hi = _mm512_cvt_roundpd_epi32(_mm512_fmadd_pd(t, v, k.marginDown), kDown);
  __mmask8 ok = _mm256_cmpeq_epi32_mask(lo, hi);
  ok = _mm256_mask_cmplt_epu32_mask(ok, hi, k.capBelow);
  below = _mm256_mask_blend_epi32(ok, k.capBelow, hi);
  // Pairs under one bin: bin 0 (-1 below) when s is clearly below 1.
  const __mmask8 zero = _mm512_cmp_pd_mask(s, k.zeroBound, _CMP_LT_OQ);
  below = _mm256_mask_blend_epi32(zero, below, _mm256_set1_epi32(-1));
  return ok | zero;
}

// Pair codes of eight lanes: slot of node a in the high half, slots of the
// eight nodes b in the low half.
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __m512i pairCodes(size_t ia, size_t o) {
  return _mm512_add_epi64(_mm512_set1_epi64(static_cast<long long>((ia << 32) + o)),
                          _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7));
}

// Appends the codes of the lanes in `m` to the deferred list.
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline int64_t* defer8(int64_t* out, __mmask8 m, __m512i codes) {
  _mm512_storeu_si512(out, _mm512_maskz_compress_epi64(m, codes));
  return out + __builtin_popcount(static_cast<unsigned>(m));
}

// Bins the deferred pairs by the exact formula (the square root
// instruction is the correctly rounded std::sqrt, without its errno test).
inline void countDeferred(PairKernelCtx& c, const int64_t* end) {
  const double *const x = c.x, *const y = c.y, *const z = c.z;
  uint32_t* const h = c.hist;
  const double w = c.w, capd = c.capd;
  const int shift = c.copyShift;
  int64_t undefined = 0;
  for (const int64_t* p = c.deferred; p != end; ++p) {
    const auto code = static_cast<uint64_t>(*p);
    const auto i = static_cast<size_t>(code >> 32), j = static_cast<size_t>(code & 0xFFFFFFFFu);
    const double dx = x[i] - x[j];
    const double dy = y[i] - y[j];
    const double dz = z[i] - z[j];
    const double s = dx * dx + dy * dy + dz * dz;
    const double q = _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(s))) / w;
    if (q < capd) {
      ++h[static_cast<size_t>(q) << shift];
    } else {
      ++undefined;
    }
  }
  c.undefined += undefined;
}

// Appends the pairs of the set bits of a block's uncertain-lane mask (bit
// 16 r + b: node r after slot `base >> 32`, node b after slot `base` low).
__attribute__((noinline)) int64_t* deferBits(int64_t* def, uint64_t bits, size_t base) {
  for (; bits; bits &= bits - 1) {
    const auto b = static_cast<size_t>(__builtin_ctzll(bits));
    *def++ = static_cast<int64_t>(base + ((b >> 4) << 32) + (b & 15));
  }
  return def;
}

// Appends the pairs of the block records in [from, to): the first few of
// a record without a branch, any more through deferBits.
inline int64_t* expandRecords(int64_t* def, const uint64_t* from, const uint64_t* to) {
  constexpr int kUnbranched = 4;
  for (const uint64_t* r = from; r != to; r += 2) {
    uint64_t bad = r[0];
    const size_t base = r[1];
    const int nBad = __builtin_popcountll(bad);
#pragma GCC unroll 4
    for (int u = 0; u < kUnbranched; ++u) {
      const auto b = static_cast<size_t>(__builtin_ctzll(bad | (uint64_t{1} << 63)));
      def[u] = static_cast<int64_t>(base + ((b >> 4) << 32) + (b & 15));
      bad &= bad - 1;
    }
    def += nBad < kUnbranched ? nBad : kUnbranched;
    if (__builtin_expect(bad != 0, 0)) def = deferBits(def, bad, base);
  }
  return def;
}

// Counts 64 bins: two bins per load (a bin may be negative: the full
// blocks count bin 0 at -1 from one bin further on). The loads may alias
// the counters, so they stay between the increments instead of being
// hoisted into spilled registers.
using BinPair = uint64_t __attribute__((may_alias));
inline void countBins(uint32_t* h, const int32_t* kb) {
  const auto* pairsOfBins = reinterpret_cast<const BinPair*>(kb);
#pragma GCC unroll 32
  for (int l = 0; l < 32; ++l) {
    const uint64_t v = pairsOfBins[l];
    ++h[static_cast<int32_t>(static_cast<uint32_t>(v))];
    ++h[static_cast<int32_t>(v >> 32)];
  }
}

// Counter of each lane's bin: the bin itself, or with 2^Shift counter
// copies, (bin << Shift) | (slot & (2^Shift - 1)) for the slots `first` ..
// `first` + 7 of a tile J.
template <int Shift>
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __m256i laneCounters(__m256i bins, int first) {
  if constexpr (Shift != 0) {
    constexpr int kLaneMask = (1 << Shift) - 1;
    const __m256i lane = _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return _mm256_add_epi32(_mm256_slli_epi32(bins, Shift), _mm256_and_si256(lane, _mm256_set1_epi32(kLaneMask)));
  } else {
    (void)first;
    return bins;
  }
}

template <bool TwoSteps, int Shift>
__attribute__((target("avx512f,avx512vl,avx512bw"))) void countAvx512(PairKernelCtx& c, int I, int J0, int J1) {
  static_assert(kPairTile == 16);
  Approx512 k;
  k.half = _mm512_set1_pd(0.5);
  k.threeHalves = _mm512_set1_pd(1.5);
  k.margin = _mm512_set1_pd(c.margin);
  k.cap = _mm256_set1_epi32(static_cast<int32_t>(c.capd));
  k.marginUp = _mm512_set1_pd(c.margin + 1);
  k.marginDown = _mm512_set1_pd(c.margin - 1);
  k.capBelow = _mm256_set1_epi32(static_cast<int32_t>(c.capd) - 1);
  k.zeroBound = _mm512_set1_pd(c.zeroBound);
  const int ni = c.tileCount[I];
  const size_t oi = static_cast<size_t>(I) * kPairTile;
  alignas(64) int32_t kb[8][8];
  // Uncertain-lane records of the full blocks: (mask, node slots).
  uint64_t records[2 * kChunkTiles * (kPairTile / 4)];
  uint64_t* rec = records;
  int64_t* def = c.deferred;
  uint32_t* const h = c.hist;
  // The full blocks count bin minus one: one counter (or one bin of
  // counter copies) further on.
  uint32_t* const hAbove = h + (size_t{1} << c.copyShift);
  const double* const xs = c.xs;
  const double* const ys = c.ys;
  const double* const zs = c.zs;
  const int32_t* const tileCount = c.tileCount;
  // Tile I from its origin, for the full blocks: -2 a and |a|^2.
  const __m512d ox = _mm512_set1_pd(c.ox[I]), oy = _mm512_set1_pd(c.oy[I]), oz = _mm512_set1_pd(c.oz[I]);
  alignas(64) double m2x[kPairTile], m2y[kPairTile], m2z[kPairTile], na[kPairTile];
  for (int half = 0; half < 2; ++half) {
    const size_t o = oi + static_cast<size_t>(8 * half);
    const __m512d ax = _mm512_sub_pd(_mm512_loadu_pd(xs + o), ox);
    const __m512d ay = _mm512_sub_pd(_mm512_loadu_pd(ys + o), oy);
    const __m512d az = _mm512_sub_pd(_mm512_loadu_pd(zs + o), oz);
    const __m512d minus2 = _mm512_set1_pd(-2.0);
    _mm512_store_pd(m2x + 8 * half, _mm512_mul_pd(ax, minus2));
    _mm512_store_pd(m2y + 8 * half, _mm512_mul_pd(ay, minus2));
    _mm512_store_pd(m2z + 8 * half, _mm512_mul_pd(az, minus2));
    _mm512_store_pd(na + 8 * half, _mm512_fmadd_pd(az, az, _mm512_fmadd_pd(ay, ay, _mm512_mul_pd(ax, ax))));
  }
  for (int J = J0; J < J1; ++J) {
    const int nj = tileCount[J];
    const size_t oj = static_cast<size_t>(J) * kPairTile;
    const bool diagonal = J == I;
    int a = 0;
    if (!diagonal && nj == kPairTile) {
      // Tile J from the origin of tile I.
      __m512d xb[2], yb[2], zb[2], nb[2];
      for (int half = 0; half < 2; ++half) {
        const size_t o = oj + static_cast<size_t>(8 * half);
        xb[half] = _mm512_sub_pd(_mm512_loadu_pd(xs + o), ox);
        yb[half] = _mm512_sub_pd(_mm512_loadu_pd(ys + o), oy);
        zb[half] = _mm512_sub_pd(_mm512_loadu_pd(zs + o), oz);
        nb[half] = _mm512_fmadd_pd(zb[half], zb[half], _mm512_fmadd_pd(yb[half], yb[half], _mm512_mul_pd(xb[half], xb[half])));
      }
      // Four nodes of tile I against the sixteen of tile J: eight
      // independent vectors in flight.
      for (; a + 4 <= ni; a += 4) {
        __mmask8 okm[8];
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r) {
          const int ar = a + r;
          const __m512d mx = _mm512_set1_pd(m2x[ar]), my = _mm512_set1_pd(m2y[ar]), mz = _mm512_set1_pd(m2z[ar]);
          const __m512d nA = _mm512_set1_pd(na[ar]);
          __m256i b0, b1;
          okm[2 * r] = approxBinsNear512<TwoSteps>(mx, my, mz, nA, xb[0], yb[0], zb[0], nb[0], k, b0);
          okm[2 * r + 1] = approxBinsNear512<TwoSteps>(mx, my, mz, nA, xb[1], yb[1], zb[1], nb[1], k, b1);
          _mm256_store_si256(reinterpret_cast<__m256i*>(kb[2 * r]), laneCounters<Shift>(b0, 0));
          _mm256_store_si256(reinterpret_cast<__m256i*>(kb[2 * r + 1]), laneCounters<Shift>(b1, 8));
        }
        // Uncertain lanes: bit 16 r + b stands for node a + r of tile I and
        // node b of tile J. A block with any keeps its mask and node slots
        // as a record, written without a branch (whether a block holds any
        // is hard to predict on a perfect lattice); the records are
        // expanded into pairs after the tiles.
        const __mmask64 ok64 = _mm512_kunpackd(
            _mm512_kunpackw(_mm512_kunpackb(okm[7], okm[6]), _mm512_kunpackb(okm[5], okm[4])),
            _mm512_kunpackw(_mm512_kunpackb(okm[3], okm[2]), _mm512_kunpackb(okm[1], okm[0])));
        const uint64_t bad = ~_cvtmask64_u64(ok64);
        rec[0] = bad;
        rec[1] = ((oi + static_cast<size_t>(a)) << 32) + oj;
        rec += bad != 0 ? 2 : 0;
        // Through memory: plain loads of the bins are cheaper than lane
        // extractions.
        asm("" : : "r"(&kb[0][0]) : "memory");
        countBins(hAbove, &kb[0][0]);
      }
    }
    for (; a < ni; ++a) {
      const size_t ia = oi + static_cast<size_t>(a);
      const __m512d xi = _mm512_set1_pd(xs[ia]);
      const __m512d yi = _mm512_set1_pd(ys[ia]);
      const __m512d zi = _mm512_set1_pd(zs[ia]);
      for (int first = 0; first < kPairTile; first += 8) {
        const unsigned m = laneMask(a, diagonal, nj, first, 8);
        if (!m) continue;
        const size_t o = oj + static_cast<size_t>(first);
        __m256i b;
        const __mmask8 okv =
            approxBins512<TwoSteps>(xi, yi, zi, xs + o, ys + o, zs + o, k, static_cast<__mmask8>(m), b);
        _mm256_store_si256(reinterpret_cast<__m256i*>(kb[0]), laneCounters<Shift>(b, first));
        asm("" : : "r"(&kb[0][0]) : "memory");
#pragma GCC unroll 8
        for (int l = 0; l < 8; ++l) ++h[static_cast<size_t>(kb[0][l])];
        def = defer8(def, static_cast<__mmask8>(m & ~okv), pairCodes(ia, o));
      }
    }
  }
  def = expandRecords(def, records, rec);
  countDeferred(c, def);
}

}  // namespace

void pairCountAvx512(PairKernelCtx& c, int I, int J0, int J1) {
  switch (c.copyShift) {
    case kLaneCopyShift:
      c.twoSteps ? countAvx512<true, kLaneCopyShift>(c, I, J0, J1) : countAvx512<false, kLaneCopyShift>(c, I, J0, J1);
      break;
    case kSlotCopyShift:
      c.twoSteps ? countAvx512<true, kSlotCopyShift>(c, I, J0, J1) : countAvx512<false, kSlotCopyShift>(c, I, J0, J1);
      break;
    default:
      c.twoSteps ? countAvx512<true, 0>(c, I, J0, J1) : countAvx512<false, 0>(c, I, J0, J1);
      break;
  }
}

namespace {

// Exact distances of node (xi, yi, zi) to eight nodes, as the sequential
// loop forms them: sqrt((dx*dx + dy*dy) + dz*dz), each operation rounded.
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __m512d dist512(__m512d xi, __m512d yi, __m512d zi,
                                                                          const double* xj, const double* yj,
                                                                          const double* zj) {
  return _mm512_sqrt_pd(sq512(xi, yi, zi, xj, yj, zj));
}

// Bins of eight exact ideal distances: q = d * (1 / w) lies within a few
// ulps of the exact d / w, so floor(q) is the bin unless q is within
// `margin` of an edge, outside the table or not a number; those lanes are
// not certain and point at the spare counter. `unit` receives the units
// of each lane's bin (see distanceUnitExponent).
__attribute__((target("avx512f,avx512vl,avx512bw"), always_inline)) inline __mmask8 sumBins512(__m512d d, __m512d invw,
                                                                            __m512d margin, __m512d upper,
                                                                            __m512d capd, __mmask8 lanes,
                                                                            __m512d k0, __m512i bias,
                                                                            __m256i& bins, __m512d& unit) {
  const __m512d q = _mm512_mul_pd(d, invw);
  const __m512d fl = _mm512_roundscale_pd(_mm512_sub_pd(q, margin), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  __mmask8 ok = _mm512_mask_cmp_pd_mask(lanes, _mm512_sub_pd(q, fl), upper, _CMP_LT_OQ);
  ok = _mm512_mask_cmp_pd_mask(ok, q, capd, _CMP_LT_OQ);
  const __m512d bin = _mm512_mask_blend_pd(ok, capd, fl);
  bins = _mm512_cvttpd_epi32(bin);
  // 2^distanceUnitExponent(bin), lane by lane: bin + k0 is a positive
  // whole number, and its exponent field less 1023 is its ilogb.
  const __m512i field = _mm512_srli_epi64(_mm512_castpd_si512(_mm512_add_pd(bin, k0)), 52);
  unit = _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_sub_epi64(bias, field), 52));
  return ok;
}

// Distances in whole units, lane by lane (as distanceUnits).
__attribute__((target("avx512f"), always_inline)) inline __m512i units512(__m512d d, __m512d unit) {
  const __m512d t = _mm512_add_pd(_mm512_mul_pd(d, unit), _mm512_set1_pd(kRoundingAddend));
  return _mm512_sub_epi64(_mm512_castpd_si512(t), _mm512_set1_epi64(static_cast<int64_t>(kRoundingAddendBits)));
}

inline void sumExactSlot(PairKernelCtx& c, size_t i, size_t j) {
  const double dx = c.x[i] - c.x[j];
  const double dy = c.y[i] - c.y[j];
  const double dz = c.z[i] - c.z[j];
  const double ex = c.xm[i] - c.xm[j];
  const double ey = c.ym[i] - c.ym[j];
  const double ez = c.zm[i] - c.zm[j];
  sumExact(c, dx * dx + dy * dy + dz * dz, ex * ex + ey * ey + ez * ez);
}

}  // namespace

__attribute__((target("avx512f,avx512vl,avx512bw"))) void pairSumsAvx512(PairKernelCtx& c, int I, int J0, int J1) {
  static_assert(kPairTile == 16);
  const __m512d invw = _mm512_set1_pd(c.invw), capd = _mm512_set1_pd(c.capd);
  const __m512d margin = _mm512_set1_pd(c.sumMargin), upper = _mm512_set1_pd(1.0 - c.sumMargin);
  const double *const x = c.x, *const y = c.y, *const z = c.z;
  const double *const xm = c.xm, *const ym = c.ym, *const zm = c.zm;
  uint32_t* const h = c.hist;
  uint64_t* const sI = c.sumI;
  uint64_t* const sM = c.sumM;
  uint64_t* const cI = c.carryI;
  uint64_t* const cM = c.carryM;
  const __m512d k0 = _mm512_set1_pd(c.unitK0);
  const __m512i bias = _mm512_set1_epi64(c.unitBias);
  const int ni = c.tileCount[I];
  const size_t oi = static_cast<size_t>(I) * kPairTile;
  alignas(64) int32_t kb[8][8];
  alignas(64) uint64_t dI[8][8], dM[8][8];
  int64_t* def = c.deferred;
  for (int J = J0; J < J1; ++J) {
    const int nj = c.tileCount[J];
    const size_t oj = static_cast<size_t>(J) * kPairTile;
    const bool diagonal = J == I;
    int a = 0;
    if (!diagonal && nj == kPairTile) {
      // Four nodes of tile I against the sixteen of tile J.
      for (; a + 4 <= ni; a += 4) {
        __mmask8 okm[8];
        unsigned all = 0xFFu;
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r) {
          const size_t ia = oi + static_cast<size_t>(a + r);
          const __m512d xi = _mm512_set1_pd(x[ia]), yi = _mm512_set1_pd(y[ia]), zi = _mm512_set1_pd(z[ia]);
          const __m512d xmi = _mm512_set1_pd(xm[ia]), ymi = _mm512_set1_pd(ym[ia]), zmi = _mm512_set1_pd(zm[ia]);
#pragma GCC unroll 2
          for (int half = 0; half < 2; ++half) {
            const int v = 2 * r + half;
            const size_t o = oj + static_cast<size_t>(8 * half);
            const __m512d di = dist512(xi, yi, zi, x + o, y + o, z + o);
            __m256i b;
            __m512d unit;
            okm[v] = sumBins512(di, invw, margin, upper, capd, 0xFF, k0, bias, b, unit);
            all &= okm[v];
            _mm256_store_si256(reinterpret_cast<__m256i*>(kb[v]), b);
            _mm512_store_si512(dI[v], units512(di, unit));
            _mm512_store_si512(dM[v], units512(dist512(xmi, ymi, zmi, xm + o, ym + o, zm + o), unit));
          }
        }
        asm("" : : "r"(&kb[0][0]), "r"(&dI[0][0]), "r"(&dM[0][0]) : "memory");
        const int32_t* kk = &kb[0][0];
        const uint64_t* di = &dI[0][0];
        const uint64_t* dm = &dM[0][0];
#pragma GCC unroll 16
        for (int l = 0; l < 64; ++l) {
          const auto k = static_cast<size_t>(kk[l]);
          ++h[k];
          addUnits(sI, cI, k, di[l]);
          addUnits(sM, cM, k, dm[l]);
        }
        if (all != 0xFFu) {
          for (int v = 0; v < 8; ++v) {
            def = defer8(def, static_cast<__mmask8>(~okm[v]),
                         pairCodes(oi + static_cast<size_t>(a + v / 2), oj + static_cast<size_t>(8 * (v % 2))));
          }
        }
      }
    }
    for (; a < ni; ++a) {
      const size_t ia = oi + static_cast<size_t>(a);
      const __m512d xi = _mm512_set1_pd(x[ia]), yi = _mm512_set1_pd(y[ia]), zi = _mm512_set1_pd(z[ia]);
      const __m512d xmi = _mm512_set1_pd(xm[ia]), ymi = _mm512_set1_pd(ym[ia]), zmi = _mm512_set1_pd(zm[ia]);
      for (int first = 0; first < kPairTile; first += 8) {
        const unsigned m = laneMask(a, diagonal, nj, first, 8);
        if (!m) continue;
        const size_t o = oj + static_cast<size_t>(first);
        const __m512d di = dist512(xi, yi, zi, x + o, y + o, z + o);
        __m256i b;
        __m512d unit;
        const __mmask8 okv = sumBins512(di, invw, margin, upper, capd, static_cast<__mmask8>(m), k0, bias, b, unit);
        _mm256_store_si256(reinterpret_cast<__m256i*>(kb[0]), b);
        _mm512_store_si512(dI[0], units512(di, unit));
        _mm512_store_si512(dM[0], units512(dist512(xmi, ymi, zmi, xm + o, ym + o, zm + o), unit));
        asm("" : : "r"(&kb[0][0]), "r"(&dI[0][0]), "r"(&dM[0][0]) : "memory");
        for (int l = 0; l < 8; ++l) {
          const auto k = static_cast<size_t>(kb[0][l]);
          ++h[k];
          addUnits(sI, cI, k, dI[0][l]);
          addUnits(sM, cM, k, dM[0][l]);
        }
        def = defer8(def, static_cast<__mmask8>(m & ~okv), pairCodes(ia, o));
      }
    }
  }
  for (const int64_t* p = c.deferred; p != def; ++p) {
    const auto code = static_cast<uint64_t>(*p);
    sumExactSlot(c, static_cast<size_t>(code >> 32), static_cast<size_t>(code & 0xFFFFFFFFu));
  }
}

// ------------------------------------------------------------------ AVX2

namespace {

__attribute__((target("avx2"), always_inline)) inline __m256d sq256(__m256d xi, __m256d yi, __m256d zi,
                                                                     const double* xj, const double* yj,
                                                                     const double* zj) {
  const __m256d dx = _mm256_sub_pd(xi, _mm256_loadu_pd(xj));
  const __m256d dy = _mm256_sub_pd(yi, _mm256_loadu_pd(yj));
  const __m256d dz = _mm256_sub_pd(zi, _mm256_loadu_pd(zj));
  return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy)), _mm256_mul_pd(dz, dz));
}

__attribute__((target("avx2"), always_inline)) inline void sum4(PairKernelCtx& c, __m256d sI, __m256d sM,
                                                                 unsigned lanes, __m256d invw, __m256d capd) {
  alignas(16) int32_t kb[4];
  alignas(32) double dI[4], dM[4];
  const __m256d di = _mm256_sqrt_pd(sI);
  const __m256d q = _mm256_mul_pd(di, invw);
  const __m256d lo = _mm256_mul_pd(q, _mm256_set1_pd(1.0 - 0x1p-40));
  const __m256d hi = _mm256_mul_pd(q, _mm256_set1_pd(1.0 + 0x1p-40));
  __m256d okv = _mm256_cmp_pd(_mm256_floor_pd(lo), _mm256_floor_pd(hi), _CMP_EQ_OQ);
  okv = _mm256_and_pd(okv, _mm256_cmp_pd(hi, capd, _CMP_LT_OQ));
  const __m256d want = _mm256_castsi256_pd(_mm256_cmpgt_epi64(
      _mm256_and_si256(_mm256_set1_epi64x(lanes), _mm256_setr_epi64x(1, 2, 4, 8)), _mm256_setzero_si256()));
  okv = _mm256_and_pd(okv, want);
  const unsigned ok = static_cast<unsigned>(_mm256_movemask_pd(okv));
  // Uncertain and unwanted lanes go to the spare bin after the table.
  _mm_store_si128(reinterpret_cast<__m128i*>(kb), _mm256_cvttpd_epi32(_mm256_blendv_pd(capd, _mm256_floor_pd(lo), okv)));
  _mm256_store_pd(dI, di);
  _mm256_store_pd(dM, _mm256_sqrt_pd(sM));
#pragma GCC unroll 4
  for (int l = 0; l < 4; ++l) {
    const auto k = static_cast<size_t>(kb[l]);
    ++c.hist[k];
    addUnits(c.sumI, c.carryI, k, distanceUnits(dI[l], c.units[k]));
    addUnits(c.sumM, c.carryM, k, distanceUnits(dM[l], c.units[k]));
  }
  unsigned unsure = lanes & ~ok & 0xFu;
  if (unsure) {
    alignas(32) double si[4], sm[4];
    _mm256_store_pd(si, sI);
    _mm256_store_pd(sm, sM);
    for (; unsure; unsure &= unsure - 1) {
      const int l = __builtin_ctz(unsure);
      sumExact(c, si[l], sm[l]);
    }
  }
}

}  // namespace

namespace {

// As approxBins512 for four lanes, from the scaled coordinates: the
// single-precision estimate (relative error < 1.5 * 2^-12) refined twice
// in double (error below 2^-43). Squared distances outside [1e-30, bound]
// (bound keeps the single-precision estimate finite and above the table)
// are never certain. Returns the certain lanes as bits.
struct Approx256 {
  __m256d half, threeHalves, margin, upper, capd, sMin, sMax;
};

__attribute__((target("avx2"), always_inline)) inline unsigned approxBins256(__m256d xi, __m256d yi, __m256d zi,
                                                                             const double* xj, const double* yj,
                                                                             const double* zj, const Approx256& k,
                                                                             __m128i& bins) {
  const __m256d dx = _mm256_sub_pd(xi, _mm256_loadu_pd(xj));
  const __m256d dy = _mm256_sub_pd(yi, _mm256_loadu_pd(yj));
  const __m256d dz = _mm256_sub_pd(zi, _mm256_loadu_pd(zj));
  const __m256d s =
      _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy)), _mm256_mul_pd(dz, dz));
  __m256d y = _mm256_cvtps_pd(_mm_rsqrt_ps(_mm256_cvtpd_ps(s)));
  const __m256d hs = _mm256_mul_pd(k.half, s);
  y = _mm256_mul_pd(y, _mm256_sub_pd(k.threeHalves, _mm256_mul_pd(hs, _mm256_mul_pd(y, y))));
  y = _mm256_mul_pd(y, _mm256_sub_pd(k.threeHalves, _mm256_mul_pd(hs, _mm256_mul_pd(y, y))));
  const __m256d q = _mm256_mul_pd(s, y);
  const __m256d fl = _mm256_floor_pd(_mm256_sub_pd(q, k.margin));
  __m256d ok = _mm256_cmp_pd(_mm256_sub_pd(q, fl), k.upper, _CMP_LT_OQ);
  ok = _mm256_and_pd(ok, _mm256_cmp_pd(q, k.capd, _CMP_LT_OQ));
  ok = _mm256_and_pd(ok, _mm256_cmp_pd(s, k.sMin, _CMP_GE_OQ));
  ok = _mm256_and_pd(ok, _mm256_cmp_pd(s, k.sMax, _CMP_LE_OQ));
  bins = _mm256_cvttpd_epi32(_mm256_blendv_pd(k.capd, fl, ok));
  return static_cast<unsigned>(_mm256_movemask_pd(ok));
}

}  // namespace

// Counters of four lanes (slots `first` .. `first` + 3 of a tile J), as
// laneCounters of the AVX-512 kernel.
template <int Shift>
__attribute__((target("avx2"), always_inline)) inline __m128i laneCounters4(__m128i bins, int first) {
  if constexpr (Shift != 0) {
    const __m128i lane = _mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3));
    return _mm_add_epi32(_mm_slli_epi32(bins, Shift), _mm_and_si128(lane, _mm_set1_epi32((1 << Shift) - 1)));
  } else {
    (void)first;
    return bins;
  }
}

template <int Shift>
__attribute__((target("avx2"))) void countAvx2(PairKernelCtx& c, int I, int J0, int J1) {
  static_assert(kPairTile == 16);
  Approx256 k;
  k.half = _mm256_set1_pd(0.5);
  k.threeHalves = _mm256_set1_pd(1.5);
  k.margin = _mm256_set1_pd(c.marginFine);
  k.upper = _mm256_set1_pd(1.0 - c.marginFine);
  k.capd = _mm256_set1_pd(c.capd);
  k.sMin = _mm256_set1_pd(1e-30);
  k.sMax = _mm256_set1_pd(4.0 * (c.capd + 1) * (c.capd + 1));
  const double *const xs = c.xs, *const ys = c.ys, *const zs = c.zs;
  uint32_t* const h = c.hist;
  const int ni = c.tileCount[I];
  const size_t oi = static_cast<size_t>(I) * kPairTile;
  alignas(64) int32_t kb[16][4];
  int64_t* def = c.deferred;
  auto deferBits = [&](unsigned bits, size_t ia, size_t o) {
    for (; bits; bits &= bits - 1) *def++ = static_cast<int64_t>((ia << 32) + o + static_cast<size_t>(__builtin_ctz(bits)));
  };
  for (int J = J0; J < J1; ++J) {
    const int nj = c.tileCount[J];
    const size_t oj = static_cast<size_t>(J) * kPairTile;
    const bool diagonal = J == I;
    int a = 0;
    if (!diagonal && nj == kPairTile) {
      // Four nodes of tile I against the sixteen of tile J.
      for (; a + 4 <= ni; a += 4) {
        unsigned okm[16];
        unsigned all = 0xFu;
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r) {
          const size_t ia = oi + static_cast<size_t>(a + r);
          const __m256d xi = _mm256_set1_pd(xs[ia]), yi = _mm256_set1_pd(ys[ia]), zi = _mm256_set1_pd(zs[ia]);
#pragma GCC unroll 4
          for (int q = 0; q < 4; ++q) {
            const size_t o = oj + static_cast<size_t>(4 * q);
            __m128i b;
            okm[4 * r + q] = approxBins256(xi, yi, zi, xs + o, ys + o, zs + o, k, b);
            all &= okm[4 * r + q];
            _mm_store_si128(reinterpret_cast<__m128i*>(kb[4 * r + q]), laneCounters4<Shift>(b, 4 * q));
          }
        }
        asm("" : : "r"(&kb[0][0]) : "memory");
        countBins(h, &kb[0][0]);
        if (all != 0xFu) {
          for (int v = 0; v < 16; ++v)
            deferBits(~okm[v] & 0xFu, oi + static_cast<size_t>(a + v / 4), oj + static_cast<size_t>(4 * (v % 4)));
        }
      }
    }
    for (; a < ni; ++a) {
      const size_t ia = oi + static_cast<size_t>(a);
      const __m256d xi = _mm256_set1_pd(xs[ia]), yi = _mm256_set1_pd(ys[ia]), zi = _mm256_set1_pd(zs[ia]);
      for (int first = 0; first < kPairTile; first += 4) {
        const unsigned m = laneMask(a, diagonal, nj, first, 4);
        if (!m) continue;
        const size_t o = oj + static_cast<size_t>(first);
        __m128i b;
        const unsigned okv = approxBins256(xi, yi, zi, xs + o, ys + o, zs + o, k, b);
        _mm_store_si128(reinterpret_cast<__m128i*>(kb[0]), laneCounters4<Shift>(b, first));
        asm("" : : "r"(&kb[0][0]) : "memory");
        for (int l = 0; l < 4; ++l) {
          // Unwanted lanes count in the spare counter too.
          const size_t bin = (m >> l) & 1u ? static_cast<size_t>(kb[0][l]) : static_cast<size_t>(c.capd) << Shift;
          ++h[bin];
        }
        deferBits(m & ~okv, ia, o);
      }
    }
  }
  countDeferred(c, def);
}

void pairCountAvx2(PairKernelCtx& c, int I, int J0, int J1) {
  switch (c.copyShift) {
    case kLaneCopyShift: countAvx2<kLaneCopyShift>(c, I, J0, J1); break;
    case kSlotCopyShift: countAvx2<kSlotCopyShift>(c, I, J0, J1); break;
    default: countAvx2<0>(c, I, J0, J1); break;
  }
}

__attribute__((target("avx2"))) void pairSumsAvx2(PairKernelCtx& c, int I, int J0, int J1) {
  const __m256d invw = _mm256_set1_pd(c.invw), capd = _mm256_set1_pd(c.capd);
  const int ni = c.tileCount[I];
  const size_t oi = static_cast<size_t>(I) * kPairTile;
  for (int J = J0; J < J1; ++J) {
    const int nj = c.tileCount[J];
    const size_t oj = static_cast<size_t>(J) * kPairTile;
    const bool diagonal = J == I;
    for (int a = 0; a < ni; ++a) {
      const __m256d xi = _mm256_set1_pd(c.x[oi + a]);
      const __m256d yi = _mm256_set1_pd(c.y[oi + a]);
      const __m256d zi = _mm256_set1_pd(c.z[oi + a]);
      const __m256d xmi = _mm256_set1_pd(c.xm[oi + a]);
      const __m256d ymi = _mm256_set1_pd(c.ym[oi + a]);
      const __m256d zmi = _mm256_set1_pd(c.zm[oi + a]);
      for (int first = 0; first < kPairTile; first += 4) {
        const unsigned m = laneMask(a, diagonal, nj, first, 4);
        if (!m) continue;
        const size_t o = oj + first;
        sum4(c, sq256(xi, yi, zi, c.x + o, c.y + o, c.z + o), sq256(xmi, ymi, zmi, c.xm + o, c.ym + o, c.zm + o),
             m, invw, capd);
      }
    }
  }
}

#else  // not x86: the plain kernels only

bool cpuHasAvx2() { return false; }
bool cpuHasAvx512() { return false; }
void pairCountAvx2(PairKernelCtx& c, int I, int J0, int J1) { pairCountBaseline(c, I, J0, J1); }
void pairCountAvx512(PairKernelCtx& c, int I, int J0, int J1) { pairCountBaseline(c, I, J0, J1); }
void pairSumsAvx2(PairKernelCtx& c, int I, int J0, int J1) { pairSumsBaseline(c, I, J0, J1); }
void pairSumsAvx512(PairKernelCtx& c, int I, int J0, int J1) { pairSumsBaseline(c, I, J0, J1); }

#endif

}  // namespace grainix::pairs
