#include "engine/grain/grain_node.h"

namespace grainix {

const char* siteKindName(int32_t kind) {
  switch (kind) {
    case Corner: return "Corner";
    case Wall: return "Wall";
    case Inner: return "Inner";
    case Diamond: return "Diamond";
    default: return "";
  }
}

int64_t leadingElementCount(const vGrainNodes& nodes) {
  size_t k = 0;
  while (k < nodes.size() && nodes[k].element == nodes[0].element && nodes[k].elementIndex == nodes[0].elementIndex)
    ++k;
  return static_cast<int64_t>(k);
}

std::vector<int64_t> elementRuns(const vGrainNodes& nodes) {
  std::vector<int64_t> runs;
  for (size_t k = 0; k < nodes.size(); ++k) {
    if (k == 0 || nodes[k].element != nodes[k - 1].element || nodes[k].elementIndex != nodes[k - 1].elementIndex)
      runs.push_back(0);
    ++runs.back();
  }
  return runs;
}

}  // namespace grainix
