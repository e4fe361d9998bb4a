#pragma once
// Small helpers of the calculation tests: grains, a naive pair loop, the
// shipped element table.
#include <cmath>
#include <string>
#include <vector>

#include "tests/engine/elements/shipped_table.h"
#include "engine/calc/records.h"
#include "engine/grain/generators.h"

namespace grainix::testing {

inline vGrainNodes fccGrain(double a, double radius, int32_t index = 0, const std::string& element = "Ni") {
  vGrainNodes nodes;
  fccNodes gen(radius, a, nodes, index, element);
  gen.generate();
  return nodes;
}

inline double pairDistance(const StGrainNode& p, const StGrainNode& q) {
  const double dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Every bin k < floor(rMax / w) with r = k * w: the plain sequential loop.
inline PdhList naivePdh(const vGrainNodes& nodes, double rMax, double w) {
  const auto bins = static_cast<size_t>(std::floor(rMax / w));
  std::vector<int32_t> counter(bins, 0);
  for (size_t i = 0; i + 1 < nodes.size(); ++i)
    for (size_t j = i + 1; j < nodes.size(); ++j) ++counter.at(static_cast<size_t>(pairDistance(nodes[i], nodes[j]) / w));
  PdhList pdh;
  for (size_t k = 0; k < bins; ++k) pdh.push_back({static_cast<double>(k) * w, counter[k], 0, 0, 0});
  return pdh;
}

// The delta sums of two node lists, occupied bins only (sumIdeal != 0).
inline PdhList naiveDeltaSums(const vGrainNodes& ideal, const vGrainNodes& mod, double rMax, double w) {
  const auto bins = static_cast<size_t>(std::floor(rMax / w));
  std::vector<int32_t> counter(bins, 0);
  std::vector<double> sI(bins, 0.0), sM(bins, 0.0);
  for (size_t i = 0; i + 1 < ideal.size(); ++i)
    for (size_t j = i + 1; j < ideal.size(); ++j) {
      const double dI = pairDistance(ideal[i], ideal[j]);
      const auto k = static_cast<size_t>(dI / w);
      ++counter.at(k);
      sI[k] += dI;
      sM[k] += pairDistance(mod[i], mod[j]);
    }
  PdhList list;
  for (size_t k = 0; k < bins; ++k)
    if (sI[k] != 0) list.push_back({0, counter[k], 0, sI[k], sM[k]});
  return list;
}

}  // namespace grainix::testing
