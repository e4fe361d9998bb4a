#pragma once
// The fityk window ("Skrypt fityka") as data: the texts and choices of its
// controls, the peak list taken from the PDH or from G(r), and its commands
// (choosing a source, the function box, the En field, "Wykonaj" and
// "Bsave"). The window binds its widgets to `controls` and applies what
// each command returns.
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/fit/fityk_script.h"
#include "engine/plot/diagram_desc.h"

namespace grainix {

enum class FitykSource { None, Pdh, Gr };
// Items of the filter box: "Ruchoma średnia" (moving average), "pochodna"
// (first derivative, Savitzky-Golay of degree 2).
enum class FitykFilter { MovingAverage = 0, Derivative = 1 };

inline constexpr const char* kFitykEmptyList =
    "Przed wygenerowaniem fityka musi byc zaznaczony jeden z radio buttonw: PDH lub G(r)";
inline constexpr const char* kFitykOpenFailed = "Couldn't open file";
inline constexpr const char* kFitykPartialPreview =
    "\"Wykonaj\" smooths the PDH of a monoatomic grain. This grain is biatomic: it has only partial "
    "histograms, so there is nothing to preview.";

// Texts and choices of the window's controls.
struct StFitykControls {
  std::string lp, min, max, std, am;  // Elp, Emin, Emax, Estd, Eam
  std::string memo;                   // Memo
  std::string en, zakres;             // En, Ezakres
  FitykSource source = FitykSource::None;
  FitykFunction function = FitykFunction::Gaussian;
  FitykBackground background = FitykBackground::Besel;
  bool commonWidth = false;  // "Wspolny parametr"
  bool multiplier = false;   // "Mnoznik amplitudy"
  FitykFilter filter = FitykFilter::MovingAverage;
};

// The save dialog of "Bsave".
struct StFitykSaveDialog {
  std::string folder;
  std::string name = "script";
  std::string ext = "fit";
  std::string filter = "Fityk script(*.fit)|*.fit";
};

class FitykModel {
 public:
  explicit FitykModel(StFitFormPrm& prm);

  StFitykControls controls;

  // Opening: the edits show the record, En gets its default, and the PDH
  // is chosen (and loaded) unless a G(r) exists, in which case no source
  // is chosen until the user picks one.
  StCommandResult opening();
  // "G(r)" is offered only when a G(r) existed at opening.
  bool grEnabled() const { return grEnabled_; }

  // Choosing a source replaces the peak list.
  StCommandResult choosePdh();
  StCommandResult chooseGr();

  // The function box: the memo is cleared and gets the template line.
  void functionChanged(FitykFunction f);
  // En edited: Ezakres follows as En x bin width (text that is not a whole
  // number leaves it). enLeft: an empty En gets its default back.
  void enChanged();
  void enLeft();

  // The peak list ("Lista" edits it in place).
  StPeakList& peaks() { return peaks_; }
  const StPeakList& peaks() const { return peaks_; }

  // "Wykonaj": the PDH smoothed (or differentiated) by the chosen kernel
  // of half size En, every bin included. On success `diagram` describes
  // the window to open; otherwise the messages say why and there is none.
  StCommandResult preview(DiagramDesc& diagram) const;

  // "Bsave" step 1: the refusal of an empty peak list.
  StCommandResult saveCheck() const;
  StFitykSaveDialog saveDialog() const;
  // The script of the current controls and peaks.
  StCommandResult script(std::string& text) const;
  // "Bsave" after the dialog: writes the script to `path` (through a
  // temporary file renamed into place) and stores Elp, Estd, the memo,
  // Emax and Emin back into the record.
  StCommandResult save(const std::string& path);

 private:
  std::string defaultEn() const;

  StFitFormPrm& prm_;
  StPeakList peaks_;
  bool grEnabled_ = false;
};

}  // namespace grainix
