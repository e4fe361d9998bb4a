#pragma once
// The parameters report: the block of lines every calculation diagram
// appends to its memo and "Show current parameters" prints.
#include <string>
#include <vector>

namespace grainix {

struct Workbench;
struct StCalcInputs;

// The control texts the report prints as typed.
struct StReportInputs {
  std::string radiusText;     // Eradius
  std::string latticeText;    // Elp
  std::string binWidthText;   // Ebinwidth
  std::string elementL;       // CBoxElemL
  std::string elementR;       // CBoxElemR
  bool biatomic = false;      // "biatomic lattice" checked: both element texts
};

// Appends the report lines to `memo`: the dotted opening line, then either
// " No model for structural analysis !" (no built grain) or the diagram
// number, grain parameters, composition, stacking, temperature, node count
// and the sections with the grain after modification.
void appendParametersReport(const Workbench& wb, const StReportInputs& in, std::vector<std::string>& memo);
void appendParametersReport(const Workbench& wb, const StCalcInputs& in, std::vector<std::string>& memo);
// The report as the memo of the diagram numbered `number` shows it: the
// report is made before the new window takes its number.
std::vector<std::string> reportForDiagram(const std::vector<std::string>& report, int number);
// The report alone.
std::vector<std::string> parametersReport(const Workbench& wb, const StReportInputs& in);

}  // namespace grainix
