#include "engine/app/queue_command.h"

#include "engine/app/build_command.h"
#include "engine/app/calc_commands.h"
#include "engine/app/workbench.h"
#include "engine/core/format.h"
#include "engine/grain/command_names.h"

namespace grainix {

StCommandResult refreshQueueGrain(Workbench& wb, const StBuildInput& in) {
  StCommandResult res;
  double radius = 0, a = 0;
  if (!parseDouble(in.radiusText, radius)) {
    res.conversionError(in.radiusText);
    return res;
  }
  if (!parseDouble(in.latticeText, a)) {
    res.conversionError(in.latticeText);
    return res;
  }
  setGrainPrm(wb.grainPrm, in, radius, a);
  wb.grainPrm.kind = kindHcp;
  wb.generator = stackedGenerator(wb.ideal, wb.grainPrm, in);
  res.ok = true;
  return res;
}

StCommandResult discardQueueGrain(Workbench& wb) {
  StCommandResult res;
  clearGrainAndResults(wb);
  for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::DiffractionDiagram, cmd::GrDiagram, cmd::DeltaDiagram,
                        cmd::SavePdh, cmd::SaveDiffraction, cmd::SaveGr, cmd::SaveDelta, cmd::SaveAll, cmd::Fityk})
    res.set(c, false);
  res.ok = true;
  return res;
}

StCommandResult prepareQueueDelta(Workbench& wb) {
  StCommandResult res;
  res.ok = true;
  if (wb.modified.size() == wb.ideal.size() && !wb.ideal.empty()) return res;
  wb.modified = wb.ideal;
  res.log.push_back(" delta(r): the grain is not modified, it is compared with itself");
  return res;
}

bool queueCalculationDone(const Workbench& wb, QueueCalc calc, bool aborted) {
  if (aborted) return false;
  switch (calc) {
    case QueueCalc::Delta: return !wb.pdh.empty() && holdsDeltaSums(wb.pdh);
    case QueueCalc::Pdh: return !diffractionNeedsPdh(wb);
    case QueueCalc::Diffraction: return !grNeedsDiffraction(wb);
    case QueueCalc::Gr: break;
  }
  return wb.gr.count > 0 || !wb.gr.x.empty();
}

}  // namespace grainix
