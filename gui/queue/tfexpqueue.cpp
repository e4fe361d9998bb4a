#include "gui/queue/tfexpqueue.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/controls/group_box_ext.h"
#include "gui/controls/message_box.h"
#include "gui/grain/tfhcp.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

constexpr QueueGroup kGroups[] = {QueueGroup::Calculations, QueueGroup::Diagrams, QueueGroup::Save};
constexpr QueueItem kItems[] = {QueueItem::Positions, QueueItem::Pdh, QueueItem::Rij, QueueItem::Diff, QueueItem::Gr};

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  // Enter in an edit must not press a button of the dialog.
  b->setAutoDefault(false);
  return b;
}

}  // namespace

// ---------------------------------------------------------------- frames

TFrGBparam::TFrGBparam(const char* name, const QString& switchCaption, const QString& positionsCaption,
                       QWidget* parent)
    : QWidget(parent) {
  setObjectName(name);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(2);
  ChBonoff = new QCheckBox(switchCaption, this);
  ChBonoff->setObjectName("ChBonoff");
  lay->addWidget(ChBonoff);
  GrBox = new TGroupBoxExt(this);
  GrBox->setObjectName("GrBox");
  auto* items = new QVBoxLayout(GrBox);
  items->setSpacing(2);
  const struct {
    QCheckBox** box;
    const char* name;
    QString caption;
  } defs[] = {{&ChBoxPos, "ChBoxPos", positionsCaption},
              {&ChBoxID, "ChBoxID", "PDH"},
              {&ChBoxRij, "ChBoxRij", "delta Rij"},
              {&ChBoxDiff, "ChBoxDiff", "diffraction"},
              {&ChBoxGr, "ChBoxGr", "G(r)"}};
  for (const auto& d : defs) {
    *d.box = new QCheckBox(d.caption, GrBox);
    (*d.box)->setObjectName(d.name);
    items->addWidget(*d.box);
  }
  ChBoxPos->setVisible(!positionsCaption.isEmpty());
  lay->addWidget(GrBox);
  lay->addStretch(1);
}

QCheckBox* TFrGBparam::item(QueueItem i) const {
  QCheckBox* const boxes[] = {ChBoxPos, ChBoxID, ChBoxRij, ChBoxDiff, ChBoxGr};
  return boxes[static_cast<int>(i)];
}

TFrExpValues::TFrExpValues(int number, const QString& summary, QWidget* parent) : QWidget(parent) {
  setObjectName(QString("FrExpValues%1").arg(number));
  setFixedHeight(30);
  auto* lay = new QHBoxLayout(this);
  lay->setContentsMargins(2, 2, 2, 2);
  Eno = new QLineEdit(QString::number(number), this);
  Eno->setObjectName("Eno");
  Eno->setReadOnly(true);
  Eno->setFixedWidth(40);
  Eno->setAlignment(Qt::AlignRight);
  Eprm = new QLineEdit(summary, this);
  Eprm->setObjectName("Eprm");
  Eprm->setReadOnly(true);
  Bprm = makeButton("Bprm", "<->", this);
  Bprm->setFixedWidth(44);
  lay->addWidget(Eno);
  lay->addWidget(Eprm, 1);
  lay->addWidget(Bprm);
}

// ---------------------------------------------------------------- window

TFexpQueue::TFexpQueue(QWidget* parent, StExpQueue& queue, const QString& dataFolder, StGrainPrm& prm)
    : QDialog(parent), model_(queue), prm_(prm), dataFolder_(dataFolder) {
  setObjectName("TFexpQueue");
  setWindowTitle("Experiments Queue");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  chooseFolder = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, "Select a folder:", start);
  };
  build();
  for (const StExpQueueRecord& e : model_.entries()) addRow(e);
  showGroups();
  showButtons();
}

TFexpQueue::~TFexpQueue() = default;

TFrGBparam* TFexpQueue::frame(QueueGroup g) const {
  switch (g) {
    case QueueGroup::Calculations: return FrCalculations;
    case QueueGroup::Diagrams: return FrDiagram;
    case QueueGroup::Save: break;
  }
  return FrSaveData;
}

void TFexpQueue::build() {
  auto* top = new QVBoxLayout(this);
  top->addWidget(buildCommonGroup());

  auto* groups = new QHBoxLayout;
  FrCalculations = new TFrGBparam("FrCalculations", "Calculations", QString(), this);
  FrDiagram = new TFrGBparam("FrDiagram", "Show diagrams", "RasTop", this);
  FrSaveData = new TFrGBparam("FrSaveData", "Save to files", "positions", this);
  for (QueueGroup g : kGroups) {
    TFrGBparam* f = frame(g);
    groups->addWidget(f, 1);
    connect(f->ChBonoff, &QCheckBox::clicked, this, [this, g](bool on) {
      model_.setSwitch(g, on);
      showGroups();
    });
    for (QueueItem i : kItems)
      connect(f->item(i), &QCheckBox::clicked, this, [this, g, i](bool checked) {
        model_.setItem(g, i, checked);
        showGroups();
      });
  }
  top->addLayout(groups);
  top->addWidget(buildEntryList(), 1);

  auto* buttons = new QHBoxLayout;
  Badd = makeButton("Badd", "Add next exp.", this);
  Bdel = makeButton("Bdel", "Delete last exp.", this);
  BCancel = makeButton("BCancel", "Cancel", this);
  BStart = makeButton("BStart", "Start", this);
  buttons->addWidget(Badd);
  buttons->addWidget(Bdel);
  buttons->addStretch(1);
  buttons->addWidget(BCancel);
  buttons->addWidget(BStart);
  top->addLayout(buttons);
  connect(Badd, &QPushButton::clicked, this, &TFexpQueue::BaddClick);
  connect(Bdel, &QPushButton::clicked, this, &TFexpQueue::BdelClick);
  connect(BCancel, &QPushButton::clicked, this, &TFexpQueue::reject);
  connect(BStart, &QPushButton::clicked, this, &TFexpQueue::BStartClick);
  resize(620, 560);
}

QWidget* TFexpQueue::buildCommonGroup() {
  auto* gb = new QGroupBox("Common parameters", this);
  gb->setObjectName("GBcommon");
  auto* grid = new QGridLayout(gb);
  auto edit = [&](const char* name, const QString& caption, const std::string& text, int row) {
    auto* e = new QLineEdit(qs(text), gb);
    e->setObjectName(name);
    auto* l = new QLabel(caption, gb);
    l->setBuddy(e);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    return e;
  };
  EfileHead = edit("EfileHead", "First letters of file names", model_.fileHead, 0);
  Edescription = edit("Edescription", "Description", model_.description, 1);
  Efolder = edit("Efolder", "Save files to folder", model_.folder, 2);
  Bfolder = makeButton("Bfolder", "...", gb);
  Bfolder->setFixedWidth(32);
  grid->addWidget(Bfolder, 2, 2);
  grid->setColumnStretch(1, 1);
  Efolder->installEventFilter(this);
  connect(Bfolder, &QPushButton::clicked, this, &TFexpQueue::BfolderClick);
  return gb;
}

QWidget* TFexpQueue::buildEntryList() {
  auto* box = new QWidget(this);
  auto* lay = new QVBoxLayout(box);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(2);
  auto* headings = new QHBoxLayout;
  auto* exp = new QLabel("Exp.", box);
  exp->setFixedWidth(44);
  headings->addWidget(exp);
  headings->addWidget(new QLabel("hcp parameters", box), 1);
  lay->addLayout(headings);

  ScrollBox = new QScrollArea(box);
  ScrollBox->setObjectName("ScrollBox");
  ScrollBox->setWidgetResizable(true);
  ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rowsHost_ = new QWidget(ScrollBox);
  rowsHost_->setObjectName("RowsHost");
  rowsLayout_ = new QVBoxLayout(rowsHost_);
  rowsLayout_->setContentsMargins(0, 0, 0, 0);
  rowsLayout_->setSpacing(0);
  rowsLayout_->addStretch(1);
  ScrollBox->setWidget(rowsHost_);
  ScrollBox->setMinimumHeight(5 * 30 + 4);
  lay->addWidget(ScrollBox, 1);
  return box;
}

void TFexpQueue::addRow(const StExpQueueRecord& entry) {
  const size_t index = rows_.size();
  auto* row = new TFrExpValues(static_cast<int>(index + 1), qs(entry.summary), rowsHost_);
  rowsLayout_->insertWidget(static_cast<int>(index), row);
  connect(row->Bprm, &QPushButton::clicked, this, [this, index] { BprmClick(index); });
  rows_.push_back(row);
  ScrollBox->ensureWidgetVisible(row);
}

void TFexpQueue::showGroups() {
  for (QueueGroup g : kGroups) {
    TFrGBparam* f = frame(g);
    const StQueueGroupState& s = model_.group(g);
    {
      const QSignalBlocker block(f->ChBonoff);
      f->ChBonoff->setChecked(s.on);
    }
    f->ChBonoff->setEnabled(s.switchEnabled);
    f->GrBox->SetEnabled(s.on);
    for (QueueItem i : kItems) {
      QCheckBox* box = f->item(i);
      const QSignalBlocker block(box);
      box->setChecked(s.item(i).checked);
      box->setEnabled(s.item(i).enabled);
    }
  }
}

void TFexpQueue::showButtons() {
  Bdel->setEnabled(model_.deleteEnabled());
  BStart->setEnabled(model_.startEnabled());
}

void TFexpQueue::showMessages(const StCommandResult& res) {
  for (const StMessage& m : res.messages) showMessageBox(this, m);
}

// ---------------------------------------------------------------- commands

void TFexpQueue::BaddClick() {
  model_.addEntry();
  addRow(model_.entries().back());
  showButtons();
}

void TFexpQueue::BdelClick() {
  if (rows_.empty()) return;
  model_.deleteLastEntry();
  delete rows_.back();
  rows_.pop_back();
  showButtons();
}

void TFexpQueue::BprmClick(size_t index) {
  if (index >= model_.entries().size()) return;
  const StExpQueueRecord& e = model_.entries()[index];
  std::string sequence = e.sequence;
  TFhcp stacking(this, sequence, prm_, dataFolder_);
  stacking.setGeometryTexts(qs(e.lpA), qs(e.lpC), qs(e.u));
  if (stacking.exec() != QDialog::Accepted) return;
  model_.entryEdited(index, sequence, stacking.Elhcpa->text().toStdString(), stacking.Elhcpc->text().toStdString(),
                     stacking.Eprc->text().toStdString());
  rows_[index]->Eprm->setText(qs(model_.entries()[index].summary));
}

void TFexpQueue::EfolderExit() {
  if (inFolderCheck_) return;
  inFolderCheck_ = true;
  folderChecked_ = Efolder->text();
  folderWasChecked_ = true;
  const StCommandResult res = model_.folderLeft(Efolder->text().toStdString());
  showGroups();
  showMessages(res);
  inFolderCheck_ = false;
}

void TFexpQueue::BfolderClick() {
  const QString chosen = chooseFolder ? chooseFolder(this, Efolder->text()) : QString();
  if (chosen.isEmpty()) return;
  Efolder->setText(chosen);
  EfolderExit();
}

void TFexpQueue::BStartClick() {
  model_.fileHead = EfileHead->text().toStdString();
  model_.description = Edescription->text().toStdString();
  model_.folder = Efolder->text().toStdString();
  model_.start();
  done(1);
}

void TFexpQueue::reject() { done(2); }

bool TFexpQueue::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Efolder) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        EfolderExit();
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      // A box or another window taking the focus does not leave the edit,
      // and a text checked by Enter is not checked again on leaving.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      const bool checked = folderWasChecked_ && folderChecked_ == Efolder->text();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !checked) EfolderExit();
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace grainix
