#include "gui/grain/tfcif.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace grainix {

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }

QRadioButton* radio(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QRadioButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& text) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  return e;
}
}  // namespace

TFcif::TFcif(QWidget* parent, const StCifBuildInput& in, Browse browse) : QDialog(parent), browse_(std::move(browse)) {
  setObjectName("Fcif");
  setWindowTitle("Build grain from CIF");
  setModal(true);
  auto* lay = new QVBoxLayout(this);

  auto* form = new QFormLayout();
  auto* fileRow = new QHBoxLayout();
  Ecif = edit(this, "Ecif", qs(in.path));
  Ecif->setMinimumWidth(320);
  Bcifbrowse = new QPushButton("...", this);
  Bcifbrowse->setObjectName("Bcifbrowse");
  Bcifbrowse->setToolTip("Choose a CIF file");
  fileRow->addWidget(Ecif, 1);
  fileRow->addWidget(Bcifbrowse);
  form->addRow("CIF file", fileRow);
  Ecifradius = edit(this, "Ecifradius", qs(in.radiusText));
  form->addRow("Radius (Angs)", Ecifradius);
  lay->addLayout(form);

  auto* shape = new QGroupBox("shape", this);
  auto* shapeLay = new QGridLayout(shape);
  RBcifsphere = radio(shape, "RBcifsphere", "sphere");
  RBcifcylinder = radio(shape, "RBcifcylinder", "cylinder, axis along z");
  Ecifheight = edit(shape, "Ecifheight", qs(in.heightText));
  shapeLay->addWidget(RBcifsphere, 0, 0);
  shapeLay->addWidget(RBcifcylinder, 1, 0);
  shapeLay->addWidget(new QLabel("Height (Angs)", shape), 1, 1);
  shapeLay->addWidget(Ecifheight, 1, 2);
  (in.cylinder ? RBcifcylinder : RBcifsphere)->setChecked(true);
  lay->addWidget(shape);

  auto* centre = new QGroupBox("centre", this);
  auto* centreLay = new QVBoxLayout(centre);
  RBcifatom = radio(centre, "RBcifatom", "first atom site of the file");
  RBciforigin = radio(centre, "RBciforigin", "cell origin");
  centreLay->addWidget(RBcifatom);
  centreLay->addWidget(RBciforigin);
  (in.centreOnAtom ? RBcifatom : RBciforigin)->setChecked(true);
  lay->addWidget(centre);

  auto* cut = new QGroupBox("cut", this);
  auto* cutLay = new QVBoxLayout(cut);
  RBcifbyatom = radio(cut, "RBcifbyatom", "atom by atom");
  RBcifmotif = radio(cut, "RBcifmotif", "whole motifs of the lattice points (stoichiometric)");
  cutLay->addWidget(RBcifbyatom);
  cutLay->addWidget(RBcifmotif);
  (in.motif ? RBcifmotif : RBcifbyatom)->setChecked(true);
  lay->addWidget(cut);

  auto* seedForm = new QFormLayout();
  Ecifseed = edit(this, "Ecifseed", qs(in.seedText));
  Ecifseed->setToolTip("Seed of the draws of partly occupied positions");
  seedForm->addRow("Seed (partial occupancy)", Ecifseed);
  lay->addLayout(seedForm);

  auto* buttons = new QDialogButtonBox(this);
  Bcifok = buttons->addButton("Build", QDialogButtonBox::AcceptRole);
  Bcifok->setObjectName("Bcifok");
  Bcifok->setDefault(true);
  Bcifcancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  Bcifcancel->setObjectName("Bcifcancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  lay->addWidget(buttons);

  for (QLineEdit* e : {Ecif, Ecifradius, Ecifheight}) connect(e, &QLineEdit::textChanged, this, &TFcif::updateRules);
  connect(RBcifcylinder, &QRadioButton::toggled, this, &TFcif::updateRules);
  connect(Bcifbrowse, &QPushButton::clicked, this, [this] {
    if (!browse_) return;
    const QString chosen = browse_(this, Ecif->text());
    if (!chosen.isEmpty()) Ecif->setText(chosen);
  });
  updateRules();
}

void TFcif::updateRules() {
  const StCifDialogRules r = cifDialogRules(input());
  Ecifheight->setEnabled(r.heightEnabled);
  Bcifok->setEnabled(r.buildEnabled);
}

StCifBuildInput TFcif::input() const {
  StCifBuildInput in;
  in.path = Ecif->text().toStdString();
  in.radiusText = Ecifradius->text().toStdString();
  in.cylinder = RBcifcylinder->isChecked();
  in.heightText = Ecifheight->text().toStdString();
  in.centreOnAtom = RBcifatom->isChecked();
  in.motif = RBcifmotif->isChecked();
  in.seedText = Ecifseed->text().toStdString();
  return in;
}

bool TFcif::ask(QWidget* parent, StCifBuildInput& in, Browse browse) {
  TFcif dialog(parent, in, std::move(browse));
  if (dialog.exec() != QDialog::Accepted) return false;
  in = dialog.input();
  return true;
}

}  // namespace grainix
