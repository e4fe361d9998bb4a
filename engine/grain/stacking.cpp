#include "engine/grain/stacking.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/format.h"

namespace grainix {

namespace {

const double kSqrt3Half = std::sqrt(3.0) / 2;

bool isLetter(char ch) { return ch == 'A' || ch == 'B' || ch == 'C'; }

// Offset of a layer position; d = sqrt(3) ha / 2.
void layerOffset(char letter, double ha, double& ox, double& oy) {
  const double d = std::sqrt(3.0) * ha / 2;
  switch (letter) {
    case 'B': ox = d / 3; oy = ha / 2; break;
    case 'C': ox = 2 * d / 3; oy = 0; break;
    default: ox = 0; oy = 0; break;
  }
}

StGrainNode makeNode(double x, double y, double z, double r, const std::string& element, int32_t index) {
  StGrainNode n;
  n.x = n.x0 = x;
  n.y = n.y0 = y;
  n.z = n.z0 = z;
  n.r = r;
  n.element = element;
  n.elementIndex = index;
  return n;
}

}  // namespace

double initialHcpA(double latticePrm) { return latticePrm / std::sqrt(2.0); }
double initialHcpC(double latticePrm) { return latticePrm / std::sqrt(3.0); }
double initialHcpCa() { return std::sqrt(2.0 / 3.0); }
double equivalentCubicPrm(double ha, double c) { return std::cbrt(2 * std::sqrt(3.0) * ha * ha * c); }

int64_t patchHalfWidth(double radius, double ha) {
  if (!(ha > 0) || !(radius > 0)) return 0;
  const double v = std::ceil(radius / (ha * kSqrt3Half));
  if (!(v < 1e9)) return 1'000'000'000;  // far beyond anything that can be built
  return static_cast<int64_t>(v);
}

int64_t minLayers(double radius, double ha) { return 2 * patchHalfWidth(radius, ha) + 2; }

std::string upperSequence(const std::string& sequence) {
  std::string s = sequence;
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

std::string transitionString(const std::string& sequence) {
  const std::string s = upperSequence(sequence);
  std::string out;
  if (s.size() < 2) return out;
  out.reserve(s.size() - 1);
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    const char p = s[i], q = s[i + 1];
    if (q == p)
      out += 'O';
    else if ((p == 'A' && q == 'B') || (p == 'B' && q == 'C') || (p == 'C' && q == 'A'))
      out += '+';
    else
      out += '-';
  }
  return out;
}

vGrainNodes layerPatch(double ha, int64_t v) {
  vGrainNodes patch;
  if (v < 0) v = 0;
  patch.reserve(static_cast<size_t>(3 * v * v + 3 * v + 1));
  // A = (0, ha, 0), B = (ha sqrt(3)/2, -ha/2, 0).
  const double bx = ha * kSqrt3Half, by = -ha / 2;
  auto add = [&](int64_t m, int64_t k) {
    const double x = static_cast<double>(k) * bx;
    const double y = static_cast<double>(m) * ha + static_cast<double>(k) * by;
    patch.push_back(makeNode(x, y, 0, std::sqrt(x * x + y * y), "", -1));
  };
  for (int64_t m = -v; m <= v; ++m) add(m, 0);
  for (int64_t k = 1; k <= v; ++k) {
    // Row k runs m = k - v ... v, row -k runs m = v - k ... -v: both 2v - k + 1 points.
    for (int64_t j = 0; j <= 2 * v - k; ++j) {
      add(k - v + j, k);
      add(v - k - j, -k);
    }
  }
  return patch;
}

namespace {

StCommandResult buildStackedNodes(const StStackingInput& input, vGrainNodes& ideal, StGrainPrm& prm) {
  StCommandResult res;
  const std::string S = upperSequence(input.sequence);
  const int64_t W = static_cast<int64_t>(S.size());
  const double ha = input.ha, c = input.c;
  const double R = prm.radius;
  prm.stackedSublattice = false;
  prm.stackedHa = ha;
  prm.stackedC = c;
  prm.stackedU = input.u;

  if (!(ha > 0) || !(c > 0) || !std::isfinite(ha) || !std::isfinite(c)) {
    res.error("hcp lattice parameters a and c should be greater than 0");
    return res;
  }
  if (input.sublattice && (!(input.u != 0) || !std::isfinite(input.u))) {
    res.error("sublattice shift u should be different from 0");
    return res;
  }

  const int64_t v = patchHalfWidth(R, ha);
  const double patchSize = 3.0 * double(v) * double(v) + 3.0 * double(v) + 1;
  // Sphere layers further than R from the centre stay empty.
  double layers = double(W);
  if (prm.sphere) layers = std::min(layers, 2 * std::abs(R) / c + 2);
  const double estimate = patchSize * layers * (input.sublattice ? 2 : 1);
  if (patchSize > double(kMaxStackedNodes) || estimate > double(kMaxStackedNodes)) {
    res.error("Too many nodes (about " + fmtGeneral(estimate, 5) +
              "). Reduce the radius or the number of layers");
    return res;
  }

  ideal.clear();
  const std::string& elemL = prm.elementL;
  const int32_t idxL = prm.elementIndexL;

  vGrainNodes patch = layerPatch(ha, v);
  if (!prm.sphere) {
    prm.maxDistance = std::sqrt((double(W) * c) * (double(W) * c) + (2 * R) * (2 * R));
    if (input.circularCut) {
      vGrainNodes kept;
      kept.reserve(patch.size());
      for (const auto& p : patch)
        if (p.x * p.x + p.y * p.y <= R * R) kept.push_back(p);
      patch.swap(kept);
    }
  }
  ideal.reserve(static_cast<size_t>(std::min(estimate, 4e6)));  // the list grows past this when needed

  const int64_t half = W / 2;
  for (int64_t n = 0; n < W; ++n) {
    const char letter = S[static_cast<size_t>(n)];
    if (!isLetter(letter)) {
      res.error("Unknown letter. STOP!");
      res.ok = true;  // the layers made so far stay
      return res;
    }
    double ox, oy;
    layerOffset(letter, ha, ox, oy);
    if (!prm.sphere) {
      const double z = double(n) * c;
      for (const auto& p : patch) {
        const double x = p.x + ox, y = p.y + oy;
        ideal.push_back(makeNode(x, y, z, std::sqrt(x * x + y * y), elemL, idxL));
      }
    } else {
      const double z = double(n - half) * c;
      if (z * z > R * R) continue;  // no point of this layer can lie inside
      for (const auto& p : patch) {
        const double x = p.x + ox, y = p.y + oy;
        const double s = x * x + y * y + z * z;
        if (s <= R * R) ideal.push_back(makeNode(x, y, z, std::sqrt(s), elemL, idxL));
      }
    }
  }

  if (input.sublattice) {
    const size_t N = ideal.size();
    const double s = input.u * c;
    const std::string& elem2 = prm.biatomic ? prm.elementR : prm.elementL;
    const int32_t idx2 = prm.biatomic ? prm.elementIndexR : prm.elementIndexL;
    if (!prm.sphere) {
      const double h = double(W) * c + std::abs(s);
      prm.maxDistance = std::sqrt(h * h + (2 * R) * (2 * R));
    }
    ideal.reserve(2 * N);
    for (size_t i = 0; i < N; ++i) {
      const StGrainNode& p = ideal[i];
      ideal.push_back(makeNode(p.x, p.y, p.z + s, p.r, elem2, idx2));
    }
    prm.stackedSublattice = true;
  }
  res.ok = true;
  return res;
}

}  // namespace

StCommandResult buildStacked(const StStackingInput& input, vGrainNodes& ideal, StGrainPrm& prm) {
  try {
    return buildStackedNodes(input, ideal, prm);
  } catch (const std::bad_alloc&) {
    ideal.clear();
    ideal.shrink_to_fit();
    prm.stackedSublattice = false;
    StCommandResult res;
    res.error("Not enough memory for the nodes. Reduce the radius or the number of layers");
    return res;
  }
}

}  // namespace grainix
