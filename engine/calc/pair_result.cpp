// Per-bin pair totals into the result records (shared by every way of
// counting pairs).
#include "engine/calc/pair_result.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

void fillPairResult(int mode, const StCalcPrm& prm, const std::vector<std::vector<int64_t>>& totals,
                    const std::vector<double>* sumIdeal, const std::vector<double>* sumMod, PdhList& pdh,
                    StIDCalcResults& partial, ProgressSink* gauge, StPairRunResult& res) {
  const double w = prm.binWidth;
  const int64_t B = res.expectedBins;
  const int64_t cap = totals.empty() ? 0 : static_cast<int64_t>(totals[0].size());
  const int tables = static_cast<int>(totals.size());
  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  int64_t bins = B;
  for (int k = 0; k < tables; ++k) {
    for (int64_t b = cap - 1; b >= bins; --b) {
      if (totals[k][static_cast<size_t>(b)] != 0) {
        bins = b + 1;
        break;
      }
    }
    for (int64_t b = B; b < cap; ++b) res.pairsBeyondRange += totals[k][static_cast<size_t>(b)];
  }
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
      partial.rii[b] = static_cast<double>(totals[0][b]);
      partial.rij[b] = static_cast<double>(totals[1][b]);
      partial.rjj[b] = static_cast<double>(totals[2][b]);
    }
    if (n > 0) {
      partial.elemFirst = prm.nodes[0].elementIndex;
      partial.elemSecond = prm.nodes[static_cast<size_t>(n / 2)].elementIndex;
    }
    if (gauge) {
      gauge->setPosition(0);
      gauge->setVisible(false);
    }
    return;
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
      e.card = card(totals[0][b]);
      pdh.push_back(e);
    } else if ((*sumIdeal)[b] != 0) {
      StLiczOdl e;
      e.card = card(totals[0][b]);
      e.sumIdeal = (*sumIdeal)[b];
      e.sumMod = (*sumMod)[b];
      pdh.push_back(e);
    }
  }
  if (saturated > 0) {
    res.log.push_back(" " + fmtCount(saturated) + " bins hold more pairs than a bin can record (" +
                      fmtCount(std::numeric_limits<int32_t>::max()) + ")");
  }
  if (gauge) gauge->setVisible(false);
}

}  // namespace grainix
