#include "engine/calc/diffraction.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "engine/calc/diffraction_kernels.h"
#include "engine/core/format.h"

namespace grainix {

namespace {

constexpr double kPi = std::numbers::pi;

// Points of one pattern are computed in chunks of this many.
constexpr int64_t kPointChunk = 8;

int64_t checkedCount(double p) {
  if (!std::isfinite(p) || p <= 0) return 0;
  if (p > static_cast<double>(kMaxPatternPoints)) return 0;
  return static_cast<int64_t>(p);
}

bool blank(const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; }

// Common part of both modes: the angles and, per point, Q and s = sin(theta) / lambda.
struct Grid {
  std::vector<double> theta, q, s;
};

Grid makeGrid(const StDiffrPrm& prm, int64_t points) {
  Grid g;
  g.theta = diffractionAngles(prm, points);
  g.q.resize(g.theta.size());
  g.s.resize(g.theta.size());
  for (size_t i = 0; i < g.theta.size(); ++i) {
    const double sn = std::sin(g.theta[i]);
    g.q[i] = 2 * sn * prm.k;
    g.s[i] = sn / prm.lambda;
  }
  return g;
}

void store(StDiffPattern& result, const Grid& g, std::vector<double>&& sOfQ, std::vector<double>&& intensity) {
  result.release();
  result.twoTheta.resize(g.theta.size());
  for (size_t i = 0; i < g.theta.size(); ++i) result.twoTheta[i] = 2 * g.theta[i];
  result.q = g.q;
  result.sOfQ = std::move(sOfQ);
  result.intensity = std::move(intensity);
  result.count = static_cast<int32_t>(g.theta.size());
}

void refuse(StDiffractionOutcome& out, StDiffPattern& result) {
  out.refused = true;
  out.beep = true;
  result.release();
  out.messages.push_back({MessageKind::Error, "Error", kAtomTypeUndefined});
}

bool elementKnown(int32_t index, const StDiffrPrm& prm) {
  if (index < 0) return false;
  if (!prm.useFactors) return true;
  return prm.table && index < static_cast<int32_t>(prm.table->size());
}

double factor(const StDiffrPrm& prm, int32_t index, double s) {
  if (!prm.useFactors) return unitScatteringFactor(StScatEquPrm{}, s);
  return scatteringFactor((*prm.table)[static_cast<size_t>(index)], s);
}

// Monoatomic grain: S = (2/N) sum card sin(Qr)/(Qr) + 1, I = N f^2 S.
StDiffractionOutcome runMonoatomic(const StDiffrPrm& prm, StDiffPattern& result, ProgressSink* gauge,
                                   const CancelToken* cancel, int threads) {
  StDiffractionOutcome out;
  if (!prm.nodes || prm.nodes->empty() || !elementKnown((*prm.nodes)[0].elementIndex, prm)) {
    refuse(out, result);
    return out;
  }
  const int32_t element = (*prm.nodes)[0].elementIndex;
  const double n = static_cast<double>(prm.nodes->size());
  const int64_t points = diffractionPointCount(prm, 0);
  if (points <= 0) {
    result.release();
    return out;
  }
  if (gauge) {
    gauge->setMaximum(points);
    gauge->setPosition(0);
  }
  const Grid g = makeGrid(prm, points);

  // Occupied bins: r = 0 bins add their count at every Q; the others enter
  // the vector sum as card/r * sin(Q r), divided by Q once per point.
  double atZero = 0, total = 0, rMaxAbs = 0;
  std::vector<double> a, w;
  if (prm.pdh) {
    for (const StLiczOdl& b : *prm.pdh) {
      if (b.card == 0) continue;
      total += b.card;
      if (b.r == 0) {
        atZero += b.card;
        continue;
      }
      a.push_back(b.r);
      w.push_back(b.card / b.r);
      rMaxAbs = std::max(rMaxAbs, std::fabs(b.r));
    }
  }
  while (a.size() % kKernelLanes) {
    a.push_back(0);
    w.push_back(0);
  }

  std::vector<double> sum(static_cast<size_t>(points), 0.0);
  std::atomic<bool> stopped{false};
  parallelChunks(points, kPointChunk, threads, cancel, gauge, [&](int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) {
      if (cancel && cancel->requested()) {
        stopped = true;
        return;
      }
      const double q = g.q[static_cast<size_t>(i)];
      double v;
      if (q == 0) {
        v = total;
      } else if (std::fabs(q) * rMaxAbs < kKernelSinRange) {
        v = atZero + sumWeightedSin(a.data(), w.data(), a.size(), q) / q;
      } else {
        v = atZero;
        for (size_t j = 0; j < a.size(); ++j) v += w[j] * std::sin(q * a[j]) / q;
      }
      sum[static_cast<size_t>(i)] = v;
    }
  });
  if (cancel && cancel->requested()) stopped = true;

  std::vector<double> sOfQ(static_cast<size_t>(points)), intensity(static_cast<size_t>(points));
  for (size_t i = 0; i < sOfQ.size(); ++i) {
    const double f = factor(prm, element, g.s[i]);
    sOfQ[i] = (2 / n) * sum[i] + 1;
    intensity[i] = n * f * f * sOfQ[i];
  }
  store(result, g, std::move(sOfQ), std::move(intensity));
  out.terminated = stopped;
  out.points = points;
  return out;
}

// Biatomic grain from the partial histograms, single-precision sums.
StDiffractionOutcome runBiatomic(const StDiffrPrm& prm, const StIDCalcResults* partial, StDiffPattern& result,
                                 ProgressSink* gauge, const CancelToken* cancel, int threads) {
  StDiffractionOutcome out;
  if (!prm.nodes || prm.nodes->empty() || !partial || !elementKnown(partial->elemFirst, prm) ||
      !elementKnown(partial->elemSecond, prm)) {
    refuse(out, result);
    return out;
  }
  const double h = static_cast<double>(prm.nodes->size()) * 0.25;
  const int64_t points = diffractionPointCount(prm, 1);
  if (points <= 0) {
    result.release();
    return out;
  }
  if (gauge) {
    gauge->setMaximum(points);
    gauge->setPosition(0);
  }
  const Grid g = makeGrid(prm, points);

  // Bins from the last occupied one down to 0, skipping empty ones. The last
  // occupied bin counts all three histograms, so no second-element pair
  // beyond the mixed ones is lost.
  const size_t count = static_cast<size_t>(std::max<int32_t>(0, partial->count));
  int64_t jTop = static_cast<int64_t>(count) - 1;
  while (jTop > 0 && partial->rii[static_cast<size_t>(jTop)] == 0 && partial->rij[static_cast<size_t>(jTop)] == 0 &&
         partial->rjj[static_cast<size_t>(jTop)] == 0)
    --jTop;
  std::vector<double> r, rii, rij, rjj;
  double rMaxAbs = 0;
  for (int64_t j = jTop; j >= 0; --j) {
    const size_t k = static_cast<size_t>(j);
    if (partial->rii[k] == 0 && partial->rij[k] == 0 && partial->rjj[k] == 0) continue;
    r.push_back(partial->r[k]);
    rii.push_back(partial->rii[k]);
    rij.push_back(partial->rij[k]);
    rjj.push_back(partial->rjj[k]);
    rMaxAbs = std::max(rMaxAbs, std::fabs(partial->r[k]));
  }
  const StPartialBins bins{r.data(), rii.data(), rij.data(), rjj.data(), r.size()};

  std::vector<float> sii(static_cast<size_t>(points), 0.f), sij(sii), sjj(sii);
  std::atomic<bool> stopped{false};
  parallelChunks(points, kPointChunk, threads, cancel, gauge, [&](int64_t begin, int64_t end) {
    if (cancel && cancel->requested()) {
      stopped = true;
      return;
    }
    double q[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    double qMax = 0;
    for (int64_t i = begin; i < end; ++i) {
      q[i - begin] = g.q[static_cast<size_t>(i)];
      qMax = std::max(qMax, std::fabs(q[i - begin]));
    }
    if (end - begin == 8 && qMax * rMaxAbs < kKernelSinRange * 0.5) {
      partialSums8(q, bins, &sii[static_cast<size_t>(begin)], &sij[static_cast<size_t>(begin)],
                   &sjj[static_cast<size_t>(begin)]);
    } else {
      for (int64_t i = begin; i < end; ++i) {
        const size_t k = static_cast<size_t>(i);
        partialSums1(g.q[k], bins, sii[k], sij[k], sjj[k]);
      }
    }
  });
  if (cancel && cancel->requested()) stopped = true;

  // A grain of two equal halves (the builders') has the self term
  // N/2 (f1^2 + f2^2); groups of other sizes (grains cut from a CIF file)
  // have N1 f1^2 + N2 f2^2.
  const double n1 = static_cast<double>(partial->countFirst), n2 = static_cast<double>(partial->countSecond);
  const bool halves = !(n1 > 0 && n2 > 0 && n1 + n2 == static_cast<double>(prm.nodes->size()) && n1 != n2);
  std::vector<double> sOfQ(static_cast<size_t>(points)), intensity(static_cast<size_t>(points));
  for (size_t i = 0; i < sOfQ.size(); ++i) {
    const float f1 = static_cast<float>(factor(prm, partial->elemFirst, g.s[i]));
    const float f2 = static_cast<float>(factor(prm, partial->elemSecond, g.s[i]));
    const float w1 = f1 * f1, w2 = f2 * f2, w12 = f1 * f2;
    const double pairs =
        static_cast<double>(w1) * sii[i] + static_cast<double>(w2) * sjj[i] + static_cast<double>(w12) * sij[i];
    if (halves) {
      const double wSum = static_cast<double>(w1) + w2;
      sOfQ[i] = pairs / (wSum * h) + 1;
      intensity[i] = sOfQ[i] * h * wSum * 2;
    } else {
      const double self = n1 * w1 + n2 * w2;
      sOfQ[i] = 2 * pairs / self + 1;
      intensity[i] = sOfQ[i] * self;
    }
  }
  store(result, g, std::move(sOfQ), std::move(intensity));
  out.terminated = stopped;
  out.points = points;
  return out;
}

}  // namespace

int64_t diffractionPointCount(const StDiffrPrm& prm, int mode) {
  if (mode == 1) return checkedCount(std::floor((prm.stop - prm.start) / prm.step + 1));
  const double thetaStart = prm.start * 0.5;
  const double thetaEnd = prm.stop * 0.5;
  return checkedCount(std::floor((thetaEnd - thetaStart) / prm.step) * 2);
}

std::vector<double> diffractionAngles(const StDiffrPrm& prm, int64_t points) {
  std::vector<double> theta(static_cast<size_t>(std::max<int64_t>(0, points)));
  const double thetaStart = prm.start * 0.5;
  const double dTheta = prm.step * kPi * (1.0 / 180) * 0.5;
  double t = thetaStart * kPi * (1.0 / 180);
  for (size_t i = 0; i < theta.size(); ++i) {
    if (i > 0) t = t + dTheta;
    theta[i] = t;
  }
  return theta;
}

StDiffractionOutcome runDiffraction(const StDiffrPrm& prm, const StIDCalcResults* partial, int mode,
                                    StDiffPattern& result, ProgressSink* gauge, const CancelToken* cancel,
                                    int threads) {
  return mode == 1 ? runBiatomic(prm, partial, result, gauge, cancel, threads)
                   : runMonoatomic(prm, result, gauge, cancel, threads);
}

double qOfTwoTheta(double twoThetaDegrees, double lambda) {
  const double v = twoThetaDegrees * 0.5;
  return 12.566370614359172 / lambda * std::sin(v * kPi / 180);
}

StCommandResult mirrorAngleAsQ(const std::string& angleText, const std::string& lambdaText, std::string& qText) {
  StCommandResult r;
  if (blank(angleText)) {
    r.ok = true;
    return r;
  }
  double angle = 0, lambda = 0;
  if (!parseDouble(angleText, angle)) {
    r.conversionError(angleText);
    return r;
  }
  if (!parseDouble(lambdaText, lambda)) {
    r.conversionError(lambdaText);
    return r;
  }
  qText = fmtGeneral(qOfTwoTheta(angle, lambda), 5);
  r.ok = true;
  return r;
}

}  // namespace grainix
