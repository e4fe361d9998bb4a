// The parameters report appended to calculation diagrams.
#include "engine/app/parameters_report.h"

#include <gtest/gtest.h>

#include "engine/app/calc_commands.h"
#include "engine/app/workbench.h"

namespace grainix {
namespace {

using Lines = std::vector<std::string>;

StReportInputs niInputs() {
  StReportInputs in;
  in.radiusText = "15";
  in.latticeText = "3.54";
  in.binWidthText = "0.001";
  in.elementL = "Ni";
  in.elementR = "Cu";
  return in;
}

Workbench fccWorkbench() {
  Workbench wb;
  wb.generator = std::make_unique<fccNodes>(5.0, 3.54, wb.ideal, 27, "Ni");
  wb.generator->generate();
  wb.grainPrm.sphere = true;
  wb.diagramNumber = 4;
  return wb;
}

TEST(ParametersReport, NoGrain) {
  Workbench wb;
  Lines memo{"caption"};
  appendParametersReport(wb, niInputs(), memo);
  EXPECT_EQ(memo, (Lines{"caption", "... ... ... ... ...", " No model for structural analysis !"}));
}

TEST(ParametersReport, UnmodifiedMonoatomicGrain) {
  Workbench wb = fccWorkbench();
  const Lines memo = parametersReport(wb, niInputs());
  EXPECT_EQ(memo, (Lines{"... ... ... ... ...", " diagram number: 4", " (*) grain parameters", " shape: sphere",
                         " structure: fcc", " grain radius: 15", " lattice parameter: 3.54", " bin width: 0.001",
                         " chem. composition: Ni", " stack seq.: NO", " temperature: NO",
                         " number of nodes: " + std::to_string(wb.ideal.size()), " modified: NO"}));
}

TEST(ParametersReport, StackedBiatomicHeatedAndModified) {
  Workbench wb;
  wb.ideal.resize(120);
  wb.modified.resize(118);
  wb.currentIsModified = true;
  wb.generator = std::make_unique<hcpNodes>(10.0, 3.21, wb.ideal, 0, "Zn");
  wb.stackingSequence = "ABAC";
  wb.grainPrm.sphere = false;
  wb.grainPrm.thermalVibration = true;
  wb.grainPrm.temperature = 293.15;
  wb.grainPrm.radiusMod = 10.123456;
  wb.grainPrm.latticePrmAvg = 3.2154321;
  wb.grainPrm.latticePrmChange = 0.16923;
  wb.grainPrm.weightedStd = 1.5e-5;
  StSectionPrm core;
  core.name = "core";
  core.a = 0;
  core.r = 6;
  StSectionPrm shell;
  shell.name = "shell";
  shell.a = 2.5;
  shell.r = 10.0000001;
  wb.sections = {core, shell};
  StReportInputs in = niInputs();
  in.elementL = "Zn";
  in.elementR = "S";
  in.biatomic = true;
  const Lines memo = parametersReport(wb, in);
  const Lines want{"... ... ... ... ...", " diagram number: 0", " (*) grain parameters", " shape: cylinder",
                   " structure: " + wb.generator->name, " grain radius: 15", " lattice parameter: 3.54",
                   " bin width: 0.001", " chem. composition: ZnS", " stack seq.: ABAC", " temperature: YES, T=293",
                   " number of nodes: 118", " modified: YES", " (*) sections: ", "*** core, a=0%, Rmax=6",
                   "*** shell, a=2.5%, Rmax=10", " (*) grain after modification:", " radius: 10.123",
                   " lattice parameter: 3.2154", " rel. change l.p.%: 0.16923", " weighted std: 1.5E-5"};
  EXPECT_EQ(memo, want);
}

TEST(ParametersReport, FromCalculationInputs) {
  Workbench wb = fccWorkbench();
  StCalcInputs calc;
  calc.radiusText = "5";
  calc.latticeText = "3.54";
  calc.binWidthText = "0.01";
  calc.elementL = "Ni";
  calc.elementR = "Ni";
  Lines memo;
  appendParametersReport(wb, calc, memo);
  ASSERT_GT(memo.size(), 8u);
  EXPECT_EQ(memo[5], " grain radius: 5");
  EXPECT_EQ(memo[7], " bin width: 0.01");
  EXPECT_EQ(memo[8], " chem. composition: Ni");
}

}  // namespace
}  // namespace grainix
