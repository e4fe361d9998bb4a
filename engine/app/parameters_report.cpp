#include "engine/app/parameters_report.h"

#include "engine/app/calc_commands.h"
#include "engine/app/workbench.h"
#include "engine/core/format.h"

namespace grainix {

namespace {
constexpr const char* kDiagramNumberLine = " diagram number: ";
}  // namespace

std::vector<std::string> reportForDiagram(const std::vector<std::string>& report, int number) {
  std::vector<std::string> out = report;
  for (std::string& line : out)
    if (line.rfind(kDiagramNumberLine, 0) == 0) line = kDiagramNumberLine + std::to_string(number);
  return out;
}

void appendParametersReport(const Workbench& wb, const StReportInputs& in, std::vector<std::string>& memo) {
  memo.push_back("... ... ... ... ...");
  if (wb.ideal.empty()) {
    memo.push_back(" No model for structural analysis !");
    return;
  }
  const StGrainPrm& g = wb.grainPrm;
  memo.push_back(kDiagramNumberLine + std::to_string(wb.diagramNumber));
  memo.push_back(" (*) grain parameters");
  memo.push_back(std::string(" shape: ") + (g.sphere ? "sphere" : "cylinder"));
  if (wb.generator) memo.push_back(" structure: " + wb.generator->name);
  memo.push_back(" grain radius: " + in.radiusText);
  memo.push_back(" lattice parameter: " + in.latticeText);
  memo.push_back(" bin width: " + in.binWidthText);
  memo.push_back(" chem. composition: " + (in.biatomic ? in.elementL + in.elementR : in.elementL));
  if (wb.generator && wb.generator->kind == kindHcp)
    memo.push_back(" stack seq.: " + wb.stackingSequence);
  else
    memo.push_back(" stack seq.: NO");
  memo.push_back(" temperature: " + (g.thermalVibration ? "YES, T=" + fmtGeneral(g.temperature, 3) : std::string("NO")));
  if (!wb.current().empty()) memo.push_back(" number of nodes: " + std::to_string(wb.current().size()));
  if (wb.sections.empty()) {
    memo.push_back(" modified: NO");
    return;
  }
  memo.push_back(" modified: YES");
  memo.push_back(" (*) sections: ");
  for (const StSectionPrm& s : wb.sections)
    memo.push_back("*** " + s.name + ", a=" + fmtGeneral(s.a, 5) + "%, Rmax=" + fmtGeneral(s.r, 5));
  memo.push_back(" (*) grain after modification:");
  memo.push_back(" radius: " + fmtGeneral(g.radiusMod, 5));
  memo.push_back(" lattice parameter: " + fmtGeneral(g.latticePrmAvg, 5));
  memo.push_back(" rel. change l.p.%: " + fmtGeneral(g.latticePrmChange, 5));
  memo.push_back(" weighted std: " + fmtGeneral(g.weightedStd, 5));
}

void appendParametersReport(const Workbench& wb, const StCalcInputs& in, std::vector<std::string>& memo) {
  StReportInputs r;
  r.radiusText = in.radiusText;
  r.latticeText = in.latticeText;
  r.binWidthText = in.binWidthText;
  r.elementL = in.elementL;
  r.elementR = in.elementR;
  r.biatomic = in.biatomic;
  appendParametersReport(wb, r, memo);
}

std::vector<std::string> parametersReport(const Workbench& wb, const StReportInputs& in) {
  std::vector<std::string> memo;
  appendParametersReport(wb, in, memo);
  return memo;
}

}  // namespace grainix
