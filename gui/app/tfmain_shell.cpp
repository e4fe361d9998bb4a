// The shell side of the main window: start-up, settings, the log commands,
// the diagram windows, dropped files, completion messages and closing.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTime>
#include <QUrl>

#include "engine/app/parameters_report.h"
#include "engine/app/startup.h"
#include "engine/calc/element_table.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/io/readers.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/app/tfmain.h"
#include "gui/calc/calc_panel.h"
#include "gui/plot/tfdiagram.h"


namespace grainix {

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// Completion messages of the calculation threads.
constexpr int kDiffractionDone = 32771;
constexpr int kGrDone = 32772;
constexpr int kPdhDone = 32788;
}  // namespace

// ------------------------------------------------------------- start-up

void TFMain::startUp(const StMainOptions& options) {
  workingDir_ = options.workingDir.isEmpty() ? QDir::currentPath() : options.workingDir;
  const QString exe = options.exePath.isEmpty() ? QCoreApplication::applicationFilePath() : options.exePath;
  exeDir_ = QFileInfo(exe).absolutePath();
  env_ = StSettingsEnv::current();
  env_.workDir = ss(workingDir_);
  settingsPath_ = options.settingsPath.isEmpty() ? qs(settingsFilePath(ss(exe))) : options.settingsPath;
  tmpDir_ = qs(env_.defaultTmp());
  // Diagram windows keep their keys in the same file and use the temp
  // folder as this window holds it.
  diagramSettings_ = std::make_unique<MainDiagramSettings>(ss(settingsPath_), [this] { return ss(tmpDir_); });
  TFdiagram::setDefaultSettings(diagramSettings_.get());

  loadElementTable();
  loadSettingsFile();
  structureGroup_->button(structZincBlende)->setText(RBmonoatom_->isChecked() ? "diamond like" : "zinc blende");
  wb_.currentIsModified = false;

  bool loaded = false;
  const std::string arg = ss(options.commandLineFile);
  switch (commandLineFileKind(arg)) {
    case StartupFileKind::Nodes: loaded = openNodesPath(options.commandLineFile); break;
    case StartupFileKind::Histogram: loaded = openHistogramPath(options.commandLineFile); break;
    case StartupFileKind::None: break;
  }
  if (!loaded && !memo_->isVisibleTo(this)) setMemoVisible(false);
}

void TFMain::loadElementTable() {
  ++wb_.generation;
  const std::string path = locateElementTable(ss(workingDir_), ss(exeDir_));
  table_.clear();
  elementNames_.clear();
  knownSymbols_.clear();
  if (path.empty() || !loadScatteringTable(path, table_, &elementNames_)) {
    elementTablePath_.clear();
    presenter_->message(this, {MessageKind::Error, "ERROR", kScatteringFileMissing});
  } else {
    elementTablePath_ = qs(path);
    knownSymbols_ = readKnownSymbols(path);
    appendLog("element table: " + elementTablePath_);
  }
  fillElementBoxes();
}

// ------------------------------------------------------------- settings

QString TFMain::panelText(const char* name, const QString& fallback) const {
  if (auto* e = findChild<QLineEdit*>(name)) return e->text();
  if (auto* c = findChild<QComboBox*>(name)) return c->currentText();
  return panelTexts_.value(name, fallback);
}

void TFMain::setPanelText(const char* name, const QString& text) {
  if (auto* e = findChild<QLineEdit*>(name)) {
    const_cast<TFMain*>(this)->setTextAsInput(e, text);
    return;
  }
  panelTexts_[name] = text;
}

bool TFMain::panelChecked(const char* name, bool fallback) const {
  if (auto* b = findChild<QAbstractButton*>(name)) return b->isChecked();
  return panelChecks_.value(name, fallback);
}

void TFMain::setPanelChecked(const char* name, bool checked) {
  if (auto* b = findChild<QAbstractButton*>(name)) {
    // Checking a button runs its click handler, as a user's click does.
    if (b->isChecked() != checked) b->click();
    if (b->isChecked() != checked) b->setChecked(checked);
    return;
  }
  panelChecks_[name] = checked;
}

void TFMain::applySettings(const StSettings& s) {
  settings_ = s;
  // Grain inputs; the G(r) stop first takes the radius (the gr keys follow).
  setPanelText("Egrstop", qs(s.rgrain));
  setTextAsInput(Eradius_, qs(s.rgrain));
  if (CBoxGR_->currentText() == qs(s.boxlp))
    emit CBoxGR_->editTextChanged(qs(s.boxlp));
  else
    CBoxGR_->setEditText(qs(s.boxlp));
  setTextAsInput(Elp_, qs(s.latconst));
  // N and the lattice parameter, applied after the radius, recompute it
  // with five digits: the radius and N come back as they were closed.
  syncing_ = true;
  Eradius_->setText(qs(s.rgrain));
  CBoxGR_->setEditText(qs(s.boxlp));
  syncing_ = false;
  inputs_.radiusText = s.rgrain;
  inputs_.nText = s.boxlp;
  if (s.rbmono)
    RBmonoatom_->click();
  else
    RBbiatom_->click();
  {
    const QSignalBlocker b1(CBoxElemL_), b2(CBoxElemR_);
    if (s.emono >= 0 && s.emono < CBoxElemL_->count()) CBoxElemL_->setCurrentIndex(s.emono);
    if (s.ebi >= 0 && s.ebi < CBoxElemR_->count()) CBoxElemR_->setCurrentIndex(s.ebi);
  }
  wb_.stackingSequence = s.seq;
  // Diffraction inputs.
  // K as typed (lambda follows it), then the anode index without its handler.
  setPanelText("Ek", qs(s.K));
  if (calcPanel_ && calcPanel_->CBoxXray) {
    const int xray = s.xray >= 0 && s.xray < calcPanel_->CBoxXray->count() ? s.xray : calcPanel_->CBoxXray->currentIndex();
    calcPanel_->restoreRadiation(xray, calcPanel_->Elam->text(), calcPanel_->Ek->text());
  }
  setPanelText("Estart", qs(s.diffStart));
  setPanelText("Estop", qs(s.diffStop));
  setPanelText("Edphi", qs(s.diffStep));
  setPanelChecked(s.sori ? "RBs" : "RBi", true);
  setPanelChecked(s.deg ? "RBangle" : "RBq", true);
  setPanelChecked("ChBshowpattern", s.diffShowGraph);
  // Folders and options.
  dataDir_ = qs(s.dataDir);
  rastopDir_ = qs(s.pathRastop);
  Ecomment_->setText(qs(s.comm));
  tmpDir_ = qs(s.pathTmp);
  priority_ = s.priority;
  MIrmtmpfiles_->setChecked(s.remTmpFiles);
  setMemoVisible(s.memovis);
  // PDH and G(r) inputs.
  setPanelText("Ebinwidth", qs(s.tol));
  setPanelChecked("ChBtuzpo", s.pdfShowGraph);
  setPanelText("Egrstep", qs(s.grStep));
  setPanelText("Egrstart", qs(s.grStart));
  setPanelText("Egrstop", qs(s.grStop));
  setPanelChecked("ChBoxGrGraph", s.grShowGraph);
  // The queue keeps its texts in the workbench; the fityk settings live
  // in the fit-form record the fityk window edits.
  wb_.queue.fileHead = s.fileHeader;
  wb_.queue.folder = s.folderPath;
  wb_.queue.description = s.desc;
  applyFitSettings(wb_.fitForm, s);
  // Structure and shape last; a tag that matches no button checks nothing.
  if (QAbstractButton* b = structureGroup_->button(s.type)) b->click();
  if (QAbstractButton* b = shapeGroup_->button(s.shape)) b->click();
}

void TFMain::loadSettingsFile() {
  StSettingsLoad load = grainix::loadSettings(ss(settingsPath_), env_);
  for (const StMessage& m : load.result.messages) presenter_->message(this, m);
  saveSettingsAtClose_ = load.saveAtClose;
  applySettings(load.values);
}

StSettings TFMain::currentSettings() const {
  StSettings s = settings_;
  s.rgrain = ss(Eradius_->text());
  s.latconst = ss(Elp_->text());
  s.boxlp = ss(CBoxGR_->currentText());
  s.rbmono = RBmonoatom_->isChecked();
  s.emono = CBoxElemL_->currentIndex();
  s.ebi = CBoxElemR_->currentIndex();
  s.seq = wb_.stackingSequence;
  s.tol = ss(panelText("Ebinwidth", qs(s.tol)));
  s.pdfShowGraph = panelChecked("ChBtuzpo", s.pdfShowGraph);
  s.sori = panelChecked("RBs", s.sori);
  s.deg = panelChecked("RBangle", s.deg);
  s.K = ss(panelText("Ek", qs(s.K)));
  if (auto* x = findChild<QComboBox*>("CBoxXray")) s.xray = x->currentIndex();
  s.diffStep = ss(panelText("Edphi", qs(s.diffStep)));
  s.diffStart = ss(panelText("Estart", qs(s.diffStart)));
  s.diffStop = ss(panelText("Estop", qs(s.diffStop)));
  s.diffShowGraph = panelChecked("ChBshowpattern", s.diffShowGraph);
  s.grStep = ss(panelText("Egrstep", qs(s.grStep)));
  s.grStart = ss(panelText("Egrstart", qs(s.grStart)));
  s.grStop = ss(panelText("Egrstop", qs(s.grStop)));
  s.grShowGraph = panelChecked("ChBoxGrGraph", s.grShowGraph);
  s.dataDir = ss(dataDir_);
  s.pathTmp = ss(tmpDir_);
  s.pathRastop = ss(rastopDir_);
  s.memovis = MIshowmemo_->isChecked();
  s.remTmpFiles = MIrmtmpfiles_->isChecked();
  s.comm = ss(Ecomment_->text());
  s.priority = priority_;
  s.fileHeader = wb_.queue.fileHead;
  s.folderPath = wb_.queue.folder;
  s.desc = wb_.queue.description;
  storeFitSettings(wb_.fitForm, s);
  s.type = structureGroup_->checkedId();
  s.shape = shapeGroup_->checkedId();
  return s;
}

bool TFMain::saveSettingsFile() {
  const StCommandResult res = grainix::saveSettings(ss(settingsPath_), currentSettings());
  for (const StMessage& m : res.messages) presenter_->message(this, m);
  return res.ok;
}

// --------------------------------------------------------- log commands

void TFMain::listNodes(vGrainNodes& nodes) {
  listing_.showAll = MIviewall_->isChecked();
  listing_.sortByR = MISort_->isChecked();
  // Sorting reorders the grain's own list, which a running diffraction reads.
  if (listing_.sortByR) {
    if (!mayChangeWorkbench("Sorted listing")) return;
    ++wb_.generation;
  }
  appendLines(nodeListing(nodes, listing_));
}

void TFMain::MItemNodesClick() { listNodes(wb_.current()); }

void TFMain::MItemnodesbaseClick() { listNodes(baseNodes_); }

void TFMain::MItemUstalzClick() {
  QString value = qs(planeZText(listing_.planeZ));
  presenter_->inputText(this, "Value of z component ", QString::fromUtf8("wartość składowej z"), value);
  applyResult(setPlaneZ(ss(value), listing_.planeZ));
}

void TFMain::MIclearClick() {
  memo_->clear();
  memoHasLines_ = false;
}

void TFMain::MIshowcprmClick() {
  std::vector<std::string> report;
  appendParametersReport(wb_, calcPanel_->inputs(), report);
  appendLines(currentParametersLines(report));
}

void TFMain::Font1Click() {
  QFont f = memo_->font();
  if (presenter_->chooseFont(this, f)) memo_->setFont(f);
}

void TFMain::MISaveMemoClick() {
  const std::string path = memoDumpPath(ss(dataDir_), std::time(nullptr));
  applyResult(grainix::saveMemo(path, [this] {
    std::vector<std::string> lines;
    for (const QString& l : logLines()) lines.push_back(ss(l));
    return lines;
  }()));
}

void TFMain::setMemoVisible(bool visible) {
  memo_->setVisible(visible);
  MIshowmemo_->setChecked(visible);
  Bshowmemo_->setText(showMemoCaption(visible));
  const int leftW = leftScroll_->minimumWidth();
  const int logW = std::max(memo_->width(), 480);
  const int w = mainWindowWidth(leftW, logW, visible);
  if (!visible) {
    setMinimumWidth(0);
    resize(w, height());
  } else {
    resize(std::max(w, width()), height());
  }
}

void TFMain::MIshowmemoClick() { setMemoVisible(!memo_->isVisibleTo(this)); }

std::vector<QWidget*> TFMain::diagramWindows() const {
  std::vector<QWidget*> out;
  for (QObject* c : children())
    if (auto* w = qobject_cast<QWidget*>(c); w && w->isWindow() && w->inherits("grainix::TFdiagram"))
      out.push_back(w);
  return out;
}

namespace {
std::vector<QWidget*> childDiagrams(QWidget* parent) {
  std::vector<QWidget*> out;
  for (QObject* c : parent->children())
    if (auto* w = qobject_cast<QWidget*>(c); w && w->isWindow() && w->inherits("grainix::TFdiagram"))
      out.push_back(w);
  return out;
}

void placeWindow(QWidget* w, const StWindowRect& r) {
  w->setWindowState(Qt::WindowNoState);
  w->setMinimumSize(0, 0);
  w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  // The left and top edges are those of the frame, as the desktop places windows.
  w->resize(r.width, r.height);
  w->move(r.left, r.top);
}

void stackChildren(QWidget* parent, const StWindowRect& rect) {
  int i = 0;
  for (QWidget* child : childDiagrams(parent)) {
    const StWindowRect r = stackedChildRect(rect, i++);
    placeWindow(child, r);
    child->show();
    stackChildren(child, r);
  }
}
}  // namespace

void TFMain::MIdisperseClick() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QSize size = screen ? screen->size() : QSize(1200, 900);
  const auto windows = diagramWindows();
  const auto rects = disperseDiagrams(size.width(), size.height(), static_cast<int>(windows.size()));
  for (size_t i = 0; i < windows.size(); ++i) {
    placeWindow(windows[i], rects[i]);
    windows[i]->show();
    stackChildren(windows[i], rects[i]);
  }
}

void TFMain::MIshowallClick() {
  for (QWidget* w : diagramWindows()) {
    w->show();
    w->raise();
  }
}

void TFMain::MIDiagramssendbackClick() {
  show();
  raise();
  activateWindow();
}

void TFMain::MIclosediagramsClick() {
  const auto windows = diagramWindows();  // closing removes a window from the list
  for (QWidget* w : windows) w->close();
}

void TFMain::Threadpriority1Click() {
  int p = priority_;
  if (presenter_->choosePriority(this, p)) priority_ = p;
}

void TFMain::Autor2Click() {
  presenter_->message(this, {MessageKind::Information, "Author", aboutText(__DATE__)});
}

void TFMain::MItmpdirClick() {
  const QString f = presenter_->chooseFolder(this, tmpDir_);
  if (!f.isEmpty()) tmpDir_ = f;
}

void TFMain::MIpathRasmolClick() {
  const QString f = presenter_->chooseFolder(this, rasmolDir_);
  if (!f.isEmpty()) rasmolDir_ = f;
}

void TFMain::MIpathrastopClick() {
  const QString f = presenter_->chooseFolder(this, rastopDir_);
  if (!f.isEmpty()) rastopDir_ = f;
}

void TFMain::MIpathtoncovertClick() {
  IniFile ini(ss(settingsPath_));
  ini.load();
  const QString start = qs(ini.readString("aux", "path_nconv", env_.home));
  const QString f = presenter_->chooseFolder(this, start);
  if (f.isEmpty()) return;
  applyResult(writeSettingNow(ss(settingsPath_), "aux", "path_nconv", ss(f)));
}

// ------------------------------------------------------ events and close

bool TFMain::mayChangeWorkbench(const char* command) {
  return !calcPanel_ || calcPanel_->mayChangeWorkbench(command);
}

void TFMain::filesDropped(const QStringList& paths) {
  std::vector<std::string> files;
  for (const QString& p : paths) files.push_back(ss(p));
  const auto file = droppedNodesFile(files);
  if (!file) return;
  if (!mayChangeWorkbench("Dropped file")) return;
  wb_.currentIsModified = false;
  openNodesPath(qs(*file));
  rememberDataFolder(qs(*file));
}

void TFMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFMain::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& u : event->mimeData()->urls())
    if (u.isLocalFile()) paths << u.toLocalFile();
  event->acceptProposedAction();
  filesDropped(paths);
}

bool TFMain::event(QEvent* e) {
  const int t = static_cast<int>(e->type());
  if (t == kDiffractionDone || t == kGrDone || t == kPdhDone) {
    // The calculation panel owns the threads and takes their results over.
    if (calcPanel_) calcPanel_->handleCompletion(e);
    return true;
  }
  return QMainWindow::event(e);
}

void TFMain::closeEvent(QCloseEvent* event) {
  // Stop and await the worker threads before their results go.
  if (calcPanel_) calcPanel_->stopAndAwaitThreads();
  wb_.pattern.release();
  wb_.gr.release();
  if (MIrmtmpfiles_->isChecked()) removeTempFiles(ss(tmpDir_));
  // A settings file that could not be read at start-up stays as it is.
  if (saveSettingsAtClose_) saveSettingsFile();
  event->accept();
}

}  // namespace grainix
