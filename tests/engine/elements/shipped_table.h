#pragma once
// The shipped element table of the tests.
#include <string>

#include "engine/elements/element_table.h"

namespace grainix::testing {

inline std::string shippedTablePath() { return std::string(GRAINIX_SOURCE_DIR) + "/data/scFact.sft"; }

inline ElementTable shippedTable() {
  ElementTable t;
  loadScatteringTable(shippedTablePath(), t);
  return t;
}

inline int elementIndex(const ElementTable& t, const std::string& name) {
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i].name == name) return static_cast<int>(i);
  return -1;
}

}  // namespace grainix::testing
