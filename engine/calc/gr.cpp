#include "engine/calc/gr.h"

#include <atomic>
#include <cmath>
#include <vector>

#include "engine/calc/diffraction_kernels.h"

namespace grainix {

namespace {
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr int64_t kRChunk = 16;
}  // namespace

int64_t grPointCount(const StGrPrm& prm) {
  const double p = std::floor((prm.rStop - prm.rStart) / prm.rStep);
  if (!std::isfinite(p) || p <= 0 || p > static_cast<double>(kMaxGrPoints)) return 0;
  return static_cast<int64_t>(p);
}

StGrOutcome computeGr(const StGrPrm& prm, StData& result, ProgressSink* gauge, const CancelToken* cancel,
                      int threads) {
  StGrOutcome out;
  const int64_t points = grPointCount(prm);
  const StDiffPattern empty;
  const StDiffPattern& pat = prm.pattern ? *prm.pattern : empty;
  if (pat.count > 0 && (!pat.hasQ() || !pat.hasS())) {
    // A pattern read without its Q or S column has nothing to transform.
    result.release();
    out.missingColumns = true;
    return out;
  }
  const size_t m = static_cast<size_t>(std::max<int32_t>(0, pat.count));
  NoneWindow box;
  WindowingFunction& window = prm.window ? *prm.window : box;
  if (m > 0) window.setQmax(pat.q[m - 1]);
  result.release();

  // The weighted integrand, once; padded with zero weights for the lanes.
  std::vector<double> q(m), f(m, 0.0);
  double qMaxAbs = 0;
  for (size_t j = 0; j < m; ++j) {
    q[j] = pat.q[j];
    qMaxAbs = std::max(qMaxAbs, std::fabs(q[j]));
    if (j > 0) f[j] = window.weight(q[j]) * (pat.sOfQ[j] - 1) * q[j] * (q[j] - q[j - 1]);
  }
  while (q.size() % kKernelLanes) {
    q.push_back(0);
    f.push_back(0);
  }
  if (points <= 0) return out;

  std::vector<double> r(static_cast<size_t>(points)), g(static_cast<size_t>(points), 0.0);
  double rv = prm.rStart;
  for (size_t i = 0; i < r.size(); ++i) {
    if (i > 0) rv = rv + prm.rStep;
    r[i] = rv;
  }
  if (gauge) {
    gauge->setMaximum(points);
    gauge->setPosition(0);
  }
  std::atomic<bool> stopped{false};
  parallelChunks(points, kRChunk, threads, cancel, gauge, [&](int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) {
      if (cancel && cancel->requested()) {
        stopped = true;
        return;
      }
      const double ri = r[static_cast<size_t>(i)];
      double sum;
      if (qMaxAbs * std::fabs(ri) < kKernelSinRange) {
        sum = sumWeightedSin(q.data(), f.data(), q.size(), ri);
      } else {
        sum = 0;
        for (size_t j = 0; j < m; ++j) sum += f[j] * std::sin(q[j] * ri);
      }
      g[static_cast<size_t>(i)] = kTwoOverPi * sum;
    }
  });
  if (cancel && cancel->requested()) stopped = true;
  result.x = std::move(r);
  result.y = std::move(g);
  result.count = static_cast<int32_t>(points);
  out.points = points;
  out.terminated = stopped;
  return out;
}

}  // namespace grainix
