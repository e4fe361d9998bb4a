#include "engine/app/calc_commands.h"

#include <cmath>
#include <ctime>

#include "engine/app/parameters_report.h"
#include "engine/app/workbench.h"
#include "engine/calc/delta_stats.h"
#include "engine/core/format.h"
#include "engine/grain/command_names.h"

namespace grainix {

namespace {

constexpr DiagramColor kColorMaroon = diagramRgb(128, 0, 0);
constexpr DiagramColor kColorNavy = diagramRgb(0, 0, 128);
constexpr DiagramColor kColorOrange = diagramRgb(255, 128, 0);
constexpr DiagramMargins kCalcMargins{60, 60, 60, 60};

void startLines(StCommandResult& r, const std::string& first, const std::string& title, const std::string& time) {
  r.log.push_back(first);
  r.log.push_back(title);
  r.log.push_back(" start time: " + time);
}

void stopLines(StCommandResult& r, const std::string& title, const std::string& time) {
  r.log.push_back(title);
  r.log.push_back(" stop time: " + time);
}

std::string structureName(const Workbench& wb) { return wb.generator ? wb.generator->name : std::string("nn"); }

// A histogram holds its occupied bins only; its diagram still starts at
// pair distance 0.
void startAtZero(SeriesDesc& s) {
  s.x.push_back(0);
  s.y.push_back(0);
}

}  // namespace

std::string localLongTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64];
  if (std::strftime(buf, sizeof buf, "%X", &local) == 0) return {};
  return buf;
}

void takeGrainElements(const Workbench& wb, StCalcInputs& in) {
  if (!wb.generator || wb.generator->kind != kindCif) return;
  in.biatomic = wb.grainPrm.biatomic;
  in.elementL = wb.grainPrm.elementL;
  in.elementR = wb.grainPrm.elementR;
}

std::string elementText(const StCalcInputs& in) { return in.biatomic ? in.elementL + in.elementR : in.elementL; }

bool diffractionNeedsPdh(const Workbench& wb) { return wb.pdh.empty() && wb.partial.count == 0; }
bool grNeedsDiffraction(const Workbench& wb) { return wb.pattern.count == 0; }

std::vector<StMessage> grPatternRefusal(const StDiffPattern& p) {
  if (p.count <= 0 || (p.hasQ() && p.hasS())) return {};
  std::string has = std::string(p.hasTwoTheta() ? "theta" : "Q") + " and " + (p.hasS() ? "S" : "I");
  StCommandResult r;
  r.error("G(r) needs the Q and S columns of a diffraction pattern; the pattern read from the file holds " + has +
          ". Compute the diffraction pattern first.");
  return r.messages;
}

// ---------------------------------------------------------------- runs

std::string busyRefusalLine(const std::string& command) {
  return " ===== " + command + " refused: a calculation is running (STOP it first) =====";
}

void clearPairResult(Workbench& wb, int mode) {
  if (mode == 1)
    wb.partial.release();
  else if (mode == 0 || mode == 3)
    wb.pdh.clear();
}

void takeOverPairRun(Workbench& wb, int mode, bool refused, bool stopped, PdhList& pdh, StIDCalcResults& partial) {
  if (refused) return;
  clearPairResult(wb, mode);
  if (stopped) return;
  if (mode == 1)
    wb.partial = std::move(partial);
  else if (mode == 0 || mode == 3)
    wb.pdh = std::move(pdh);
}

void takeOverPattern(Workbench& wb, bool stopped, StDiffPattern& pattern) {
  wb.pattern.release();
  if (!stopped) wb.pattern = std::move(pattern);
}

void takeOverGr(Workbench& wb, bool stopped, StData& gr) {
  wb.gr.release();
  if (!stopped) wb.gr = std::move(gr);
}

StCommandResult staleCompletion(StCalcFlags& flags, const std::string& stopTitle, const std::string& time) {
  StCommandResult r;
  stopLines(r, stopTitle, time);
  r.log.push_back(kStaleRunLine);
  flags.pdhRunning = false;
  flags.diffrRunning = false;
  flags.aborted = true;  // a chained command does not go on with inputs that are gone
  return r;
}

// ---------------------------------------------------------------- PDH

StPdhStart pdhStart(const Workbench& wb, const StCalcInputs& in, const std::string& time) {
  StPdhStart s;
  double binWidth = 0, radius = 0, lattice = 0;
  if (!parseAll(s.result, {{&in.binWidthText, &binWidth}, {&in.radiusText, &radius}, {&in.latticeText, &lattice}}))
    return s;
  startLines(s.result, "  ", "... PDH CALCULATIONS START ... ", time);
  s.mode = in.biatomic ? 1 : 0;
  // The histogram is offered again once the run has completed.
  for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::SavePdh, cmd::SaveAll, cmd::Fityk})
    s.result.set(c, false);
  // A PDH run replaces delta sums in the shared list (partial runs leave it).
  if (s.mode == 0) {
    s.result.set(cmd::DeltaDiagram, false);
    s.result.set(cmd::SaveDelta, false);
  }
  s.prm.nodes = wb.current();
  s.prm.rMax = wb.grainPrm.maxDistance;
  s.prm.lattPrm = lattice;
  s.prm.binWidth = binWidth;
  if (const StLatticeGrid* grid = currentLatticeGrid(wb)) s.prm.grid = *grid;
  // The first element's atoms lead the list; a grain read from a file may
  // hold them in any number.
  if (s.mode == 1) s.prm.firstCount = leadingElementCount(s.prm.nodes);
  s.result.ok = true;
  return s;
}

StCommandResult calcStop(StCalcFlags& flags) {
  StCommandResult r;
  flags.aborted = true;
  flags.pdhRunning = false;
  flags.diffrRunning = false;
  flags.queueRunning = false;
  r.log.push_back(kAbortedLine);
  r.ok = true;
  return r;
}

StCalcOutcome pdhCompletion(Workbench& wb, StCalcFlags& flags, int mode, const StCalcInputs& in,
                            const std::vector<std::string>& report, const std::string& time) {
  StCalcOutcome o;
  stopLines(o.result, "... PDH CALCULATIONS STOP ...", time);
  flags.pdhRunning = false;
  wb.fitForm.pdh = nullptr;
  wb.fitForm.partial = nullptr;
  if (flags.aborted) return o;  // the start turned the results off; a stopped run offers none
  o.result.ok = true;
  if (mode == 0 || mode == 1) {
    for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::Diffraction, cmd::SavePdh, cmd::SaveAll, cmd::Fityk})
      o.result.set(c, true);
    if (in.biatomic) {
      wb.fitForm.partial = &wb.partial;
    } else {
      wb.fitForm.pdh = &wb.pdh;
      const vGrainNodes& nodes = wb.current();
      wb.pdhAtoms = {static_cast<int64_t>(nodes.size()), nodes.empty() ? -1 : nodes[0].elementIndex};
    }
    if (in.showPdhAfter) {
      StCalcOutcome d = pdhDiagrams(wb, in, report);
      o.diagrams = std::move(d.diagrams);
      for (auto& m : d.result.messages) o.result.messages.push_back(std::move(m));
    }
  } else if (mode == 3) {
    // A refused run ("size == 0") leaves the list as it was; when that is a
    // PDH there are no delta bins to show or save.
    if (!holdsDeltaSums(wb.pdh)) return o;
    o.result.set(cmd::DeltaDiagram, true);
    o.result.set(cmd::SaveDelta, true);
    if (in.showDeltaAfter) o.diagrams = deltaDiagram(wb, in).diagrams;
  }
  return o;
}

StCalcOutcome pdhDiagrams(Workbench& wb, const StCalcInputs& in, const std::vector<std::string>& report) {
  StCalcOutcome o;
  auto base = [](DiagramDesc& d) {
    d.margins = kCalcMargins;
    d.axisXTitle = "pair distance";
    d.axisYTitle = "PDH cardinality";
    d.defaultSize = false;
  };
  if (in.biatomic && wb.partial.count > 0) {
    const StIDCalcResults& p = wb.partial;
    const std::vector<PairCount>* ys[3] = {&p.rii, &p.rij, &p.rjj};
    const DiagramColor colors[3] = {kColorRed, kColorGreen, kColorBlue};
    const std::string labels[3] = {in.elementL + "-" + in.elementL, in.elementL + "-" + in.elementR,
                                   in.elementR + "-" + in.elementR};
    for (int i = 0; i < 3; ++i) {
      StDiagramRequest req;
      DiagramDesc& d = req.desc;
      const std::string title = diagramTitle(wb.diagramNumber++);
      SeriesDesc s;
      for (size_t k = 0; k < static_cast<size_t>(p.count); ++k) {
        if (k == 0 && p.r[0] != 0) startAtZero(s);
        s.x.push_back(p.r[k]);
        s.y.push_back(static_cast<double>((*ys[i])[k]));
      }
      s.color = colors[i];
      s.style = kStyleComb;
      s.penWidth = 2;
      s.title = title;
      d.series.push_back(std::move(s));
      base(d);
      d.precision = 5;
      d.digits = 5;
      d.graphTitle = "PDH distrubution of " + labels[i] + " atoms";
      d.caption = title;
      d.listEntries = std::vector<std::string>{title};
      req.offset = 32 * i;
      o.diagrams.push_back(std::move(req));
    }
    o.result.ok = true;
    return o;
  }
  // A biatomic grain whose partial histograms were stopped has none to show.
  if (in.biatomic || wb.pdh.empty()) {
    o.result.confirm("Empty histogram");
    return o;
  }
  StDiagramRequest req;
  DiagramDesc& d = req.desc;
  SeriesDesc s;
  s.x.reserve(wb.pdh.size() + 1);
  s.y.reserve(wb.pdh.size() + 1);
  if (wb.pdh.front().r != 0) startAtZero(s);
  for (const StLiczOdl& e : wb.pdh) {
    s.x.push_back(e.r);
    s.y.push_back(static_cast<double>(e.card));
  }
  s.color = kColorBlue;
  s.style = kStyleComb;
  s.penWidth = 2;
  const std::string title = diagramTitle(++wb.diagramNumber);
  s.title = title;
  d.series.push_back(std::move(s));
  base(d);
  d.precision = 3;
  d.digits = 3;
  d.graphTitle = "pair distance histogram of " + in.elementL + " atoms";
  d.caption = title;
  d.listEntries = std::vector<std::string>{title};
  d.memo = reportForDiagram(report, wb.diagramNumber);
  o.diagrams.push_back(std::move(req));
  o.result.ok = true;
  return o;
}

std::vector<std::string> histogramListing(const PdhList& pdh) {
  std::vector<std::string> lines;
  lines.reserve(pdh.size() + 1);
  lines.push_back("r\tcard.\tnorm");
  for (const StLiczOdl& e : pdh)
    lines.push_back(fmtGeneral(e.r, 5) + "\t" + std::to_string(e.card) + "\t" + fmtGeneral(e.norm, 5));
  return lines;
}

StCommandResult binWidthChanged(const std::string& text, bool& warning) {
  StCommandResult r;
  if (text.empty()) return r;
  double w = 0;
  if (!parseDouble(text, w)) {
    r.conversionError(text);
    return r;
  }
  warning = w >= 0.1;
  r.ok = true;
  return r;
}

std::string binWidthPopupText(int tag) { return fmtDefault(std::ldexp(1.0, -tag)); }

// ---------------------------------------------------------------- diffraction

StDiffractionStart diffractionStart(const StCalcInputs& in, const std::string& time) {
  StDiffractionStart s;
  StDiffrPrm& p = s.prm;
  if (!parseAll(s.result, {{&in.kText, &p.k},
                           {&in.lambdaText, &p.lambda},
                           {&in.binWidthText, &p.binWidth},
                           {&in.startText, &p.start},
                           {&in.stopText, &p.stop},
                           {&in.stepText, &p.step},
                           {&in.radiusText, &s.radius}}))
    return s;
  p.useFactors = in.anodeIndex != 6;
  s.mode = in.biatomic ? 1 : 0;
  s.result.set(cmd::SaveDiffraction, false);
  s.result.set(cmd::DiffractionDiagram, false);
  s.result.set(cmd::GrOfDiffraction, false);
  startLines(s.result, "", "... DIFFRACTION CALCULATIONS START ...", time);
  s.result.ok = true;
  return s;
}

StCalcOutcome diffractionCompletion(Workbench& wb, StCalcFlags& flags, const StCalcInputs& in,
                                    const std::vector<std::string>& report, const std::string& time) {
  StCalcOutcome o;
  flags.diffrRunning = false;
  stopLines(o.result, "... DIFFRACTION CALCULATIONS STOP ...", time);
  // A stopped run leaves no pattern (its later points never got their
  // sums): nothing may show, save or transform one.
  if (flags.aborted) return o;
  o.result.set(cmd::DiffractionDiagram, true);
  if (wb.pattern.count > 0) {
    if (in.showPatternAfter) o.diagrams = diffractionDiagram(wb, flags, in, report).diagrams;
    o.result.set(cmd::SaveDiffraction, true);
    o.result.set(cmd::GrOfDiffraction, true);
    o.result.ok = true;
  } else {
    o.result.confirm("Empty set. STOP");
  }
  return o;
}

StCalcOutcome diffractionDiagram(Workbench& wb, const StCalcFlags& flags, const StCalcInputs& in,
                                 const std::vector<std::string>& report) {
  StCalcOutcome o;
  const StDiffPattern& p = wb.pattern;
  if (p.count <= 0 || flags.aborted) return o;
  // Only the columns the pattern holds are drawn: the chosen one, or the
  // other one of its pair when the pattern lacks it (read from a file).
  const bool showS = in.showS ? p.hasS() : !p.hasIntensity();
  const bool angle = in.angleUnits ? p.hasTwoTheta() : !p.hasQ();
  const std::vector<double>& ySrc = showS ? p.sOfQ : p.intensity;
  const std::vector<double>& xSrc = angle ? p.twoTheta : p.q;
  if (!p.holds(ySrc) || !p.holds(xSrc)) return o;
  StDiagramRequest req;
  DiagramDesc& d = req.desc;
  SeriesDesc s;
  const auto n = static_cast<size_t>(p.count);
  s.y.assign(ySrc.begin(), ySrc.begin() + static_cast<std::ptrdiff_t>(n));
  if (angle) {
    s.x.resize(n);
    for (size_t i = 0; i < n; ++i) s.x[i] = xSrc[i] * 57.29577951308232;
    d.axisXTitle = "angle=2*theta";
  } else {
    s.x.assign(xSrc.begin(), xSrc.begin() + static_cast<std::ptrdiff_t>(n));
    d.axisXTitle = "Q";
  }
  const std::string title = diagramTitle(++wb.diagramNumber);
  s.color = kColorMaroon;
  s.style = kStyleLine;
  s.penWidth = 2;
  s.title = title;
  d.series.push_back(std::move(s));
  d.margins = kCalcMargins;
  d.axisYTitle = std::string(showS ? "S" : "I") + (angle ? "(theta)" : "(Q)");
  d.precision = 5;
  d.digits = 5;
  d.graphTitle = "diffraction pattern of " + structureName(wb) + " structure of " + elementText(in);
  d.caption = title;
  d.listEntries = std::vector<std::string>{title};
  d.defaultSize = false;
  d.memo.push_back(title);
  const std::vector<std::string> numbered = reportForDiagram(report, wb.diagramNumber);
  d.memo.insert(d.memo.end(), numbered.begin(), numbered.end());
  d.memo.push_back(in.anodeIndex == 6 ? std::string("scattering factors omitted") : "XRay anode: " + in.anodeName);
  d.memo.push_back(" lambda: " + in.lambdaText);
  d.memo.push_back("    .....");
  o.diagrams.push_back(std::move(req));
  o.result.ok = true;
  return o;
}

StUnitsState quantityChosen(const StDiffPattern& p, bool sChecked, bool angleChecked) {
  StUnitsState u;
  // A pattern that lacks a column (read from a file) restricts the choices.
  const bool restricted = p.count > 0 && !(p.hasTwoTheta() && p.hasQ() && p.hasS() && p.hasIntensity());
  u.sEnabled = !restricted || p.hasS();
  u.iEnabled = !restricted || p.hasIntensity();
  u.qEnabled = !restricted || p.hasQ();
  u.sChecked = sChecked ? u.sEnabled : !u.iEnabled;
  // S goes with Q, unless the pattern has no Q to go with.
  u.angleEnabled = (!restricted || p.hasTwoTheta()) && !(u.sChecked && u.qEnabled);
  u.angleChecked = angleChecked ? u.angleEnabled : !u.qEnabled;
  return u;
}

// ---------------------------------------------------------------- G(r)

StGrStart grStart(const StCalcInputs& in, const std::string& time) {
  StGrStart s;
  if (!parseAll(s.result,
                {{&in.grStartText, &s.prm.rStart}, {&in.grStopText, &s.prm.rStop}, {&in.grStepText, &s.prm.rStep}}))
    return s;
  s.windowChoice = in.windowChoice;
  s.result.set(cmd::GrDiagram, false);
  s.result.set(cmd::SaveGr, false);
  startLines(s.result, "", "... G(r) CALCULATIONS START ...", time);
  s.result.ok = true;
  return s;
}

StCalcOutcome grCompletion(Workbench& wb, StCalcFlags& flags, const StCalcInputs& in,
                           const std::vector<std::string>& report, const std::string& windowName,
                           const std::string& time) {
  StCalcOutcome o;
  stopLines(o.result, "... G(r) CALCULATIONS STOP ...", time);
  flags.pdhRunning = false;
  if (flags.aborted) {
    wb.fitForm.gr = nullptr;
    return o;
  }
  if (in.showGrAfter) o.diagrams = grDiagram(wb, in, report, windowName).diagrams;
  o.result.set(cmd::GrDiagram, true);
  o.result.set(cmd::SaveGr, true);
  wb.fitForm.gr = &wb.gr;
  o.result.ok = true;
  return o;
}

StCalcOutcome grDiagram(Workbench& wb, const StCalcInputs& in, const std::vector<std::string>& report,
                        const std::string& windowName) {
  StCalcOutcome o;
  StDiagramRequest req;
  DiagramDesc& d = req.desc;
  SeriesDesc s;
  const auto n = static_cast<std::ptrdiff_t>(wb.gr.count);
  s.x.assign(wb.gr.x.begin(), wb.gr.x.begin() + n);
  s.y.assign(wb.gr.y.begin(), wb.gr.y.begin() + n);
  const std::string title = diagramTitle(++wb.diagramNumber);
  s.color = kColorNavy;
  s.style = kStyleLine;
  s.penWidth = 2;
  s.title = title;
  d.series.push_back(std::move(s));
  d.margins = kCalcMargins;
  d.graphTitle = "G(r) function of " + structureName(wb) + " structure of " + elementText(in);
  d.caption = title;
  d.listEntries = std::vector<std::string>{title};
  d.memo = reportForDiagram(report, wb.diagramNumber);
  d.memo.push_back("Xray anode: " + in.anodeName);
  d.memo.push_back("K=" + in.kText);
  d.memo.push_back("windowing function: " + windowName);
  d.axisXImage = "DISTANG";
  d.axisYImage = "GRANG";
  d.defaultSize = false;
  o.diagrams.push_back(std::move(req));
  o.result.ok = true;
  return o;
}

// ---------------------------------------------------------------- delta(r)

StDeltaStart deltaStart(const Workbench& wb, const StCalcInputs& in, const std::string& time) {
  StDeltaStart s;
  if (auto refusal = checkDeltaInputs(wb.ideal, wb.modified)) {
    s.result.messages.push_back(std::move(*refusal));
    return s;
  }
  double binWidth = 0, radius = 0, lattice = 0;
  if (!parseAll(s.result, {{&in.binWidthText, &binWidth}, {&in.radiusText, &radius}, {&in.latticeText, &lattice}}))
    return s;
  s.prm.nodes = wb.ideal;
  s.prm.nodesMod = wb.modified;
  s.prm.rMax = wb.grainPrm.maxDistance;
  s.prm.lattPrm = lattice;
  s.prm.binWidth = binWidth;
  // The delta sums replace the PDH in the shared list: what shows or uses
  // the PDH goes off until a PDH run brings one back, and the previous delta
  // results go off until this run completes.
  for (const char* c : {cmd::DeltaDiagram, cmd::SaveDelta, cmd::PdhDiagram, cmd::Histogram, cmd::SavePdh,
                        cmd::Diffraction})
    s.result.set(c, false);
  s.result.log.push_back("... delta (r) CALCULATIONS START ...");
  s.result.log.push_back("start time is " + time);
  s.result.ok = true;
  return s;
}

bool holdsDeltaSums(const PdhList& list) {
  for (const StLiczOdl& e : list)
    if (e.card <= 0 || e.sumIdeal == 0) return false;
  return true;
}

StCalcOutcome deltaDiagram(Workbench& wb, const StCalcInputs& in) {
  StCalcOutcome o;
  StDeltaStats st = computeDeltaStats(wb.pdh, wb.grainPrm.latticePrm);
  StDiagramRequest req;
  DiagramDesc& d = req.desc;
  const std::string title = diagramTitle(++wb.diagramNumber);
  SeriesDesc s;
  s.x = std::move(st.x);
  s.y = std::move(st.y);
  s.color = kColorOrange;
  s.style = kStyleLine;
  s.penWidth = 2;
  s.title = title;
  d.series.push_back(std::move(s));
  d.margins = kCalcMargins;
  d.axisXTitle = "pair distance r[A]";
  d.axisYTitle = "(ri-r)/r * 1e3";
  d.precision = 5;
  d.digits = 5;
  d.graphTitle = "(ri-r)/r diagram";
  d.caption = title;
  d.listEntries = std::vector<std::string>{title};
  d.defaultSize = false;
  appendParametersReport(wb, in, d.memo);
  d.memo.insert(d.memo.end(), st.memo.begin(), st.memo.end());
  o.diagrams.push_back(std::move(req));
  o.result.ok = true;
  return o;
}

}  // namespace grainix
