#include "engine/calc/diffraction_kernels.h"

#include <bit>
#include <cmath>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace grainix {

namespace {

typedef double vd8 __attribute__((vector_size(64)));
typedef long long vl8 __attribute__((vector_size(64)));

// pi = kPiA + kPiB + kPiC; kPiA and kPiB have 27 significant bits, so q * kPiA
// and q * kPiB are exact for |q| < 2^26.
constexpr double kPiA = 0x1.921fb54p+1;
constexpr double kPiB = 0x1.10b461p-29;
constexpr double kPiC = 0x1.a62633145c06ep-57;
constexpr double kInvPi = 0.3183098861837907;
constexpr double kMagic = 0x1.8p52;  // adding it rounds |v| < 2^51 to an integer
// (-1)^k / (2k+1)!, k = 1 ... 10.
constexpr double kC3 = -0.16666666666666666;
constexpr double kC5 = 0.008333333333333333;
constexpr double kC7 = -0.0001984126984126984;
constexpr double kC9 = 2.7557319223985893e-06;
constexpr double kC11 = -2.505210838544172e-08;
constexpr double kC13 = 1.6059043836821613e-10;
constexpr double kC15 = -7.647163731819816e-13;
constexpr double kC17 = 2.8114572543455206e-15;
constexpr double kC19 = -8.22063524662433e-18;
constexpr double kC21 = 1.9572941063391263e-20;

inline unsigned long long bitsOf(double v) { return std::bit_cast<unsigned long long>(v); }
inline double fromBits(unsigned long long v) { return std::bit_cast<double>(v); }
// Always inlined, like every helper taking or returning the 64-byte
// vectors: an out-of-line copy would be compiled for the baseline
// processor, which passes such vectors in memory, while the AVX-512 caller
// expects them in registers (an unoptimised build crashed here).
__attribute__((always_inline)) inline vl8 bitsOf(const vd8& v) { return (vl8)v; }
__attribute__((always_inline)) inline vd8 fromBits(const vl8& v) { return (vd8)v; }

// The same operations for a double and for eight lanes.
template <class V>
__attribute__((always_inline)) inline V sinCore(const V& x) {
  const V t = x * kInvPi + kMagic;
  const V q = t - kMagic;  // nearest integer to x / pi
  V d = x - q * kPiA;
  d = d - q * kPiB;
  d = d - q * kPiC;  // |d| <= pi/2 (plus rounding)
  const V s = d * d;
  V p = s * kC21 + kC19;
  p = p * s + kC17;
  p = p * s + kC15;
  p = p * s + kC13;
  p = p * s + kC11;
  p = p * s + kC9;
  p = p * s + kC7;
  p = p * s + kC5;
  p = p * s + kC3;
  const V r = d + (d * s) * p;
  // sin(x) = (-1)^q sin(d); the parity of q is the last bit of t.
  return fromBits(bitsOf(r) ^ ((bitsOf(t) & 1) << 63));
}

__attribute__((always_inline)) inline vd8 loadv(const double* p) {
  vd8 v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

__attribute__((always_inline)) inline double sumWeightedSinBody(const double* a, const double* w, size_t n,
                                                                double t) {
  vd8 acc = {0, 0, 0, 0, 0, 0, 0, 0};
  for (size_t j = 0; j < n; j += 8) acc = acc + loadv(w + j) * sinCore<vd8>(loadv(a + j) * t);
  double sum = 0;
  for (int l = 0; l < 8; ++l) sum += acc[l];
  return sum;
}

__attribute__((always_inline)) inline void partialSums8Body(const double q[8], const StPartialBins& b, double sii[8],
                                                            double sij[8], double sjj[8]) {
  const vd8 qv = loadv(q);
  vd8 aii = {0, 0, 0, 0, 0, 0, 0, 0}, aij = aii, ajj = aii;
  for (size_t j = 0; j < b.n; ++j) {
    const vd8 sn = sinCore<vd8>(qv * b.r[j]);
    aii = aii + sn * b.wii[j];
    aij = aij + sn * b.wij[j];
    ajj = ajj + sn * b.wjj[j];
  }
  for (int l = 0; l < 8; ++l) {
    sii[l] = aii[l];
    sij[l] = aij[l];
    sjj[l] = ajj[l];
  }
}

__attribute__((target("avx512f,avx512dq,avx512vl"))) double sumAvx512(const double* a, const double* w, size_t n,
                                                                       double t) {
  return sumWeightedSinBody(a, w, n, t);
}
__attribute__((target("avx2"))) double sumAvx2(const double* a, const double* w, size_t n, double t) {
  return sumWeightedSinBody(a, w, n, t);
}
double sumBaseline(const double* a, const double* w, size_t n, double t) { return sumWeightedSinBody(a, w, n, t); }

__attribute__((target("avx512f,avx512dq,avx512vl"))) void partialAvx512(const double q[8], const StPartialBins& b,
                                                                         double sii[8], double sij[8], double sjj[8]) {
  partialSums8Body(q, b, sii, sij, sjj);
}
__attribute__((target("avx2"))) void partialAvx2(const double q[8], const StPartialBins& b, double sii[8],
                                                 double sij[8], double sjj[8]) {
  partialSums8Body(q, b, sii, sij, sjj);
}
void partialBaseline(const double q[8], const StPartialBins& b, double sii[8], double sij[8], double sjj[8]) {
  partialSums8Body(q, b, sii, sij, sjj);
}

enum class Path { Avx512, Avx2, Baseline };

Path choosePath() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl"))
    return Path::Avx512;
  if (__builtin_cpu_supports("avx2")) return Path::Avx2;
  return Path::Baseline;
}

const Path kPath = choosePath();

}  // namespace

double kernelSin(double x) { return sinCore<double>(x); }

double wideSin(double x) { return std::fabs(x) < kKernelSinRange ? sinCore<double>(x) : std::sin(x); }

double sumWeightedSin(const double* a, const double* w, size_t n, double t) {
  switch (kPath) {
    case Path::Avx512: return sumAvx512(a, w, n, t);
    case Path::Avx2: return sumAvx2(a, w, n, t);
    default: return sumBaseline(a, w, n, t);
  }
}

void partialSums8(const double q[8], const StPartialBins& bins, double sii[8], double sij[8], double sjj[8]) {
  switch (kPath) {
    case Path::Avx512: partialAvx512(q, bins, sii, sij, sjj); break;
    case Path::Avx2: partialAvx2(q, bins, sii, sij, sjj); break;
    default: partialBaseline(q, bins, sii, sij, sjj); break;
  }
}

void partialSums1(double q, const StPartialBins& b, double& sii, double& sij, double& sjj) {
  sii = sij = sjj = 0;
  for (size_t j = 0; j < b.n; ++j) {
    const double sn = wideSin(q * b.r[j]);
    sii += sn * b.wii[j];
    sij += sn * b.wij[j];
    sjj += sn * b.wjj[j];
  }
}

const char* kernelPath() {
  switch (kPath) {
    case Path::Avx512: return "avx512";
    case Path::Avx2: return "avx2";
    default: return "baseline";
  }
}

}  // namespace grainix

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace grainix {

void parallelChunks(int64_t count, int64_t chunk, int threads, const CancelToken* cancel, ProgressSink* gauge,
                    const std::function<void(int64_t, int64_t)>& body) {
  if (count <= 0) return;
  if (chunk < 1) chunk = 1;
  threads = workerThreads(threads);
  const int64_t chunks = (count + chunk - 1) / chunk;
  threads = static_cast<int>(std::min<int64_t>(threads, chunks));
  std::atomic<int64_t> next{0};
  std::atomic<int64_t> done{0};
  auto work = [&] {
    for (;;) {
      if (cancel && cancel->requested()) return;
      const int64_t c = next.fetch_add(1);
      if (c >= chunks) return;
      const int64_t begin = c * chunk;
      const int64_t end = std::min(count, begin + chunk);
      body(begin, end);
      const int64_t finished = done.fetch_add(end - begin) + (end - begin);
      if (gauge) gauge->setPosition(finished);
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& th : pool) th.join();
}

}  // namespace grainix
