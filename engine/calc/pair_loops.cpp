// The pair loops: validation, regrouping of the nodes into tiles, the
// worker threads, the merge of their private tables and the result list.
#include "engine/calc/pair_loops.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>
#include <utility>

#include "engine/calc/pair_kernels.h"
#include "engine/calc/pair_result.h"
#include "engine/core/format.h"

namespace grainix {

using pairs::kPairTile;
using pairs::PairKernelCtx;

namespace {

constexpr int64_t kMaxBins = kMaxPairBins;
// Per-thread 32-bit counters are folded into 64-bit ones before any of
// them could wrap.
constexpr int64_t kFlushPairs = int64_t{4000000000};
// Largest table of counter copies a thread may hold (all partials).
constexpr int64_t kMaxCopyCounters = int64_t{1} << 25;
// Tables of up to this many bins keep a counter copy per slot of a tile.
constexpr int64_t kSmallTableBins = 256;
// All threads' private tables together stay within this many bytes.
constexpr double kThreadTablesBytes = double(int64_t{1} << 30);
// A run whose table has at least kSparseMinBins bins and kSparseRatio
// times more bins than the grain has pairs collects its pairs' bins
// instead of counting them in tables that would stay almost empty.
constexpr int64_t kSparseMinBins = int64_t{1} << 20;
constexpr int64_t kSparseRatio = 64;
// A delta run takes modified atoms up to 2^23 bin widths from their ideal
// places (the units of its sums grow with twice that).
constexpr double kMaxReachBins = 0x1p24;

PairKernel effectiveKernel(PairKernel wanted) {
  if (wanted == PairKernel::Auto) return bestPairKernel();
  if (wanted == PairKernel::Avx512 && !pairs::cpuHasAvx512()) wanted = PairKernel::Avx2;
  if (wanted == PairKernel::Avx2 && !pairs::cpuHasAvx2()) wanted = PairKernel::Baseline;
  return wanted;
}

double finiteKey(double v) { return std::isfinite(v) ? v : std::numeric_limits<double>::infinity(); }

// Splits idx[begin, end) into spatially compact groups of kPairTile nodes
// (the last group of the range may hold fewer) by halving along the longest
// extent; the groups come out in a spatially coherent order.
void splitTiles(const vGrainNodes& nodes, std::vector<int32_t>& idx, size_t begin, size_t end,
                std::vector<std::pair<size_t, size_t>>& tiles) {
  const size_t n = end - begin;
  if (n == 0) return;
  if (n <= static_cast<size_t>(kPairTile)) {
    tiles.emplace_back(begin, end);
    return;
  }
  double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (size_t k = begin; k < end; ++k) {
    const StGrainNode& g = nodes[static_cast<size_t>(idx[k])];
    const double c[3] = {g.x, g.y, g.z};
    for (int a = 0; a < 3; ++a) {
      if (!std::isfinite(c[a])) continue;
      lo[a] = std::min(lo[a], c[a]);
      hi[a] = std::max(hi[a], c[a]);
    }
  }
  int axis = 0;
  double best = -1;
  for (int a = 0; a < 3; ++a) {
    const double e = hi[a] - lo[a];
    if (e > best) best = e, axis = a;
  }
  const size_t groups = (n + kPairTile - 1) / kPairTile;
  const size_t left = (groups / 2) * kPairTile;
  auto key = [&](int32_t i) {
    const StGrainNode& g = nodes[static_cast<size_t>(i)];
    return finiteKey(axis == 0 ? g.x : axis == 1 ? g.y : g.z);
  };
  std::nth_element(idx.begin() + static_cast<ptrdiff_t>(begin), idx.begin() + static_cast<ptrdiff_t>(begin + left),
                   idx.begin() + static_cast<ptrdiff_t>(end), [&](int32_t a, int32_t b) { return key(a) < key(b); });
  splitTiles(nodes, idx, begin, begin + left, tiles);
  splitTiles(nodes, idx, begin + left, end, tiles);
}

struct TileSet {
  std::vector<double> x, y, z, xm, ym, zm;
  std::vector<double> xs, ys, zs;  // x, y, z times 1 / bin width
  double maxScaled = 0;            // largest |xs|, |ys|, |zs|
  // Per tile: an origin (its first node with finite coordinates) and the
  // largest distance of its nodes from it, scaled as xs.
  std::vector<double> ox, oy, oz;
  double reach = 0;
  std::vector<int32_t> count;
  std::vector<int64_t> before;  // nodes in the tiles before tile t
  int nTiles = 0;
  // Mode 1: where the tiles of each element group begin, and nTiles.
  std::vector<int> groupTiles;
};

void buildTiles(const StCalcPrm& prm, int mode, const std::vector<int64_t>& groups, TileSet& t) {
  const size_t n = prm.nodes.size();
  std::vector<int32_t> idx(n);
  for (size_t i = 0; i < n; ++i) idx[i] = static_cast<int32_t>(i);
  std::vector<std::pair<size_t, size_t>> tiles;
  if (mode == 1) {
    for (size_t g = 0; g + 1 < groups.size(); ++g) {
      t.groupTiles.push_back(static_cast<int>(tiles.size()));
      splitTiles(prm.nodes, idx, static_cast<size_t>(groups[g]), static_cast<size_t>(groups[g + 1]), tiles);
    }
    t.groupTiles.push_back(static_cast<int>(tiles.size()));
  } else {
    splitTiles(prm.nodes, idx, 0, n, tiles);
  }
  t.nTiles = static_cast<int>(tiles.size());
  const size_t slots = tiles.size() * kPairTile;
  t.x.assign(slots, 0.0);
  t.y.assign(slots, 0.0);
  t.z.assign(slots, 0.0);
  if (mode == 3) {
    t.xm.assign(slots, 0.0);
    t.ym.assign(slots, 0.0);
    t.zm.assign(slots, 0.0);
  }
  t.count.assign(tiles.size(), 0);
  t.before.assign(tiles.size() + 1, 0);
  for (size_t k = 0; k < tiles.size(); ++k) {
    const auto [b, e] = tiles[k];
    t.count[k] = static_cast<int32_t>(e - b);
    t.before[k + 1] = t.before[k] + static_cast<int64_t>(e - b);
    for (size_t s = b; s < e; ++s) {
      const size_t slot = k * kPairTile + (s - b);
      const auto i = static_cast<size_t>(idx[s]);
      t.x[slot] = prm.nodes[i].x;
      t.y[slot] = prm.nodes[i].y;
      t.z[slot] = prm.nodes[i].z;
      if (mode == 3) {
        t.xm[slot] = prm.nodesMod[i].x;
        t.ym[slot] = prm.nodesMod[i].y;
        t.zm[slot] = prm.nodesMod[i].z;
      }
    }
  }
  const double invw = 1.0 / prm.binWidth;
  t.xs.resize(slots);
  t.ys.resize(slots);
  t.zs.resize(slots);
  for (size_t k = 0; k < slots; ++k) {
    t.xs[k] = t.x[k] * invw;
    t.ys[k] = t.y[k] * invw;
    t.zs[k] = t.z[k] * invw;
    for (double v : {t.xs[k], t.ys[k], t.zs[k]}) {
      if (std::isfinite(v)) t.maxScaled = std::max(t.maxScaled, std::fabs(v));
    }
  }
  t.ox.assign(tiles.size(), 0.0);
  t.oy.assign(tiles.size(), 0.0);
  t.oz.assign(tiles.size(), 0.0);
  auto finite = [&](size_t i) { return std::isfinite(t.xs[i]) && std::isfinite(t.ys[i]) && std::isfinite(t.zs[i]); };
  for (size_t k = 0; k < tiles.size(); ++k) {
    const size_t first = k * kPairTile, end = first + static_cast<size_t>(t.count[k]);
    size_t o = first;
    while (o < end && !finite(o)) ++o;
    if (o == end) continue;
    t.ox[k] = t.xs[o];
    t.oy[k] = t.ys[o];
    t.oz[k] = t.zs[o];
    for (size_t i = first; i < end; ++i) {
      if (!finite(i)) continue;
      const double dx = t.xs[i] - t.ox[k], dy = t.ys[i] - t.oy[k], dz = t.zs[i] - t.oz[k];
      t.reach = std::max(t.reach, std::sqrt(dx * dx + dy * dy + dz * dz) * (1 + 0x1p-20));
    }
  }
}

// A run's work: pieces of tile rows, each the tile I paired with a range of
// tiles J; rows are split where the histogram changes (mode 1) and where
// one share of a run ends and the next begins.
struct RowPart {
  int I, J0, J1;
  int table;  // 0 = the one table; mode 1: the element pair's (Rii, Rij, Rjj for two)
};

// Pairs of tile I against tiles J0 .. J-1 (tile I itself counts its pairs
// once).
int64_t partPairs(const TileSet& t, int I, int J0, int J) {
  const int64_t ni = t.count[static_cast<size_t>(I)];
  if (J <= J0) return 0;
  if (J0 == I)
    return ni * (ni - 1) / 2 + ni * (t.before[static_cast<size_t>(J)] - t.before[static_cast<size_t>(I) + 1]);
  return ni * (t.before[static_cast<size_t>(J)] - t.before[static_cast<size_t>(J0)]);
}

// The row pieces of share `share` of all of `parts` (in loop order): the
// pairs are cut, at tile boundaries, into shares of about equal numbers.
std::vector<RowPart> shareParts(const TileSet& t, const std::vector<RowPart>& parts, const StPairShare& share) {
  if (share.count <= 1) return parts;
  std::vector<int64_t> before(parts.size() + 1, 0);  // pairs of the parts before part k
  for (size_t k = 0; k < parts.size(); ++k)
    before[k + 1] = before[k] + partPairs(t, parts[k].I, parts[k].J0, parts[k].J1);
  const int64_t total = before.back();
  // Where share k begins: the part holding its first pair, and the first
  // tile J of that part at or past it.
  auto cut = [&](int k) -> std::pair<size_t, int> {
    if (k >= share.count) return {parts.size(), 0};
    const auto target = static_cast<int64_t>(static_cast<__int128>(total) * k / share.count);
    size_t p = static_cast<size_t>(std::upper_bound(before.begin(), before.end(), target) - before.begin()) - 1;
    if (p >= parts.size()) return {parts.size(), 0};
    const RowPart& r = parts[p];
    int lo = r.J0, hi = r.J1;  // the smallest J with pairs up to J >= the target
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (before[p] + partPairs(t, r.I, r.J0, mid) >= target) hi = mid; else lo = mid + 1;
    }
    if (lo >= r.J1) return {p + 1, parts.size() > p + 1 ? parts[p + 1].J0 : 0};
    return {p, lo};
  };
  const auto [p0, j0] = cut(share.index);
  const auto [p1, j1] = cut(share.index + 1);
  std::vector<RowPart> out;
  for (size_t p = p0; p <= p1 && p < parts.size(); ++p) {
    RowPart r = parts[p];
    if (p == p0) r.J0 = j0;
    if (p == p1) r.J1 = j1;
    if (r.J0 < r.J1) out.push_back(r);
  }
  return out;
}

// A thread's private counters, kept 64 bytes away from any other thread's
// (a table of a few coarse bins would otherwise share a cache line with
// the next thread's, which every increment then pulls across).
class Counters {
 public:
  static constexpr size_t kPad = 64 / sizeof(uint32_t);
  void assign(size_t n) {
    store_.assign(n + 2 * kPad, 0u);
    size_ = n;
  }
  void release() { std::vector<uint32_t>().swap(store_), size_ = 0; }
  uint32_t* data() { return store_.data() + kPad; }
  const uint32_t* data() const { return store_.data() + kPad; }
  size_t size() const { return size_; }
  void clear() { std::fill(store_.begin(), store_.end(), 0u); }

 private:
  std::vector<uint32_t> store_;
  size_t size_ = 0;
};

struct ThreadTables {
  std::vector<Counters> hist;               // one per histogram
  std::vector<std::vector<uint64_t>> wide;  // folded counts (only for very large grains)
  std::vector<uint64_t> sumI, sumM, carryI, carryM;  // see PairKernelCtx
  int64_t sinceFold = 0;
  int64_t undefined = 0;
  int64_t pairs = 0;
  bool stopped = false;
};

// Count of bin b in a table kept with 2^shift counter copies per bin.
uint64_t binCount(const Counters& hist, size_t b, int shift) {
  const uint32_t* h = hist.data() + (b << shift);
  uint64_t sum = 0;
  for (size_t l = 0; l < (size_t{1} << shift); ++l) sum += h[l];
  return sum;
}

void fold(ThreadTables& t, int tables, int shift) {
  for (size_t k = 0; k < static_cast<size_t>(tables); ++k) {
    if (t.wide[k].empty()) continue;
    for (size_t b = 0; b < t.wide[k].size(); ++b) t.wide[k][b] += binCount(t.hist[k], b, shift);
    t.hist[k].clear();
  }
  t.sinceFold = 0;
}

// Whether the pairs of a block (four nodes of one tile against the sixteen
// of another) often share a bin between different nodes of the second
// tile, as the repeated distances of an ideal lattice do. Looks at up to
// 64 blocks spread over the grain.
bool blocksRepeatBins(const TileSet& t, double w) {
  const int n = t.nTiles;
  int64_t looked = 0, repeats = 0;
  constexpr int kSamples = 64;
  for (int k = 0; k < kSamples && n > 1; ++k) {
    const int I = static_cast<int>(int64_t{k} * (n - 1) / kSamples);
    const int J = I + 1 + static_cast<int>((int64_t{k} * 7919) % (n - 1 - I));
    if (t.count[static_cast<size_t>(I)] < 4 || t.count[static_cast<size_t>(J)] < kPairTile) continue;
    int64_t bins[4 * kPairTile];
    for (int r = 0; r < 4; ++r) {
      for (int b = 0; b < kPairTile; ++b) {
        const size_t i = static_cast<size_t>(I) * kPairTile + static_cast<size_t>(r);
        const size_t j = static_cast<size_t>(J) * kPairTile + static_cast<size_t>(b);
        const double dx = t.x[i] - t.x[j], dy = t.y[i] - t.y[j], dz = t.z[i] - t.z[j];
        const double q = std::sqrt(dx * dx + dy * dy + dz * dz) / w;
        // A distance without a bin never repeats.
        bins[r * kPairTile + b] = q < 0x1p62 ? static_cast<int64_t>(q) : -1 - (r * kPairTile + b);
      }
    }
    for (int p = 0; p < 4 * kPairTile; ++p) {
      for (int e = 0; e < p; ++e) {
        if (bins[e] == bins[p] && e % kPairTile != p % kPairTile) {
          ++repeats;
          break;
        }
      }
    }
    looked += 4 * kPairTile;
  }
  return looked > 0 && repeats * 20 > looked;  // more than one pair in 20
}

std::string fmtCount(int64_t v) { return std::to_string(v); }

// Counter copies per bin (as a shift) of a count run.
int counterCopyShift(PairKernel kernel, int mode, int64_t cap, int tables, PairCopies copies, const TileSet& tiles,
                     double w) {
  if (mode == 3 || kernel == PairKernel::Baseline) return 0;
  auto fits = [&](int shift) { return ((cap + 1) << shift) * tables <= kMaxCopyCounters; };
  switch (copies) {
    case PairCopies::One: return 0;
    case PairCopies::PerLane: return fits(pairs::kLaneCopyShift) ? pairs::kLaneCopyShift : 0;
    case PairCopies::PerSlot: return fits(pairs::kSlotCopyShift) ? pairs::kSlotCopyShift : 0;
    case PairCopies::Auto: break;
  }
  // A few coarse bins take every pair one after another.
  if (cap + 1 <= kSmallTableBins) return pairs::kSlotCopyShift;
  if (kernel == PairKernel::Avx512 && fits(pairs::kLaneCopyShift) && blocksRepeatBins(tiles, w))
    return pairs::kLaneCopyShift;
  return 0;
}


struct SparseRun {
  std::vector<Occupied> bins;  // increasing bin
  int64_t pairs = 0;
  int64_t undefined = 0;
  bool stopped = false;
};

// A run with few pairs against a large table (a stray atom far from the
// rest): the pairs' bins are collected by the plain sequential loop and
// sorted, so memory follows the pairs, not the table.
SparseRun sparsePairs(const StCalcPrm& prm, int mode, const std::vector<int64_t>& groups, int tables, int64_t cap,
                      const StDistanceUnitScale& units, const CancelToken& cancel) {
  SparseRun out;
  struct Pair {
    int64_t bin;
    int32_t table;
    double dI, dM;
  };
  const vGrainNodes& a = prm.nodes;
  const auto n = static_cast<int64_t>(a.size());
  const double w = prm.binWidth, capd = static_cast<double>(cap);
  auto distance = [](const StGrainNode& p, const StGrainNode& q) {
    const double dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
  };
  // Element group of each node (mode 1).
  std::vector<int32_t> group(static_cast<size_t>(n), 0);
  if (mode == 1)
    for (size_t g = 0; g + 1 < groups.size(); ++g)
      for (int64_t i = groups[g]; i < groups[g + 1]; ++i) group[static_cast<size_t>(i)] = static_cast<int32_t>(g);
  const size_t nGroups = groups.empty() ? 1 : groups.size() - 1;
  std::vector<Pair> list;
  list.reserve(static_cast<size_t>(n * (n - 1) / 2));
  for (int64_t i = 0; i + 1 < n; ++i) {
    if (cancel.requested()) {
      out.stopped = true;
      return out;
    }
    for (int64_t j = i + 1; j < n; ++j) {
      const double d = distance(a[static_cast<size_t>(i)], a[static_cast<size_t>(j)]);
      const double q = d / w;
      if (!(q < capd)) {
        ++out.undefined;
        continue;
      }
      const auto gi = static_cast<size_t>(group[static_cast<size_t>(i)]),
                 gj = static_cast<size_t>(group[static_cast<size_t>(j)]);
      Pair p{static_cast<int64_t>(q), mode == 1 ? static_cast<int32_t>(elementPairIndex(gi, gj, nGroups)) : 0, d, 0};
      if (mode == 3) p.dM = distance(prm.nodesMod[static_cast<size_t>(i)], prm.nodesMod[static_cast<size_t>(j)]);
      list.push_back(p);
    }
    out.pairs += n - 1 - i;
  }
  std::stable_sort(list.begin(), list.end(), [](const Pair& x, const Pair& y) { return x.bin < y.bin; });
  for (const Pair& p : list) {
    if (out.bins.empty() || out.bins.back().bin != p.bin) {
      out.bins.emplace_back();
      out.bins.back().bin = p.bin;
      out.bins.back().card.assign(static_cast<size_t>(tables), 0);
    }
    Occupied& o = out.bins.back();
    ++o.card[static_cast<size_t>(p.table)];
    if (mode == 3) {
      const double unit = std::ldexp(1.0, distanceUnitExponent(p.bin, units));
      o.sumI += pairs::distanceUnits(p.dI, unit);
      o.sumM += pairs::distanceUnits(p.dM, unit);
    }
  }
  return out;
}

// The message of a run without a single bin.
std::string noBinsText(double rMax, double w) {
  std::string why;
  if (!(w > 0) || !std::isfinite(w)) {
    why = "the bin width (" + fmtGeneral(w, 5) + ") must be a positive number";
  } else if (!(rMax > 0)) {
    why = "the histogram range (maxDistance) is " + fmtGeneral(rMax, 5) +
          " Angs: the grain has fewer than two atoms apart";
  } else {
    why = "the bin width " + fmtGeneral(w, 5) + " Angs is larger than the histogram range (maxDistance = " +
          fmtGeneral(rMax, 5) + " Angs)";
  }
  return "size == 0: " + why;
}

}  // namespace

StDistanceUnitScale deltaUnitScale(const StCalcPrm& prm, std::vector<StMessage>& messages) {
  StDistanceUnitScale scale;
  const double w = prm.binWidth;
  if (!(w >= 0x1p-900 && w <= 0x1p900)) {
    messages.push_back({MessageKind::Error, "ERROR",
                        "delta(r) takes bin widths from " + fmtGeneral(0x1p-900, 5) + " to " +
                            fmtGeneral(0x1p900, 5) + " Angs, not " + fmtGeneral(w, 5)});
    return scale;
  }
  // Twice the largest displacement of an atom, with room for the roundings
  // of the coordinate differences. An atom without a finite ideal place has
  // no binned pairs and does not count.
  double most = 0, largest = 0;
  size_t mostAt = 0;
  for (size_t i = 0; i < std::min(prm.nodes.size(), prm.nodesMod.size()); ++i) {
    const StGrainNode& a = prm.nodes[i];
    const StGrainNode& m = prm.nodesMod[i];
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(a.z)) continue;
    const double dx = m.x - a.x, dy = m.y - a.y, dz = m.z - a.z;
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!std::isfinite(d)) {
      messages.push_back({MessageKind::Error, "ERROR",
                          "Atom " + fmtCount(static_cast<int64_t>(i) + 1) +
                              " of the modified grain has no finite position; delta(r) cannot be computed"});
      return scale;
    }
    if (d > most) most = d, mostAt = i;
    for (double c : {a.x, a.y, a.z, m.x, m.y, m.z}) largest = std::max(largest, std::fabs(c));
  }
  const double limit = kMaxReachBins / 2 * w;
  if (most > limit) {
    messages.push_back({MessageKind::Error, "ERROR",
                        "Atom " + fmtCount(static_cast<int64_t>(mostAt) + 1) + " of the modified grain lies " +
                            fmtGeneral(most, 5) + " Angs from its ideal place; delta(r) takes displacements of up to " +
                            fmtGeneral(limit, 5) + " Angs (2^23 bin widths)"});
    return scale;
  }
  const double reach = 2 * most * (1 + 0x1p-40) + 16 * largest * 0x1p-52;
  if (!(reach <= 2 * kMaxReachBins * w)) {
    messages.push_back({MessageKind::Error, "ERROR",
                        "The coordinates of the grain (up to " + fmtGeneral(largest, 5) +
                            " Angs) are too large for delta(r) with bin width " + fmtGeneral(w, 5) + " Angs"});
    return scale;
  }
  scale.exponentW = 49 - std::ilogb(w);
  scale.k0 = 4 + std::ceil(reach / w);
  return scale;
}

int distanceUnitExponent(int64_t bin, const StDistanceUnitScale& scale) {
  // Bin k's ideal distances lie below (k + 1) w, its modified ones below
  // (k + 1) w + reach <= (k + k0) w < 2^(ilogb(k + k0) + 1) w. (The AVX-512
  // kernel forms the same exponent lane by lane.)
  return scale.exponentW - std::ilogb(static_cast<double>(bin) + scale.k0);
}

double distanceOfUnits(DistanceUnits units, int exponent) {
  return std::ldexp(static_cast<double>(units), -exponent);
}

PairKernel bestPairKernel() {
  if (pairs::cpuHasAvx512()) return PairKernel::Avx512;
  if (pairs::cpuHasAvx2()) return PairKernel::Avx2;
  return PairKernel::Baseline;
}

const char* pairKernelName(PairKernel kernel) {
  switch (kernel) {
    case PairKernel::Auto: return "auto";
    case PairKernel::Baseline: return "baseline";
    case PairKernel::Avx2: return "avx2";
    case PairKernel::Avx512: return "avx512";
  }
  return "?";
}

StPairGaugeScale pairGaugeScale(int64_t nodeCount, int mode) {
  StPairGaugeScale g;
  g.m = nodeCount;
  while (g.m > 65535) {
    g.m /= 2;
    g.step *= 0.25;
  }
  g.maximum = mode == 1 ? (g.m * (g.m - 1)) / 2 : (g.m / 2) * (g.m - 1);
  return g;
}

int64_t atomsOfPairs(int64_t pairs) {
  if (pairs <= 0) return 1;
  auto pairsOf = [](int64_t n) { return n / 2 * (n - 1) + (n % 2) * ((n - 1) / 2); };  // n (n - 1) / 2 without overflow
  auto n = static_cast<int64_t>((1 + std::sqrt(1 + 8 * static_cast<double>(pairs))) / 2);
  while (pairsOf(n) < pairs) ++n;
  while (n > 1 && pairsOf(n - 1) >= pairs) --n;
  return n;
}

int64_t pairBinCount(double rMax, double binWidth) {
  if (!(binWidth > 0)) return 0;
  const double q = rMax / binWidth;
  if (!(q >= 1)) return 0;
  if (!(q < 9.0e18)) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(q);
}

namespace {

// Runs share `share` of a pair loop; unless it was refused or stopped,
// hands the occupied bins (valid during the call) to `finish`.
using FinishCounts = std::function<void(const OccupiedBins&, StPairRunResult&)>;
StPairRunResult countPairs(int mode, const StCalcPrm& prm, const StPairShare& share, ProgressSink* gauge,
                           const CancelToken& cancel, int threads, PairKernel kernel, PairCopies copies,
                           const FinishCounts& finish) {
  StPairRunResult res;
  if (mode != 0 && mode != 1 && mode != 3) return res;
  const double w = prm.binWidth;
  const int64_t B = pairBinCount(prm.rMax, w);
  res.expectedBins = B;
  if (B == 0) {
    res.refused = true;
    res.messages.push_back({MessageKind::Error, "ERROR", noBinsText(prm.rMax, w)});
    return res;
  }
  if (B > kMaxBins) {
    res.refused = true;
    res.messages.push_back({MessageKind::Error, "ERROR",
                            "The histogram would have " + fmtCount(B) + " bins; choose a larger bin width"});
    return res;
  }
  if (mode == 3 && prm.nodesMod.size() != prm.nodes.size()) {
    res.refused = true;
    res.messages.push_back({MessageKind::Error, "ERROR",
                            "Sizes of ideal lattice and modified are different: " + fmtCount(
                                static_cast<int64_t>(prm.nodes.size())) + ", " +
                                fmtCount(static_cast<int64_t>(prm.nodesMod.size()))});
    return res;
  }
  StDistanceUnitScale unitScale;
  if (mode == 3) {
    unitScale = deltaUnitScale(prm, res.messages);
    if (!res.messages.empty()) {
      res.refused = true;
      return res;
    }
  }

  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  const std::vector<int64_t> groups = mode == 1 ? elementGroupOffsets(prm) : std::vector<int64_t>{};
  const StPairGaugeScale scale = pairGaugeScale(n, mode);
  if (gauge) {
    gauge->setMaximum(scale.maximum);
    gauge->setPosition(0);
    gauge->setVisible(true);
  }

  const int64_t cap = std::max(B, binsForExtent(prm.nodes, w));
  const size_t nGroups = groups.empty() ? 1 : groups.size() - 1;
  const int tables = mode == 1 ? static_cast<int>(elementPairCount(nGroups)) : 1;
  const int64_t totalPairs = n * (n - 1) / 2;
  res.kernel = effectiveKernel(kernel);
  res.threads = 1;

  // The counts, visited bin by bin once the loops are done.
  OccupiedBins visit;
  SparseRun sparse;
  TileSet tiles;
  std::vector<ThreadTables> tt;
  int shift = 0;
  if (cap >= kSparseMinBins && totalPairs <= cap / kSparseRatio) {
    if (share.index == 0) sparse = sparsePairs(prm, mode, groups, tables, cap, unitScale, cancel);
    res.pairs = sparse.pairs;
    res.pairsUndefined = sparse.undefined;
    res.terminated = sparse.stopped || cancel.requested();
    visit = [&](const OccupiedVisitor& f) {
      for (const Occupied& o : sparse.bins) f(o);
    };
  } else {
    // Tiles and the work list.
    buildTiles(prm, mode, groups, tiles);
    // A tile of element group a meets the rest of its group, then each
    // later group in turn.
    std::vector<RowPart> rows;
    for (int I = 0; I < tiles.nTiles; ++I) {
      if (mode != 1) {
        rows.push_back({I, I, tiles.nTiles, 0});
        continue;
      }
      size_t a = 0;
      while (tiles.groupTiles[a + 1] <= I) ++a;
      rows.push_back({I, I, tiles.groupTiles[a + 1], static_cast<int>(elementPairIndex(a, a, nGroups))});
      for (size_t b = a + 1; b < nGroups; ++b) {
        if (tiles.groupTiles[b] < tiles.groupTiles[b + 1])
          rows.push_back({I, tiles.groupTiles[b], tiles.groupTiles[b + 1], static_cast<int>(elementPairIndex(a, b, nGroups))});
      }
    }
    rows = shareParts(tiles, rows, share);
    const int nParts = static_cast<int>(rows.size());

    pairs::PairCountKernel countKernel = pairs::pairCountBaseline, sumKernel = pairs::pairSumsBaseline;
    if (res.kernel == PairKernel::Avx512) {
      countKernel = pairs::pairCountAvx512;
      sumKernel = pairs::pairSumsAvx512;
    } else if (res.kernel == PairKernel::Avx2) {
      countKernel = pairs::pairCountAvx2;
      sumKernel = pairs::pairSumsAvx2;
    }
    shift = counterCopyShift(res.kernel, mode, cap, tables, copies, tiles, w);
    res.laneCopies = shift != 0;

    const bool needWide = totalPairs >= kFlushPairs;
    // Bytes of one thread's tables: the thread count is bounded so that
    // they all stay within kThreadTablesBytes.
    const double tableBytes = static_cast<double>(cap + 1) *
                              (static_cast<double>(tables) * (4.0 * std::ldexp(1.0, shift) + (needWide ? 8 : 0)) +
                               (mode == 3 ? 32 : 0));
    int nThreads = workerThreads(threads);
    nThreads = std::min(nThreads, std::max(1, static_cast<int>(kThreadTablesBytes / tableBytes)));
    nThreads = std::clamp(nThreads, 1, std::max(1, nParts));
    res.threads = nThreads;

    tt.resize(static_cast<size_t>(nThreads));
    for (ThreadTables& t : tt) {
      t.hist.resize(static_cast<size_t>(tables));
      t.wide.resize(static_cast<size_t>(tables));
      for (size_t k = 0; k < static_cast<size_t>(tables); ++k) {
        // One spare bin after the table takes the increments of lanes the
        // vector kernels bin the exact way instead.
        t.hist[k].assign(static_cast<size_t>(cap + 1) << shift);
        if (needWide) t.wide[k].assign(static_cast<size_t>(cap + 1), 0u);
      }
      if (mode == 3) {
        for (auto* v : {&t.sumI, &t.sumM, &t.carryI, &t.carryM}) v->assign(static_cast<size_t>(cap + 1), 0);
      }
    }
    // The unit of each bin's sums (and of the spare bin's).
    std::vector<double> units;
    if (mode == 3) {
      units.resize(static_cast<size_t>(cap + 1));
      for (int64_t b = 0; b <= cap; ++b)
        units[static_cast<size_t>(b)] = std::ldexp(1.0, distanceUnitExponent(b, unitScale));
    }

    std::atomic<int> nextRow{0};
    std::atomic<int64_t> done{0};
    std::atomic<bool> stop{false};
    constexpr int kChunkTiles = pairs::kChunkTiles;  // about 8000 pairs between two polls
    auto lastUpdate = std::chrono::steady_clock::now();

    auto work = [&](int id) {
      ThreadTables& t = tt[static_cast<size_t>(id)];
      PairKernelCtx c;
      c.x = tiles.x.data();
      c.y = tiles.y.data();
      c.z = tiles.z.data();
      if (mode == 3) {
        c.xm = tiles.xm.data();
        c.ym = tiles.ym.data();
        c.zm = tiles.zm.data();
        c.sumI = t.sumI.data();
        c.sumM = t.sumM.data();
        c.carryI = t.carryI.data();
        c.carryM = t.carryM.data();
        c.units = units.data();
        c.unitK0 = unitScale.k0;
        c.unitBias = 2046 + unitScale.exponentW;
      }
      c.xs = tiles.xs.data();
      c.ys = tiles.ys.data();
      c.zs = tiles.zs.data();
      c.ox = tiles.ox.data();
      c.oy = tiles.oy.data();
      c.oz = tiles.oz.data();
      // The approximate bin differs from the exact one by less than
      // (largest scaled coordinate + table size) * 2^-47 after two Newton
      // steps. One step from an estimate of relative error e < 2^-14 leaves
      // a relative error of 1.5 e^2 + 0.5 e^3 plus a few roundings, which
      // table size * 1.5 * 2^-28 * (1 + 2^-8) bounds on top. A margin of 2
      // or more certifies nothing (every pair takes the exact way).
      // The AVX-512 count kernel's full blocks form the squared distance as
      // |a|^2 + |b|^2 - 2 a.b from coordinates relative to an origin in tile
      // I; for a bin of at least 1 (nearer pairs are never certain there) its
      // roundings move the estimate by less than (reach^2 + 1) * 2^-45 more,
      // which the margin covers twice.
      c.twoSteps = cap > pairs::kOneStepBins;
      c.margin = (tiles.maxScaled + static_cast<double>(cap)) * 0x1p-40 + (tiles.reach * tiles.reach + 1) * 0x1p-44;
      c.marginFine = std::min(2.0, c.margin);
      if (!c.twoSteps) c.margin += static_cast<double>(cap) * 0x1.8p-28 * (1 + 0x1p-8);
      c.margin = std::min(2.0, c.margin);
      c.sumMargin = std::min(2.0, static_cast<double>(cap) * 0x1p-40);
      // The full blocks' squared distance s of a pair near bin 0 is off by
      // less than 2^-50 (2 reach + 2)^2 from that of its rounded scaled
      // coordinates, whose distance is within 8 * largest scaled
      // coordinate * 2^-51 of the exact one: an s below the bound puts the
      // pair in bin 0 (which matters when a few coarse bins take all pairs).
      const double coordinates = 1 - 8 * tiles.maxScaled * 0x1p-51;
      const double zeroBound =
          (coordinates * coordinates - (2 * tiles.reach + 2) * (2 * tiles.reach + 2) * 0x1p-50) * (1 - 0x1p-40);
      if (zeroBound > 0.5) c.zeroBound = zeroBound;
      std::vector<int64_t> deferred(static_cast<size_t>(pairs::kDeferPairs));
      c.deferred = deferred.data();
      c.tileCount = tiles.count.data();
      c.w = w;
      c.invw = 1.0 / w;
      c.capd = static_cast<double>(cap);
      c.copyShift = shift;
      for (;;) {
        const int next = nextRow.fetch_add(1, std::memory_order_relaxed);
        if (next >= nParts) break;
        const RowPart& part = rows[static_cast<size_t>(next)];
        const int I = part.I;
        int64_t rowPairs = 0;
        c.hist = t.hist[static_cast<size_t>(part.table)].data();
        for (int J0 = part.J0; J0 < part.J1; J0 += kChunkTiles) {
          if (cancel.requested() || stop.load(std::memory_order_relaxed)) {
            t.stopped = true;
            stop.store(true, std::memory_order_relaxed);
            t.undefined += c.undefined;
            return;
          }
          const int J1 = std::min(part.J1, J0 + kChunkTiles);
          const int64_t chunk = partPairs(tiles, I, J0, J1);
          if (t.sinceFold + chunk >= kFlushPairs) fold(t, tables, shift);
          (mode == 3 ? sumKernel : countKernel)(c, I, J0, J1);
          t.sinceFold += chunk;
          rowPairs += chunk;
        }
        t.pairs += rowPairs;
        const int64_t all = done.fetch_add(rowPairs, std::memory_order_relaxed) + rowPairs;
        if (id == 0 && gauge) {
          const auto now = std::chrono::steady_clock::now();
          if (now - lastUpdate >= std::chrono::milliseconds(50)) {
            lastUpdate = now;
            gauge->setPosition(std::min(scale.maximum, static_cast<int64_t>(static_cast<double>(all) * scale.step)));
          }
        }
      }
      t.undefined += c.undefined;
    };

    {
      std::vector<std::thread> pool;
      pool.reserve(static_cast<size_t>(nThreads - 1));
      for (int id = 1; id < nThreads; ++id) pool.emplace_back(work, id);
      work(0);
      for (std::thread& th : pool) th.join();
    }
    for (const ThreadTables& t : tt) {
      res.pairs += t.pairs;
      res.pairsUndefined += t.undefined;
    }
    res.terminated = stop.load() || cancel.requested();

    // The private tables merged bin by bin; only occupied bins are visited.
    visit = [&](const OccupiedVisitor& f) {
      Occupied o;
      o.card.assign(static_cast<size_t>(tables), 0);
      for (size_t b = 0; b < static_cast<size_t>(cap); ++b) {
        o.bin = static_cast<int64_t>(b);
        o.sumI = o.sumM = 0;
        bool any = false;
        for (size_t k = 0; k < static_cast<size_t>(tables); ++k) {
          PairCount c = 0;
          for (const ThreadTables& t : tt)
            c += static_cast<PairCount>(binCount(t.hist[k], b, shift) + (t.wide[k].empty() ? 0 : t.wide[k][b]));
          o.card[k] = c;
          any = any || c != 0;
        }
        if (!any) continue;
        if (mode == 3) {
          for (const ThreadTables& t : tt) {
            o.sumI += DistanceUnits{t.carryI[b]} << 64 | t.sumI[b];
            o.sumM += DistanceUnits{t.carryM[b]} << 64 | t.sumM[b];
          }
        }
        f(o);
      }
    };
  }

  if (!res.terminated) finish(visit, res);
  return res;
}

}  // namespace

StPairRunResult runPairLoop(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial,
                            ProgressSink* gauge, const CancelToken& cancel, int threads, PairKernel kernel,
                            PairCopies copies) {
  StPairRunResult res =
      countPairs(mode, prm, StPairShare{}, gauge, cancel, threads, kernel, copies,
                 [&](const OccupiedBins& visit, StPairRunResult& r) { fillPairResult(mode, prm, visit, pdh, partial, gauge, r); });
  if (res.terminated) clearStoppedResult(mode, pdh, partial, gauge);
  return res;
}

StPairRunResult countPairShare(int mode, const StCalcPrm& prm, const StPairShare& share, StPairCounts& counts,
                               ProgressSink* gauge, const CancelToken& cancel, int threads, PairKernel kernel,
                               PairCopies copies) {
  counts = StPairCounts{};
  if (share.count < 1 || share.index < 0 || share.index >= share.count) {
    StPairRunResult res;
    res.refused = true;
    res.messages.push_back({MessageKind::Error, "ERROR",
                            "share " + fmtCount(share.index) + " of " + fmtCount(share.count) + " does not exist"});
    return res;
  }
  StPairRunResult res =
      countPairs(mode, prm, share, gauge, cancel, threads, kernel, copies, [&](const OccupiedBins& visit, StPairRunResult&) {
        visit([&](const Occupied& o) {
          counts.tables.resize(o.card.size());
          counts.bins.push_back(o.bin);
          for (size_t k = 0; k < o.card.size(); ++k) counts.tables[k].push_back(o.card[k]);
          if (mode == 3) {
            counts.sumIdeal.push_back(o.sumI);
            counts.sumMod.push_back(o.sumM);
          }
        });
      });
  if (gauge) gauge->setVisible(false);
  if (res.terminated) counts = StPairCounts{};
  return res;
}

void addPairCounts(StPairCounts& into, const StPairCounts& more) {
  if (more.bins.empty() && !into.tables.empty()) return;
  if (into.bins.empty()) {
    into = more;
    return;
  }
  const bool sums = !into.sumIdeal.empty() || !more.sumIdeal.empty();
  StPairCounts out;
  out.tables.resize(into.tables.size());
  size_t a = 0, b = 0;
  auto take = [&](const StPairCounts& from, size_t i, bool add) {
    if (!add) {
      out.bins.push_back(from.bins[i]);
      for (size_t k = 0; k < out.tables.size(); ++k) out.tables[k].push_back(from.tables[k][i]);
      if (sums) {
        out.sumIdeal.push_back(from.sumIdeal[i]);
        out.sumMod.push_back(from.sumMod[i]);
      }
      return;
    }
    for (size_t k = 0; k < out.tables.size(); ++k) out.tables[k].back() += from.tables[k][i];
    if (sums) {
      out.sumIdeal.back() += from.sumIdeal[i];
      out.sumMod.back() += from.sumMod[i];
    }
  };
  while (a < into.bins.size() || b < more.bins.size()) {
    if (b == more.bins.size() || (a < into.bins.size() && into.bins[a] < more.bins[b])) {
      take(into, a++, false);
    } else if (a == into.bins.size() || more.bins[b] < into.bins[a]) {
      take(more, b++, false);
    } else {
      take(into, a++, false);
      take(more, b++, true);
    }
  }
  into = std::move(out);
}

}  // namespace grainix
