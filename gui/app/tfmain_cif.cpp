// File -> "Build grain from CIF...": the dialog, the build and the
// structure controls set to the grain that was cut.
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>

#include "engine/io/file_header.h"
#include "gui/app/tfmain.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/grain/tfcif.h"

namespace grainix {

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void TFMain::MIbuildcifClick() {
  StCifBuildInput in = cifDialogStart(cifInput_, Eradius_->text().toStdString());
  const auto browse = [this](QWidget* parent, const QString& current) {
    const QString folder = current.isEmpty() ? dataDir_ : QString::fromStdString(folderOfPath(current.toStdString()));
    return presenter_->openFileName(parent, {folder, QString(), "cif", "CIF files (*.cif)|*.cif|All files (*)|*|"});
  };
  // A refused build (its box shown) opens the dialog again with what it
  // held, until a grain is built or the dialog is cancelled.
  while (TFcif::ask(this, in, browse)) {
    cifInput_ = in;
    if (buildCifGrain(in)) return;
  }
}

bool TFMain::buildCifGrain(const StCifBuildInput& in) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const StCifBuild b = buildFromCif(wb_, in, elementNames_);
  QApplication::restoreOverrideCursor();
  if (!b.elements.empty()) {
    // The grain replaced the previous one: the structure controls show it.
    // The lattice parameter first (it moves the radius by N), then the
    // radius (which moves N); the command's verdict comes last.
    setTextAsInput(Elp_, qs(b.latticeText));
    setTextAsInput(Eradius_, qs(b.radiusText));
    CBoxElemL_->setCurrentIndex(b.elementIndices[0]);
    CBoxElemR_->setCurrentIndex(b.elementIndices[b.elements.size() > 1 ? 1 : 0]);
    if (b.elements.size() == 2)
      RBbiatom_->click();
    else if (b.elements.size() == 1)
      RBmonoatom_->click();
    rememberDataFolder(qs(in.path));
  }
  applyResult(b.result);
  return b.result.ok;
}

}  // namespace grainix
