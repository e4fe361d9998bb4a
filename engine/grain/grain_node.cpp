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

}  // namespace grainix
