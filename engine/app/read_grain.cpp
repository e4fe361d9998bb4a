#include "engine/app/read_grain.h"

#include <algorithm>
#include <cmath>

#include "engine/app/workbench.h"
#include "engine/core/format.h"

namespace grainix {

StReadGrain adoptReadGrain(Workbench& wb, const StNodesLoad& load, const ElementTable& table) {
  StReadGrain out;
  vGrainNodes& nodes = wb.ideal;

  // Elements in the order they first appear; a stable reorder groups them.
  std::vector<size_t> group(nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    const auto it = std::find(out.symbols.begin(), out.symbols.end(), nodes[i].element);
    group[i] = static_cast<size_t>(it - out.symbols.begin());
    if (it == out.symbols.end()) {
      out.symbols.push_back(nodes[i].element);
      out.counts.push_back(0);
    }
    ++out.counts[group[i]];
  }
  if (!std::is_sorted(group.begin(), group.end())) {
    std::vector<size_t> order(nodes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return group[a] < group[b]; });
    vGrainNodes grouped;
    grouped.reserve(nodes.size());
    for (size_t i : order) grouped.push_back(std::move(nodes[i]));
    nodes = std::move(grouped);
    std::string line = " atoms grouped by element (a stable reorder):";
    for (size_t k = 0; k < out.symbols.size(); ++k)
      line += (k ? ", " : " ") + out.symbols[k] + " " + std::to_string(out.counts[k]);
    out.log.push_back(line);
  }

  auto indexOf = [&table](const std::string& symbol) -> int32_t {
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].name == symbol) return static_cast<int32_t>(i);
    return -1;
  };
  double farthest = 0;
  for (const StGrainNode& n : nodes) {
    const double r = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (std::isfinite(r)) farthest = std::max(farthest, r);
  }

  StGrainPrm& prm = wb.grainPrm;
  double v = 0;
  out.headerRadius = load.hasHeader && parseDouble(load.header.radiusText, v) && v > 0;
  prm.radius = out.headerRadius ? v : farthest;
  out.headerLattice = load.hasHeader && parseDouble(load.header.latticeText, v) && v > 0;
  const std::string first = out.symbols.empty() ? std::string() : out.symbols[0];
  const std::string second = out.symbols.size() > 1 ? out.symbols[1] : first;
  prm.elementL = first;
  prm.elementR = second;
  prm.elementIndexL = indexOf(first);
  prm.elementIndexR = indexOf(second);
  if (out.headerLattice)
    prm.latticePrm = v;
  else
    prm.latticePrm = prm.elementIndexL >= 0 ? table[static_cast<size_t>(prm.elementIndexL)].lc : 0;
  prm.sphere = load.hasHeader ? load.header.sphere : true;
  prm.kind = wb.generator ? wb.generator->kind : kindXyz;
  prm.biatomic = out.symbols.size() == 2;
  prm.stackedSublattice = true;
  // No histogram range of its own: the diameter bounds every pair distance.
  prm.maxDistance = std::max(prm.maxDistance, 2.02 * farthest);
  return out;
}

std::string elementCountRefusal(const std::string& source, const std::vector<std::string>& symbols) {
  if (symbols.size() <= 2) return {};
  std::string names;
  for (size_t k = 0; k < symbols.size(); ++k) names += (k ? ", " : "") + symbols[k];
  return source + " holds atoms of " + std::to_string(symbols.size()) + " elements (" + names +
         "); one or two elements are supported";
}

}  // namespace grainix
