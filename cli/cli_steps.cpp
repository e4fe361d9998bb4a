#include "cli/cli_steps.h"

#include <cmath>

#include "engine/app/modify_command.h"
#include "engine/calc/delta_stats.h"
#include "engine/calc/diffraction.h"
#include "engine/calc/gr.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/pdh_run.h"
#include "engine/calc/radiation.h"
#include "engine/calc/windowing.h"
#include "engine/core/format.h"
#include "engine/fit/fityk_model.h"
#include "engine/modify/modpos_model.h"

namespace grainix::cli {

namespace {

bool reportPairRun(Session& s, const StPairRunResult& res) {
  s.log->lines(res.log);
  StCommandResult messages;
  messages.messages = res.messages;
  return !(s.log->messages(messages) || res.refused);
}

// A run stopped by the session's cancel token has no result to go on with.
bool stopped(const Session& s, bool terminated) {
  if (!terminated) return false;
  s.log->error("stopped");
  return true;
}

}  // namespace

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
  s.progress->setStep(s.biatomic ? "partial PDH" : "PDH");
  s.log->line(" start time: " + nowLongTime());
  if (const StLatticeGrid* grid = currentLatticeGrid(s.wb)) prm.grid = *grid;
  CancelToken never;
  const int mode = s.biatomic ? 1 : 0;
  if (mode == 1) prm.firstCount = leadingElementCount(prm.nodes);
  StPdhRunOptions how;
  how.method = o.pdhMethod == "pairs" ? PdhMethod::Pairs : o.pdhMethod == "lattice" ? PdhMethod::Lattice : PdhMethod::Auto;
  how.threads = o.threads;
  const StPairRunResult res =
      runPdh(mode, prm, s.wb.pdh, s.wb.partial, s.progress, s.cancel ? *s.cancel : never, how);
  if (!reportPairRun(s, res) || stopped(s, res.terminated)) return 1;
  s.wb.pdhAtoms = {static_cast<int64_t>(prm.nodes.size()), prm.nodes[0].elementIndex};
  s.log->line("... PDH CALCULATIONS STOP ...");
  s.log->line(" stop time: " + nowLongTime());
  return 0;
}

// Sections and thermal displacements, as the modification window would
// apply them, then accepted.
int modifyGrain(Session& s) {
  const CliOptions& o = *s.options;
  StModifySession session(s.wb, s.table);
  std::unique_ptr<ThermalRandom> random = std::make_unique<StdThermalRandom>();
  ClockSeconds clock = nullptr;
  if (o.seed) {
    const int64_t seed = *o.seed;
    clock = [seed] { return seed; };
  }
  ModPosModel model(session.prm, std::move(random), clock);
  s.progress->setStep("modify");
  model.opening();
  SectionsTable& table = model.table();

  auto check = [&](const StCommandResult& res, const char* option) {
    if (res.messages.empty()) return true;
    for (const auto& m : res.messages) s.log->error(std::string(option) + ": " + m.text);
    return false;
  };
  if (!o.sections.empty()) {
    while (table.rowCount() < o.sections.size()) table.addSection();
    for (size_t i = 0; i < o.sections.size(); ++i) {
      if (!check(table.editCell(i, colRadius, fmtDefault(o.sections[i].radius)), "--sections")) return 2;
      if (!check(table.editCell(i, colPsi, fmtDefault(o.sections[i].psi)), "--sections")) return 2;
    }
    if (!check(table.readIntoRecords(), "--sections")) return 2;
  }
  if (!o.thermal.empty()) {
    model.setThermalVibration(true);
    model.setDistribution(o.thermal == "uniform" ? Distribution::Uniform : Distribution::Normal);
    if (o.temperature) {
      if (!check(model.setTemperatureText(fmtDefault(*o.temperature)), "--temperature")) return 2;
    } else {
      model.amplitudeEdited(0, fmtDefault(o.amplitude[0]));
      model.amplitudeEdited(1, fmtDefault(o.amplitude.size() > 1 ? o.amplitude[1] : o.amplitude[0]));
    }
    if (o.acp && !check(model.setAcpText(fmtDefault(*o.acp)), "--acp")) return 2;
    if (o.level && !check(model.setLevelText(fmtDefault(*o.level)), "--level")) return 2;
  }
  const StCommandResult res = model.modify(s.progress);
  s.log->lines(res.log);
  if (s.log->messages(res)) return 1;
  const StCommandResult closed = modifyClosed(s.wb, true, session);
  s.log->lines(closed.log);
  s.texts.header.modified = true;
  return 0;
}

int computeDiffraction(Session& s) {
  const CliOptions& o = *s.options;
  RadiationModel radiation;
  if (o.lambda) {
    radiation.editLambda(fmtDefault(*o.lambda));
  } else {
    for (size_t i = 0; i < RadiationModel::anodes().size(); ++i)
      if (o.anode == RadiationModel::anodes()[i].name) radiation.chooseAnode(static_cast<int>(i));
  }
  StDiffrPrm prm;
  if (!radiation.lambda(prm.lambda) || !radiation.k(prm.k)) {
    s.log->error("--lambda: not a usable wavelength");
    return 2;
  }
  prm.start = o.start;
  prm.stop = o.stop;
  prm.step = o.step;
  prm.binWidth = o.bin;
  prm.useFactors = radiation.useFactors();
  prm.nodes = &s.wb.current();
  prm.pdh = &s.wb.pdh;
  prm.pdhAtoms = &s.wb.pdhAtoms;
  prm.table = &s.table;
  s.texts.lambda = radiation.lambdaText();
  s.texts.k = radiation.kText();
  s.texts.step = fmtDefault(o.step);
  s.texts.angleAbscissa = o.abscissa == "angle";
  s.texts.sOrdinate = o.intensity == "S";

  s.log->line("");
  s.log->line("... DIFFRACTION CALCULATIONS START ...");
  s.progress->setStep("pattern");
  s.log->line(" start time: " + nowLongTime());
  const StDiffractionOutcome out =
      runDiffraction(prm, &s.wb.partial, s.biatomic ? 1 : 0, s.wb.pattern, s.progress, s.cancel, o.threads);
  StCommandResult messages;
  messages.messages = out.messages;
  if (s.log->messages(messages) || out.refused || stopped(s, out.terminated)) return 1;
  s.log->line("... DIFFRACTION CALCULATIONS STOP ...");
  s.log->line(" stop time: " + nowLongTime());
  if (s.wb.pattern.count == 0) {
    s.log->error(kEmptyPattern);
    return 1;
  }
  return 0;
}

int computeGr(Session& s) {
  const CliOptions& o = *s.options;
  const int choice = o.window == "none" ? windowNone : o.window == "hamming" ? windowHamming : windowLorch;
  std::unique_ptr<WindowingFunction> window = makeWindow(choice);
  StGrPrm prm;
  prm.rStart = o.grStart ? *o.grStart : 0;
  prm.rStop = o.grStop ? *o.grStop : 2 * s.radius;
  prm.rStep = o.grStep ? *o.grStep : 0.01;
  prm.pattern = &s.wb.pattern;
  prm.window = window.get();
  s.log->line("");
  s.log->line("... G(r) CALCULATIONS START ...");
  s.progress->setStep("G(r)");
  s.log->line(" start time: " + nowLongTime());
  const StGrOutcome out = computeGr(prm, s.wb.gr, s.progress, s.cancel, o.threads);
  if (stopped(s, out.terminated)) return 1;
  s.log->line("... G(r) CALCULATIONS STOP ...");
  s.log->line(" stop time: " + nowLongTime());
  if (out.points <= 0) {
    // An empty range (or one of more points than are computed) is not a G(r).
    s.log->error("G(r): the range " + fmtDefault(prm.rStart) + ":" + fmtDefault(prm.rStop) + ":" +
                 fmtDefault(prm.rStep) + " gives no points (at most " + std::to_string(kMaxGrPoints) + ")");
    return 1;
  }
  return 0;
}

int computeDelta(Session& s) {
  const CliOptions& o = *s.options;
  if (auto refusal = checkDeltaInputs(s.wb.ideal, s.wb.modified)) {
    s.log->error(refusal->text);
    return 1;
  }
  StCalcPrm prm;
  prm.nodes = s.wb.ideal;
  prm.nodesMod = s.wb.modified;
  prm.rMax = s.wb.grainPrm.maxDistance;
  prm.lattPrm = s.latticePrm;
  prm.binWidth = o.bin;
  s.log->line("... delta (r) CALCULATIONS START ...");
  s.progress->setStep("delta(r)");
  s.log->line("start time is " + nowLongTime());
  CancelToken never;
  PdhList delta;
  const StPairRunResult res =
      runPairLoop(3, prm, delta, s.wb.partial, s.progress, s.cancel ? *s.cancel : never, o.threads);
  if (!reportPairRun(s, res) || stopped(s, res.terminated)) return 1;
  s.log->line("... PDH CALCULATIONS STOP ...");
  s.log->line(" stop time: " + nowLongTime());
  const StDeltaStats stats = computeDeltaStats(delta, s.wb.grainPrm.latticePrm);
  s.log->lines(stats.memo);
  s.delta = std::move(delta);
  return 0;
}

namespace {

// The script of the fityk window opened on this run's results with its
// default choices: the PDH (or the G(r) peaks), a Gaussian per peak, the
// "Besel" background, no common width, no multiplier.
bool writeFitykScript(Session& s) {
  const CliOptions& o = *s.options;
  StFitFormPrm& prm = s.wb.fitForm;
  // What the completions of the PDH and G(r) runs hand to the window.
  prm.pdh = s.biatomic ? nullptr : &s.wb.pdh;
  prm.partial = s.biatomic ? &s.wb.partial : nullptr;
  prm.gr = o.fitykSource == "gr" ? &s.wb.gr : nullptr;
  FitykModel model(prm);
  model.opening();
  if (o.fitykSource == "gr") model.chooseGr();
  if (model.peaks().x.empty()) {
    s.log->error(o.fitykSource == "gr" ? std::string("--write-fityk: G(r) has no peaks (") + kGrNoPeaks + ")"
                                       : "--write-fityk: the PDH has no pairs below max R = " +
                                             fmtGeneral(prm.max, 5) + " Angs");
    return false;
  }
  return writeOutput(o.writeFityk, *s.log, [&](const std::string& p) { return model.save(p); });
}

}  // namespace

int runSteps(Session& s) {
  const CliOptions& o = *s.options;
  Logger& log = *s.log;

  const bool modify = !o.sections.empty() || !o.thermal.empty();
  if (modify)
    if (int rc = modifyGrain(s)) return rc;

  const bool fityk = !o.writeFityk.empty();
  const bool needGr = !o.writeGr.empty() || (fityk && o.fitykSource == "gr");
  const bool needDiffraction = needGr || !o.writeDiffraction.empty();
  const bool needPdh = needDiffraction || !o.writePdh.empty() || fityk;

  if (needPdh)
    if (int rc = computePdh(s)) return rc;
  if (needDiffraction)
    if (int rc = computeDiffraction(s)) return rc;
  if (needGr)
    if (int rc = computeGr(s)) return rc;
  if (!o.writeDelta.empty())
    if (int rc = computeDelta(s)) return rc;

  bool ok = true;
  auto write = [&](const std::string& path, const std::function<StCommandResult(const std::string&)>& writer) {
    if (!path.empty()) ok = writeOutput(path, log, writer) && ok;
  };
  write(o.writeNodes, [&](const std::string& p) { return saveNodesFile(p, s.wb.current(), s.texts); });
  write(o.writePdh,
        [&](const std::string& p) { return saveHistogramFile(p, s.wb.pdh, s.wb.partial, s.biatomic, s.texts); });
  write(o.writeDiffraction, [&](const std::string& p) { return saveDiffractionFile(p, s.wb.pattern, s.texts); });
  write(o.writeGr, [&](const std::string& p) { return saveGrFile(p, s.wb.gr, s.texts); });
  write(o.writeDelta, [&](const std::string& p) { return saveDeltaFile(p, s.delta, s.texts); });
  write(o.writeSections, [&](const std::string& p) { return saveSectionsFile(p, s.wb.sections, s.texts); });
  if (fityk) ok = writeFitykScript(s) && ok;
  return ok ? 0 : 1;
}

}  // namespace grainix::cli
