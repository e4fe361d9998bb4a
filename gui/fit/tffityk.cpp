#include "gui/fit/tffityk.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/fit/tfvlist.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/diagram_ui.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// "Fityk script(*.fit)|*.fit" -> "Fityk script(*.fit)".
QString realSaveFileName(QWidget* parent, const StFitykSaveDialog& d) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDirectory(qs(d.folder));
  dlg.setNameFilter(qs(d.filter).section('|', 0, 0));
  dlg.setDefaultSuffix(qs(d.ext));
  dlg.selectFile(qs(d.name));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  QString path = dlg.selectedFiles().front();
  if (QFileInfo(path).suffix().isEmpty()) path += "." + qs(d.ext);
  return path;
}

TDigitLabeledEdit* edit(const char* name, const QString& caption, QWidget* parent) {
  auto* e = new TDigitLabeledEdit(caption, parent);
  e->setObjectName(name);
  e->setMaximumWidth(90);
  return e;
}

}  // namespace

TFfityk::TFfityk(StFitFormPrm& prm, QWidget* owner, FitykUi ui) : QWidget(owner, Qt::Window), model_(prm), ui_(std::move(ui)) {
  setObjectName("Ffityk");
  setWindowTitle("Skrypt fityka");
  setAttribute(Qt::WA_DeleteOnClose);
  if (!ui_.message)
    ui_.message = [](QWidget* parent, const StMessage& m) { DiagramUi::instance().showMessage(parent, m); };
  if (!ui_.saveFileName) ui_.saveFileName = realSaveFileName;
  buildUi();

  const StCommandResult r = model_.opening();
  RBgr->setEnabled(model_.grEnabled());
  showControls();
  showResult(r);
}

void TFfityk::buildUi() {
  Elp = edit("Elp", "Latt. prm", this);
  Emin = edit("Emin", "min R", this);
  Emax = edit("Emax", "max R", this);
  Estd = edit("Estd", "std", this);
  Eam = edit("Eam", "am", this);

  RBpdh = new QRadioButton("PDH", this);
  RBpdh->setObjectName("RBpdh");
  RBgr = new QRadioButton("G(r)", this);
  RBgr->setObjectName("RBgr");
  auto* sources = new QButtonGroup(this);
  sources->addButton(RBpdh);
  sources->addButton(RBgr);

  CmB = new QComboBox(this);
  CmB->setObjectName("CmB");
  CmB->addItems({fitykFunctionItem(FitykFunction::Gaussian), fitykFunctionItem(FitykFunction::User0)});
  CmBtlo = new QComboBox(this);
  CmBtlo->setObjectName("CmBtlo");
  CmBtlo->addItems({fitykBackgroundItem(FitykBackground::Besel), fitykBackgroundItem(FitykBackground::Polynomial2)});
  ChBcprm = new QCheckBox("Wspolny parametr", this);
  ChBcprm->setObjectName("ChBcprm");
  ChBmnoz = new QCheckBox("Mnoznik amplitudy", this);
  ChBmnoz->setObjectName("ChBmnoz");

  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);

  BitBtn2 = new QPushButton("Lista", this);
  BitBtn2->setObjectName("BitBtn2");
  Bsave = new QPushButton("Bsave", this);
  Bsave->setObjectName("Bsave");
  Bclose = new QPushButton("Close", this);
  Bclose->setObjectName("Bclose");

  GBfiltr = new QGroupBox("Usuwanie nadmiarowych pików", this);
  GBfiltr->setObjectName("GBfiltr");
  CmBoxFiltr = new QComboBox(GBfiltr);
  CmBoxFiltr->setObjectName("CmBoxFiltr");
  CmBoxFiltr->addItems({"Ruchoma średnia", "pochodna"});
  En = edit("En", "En", GBfiltr);
  Ezakres = edit("Ezakres", "Zakres", GBfiltr);
  Ezakres->setReadOnly(true);  // shows En x bin width in Angs
  Bwykonaj = new QPushButton("Wykonaj", GBfiltr);
  Bwykonaj->setObjectName("Bwykonaj");
  Bpodglad = new QPushButton("Podglad", GBfiltr);
  Bpodglad->setObjectName("Bpodglad");
  Bpodglad->setEnabled(false);  // has no action

  // Layout: inputs on the left, the memo on the right, buttons below.
  auto* inputs = new QGridLayout;
  int row = 0;
  for (TDigitLabeledEdit* e : {Elp, Emin, Emax, Estd, Eam}) {
    inputs->addWidget(e->editLabel(), row, 0);
    inputs->addWidget(e, row, 1);
    ++row;
  }
  auto* radios = new QHBoxLayout;
  radios->addWidget(RBpdh);
  radios->addWidget(RBgr);
  radios->addStretch(1);
  inputs->addLayout(radios, row++, 0, 1, 2);
  auto* funcLabel = new QLabel("Funkcja", this);
  funcLabel->setBuddy(CmB);
  inputs->addWidget(funcLabel, row, 0);
  inputs->addWidget(CmB, row++, 1);
  auto* bgLabel = new QLabel("Tło", this);
  bgLabel->setBuddy(CmBtlo);
  inputs->addWidget(bgLabel, row, 0);
  inputs->addWidget(CmBtlo, row++, 1);
  inputs->addWidget(ChBcprm, row++, 0, 1, 2);
  inputs->addWidget(ChBmnoz, row++, 0, 1, 2);
  inputs->setRowStretch(row, 1);

  auto* filtr = new QGridLayout(GBfiltr);
  filtr->addWidget(CmBoxFiltr, 0, 0, 1, 4);
  filtr->addWidget(En->editLabel(), 1, 0);
  filtr->addWidget(En, 1, 1);
  filtr->addWidget(Ezakres->editLabel(), 1, 2);
  filtr->addWidget(Ezakres, 1, 3);
  filtr->addWidget(Bwykonaj, 2, 0, 1, 2);
  filtr->addWidget(Bpodglad, 2, 2, 1, 2);

  auto* top = new QHBoxLayout;
  top->addLayout(inputs);
  top->addWidget(Memo, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn2);
  buttons->addWidget(Bsave);
  buttons->addStretch(1);
  buttons->addWidget(Bclose);

  auto* v = new QVBoxLayout(this);
  v->addLayout(top, 1);
  v->addWidget(GBfiltr);
  v->addLayout(buttons);
  resize(520, 430);

  connect(RBpdh, &QRadioButton::clicked, this, &TFfityk::RBpdhClick);
  connect(RBgr, &QRadioButton::clicked, this, &TFfityk::RBgrClick);
  connect(CmB, &QComboBox::activated, this, &TFfityk::CmBChange);
  connect(CmBoxFiltr, &QComboBox::activated, this, &TFfityk::CmBoxFiltrChange);
  connect(En, &QLineEdit::textChanged, this, [this] {
    if (showing_) return;
    model_.controls.en = ss(En->text());
    model_.enChanged();
    Ezakres->setText(qs(model_.controls.zakres));
  });
  connect(En, &QLineEdit::editingFinished, this, [this] {
    model_.controls.en = ss(En->text());
    model_.enLeft();
    showControls();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &TFfityk::BitBtn2Click);
  connect(Bwykonaj, &QPushButton::clicked, this, &TFfityk::BwykonajClick);
  connect(Bsave, &QPushButton::clicked, this, &TFfityk::BsaveClick);
  connect(Bclose, &QPushButton::clicked, this, &QWidget::close);
}

void TFfityk::readControls() {
  StFitykControls& c = model_.controls;
  c.lp = ss(Elp->text());
  c.min = ss(Emin->text());
  c.max = ss(Emax->text());
  c.std = ss(Estd->text());
  c.am = ss(Eam->text());
  c.memo = ss(Memo->toPlainText());
  c.en = ss(En->text());
  c.zakres = ss(Ezakres->text());
  c.function = static_cast<FitykFunction>(std::max(0, CmB->currentIndex()));
  c.background = static_cast<FitykBackground>(std::max(0, CmBtlo->currentIndex()));
  c.filter = static_cast<FitykFilter>(std::max(0, CmBoxFiltr->currentIndex()));
  c.commonWidth = ChBcprm->isChecked();
  c.multiplier = ChBmnoz->isChecked();
}

void TFfityk::showControls() {
  showing_ = true;
  const StFitykControls& c = model_.controls;
  Elp->setText(qs(c.lp));
  Emin->setText(qs(c.min));
  Emax->setText(qs(c.max));
  Estd->setText(qs(c.std));
  Eam->setText(qs(c.am));
  if (Memo->toPlainText() != qs(c.memo)) Memo->setPlainText(qs(c.memo));
  En->setText(qs(c.en));
  Ezakres->setText(qs(c.zakres));
  CmB->setCurrentIndex(static_cast<int>(c.function));
  CmBtlo->setCurrentIndex(static_cast<int>(c.background));
  CmBoxFiltr->setCurrentIndex(static_cast<int>(c.filter));
  ChBcprm->setChecked(c.commonWidth);
  ChBmnoz->setChecked(c.multiplier);
  RBpdh->setChecked(c.source == FitykSource::Pdh);
  RBgr->setChecked(c.source == FitykSource::Gr);
  showing_ = false;
}

void TFfityk::showResult(const StCommandResult& r) {
  for (const StMessage& m : r.messages) ui_.message(this, m);
}

void TFfityk::RBpdhClick() {
  readControls();
  showResult(model_.choosePdh());
}

void TFfityk::RBgrClick() {
  readControls();
  showResult(model_.chooseGr());
}

void TFfityk::CmBChange(int index) {
  readControls();
  model_.functionChanged(static_cast<FitykFunction>(index));
  showControls();
}

void TFfityk::CmBoxFiltrChange(int index) { model_.controls.filter = static_cast<FitykFilter>(index); }

void TFfityk::BitBtn2Click() { TFvlist::edit(model_.peaks().x, model_.peaks().y, this); }

void TFfityk::BwykonajClick() {
  readControls();
  DiagramDesc d;
  const StCommandResult r = model_.preview(d);
  showResult(r);
  if (r.ok) lastDiagram_ = openDiagram(this, d);
}

void TFfityk::BsaveClick() {
  readControls();
  StCommandResult r = model_.saveCheck();
  if (!r.ok) return showResult(r);
  const QString path = ui_.saveFileName(this, model_.saveDialog());
  if (path.isEmpty()) return;
  showResult(model_.save(ss(path)));
}

}  // namespace grainix
