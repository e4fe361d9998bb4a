#pragma once
// fityk scripts: the peak list taken from a PDH, from partial histograms or
// from the peaks of G(r), and the script that defines one peak function per
// point in an x range, a background and their sum as the model to fit.
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"

namespace grainix {

// The items of the function box ("Funkcja") and the background box ("Tło").
enum class FitykFunction { Gaussian = 0, User0 = 1 };
enum class FitykBackground { Besel = 0, Polynomial2 = 1 };
const char* fitykFunctionItem(FitykFunction f);      // "Gaussian", "user0"
const char* fitykBackgroundItem(FitykBackground b);  // "Besel", "Polynomial2"
// The function type the script calls. fityk takes only CamelCase type
// names, so the user function is defined and called as "User0".
const char* fitykTypeName(FitykFunction f);

// The peak list: positions and amplitudes of equal length.
struct StPeakList {
  std::vector<double> x, y;
};

// Every bin of a monoatomic PDH with a non-zero count and r < max: x = r,
// y = count. None when max is 0.
StPeakList peaksFromPdh(const PdhList& pdh, double max);
// Bins of the partial histograms while r < max: the three counts summed;
// bins where the sum is 0 are skipped.
StPeakList peaksFromPartial(const StIDCalcResults& partial, double max);
// 10^-floor(log10 largest), held in single precision; 1 when largest <= 0.
float amplitudeFactor(double largest);
// Multiplies every amplitude by the factor of the largest, so that it lies
// in [1, 10).
void scaleAmplitudes(std::vector<double>& y);

// Local maxima of G(r) (y[i] >= both neighbours, i = 1 .. n-2) lying more
// than kGrPeakSpacing beyond the previous accepted peak (at first x[0]).
// Empty when there is none.
inline constexpr double kGrPeakSpacing = 0.1;
StPeakList peaksFromGr(const StData& gr);
inline constexpr const char* kGrNoPeaks = "blad kopiowania";

// The window's inputs the script is written from.
struct StFitykScriptInput {
  bool fromPdh = true;  // "PDH" checked; otherwise the header names "PDF"
  std::string min = "0", max = "10", lp = "1", std = "0.1", am = "1";  // Emin Emax Elp Estd Eam
  std::string memo;     // written for the user function
  FitykFunction function = FitykFunction::Gaussian;
  FitykBackground background = FitykBackground::Besel;
  bool commonWidth = false;  // "Wspolny parametr"
  bool multiplier = false;   // "Mnoznik amplitudy"
};

// The script text with "\n" line ends and "." decimals. Peak i (a list
// index) is written for the points from the first with x >= min while
// x < max: "%g<i>= <type>(height=~<am*y/x>, center=<x/lp>*$lp, <width>)".
// Numbers are written with 6 significant digits. A field that is not a
// number gives the conversion error (Emax, Elp, Estd, Eam, Emin in this
// order); lp = 0 and a point whose height or centre is not finite are
// refused with an error box. `text` is set only on success.
StCommandResult fitykScript(const StFitykScriptInput& in, const StPeakList& peaks, std::string& text);

}  // namespace grainix
