#include "engine/app/modify_command.h"

#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"

namespace grainix {

StCommandResult modifyOpening(const Workbench& wb) { return modifyCompositionCheck(wb.grainPrm); }

StFmodPosPrm modifyWindowInput(Workbench& wb, const ElementTable& table) {
  StFmodPosPrm prm{wb.grainPrm, wb.ideal, wb.modified, wb.sections, {}, {}, false, false};
  const auto entry = [&table](int index, StScatEquPrm& out) {
    if (index < 0 || static_cast<size_t>(index) >= table.size()) return false;
    out = table[static_cast<size_t>(index)];
    return true;
  };
  prm.hasElementL = entry(wb.grainPrm.elementIndexL, prm.elementL);
  prm.hasElementR = entry(wb.grainPrm.elementIndexR, prm.elementR);
  return prm;
}

StCommandResult modifyClosed(Workbench& wb, bool accepted, const secPrm& sections) {
  StCommandResult res;
  ++wb.generation;  // the window worked on the grain's lists either way
  if (!accepted) {
    res.log.push_back(kChangesCanceled);
    return res;
  }
  wb.currentIsModified = true;
  wb.sections = sections;
  if (wb.generator) wb.generator->modified = true;
  res.log.push_back(kChangesApproved);
  res.set(cmd::SaveSections, true);
  res.set(cmd::DeltaCalc, true);
  // The histogram of the ideal grain no longer describes the current one.
  wb.pdh.clear();
  wb.partial.release();
  for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::SavePdh, cmd::Diffraction}) res.set(c, false);
  res.ok = true;
  return res;
}

}  // namespace grainix
