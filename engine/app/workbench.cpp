#include "engine/app/workbench.h"

namespace grainix {

const StLatticeGrid* currentLatticeGrid(const Workbench& wb) {
  if (wb.currentIsModified || !wb.generator || wb.generator->modified || !wb.generator->grid) return nullptr;
  return &*wb.generator->grid;
}

}  // namespace grainix
