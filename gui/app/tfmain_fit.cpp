// The main window's commands of the fitting windows: "Fityk" and
// "Compare with experiment".
#include "engine/fit/fit_form_prm.h"
#include "gui/app/tfmain.h"
#include "gui/calc/calc_panel.h"
#include "gui/fit/tffityk.h"

namespace grainix {

void TFMain::MIfitykClick() {
  const StCommandResult r =
      fitykCommand(wb_.fitForm, dataDir_.toStdString(), panelText("Ebinwidth", "0.001").toStdString(),
                   panelText("Elam", "").toStdString());
  if (!r.ok) return applyResult(r);
  FitykUi ui;
  ui.message = [this](QWidget* parent, const StMessage& m) { presenter_->message(parent, m); };
  ui.saveFileName = [this](QWidget* parent, const StFitykSaveDialog& d) {
    return presenter_->saveFileName(parent, {QString::fromStdString(d.folder), QString::fromStdString(d.name),
                                             QString::fromStdString(d.ext), QString::fromStdString(d.filter)});
  };
  auto* w = new TFfityk(wb_.fitForm, this, std::move(ui));
  w->show();
}

void TFMain::MIcmpexpClick() {
  if (!calcPanel_ || !calcPanel_->prepareComparison(wb_.fitForm, dataDir_)) return;
  notAvailable("The compare-with-experiment window");
}

}  // namespace grainix
