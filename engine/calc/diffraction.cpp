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
  // The atoms the histogram counts: its own record (a PDH file), else the
  // node list's.
  int64_t atoms = prm.nodes ? static_cast<int64_t>(prm.nodes->size()) : 0;
  int32_t element = atoms > 0 ? (*prm.nodes)[0].elementIndex : -1;
  if (prm.pdhAtoms && prm.pdhAtoms->count > 0) {
    atoms = prm.pdhAtoms->count;
    element = prm.pdhAtoms->elementIndex;
  }
  if (atoms <= 0 || !elementKnown(element, prm)) {
    refuse(out, result);
    return out;
  }
  const double n = static_cast<double>(atoms);
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
      const auto card = static_cast<double>(b.card);
      total += card;
      if (b.r == 0) {
        atZero += card;
        continue;
      }
      a.push_back(b.r);
      w.push_back(card / b.r);
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

// Two elements from the partial histograms, with N1 atoms of the first
// element and N2 of the second:
//   I = N1 f1^2 + N2 f2^2 + 2 (f1^2 Sii + f2^2 Sjj + f1 f2 Sij),
//   S = I / (N1 f1^2 + N2 f2^2),
// where Sxx = sum over the bins of count sin(Q r) / (Q r), in double.
StDiffractionOutcome runBiatomic(const StDiffrPrm& prm, const StIDCalcResults* partial, StDiffPattern& result,
                                 ProgressSink* gauge, const CancelToken* cancel, int threads) {
  StDiffractionOutcome out;
  // The atoms of each element: the histograms' own counts, else the
  // builder's halves of the node list.
  double n1 = 0, n2 = 0;
  if (partial && partial->atomsFirst + partial->atomsSecond > 0) {
    n1 = static_cast<double>(partial->atomsFirst);
    n2 = static_cast<double>(partial->atomsSecond);
  } else if (prm.nodes) {
    n1 = n2 = static_cast<double>(prm.nodes->size()) * 0.5;
  }
  if (n1 + n2 <= 0 || !partial || !elementKnown(partial->elemFirst, prm) ||
      !elementKnown(partial->elemSecond, prm)) {
    refuse(out, result);
    return out;
  }
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

  // Occupied bins: those at r = 0 add their counts at every Q; the others
  // are summed as count / r * sin(Q r) and divided by Q once per point.
  const size_t count = std::min({static_cast<size_t>(std::max<int32_t>(0, partial->count)), partial->r.size(),
                                 partial->rii.size(), partial->rij.size(), partial->rjj.size()});
  std::vector<double> r, wii, wij, wjj;
  double zii = 0, zij = 0, zjj = 0, tii = 0, tij = 0, tjj = 0, rMaxAbs = 0;
  for (size_t k = 0; k < count; ++k) {
    const auto cii = static_cast<double>(partial->rii[k]), cij = static_cast<double>(partial->rij[k]),
               cjj = static_cast<double>(partial->rjj[k]);
    if (cii == 0 && cij == 0 && cjj == 0) continue;
    tii += cii, tij += cij, tjj += cjj;
    const double rk = partial->r[k];
    if (rk == 0) {
      zii += cii, zij += cij, zjj += cjj;
      continue;
    }
    r.push_back(rk);
    wii.push_back(cii / rk);
    wij.push_back(cij / rk);
    wjj.push_back(cjj / rk);
    rMaxAbs = std::max(rMaxAbs, std::fabs(rk));
  }
  const StPartialBins bins{r.data(), wii.data(), wij.data(), wjj.data(), r.size()};

  std::vector<double> sii(static_cast<size_t>(points), 0.0), sij(sii), sjj(sii);
  std::atomic<bool> stopped{false};
  parallelChunks(points, kPointChunk, threads, cancel, gauge, [&](int64_t begin, int64_t end) {
    if (cancel && cancel->requested()) {
      stopped = true;
      return;
    }
    double q[8] = {0, 0, 0, 0, 0, 0, 0, 0}, a[8], b[8], c[8];
    double qMax = 0;
    for (int64_t i = begin; i < end; ++i) {
      q[i - begin] = g.q[static_cast<size_t>(i)];
      qMax = std::max(qMax, std::fabs(q[i - begin]));
    }
    const bool vector = end - begin == 8 && qMax * rMaxAbs < kKernelSinRange;
    if (vector) partialSums8(q, bins, a, b, c);
    for (int64_t i = begin; i < end; ++i) {
      const size_t k = static_cast<size_t>(i), l = static_cast<size_t>(i - begin);
      if (q[l] == 0) {
        sii[k] = tii, sij[k] = tij, sjj[k] = tjj;
        continue;
      }
      if (!vector) partialSums1(q[l], bins, a[l], b[l], c[l]);
      sii[k] = zii + a[l] / q[l];
      sij[k] = zij + b[l] / q[l];
      sjj[k] = zjj + c[l] / q[l];
    }
  });
  if (cancel && cancel->requested()) stopped = true;

  std::vector<double> sOfQ(static_cast<size_t>(points)), intensity(static_cast<size_t>(points));
  for (size_t i = 0; i < sOfQ.size(); ++i) {
    const double f1 = factor(prm, partial->elemFirst, g.s[i]);
    const double f2 = factor(prm, partial->elemSecond, g.s[i]);
    const double self = n1 * f1 * f1 + n2 * f2 * f2;
    intensity[i] = self + 2 * (f1 * f1 * sii[i] + f2 * f2 * sjj[i] + f1 * f2 * sij[i]);
    sOfQ[i] = intensity[i] / self;
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
