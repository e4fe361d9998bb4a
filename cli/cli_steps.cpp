#include "cli/cli_steps.h"

#include "engine/calc/pair_loops.h"
#include "engine/core/format.h"

namespace grainix::cli {

namespace {

int computePdh(Session& s) {
  const CliOptions& o = *s.options;
  StCalcPrm prm;
  prm.nodes = s.wb.current();
  prm.rMax = s.wb.grainPrm.maxDistance;
  prm.lattPrm = s.latticePrm;
  prm.binWidth = o.bin;
  if (prm.nodes.size() < 2) {
    s.log->error("fewer than 2 nodes: nothing to compute");
    return 1;
  }
  s.log->line("  ");
  s.log->line("... PDH CALCULATIONS START ... ");
  s.log->line(" start time: " + nowLongTime());
  CancelToken never;
  const int mode = s.biatomic ? 1 : 0;
  const StPairRunResult res = runPairLoop(mode, prm, s.wb.pdh, s.wb.partial, s.progress, never, o.threads);
  s.log->lines(res.log);
  StCommandResult messages;
  messages.messages = res.messages;
  if (s.log->messages(messages) || res.refused) return 1;
  s.log->line("... PDH CALCULATIONS STOP ...");
  s.log->line(" stop time: " + nowLongTime());
  return 0;
}

}  // namespace

int runSteps(Session& s) {
  const CliOptions& o = *s.options;
  Logger& log = *s.log;

  const bool needGr = !o.writeGr.empty();
  const bool needDiffraction = needGr || !o.writeDiffraction.empty();
  const bool needPdh = needDiffraction || !o.writePdh.empty();

  if (needPdh)
    if (int rc = computePdh(s)) return rc;

  bool ok = true;
  if (!o.writeNodes.empty())
    ok = writeAtomically(o.writeNodes, log,
                         [&](const std::string& p) { return saveNodesFile(p, s.wb.current(), s.texts); }) &&
         ok;
  if (!o.writePdh.empty())
    ok = writeAtomically(o.writePdh, log,
                         [&](const std::string& p) {
                           return saveHistogramFile(p, s.wb.pdh, s.wb.partial, s.biatomic, s.texts);
                         }) &&
         ok;
  if (!o.writeSections.empty())
    ok = writeAtomically(o.writeSections, log,
                         [&](const std::string& p) { return saveSectionsFile(p, s.wb.sections, s.texts); }) &&
         ok;
  return ok ? 0 : 1;
}

}  // namespace grainix::cli
