#pragma once
// Parameters shared by the fityk script window and the compare-with-experiment
// window. The references point at results the workbench owns; they are
// cleared whenever those results are replaced.
#include <string>

#include "engine/calc/records.h"

namespace grainix {

struct StFitFormPrm {
  std::string lp;                       // lattice parameter text at the last build
  const PdhList* pdh = nullptr;         // PDH of a monoatomic grain
  const StIDCalcResults* partial = nullptr;  // partial histograms of a biatomic grain
  const StData* gr = nullptr;           // G(r) of diffraction
  std::string folder;
  double binWidth = 0;
  double wavelength = 0;
  double max = 0;
};

}  // namespace grainix
