#include "gui/fit/tfcmpexp.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QToolButton>

#include "engine/app/calc_commands.h"
#include "engine/calc/element_table.h"
#include "engine/core/format.h"
#include "engine/core/ini_file.h"
#include "engine/fit/cmp_exp.h"
#include "engine/fit/fitter_link.h"
#include "gui/calc/calc_events.h"
#include "gui/fit/tfvlist.h"
#include "gui/fit/thpipe.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/diagram_ui.h"

namespace grainix {

namespace {
CmpExpUi* installedUi = nullptr;
QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }
// The file-type filter of the data lists, by index of the filter box.
const char* const kListPatterns[] = {"*.dat", "*.xyz", "*"};
}  // namespace

void CmpExpUi::showMessage(QWidget* parent, const StMessage& message) { DiagramUi().showMessage(parent, message); }

QString CmpExpUi::openFileName(QWidget* parent, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

CmpExpUi& CmpExpUi::instance() {
  static CmpExpUi interactive;
  return installedUi ? *installedUi : interactive;
}

void CmpExpUi::setInstance(CmpExpUi* ui) { installedUi = ui; }

// ---------------------------------------------------------------- creation

TFcmpExp::TFcmpExp(QWidget* owner, StFitFormPrm& prm, StCmpExpOptions options)
    : QDialog(owner), prm_(prm), options_(std::move(options)) {
  setObjectName("TFcmpExp");
  setAttribute(Qt::WA_DeleteOnClose, false);
  buildUi();
  pipe_.pipeName = kPipeName;
  pipe_.ownerWnd = this;

  Emaxx_->setText(qs(fmtDefault(prm_.max)));
  if (prm_.grPrm) {
    Estart_->setText(qs(fmtDefault(prm_.grPrm->rStart)));
    Estep_->setText(qs(fmtDefault(prm_.grPrm->rStep)));
    Estop_->setText(qs(fmtDefault(prm_.grPrm->rStop)));
  }
  Elam_->setText(qs(fmtDefault(prm_.wavelength)));
  loadElementTable();
  readSettings();

  connect(DirListBox_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    setDataFolder(QDir(currentDir_).absoluteFilePath(item->text()));
  });
  connect(FileListBox_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) chooseFile(item->text());
  });
  connect(FilterComboBox_, &QComboBox::currentIndexChanged, this, [this] {
    EfileName_->setText(kListPatterns[std::max(0, FilterComboBox_->currentIndex())]);
    fileChosen_ = false;
    refreshLists();
    updateEnabling();
  });
  connect(Bbrowse_, &QPushButton::clicked, this, [this] {
    const QString f = CmpExpUi::instance().openFileName(
        this, currentDir_, "Data files (*.dat);;Data files (*.xyz);;All files (*)");
    if (f.isEmpty()) return;
    const QFileInfo info(f);
    setDataFolder(info.absolutePath());
    chooseFile(info.fileName());
  });
  connect(Bplot_, &QPushButton::clicked, this, &TFcmpExp::BplotClick);
  connect(Bgr_, &QPushButton::clicked, this, &TFcmpExp::BgrClick);
  connect(Bgrgraph_, &QToolButton::clicked, this, &TFcmpExp::BgrgraphClick);
  connect(RBpdh_, &QRadioButton::clicked, this, &TFcmpExp::RBpdhClick);
  connect(RBfile_, &QRadioButton::clicked, this, &TFcmpExp::RBfileClick);
  connect(Bshowpeaks_, &QPushButton::clicked, this, &TFcmpExp::BshowpeaksClick);
  connect(Bstart_, &QPushButton::clicked, this, &TFcmpExp::BstartClick);
  connect(Bfitplot_, &QPushButton::clicked, this, &TFcmpExp::BfitplotClick);
  for (QCheckBox* c : {ChBgr_, Chbres_, ChBsc_}) connect(c, &QCheckBox::toggled, this, &TFcmpExp::updateEnabling);
  connect(RBbi_, &QRadioButton::toggled, this, &TFcmpExp::updateEnabling);
  connect(CmBtlo_, &QComboBox::currentIndexChanged, this, &TFcmpExp::updateEnabling);
  updateEnabling();
  resize(1100, 680);
}

TFcmpExp::~TFcmpExp() { shutdown(); }

void TFcmpExp::loadElementTable() {
  std::vector<std::string> names;
  loadScatteringTable(ss(options_.elementTablePath), table_, &names);
  for (const std::string& n : names) {
    CBoxElemL_->addItem(qs(n));
    CBoxElemR_->addItem(qs(n));
  }
  CBoxElemL_->setCurrentIndex(-1);
  CBoxElemR_->setCurrentIndex(-1);
}

void TFcmpExp::readSettings() {
  IniFile ini(ss(options_.settingsPath));
  ini.load();
  const StCmpExpSettings s = readCmpExpSettings(ini, ss(options_.home));
  if (s.laMono >= 0 && s.laMono < CBoxElemL_->count()) CBoxElemL_->setCurrentIndex(s.laMono);
  En_->setText(qs(s.n));
  const QString dir = qs(s.pathDataExp);
  setDataFolder(QDir(dir).exists() ? dir : options_.home);
}

void TFcmpExp::writeSettings() {
  if (options_.settingsPath.isEmpty()) return;
  IniFile ini(ss(options_.settingsPath));
  ini.load();
  writeCmpExpSettings(ini, {ss(currentDir_), CBoxElemL_->currentIndex(), ss(En_->text())});
  ini.save();
}

// ---------------------------------------------------------------- lists

void TFcmpExp::setDataFolder(const QString& folder) {
  currentDir_ = QDir(folder).absolutePath();
  Ldir_->setText(currentDir_);
  fileChosen_ = false;
  refreshLists();
  updateEnabling();
}

void TFcmpExp::refreshLists() {
  const QSignalBlocker b1(DirListBox_), b2(FileListBox_);
  DirListBox_->clear();
  FileListBox_->clear();
  QDir dir(currentDir_);
  if (!dir.isRoot()) DirListBox_->addItem("..");
  DirListBox_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
  const int f = std::max(0, FilterComboBox_->currentIndex());
  FileListBox_->addItems(dir.entryList({kListPatterns[f]}, QDir::Files, QDir::Name));
}

void TFcmpExp::chooseFile(const QString& name) {
  EfileName_->setText(name);
  fileChosen_ = true;
  const QList<QListWidgetItem*> items = FileListBox_->findItems(name, Qt::MatchExactly);
  if (!items.isEmpty() && FileListBox_->currentItem() != items.front()) {
    const QSignalBlocker b(FileListBox_);
    FileListBox_->setCurrentItem(items.front());
  }
  updateEnabling();
}

QString TFcmpExp::chosenPath() const { return QDir(currentDir_).filePath(EfileName_->text()); }

// ---------------------------------------------------------------- enabling

void TFcmpExp::updateEnabling() {
  RBpdh_->setEnabled(prm_.pdh || prm_.partial);
  Bplot_->setEnabled(fileChosen_);
  Bstart_->setEnabled(running_ || (fileChosen_ && peaksExist_));
  Bshowpeaks_->setEnabled(peaksExist_);
  Bfitplot_->setEnabled(!running_ && !results_.empty());
  Bgrgraph_->setEnabled(pattern_.count > 0);
  GBgr_->setEnabled(ChBgr_->isChecked());
  GBatomsel_->setEnabled(ChBgr_->isChecked());
  CBoxElemR_->setEnabled(RBbi_->isChecked());
  const bool background = CmBtlo_->currentIndex() != kBackgroundNone;
  for (QLineEdit* e : {Eta_, Etb_, Etc_}) e->setEnabled(background);
  Elogfilename_->setEnabled(Chbres_->isChecked());
  ChBs_->setEnabled(ChBsc_->isChecked());
  ChBw_->setEnabled(ChBsc_->isChecked());
}

void TFcmpExp::showBoxes(const std::vector<StMessage>& messages) {
  for (const StMessage& m : messages) CmpExpUi::instance().showMessage(this, m);
}

void TFcmpExp::appendMemo(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) Memo_->appendPlainText(qs(l));
}

QStringList TFcmpExp::memoLines() const { return Memo_->toPlainText().split('\n'); }

// ---------------------------------------------------------------- data commands

bool TFcmpExp::readChosenFile(StData& data) {
  StExpRead r = readExperimentalFile(ss(chosenPath()));
  showBoxes(r.result.messages);
  if (!r.result.ok) return false;
  data = std::move(r.data);
  return true;
}

void TFcmpExp::BplotClick() {
  StData data;
  if (!readChosenFile(data)) return;
  openDiagram(this, experimentalDiagram(data, ss(EfileName_->text())));
}

void TFcmpExp::BgrClick() {
  StData data;
  if (!readChosenFile(data)) return;
  const int el = CBoxElemL_->currentIndex();
  if (el < 0 || el >= static_cast<int>(table_.size())) {
    showBoxes({{MessageKind::Error, "ERROR", kAtomsNotSelected}});
    return;
  }
  showBoxes(experimentalS(data, table_[static_cast<size_t>(el)], ss(En_->text()), pattern_).messages);
  updateEnabling();
}

void TFcmpExp::BgrgraphClick() {
  if (pattern_.count == 0) return;
  openDiagram(this, experimentalSDiagram(pattern_, ss(EfileName_->text())));
}

void TFcmpExp::setPeaks(std::vector<double> positions, std::vector<double> heights) {
  positions_ = std::move(positions);
  heights_ = std::move(heights);
  peaksExist_ = !positions_.empty();
  updateEnabling();
}

void TFcmpExp::RBpdhClick() {
  std::vector<double> x, y;
  if (approximatePeaksFromPdh(prm_, x, y)) setPeaks(std::move(x), std::move(y));
}

void TFcmpExp::RBfileClick() {
  const QString f = CmpExpUi::instance().openFileName(this, currentDir_, "Peaks positions (*.txt)");
  if (f.isEmpty()) return;
  std::vector<double> x = positions_, y = heights_;
  const StCommandResult r = readPeaksFile(ss(f), x, y);
  showBoxes(r.messages);
  if (r.ok) setPeaks(std::move(x), std::move(y));
}

void TFcmpExp::BshowpeaksClick() {
  TFvlist::edit(positions_, heights_, this, nullptr,
                [](QWidget* parent, const StMessage& m) { CmpExpUi::instance().showMessage(parent, m); });
  peaksExist_ = !positions_.empty();
  updateEnabling();
}

// ---------------------------------------------------------------- fitting

QString TFcmpExp::configPath() const { return QDir(options_.tempFolder).filePath(kFitConfigName); }
QString TFcmpExp::pipePath() const { return QDir(options_.tempFolder).filePath(qs(pipe_.pipeName)); }

void TFcmpExp::BstartClick() {
  if (running_)
    stopFit();
  else
    startFit();
}

void TFcmpExp::startFit() {
  StFitConfigInput in;
  in.maxIter = ss(Emaxiter_->text());
  in.epsAbs = ss(Eepsabs_->text());
  in.epsRel = ss(Eepsrel_->text());
  in.sigma = ss(Esigma_->text());
  in.mode = CmBmode_->currentIndex();
  in.background = CmBtlo_->currentIndex();
  in.aMult = ss(Eav_->text());
  in.b = ss(Ebv_->text());
  in.c = ss(Ecv_->text());
  in.ta = ss(Eta_->text());
  in.tb = ss(Etb_->text());
  in.tc = ss(Etc_->text());
  in.positions = positions_;
  in.heights = heights_;
  const StFitConfig cfg = fitConfigText(in);
  if (!cfg.result.ok) {
    showBoxes(cfg.result.messages);
    return;
  }
  QDir().mkpath(options_.tempFolder);
  if (!writeFitConfigFile(ss(configPath()), cfg.text)) {
    showBoxes({{MessageKind::Error, "ERROR", kConfigNotCreated}});
    return;
  }
  QThread::msleep(100);

  StFitOptions o;
  o.showResults = ChBs_->isEnabled() && ChBs_->isChecked();
  o.gnuplot = ChBg_->isChecked();
  o.waitKey = ChBw_->isEnabled() && ChBw_->isChecked();
  o.uLM = CmBmeth_->currentText() == "uLM";
  const std::string log = Chbres_->isChecked() ? ss(Elogfilename_->text()) : std::string();
  const StFitCommand cmd = fitCommandLine(o, ss(pipePath()), ss(configPath()), ss(chosenPath()), log);
  const std::string program = options_.fitterProgram.isEmpty()
                                  ? findProgram(kFitterProgram, ss(QCoreApplication::applicationDirPath()))
                                  : ss(options_.fitterProgram);
  thread_.reset();  // the previous run's thread, if it is still ending
  const int error = spawnDetached(program, cmd.args, !ChBsc_->isChecked());
  if (error != 0) {
    showBoxes({{MessageKind::Error, "ERROR", "command: " + cmd.text + " failed, code error: " + std::to_string(error)}});
    return;
  }
  runFile_ = EfileName_->text();
  runMode_ = CmBmode_->currentText();
  runBackground_ = in.background;
  running_ = true;
  Bstart_->setText("STOP");
  updateEnabling();
  thread_ = std::make_unique<ThPipe>(this, &pipe_, ss(pipePath()), ++serial_, options_.pipeTiming);
}

void TFcmpExp::stopFit() {
  // Removing the socket's name ends the wait for the fitter; a connected
  // fitter's exchange ends at the thread's next read.
  QFile::remove(pipePath());
  if (thread_) thread_->requestStop();
  restoreStart();
}

void TFcmpExp::restoreStart() {
  running_ = false;
  Bstart_->setText("START");
  updateEnabling();
}

bool TFcmpExp::event(QEvent* e) {
  if (e->type() == calcEventType(kMsgDiffractionDone)) {
    if (const auto* done = dynamic_cast<const CalcDoneEvent*>(e)) {
      pipeDone(done->param(), done->serial());
      return true;
    }
  }
  return QDialog::event(e);
}

void TFcmpExp::pipeDone(int lParam, quint64 serial) {
  if (!thread_ || thread_->serial() != serial) return;  // a run that was replaced
  thread_->awaitResults();
  const StPipeExchange exchange = thread_->exchange();
  thread_.reset();
  restoreStart();
  showBoxes(exchange.messages);
  if (lParam == 0) return;
  StFitResultsView view = fitResultsView(pipe_.text, ss(runMode_), ss(runFile_), runBackground_);
  appendMemo(view.memo);
  if (!view.ok) return;
  results_ = std::move(view.functions);
  updateEnabling();
  if (ChBshowdata_->isChecked()) BfitplotClick();
}

void TFcmpExp::BfitplotClick() {
  int ppu = 0;
  double xmax = 0;
  if (!parseInt(ss(Eppu_->text()), ppu)) {
    showBoxes({{MessageKind::ConversionError, "Error", "'" + ss(Eppu_->text()) + "' is not a valid integer value"}});
    return;
  }
  if (!parseDouble(ss(Emaxx_->text()), xmax)) {
    StCommandResult r;
    r.conversionError(ss(Emaxx_->text()));
    showBoxes(r.messages);
    return;
  }
  const StFitCurve c = fitCurve(results_, ppu, xmax);
  if (c.x.empty()) {
    showBoxes({{MessageKind::Error, "ERROR", "point per unit  times stop  gives fewer than 2 points"}});
    return;
  }
  openDiagram(this, fitDiagram(c.x, c.y, fitDiagramNo_++, colorIndex_++));
}

// ---------------------------------------------------------------- closing

void TFcmpExp::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  thread_.reset();
  writeSettings();
}

void TFcmpExp::closeEvent(QCloseEvent* e) {
  shutdown();
  QDialog::closeEvent(e);
}

void TFcmpExp::done(int r) {
  shutdown();
  QDialog::done(r);
}

}  // namespace grainix
