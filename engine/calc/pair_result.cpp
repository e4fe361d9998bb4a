// Per-bin pair totals into the result records (shared by every way of
// counting pairs).
#include "engine/calc/pair_result.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/format.h"

namespace grainix {

namespace {

std::string fmtCount(int64_t v) { return std::to_string(v); }

}  // namespace

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
  if (!(q < static_cast<double>(kMaxPairBins))) return kMaxPairBins;
  return static_cast<int64_t>(q) + 1;
}

void clearStoppedResult(int mode, PdhList& pdh, StIDCalcResults& partial, ProgressSink* gauge) {
  if (mode == 1) {
    partial.release();
    if (gauge) gauge->setPosition(0);
  } else {
    pdh.clear();
  }
  if (gauge) gauge->setVisible(false);
}

int64_t firstElementSplit(const StCalcPrm& prm) {
  const auto n = static_cast<int64_t>(prm.nodes.size());
  return prm.firstCount < 0 ? n / 2 : std::min(prm.firstCount, n);
}

std::vector<int64_t> elementGroupOffsets(const StCalcPrm& prm) {
  const auto n = static_cast<int64_t>(prm.nodes.size());
  if (prm.elementCounts.size() < 3) return {0, firstElementSplit(prm), n};
  std::vector<int64_t> off{0};
  for (int64_t c : prm.elementCounts) off.push_back(std::min(n, off.back() + std::max<int64_t>(c, 0)));
  off.back() = n;
  return off;
}

void setElementGroups(StCalcPrm& prm) {
  auto same = [](const StGrainNode& a, const StGrainNode& b) {
    return a.element == b.element && a.elementIndex == b.elementIndex;
  };
  // Each element's rank in the order of first appearance.
  std::vector<StGrainNode> kinds;
  std::vector<size_t> rank(prm.nodes.size());
  for (size_t i = 0; i < prm.nodes.size(); ++i) {
    const auto it = std::find_if(kinds.begin(), kinds.end(), [&](const StGrainNode& k) { return same(k, prm.nodes[i]); });
    rank[i] = static_cast<size_t>(it - kinds.begin());
    if (it == kinds.end()) kinds.push_back(prm.nodes[i]);
  }
  std::vector<int64_t> runs = elementRuns(prm.nodes);
  if (kinds.size() >= 3 && runs.size() > kinds.size()) {
    std::vector<size_t> order(prm.nodes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rank[a] < rank[b]; });
    vGrainNodes sorted;
    sorted.reserve(prm.nodes.size());
    for (size_t i : order) sorted.push_back(prm.nodes[i]);
    prm.nodes = std::move(sorted);
    runs = elementRuns(prm.nodes);
  }
  prm.firstCount = leadingElementCount(prm.nodes);
  prm.elementCounts.clear();
  if (kinds.size() >= 3) prm.elementCounts = runs;
}

OccupiedBins occupiedBinsOf(const std::vector<std::vector<int64_t>>& totals) {
  return [&totals](const OccupiedVisitor& f) {
    const size_t bins = totals.empty() ? 0 : totals[0].size();
    Occupied o;
    o.card.assign(totals.size(), 0);
    for (size_t b = 0; b < bins; ++b) {
      o.bin = static_cast<int64_t>(b);
      bool any = false;
      for (size_t k = 0; k < totals.size(); ++k) {
        o.card[k] = totals[k][b];
        any = any || o.card[k] != 0;
      }
      if (any) f(o);
    }
  };
}

OccupiedBins occupiedBinsOf(const StPairCounts& counts) {
  return [&counts](const OccupiedVisitor& f) {
    const bool sums = counts.sumIdeal.size() == counts.bins.size();
    for (size_t i = 0; i < counts.bins.size(); ++i) {
      Occupied o;
      o.bin = counts.bins[i];
      o.card.resize(counts.tables.size());
      for (size_t k = 0; k < counts.tables.size(); ++k) o.card[k] = counts.tables[k][i];
      if (sums) {
        o.sumI = counts.sumIdeal[i];
        o.sumM = counts.sumMod[i];
      }
      f(o);
    }
  };
}

void fillPairResult(int mode, const StCalcPrm& prm, const OccupiedBins& visit, PdhList& pdh,
                    StIDCalcResults& partial, ProgressSink* gauge, StPairRunResult& res) {
  const double w = prm.binWidth;
  const int64_t B = res.expectedBins;
  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  const int64_t h = mode == 1 ? firstElementSplit(prm) : 0;
  const std::vector<int64_t> groups = mode == 1 ? elementGroupOffsets(prm) : std::vector<int64_t>{};
  const bool many = groups.size() > 3;
  std::vector<std::vector<PairCount>> cards(many ? elementPairCount(groups.size() - 1) : 0);
  if (gauge) {
    gauge->setPosition(0);
    gauge->setMaximum(B);
  }
  int64_t bins = B, visited = 0;
  std::vector<double> r;
  std::vector<PairCount> rii, rij, rjj;
  double rAcc = 0;  // r of bin kAcc, accumulated by addition (mode 1)
  int64_t kAcc = 0;
  if (mode != 1) pdh.clear();
  std::vector<StMessage> refused;  // (the run was refused then)
  const StDistanceUnitScale units = mode == 3 ? deltaUnitScale(prm, refused) : StDistanceUnitScale{};
  visit([&](const Occupied& o) {
    if (o.bin >= B) {
      bins = std::max(bins, o.bin + 1);
      for (PairCount c : o.card) res.pairsBeyondRange += c;
    }
    if (gauge && (++visited & 0xFFF) == 0) gauge->setPosition(std::min(o.bin, B));
    if (mode == 0) {
      StLiczOdl e;
      e.r = static_cast<double>(o.bin) * w;
      e.card = o.card[0];
      pdh.push_back(e);
    } else if (mode == 1) {
      for (; kAcc < o.bin; ++kAcc) rAcc += w;
      r.push_back(rAcc);
      if (many) {
        for (size_t k = 0; k < cards.size(); ++k) cards[k].push_back(o.card[k]);
      } else {
        rii.push_back(o.card[0]);
        rij.push_back(o.card[1]);
        rjj.push_back(o.card[2]);
      }
    } else if (o.sumI != 0) {
      StLiczOdl e;
      e.card = o.card[0];
      const int exponent = distanceUnitExponent(o.bin, units);
      e.sumIdeal = distanceOfUnits(o.sumI, exponent);
      e.sumMod = distanceOfUnits(o.sumM, exponent);
      pdh.push_back(e);
    }
  });
  res.bins = bins;
  if (res.pairsBeyondRange > 0) {
    res.log.push_back(" " + fmtCount(res.pairsBeyondRange) + " pairs lay beyond the expected range (maxDistance = " +
                      fmtGeneral(prm.rMax, 5) + " Angs); the table was extended to " + fmtCount(bins) + " bins");
  }
  if (res.pairsUndefined > 0) {
    res.log.push_back(" " + fmtCount(res.pairsUndefined) +
                      " pairs were not counted: their distance is not a finite number or lies beyond " +
                      fmtCount(kMaxPairBins) + " bins");
  }
  if (mode == 1 && many) {
    partial.release();
    partial.count = static_cast<int32_t>(r.size());
    partial.r = std::move(r);
    partial.pairs = std::move(cards);
    partial.binWidth = w;
    for (size_t g = 0; g + 1 < groups.size(); ++g) {
      const int64_t first = groups[g];
      partial.elements.push_back(first < n ? prm.nodes[static_cast<size_t>(first)].elementIndex : -1);
      partial.elementAtoms.push_back(groups[g + 1] - first);
    }
    partial.elemFirst = partial.elements[0];
    partial.elemSecond = partial.elements[1];
    if (gauge) gauge->setPosition(0);
  } else if (mode == 1) {
    partial.allocate(static_cast<int32_t>(r.size()));
    partial.r = std::move(r);
    partial.rii = std::move(rii);
    partial.rij = std::move(rij);
    partial.rjj = std::move(rjj);
    partial.binWidth = w;
    partial.atomsFirst = h;
    partial.atomsSecond = n - h;
    if (n > 0) {
      partial.elemFirst = prm.nodes[0].elementIndex;
      partial.elemSecond = prm.nodes[static_cast<size_t>(h < n ? h : 0)].elementIndex;
    }
    if (gauge) gauge->setPosition(0);
  }
  if (gauge) gauge->setVisible(false);
}

}  // namespace grainix
