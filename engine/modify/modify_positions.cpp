#include "engine/modify/modify_positions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "engine/core/format.h"

namespace grainix {

namespace {

std::string fmt5(double v) { return fmtGeneral(v, 5); }

// Distance of a displaced node from the centre (spheres) or the axis
// (cylinders), from its coordinates rounded to single precision.
double displacedR(const StGrainNode& n, bool sphere) {
  const double fx = static_cast<float>(n.x), fy = static_cast<float>(n.y), fz = static_cast<float>(n.z);
  return sphere ? std::sqrt(fx * fx + fy * fy + fz * fz) : std::sqrt(fx * fx + fy * fy);
}

// Nodes of the first element when the thermal routines treat two: the
// leading run of one element (a grain read from a file may hold any
// number), else the halves of a paired grain of one element.
size_t firstGroupSize(const vGrainNodes& nodes) {
  const auto lead = static_cast<size_t>(leadingElementCount(nodes));
  return lead < nodes.size() ? lead : nodes.size() / 2;
}

void displace(StGrainNode& n, const float d[3], bool sphere) {
  n.x0 = n.x;
  n.y0 = n.y;
  n.z0 = n.z;
  n.x += d[0];
  n.y += d[1];
  n.z += d[2];
  n.r = displacedR(n, sphere);
}

}  // namespace

void modificationSummary(const secPrm& sections, StGrainPrm& prm, std::vector<std::string>& log) {
  const funcGeneric0 f(sections);
  const double R = prm.radius, a = prm.latticePrm;
  const double Rp = f.value(R);
  const double avg = Rp / (R / a);
  log.push_back("...........................");
  log.push_back(" * sections parameters *");
  for (const auto& s : sections) log.push_back(s.name + ", a=" + fmt5(s.a) + "%, r=" + fmt5(s.r));
  double S = 0, prev = 0;
  for (const auto& s : sections) {
    const double v = f.value(s.r);
    const double d = v - prev;
    S += d * d * d;
    prev = v;
  }
  prm.radiusMod = Rp;
  prm.latticePrmAvg = avg;
  prm.latticePrmChange = (avg / a - 1) * 100;
  log.push_back(" * Grain parameters after modifications *");
  log.push_back("Radius= " + fmt5(Rp));
  log.push_back("Average lattice parameter= " + fmt5(avg));
  log.push_back("Relative change of lattice parameter= " + fmt5(prm.latticePrmChange) + "%");
  const double h = S / Rp - avg * avg;
  prm.weightedStd = h >= 0 ? std::sqrt(h) : 0;
  log.push_back("Weighted Standard deviation= " + fmt5(prm.weightedStd));
}

bool isPairedGrain(const StGrainPrm& prm, size_t nodeCount) {
  if (nodeCount < 2 || nodeCount % 2 != 0) return false;
  return prm.kind == kindDiam || (prm.kind == kindHcp && prm.stackedSublattice);
}

bool hasTwoGroups(const StGrainPrm& prm, size_t nodeCount) {
  if (!prm.biatomic || nodeCount < 2) return false;
  // A stacked grain without its sublattice holds only the first element.
  return !(prm.kind == kindHcp && !prm.stackedSublattice);
}

double scalePositions(vGrainNodes& ideal, vGrainNodes& modified, const secPrm& sections, const StGrainPrm& prm,
                      ProgressSink* progress) {
  const size_t n = ideal.size();
  const funcGeneric0 f(sections);
  modified.clear();
  modified.reserve(n);
  if (progress) {
    progress->setMaximum(n > 0 ? static_cast<int64_t>(n) - 1 : 0);
    progress->setVisible(true);
  }
  const bool paired = isPairedGrain(prm, n);
  const size_t first = paired ? n / 2 : n;
  double maxR = 0;
  for (size_t i = 0; i < first; ++i) {
    StGrainNode& id = ideal[i];
    StGrainNode m = id;
    const double r = id.r;
    if (r >= 1e-5) {
      const double rp = f.value(r);
      const double s = rp / r;
      m.x = id.x * s;
      m.y = id.y * s;
      if (prm.sphere) m.z = id.z * s;
      m.r = rp;
      m.rPrev = r;
      id.rPrev = rp;
      maxR = std::max(maxR, rp);
    } else {
      m.rPrev = r;  // the centre atom stays where it is
      id.rPrev = r;
    }
    m.x0 = m.x;
    m.y0 = m.y;
    m.z0 = m.z;
    modified.push_back(std::move(m));
    if (progress) progress->setPosition(static_cast<int64_t>(i));
  }
  if (paired) {
    const size_t half = n / 2;
    const double q = prm.latticePrm / 4;
    double shift = prm.kind == kindDiam ? q : 0;
    for (size_t i = 0; i < half; ++i) {
      const StGrainNode& moved = modified[i];
      StGrainNode& idPartner = ideal[half + i];
      double ox = q, oy = q, oz = q;
      if (prm.kind == kindHcp) {
        // The sublattice keeps the shift it was built with.
        ox = idPartner.x - ideal[i].x;
        oy = idPartner.y - ideal[i].y;
        oz = idPartner.z - ideal[i].z;
        shift = std::max(shift, std::sqrt(ox * ox + oy * oy + oz * oz));
      }
      StGrainNode p = moved;
      p.x = moved.x + ox;
      p.y = moved.y + oy;
      p.z = moved.z + oz;
      p.x0 = p.x;
      p.y0 = p.y;
      p.z0 = p.z;
      p.element = idPartner.element;
      p.elementIndex = idPartner.elementIndex;
      p.siteKind = idPartner.siteKind;
      idPartner.rPrev = moved.r;
      modified.push_back(std::move(p));
      if (progress) progress->setPosition(static_cast<int64_t>(half + i));
    }
    maxR += shift;
  }
  return maxR;
}

int64_t systemClockSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

ThermalDraws::ThermalDraws(ThermalRandom& random, ClockSeconds clock)
    : random_(random), clock_(clock ? std::move(clock) : ClockSeconds(systemClockSeconds)) {}

void ThermalDraws::beforeNode(size_t index) {
  if (index % 32767 != 0) return;
  const int64_t s = clock_();
  // Reseeding with the second already used would replay the same draws for
  // the next 32767 nodes: keep the running sequence instead.
  if (seeded_ && s == lastSeed_) return;
  random_.seed(static_cast<uint32_t>(s));
  seeded_ = true;
  lastSeed_ = s;
}

double ThermalDraws::u() { return static_cast<double>(random_.next() % 32767) / 32766; }

void ThermalDraws::direction(double rho, float d[3]) {
  // Uniform on the sphere: z uniform in [-1, 1], the azimuth uniform.
  const float z = static_cast<float>(2 * u() - 1);
  const float phi = static_cast<float>(u() * 2 * std::numbers::pi);
  const float r = static_cast<float>(rho);
  const float ring = std::sqrt(std::max(0.f, 1 - z * z));
  d[0] = r * ring * std::cos(phi);
  d[1] = r * ring * std::sin(phi);
  d[2] = r * z;
}

double uniformDisplacements(vGrainNodes& nodes, bool twoGroups, bool sphere, double ampL, double ampR,
                            ThermalDraws& draws, double& maxR, std::vector<std::string>& log) {
  const size_t n = nodes.size();
  const size_t n1 = twoGroups ? firstGroupSize(nodes) : n;
  const double boundL = ampL * kUniformReach;
  const double boundR = ampR * kUniformReach;
  double sumsq = 0;
  for (size_t i = 0; i < n; ++i) {
    draws.beforeNode(i);
    const double rho = draws.u() * (i < n1 ? boundL : boundR);
    float d[3];
    draws.direction(rho, d);
    StGrainNode& node = nodes[i];
    displace(node, d, sphere);
    const double len2 = double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2];
    node.rPrev = std::sqrt(len2);
    sumsq += len2;
  }
  const double maxDev = twoGroups ? std::max(boundL, boundR) : boundL;
  maxR += maxDev;
  if (n > 0) log.push_back(" mean square root " + fmt5(std::sqrt(sumsq / double(n))));
  return maxDev;
}

double normalDisplacements(vGrainNodes& nodes, bool twoGroups, bool sphere, double sigmaL, double sigmaR, double acp,
                           int64_t level, ThermalDraws& draws, double& maxR, std::vector<std::string>& log) {
  const size_t n = nodes.size();
  const size_t n1 = twoGroups ? firstGroupSize(nodes) : n;
  // The chain samples the signed length of a displacement in a uniform
  // direction, which puts a third of its mean square on each axis: a length
  // of sqrt(3) sigma gives every axis the amplitude sigma.
  sigmaL *= kNormalLengthPerAxis;
  sigmaR *= kNormalLengthPerAxis;
  double maxDev = std::abs(sigmaL);
  auto run = [&](size_t from, size_t to, double sigma) {
    const double norm = sigma * std::sqrt(2 * std::numbers::pi);
    auto p = [&](double x) {
      const double t = x / sigma;
      return std::exp(-t * t / 2) / norm;
    };
    double current = sigma;
    for (size_t i = from; i < to; ++i) {
      draws.beforeNode(i);
      if (sigma != 0) {
        for (int64_t k = 0; k < level; ++k) {
          const double trial = (2 * draws.u() - 1) * acp + current;
          const double ratio = p(trial) / p(current);
          if (draws.u() < ratio) current = trial;
        }
      }
      // The largest displacement length bounds the grain growth, whatever the sign.
      maxDev = std::max(maxDev, std::abs(current));
      float d[3];
      draws.direction(current, d);
      displace(nodes[i], d, sphere);
    }
  };
  run(0, n1, sigmaL);
  if (twoGroups) run(n1, n, sigmaR);
  maxR += maxDev;
  log.push_back("maxR: " + fmt5(maxR));
  return maxDev;
}

StVerifyResult verifyDistribution(const vGrainNodes& nodes, bool twoGroups, double maxDev, int64_t bars, bool normal) {
  StVerifyResult res;
  if (maxDev == 0) {
    res.log.push_back("maxDev=0 ");
    return res;
  }
  if (bars < 1 || bars > 10'000'000) {
    res.errors.push_back("Number of bars should be an integer value greater than 0");
    return res;
  }
  const int64_t B = bars;
  const double w = static_cast<float>(2 * maxDev / double(B));
  const double k = (double(B) - 1) / double(B) / w;
  const size_t n = nodes.size();
  struct Group {
    size_t from, to;
    std::string title;
  };
  std::vector<Group> groups;
  if (twoGroups) {
    const size_t n1 = firstGroupSize(nodes);
    groups = {{0, n1, "lattice distribution "}, {n1, n, "sub lattice distribution "}};
    res.width = res.height = 600;
    res.rows = 2;
  } else {
    groups = {{0, n, "distribution "}};
  }
  auto clampIndex = [B](double v) -> size_t {
    if (!(v >= 0)) return 0;  // also NaN
    if (v > double(B - 1)) return static_cast<size_t>(B - 1);
    return static_cast<size_t>(v);
  };
  for (const auto& g : groups) {
    StVerifyPanel panel;
    panel.count = g.to - g.from;
    panel.generated.assign(static_cast<size_t>(B), 0.0);
    double sumsq = 0;
    for (size_t i = g.from; i < g.to; ++i) {
      const auto& nd = nodes[i];
      const double dx = nd.x - nd.x0, dy = nd.y - nd.y0, dz = nd.z - nd.z0;
      const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
      sumsq += d * d;
      panel.generated[clampIndex(std::floor((d + maxDev) * k))] += 0.5 / w;
      panel.generated[clampIndex(std::floor((maxDev - d) * k))] += 0.5 / w;
    }
    const double sigma = panel.count > 0 ? std::sqrt(sumsq / double(panel.count)) : 0;
    panel.sigma = sigma;
    for (int64_t j = 0; j < B; ++j) {
      const double h = w - maxDev + double(j) * w;
      panel.x.push_back(h);
      // Lengths uniform in [0, maxDev], entered on both sides of zero.
      double density = 1 / (2 * maxDev);
      if (normal) {
        const double t = h / sigma;
        density = sigma > 0 ? std::exp(-t * t / 2) / (sigma * std::sqrt(2 * std::numbers::pi)) : 0;
      }
      panel.theory.push_back(density * double(panel.count));
    }
    panel.title = g.title + "std=" + fmt5(sigma) + (twoGroups ? "" : " e-3");
    res.panels.push_back(std::move(panel));
  }
  res.ok = true;
  return res;
}

}  // namespace grainix
