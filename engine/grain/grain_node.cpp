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

}  // namespace grainix
