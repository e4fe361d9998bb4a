// The pair loops: validation, regrouping of the nodes into tiles, the
// worker threads, the merge of their private tables and the result list.
#include "engine/calc/pair_loops.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <utility>

#include "engine/calc/pair_kernels.h"
#include "engine/core/format.h"

namespace grainix {

using pairs::kPairTile;
using pairs::PairKernelCtx;

namespace {

// Largest table a run will allocate (per thread and per partial).
constexpr int64_t kMaxBins = int64_t{1} << 25;
// Per-thread 32-bit counters are folded into 64-bit ones before any of
// them could wrap.
constexpr int64_t kFlushPairs = int64_t{4000000000};
// Largest table of per-lane counter copies a thread may hold (all partials).
constexpr int64_t kMaxCopyCounters = int64_t{1} << 25;

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
  int firstHalfTiles = 0;  // mode 1: tiles of the first element
};

void buildTiles(const StCalcPrm& prm, int mode, TileSet& t) {
  const size_t n = prm.nodes.size();
  std::vector<int32_t> idx(n);
  for (size_t i = 0; i < n; ++i) idx[i] = static_cast<int32_t>(i);
  std::vector<std::pair<size_t, size_t>> tiles;
  if (mode == 1) {
    const size_t h = firstGroupEnd(prm);
    splitTiles(prm.nodes, idx, 0, h, tiles);
    t.firstHalfTiles = static_cast<int>(tiles.size());
    splitTiles(prm.nodes, idx, h, n, tiles);
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

// Bins needed so that every pair of finite nodes has a bin: the diagonal of
// the bounding box divided by the width, with a safety margin.
int64_t binsForExtent(const vGrainNodes& nodes, double w) {
  double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (const StGrainNode& g : nodes) {
    const double c[3] = {g.x, g.y, g.z};
    for (int a = 0; a < 3; ++a) {
      if (!std::isfinite(c[a])) continue;
      lo[a] = std::min(lo[a], c[a]);
      hi[a] = std::max(hi[a], c[a]);
    }
  }
  double s = 0;
  for (int a = 0; a < 3; ++a) {
    if (hi[a] >= lo[a]) s += (hi[a] - lo[a]) * (hi[a] - lo[a]);
  }
  const double q = std::sqrt(s) / w * (1 + 1e-9) + 2;
  if (!(q < static_cast<double>(kMaxBins))) return kMaxBins;
  return static_cast<int64_t>(q) + 1;
}

// A run's work: tile rows; each row is the tile I paired with a range of
// tiles J, split where the histogram changes (mode 1).
struct RowPart {
  int J0, J1;
  int table;  // 0 = the one table (Rii in mode 1), 1 = Rij, 2 = Rjj
};

struct ThreadTables {
  std::vector<uint32_t> hist[3];
  std::vector<uint64_t> wide[3];  // folded counts (only for very large grains)
  std::vector<double> sumI, sumM;
  int64_t sinceFold = 0;
  int64_t undefined = 0;
  int64_t pairs = 0;
  bool stopped = false;
};

// Count of bin b in a table kept with 2^shift counter copies per bin.
uint64_t binCount(const std::vector<uint32_t>& hist, size_t b, int shift) {
  uint64_t sum = 0;
  for (size_t l = 0; l < (size_t{1} << shift); ++l) sum += hist[(b << shift) | l];
  return sum;
}

void fold(ThreadTables& t, int tables, int shift) {
  for (int k = 0; k < tables; ++k) {
    if (t.wide[k].empty()) continue;
    for (size_t b = 0; b < t.wide[k].size(); ++b) t.wide[k][b] += binCount(t.hist[k], b, shift);
    std::fill(t.hist[k].begin(), t.hist[k].end(), 0u);
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

}  // namespace

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

int64_t pairBinCount(double rMax, double binWidth) {
  if (!(binWidth > 0)) return 0;
  const double q = rMax / binWidth;
  if (!(q >= 1)) return 0;
  if (!(q < 9.0e18)) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(q);
}

StPairRunResult runPairLoop(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial,
                            ProgressSink* gauge, const CancelToken& cancel, int threads, PairKernel kernel,
                            PairCopies copies) {
  StPairRunResult res;
  if (mode != 0 && mode != 1 && mode != 3) return res;
  const double w = prm.binWidth;
  const int64_t B = pairBinCount(prm.rMax, w);
  res.expectedBins = B;
  if (B == 0) {
    res.refused = true;
    res.messages.push_back({MessageKind::Error, "ERROR", "size == 0"});
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

  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  const StPairGaugeScale scale = pairGaugeScale(n, mode);
  if (gauge) {
    gauge->setMaximum(scale.maximum);
    gauge->setPosition(0);
    gauge->setVisible(true);
  }

  // Tiles, table size and the work list.
  TileSet tiles;
  buildTiles(prm, mode, tiles);
  const int64_t cap = std::max(B, binsForExtent(prm.nodes, w));
  const int tables = mode == 1 ? 3 : 1;
  std::vector<std::vector<RowPart>> rows(static_cast<size_t>(tiles.nTiles));
  for (int I = 0; I < tiles.nTiles; ++I) {
    auto& r = rows[static_cast<size_t>(I)];
    if (mode == 1 && I < tiles.firstHalfTiles) {
      r.push_back({I, tiles.firstHalfTiles, 0});
      r.push_back({tiles.firstHalfTiles, tiles.nTiles, 1});
    } else {
      r.push_back({I, tiles.nTiles, mode == 1 ? 2 : 0});
    }
  }

  res.kernel = effectiveKernel(kernel);
  pairs::PairCountKernel countKernel = pairs::pairCountBaseline, sumKernel = pairs::pairSumsBaseline;
  if (res.kernel == PairKernel::Avx512) {
    countKernel = pairs::pairCountAvx512;
    sumKernel = pairs::pairSumsAvx512;
  } else if (res.kernel == PairKernel::Avx2) {
    countKernel = pairs::pairCountAvx2;
    sumKernel = pairs::pairSumsAvx2;
  }

  const bool copiesPossible = res.kernel == PairKernel::Avx512 && mode != 3 &&
                              ((cap + 1) << pairs::kLaneCopyShift) * tables <= kMaxCopyCounters;
  res.laneCopies = copiesPossible && (copies == PairCopies::PerLane ||
                                      (copies == PairCopies::Auto && blocksRepeatBins(tiles, w)));
  const int shift = res.laneCopies ? pairs::kLaneCopyShift : 0;

  int nThreads = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
  nThreads = std::clamp(nThreads, 1, std::max(1, tiles.nTiles));
  res.threads = nThreads;

  const int64_t totalPairs = n * (n - 1) / 2;
  const bool needWide = totalPairs >= kFlushPairs;
  std::vector<ThreadTables> tt(static_cast<size_t>(nThreads));
  for (ThreadTables& t : tt) {
    for (int k = 0; k < tables; ++k) {
      // One spare bin after the table takes the increments of lanes the
      // vector kernels bin the exact way instead.
      t.hist[k].assign(static_cast<size_t>(cap + 1) << shift, 0u);
      if (needWide) t.wide[k].assign(static_cast<size_t>(cap + 1), 0u);
    }
    if (mode == 3) {
      t.sumI.assign(static_cast<size_t>(cap + 1), 0.0);
      t.sumM.assign(static_cast<size_t>(cap + 1), 0.0);
    }
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
    std::vector<int64_t> deferred(static_cast<size_t>(pairs::kDeferPairs));
    c.deferred = deferred.data();
    c.tileCount = tiles.count.data();
    c.w = w;
    c.invw = 1.0 / w;
    c.capd = static_cast<double>(cap);
    c.copyShift = shift;
    for (;;) {
      const int I = nextRow.fetch_add(1, std::memory_order_relaxed);
      if (I >= tiles.nTiles) break;
      const int64_t ni = tiles.count[static_cast<size_t>(I)];
      int64_t rowPairs = 0;
      for (const RowPart& part : rows[static_cast<size_t>(I)]) {
        c.hist = t.hist[part.table].data();
        for (int J0 = part.J0; J0 < part.J1; J0 += kChunkTiles) {
          if (cancel.requested() || stop.load(std::memory_order_relaxed)) {
            t.stopped = true;
            stop.store(true, std::memory_order_relaxed);
            t.undefined += c.undefined;
            return;
          }
          const int J1 = std::min(part.J1, J0 + kChunkTiles);
          int64_t chunk = 0;
          if (J0 == I) {
            chunk = ni * (ni - 1) / 2 + ni * (tiles.before[static_cast<size_t>(J1)] -
                                              tiles.before[static_cast<size_t>(J0) + 1]);
          } else {
            chunk = ni * (tiles.before[static_cast<size_t>(J1)] - tiles.before[static_cast<size_t>(J0)]);
          }
          if (t.sinceFold + chunk >= kFlushPairs) fold(t, tables, shift);
          (mode == 3 ? sumKernel : countKernel)(c, I, J0, J1);
          t.sinceFold += chunk;
          rowPairs += chunk;
        }
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

  if (res.terminated) {
    if (mode == 1) {
      partial.release();
      if (gauge) gauge->setPosition(0);
    } else {
      pdh.clear();
    }
    if (gauge) gauge->setVisible(false);
    return res;
  }

  // Merge the private tables (thread order, so a run is reproducible).
  std::vector<int64_t> total[3];
  std::vector<double> sumI, sumM;
  for (int k = 0; k < tables; ++k) {
    total[k].assign(static_cast<size_t>(cap), 0);
    for (ThreadTables& t : tt) {
      const bool wide = !t.wide[k].empty();
      for (size_t b = 0; b < static_cast<size_t>(cap); ++b) {
        total[k][b] += static_cast<int64_t>(binCount(t.hist[k], b, shift)) +
                       (wide ? static_cast<int64_t>(t.wide[k][b]) : 0);
      }
      std::vector<uint32_t>().swap(t.hist[k]);
      std::vector<uint64_t>().swap(t.wide[k]);
    }
  }
  if (mode == 3) {
    sumI.assign(static_cast<size_t>(cap), 0.0);
    sumM.assign(static_cast<size_t>(cap), 0.0);
    for (ThreadTables& t : tt) {
      for (size_t b = 0; b < static_cast<size_t>(cap); ++b) {
        sumI[b] += t.sumI[b];
        sumM[b] += t.sumM[b];
      }
    }
  }
  int64_t bins = B;
  for (int k = 0; k < tables; ++k) {
    for (int64_t b = cap - 1; b >= bins; --b) {
      if (total[k][static_cast<size_t>(b)] != 0) {
        bins = b + 1;
        break;
      }
    }
    for (int64_t b = B; b < cap; ++b) res.pairsBeyondRange += total[k][static_cast<size_t>(b)];
  }
  res.bins = bins;
  if (res.pairsBeyondRange > 0) {
    res.log.push_back(" " + fmtCount(res.pairsBeyondRange) + " pairs lay beyond the expected range (maxDistance = " +
                      fmtGeneral(prm.rMax, 5) + " Angs); the table was extended to " + fmtCount(bins) + " bins");
  }
  if (res.pairsUndefined > 0) {
    res.log.push_back(" " + fmtCount(res.pairsUndefined) +
                      " pairs were not counted: their distance is not a finite number or lies beyond " +
                      fmtCount(kMaxBins) + " bins");
  }

  int64_t saturated = 0;
  auto card = [&](int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) {
      ++saturated;
      return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(v);
  };

  // Second phase: the result list (modes 0 and 3) or the partial arrays.
  const int64_t tick = std::max<int64_t>(1, bins / 100);
  if (mode == 1) {
    partial.allocate(static_cast<int32_t>(bins));
    partial.binWidth = w;
    double r = 0;
    for (int64_t k = 0; k < bins; ++k) {
      const auto b = static_cast<size_t>(k);
      if (k > 0) r += w;
      partial.r[b] = r;
      partial.rii[b] = static_cast<double>(total[0][b]);
      partial.rij[b] = static_cast<double>(total[1][b]);
      partial.rjj[b] = static_cast<double>(total[2][b]);
    }
    if (n > 0) {
      const size_t h = firstGroupEnd(prm);
      partial.elemFirst = prm.nodes[0].elementIndex;
      partial.elemSecond = prm.nodes[h].elementIndex;
      partial.countFirst = static_cast<int64_t>(h);
      partial.countSecond = static_cast<int64_t>(n) - static_cast<int64_t>(h);
    }
    if (gauge) {
      gauge->setPosition(0);
      gauge->setVisible(false);
    }
    return res;
  }

  pdh.clear();
  if (gauge) {
    gauge->setPosition(0);
    gauge->setMaximum(bins);
  }
  for (int64_t k = 0; k < bins; ++k) {
    const auto b = static_cast<size_t>(k);
    if (gauge && k % tick == 0) gauge->setPosition(k);
    if (mode == 0) {
      StLiczOdl e;
      e.r = static_cast<double>(k) * w;
      e.card = card(total[0][b]);
      pdh.push_back(e);
    } else if (sumI[b] != 0) {
      StLiczOdl e;
      e.card = card(total[0][b]);
      e.sumIdeal = sumI[b];
      e.sumMod = sumM[b];
      pdh.push_back(e);
    }
  }
  if (saturated > 0) {
    res.log.push_back(" " + fmtCount(saturated) + " bins hold more pairs than a bin can record (" +
                      fmtCount(std::numeric_limits<int32_t>::max()) + ")");
  }
  if (gauge) gauge->setVisible(false);
  return res;
}

}  // namespace grainix
