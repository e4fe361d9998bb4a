#pragma once
// Parameters shared by the fityk script window and the compare-with-experiment
// window. The texts are the window's last inputs (kept in the "fityk" section
// of the settings file); the references point at results the workbench owns
// and are cleared whenever those results are replaced.
#include <string>

#include "engine/calc/records.h"
#include "engine/core/command.h"

namespace grainix {

struct StSettings;

inline constexpr const char* kFitykCmdLineDefault = "#fityk command line";

// `std` is a field name here, so the members after it name the standard
// library as ::std.
struct StFitFormPrm {
  std::string lp = "1";                        // lattice parameter, the fityk variable $lp
  std::string std = "0.1";                     // initial peak half width
  ::std::string cmdLine = kFitykCmdLineDefault;  // the user's fityk lines for a user function
  ::std::string min = "0";                     // lower x bound
  double max = 10;                             // upper x bound
  const PdhList* pdh = nullptr;                // PDH of a monoatomic grain
  ::std::string folder;                        // first folder of the save dialog
  ::std::string am = "1";                      // amplitude multiplier
  const StIDCalcResults* partial = nullptr;    // partial histograms of a biatomic grain
  const StData* gr = nullptr;                  // G(r) of diffraction
  double wavelength = 0;                       // Angs
  double binWidth = 0;                         // PDH bin width, Angs
  const StGrPrm* grPrm = nullptr;              // G(r) input record
};

// The "fityk" keys of the settings file <-> the record.
void applyFitSettings(StFitFormPrm& prm, const StSettings& s);
void storeFitSettings(const StFitFormPrm& prm, StSettings& s);

// A PDH run writes the histogram lists and a G(r) run the G(r) record while
// they run: the references are dropped when a run starts, so no window
// reads a result that a worker is filling. The completions set them again.
void pdhRunStarting(StFitFormPrm& prm);
void grRunStarting(StFitFormPrm& prm);

// "Fityk" in the main window: the data folder, and the numeric values of
// the bin-width and wavelength fields. A text that is not a number gives
// the conversion error and leaves the record unchanged (no window opens).
StCommandResult fitykCommand(StFitFormPrm& prm, const std::string& dataFolder, const std::string& binWidthText,
                             const std::string& lambdaText);

// What "Compare with experiment" reads from the main window.
struct StCompareTexts {
  std::string dataFolder;
  std::string grStart, grStop, grStep;  // Egrstart, Egrstop, Egrstep
  std::string radius;                   // Eradius
  std::string binWidth;                 // Ebinwidth
  std::string lambda;                   // Elam
};
// "Compare with experiment": the G(r) range into `grPrm` (the caller puts
// a new Lorch window into it), the data folder, max = twice the radius,
// bin width, wavelength and the G(r) input reference into the record.
// Every text is parsed first; the first that is not a number gives the
// conversion error and nothing changes.
StCommandResult compareCommand(StFitFormPrm& prm, StGrPrm& grPrm, const StCompareTexts& texts);

}  // namespace grainix
