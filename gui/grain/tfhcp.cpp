#include "gui/grain/tfhcp.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/grain/sqq_file.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/grain/hcp_ui.h"
#include "gui/grain/stacking_picture.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QColor colourOf(SequenceColour c) {
  switch (c) {
    case SequenceColour::Red: return {255, 0, 0};
    case SequenceColour::Green: return {0, 128, 0};
    case SequenceColour::Black: break;
  }
  return Qt::black;
}

void setTextColour(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Text, c);
  pal.setColor(QPalette::WindowText, c);
  w->setPalette(pal);
}

// Read-only displays are plain fields; numbers typed go into the numeric
// field of the custom controls.
QLineEdit* makeEdit(QWidget* parent, const char* name, bool readOnly = false) {
  QLineEdit* e = readOnly ? new QLineEdit(parent) : new TDigitLabeledEdit(parent);
  e->setObjectName(name);
  e->setReadOnly(readOnly);
  if (readOnly) {
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, QColor(236, 236, 236));
    e->setPalette(pal);
  }
  e->setMaximumWidth(110);
  return e;
}

}  // namespace

TFhcp::TFhcp(QWidget* parent, std::string& sequence, const QString& dataFolder, vGrainNodes& ideal, StGrainPrm& prm)
    : TFhcp(parent, StackingModel::Mode::Build, sequence, dataFolder, &ideal, prm) {}

TFhcp::TFhcp(QWidget* parent, std::string& sequence, StGrainPrm& prm, const QString& dataFolder)
    : TFhcp(parent, StackingModel::Mode::Edit, sequence, dataFolder, nullptr, prm) {}

TFhcp::TFhcp(QWidget* parent, StackingModel::Mode mode, std::string& sequence, const QString& dataFolder,
             vGrainNodes* ideal, StGrainPrm& prm)
    : QDialog(parent),
      model_(std::make_unique<StackingModel>(mode, sequence, prm)),
      prm_(prm),
      ideal_(ideal),
      dataFolder_(dataFolder) {
  setObjectName("TFhcp");
  setWindowTitle("Create hcp structure");
  setModal(true);
  setAttribute(Qt::WA_DeleteOnClose, false);
  build();
  updating_ = true;
  Ess->setText(qs(model_->sequenceText()));
  updating_ = false;
  showDisplays();
}

TFhcp::~TFhcp() = default;

void TFhcp::build() {
  auto* top = new QVBoxLayout(this);

  Image = new StackingPicture(this);
  top->addWidget(Image);

  // Sequence, its transition string and lengths.
  auto* seqBox = new QGroupBox(this);
  seqBox->setObjectName("GBsequence");
  auto* sg = new QGridLayout(seqBox);
  auto* seqCaption = new QLabel("layers sequence (only A,B and C letters are allowed)", seqBox);
  Ess = new QLineEdit(seqBox);
  Ess->setObjectName("Ess");
  Ess->setAcceptDrops(false);
  Ess->setContextMenuPolicy(Qt::CustomContextMenu);
  Ess->installEventFilter(this);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  Ess->setFont(mono);
  Epm = new QLineEdit(seqBox);
  Epm->setObjectName("Epm");
  Epm->setReadOnly(true);
  Epm->setFont(mono);
  Epm->setFocusPolicy(Qt::NoFocus);
  seqCaption->setBuddy(Ess);
  sg->addWidget(seqCaption, 0, 0, 1, 4);
  sg->addWidget(Ess, 1, 0, 1, 4);
  sg->addWidget(new QLabel("transitions", seqBox), 2, 0, 1, 4);
  sg->addWidget(Epm, 3, 0, 1, 4);
  sg->addWidget(new QLabel("Number of layers:", seqBox), 4, 0);
  Lstacksize = new QLabel(seqBox);
  Lstacksize->setObjectName("Lstacksize");
  sg->addWidget(Lstacksize, 4, 1);
  Lminsize = new QLabel(seqBox);
  Lminsize->setObjectName("Lminsize");
  Lminsizeval = new QLabel(seqBox);
  Lminsizeval->setObjectName("Lminsizeval");
  sg->addWidget(Lminsize, 4, 2, Qt::AlignRight);
  sg->addWidget(Lminsizeval, 4, 3);
  sg->setColumnStretch(1, 1);
  sg->setColumnStretch(3, 1);
  top->addWidget(seqBox);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  PopupMenu->addAction("Load sequence from file", this, &TFhcp::loadSequenceClick)->setObjectName("MIload");
  PopupMenu->addAction("Save sequence to file", this, &TFhcp::saveSequenceClick)->setObjectName("MIsave");
  connect(Ess, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu->popup(Ess->mapToGlobal(at)); });

  // Layer geometry.
  auto* geo = new QGroupBox("layer geometry", this);
  geo->setObjectName("GBgeometry");
  auto* gg = new QGridLayout(geo);
  Elhcpa = makeEdit(geo, "Elhcpa", true);
  Elhcpc = makeEdit(geo, "Elhcpc");
  Eca = makeEdit(geo, "Eca");
  Eclp = makeEdit(geo, "Eclp", true);
  gg->addWidget(new QLabel("hcp l.p. a", geo), 0, 0);
  gg->addWidget(Elhcpa, 0, 1);
  gg->addWidget(new QLabel("hcp l.p. c", geo), 0, 2);
  gg->addWidget(Elhcpc, 0, 3);
  gg->addWidget(new QLabel("c/a", geo), 1, 2);
  gg->addWidget(Eca, 1, 3);
  gg->addWidget(new QLabel("equivalent cubic l.p.", geo), 1, 0);
  gg->addWidget(Eclp, 1, 1);

  ChBsubnet = new QCheckBox("sublattice", geo);
  ChBsubnet->setObjectName("ChBsubnet");
  Eprc = makeEdit(geo, "Eprc");
  ChBcut = new QCheckBox("circular cross-section", geo);
  ChBcut->setObjectName("ChBcut");
  gg->addWidget(ChBsubnet, 2, 0);
  auto* uRow = new QHBoxLayout;
  uRow->addWidget(new QLabel("u ", geo));
  uRow->addWidget(Eprc);
  gg->addLayout(uRow, 2, 1);
  gg->addWidget(ChBcut, 2, 2, 1, 2);
  gg->setColumnStretch(1, 1);
  gg->setColumnStretch(3, 1);
  top->addWidget(geo);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  Bokhex = new QPushButton("OK", this);
  Bokhex->setObjectName("Bokhex");
  Bcancel = new QPushButton("Cancel", this);
  Bcancel->setObjectName("Bcancel");
  buttons->addWidget(Bokhex);
  buttons->addWidget(Bcancel);
  top->addLayout(buttons);

  // Initial texts.
  Elhcpa->setText(qs(model_->haText()));
  Elhcpc->setText(qs(model_->cText()));
  Eca->setText(qs(model_->caText()));
  Eprc->setText(qs(model_->uText()));
  ChBsubnet->setChecked(model_->sublattice());
  ChBcut->setChecked(model_->circularCut());

  connect(Ess, &QLineEdit::textChanged, this, &TFhcp::EssChange);
  connect(Eca, &QLineEdit::textEdited, this, &TFhcp::EcaChange);
  connect(Elhcpc, &QLineEdit::textEdited, this, &TFhcp::ElhcpcChange);
  // u is read when OK is pressed; a half-typed number is not an error yet.
  connect(Eprc, &QLineEdit::textEdited, this, [this](const QString& t) { model_->setUText(t.toStdString()); });
  connect(ChBsubnet, &QCheckBox::toggled, this, [this](bool on) {
    model_->setSublattice(on);
    showDisplays();
  });
  connect(ChBcut, &QCheckBox::toggled, this, [this](bool on) { model_->setCircularCut(on); });
  connect(Bokhex, &QPushButton::clicked, this, &TFhcp::BokhexClick);
  connect(Bcancel, &QPushButton::clicked, this, &QDialog::reject);
  Bcancel->setAutoDefault(false);
  Bokhex->setAutoDefault(false);
}

void TFhcp::showDisplays() {
  const QColor colour = colourOf(model_->colour());
  setTextColour(Ess, colour);
  setTextColour(Epm, colour);
  setTextColour(Lstacksize, colour);
  Epm->setText(qs(model_->transitionText()));
  Lstacksize->setText(qs(model_->layersText()));
  Lminsize->setText(qs(model_->minLayersCaption()));
  Lminsizeval->setText(qs(model_->minLayersText()));
  Eclp->setText(qs(model_->equivalentCubicText()));
  Eprc->setEnabled(model_->uEnabled());
  ChBcut->setEnabled(model_->circularCutEnabled());
  Image->setSequence(Ess->text());
}

void TFhcp::showMessages(const StCommandResult& res) {
  for (const auto& m : res.messages) HcpUi::instance().showMessage(this, m);
}

void TFhcp::EssChange() {
  if (updating_) return;
  model_->setSequenceText(Ess->text().toStdString());
  showDisplays();
}

void TFhcp::EcaChange() {
  const auto res = model_->setCaText(Eca->text().toStdString());
  showMessages(res);
  if (res.ok) Elhcpc->setText(qs(model_->cText()));
  showDisplays();
}

void TFhcp::ElhcpcChange() {
  const auto res = model_->setCText(Elhcpc->text().toStdString());
  showMessages(res);
  if (res.ok) Eca->setText(qs(model_->caText()));
  showDisplays();
}

void TFhcp::typeSequenceKey(char key) {
  const StKeyFilter f = model_->filterSequenceKey(key);
  if (f.beepHz > 0) HcpUi::instance().beep(f.beepHz, f.beepMs);
  if (f.key == '\b')
    Ess->backspace();
  else if (f.key != 0)
    Ess->insert(QString(QChar(f.key)));
}

bool TFhcp::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Ess && event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Backspace) {
      typeSequenceKey('\b');
      return true;
    }
    // Keys that type a character go through the filter; navigation, Delete,
    // Return and Escape keep their usual meaning.
    const QString text = k->text();
    if (text.size() == 1 && k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter && k->key() != Qt::Key_Escape &&
        k->key() != Qt::Key_Tab && k->key() != Qt::Key_Delete) {
      const QChar ch = text[0];
      typeSequenceKey(ch.unicode() < 128 ? static_cast<char>(ch.unicode()) : '?');
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFhcp::setGeometryTexts(const QString& a, const QString& c, const QString& u) {
  if (!a.isEmpty()) {
    const auto res = model_->setHaText(a.toStdString());
    showMessages(res);
    if (res.ok) {
      Elhcpa->setText(a);
      Eca->setText(qs(model_->caText()));
    }
  }
  if (!c.isEmpty()) {
    const auto res = model_->setCText(c.toStdString());
    showMessages(res);
    if (res.ok) {
      Elhcpc->setText(c);
      Eca->setText(qs(model_->caText()));
    }
  }
  if (!u.isEmpty()) {
    showMessages(model_->setUText(u.toStdString()));
    Eprc->setText(u);
  }
  showDisplays();
}

void TFhcp::BokhexClick() {
  // The edits are read as they stand.
  model_->setSequenceText(Ess->text().toStdString());
  if (model_->sublattice()) {
    const auto u = model_->setUText(Eprc->text().toStdString());
    if (!u.messages.empty()) {
      showMessages(u);
      return;
    }
  }
  // Building a large grain takes a moment: the busy cursor shows it (and
  // only it; the window itself is not busy while it is open).
  const bool building = ideal_ != nullptr;
  if (building) QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto res = model_->ok(ideal_);
  if (building) QApplication::restoreOverrideCursor();
  showMessages(res);
  if (res.ok) accept();
}

void TFhcp::loadSequenceClick() {
  const QString path = HcpUi::instance().openFileName(this, dataFolder_, kSequenceFileFilter);
  if (path.isEmpty()) return;
  std::string seq;
  const auto res = loadSequenceFile(path.toStdString(), seq);
  showMessages(res);
  if (!res.ok) return;
  Ess->setText(qs(seq));  // the change handler updates the displays
}

void TFhcp::saveSequenceClick() {
  const QString path = HcpUi::instance().saveFileName(this, dataFolder_, kSequenceFileFilter, kSequenceFileExt);
  if (path.isEmpty()) return;
  showMessages(saveSequenceFile(path.toStdString(), Ess->text().toStdString()));
}

// ---- the build command's stacking window ----

HcpStackingDialog::HcpStackingDialog(QWidget* parent, QString dataFolder)
    : parent_(parent), dataFolder_(std::move(dataFolder)) {}

bool HcpStackingDialog::run(std::string& sequence, vGrainNodes& ideal, StGrainPrm& grainPrm) {
  TFhcp window(parent_, sequence, dataFolder_, ideal, grainPrm);
  if (onShown) QTimer::singleShot(0, &window, [this, &window] { onShown(window); });
  return window.exec() == QDialog::Accepted;
}

}  // namespace grainix
