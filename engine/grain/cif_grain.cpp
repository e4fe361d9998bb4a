#include "engine/grain/cif_grain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace grainix {

namespace {

using Vec3 = std::array<double, 3>;

double wrap01(double t) {
  double w = t - std::floor(t);
  if (w >= 1.0 - 1e-12) w = 0.0;
  return w;
}

uint64_t mix(uint64_t h, uint64_t v) {
  // splitmix64 finaliser over the running value
  uint64_t z = h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// A uniform number in [0, 1) fixed by the seed and the lattice place.
double draw(uint64_t seed, int64_t i, int64_t j, int64_t k, uint64_t slot) {
  uint64_t h = mix(seed, static_cast<uint64_t>(i));
  h = mix(h, static_cast<uint64_t>(j));
  h = mix(h, static_cast<uint64_t>(k));
  h = mix(h, slot);
  return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// Cartesian coordinates of fractional coordinates u relative to the centre.
// Along each axis the length is its whole-cell part, made by adding the cell
// length n times (as the cubic builders walk their lattice), plus the
// fraction times the length, with the sign applied last; so a cubic cell
// gives exactly the builders' coordinates.
struct Frame {
  const StCellFrame& f;
  std::array<std::vector<double>, 3> whole;  // whole[j][n] = L_j added n times

  Frame(const StCellFrame& frame, const std::array<int64_t, 3>& reach) : f(frame) {
    for (int j = 0; j < 3; ++j) {
      auto& w = whole[static_cast<size_t>(j)];
      w.resize(static_cast<size_t>(reach[static_cast<size_t>(j)]) + 2);
      double s = 0.0;
      for (double& v : w) {
        v = s;
        s += f.length[static_cast<size_t>(j)];
      }
    }
  }
  double along(int j, double u) const {
    const double m = std::fabs(u);
    const double n = std::floor(m);
    const auto& w = whole[static_cast<size_t>(j)];
    const size_t idx = static_cast<size_t>(n);
    const double base = idx < w.size() ? w[idx] : n * f.length[static_cast<size_t>(j)];
    const double len = base + (m - n) * f.length[static_cast<size_t>(j)];
    return u < 0 ? -len : len;
  }
  Vec3 cartesian(const Vec3& u) const {
    const double t0 = along(0, u[0]), t1 = along(1, u[1]), t2 = along(2, u[2]);
    Vec3 p;
    for (int i = 0; i < 3; ++i) p[static_cast<size_t>(i)] = f.axis[0][i] * t0 + f.axis[1][i] * t1 + f.axis[2][i] * t2;
    return p;
  }
};

struct Kept {
  double x, y, z, r;
};

// How far the shape reaches along each fractional axis from the centre.
std::array<double, 3> fractionalReach(const StCellFrame& f, const StCifCut& cut) {
  std::array<double, 3> w{};
  for (int j = 0; j < 3; ++j) {
    const auto& g = f.recip[static_cast<size_t>(j)];
    if (cut.cylinder)
      w[static_cast<size_t>(j)] = cut.radius * std::hypot(g[0], g[1]) + 0.5 * cut.height * std::fabs(g[2]);
    else
      w[static_cast<size_t>(j)] = cut.radius * std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
  }
  return w;
}

bool inside(const Vec3& p, const StCifCut& cut, double r2) {
  if (cut.cylinder) return p[0] * p[0] + p[1] * p[1] <= r2 && std::fabs(p[2]) <= 0.5 * cut.height;
  return p[0] * p[0] + p[1] * p[1] + p[2] * p[2] <= r2;
}

// The site chosen at a position by its draw; -1 leaves it empty.
int chooseSite(const StCrystal& c, const StCellPosition& q, uint64_t seed, int64_t i, int64_t j, int64_t k,
               uint64_t slot) {
  if (q.sites.size() == 1 && c.sites[static_cast<size_t>(q.sites[0])].occupancy >= 1) return q.sites[0];
  const double u = draw(seed, i, j, k, slot);
  double sum = 0;
  for (int s : q.sites) {
    sum += c.sites[static_cast<size_t>(s)].occupancy;
    if (u < sum) return s;
  }
  return -1;
}

// One atom of the motif: a cell position and its offset from the first site.
struct MotifAtom {
  size_t position;
  Vec3 offset;  // fractional, relative to the first site
};

std::vector<MotifAtom> motifOf(const StCrystal& c, const Vec3& anchor, double tolerance) {
  std::vector<MotifAtom> motif;
  std::vector<bool> taken(c.positions.size(), false);
  auto distance = [&](const Vec3& d) {
    double v[3] = {0, 0, 0};
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) v[i] += c.frame.axis[j][i] * (d[static_cast<size_t>(j)] * c.frame.length[j]);
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  };
  for (size_t p = 0; p < c.positions.size(); ++p) {
    if (taken[p]) continue;
    // The position's orbit under the centring translations.
    std::vector<size_t> orbit;
    for (const Vec3& t : c.centring) {
      Vec3 image;
      for (int j = 0; j < 3; ++j) image[static_cast<size_t>(j)] = wrap01(c.positions[p].fract[j] + t[j]);
      for (size_t q = 0; q < c.positions.size(); ++q) {
        Vec3 d;
        for (int j = 0; j < 3; ++j) {
          d[static_cast<size_t>(j)] = c.positions[q].fract[j] - image[static_cast<size_t>(j)];
          d[static_cast<size_t>(j)] -= std::round(d[static_cast<size_t>(j)]);
        }
        if (!taken[q] && distance(d) < tolerance) {
          taken[q] = true;
          orbit.push_back(q);
        }
      }
    }
    // Its image nearest to the first site; of equally near ones the site's
    // own coordinates as the file writes them, else the first found.
    MotifAtom best{p, {}};
    double bestDistance = INFINITY;
    bool bestOwn = false;
    for (size_t q : orbit) {
      const StCellPosition& pos = c.positions[q];
      Vec3 own;
      for (int j = 0; j < 3; ++j)
        own[static_cast<size_t>(j)] = wrap01(c.sites[static_cast<size_t>(pos.sites[0])].fract[static_cast<size_t>(j)]);
      for (int n0 = -1; n0 <= 1; ++n0)
        for (int n1 = -1; n1 <= 1; ++n1)
          for (int n2 = -1; n2 <= 1; ++n2) {
            const Vec3 image{pos.fract[0] + n0, pos.fract[1] + n1, pos.fract[2] + n2};
            Vec3 d, dOwn;
            for (int j = 0; j < 3; ++j) {
              d[static_cast<size_t>(j)] = image[static_cast<size_t>(j)] - anchor[static_cast<size_t>(j)];
              dOwn[static_cast<size_t>(j)] = pos.fract[static_cast<size_t>(j)] - own[static_cast<size_t>(j)];
              dOwn[static_cast<size_t>(j)] -= std::round(dOwn[static_cast<size_t>(j)]);
            }
            const double dist = distance(d);
            const bool isOwn = n0 == 0 && n1 == 0 && n2 == 0 && distance(dOwn) < tolerance;
            if (dist < bestDistance - 1e-9 || (dist < bestDistance + 1e-9 && isOwn && !bestOwn)) {
              bestDistance = dist;
              bestOwn = isOwn;
              best = {q, d};
            }
          }
    }
    if (bestDistance < tolerance) best.offset = {0, 0, 0};  // the first site itself
    motif.push_back(best);
  }
  return motif;
}

}  // namespace

double estimatedCifNodes(const StCrystal& c, const StCifCut& cut) {
  double perCell = 0;
  for (const StCellPosition& q : c.positions)
    for (int s : q.sites) perCell += c.sites[static_cast<size_t>(s)].occupancy;
  if (!(c.frame.volume > 0)) return 0;
  // The shape grown by one cell diagonal covers what the cut can keep.
  const double grow = c.cell.a + c.cell.b + c.cell.c;
  const double r = cut.radius + grow;
  const double volume = cut.cylinder ? std::numbers::pi * r * r * (cut.height + 2 * grow)
                                     : 4.0 / 3.0 * std::numbers::pi * r * r * r;
  return perCell * volume / c.frame.volume + 1;
}

StCifCutResult cutCifGrain(const StCrystal& c, const StCifCut& cut, vGrainNodes& nodes) {
  StCifCutResult res;
  res.perElement.assign(c.elements.size(), 0);
  nodes.clear();
  if (c.sites.empty() || c.positions.empty()) return res;

  Vec3 anchor;
  for (int j = 0; j < 3; ++j) anchor[static_cast<size_t>(j)] = wrap01(c.sites[0].fract[static_cast<size_t>(j)]);
  const Vec3 centre = cut.centreOnAtom ? anchor : Vec3{0, 0, 0};
  const auto reach = fractionalReach(c.frame, cut);
  std::array<int64_t, 3> lo{}, hi{}, tableReach{};
  for (int j = 0; j < 3; ++j) {
    const size_t J = static_cast<size_t>(j);
    lo[J] = static_cast<int64_t>(std::floor(centre[J] - reach[J])) - 1;
    hi[J] = static_cast<int64_t>(std::ceil(centre[J] + reach[J])) + 1;
    tableReach[J] = static_cast<int64_t>(std::ceil(reach[J])) + 3;
  }
  const Frame frame(c.frame, tableReach);
  const double r2 = cut.radius * cut.radius;

  std::vector<std::vector<Kept>> groups(c.elements.size());
  auto keep = [&](const Vec3& p, int site) {
    const double s = cut.cylinder ? p[0] * p[0] + p[1] * p[1] : p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
    groups[static_cast<size_t>(c.sites[static_cast<size_t>(site)].group)].push_back({p[0], p[1], p[2], std::sqrt(s)});
  };

  if (!cut.motif) {
    // Positions relative to the centre: an exact zero for the first site.
    std::vector<Vec3> rel(c.positions.size());
    for (size_t q = 0; q < c.positions.size(); ++q)
      for (int j = 0; j < 3; ++j) rel[q][static_cast<size_t>(j)] = c.positions[q].fract[j] - centre[static_cast<size_t>(j)];
    for (int64_t i = lo[0]; i <= hi[0]; ++i)
      for (int64_t j = lo[1]; j <= hi[1]; ++j)
        for (int64_t k = lo[2]; k <= hi[2]; ++k)
          for (size_t q = 0; q < c.positions.size(); ++q) {
            const Vec3 u{static_cast<double>(i) + rel[q][0], static_cast<double>(j) + rel[q][1],
                         static_cast<double>(k) + rel[q][2]};
            const Vec3 p = frame.cartesian(u);
            if (!inside(p, cut, r2)) continue;
            const int site = chooseSite(c, c.positions[q], cut.seed, i, j, k, q);
            if (site < 0) {
              ++res.vacant;
              continue;
            }
            keep(p, site);
          }
  } else {
    const std::vector<MotifAtom> motif = motifOf(c, anchor, 0.01);
    std::vector<Vec3> offsets(motif.size());
    for (size_t m = 0; m < motif.size(); ++m) offsets[m] = frame.cartesian(motif[m].offset);
    Vec3 base;  // the first site relative to the centre
    for (int j = 0; j < 3; ++j) base[static_cast<size_t>(j)] = anchor[static_cast<size_t>(j)] - centre[static_cast<size_t>(j)];
    for (int64_t i = lo[0]; i <= hi[0]; ++i)
      for (int64_t j = lo[1]; j <= hi[1]; ++j)
        for (int64_t k = lo[2]; k <= hi[2]; ++k)
          for (size_t t = 0; t < c.centring.size(); ++t) {
            const Vec3 u{static_cast<double>(i) + c.centring[t][0] + base[0],
                         static_cast<double>(j) + c.centring[t][1] + base[1],
                         static_cast<double>(k) + c.centring[t][2] + base[2]};
            const Vec3 a = frame.cartesian(u);
            if (!inside(a, cut, r2)) continue;
            for (size_t m = 0; m < motif.size(); ++m) {
              const int site = chooseSite(c, c.positions[motif[m].position], cut.seed, i, j, k, t * motif.size() + m);
              if (site < 0) {
                ++res.vacant;
                continue;
              }
              keep({a[0] + offsets[m][0], a[1] + offsets[m][1], a[2] + offsets[m][2]}, site);
            }
          }
  }

  size_t total = 0;
  for (const auto& g : groups) total += g.size();
  nodes.reserve(total);
  bool first = true;
  for (size_t g = 0; g < groups.size(); ++g) {
    res.perElement[g] = groups[g].size();
    for (const Kept& k : groups[g]) {
      StGrainNode n;
      n.x = n.x0 = k.x;
      n.y = n.y0 = k.y;
      n.z = n.z0 = k.z;
      n.r = k.r;
      n.siteKind = -1;
      n.element = c.elements[g];
      n.elementIndex = c.elementIndices[g];
      nodes.push_back(std::move(n));
      res.rMax = std::max(res.rMax, k.r);
      res.zMin = first ? k.z : std::min(res.zMin, k.z);
      res.zMax = first ? k.z : std::max(res.zMax, k.z);
      first = false;
    }
  }
  // Every pair distance lies below this bound (2 rMax for a sphere, the
  // space diagonal for a cylinder), with the builders' margin. A cylinder's
  // bound is at least that of its whole shape, from which the modification
  // takes the height back.
  res.maxDistance = cut.cylinder ? 1.01 * std::hypot(2 * std::max(res.rMax, cut.radius),
                                                     std::max(res.zMax - res.zMin, cut.height))
                                 : 2.02 * res.rMax;
  return res;
}

}  // namespace grainix
