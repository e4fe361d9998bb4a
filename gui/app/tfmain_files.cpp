// The File menu of the main window: open and save commands with their
// dialogs, and the effects of the readers on the controls.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

#include "engine/app/read_grain.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/app/tfmain.h"
#include "gui/app/tfwait.h"
#include "gui/calc/calc_panel.h"

#include "engine/plot/diagram_desc.h"
#include "gui/plot/diagram_open.h"

namespace grainix {

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// The wait window's gauge is driven by its own timer; the reader's progress
// only lets the window repaint between rows.
class RepaintProgress : public ProgressSink {
 public:
  void setMaximum(int64_t) override {}
  void setPosition(int64_t) override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
  void setVisible(bool) override {}
};
}  // namespace

StFileTexts TFMain::fileTexts() const {
  StFileTexts t;
  t.header.latticeText = ss(Elp_->text());
  t.header.radiusText = ss(Eradius_->text());
  t.header.structure = wb_.generator ? wb_.generator->name : std::string();
  // A grain cut from a CIF file has its own shape; the shape buttons belong
  // to the structure group's lattices.
  t.header.sphere = wb_.generator && wb_.generator->kind == kindCif ? wb_.grainPrm.sphere : RBsphere_->isChecked();
  t.header.modified = wb_.generator && wb_.generator->modified;
  t.header.elementL = ss(CBoxElemL_->currentText());
  t.header.elementR = ss(CBoxElemR_->currentText());
  t.header.biatomic = CBoxElemR_->isEnabled();
  t.header.loadedAtoms = wb_.loadedAtoms;
  t.comment = ss(Ecomment_->text());
  t.binWidth = ss(panelText("Ebinwidth", qs(settings_.tol)));
  t.lambda = ss(panelText("Elam", QString()));
  t.k = ss(panelText("Ek", qs(settings_.K)));
  t.step = ss(panelText("Edphi", qs(settings_.diffStep)));
  t.angleAbscissa = panelChecked("RBangle", settings_.deg);
  t.sOrdinate = panelChecked("RBs", settings_.sori);
  return t;
}

void TFMain::rememberDataFolder(const QString& path) {
  const std::string folder = folderOfPath(ss(path));
  if (!folder.empty()) dataDir_ = qs(folder);
}

QString TFMain::askOpen(const QString& ext, const QString& filter) {
  return presenter_->openFileName(this, {dataDir_, QString(), ext, filter});
}

QString TFMain::askSave(const QString& name, const QString& ext, const QString& filter) {
  return withDefaultExtension(presenter_->saveFileName(this, {dataDir_, name, ext, filter}), ext);
}

void TFMain::applyHeaderToControls(const StHeaderInfo& h) {
  // Setting a field's text and checking a button run their handlers, as
  // the user's input does.
  setTextAsInput(Elp_, qs(h.latticeText));
  setTextAsInput(Eradius_, qs(h.radiusText));
  // In the order the interlocks allow: a sphere enables "monoatomic" again,
  // the element count enables the structures it allows (and picks one),
  // the file's structure then enables the cylinder.
  if (h.sphere) RBsphere_->click();
  (h.biatomic ? RBbiatom_ : RBmonoatom_)->click();
  if (QAbstractButton* b = structureGroup_->button(h.structureTag)) b->click();
  if (!h.sphere) RBcylind_->click();
  // The elements the file names, without the lattice constant and
  // structure that picking an element from the list would bring.
  const auto showElement = [](QComboBox* box, const std::string& symbol) {
    const QSignalBlocker block(box);
    const int index = box->findText(qs(symbol), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
      box->setCurrentIndex(index);
    else
      box->setEditText(qs(symbol));
  };
  if (!h.atoms.empty()) showElement(CBoxElemL_, h.atoms[0]);
  if (h.atoms.size() > 1) showElement(CBoxElemR_, h.atoms[1]);
}

// ---------------------------------------------------------------- readers

bool TFMain::openNodesPath(const QString& path) {
  ++wb_.generation;
  wb_.currentIsModified = false;
  StReadTarget target{wb_.ideal, wb_.generator, wb_.loadedAtoms, wb_.sections, wb_.grainPrm};
  TFwait wait(this);
  wait.show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  RepaintProgress progress;
  StNodesLoad load = loadNodesFile(ss(path), target, knownSymbols_, &progress);
  wait.close();
  if (load.hasHeader) applyHeaderToControls(load.header);
  if (load.commentRead) Ecomment_->setText(qs(load.comment));
  if (load.setRadius) {
    structureGroup_->button(structSc)->click();
    setTextAsInput(Eradius_, qs(load.radiusText));
  }
  // The field handlers above disable the commands of a new size; the
  // reader's verdict comes last.
  if (load.result.ok) {
    // The grain parameters of the loaded grain (Modify works on its
    // radius), its atoms grouped by element.
    const StReadGrain grain = adoptReadGrain(wb_, load, table_);
    load.result.log.insert(load.result.log.end() - 1, grain.log.begin(), grain.log.end());
  }
  applyResult(load.result);
  return load.result.ok;
}

bool TFMain::openHistogramPath(const QString& path) {
  ++wb_.generation;
  StReadTarget target{wb_.ideal, wb_.generator, wb_.loadedAtoms, wb_.sections, wb_.grainPrm};
  StHistogramLoad load = loadHistogramFile(ss(path), target, wb_.pdh, wb_.partial, knownSymbols_);
  if (load.result.ok) {
    wb_.pdhAtoms = load.atoms;
    applyHeaderToControls(load.header);
    setPanelText("Ebinwidth", qs(load.binWidthText));
    Ecomment_->setText(qs(load.comment));
    // Partial histograms are a biatomic grain's (the structure stays the file's).
    if (load.biatomic && !RBbiatom_->isChecked()) RBbiatom_->click();
  }
  applyResult(load.result);
  if (load.result.ok && panelChecked("ChBtuzpo", false)) {
    if (auto* b = findChild<QAbstractButton*>("BGraf"); b && b->isEnabled()) b->click();
  }
  return load.result.ok;
}

bool TFMain::openDiffractionPath(const QString& path) {
  ++wb_.generation;
  StReadTarget target{wb_.ideal, wb_.generator, wb_.loadedAtoms, wb_.sections, wb_.grainPrm};
  StDiffractionLoad load = loadDiffractionFile(ss(path), target, wb_.pattern);
  if (load.result.ok) {
    applyHeaderToControls(load.header);
    setPanelText("Elam", qs(load.lambdaText));
    setPanelText("Edphi", qs(load.stepText));
    Ecomment_->setText(qs(load.comment));
    setPanelChecked(load.angleAbscissa ? "RBangle" : "RBq", true);
    setPanelChecked(load.sOrdinate ? "RBs" : "RBi", true);
    // Only the two columns of the file can be chosen.
    if (calcPanel_) calcPanel_->syncUnits();
  }
  applyResult(load.result);
  return load.result.ok;
}

bool TFMain::openSectionsPath(const QString& path) {
  ++wb_.generation;
  StReadTarget target{wb_.ideal, wb_.generator, wb_.loadedAtoms, wb_.sections, wb_.grainPrm};
  StSectionsLoad load = loadSectionsFile(ss(path), target);
  if (load.result.ok) applyHeaderToControls(load.header);
  applyResult(load.result);
  return load.result.ok;
}

void TFMain::MIopennodesClick() {
  if (!mayChangeWorkbench("Open nodes file")) return;
  const QString path = askOpen("ndl", "Files (*.ndl)|*.ndl|Files(*.xyz)|*.xyz|Files(*.at)|*.at|");
  if (path.isEmpty()) return;
  wb_.currentIsModified = false;
  openNodesPath(path);
  rememberDataFolder(path);
}

void TFMain::MIopenhistClick() {
  if (!mayChangeWorkbench("Open histogram file")) return;
  const QString path = askOpen("his", "Histogram files (*.his)|*.his|");
  if (path.isEmpty()) return;
  openHistogramPath(path);
  rememberDataFolder(path);
}

void TFMain::MIopendiffClick() {
  if (!mayChangeWorkbench("Open diffraction file")) return;
  const QString path = askOpen("diff", "Difraction files (*.diff)|*.diff|");
  if (path.isEmpty()) return;
  openDiffractionPath(path);
  rememberDataFolder(path);
}

void TFMain::MIopensecClick() {
  if (!mayChangeWorkbench("Open sections file")) return;
  const QString path = askOpen("sct", "Sections files (*.sct)|*.sct|");
  if (path.isEmpty()) return;
  openSectionsPath(path);
  rememberDataFolder(path);
}

void TFMain::Openexperimentalfile1Click() {
  if (!mayChangeWorkbench("Open experimental file")) return;
  const QString path = askOpen("dat", "Experimental files (*.dat)|*.dat|");
  if (path.isEmpty()) return;
  StExperimentalLoad load = loadExperimentalFile(ss(path));
  applyResult(load.result);
  if (load.result.ok) {
    ++expCounter_;
    DiagramDesc desc;
    SeriesDesc series;
    series.x = load.data.x;
    series.y = load.data.y;
    series.color = diagramRgb(128, 0, 0);  // maroon
    series.style = kStylePoint;
    series.penWidth = 2;
    series.title = "exp. data " + std::to_string(expCounter_);
    if (!series.x.empty()) desc.series.push_back(std::move(series));
    desc.margins = DiagramMargins{80, 60, 60, 60};
    desc.axisXTitle = "rij";
    desc.axisYTitle = "delta rij";
    desc.precision = 5;
    desc.digits = 5;
    desc.graphTitle = load.graphTitle;
    desc.caption = "exp. data " + std::to_string(expCounter_);
    openDiagram(this, desc);
  }
  rememberDataFolder(path);
}

// ---------------------------------------------------------------- writers

void TFMain::MIsavenodesClick() {
  const QString path = askSave("nodesList", "ndl", "Nodes files (*.ndl)|*.ndl|Nodes files (*.xyz)|*.xyz|");
  if (path.isEmpty()) return;
  // The sorted layouts reorder the list they write. While a calculation
  // reads the grain's list, a copy is sorted and written instead.
  const NodesLayout layout = nodesLayoutForPath(ss(path));
  const bool sorts = layout == NodesLayout::Nds || layout == NodesLayout::Ndm;
  StCommandResult res;
  if (sorts && calcPanel_ && calcPanel_->calculationRunning()) {
    vGrainNodes copy = wb_.current();
    res = saveNodesFile(ss(path), copy, fileTexts());
  } else {
    res = saveNodesFile(ss(path), wb_.current(), fileTexts());
  }
  for (const StMessage& m : res.messages) presenter_->message(this, m);
  // The listing lines follow whatever the writer reported (a failure's
  // reason first).
  StCommandResult lines;
  lines.log = res.log;
  for (const std::string& l : savedNodesLogLines(ss(path))) lines.log.push_back(l);
  applyResult(lines);
  rememberDataFolder(path);
}

void TFMain::MIsavehistogramClick() {
  const QString path = askSave("histogram", "his", "Histogram files (*.his)|*.his|");
  if (path.isEmpty()) return;
  applyResult(saveHistogramFile(ss(path), wb_.pdh, wb_.partial, RBbiatom_->isChecked(), fileTexts()));
  rememberDataFolder(path);
}

void TFMain::MIsavediffClick() {
  const QString path = askSave("diffractionPattern", "diff", "Diffraction pattern files (*.diff)|*.diff|");
  if (path.isEmpty()) return;
  applyResult(saveDiffractionFile(ss(path), wb_.pattern, fileTexts()));
  rememberDataFolder(path);
}

void TFMain::MIsavegrClick() {
  const QString path = askSave("grPattern", "grp", "G(r) pattern files (*.grp)|*.grp|");
  if (path.isEmpty()) return;
  applyResult(saveGrFile(ss(path), wb_.gr, fileTexts()));
  rememberDataFolder(path);
}

void TFMain::MIsekcjeClick() {
  const QString path = askSave("sectionsList", "sct", "Sections files (*.sct)|*.sct|");
  if (path.isEmpty()) return;
  applyResult(saveSectionsFile(ss(path), wb_.sections, fileTexts()));
  rememberDataFolder(path);
}

void TFMain::MIsaveDeltaClick() {
  const QString path = askSave("deltaRijR", "dij", "Delta (r-rij)/r files (*.dij)|*.dij|");
  if (path.isEmpty()) return;
  // delta(r) bins live in the PDH list after a delta(r) run.
  applyResult(saveDeltaFile(ss(path), wb_.pdh, fileTexts()));
  rememberDataFolder(path);
}

void TFMain::MIsaveallClick() {
  const QString path = askSave("results", "res", "Result files(*.res)|*.res|");
  if (path.isEmpty()) return;
  std::string folder;
  applyResult(saveAll(ss(path), wb_.current(), wb_.pdh, wb_.partial, RBbiatom_->isChecked(), wb_.pattern,
                      wb_.sections, fileTexts(), &folder));
  if (!folder.empty()) dataDir_ = qs(folder);
}

}  // namespace grainix
