#include "engine/app/calc_commands.h"

#include <gtest/gtest.h>

#include "engine/app/build_command.h"
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
  const DiagramSpec& d = o.diagrams[0].spec;
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
  EXPECT_EQ(o.diagrams[0].spec.caption, "diagram: 4");
  EXPECT_EQ(o.diagrams[2].spec.caption, "diagram: 6");
  EXPECT_EQ(wb.diagramNumber, 7);
  EXPECT_EQ(o.diagrams[1].spec.graphTitle, "PDH distrubution of Zn-S atoms");
  EXPECT_EQ(o.diagrams[2].spec.graphTitle, "PDH distrubution of S-S atoms");
  EXPECT_EQ(o.diagrams[1].spec.series[0].y, (std::vector<double>{1, 2}));
  EXPECT_EQ(o.diagrams[1].spec.series[0].color, kColorGreen);
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
  const DiagramSpec& d = o.diagrams[0].spec;
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
  const DiagramSpec& d = o.diagrams[0].spec;
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
  EXPECT_EQ(quantityChosen(true, true).angleEnabled, false);
  EXPECT_EQ(quantityChosen(true, true).angleChecked, false);
  EXPECT_EQ(quantityChosen(false, true).angleEnabled, true);
  EXPECT_EQ(quantityChosen(false, true).angleChecked, true);
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
  const DiagramSpec& d = o.diagrams[0].spec;
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

}  // namespace
}  // namespace grainix
