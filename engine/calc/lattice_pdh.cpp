// Lattice histograms: mapping of the nodes onto the grid, the transforms,
// the binning per lattice vector and the enumeration of vectors on bin edges.
#include "engine/calc/lattice_pdh.h"

#include <fftw3.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>
#include <tuple>
#include <thread>
#include <utility>

#include "engine/core/format.h"
#include "engine/core/huge_page_allocator.h"

namespace grainix {

namespace {

constexpr double kUnitRoundoff = 0x1p-53;
// A node belongs to a coset when its fractional coordinates relative to it
// are this close to integers.
constexpr double kMapTolerance = 1e-6;
// Largest margin (in bins) the proven bound may reach: beyond it the nodes
// are too far from their sites for the lattice to help.
constexpr double kMaxMargin = 0.01;

using Vec3 = std::array<double, 3>;

// ------------------------------------------------------------ FFTW access

// The planner is not re-entrant; plans are made and destroyed under this lock.
std::mutex& plannerMutex() {
  static std::mutex m;
  return m;
}

bool fftwThreadsReady() {
  static const bool ready = fftw_init_threads() != 0;
  return ready;
}

// Transform arrays, aligned for FFTW's vector code; large ones on huge
// pages (first touches of fresh pages dominate otherwise).
struct FftwBuffer {
  fftw_complex* p = nullptr;
  FftwBuffer() = default;
  explicit FftwBuffer(size_t n) {
    const size_t bytes = n * sizeof(fftw_complex);
    const size_t align = bytes >= HugePageAllocator<double>::kThreshold ? HugePageAllocator<double>::kHuge : 64;
    void* mem = std::aligned_alloc(align, (bytes + align - 1) / align * align);
    if (!mem) throw std::bad_alloc();
    if (align > 64) madvise(mem, bytes, MADV_HUGEPAGE);
    p = static_cast<fftw_complex*>(mem);
  }
  FftwBuffer(FftwBuffer&& o) noexcept : p(std::exchange(o.p, nullptr)) {}
  FftwBuffer& operator=(FftwBuffer&& o) noexcept {
    std::swap(p, o.p);
    return *this;
  }
  FftwBuffer(const FftwBuffer&) = delete;
  ~FftwBuffer() { std::free(p); }
  double* real() const { return reinterpret_cast<double*>(p); }
};

struct FftwPlan {
  fftw_plan p = nullptr;
  FftwPlan() = default;
  FftwPlan(const FftwPlan&) = delete;
  FftwPlan& operator=(const FftwPlan&) = delete;
  ~FftwPlan() {
    if (p) {
      std::lock_guard lock(plannerMutex());
      fftw_destroy_plan(p);
    }
  }
};

// ------------------------------------------------------------ helpers

// Smallest m >= n whose only prime factors are 2, 3, 5 and 7. Along the
// strided axes (all but the last) large multiples of 128 are avoided: their
// power-of-two strides map the transform's columns onto few cache sets
// (256 x 256 x 270 takes three times as long as 270 x 270 x 270).
int64_t transformSize(int64_t n, bool strided) {
  for (int64_t m = std::max<int64_t>(n, 1);; ++m) {
    if (strided && m > 128 && m % 128 == 0) continue;
    int64_t r = m;
    for (int f : {2, 3, 5, 7})
      while (r % f == 0) r /= f;
    if (r == 1) return m;
  }
}

int64_t availableMemory() {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("MemAvailable:", 0) == 0) {
      std::istringstream s(line.substr(13));
      int64_t kb = 0;
      if (s >> kb) return kb * 1024;
    }
  }
  const long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && size > 0 ? static_cast<int64_t>(pages) * size : int64_t{1} << 30;
}

// Runs f(thread, item) for items 0 .. n-1 on `threads` threads (the caller
// being thread 0).
template <typename F>
void parallelFor(int threads, int64_t n, F&& f) {
  std::atomic<int64_t> next{0};
  auto work = [&](int id) {
    for (;;) {
      const int64_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= n) break;
      f(id, i);
    }
  };
  std::vector<std::thread> pool;
  const int extra = static_cast<int>(std::min<int64_t>(threads, std::max<int64_t>(n, 1))) - 1;
  pool.reserve(static_cast<size_t>(std::max(0, extra)));
  for (int id = 1; id <= extra; ++id) pool.emplace_back(work, id);
  work(0);
  for (std::thread& t : pool) t.join();
}

bool invert(const std::array<Vec3, 3>& basis, std::array<Vec3, 3>& inv) {
  // Columns of the matrix are the basis vectors: p = M f.
  const double m[3][3] = {{basis[0][0], basis[1][0], basis[2][0]},
                          {basis[0][1], basis[1][1], basis[2][1]},
                          {basis[0][2], basis[1][2], basis[2][2]}};
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  double scale = 1;
  for (const Vec3& b : basis) scale *= std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
  if (!std::isfinite(det) || !(std::fabs(det) > 1e-9 * scale)) return false;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      inv[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
    }
  return true;
}

// Smallest squared distance s >= 0 that the pair loop bins at K or above
// (its bin trunc(sqrt(s) / w) never decreases as s grows).
double binThreshold(int64_t K, double w) {
  if (K <= 0) return 0;
  const double k = static_cast<double>(K);
  double hi = (k * w) * (k * w) * (1 + 0x1p-20) + std::numeric_limits<double>::denorm_min();
  while (!(std::sqrt(hi) / w >= k)) hi *= 2;
  uint64_t lo = 0, up = std::bit_cast<uint64_t>(hi);  // bin(lo) < K <= bin(up)
  while (up - lo > 1) {
    const uint64_t mid = lo + (up - lo) / 2;
    if (std::sqrt(std::bit_cast<double>(mid)) / w >= k)
      up = mid;
    else
      lo = mid;
  }
  return std::bit_cast<double>(up);
}

// The pair loop's squared distance: differences, squares and sums each
// rounded, in this order.
inline double squaredDistance(const StGrainNode& a, const StGrainNode& b) {
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return dx * dx + dy * dy + dz * dz;
}

// ------------------------------------------------------------ the run

// One occupancy grid: a coset of one species. The node at each box point
// (-1 where none sits) and, per row along the last axis, the span [lo, hi)
// of its occupied points.
struct OccGrid {
  int coset = 0;
  int species = 0;
  int64_t count = 0;
  std::vector<int32_t, HugePageAllocator<int32_t>> node;
  std::vector<int32_t> rowLo, rowHi;
  // Per plane i0: the span [lo, hi) of its occupied rows i1.
  std::vector<int32_t> planeLo, planeHi;
  // When the grids are separable (see LatticeRun::separable_): x and y of
  // every row, z of every index along the rows.
  std::vector<double> rowX, rowY, zAt;
};

// A pair of grids whose cross-correlation joins a group: the pairs (node of
// p at i, node of q at i + w - t) are separated by basis * (w + rep).
struct Member {
  int p = 0, q = 0;
  std::array<int, 3> t{};  // each 0 or -1
};

struct Group {
  int pairIndex = 0;  // species pair
  bool self = false;  // autocorrelations of grids (only w > 0 counted)
  Vec3 rep{};         // offset difference in [0, 1)
  std::vector<Member> members;
};

struct EdgeEntry {
  int group = 0;
  std::array<int32_t, 3> w{};
  int64_t K = 0;      // the bin edge the vector's length lies on
  int64_t count = 0;  // pairs, from the transform
};

class LatticeRun {
 public:
  LatticeRun(const vGrainNodes& nodes, std::span<const uint8_t> species, int nSpecies, const StLatticeGrid& grid,
             double w, int64_t cap, const std::function<void(double)>& progress, const CancelToken& cancel,
             const StLatticeHistOptions& opt)
      : nodes_(nodes), species_(species), nSpecies_(nSpecies), grid_(grid), w_(w), cap_(cap), progress_(progress),
        cancel_(cancel), opt_(opt) {
    threads_ = opt.threads > 0 ? opt.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }

  StLatticeHistResult run() {
    {
      // FFTW's threads are set up once, before the first plan.
      std::lock_guard lock(plannerMutex());
      fftwThreadsReady();
    }
    try {
      if (!mapNodes() || !planGroups() || !checkMemory()) return std::move(res_);
      buildGrids();
      if (!res_.reason.empty()) return std::move(res_);
      transform();
      if (stopped()) return terminated();
      if (!res_.reason.empty()) return std::move(res_);
      enumerateEdges();
      if (stopped()) return terminated();
      if (!res_.reason.empty()) return std::move(res_);
      finish();
    } catch (const std::bad_alloc&) {
      res_ = StLatticeHistResult{};
      res_.reason = "not enough memory for the lattice transforms";
    }
    return std::move(res_);
  }

 private:
  const vGrainNodes& nodes_;
  std::span<const uint8_t> species_;
  int nSpecies_;
  const StLatticeGrid& grid_;
  double w_;
  int64_t cap_;
  const std::function<void(double)>& progress_;
  const CancelToken& cancel_;
  StLatticeHistOptions opt_;
  int threads_ = 1;
  StLatticeHistResult res_;

  std::array<Vec3, 3> basis_{};
  std::vector<Vec3> offsets_;
  // Per node: lattice index relative to the box corner and its grid.
  std::vector<std::array<int32_t, 3>> index_;
  std::vector<uint16_t> gridOf_;
  std::array<int64_t, 3> lo_{}, n_{}, P_{};
  int64_t box_ = 0, rows_ = 0, complexCount_ = 0, realStride_ = 0;
  double margin_ = 0;
  // True when, in every grid, the nodes of a row share x and y exactly, z
  // depends only on the position along the row, and within its span a row
  // holds a node wherever any row of the grid does: then the squared
  // distance of a pair depends on its two rows and on a few classes of z
  // differences only.
  bool separable_ = false;
  std::vector<OccGrid> grids_;
  std::vector<Group> groups_;
  std::vector<EdgeEntry> edges_;
  std::vector<std::vector<std::vector<int64_t>>> threadTables_;  // [thread][pair][bin]

  // progress
  double unitsTotal_ = 1, unitsDone_ = 0;
  std::chrono::steady_clock::time_point lastReport_{};
  std::atomic<bool> stop_{false};

  bool stopped() { return stop_.load(std::memory_order_relaxed) || cancel_.requested(); }
  StLatticeHistResult terminated() {
    StLatticeHistResult r;
    r.status = StLatticeHistResult::Status::Terminated;
    return r;
  }
  bool refuse(std::string why) {
    res_.reason = std::move(why);
    return false;
  }
  void report(double units, bool force = false) {
    if (!progress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < std::chrono::milliseconds(50)) return;
    lastReport_ = now;
    progress_(std::clamp((unitsDone_ + units) / unitsTotal_, 0.0, 1.0));
  }

  Vec3 cart(const std::array<double, 3>& f) const {
    Vec3 v{};
    for (int d = 0; d < 3; ++d)
      for (int c = 0; c < 3; ++c) v[c] += f[d] * basis_[d][c];
    return v;
  }

  // ---- 1. nodes onto the grid
  bool mapNodes() {
    basis_ = grid_.basis;
    std::array<Vec3, 3> inv{};
    if (grid_.offsets.empty() || !invert(basis_, inv)) return refuse("the grain has no lattice grid");
    for (const auto& o : grid_.offsets) {
      Vec3 f{};
      for (int d = 0; d < 3; ++d) {
        if (!std::isfinite(o[d])) return refuse("the grain has no lattice grid");
        f[d] = o[d] - std::floor(o[d]);
        if (f[d] > 1 - 1e-12) f[d] = 0;
      }
      bool known = false;
      for (const Vec3& g : offsets_) {
        bool same = true;
        for (int d = 0; d < 3; ++d) {
          const double diff = std::fabs(g[d] - f[d]);
          same = same && (diff < 1e-9 || diff > 1 - 1e-9);
        }
        known = known || same;
      }
      if (!known) offsets_.push_back(f);
    }
    const size_t N = nodes_.size();
    const int K = static_cast<int>(offsets_.size());
    if (static_cast<int64_t>(K) * nSpecies_ > 65535) return refuse("too many cosets");
    index_.resize(N);
    gridOf_.resize(N);
    std::vector<int> gridId(static_cast<size_t>(K * nSpecies_), -1);
    std::array<int64_t, 3> mn{INT64_MAX, INT64_MAX, INT64_MAX}, mx{INT64_MIN, INT64_MIN, INT64_MIN};
    std::vector<std::array<int64_t, 3>> raw(N);
    for (size_t i = 0; i < N; ++i) {
      const StGrainNode& g = nodes_[i];
      if (!std::isfinite(g.x) || !std::isfinite(g.y) || !std::isfinite(g.z))
        return refuse("a node has no finite position");
      if (species_[i] >= nSpecies_) return refuse("a node has no species");
      Vec3 f{};
      for (int d = 0; d < 3; ++d) f[d] = inv[d][0] * g.x + inv[d][1] * g.y + inv[d][2] * g.z;
      int found = -1;
      for (int k = 0; k < K && found < 0; ++k) {
        bool on = true;
        for (int d = 0; d < 3; ++d) {
          const double r = f[d] - offsets_[static_cast<size_t>(k)][d];
          on = on && std::fabs(r - std::nearbyint(r)) <= kMapTolerance && std::fabs(r) < 0x1p30;
        }
        if (on) found = k;
      }
      if (found < 0) return refuse("the nodes do not lie on the lattice grid");
      for (int d = 0; d < 3; ++d) {
        const int64_t u = static_cast<int64_t>(std::nearbyint(f[d] - offsets_[static_cast<size_t>(found)][d]));
        raw[i][static_cast<size_t>(d)] = u;
        mn[static_cast<size_t>(d)] = std::min(mn[static_cast<size_t>(d)], u);
        mx[static_cast<size_t>(d)] = std::max(mx[static_cast<size_t>(d)], u);
      }
      int& id = gridId[static_cast<size_t>(found * nSpecies_ + species_[i])];
      if (id < 0) {
        id = static_cast<int>(grids_.size());
        OccGrid og;
        og.coset = found;
        og.species = species_[i];
        grids_.push_back(std::move(og));
      }
      gridOf_[i] = static_cast<uint16_t>(id);
      ++grids_[static_cast<size_t>(id)].count;
    }
    if (N == 0) return refuse("the grain has no nodes");
    box_ = 1;
    for (size_t d = 0; d < 3; ++d) {
      lo_[d] = mn[d];
      n_[d] = mx[d] - mn[d] + 1;
      P_[d] = transformSize(2 * n_[d], d < 2);
      if (n_[d] > (int64_t{1} << 20)) return refuse("the lattice grid is too large");
      box_ *= n_[d];
    }
    rows_ = n_[0] * n_[1];
    complexCount_ = P_[0] * P_[1] * (P_[2] / 2 + 1);
    realStride_ = 2 * (P_[2] / 2 + 1);

    // Deviation of the nodes from their sites and the extent of the figures
    // involved: they bound the roundings of every distance formed below.
    double dev = 0, X = 0;
    std::array<double, 3> bl{INFINITY, INFINITY, INFINITY}, bh{-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < N; ++i) {
      const StGrainNode& g = nodes_[i];
      const Vec3& o = offsets_[static_cast<size_t>(grids_[gridOf_[i]].coset)];
      Vec3 f{};
      for (int d = 0; d < 3; ++d) {
        f[static_cast<size_t>(d)] = static_cast<double>(raw[i][static_cast<size_t>(d)]) + o[static_cast<size_t>(d)];
        index_[i][static_cast<size_t>(d)] =
            static_cast<int32_t>(raw[i][static_cast<size_t>(d)] - lo_[static_cast<size_t>(d)]);
      }
      const Vec3 m = cart(f);
      const double dx = g.x - m[0], dy = g.y - m[1], dz = g.z - m[2];
      dev = std::max(dev, std::sqrt(dx * dx + dy * dy + dz * dz));
      const double c[3] = {g.x, g.y, g.z};
      for (int d = 0; d < 3; ++d) {
        X = std::max(X, std::fabs(c[d]));
        bl[static_cast<size_t>(d)] = std::min(bl[static_cast<size_t>(d)], c[d]);
        bh[static_cast<size_t>(d)] = std::max(bh[static_cast<size_t>(d)], c[d]);
      }
    }
    double diag2 = 0, L = 0;
    for (size_t d = 0; d < 3; ++d) {
      diag2 += (bh[d] - bl[d]) * (bh[d] - bl[d]);
      const double len = std::sqrt(basis_[d][0] * basis_[d][0] + basis_[d][1] * basis_[d][1] +
                                   basis_[d][2] * basis_[d][2]);
      L += (static_cast<double>(std::max<int64_t>({std::abs(mn[d]), std::abs(mx[d]), n_[d]})) + 2) * len;
    }
    // The pair loop's distance of two nodes, the exact distance of their
    // sites and the length computed here for the lattice vector differ by
    // less than this (in bins): twice the largest deviation of a node, plus
    // a few roundings of every coordinate, difference and length formed.
    const double bound = (2 * dev + 64 * kUnitRoundoff * (X + std::sqrt(diag2) + L)) / w_;
    margin_ = opt_.edgeMargin >= 0 ? opt_.edgeMargin : 4 * bound;
    res_.margin = margin_;
    if (opt_.edgeMargin < 0 && margin_ > kMaxMargin) return refuse("the nodes lie too far from their lattice sites");
    return true;
  }

  // ---- 2. grid pairs into groups, the rounding bound
  bool planGroups() {
    const int G = static_cast<int>(grids_.size());
    res_.grids = G;
    for (int p = 0; p < G; ++p) {
      for (int q = 0; q < G; ++q) {
        const OccGrid& a = grids_[static_cast<size_t>(p)];
        const OccGrid& b = grids_[static_cast<size_t>(q)];
        // Same species: each unordered pair of grids once, a grid with
        // itself as a self group. Different species: first species first.
        if (a.species > b.species || (a.species == b.species && p > q)) continue;
        Group key;
        key.pairIndex = speciesPairIndex(a.species, b.species, nSpecies_);
        key.self = p == q;
        Member m{p, q, {}};
        for (size_t d = 0; d < 3; ++d) {
          double delta = offsets_[static_cast<size_t>(b.coset)][d] - offsets_[static_cast<size_t>(a.coset)][d];
          if (std::fabs(delta) < 1e-12) delta = 0;
          m.t[d] = delta < 0 ? -1 : 0;
          key.rep[d] = delta - m.t[d];
        }
        Group* g = nullptr;
        for (Group& e : groups_) {
          bool same = e.pairIndex == key.pairIndex && e.self == key.self;
          for (size_t d = 0; d < 3 && same; ++d) same = std::fabs(e.rep[d] - key.rep[d]) < 1e-9;
          if (same) g = &e;
        }
        if (!g) {
          groups_.push_back(key);
          g = &groups_.back();
        }
        g->members.push_back(m);
      }
    }
    res_.products = static_cast<int>(groups_.size());
    for (size_t d = 0; d < 3; ++d) res_.fftSize[d] = static_cast<int>(P_[d]);

    // A transform of M points is accurate to eps_f = 8 log2(M) u in the
    // 2-norm relative to its result; a correlation of occupancies holding
    // a and b nodes then errs by at most (3 eps_f + 16 u) sqrt(a b)
    // max(sqrt a, sqrt b) at any point (the forward errors times the other
    // spectrum's peak, the product's roundings and the inverse's error).
    const double M = static_cast<double>(P_[0] * P_[1] * P_[2]);
    const double epsF = 8 * std::log2(std::max(M, 2.0)) * kUnitRoundoff;
    double worst = 0;
    for (const Group& g : groups_) {
      double b = 0;
      for (const Member& m : g.members) {
        const double a = static_cast<double>(grids_[static_cast<size_t>(m.p)].count);
        const double c = static_cast<double>(grids_[static_cast<size_t>(m.q)].count);
        b += (3 * epsF + 16 * kUnitRoundoff) * std::sqrt(a * c) * std::max(std::sqrt(a), std::sqrt(c));
      }
      worst = std::max(worst, b);
    }
    res_.roundingBound = worst;
    if (worst > opt_.roundingLimit)
      return refuse("the grain is too large for exact counts from the transforms (rounding bound " +
                    fmtGeneral(worst, 3) + ")");
    return true;
  }

  bool checkMemory() {
    const int64_t G = static_cast<int64_t>(grids_.size());
    const int64_t pairs = static_cast<int64_t>(nSpecies_) * (nSpecies_ + 1) / 2;
    int64_t bytes = G * box_ * 4 + G * rows_ * 24;                 // node per site; row spans, x, y
    bytes += (G + 1) * complexCount_ * 16;                          // spectra and the product
    bytes += (threads_ + 1) * pairs * cap_ * 8;                     // tables
    bytes += static_cast<int64_t>(nodes_.size()) * 16;              // indices
    res_.bytes = bytes;
    const int64_t limit = opt_.memoryLimit >= 0 ? opt_.memoryLimit : availableMemory() / 2;
    if (bytes > limit)
      return refuse("the grain is too large for the memory (the lattice transforms need " +
                    std::to_string(bytes >> 20) + " MB, " + std::to_string(std::max<int64_t>(limit, 0) >> 20) +
                    " MB may be used)");
    return true;
  }

  // ---- 3. coordinates per grid point
  void buildGrids() {
    for (OccGrid& g : grids_) {
      g.node.assign(static_cast<size_t>(box_), -1);
      g.rowLo.assign(static_cast<size_t>(rows_), INT32_MAX);
      g.rowHi.assign(static_cast<size_t>(rows_), 0);
    }
    for (size_t i = 0; i < nodes_.size(); ++i) {
      OccGrid& g = grids_[gridOf_[i]];
      const auto& u = index_[i];
      const int64_t row = u[0] * n_[1] + u[1];
      const auto at = static_cast<size_t>(row * n_[2] + u[2]);
      if (g.node[at] >= 0) {
        res_.reason = "two nodes share a lattice site";
        return;
      }
      g.node[at] = static_cast<int32_t>(i);
      g.rowLo[static_cast<size_t>(row)] = std::min(g.rowLo[static_cast<size_t>(row)], u[2]);
      g.rowHi[static_cast<size_t>(row)] = std::max(g.rowHi[static_cast<size_t>(row)], u[2] + 1);
    }
    for (OccGrid& g : grids_) {
      g.planeLo.assign(static_cast<size_t>(n_[0]), 0);
      g.planeHi.assign(static_cast<size_t>(n_[0]), 0);
      for (int64_t i0 = 0; i0 < n_[0]; ++i0) {
        int32_t lo = INT32_MAX, hi = 0;
        for (int64_t i1 = 0; i1 < n_[1]; ++i1) {
          const auto r = static_cast<size_t>(i0 * n_[1] + i1);
          if (g.rowLo[r] >= g.rowHi[r]) {
            g.rowLo[r] = g.rowHi[r] = 0;
            continue;
          }
          lo = std::min(lo, static_cast<int32_t>(i1));
          hi = static_cast<int32_t>(i1) + 1;
        }
        if (lo < hi) {
          g.planeLo[static_cast<size_t>(i0)] = lo;
          g.planeHi[static_cast<size_t>(i0)] = hi;
        }
      }
    }
    std::vector<std::array<int32_t, 3>>().swap(index_);
    std::vector<uint16_t>().swap(gridOf_);
    separable_ = checkSeparable();
  }

  bool checkSeparable() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (OccGrid& g : grids_) {
      g.rowX.assign(static_cast<size_t>(rows_), nan);
      g.rowY.assign(static_cast<size_t>(rows_), nan);
      g.zAt.assign(static_cast<size_t>(n_[2]), nan);
      // z per position along the rows, the same in every row.
      for (int64_t r = 0; r < rows_; ++r) {
        const size_t first = static_cast<size_t>(r * n_[2]);
        for (int32_t k = g.rowLo[static_cast<size_t>(r)]; k < g.rowHi[static_cast<size_t>(r)]; ++k) {
          const int32_t i = g.node[first + static_cast<size_t>(k)];
          if (i < 0) continue;
          const double z = nodes_[static_cast<size_t>(i)].z;
          double& at = g.zAt[static_cast<size_t>(k)];
          if (std::isnan(at)) at = z;
          if (at != z) return false;
        }
      }
      // x and y per row; within its span a row holds a node at every
      // position where any row does (stacked grains leave the layers of
      // other letters empty in every row alike).
      for (int64_t r = 0; r < rows_; ++r) {
        const int32_t lo = g.rowLo[static_cast<size_t>(r)], hi = g.rowHi[static_cast<size_t>(r)];
        if (lo >= hi) continue;
        const size_t first = static_cast<size_t>(r * n_[2]);
        const StGrainNode& a = nodes_[static_cast<size_t>(g.node[first + static_cast<size_t>(lo)])];
        g.rowX[static_cast<size_t>(r)] = a.x;
        g.rowY[static_cast<size_t>(r)] = a.y;
        for (int32_t k = lo; k < hi; ++k) {
          const int32_t i = g.node[first + static_cast<size_t>(k)];
          if ((i < 0) != std::isnan(g.zAt[static_cast<size_t>(k)])) return false;
          if (i >= 0 && (nodes_[static_cast<size_t>(i)].x != a.x || nodes_[static_cast<size_t>(i)].y != a.y))
            return false;
        }
      }
    }
    return true;
  }

  // ---- 4. transforms, products, binning per lattice vector
  void transform() {
    const int G = static_cast<int>(grids_.size());
    const double M = static_cast<double>(P_[0] * P_[1] * P_[2]);
    const double unitT = M * std::log2(std::max(M, 2.0));
    const double totalPairs = static_cast<double>(nodes_.size()) * static_cast<double>(nodes_.size() - 1) / 2;
    unitsTotal_ = unitT * (G + groups_.size()) + 2 * M * static_cast<double>(groups_.size()) + 0.01 * totalPairs;
    report(0, true);

    std::vector<FftwBuffer> spectra;
    spectra.reserve(static_cast<size_t>(G));
    for (int g = 0; g < G; ++g) spectra.emplace_back(static_cast<size_t>(complexCount_));
    FftwBuffer acc(static_cast<size_t>(complexCount_));
    FftwPlan forward, inverse;
    {
      std::lock_guard lock(plannerMutex());
      if (fftwThreadsReady()) fftw_plan_with_nthreads(threads_);
      const int p0 = static_cast<int>(P_[0]), p1 = static_cast<int>(P_[1]), p2 = static_cast<int>(P_[2]);
      forward.p = fftw_plan_dft_r2c_3d(p0, p1, p2, spectra[0].real(), spectra[0].p, FFTW_ESTIMATE);
      inverse.p = fftw_plan_dft_c2r_3d(p0, p1, p2, acc.p, acc.real(), FFTW_ESTIMATE);
    }
    if (!forward.p || !inverse.p) {
      res_.reason = "no transform plan for the lattice grid";
      return;
    }

    // Occupancies and their spectra.
    for (int g = 0; g < G; ++g) {
      if (stopped()) return;
      fillOccupancy(grids_[static_cast<size_t>(g)], spectra[static_cast<size_t>(g)].real());
      if (stopped()) return;
      fftw_execute_dft_r2c(forward.p, spectra[static_cast<size_t>(g)].real(), spectra[static_cast<size_t>(g)].p);
      unitsDone_ += unitT;
      report(0);
    }

    // Phase factors exp(2 pi i k / P) of a shift by -1 along each axis.
    std::array<std::vector<double>, 3> cr, ci;
    for (size_t d = 0; d < 3; ++d) {
      const int64_t len = d == 2 ? P_[2] / 2 + 1 : P_[d];
      cr[d].resize(static_cast<size_t>(len));
      ci[d].resize(static_cast<size_t>(len));
      for (int64_t k = 0; k < len; ++k) {
        const double a = 2 * M_PI * static_cast<double>(k) / static_cast<double>(P_[d]);
        cr[d][static_cast<size_t>(k)] = std::cos(a);
        ci[d][static_cast<size_t>(k)] = std::sin(a);
      }
    }

    threadTables_.assign(static_cast<size_t>(threads_),
                         std::vector<std::vector<int64_t>>(static_cast<size_t>(nSpecies_ * (nSpecies_ + 1) / 2)));
    for (auto& t : threadTables_)
      for (auto& table : t) table.assign(static_cast<size_t>(cap_), 0);

    for (size_t gi = 0; gi < groups_.size(); ++gi) {
      if (stopped()) return;
      product(groups_[gi], spectra, acc, cr, ci);
      if (stopped()) return;
      fftw_execute_dft_c2r(inverse.p, acc.p, acc.real());
      unitsDone_ += unitT;
      report(0);
      bin(static_cast<int>(gi), acc.real());
      unitsDone_ += 2 * M;
      report(0);
      if (!res_.reason.empty()) return;
    }
  }

  void fillOccupancy(const OccGrid& g, double* r) {
    const int64_t planes = P_[0];
    const int64_t plane = P_[1] * realStride_;
    parallelFor(threads_, planes, [&](int, int64_t i0) {
      double* p = r + i0 * plane;
      std::fill(p, p + plane, 0.0);
      if (i0 >= n_[0]) return;
      for (int64_t i1 = 0; i1 < n_[1]; ++i1) {
        const int64_t row = i0 * n_[1] + i1;
        const int32_t* node = g.node.data() + row * n_[2];
        double* out = p + i1 * realStride_;
        for (int32_t k = g.rowLo[static_cast<size_t>(row)]; k < g.rowHi[static_cast<size_t>(row)]; ++k)
          out[k] = node[k] >= 0 ? 1.0 : 0.0;
      }
    });
  }

  // acc(k) = sum over members of exp(-2 pi i k.t / P) conj(F_p(k)) F_q(k).
  void product(const Group& g, const std::vector<FftwBuffer>& spectra, FftwBuffer& acc,
               const std::array<std::vector<double>, 3>& cr, const std::array<std::vector<double>, 3>& ci) {
    // Members by shift (t as three bits).
    std::array<std::vector<const Member*>, 8> byShift;
    for (const Member& m : g.members) {
      const int code = (m.t[0] ? 1 : 0) | (m.t[1] ? 2 : 0) | (m.t[2] ? 4 : 0);
      byShift[static_cast<size_t>(code)].push_back(&m);
    }
    const int64_t h = P_[2] / 2 + 1;
    parallelFor(threads_, P_[0], [&](int, int64_t k0) {
      if (stopped()) return;
      for (int64_t k1 = 0; k1 < P_[1]; ++k1) {
        const int64_t base = (k0 * P_[1] + k1) * h;
        fftw_complex* out = acc.p + base;
        for (int64_t k2 = 0; k2 < h; ++k2) out[k2][0] = out[k2][1] = 0;
        for (int code = 0; code < 8; ++code) {
          const auto& list = byShift[static_cast<size_t>(code)];
          if (list.empty()) continue;
          // Phase of axes 0 and 1.
          double pr = 1, pi = 0;
          if (code & 1) {
            const double a = cr[0][static_cast<size_t>(k0)], b = ci[0][static_cast<size_t>(k0)];
            const double nr = pr * a - pi * b, ni = pr * b + pi * a;
            pr = nr, pi = ni;
          }
          if (code & 2) {
            const double a = cr[1][static_cast<size_t>(k1)], b = ci[1][static_cast<size_t>(k1)];
            const double nr = pr * a - pi * b, ni = pr * b + pi * a;
            pr = nr, pi = ni;
          }
          for (int64_t k2 = 0; k2 < h; ++k2) {
            double sr = 0, si = 0;
            for (const Member* m : list) {
              const fftw_complex& a = spectra[static_cast<size_t>(m->p)].p[base + k2];
              const fftw_complex& b = spectra[static_cast<size_t>(m->q)].p[base + k2];
              sr += a[0] * b[0] + a[1] * b[1];
              si += a[0] * b[1] - a[1] * b[0];
            }
            double fr = pr, fi = pi;
            if (code & 4) {
              const double a = cr[2][static_cast<size_t>(k2)], b = ci[2][static_cast<size_t>(k2)];
              fr = pr * a - pi * b;
              fi = pr * b + pi * a;
            }
            out[k2][0] += fr * sr - fi * si;
            out[k2][1] += fr * si + fi * sr;
          }
        }
      }
    });
  }

  // Counts of group `gi` per lattice vector into the tables; vectors on a
  // bin edge become edge entries.
  void bin(int gi, const double* r) {
    const Group& g = groups_[static_cast<size_t>(gi)];
    const double scale = 1.0 / static_cast<double>(P_[0] * P_[1] * P_[2]);
    const Vec3 rep = cart(g.rep);
    std::vector<std::vector<EdgeEntry>> edges(static_cast<size_t>(threads_));
    std::vector<double> seen(static_cast<size_t>(threads_), 0.0);
    std::atomic<bool> bad{false};
    auto wOf = [&](size_t d, int64_t i) -> int64_t {
      if (i < n_[d]) return i;
      if (i >= P_[d] - n_[d]) return i - P_[d];
      return INT64_MIN;  // no lattice vector lands here
    };
    parallelFor(threads_, P_[0], [&](int id, int64_t i0) {
      if (stopped() || bad.load(std::memory_order_relaxed)) return;
      auto& table = threadTables_[static_cast<size_t>(id)][static_cast<size_t>(g.pairIndex)];
      double& worst = seen[static_cast<size_t>(id)];
      const int64_t w0 = wOf(0, i0);
      for (int64_t i1 = 0; i1 < P_[1]; ++i1) {
        const int64_t w1 = wOf(1, i1);
        const double* row = r + (i0 * P_[1] + i1) * realStride_;
        Vec3 base{};
        const bool rowValid = w0 != INT64_MIN && w1 != INT64_MIN;
        if (rowValid) {
          for (size_t c = 0; c < 3; ++c)
            base[c] = static_cast<double>(w0) * basis_[0][c] + static_cast<double>(w1) * basis_[1][c] + rep[c];
        }
        for (int64_t i2 = 0; i2 < P_[2]; ++i2) {
          const double v = row[i2] * scale;
          const double c = std::nearbyint(v);
          const double dev = std::fabs(v - c);
          worst = std::max(worst, dev);
          if (c == 0 && dev <= 0.25) continue;
          const int64_t w2 = wOf(2, i2);
          if (dev > 0.25 || c < 0 || !rowValid || w2 == INT64_MIN) {
            bad.store(true);
            return;
          }
          if (g.self && (w0 < 0 || (w0 == 0 && (w1 < 0 || (w1 == 0 && w2 <= 0))))) continue;
          const double wz = static_cast<double>(w2);
          const double vx = base[0] + wz * basis_[2][0];
          const double vy = base[1] + wz * basis_[2][1];
          const double vz = base[2] + wz * basis_[2][2];
          const double q = std::sqrt(vx * vx + vy * vy + vz * vz) / w_;
          const double K = std::nearbyint(q);
          const auto count = static_cast<int64_t>(c);
          if (std::fabs(q - K) <= margin_) {
            edges[static_cast<size_t>(id)].push_back(
                {gi, {static_cast<int32_t>(w0), static_cast<int32_t>(w1), static_cast<int32_t>(w2)},
                 static_cast<int64_t>(K), count});
            continue;
          }
          const auto b = static_cast<int64_t>(q);
          if (b >= cap_) {
            bad.store(true);
            return;
          }
          table[static_cast<size_t>(b)] += count;
        }
      }
    });
    for (double s : seen) res_.roundingSeen = std::max(res_.roundingSeen, s);
    if (bad.load()) {
      res_.reason = "the transforms gave no exact counts";
      return;
    }
    for (auto& e : edges) edges_.insert(edges_.end(), e.begin(), e.end());
  }

  // ---- 5. pairs of vectors on bin edges, from the nodes' coordinates

  // For grids p and q of separable grids and a shift v along the rows: the
  // distinct squared z differences fl(dz * dz) of the pairs (k, k + v) and,
  // per class j, prefix[j * (n2 + 1) + k] = the positions before k in it.
  struct ZClasses {
    std::vector<double> sq;
    std::vector<int32_t> prefix;
  };

  ZClasses zClasses(const OccGrid& p, const OccGrid& q, int32_t v) const {
    ZClasses zc;
    const int64_t n2 = n_[2];
    std::vector<int> cls(static_cast<size_t>(n2), -1);
    for (int64_t k = std::max<int64_t>(0, -v); k < std::min(n2, n2 - v); ++k) {
      const double a = p.zAt[static_cast<size_t>(k)], b = q.zAt[static_cast<size_t>(k + v)];
      if (std::isnan(a) || std::isnan(b)) continue;
      const double dz = a - b;
      const double sq = dz * dz;
      size_t j = 0;
      while (j < zc.sq.size() && zc.sq[j] != sq) ++j;
      if (j == zc.sq.size()) zc.sq.push_back(sq);
      cls[static_cast<size_t>(k)] = static_cast<int>(j);
    }
    const size_t stride = static_cast<size_t>(n2) + 1;
    zc.prefix.assign(zc.sq.size() * stride, 0);
    for (size_t j = 0; j < zc.sq.size(); ++j) {
      int32_t* pre = zc.prefix.data() + j * stride;
      for (int64_t k = 0; k < n2; ++k) pre[k + 1] = pre[k] + (cls[static_cast<size_t>(k)] == static_cast<int>(j));
    }
    return zc;
  }

  struct EdgeTask {
    int p, q;
    int32_t v0, v1, v2;
    int entry;
  };

  void enumerateEdges() {
    std::vector<EdgeTask> tasks;
    int64_t edgePairs = 0;
    for (size_t e = 0; e < edges_.size(); ++e) {
      const EdgeEntry& en = edges_[e];
      edgePairs += en.count;
      for (const Member& m : groups_[static_cast<size_t>(en.group)].members)
        tasks.push_back({m.p, m.q, en.w[0] - m.t[0], en.w[1] - m.t[1], en.w[2] - m.t[2], static_cast<int>(e)});
    }
    res_.edgeVectors = static_cast<int64_t>(edges_.size());
    res_.edgePairs = edgePairs;
    const double totalPairs = static_cast<double>(nodes_.size()) * static_cast<double>(nodes_.size() - 1) / 2;
    unitsTotal_ += static_cast<double>(edgePairs) - 0.01 * totalPairs;
    std::sort(tasks.begin(), tasks.end(), [](const EdgeTask& a, const EdgeTask& b) {
      return std::tie(a.p, a.q, a.v0, a.v1, a.v2) < std::tie(b.p, b.q, b.v0, b.v1, b.v2);
    });
    // Work items: runs of tasks sharing the grids and the first two components.
    std::vector<size_t> starts;
    for (size_t i = 0; i < tasks.size(); ++i) {
      if (i == 0 || tasks[i].p != tasks[i - 1].p || tasks[i].q != tasks[i - 1].q || tasks[i].v0 != tasks[i - 1].v0 ||
          tasks[i].v1 != tasks[i - 1].v1)
        starts.push_back(i);
    }
    starts.push_back(tasks.size());

    // Thresholds of the squared distance: below sK the pair loop bins at
    // K - 1, from sK on at K; outside [sLo, sUp) the pair is in neither.
    const size_t E = edges_.size();
    std::vector<double> sK(E), sLo(E), sUp(E);
    for (size_t e = 0; e < E; ++e) {
      const int64_t K = edges_[e].K;
      sK[e] = binThreshold(K, w_);
      sLo[e] = K > 0 ? binThreshold(K - 1, w_) : 0;
      sUp[e] = binThreshold(K + 1, w_);
    }
    struct Counts {
      int64_t below = 0, from = 0, outside = 0;
    };
    std::vector<std::vector<Counts>> counts(static_cast<size_t>(threads_), std::vector<Counts>(E));
    std::atomic<int64_t> pairsDone{0};
    const int64_t items = static_cast<int64_t>(starts.size()) - 1;
    // Classes of z differences of the separable grids, per grid pair and
    // shift along the rows (built where a task needs them).
    std::map<std::tuple<int, int, int32_t>, ZClasses> classes;
    if (separable_) {
      for (const EdgeTask& t : tasks) {
        auto [it, added] = classes.try_emplace({t.p, t.q, t.v2});
        if (added) it->second = zClasses(grids_[static_cast<size_t>(t.p)], grids_[static_cast<size_t>(t.q)], t.v2);
      }
    }
    std::vector<const ZClasses*> classOf(tasks.size(), nullptr);
    if (separable_)
      for (size_t k = 0; k < tasks.size(); ++k) classOf[k] = &classes.at({tasks[k].p, tasks[k].q, tasks[k].v2});

    parallelFor(threads_, items, [&](int id, int64_t item) {
      if (stopped()) return;
      const size_t b = starts[static_cast<size_t>(item)], e = starts[static_cast<size_t>(item) + 1];
      const EdgeTask& t0 = tasks[b];
      const OccGrid& gp = grids_[static_cast<size_t>(t0.p)];
      const OccGrid& gq = grids_[static_cast<size_t>(t0.q)];
      auto& mine = counts[static_cast<size_t>(id)];
      int64_t visited = 0;
      const int64_t a0 = std::max<int64_t>(0, -t0.v0), e0 = std::min(n_[0], n_[0] - t0.v0);
      for (int64_t i0 = a0; i0 < e0; ++i0) {
        // Rows occupied in both planes.
        const int64_t a1 = std::max<int64_t>(gp.planeLo[static_cast<size_t>(i0)],
                                             gq.planeLo[static_cast<size_t>(i0 + t0.v0)] - t0.v1);
        const int64_t e1 = std::min<int64_t>(gp.planeHi[static_cast<size_t>(i0)],
                                             gq.planeHi[static_cast<size_t>(i0 + t0.v0)] - t0.v1);
        for (int64_t i1 = a1; i1 < e1; ++i1) {
          const int64_t rp = i0 * n_[1] + i1, rq = (i0 + t0.v0) * n_[1] + (i1 + t0.v1);
          const int32_t pLo = gp.rowLo[static_cast<size_t>(rp)], pHi = gp.rowHi[static_cast<size_t>(rp)];
          const int32_t qLo = gq.rowLo[static_cast<size_t>(rq)], qHi = gq.rowHi[static_cast<size_t>(rq)];
          if (pLo >= pHi || qLo >= qHi) continue;
          if (separable_) {
            const size_t stride = static_cast<size_t>(n_[2]) + 1;
            // The row pair fixes dx and dy; z differences fall in classes.
            const double dx = gp.rowX[static_cast<size_t>(rp)] - gq.rowX[static_cast<size_t>(rq)];
            const double dy = gp.rowY[static_cast<size_t>(rp)] - gq.rowY[static_cast<size_t>(rq)];
            const double xy = dx * dx + dy * dy;
            for (size_t k = b; k < e; ++k) {
              const EdgeTask& t = tasks[k];
              const int32_t from = std::max(pLo, qLo - t.v2), to = std::min(pHi, qHi - t.v2);
              if (from >= to) continue;
              const size_t en = static_cast<size_t>(t.entry);
              const ZClasses& zc = *classOf[k];
              const double thr = sK[en], lo = sLo[en], up = sUp[en];
              const size_t classCount = zc.sq.size();
              const double* sq = zc.sq.data();
              const int32_t* pre = zc.prefix.data();
              int64_t below = 0, above = 0, outside = 0;
              for (size_t j = 0; j < classCount; ++j, pre += stride) {
                const int64_t c = pre[to] - pre[from];
                const double s = xy + sq[j];
                below += s < thr ? c : 0;
                above += s < thr ? 0 : c;
                outside += (s < lo) | (s >= up) ? c : 0;
              }
              mine[en].below += below;
              mine[en].from += above;
              mine[en].outside += outside;
              visited += to - from;
            }
            continue;
          }
          const int32_t* pn = gp.node.data() + rp * n_[2];
          const int32_t* qn = gq.node.data() + rq * n_[2];
          for (size_t k = b; k < e; ++k) {
            const EdgeTask& t = tasks[k];
            const int32_t from = std::max(pLo, qLo - t.v2), to = std::min(pHi, qHi - t.v2);
            if (from >= to) continue;
            const size_t en = static_cast<size_t>(t.entry);
            const double thr = sK[en], lo = sLo[en], up = sUp[en];
            int64_t below = 0, above = 0, outside = 0;
            for (int32_t i = from; i < to; ++i) {
              if (pn[i] < 0 || qn[i + t.v2] < 0) continue;
              const double s = squaredDistance(nodes_[static_cast<size_t>(pn[i])], nodes_[static_cast<size_t>(qn[i + t.v2])]);
              below += s < thr;
              above += s >= thr;
              outside += (s < lo) | (s >= up);
            }
            mine[en].below += below;
            mine[en].from += above;
            mine[en].outside += outside;
            visited += to - from;
          }
        }
      }
      const int64_t all = pairsDone.fetch_add(visited, std::memory_order_relaxed) + visited;
      if (id == 0) report(static_cast<double>(all));
    });
    if (stopped()) return;
    unitsDone_ += static_cast<double>(edgePairs);

    auto& table = threadTables_[0];
    for (size_t e = 0; e < E; ++e) {
      Counts c;
      for (const auto& t : counts) {
        c.below += t[e].below;
        c.from += t[e].from;
        c.outside += t[e].outside;
      }
      const EdgeEntry& en = edges_[e];
      if (c.below + c.from != en.count) {
        res_.reason = "the enumerated pairs differ from the transformed count";
        return;
      }
      auto& t = table[static_cast<size_t>(groups_[static_cast<size_t>(en.group)].pairIndex)];
      if (c.outside > 0) {
        if (!binEntryExactly(en, t)) return;
        continue;
      }
      if (en.K >= cap_ || (en.K == 0 && c.below > 0)) {
        res_.reason = "a lattice vector lies beyond the table";
        return;
      }
      t[static_cast<size_t>(en.K)] += c.from;
      if (c.below > 0) t[static_cast<size_t>(en.K - 1)] += c.below;
    }
  }

  // The pairs of one edge entry one by one, with the pair loop's formula
  // (for vectors whose pairs do not all fall next to the one edge, which
  // only a margin of half a bin or more allows).
  bool binEntryExactly(const EdgeEntry& en, std::vector<int64_t>& table) {
    for (const Member& m : groups_[static_cast<size_t>(en.group)].members) {
      const OccGrid& gp = grids_[static_cast<size_t>(m.p)];
      const OccGrid& gq = grids_[static_cast<size_t>(m.q)];
      const int64_t v[3] = {en.w[0] - m.t[0], en.w[1] - m.t[1], en.w[2] - m.t[2]};
      for (int64_t i0 = std::max<int64_t>(0, -v[0]); i0 < std::min(n_[0], n_[0] - v[0]); ++i0)
        for (int64_t i1 = std::max<int64_t>(0, -v[1]); i1 < std::min(n_[1], n_[1] - v[1]); ++i1)
          for (int64_t i2 = std::max<int64_t>(0, -v[2]); i2 < std::min(n_[2], n_[2] - v[2]); ++i2) {
            const auto a = static_cast<size_t>((i0 * n_[1] + i1) * n_[2] + i2);
            const auto b = static_cast<size_t>(((i0 + v[0]) * n_[1] + i1 + v[1]) * n_[2] + i2 + v[2]);
            if (gp.node[a] < 0 || gq.node[b] < 0) continue;
            const double q = std::sqrt(squaredDistance(nodes_[static_cast<size_t>(gp.node[a])],
                                                       nodes_[static_cast<size_t>(gq.node[b])])) /
                             w_;
            if (!(q < static_cast<double>(cap_))) {
              res_.reason = "a lattice vector lies beyond the table";
              return false;
            }
            ++table[static_cast<size_t>(q)];
          }
    }
    return true;
  }

  // ---- 6. the tables, checked against the number of pairs
  void finish() {
    const size_t pairs = static_cast<size_t>(nSpecies_ * (nSpecies_ + 1) / 2);
    res_.tables.assign(pairs, std::vector<int64_t>(static_cast<size_t>(cap_), 0));
    int64_t total = 0;
    for (size_t p = 0; p < pairs; ++p) {
      auto& out = res_.tables[p];
      for (auto& t : threadTables_) {
        for (size_t b = 0; b < out.size(); ++b) out[b] += t[p][b];
        std::vector<int64_t>().swap(t[p]);
      }
      for (int64_t v : out) total += v;
    }
    const auto n = static_cast<int64_t>(nodes_.size());
    if (total != n * (n - 1) / 2) {
      res_.tables.clear();
      res_.reason = "the lattice counts do not add up to the number of pairs";
      return;
    }
    report(0, true);
    res_.status = StLatticeHistResult::Status::Done;
  }
};

}  // namespace

int speciesPairIndex(int s, int t, int nSpecies) { return s * nSpecies - s * (s - 1) / 2 + (t - s); }

StLatticeHistResult latticePairHistograms(const vGrainNodes& nodes, std::span<const uint8_t> speciesOf,
                                          int nSpecies, const StLatticeGrid& grid, double binWidth, int64_t cap,
                                          const std::function<void(double)>& progress, const CancelToken& cancel,
                                          const StLatticeHistOptions& options) {
  if (speciesOf.size() != nodes.size() || nSpecies < 1 || nSpecies > 255 || !(binWidth > 0) || cap < 1) {
    StLatticeHistResult r;
    r.reason = "invalid input";
    return r;
  }
  LatticeRun run(nodes, speciesOf, nSpecies, grid, binWidth, cap, progress, cancel, options);
  return run.run();
}

}  // namespace grainix
