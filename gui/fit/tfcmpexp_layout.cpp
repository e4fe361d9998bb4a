// The controls of the compare window: two pages, "General settings" and
// "Additional settings", and the File menu.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/fit/fitter_link.h"
#include "gui/fit/tfcmpexp.h"

namespace grainix {

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

QLineEdit* edit(const char* name, const QString& text, QWidget* parent) {
  auto* e = named(new QLineEdit(text, parent), name);
  e->setMaximumWidth(110);
  return e;
}

QGroupBox* group(const char* name, const QString& title, QWidget* parent) {
  return named(new QGroupBox(title, parent), name);
}

}  // namespace

void TFcmpExp::buildUi() {
  setWindowTitle("Compare to experiment");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  auto* bar = named(new QMenuBar(this), "MainMenu1");
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  QAction* close = file->addAction("Close");
  close->setObjectName("Close1");
  connect(close, &QAction::triggered, this, &QDialog::close);
  top->setMenuBar(bar);

  pages_ = named(new QTabWidget(this), "PageControl1");
  pages_->addTab(buildGeneralPage(), "General settings");
  pages_->addTab(buildAdditionalPage(), "Additional settings");
  top->addWidget(pages_);
}

QWidget* TFcmpExp::buildGeneralPage() {
  auto* page = named(new QWidget, "TabSheet1");
  auto* cols = new QHBoxLayout(page);

  // ---- left: data, G(r), atoms
  auto* left = new QVBoxLayout;
  cols->addLayout(left, 5);

  QGroupBox* data = group("GBexpdata", "Experimental data", page);
  auto* dl = new QVBoxLayout(data);
  Ldir_ = named(new QLabel(data), "Ldir");
  Ldir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Ldir_->setWordWrap(true);
  dl->addWidget(Ldir_);
  auto* lists = new QHBoxLayout;
  DirListBox_ = named(new QListWidget(data), "DirListBox");
  FileListBox_ = named(new QListWidget(data), "FileListBox");
  DirListBox_->setToolTip("folders: double-click to open");
  lists->addWidget(DirListBox_);
  lists->addWidget(FileListBox_);
  dl->addLayout(lists, 1);
  FilterComboBox_ = named(new QComboBox(data), "FilterComboBox1");
  FilterComboBox_->addItems({"Data files (*.dat)", "Data files (*.xyz)", "All files (*.*)"});
  dl->addWidget(FilterComboBox_);
  auto* nameRow = new QHBoxLayout;
  EfileName_ = named(new QLineEdit("*.dat", data), "EfileName");
  Bbrowse_ = named(new QPushButton("Browse...", data), "Bbrowse");
  Bplot_ = named(new QPushButton("Plot", data), "Bplot");
  nameRow->addWidget(EfileName_, 1);
  nameRow->addWidget(Bbrowse_);
  nameRow->addWidget(Bplot_);
  dl->addLayout(nameRow);
  left->addWidget(data, 1);

  ChBgr_ = named(new QCheckBox("convert diffraction pattern to G(r)", page), "ChBgr");
  ChBgr_->setChecked(true);
  left->addWidget(ChBgr_);

  auto* grRow = new QHBoxLayout;
  GBgr_ = group("GBgr", "G(r) parameters", page);
  auto* gf = new QFormLayout(GBgr_);
  Estart_ = edit("Estart", "", GBgr_);
  Estep_ = edit("Estep", "", GBgr_);
  Estop_ = edit("Estop", "", GBgr_);
  Elam_ = edit("Elam", "", GBgr_);
  En_ = edit("En", "1e4", GBgr_);
  En_->setToolTip("Aproximated number of atoms");
  gf->addRow("start", Estart_);
  gf->addRow("step", Estep_);
  gf->addRow("stop", Estop_);
  gf->addRow("l=", Elam_);
  gf->addRow("N", En_);
  auto* grButtons = new QHBoxLayout;
  Bgr_ = named(new QPushButton("Calculate G(r)", GBgr_), "Bgr");
  Bgrgraph_ = named(new QToolButton(GBgr_), "Bgrgraph");
  Bgrgraph_->setText("S");
  Bgrgraph_->setToolTip("PDF diagram");
  grButtons->addWidget(Bgr_);
  grButtons->addWidget(Bgrgraph_);
  gf->addRow(grButtons);
  grRow->addWidget(GBgr_);

  GBatomsel_ = group("GBatomsel", "Atoms selection", page);
  auto* al = new QVBoxLayout(GBatomsel_);
  RBmono_ = named(new QRadioButton("monoatomic lattice", GBatomsel_), "RBmono");
  RBbi_ = named(new QRadioButton("biatomic lattice", GBatomsel_), "RBbi");
  RBmono_->setChecked(true);
  CBoxElemL_ = named(new QComboBox(GBatomsel_), "CBoxElemL");
  CBoxElemR_ = named(new QComboBox(GBatomsel_), "CBoxElemR");
  al->addWidget(RBmono_);
  al->addWidget(RBbi_);
  al->addWidget(CBoxElemL_);
  al->addWidget(CBoxElemR_);
  al->addStretch(1);
  grRow->addWidget(GBatomsel_);
  left->addLayout(grRow);

  // ---- right: fitting
  auto* right = new QVBoxLayout;
  cols->addLayout(right, 6);
  auto* fitRow = new QHBoxLayout;
  QGroupBox* fitPrm = group("GBfitprm", "Fitting parameters", page);
  auto* ff = new QFormLayout(fitPrm);
  Emaxiter_ = edit("Emaxiter", "1e3", fitPrm);
  Eepsabs_ = edit("Eepsabs", "1e-3", fitPrm);
  Eepsrel_ = edit("Eepsrel", "1e-3", fitPrm);
  CmBmeth_ = named(new QComboBox(fitPrm), "CmBmeth");
  CmBmeth_->addItems({"LM", "uLM"});
  Esigma_ = edit("Esigma", "0.125", fitPrm);
  ff->addRow("Max. Iter.", Emaxiter_);
  ff->addRow("eps. abs", Eepsabs_);
  ff->addRow("eps. rel", Eepsrel_);
  ff->addRow("method", CmBmeth_);
  ff->addRow("sigma", Esigma_);
  fitRow->addWidget(fitPrm);

  QGroupBox* bg = group("GBbackground", "Background parameters", page);
  auto* bf = new QFormLayout(bg);
  CmBtlo_ = named(new QComboBox(bg), "CmBtlo");
  for (const char* item : kFitBackgrounds) CmBtlo_->addItem(item);
  CmBtlo_->setCurrentIndex(kBackgroundPoly2);
  Eta_ = edit("Eta", "-20", bg);
  Etb_ = edit("Etb", "80", bg);
  Etc_ = edit("Etc", "60", bg);
  bf->addRow("type of  background", CmBtlo_);
  bf->addRow("a ", Eta_);
  bf->addRow("b ", Etb_);
  bf->addRow("c ", Etc_);
  fitRow->addWidget(bg);
  right->addLayout(fitRow);

  QGroupBox* peak = group("GBpeak", "Peak parameters", page);
  auto* pf = new QFormLayout(peak);
  CmBmode_ = named(new QComboBox(peak), "CmBmode");
  for (const char* item : kFitModes) CmBmode_->addItem(item);
  CmBmode_->setCurrentIndex(2);
  CmBpeek_ = named(new QComboBox(peak), "CmBpeek");
  CmBpeek_->addItems({"Gaussian", "Sinc", "Lorentz"});
  Eav_ = edit("Eav", "10", peak);
  Eav_->setToolTip("a multiplier");
  Ebv_ = edit("Ebv", "1", peak);
  Ecv_ = edit("Ecv", "0.125", peak);
  pf->addRow("Mode", CmBmode_);
  pf->addRow("type of peak", CmBpeek_);
  auto* abc = new QHBoxLayout;
  for (auto [label, e] : {std::pair{"a mult. ", Eav_}, {"b ", Ebv_}, {"c ", Ecv_}}) {
    abc->addWidget(new QLabel(label, peak));
    abc->addWidget(e);
  }
  abc->addStretch(1);
  pf->addRow(abc);
  right->addWidget(peak);

  auto* approxRow = new QHBoxLayout;
  QGroupBox* approx = group("GBaprox", "Aproximated parameters of peaks", page);
  auto* xl = new QHBoxLayout(approx);
  RBpdh_ = named(new QRadioButton("based on PDH", approx), "RBpdh");
  RBfile_ = named(new QRadioButton("from file", approx), "RBfile");
  Bshowpeaks_ = named(new QPushButton("Show/Modify", approx), "Bshowpeaks");
  xl->addWidget(RBpdh_);
  xl->addWidget(RBfile_);
  xl->addWidget(Bshowpeaks_);
  approxRow->addWidget(approx, 1);
  Bstart_ = named(new QPushButton("START", page), "Bstart");
  Bstart_->setMinimumHeight(40);
  Bstart_->setMinimumWidth(90);
  QFont bold = Bstart_->font();
  bold.setBold(true);
  Bstart_->setFont(bold);
  Bfitplot_ = named(new QPushButton("Fit diagram", page), "Bfitplot");
  Bfitplot_->setToolTip("diagram of the fitted functions");
  Bfitplot_->setMinimumHeight(40);
  approxRow->addWidget(Bstart_);
  approxRow->addWidget(Bfitplot_);
  right->addLayout(approxRow);

  Memo_ = named(new QPlainTextEdit(page), "Memo");
  Memo_->setReadOnly(true);
  Memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  right->addWidget(Memo_, 1);
  return page;
}

QWidget* TFcmpExp::buildAdditionalPage() {
  auto* page = named(new QWidget, "TabSheet2");
  auto* l = new QVBoxLayout(page);
  ChBsc_ = named(new QCheckBox("show console window", page), "ChBsc");
  ChBsc_->setChecked(true);
  ChBs_ = named(new QCheckBox("show results in console window after calculations", page), "ChBs");
  ChBg_ = named(new QCheckBox("show data in \"Gnuplot\"", page), "ChBg");
  ChBw_ = named(new QCheckBox("hold visible console after calculations until keyboard hit", page), "ChBw");
  l->addWidget(ChBsc_);
  l->addWidget(ChBs_);
  l->addWidget(ChBg_);
  l->addWidget(ChBw_);
  auto* res = new QHBoxLayout;
  Chbres_ = named(new QCheckBox("save results to file", page), "Chbres");
  Elogfilename_ = named(new QLineEdit("logfile.txt", page), "Elogfilename");
  Elogfilename_->setMaximumWidth(220);
  res->addWidget(Chbres_);
  res->addWidget(Elogfilename_);
  res->addStretch(1);
  l->addLayout(res);
  ChBshowdata_ = named(new QCheckBox("show fitting data after calculations", page), "ChBshowdata");
  l->addWidget(ChBshowdata_);
  auto* form = new QFormLayout;
  Eppu_ = edit("Eppu", "51", page);
  Emaxx_ = edit("Emaxx", "", page);
  form->addRow("point per unit ", Eppu_);
  form->addRow("stop ", Emaxx_);
  l->addLayout(form);
  l->addStretch(1);
  return page;
}

}  // namespace grainix
