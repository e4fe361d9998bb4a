// The main window's commands of the fitting windows: "Fityk" and
// "Compare with experiment".
#include <QDir>
#include <QFileInfo>

#include "engine/calc/element_table.h"
#include "engine/fit/fit_form_prm.h"
#include "gui/app/tfmain.h"
#include "gui/calc/calc_panel.h"
#include "gui/fit/tfcmpexp.h"
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
  StCmpExpOptions o;
  o.settingsPath = settingsPath_;
  // The window's own copy of the element table: the one beside the
  // executable, else the one the main window read.
  const QString exeTable = QString::fromStdString(findFileNoCase(exeDir_.toStdString(), kScatteringFileName));
  o.elementTablePath = QFileInfo::exists(exeTable) ? exeTable : elementTablePath_;
  o.tempFolder = tmpDir_;
  o.home = QDir::homePath();
  TFcmpExp dialog(this, wb_.fitForm, o);
  dialog.exec();
}

}  // namespace grainix
