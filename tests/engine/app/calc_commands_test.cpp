#include "engine/app/calc_commands.h"
#include "engine/calc/gr.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <cmath>

#include <unistd.h>

#include <cstdio>

#include "engine/app/build_command.h"
#include "engine/app/modify_command.h"
#include "engine/grain/stacking.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"
#include "tests/engine/io/io_test_util.h"
#include "engine/app/parameters_report.h"
#include "engine/calc/pair_loops.h"
#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"

namespace grainix {
namespace {

using Lines = std::vector<std::string>;

StCalcInputs monoInputs() {
  StCalcInputs in;
  in.elementL = "Ni";
  in.elementR = "Ni";
  in.anodeIndex = 3;
  in.anodeName = "Cu";
  in.lambdaText = "1.5444";
  in.kText = "4.06836";
  return in;
}

Workbench fccGrain() {
  Workbench wb;
  StBuildInput b;
  b.latticeText = "3.54";
  b.radiusText = "5";
  b.structure = structFcc;
  b.elementL = b.elementR = "Ni";
  b.elementIndexL = b.elementIndexR = 27;
  EXPECT_TRUE(build(wb, b, nullptr).ok);
  return wb;
}

TEST(PdhCommands, StartReadsEditsLogsAndCopiesNodes) {
  Workbench wb = fccGrain();
  StCalcInputs in = monoInputs();
  in.binWidthText = "0.01";
  auto s = pdhStart(wb, in, "12:00:01");
  ASSERT_TRUE(s.result.ok);
  EXPECT_EQ(s.result.log, (Lines{"  ", "... PDH CALCULATIONS START ... ", " start time: 12:00:01"}));
  EXPECT_EQ(s.mode, 0);
  EXPECT_EQ(s.prm.nodes.size(), wb.ideal.size());
  EXPECT_TRUE(s.prm.nodesMod.empty());
  EXPECT_DOUBLE_EQ(s.prm.binWidth, 0.01);
  EXPECT_DOUBLE_EQ(s.prm.lattPrm, 3.54);
  EXPECT_DOUBLE_EQ(s.prm.rMax, wb.grainPrm.maxDistance);

  in.biatomic = true;
  EXPECT_EQ(pdhStart(wb, in, "t").mode, 1);
}

// Builds the grain through the stacking engine, as the window's OK does.
class RealStacking : public StackingDialog {
 public:
  bool run(std::string& sequence, vGrainNodes& ideal, StGrainPrm& prm) override {
    StStackingInput in;
    in.sequence = sequence;
    in.ha = initialHcpA(prm.latticePrm);
    in.c = initialHcpC(prm.latticePrm);
    return buildStacked(in, ideal, prm).ok;
  }
};

// The run gets the lattice grid of a generated grain, and none once the
// grain is modified or read from a file.
TEST(PdhCommands, StartHandsOnTheGridOfAnUnmodifiedGeneratedGrainOnly) {
  Workbench wb = fccGrain();
  const StCalcInputs in = monoInputs();
  auto s = pdhStart(wb, in, "t");
  ASSERT_TRUE(s.prm.grid.has_value());
  EXPECT_EQ(s.prm.grid->offsets.size(), 4u);
  EXPECT_DOUBLE_EQ(s.prm.grid->basis[2][2], 3.54);

  Workbench stacked;
  stacked.stackingSequence = "ABCABC";
  StBuildInput b;
  b.latticeText = "3.54";
  b.radiusText = "6";
  b.structure = structHcp;
  RealStacking dialog;
  ASSERT_TRUE(build(stacked, b, &dialog).ok);
  s = pdhStart(stacked, in, "t");
  ASSERT_TRUE(s.prm.grid.has_value());
  EXPECT_EQ(s.prm.grid->offsets.size(), 6u);  // three layer positions, raised by the sublattice
  EXPECT_DOUBLE_EQ(s.prm.grid->basis[2][2], initialHcpC(3.54));

  // An approved modification leaves the lattice, also when the ideal list is shown again.
  StModifySession session(wb, {});
  modifyClosed(wb, true, session);
  EXPECT_FALSE(pdhStart(wb, in, "t").prm.grid.has_value());
  wb.currentIsModified = false;
  EXPECT_FALSE(pdhStart(wb, in, "t").prm.grid.has_value());

  // A grain read from a nodes file has no generator of its own.
  Workbench built = fccGrain();
  const std::string path = ::testing::TempDir() + "grid_" + std::to_string(::getpid()) + ".ndl";
  StFileTexts texts = testing::fixtureTexts();
  texts.header.elementL = "Ni";
  ASSERT_TRUE(saveNodesFile(path, built.ideal, texts).ok);
  StReadTarget target{built.ideal, built.generator, built.loadedAtoms, built.sections, built.grainPrm};
  const StNodesLoad load = loadNodesFile(path, target, {"Ni"});
  ASSERT_TRUE(load.result.ok) << (load.result.messages.empty() ? "" : load.result.messages[0].text);
  std::remove(path.c_str());
  EXPECT_EQ(built.generator->name, "fcc");
  EXPECT_FALSE(pdhStart(built, in, "t").prm.grid.has_value());
}

TEST(PdhCommands, UnparsableEditGivesConversionErrorAndNoRun) {
  Workbench wb = fccGrain();
  // Each of the three edits is read, in the order bin width, radius, lattice.
  for (int which = 0; which < 3; ++which) {
    StCalcInputs in = monoInputs();
    std::string* field[] = {&in.binWidthText, &in.radiusText, &in.latticeText};
    *field[which] = "1,5";
    auto s = pdhStart(wb, in, "t");
    EXPECT_FALSE(s.result.ok);
    EXPECT_TRUE(s.result.log.empty());
    ASSERT_EQ(s.result.messages.size(), 1u);
    EXPECT_EQ(s.result.messages[0].kind, MessageKind::ConversionError);
    EXPECT_EQ(s.result.messages[0].text, "'1,5' is not a valid floating point value");
  }
}

TEST(PdhCommands, StopSetsAbortedClearsFlagsAndLogs) {
  StCalcFlags f;
  f.pdhRunning = f.diffrRunning = f.queueRunning = true;
  auto r = calcStop(f);
  EXPECT_TRUE(f.aborted);
  EXPECT_FALSE(f.pdhRunning || f.diffrRunning || f.queueRunning);
  EXPECT_EQ(r.log, Lines{" ===== CALCULATIONS ABORTED ====="});
}

TEST(PdhCommands, CompletionAfterAbortLogsStopAndEnablesNothing) {
  Workbench wb = fccGrain();
  wb.fitForm.pdh = &wb.pdh;
  StCalcFlags f;
  f.pdhRunning = true;
  calcStop(f);
  StCalcInputs in = monoInputs();
  in.showPdhAfter = true;
  auto o = pdhCompletion(wb, f, 0, in, {}, "10:00:00");
  EXPECT_EQ(o.result.log, (Lines{"... PDH CALCULATIONS STOP ...", " stop time: 10:00:00"}));
  EXPECT_TRUE(o.result.enable.empty());
  EXPECT_TRUE(o.diagrams.empty());
  EXPECT_EQ(wb.fitForm.pdh, nullptr);
}

TEST(PdhCommands, CompletionEnablesResultsSetsFitFormAndOpensDiagram) {
  Workbench wb = fccGrain();
  wb.pdh = {{0.0, 0}, {0.5, 3}, {1.0, 7}};
  StCalcFlags f;
  f.pdhRunning = true;
  StCalcInputs in = monoInputs();
  in.showPdhAfter = true;
  auto o = pdhCompletion(wb, f, 0, in, {"report"}, "t");
  EXPECT_FALSE(f.pdhRunning);
  for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::Diffraction, cmd::SavePdh, cmd::SaveAll, cmd::Fityk})
    EXPECT_TRUE(o.result.enable.at(c)) << c;
  EXPECT_EQ(wb.fitForm.pdh, &wb.pdh);
  EXPECT_EQ(wb.fitForm.partial, nullptr);
  ASSERT_EQ(o.diagrams.size(), 1u);
  const DiagramDesc& d = o.diagrams[0].desc;
  EXPECT_EQ(d.caption, "diagram: 1");
  EXPECT_EQ(wb.diagramNumber, 1);
  EXPECT_EQ(d.graphTitle, "pair distance histogram of Ni atoms");
  EXPECT_EQ(d.series[0].y, (std::vector<double>{0, 3, 7}));
  EXPECT_EQ(d.series[0].color, kColorBlue);
  EXPECT_EQ(d.series[0].style, kStyleComb);
  EXPECT_EQ(d.precision, 3);
  EXPECT_EQ(d.memo, Lines{"report"});
  ASSERT_TRUE(d.margins);
  EXPECT_EQ(*d.margins, (DiagramMargins{60, 60, 60, 60}));

  // Delta sums enable their own results only.
  wb.pdh = {{0, 2, 0, 5.0, 5.05}};
  auto o3 = pdhCompletion(wb, f, 3, in, {}, "t");
  EXPECT_EQ(o3.result.enable, (CommandStates{{cmd::DeltaDiagram, true}, {cmd::SaveDelta, true}}));
}

TEST(PdhCommands, PartialDiagramsTakeNumbersThenCountAndStepBy32) {
  Workbench wb;
  wb.diagramNumber = 4;
  wb.partial.allocate(2);
  wb.partial.rij = {1, 2};
  StCalcInputs in = monoInputs();
  in.biatomic = true;
  in.elementL = "Zn";
  in.elementR = "S";
  auto o = pdhDiagrams(wb, in, {"r"});
  ASSERT_EQ(o.diagrams.size(), 3u);
  EXPECT_EQ(o.diagrams[0].desc.caption, "diagram: 4");
  EXPECT_EQ(o.diagrams[2].desc.caption, "diagram: 6");
  EXPECT_EQ(wb.diagramNumber, 7);
  EXPECT_EQ(o.diagrams[1].desc.graphTitle, "PDH distrubution of Zn-S atoms");
  EXPECT_EQ(o.diagrams[2].desc.graphTitle, "PDH distrubution of S-S atoms");
  EXPECT_EQ(o.diagrams[1].desc.series[0].y, (std::vector<double>{1, 2}));
  EXPECT_EQ(o.diagrams[1].desc.series[0].color, kColorGreen);
  EXPECT_EQ(o.diagrams[2].offset, 64);

  // Stopped partial histograms have nothing to show.
  wb.partial.release();
  auto e = pdhDiagrams(wb, in, {});
  EXPECT_TRUE(e.diagrams.empty());
  EXPECT_EQ(e.result.messages[0].text, "Empty histogram");
}

TEST(PdhCommands, EmptyHistogramMessage) {
  Workbench wb;
  auto o = pdhDiagrams(wb, monoInputs(), {});
  EXPECT_TRUE(o.diagrams.empty());
  ASSERT_EQ(o.result.messages.size(), 1u);
  EXPECT_EQ(o.result.messages[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(o.result.messages[0].text, "Empty histogram");
  EXPECT_EQ(wb.diagramNumber, 0);
}

TEST(PdhCommands, HistogramListing) {
  PdhList pdh{{0.0, 0, 0}, {1.05, 12, 0.123456}};
  EXPECT_EQ(histogramListing(pdh), (Lines{"r\tcard.\tnorm", "0\t0\t0", "1.05\t12\t0.12346"}));
}

TEST(PdhCommands, BinWidthWarningAndPopup) {
  struct Case {
    const char* text;
    bool ok;
    bool warning;
  } cases[] = {{"0.1", true, true}, {"0.0999", true, false}, {"2", true, true}, {"abc", false, false}};
  for (const Case& c : cases) {
    bool warning = false;
    auto r = binWidthChanged(c.text, warning);
    EXPECT_EQ(r.ok, c.ok) << c.text;
    EXPECT_EQ(warning, c.warning) << c.text;
    EXPECT_EQ(r.messages.size(), c.ok ? 0u : 1u);
  }
  bool warning = true;
  auto r = binWidthChanged("", warning);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(warning);  // empty text changes nothing

  EXPECT_EQ(binWidthPopupText(7), "0.0078125");
  EXPECT_EQ(binWidthPopupText(10), "0.0009765625");
  EXPECT_EQ(binWidthPopupText(14), "6.103515625E-5");
}

TEST(DiffractionCommands, NeedsPdhOnlyWithoutAnyHistogram) {
  Workbench wb;
  EXPECT_TRUE(diffractionNeedsPdh(wb));
  wb.partial.allocate(1);
  EXPECT_FALSE(diffractionNeedsPdh(wb));
  wb.partial.release();
  wb.pdh.push_back({});
  EXPECT_FALSE(diffractionNeedsPdh(wb));
  EXPECT_TRUE(grNeedsDiffraction(wb));
  wb.pattern.count = 1;
  EXPECT_FALSE(grNeedsDiffraction(wb));
}

TEST(DiffractionCommands, StartParsesEditsAndLogs) {
  StCalcInputs in = monoInputs();
  in.startText = "10";
  in.stopText = "100";
  in.stepText = "0.5";
  auto s = diffractionStart(in, "9:00:00");
  ASSERT_TRUE(s.result.ok);
  EXPECT_EQ(s.result.log, (Lines{"", "... DIFFRACTION CALCULATIONS START ...", " start time: 9:00:00"}));
  EXPECT_DOUBLE_EQ(s.prm.k, 4.06836);
  EXPECT_DOUBLE_EQ(s.prm.lambda, 1.5444);
  EXPECT_DOUBLE_EQ(s.prm.start, 10);
  EXPECT_DOUBLE_EQ(s.prm.stop, 100);
  EXPECT_DOUBLE_EQ(s.prm.step, 0.5);
  EXPECT_DOUBLE_EQ(s.radius, 15);
  EXPECT_TRUE(s.prm.useFactors);
  EXPECT_FALSE(s.result.enable.at(cmd::SaveDiffraction));
  EXPECT_FALSE(s.result.enable.at(cmd::DiffractionDiagram));

  in.anodeIndex = 6;
  in.biatomic = true;
  auto x = diffractionStart(in, "t");
  EXPECT_FALSE(x.prm.useFactors);
  EXPECT_EQ(x.mode, 1);

  in.stepText = "";
  auto bad = diffractionStart(in, "t");
  EXPECT_FALSE(bad.result.ok);
  EXPECT_TRUE(bad.result.log.empty());
  EXPECT_TRUE(bad.result.enable.empty());
}

StDiffPattern smallPattern() {
  StDiffPattern p;
  p.twoTheta = {0.1, 0.2};
  p.sOfQ = {1.5, 1.2};
  p.q = {0.35, 0.7};
  p.intensity = {100, 80};
  p.count = 2;
  return p;
}

TEST(DiffractionCommands, CompletionWithPatternEnablesAndShowsDiagram) {
  Workbench wb = fccGrain();
  wb.pattern = smallPattern();
  StCalcFlags f;
  f.diffrRunning = true;
  StCalcInputs in = monoInputs();
  in.showPatternAfter = true;
  in.showS = false;
  in.angleUnits = true;
  auto o = diffractionCompletion(wb, f, in, {"rep"}, "t");
  EXPECT_FALSE(f.diffrRunning);
  EXPECT_EQ(o.result.log, (Lines{"... DIFFRACTION CALCULATIONS STOP ...", " stop time: t"}));
  EXPECT_EQ(o.result.enable,
            (CommandStates{{cmd::DiffractionDiagram, true}, {cmd::SaveDiffraction, true}, {cmd::GrOfDiffraction, true}}));
  ASSERT_EQ(o.diagrams.size(), 1u);
  const DiagramDesc& d = o.diagrams[0].desc;
  EXPECT_EQ(d.graphTitle, "diffraction pattern of fcc structure of Ni");
  EXPECT_EQ(d.axisXTitle, "angle=2*theta");
  EXPECT_EQ(d.axisYTitle, "I(theta)");
  EXPECT_NEAR(d.series[0].x[1], 0.2 * 57.29577951308232, 1e-12);
  EXPECT_EQ(d.series[0].y, (std::vector<double>{100, 80}));
  EXPECT_EQ(d.series[0].color, diagramRgb(128, 0, 0));
  EXPECT_EQ(d.memo, (Lines{"diagram: 1", "rep", "XRay anode: Cu", " lambda: 1.5444", "    ....."}));
}

TEST(DiffractionCommands, DiagramInSAgainstQAndWithoutFactors) {
  Workbench wb;
  wb.pattern = smallPattern();
  StCalcFlags f;
  StCalcInputs in = monoInputs();
  in.anodeIndex = 6;
  in.anodeName = "X";
  auto o = diffractionDiagram(wb, f, in, {});
  ASSERT_EQ(o.diagrams.size(), 1u);
  const DiagramDesc& d = o.diagrams[0].desc;
  EXPECT_EQ(d.axisXTitle, "Q");
  EXPECT_EQ(d.axisYTitle, "S(Q)");
  EXPECT_EQ(d.series[0].x, (std::vector<double>{0.35, 0.7}));
  EXPECT_EQ(d.series[0].y, (std::vector<double>{1.5, 1.2}));
  EXPECT_EQ(d.memo[1], "scattering factors omitted");
  EXPECT_EQ(d.graphTitle, "diffraction pattern of nn structure of Ni");

  f.aborted = true;
  EXPECT_TRUE(diffractionDiagram(wb, f, in, {}).diagrams.empty());
}

TEST(DiffractionCommands, EmptyOrStoppedPattern) {
  Workbench wb;
  StCalcFlags f;
  StCalcInputs in = monoInputs();
  in.showPatternAfter = true;
  auto o = diffractionCompletion(wb, f, in, {}, "t");
  EXPECT_EQ(o.result.messages, (std::vector<StMessage>{{MessageKind::Confirmation, "", "Empty set. STOP"}}));
  EXPECT_EQ(o.result.enable, (CommandStates{{cmd::DiffractionDiagram, true}}));

  wb.pattern = smallPattern();
  calcStop(f);
  auto s = diffractionCompletion(wb, f, in, {}, "t");
  EXPECT_EQ(s.result.log.size(), 2u);
  EXPECT_TRUE(s.result.enable.empty());
  EXPECT_TRUE(s.diagrams.empty());
}

TEST(DiffractionCommands, QuantityChoice) {
  const StDiffPattern none;
  EXPECT_EQ(quantityChosen(none, true, true).angleEnabled, false);
  EXPECT_EQ(quantityChosen(none, true, true).angleChecked, false);
  EXPECT_EQ(quantityChosen(none, false, true).angleEnabled, true);
  EXPECT_EQ(quantityChosen(none, false, true).angleChecked, true);
}

// A pattern read from a file holds two columns: only those can be chosen,
// drawn and transformed.
TEST(DiffractionCommands, APatternOffersOnlyTheColumnsItHolds) {
  struct Case {
    bool theta, q, s, i;     // columns held
    bool sIn, angleIn;       // what the radio buttons say
    StUnitsState expected;   // sEnabled, iEnabled, angleEnabled, qEnabled, sChecked, angleChecked
  } cases[] = {
      {true, true, true, true, false, true, {true, true, true, true, false, true}},    // computed: free choice
      {true, true, true, true, true, true, {true, true, false, true, true, false}},    // S goes with Q
      {false, true, true, false, false, true, {true, false, false, true, true, false}},  // Q, S read
      {true, false, false, true, true, false, {false, true, true, false, false, true}},  // theta, I read
      {true, false, true, false, true, false, {true, false, true, false, true, true}},   // theta, S: S by angle
      {false, true, false, true, true, true, {false, true, false, true, false, false}},  // Q, I
  };
  for (const Case& c : cases) {
    StDiffPattern p;
    p.count = 3;
    if (c.theta) p.twoTheta = {0.1, 0.2, 0.3};
    if (c.q) p.q = {1, 2, 3};
    if (c.s) p.sOfQ = {1.5, 0.5, 1};
    if (c.i) p.intensity = {10, 20, 30};
    const StUnitsState u = quantityChosen(p, c.sIn, c.angleIn);
    const StUnitsState& e = c.expected;
    const std::string at = std::string(c.theta ? "theta " : "") + (c.q ? "Q " : "") + (c.s ? "S " : "") +
                           (c.i ? "I" : "") + (c.sIn ? " / S" : " / I") + (c.angleIn ? " angle" : " Q");
    EXPECT_EQ(std::tie(u.sEnabled, u.iEnabled, u.angleEnabled, u.qEnabled, u.sChecked, u.angleChecked),
              std::tie(e.sEnabled, e.iEnabled, e.angleEnabled, e.qEnabled, e.sChecked, e.angleChecked))
        << at;

    // The diagram draws what the pattern holds, whatever was asked.
    Workbench wb;
    wb.pattern = p;
    StCalcFlags f;
    StCalcInputs in = monoInputs();
    for (bool showS : {true, false})
      for (bool angle : {true, false}) {
        in.showS = showS;
        in.angleUnits = angle;
        const auto o = diffractionDiagram(wb, f, in, {});
        ASSERT_EQ(o.diagrams.size(), 1u) << at;
        const SeriesDesc& series = o.diagrams[0].desc.series.at(0);
        EXPECT_EQ(series.x.size(), 3u) << at;
        EXPECT_EQ(series.y, c.s && (showS || !c.i) ? p.sOfQ : p.intensity) << at;
      }
    // G(r) transforms S against Q only.
    EXPECT_EQ(grPatternRefusal(p).empty(), c.q && c.s) << at;
    StData gr;
    StGrPrm g;
    g.rStop = 1;
    g.rStep = 0.5;
    g.pattern = &p;
    const StGrOutcome out = computeGr(g, gr);
    EXPECT_EQ(out.missingColumns, !(c.q && c.s)) << at;
    EXPECT_EQ(gr.count, c.q && c.s ? 2 : 0) << at;
  }
}

// The parameters report is made before a window takes its number; its
// memo still names that window's number.
TEST(CalcDiagrams, MemoNamesTheDiagramItBelongsTo) {
  Workbench wb = fccGrain();
  wb.pdh = {{0.5, 3}};
  wb.pattern = smallPattern();
  wb.gr.x = {0.1, 0.2};
  wb.gr.y = {1, 2};
  wb.gr.count = 2;
  wb.diagramNumber = 6;
  const StCalcInputs in = monoInputs();
  const auto memoOf = [](const StCalcOutcome& o) { return o.diagrams.at(0).desc.memo; };
  const auto numberLine = [](const Lines& memo) {
    for (const std::string& l : memo)
      if (l.rfind(" diagram number: ", 0) == 0) return l;
    return std::string("none");
  };
  StCalcFlags f;
  std::vector<std::string> report;
  appendParametersReport(wb, in, report);
  EXPECT_EQ(numberLine(memoOf(pdhDiagrams(wb, in, report))), " diagram number: 7");
  report.clear();
  appendParametersReport(wb, in, report);
  EXPECT_EQ(numberLine(memoOf(diffractionDiagram(wb, f, in, report))), " diagram number: 8");
  report.clear();
  appendParametersReport(wb, in, report);
  EXPECT_EQ(numberLine(memoOf(grDiagram(wb, in, report, "Lorch"))), " diagram number: 9");
}

TEST(GrCommands, StartCompletionAndDiagram) {
  StCalcInputs in = monoInputs();
  in.grStartText = "0";
  in.grStopText = "10";
  in.grStepText = "0.125";
  in.windowChoice = 1;
  auto s = grStart(in, "t");
  ASSERT_TRUE(s.result.ok);
  EXPECT_EQ(s.result.log, (Lines{"", "... G(r) CALCULATIONS START ...", " start time: t"}));
  EXPECT_DOUBLE_EQ(s.prm.rStop, 10);
  EXPECT_DOUBLE_EQ(s.prm.rStep, 0.125);
  EXPECT_EQ(s.windowChoice, 1);
  EXPECT_FALSE(s.result.enable.at(cmd::GrDiagram));

  Workbench wb = fccGrain();
  wb.gr.x = {0, 1};
  wb.gr.y = {0, 2};
  wb.gr.count = 2;
  StCalcFlags f;
  f.pdhRunning = true;
  in.showGrAfter = true;
  auto o = grCompletion(wb, f, in, {"rep"}, "Hamming", "t");
  EXPECT_FALSE(f.pdhRunning);
  EXPECT_EQ(o.result.log, (Lines{"... G(r) CALCULATIONS STOP ...", " stop time: t"}));
  EXPECT_EQ(o.result.enable, (CommandStates{{cmd::GrDiagram, true}, {cmd::SaveGr, true}}));
  EXPECT_EQ(wb.fitForm.gr, &wb.gr);
  ASSERT_EQ(o.diagrams.size(), 1u);
  const DiagramDesc& d = o.diagrams[0].desc;
  EXPECT_EQ(d.graphTitle, "G(r) function of fcc structure of Ni");
  EXPECT_EQ(d.memo, (Lines{"rep", "Xray anode: Cu", "K=4.06836", "windowing function: Hamming"}));
  EXPECT_EQ(d.axisXImage, "DISTANG");
  EXPECT_EQ(d.axisYImage, "GRANG");
  EXPECT_EQ(d.series[0].color, diagramRgb(0, 0, 128));

  wb.fitForm.gr = nullptr;
  calcStop(f);
  auto a = grCompletion(wb, f, in, {}, "Hamming", "t");
  EXPECT_TRUE(a.diagrams.empty());
  EXPECT_TRUE(a.result.enable.empty());
  EXPECT_EQ(wb.fitForm.gr, nullptr);
}

// ---------------------------------------------------------------- delta(r)

// The grain of fccGrain() with a modified copy whose coordinates are scaled
// by `factor`, made current as an approved modification makes it.
Workbench scaledGrain(double factor) {
  Workbench wb = fccGrain();
  wb.modified = wb.ideal;
  for (StGrainNode& n : wb.modified) {
    n.x *= factor;
    n.y *= factor;
    n.z *= factor;
  }
  wb.currentIsModified = true;
  wb.grainPrm.maxDistance *= factor;
  return wb;
}

// The number after `prefix` in the memo line that starts with it.
double memoValue(const Lines& memo, const std::string& prefix) {
  for (const std::string& l : memo)
    if (l.rfind(prefix, 0) == 0) return std::stod(l.substr(prefix.size()));
  ADD_FAILURE() << "no memo line " << prefix;
  return NAN;
}

TEST(DeltaCommands, UnequalListsAreRefusedBeforeAnyEditIsRead) {
  Workbench wb;
  wb.ideal.resize(10);
  wb.modified.resize(11);
  StCalcInputs in = monoInputs();
  in.binWidthText = "abc";  // never reached
  auto s = deltaStart(wb, in, "t");
  EXPECT_FALSE(s.result.ok);
  EXPECT_TRUE(s.result.log.empty());
  EXPECT_TRUE(s.result.enable.empty());
  ASSERT_EQ(s.result.messages.size(), 1u);
  EXPECT_EQ(s.result.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(s.result.messages[0].title, "ERROR");
  EXPECT_EQ(s.result.messages[0].text, "Sizes of ideal lattice and modified are different: 10, 11");
}

TEST(DeltaCommands, UnparsableEditGivesConversionErrorAndNoRun) {
  Workbench wb = scaledGrain(1.01);
  for (int which = 0; which < 3; ++which) {
    StCalcInputs in = monoInputs();
    std::string* field[] = {&in.binWidthText, &in.radiusText, &in.latticeText};
    *field[which] = "x1";
    auto s = deltaStart(wb, in, "t");
    EXPECT_FALSE(s.result.ok) << which;
    EXPECT_TRUE(s.result.log.empty());
    EXPECT_TRUE(s.result.enable.empty());
    ASSERT_EQ(s.result.messages.size(), 1u);
    EXPECT_EQ(s.result.messages[0].kind, MessageKind::ConversionError);
  }
}

TEST(DeltaCommands, StartCopiesBothListsLogsAndTurnsOffWhatReadsTheList) {
  Workbench wb = scaledGrain(1.01);
  StCalcInputs in = monoInputs();
  in.binWidthText = "0.02";
  in.latticeText = "3.6";
  auto s = deltaStart(wb, in, "12:00:01");
  ASSERT_TRUE(s.result.ok);
  EXPECT_EQ(s.result.log, (Lines{"... delta (r) CALCULATIONS START ...", "start time is 12:00:01"}));
  ASSERT_EQ(s.prm.nodes.size(), wb.ideal.size());
  ASSERT_EQ(s.prm.nodesMod.size(), wb.modified.size());
  EXPECT_EQ(s.prm.nodes.back().x, wb.ideal.back().x);
  EXPECT_EQ(s.prm.nodesMod.back().x, wb.modified.back().x);
  EXPECT_NE(s.prm.nodes.back().x, s.prm.nodesMod.back().x);
  EXPECT_DOUBLE_EQ(s.prm.binWidth, 0.02);
  EXPECT_DOUBLE_EQ(s.prm.lattPrm, 3.6);
  EXPECT_DOUBLE_EQ(s.prm.rMax, wb.grainPrm.maxDistance);
  for (const char* c :
       {cmd::DeltaDiagram, cmd::SaveDelta, cmd::PdhDiagram, cmd::Histogram, cmd::SavePdh, cmd::Diffraction})
    EXPECT_FALSE(s.result.enable.at(c)) << c;

  // A PDH run replaces the delta sums; partial histograms leave them.
  EXPECT_FALSE(pdhStart(wb, in, "t").result.enable.at(cmd::SaveDelta));
  in.biatomic = true;
  EXPECT_EQ(pdhStart(wb, in, "t").result.enable.count(cmd::SaveDelta), 0u);
}

// Scaling every coordinate by f changes every distance by f - 1: the
// diagram is flat and the mean lattice parameter is f * a.
TEST(DeltaCommands, UniformScalingGivesAFlatDiagramAndItsStatistics) {
  struct Case {
    double factor;
    double mean1e3;
    const char* meanLine;
    const char* latticeLine;
  } cases[] = {{1.01, 10, " mean*1e3:  10", " mean latt.prm.:  3.5754"},
               {1.0, 0, " mean*1e3:  0", " mean latt.prm.:  3.54"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    Workbench wb = scaledGrain(c.factor);
    wb.diagramNumber = 2;
    StCalcInputs in = monoInputs();
    in.binWidthText = "0.01";
    in.showDeltaAfter = true;
    auto s = deltaStart(wb, in, "t");
    ASSERT_TRUE(s.result.ok);
    StPairRunResult run = runPairLoop(3, s.prm, wb.pdh, wb.partial, nullptr, CancelToken{});
    ASSERT_FALSE(run.refused);
    ASSERT_FALSE(wb.pdh.empty());
    ASSERT_TRUE(holdsDeltaSums(wb.pdh));

    StCalcFlags f;
    f.pdhRunning = true;
    auto o = pdhCompletion(wb, f, 3, in, {"PDH report"}, "12:00:02");
    EXPECT_FALSE(f.pdhRunning);
    EXPECT_EQ(o.result.log, (Lines{"... PDH CALCULATIONS STOP ...", " stop time: 12:00:02"}));
    EXPECT_EQ(o.result.enable, (CommandStates{{cmd::DeltaDiagram, true}, {cmd::SaveDelta, true}}));
    EXPECT_EQ(wb.fitForm.pdh, nullptr);
    ASSERT_EQ(o.diagrams.size(), 1u);
    const DiagramDesc& d = o.diagrams[0].desc;
    EXPECT_EQ(wb.diagramNumber, 3);
    EXPECT_EQ(d.caption, "diagram: 3");
    EXPECT_EQ(d.listEntries, (Lines{"diagram: 3"}));
    EXPECT_EQ(d.graphTitle, "(ri-r)/r diagram");
    EXPECT_EQ(d.axisXTitle, "pair distance r[A]");
    EXPECT_EQ(d.axisYTitle, "(ri-r)/r * 1e3");
    EXPECT_EQ(d.precision, 5);
    EXPECT_EQ(d.digits, 5);
    ASSERT_TRUE(d.margins);
    EXPECT_EQ(*d.margins, (DiagramMargins{60, 60, 60, 60}));
    ASSERT_EQ(d.series.size(), 1u);
    const SeriesDesc& sr = d.series[0];
    EXPECT_EQ(sr.color, diagramRgb(255, 128, 0));
    EXPECT_EQ(sr.style, kStyleLine);
    EXPECT_EQ(sr.penWidth, 2u);
    EXPECT_EQ(sr.title, "diagram: 3");
    ASSERT_EQ(sr.x.size(), wb.pdh.size());
    // One point per occupied bin, at the mean ideal distance of its pairs.
    EXPECT_NEAR(sr.x.front(), 3.54 / std::sqrt(2.0), 1e-9);
    for (size_t i = 0; i < sr.y.size(); ++i) {
      EXPECT_NEAR(sr.y[i], c.mean1e3, 1e-9) << i;
      if (i > 0) {
        EXPECT_GT(sr.x[i], sr.x[i - 1]);
      }
    }
    // The parameters report names this diagram, then come the statistics.
    Lines expected;
    appendParametersReport(wb, in, expected);
    ASSERT_EQ(d.memo.size(), expected.size() + 5);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), d.memo.begin()));
    EXPECT_EQ(d.memo[0], "... ... ... ... ...");
    EXPECT_EQ(d.memo[1], " diagram number: 3");
    const size_t k = expected.size();
    EXPECT_EQ(d.memo[k], c.meanLine);
    EXPECT_EQ(d.memo[k + 1], c.latticeLine);
    EXPECT_NEAR(memoValue(d.memo, " std*1e3:  "), 0, 1e-6);
    EXPECT_NEAR(memoValue(d.memo, " std latt.prm.:  "), 0, 1e-8);
    EXPECT_EQ(d.memo[k + 4], "--------------------------------");
  }
}

TEST(DeltaCommands, CompletionAfterStopOrRefusalEnablesNothing) {
  Workbench wb = scaledGrain(1.01);
  StCalcInputs in = monoInputs();
  in.showDeltaAfter = true;
  StCalcFlags f;
  calcStop(f);
  auto stopped = pdhCompletion(wb, f, 3, in, {}, "t");
  EXPECT_EQ(stopped.result.log.size(), 2u);
  EXPECT_TRUE(stopped.result.enable.empty());
  EXPECT_TRUE(stopped.diagrams.empty());
  EXPECT_EQ(wb.diagramNumber, 0);

  // "size == 0" leaves the list as it was: a PDH there is no delta result.
  StCalcFlags fresh;
  wb.pdh = {{0.0, 0}, {0.5, 3}};
  auto refused = pdhCompletion(wb, fresh, 3, in, {}, "t");
  EXPECT_TRUE(refused.result.enable.empty());
  EXPECT_TRUE(refused.diagrams.empty());
  EXPECT_FALSE(holdsDeltaSums(wb.pdh));
}

TEST(DeltaCommands, DiagramOfAnEmptyListSaysNoData) {
  Workbench wb;
  wb.grainPrm.latticePrm = 3.54;
  auto o = deltaDiagram(wb, monoInputs());
  ASSERT_EQ(o.diagrams.size(), 1u);
  const DiagramDesc& d = o.diagrams[0].desc;
  EXPECT_EQ(d.caption, "diagram: 1");
  ASSERT_EQ(d.series.size(), 1u);
  EXPECT_TRUE(d.series[0].x.empty());
  EXPECT_EQ(d.memo, (Lines{"... ... ... ... ...", " No model for structural analysis !", " mean*1e3:  no data", " mean latt.prm.:  no data", " std*1e3:  no data",
                           " std latt.prm.:  no data", "--------------------------------"}));
}

}  // namespace
}  // namespace grainix
