#include "engine/app/modify_command.h"

#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"

namespace grainix {

StCommandResult modifyOpening(const Workbench& wb) { return modifyCompositionCheck(wb.grainPrm); }

namespace {
bool tableEntry(const ElementTable& table, int index, StScatEquPrm& out) {
  if (index < 0 || static_cast<size_t>(index) >= table.size()) return false;
  out = table[static_cast<size_t>(index)];
  return true;
}
}  // namespace

StModifySession::StModifySession(Workbench& wb, const ElementTable& table)
    : grainPrm(wb.grainPrm),
      idealMaxDistance(wb.currentIsModified ? wb.idealMaxDistance : wb.grainPrm.maxDistance),
      prm{grainPrm, wb.ideal, modified, wb.sections, {}, {}, false, false} {
  // The window starts from the ideal grain's range, not from a range an
  // earlier modification widened.
  grainPrm.maxDistance = idealMaxDistance;
  idealRPrev.reserve(wb.ideal.size());
  for (const StGrainNode& n : wb.ideal) idealRPrev.push_back(n.rPrev);
  prm.hasElementL = tableEntry(table, wb.grainPrm.elementIndexL, prm.elementL);
  prm.hasElementR = tableEntry(table, wb.grainPrm.elementIndexR, prm.elementR);
}

StCommandResult modifyClosed(Workbench& wb, bool accepted, StModifySession& session) {
  StCommandResult res;
  ++wb.generation;  // the window worked on the grain's lists either way
  if (!accepted) {
    // "Modify" wrote the modified distances into the ideal list.
    if (session.idealRPrev.size() == wb.ideal.size())
      for (size_t i = 0; i < wb.ideal.size(); ++i) wb.ideal[i].rPrev = session.idealRPrev[i];
    res.log.push_back(kChangesCanceled);
    return res;
  }
  wb.grainPrm = session.grainPrm;
  wb.modified = std::move(session.modified);
  wb.idealMaxDistance = session.idealMaxDistance;
  wb.currentIsModified = true;
  wb.sections = session.prm.sections;
  if (wb.generator) {
    wb.generator->modified = true;
    wb.generator->grid.reset();  // the grain no longer lies on its lattice
  }
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
