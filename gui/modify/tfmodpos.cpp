#include "gui/modify/tfmodpos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/modify/modpos_ui.h"
#include "gui/modify/sections_strip.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The window's progress bar as the position modification sees it. The bar
// moves in steps of 1 % of the nodes, and pending window events are run at
// most every 50 ms, so the window stays responsive without slowing the loop.
class BarProgress : public ProgressSink {
 public:
  explicit BarProgress(QProgressBar* bar) : bar_(bar) { timer_.start(); }
  void setMaximum(int64_t m) override {
    max_ = m;
    scale_ = m > INT_MAX ? double(INT_MAX) / double(m) : 1.0;
    bar_->setRange(0, static_cast<int>(double(m) * scale_));
    bar_->setValue(0);
    next_ = 0;
  }
  void setPosition(int64_t p) override {
    if (p < next_) return;
    next_ = p + std::max<int64_t>(1, max_ / 100);
    bar_->setValue(static_cast<int>(double(p) * scale_));
    if (timer_.elapsed() >= 50) {
      QCoreApplication::processEvents();
      timer_.restart();
    }
  }
  void setVisible(bool v) override { bar_->setVisible(v); }

 private:
  QProgressBar* bar_;
  QElapsedTimer timer_;
  int64_t max_ = 0, next_ = 0;
  double scale_ = 1;
};

void setTextIfChanged(QLineEdit* e, const std::string& text) {
  const QString t = qs(text);
  if (e->text() != t) e->setText(t);
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int width = 70) {
  auto* e = new TDigitLabeledEdit(parent);
  e->setObjectName(name);
  e->setFixedWidth(width);
  return e;
}

}  // namespace

TFmodpos::TFmodpos(QWidget* parent, StFmodPosPrm& prm, std::unique_ptr<ThermalRandom> random, ClockSeconds clock)
    : QDialog(parent), prm_(prm), model_(prm, std::move(random), std::move(clock)) {
  setObjectName("TFmodpos");
  setWindowTitle("Modify atoms positions");
  setModal(true);
  build();
  fillGrid();
  const auto res = model_.opening();
  refreshThermal();
  apply(res);
}

TFmodpos::~TFmodpos() = default;

TFdiagram* TFmodpos::lastDiagram() const { return lastDiagram_.data(); }

void TFmodpos::build() {
  auto* top = new QVBoxLayout(this);
  Isections = new SectionsStrip(model_.table(), this);
  top->addWidget(Isections);

  auto* body = new QHBoxLayout;
  body->addWidget(buildSections(), 1);
  body->addWidget(buildThermal(), 0);
  top->addLayout(body, 1);
  resize(800, 560);
}

QWidget* TFmodpos::buildThermal() {
  auto* side = new QWidget(this);
  auto* v = new QVBoxLayout(side);
  v->setContentsMargins(0, 0, 0, 0);

  Bmodify = new QPushButton("Modify", side);
  Bmodify->setObjectName("Bmodify");
  QFont bold = Bmodify->font();
  bold.setBold(true);
  Bmodify->setFont(bold);
  Bmodify->setMinimumHeight(32);
  v->addWidget(Bmodify);

  ChBoxThVib = new QCheckBox("Add thermal vibration", side);
  ChBoxThVib->setObjectName("ChBoxThVib");
  v->addWidget(ChBoxThVib);

  GBrandprm = new QGroupBox("Random displacement", side);
  GBrandprm->setObjectName("GBrandprm");
  auto* g = new QGridLayout(GBrandprm);
  Combodist = new QComboBox(GBrandprm);
  Combodist->setObjectName("Combodist");
  Combodist->addItems({"uniform", "normal"});
  Combodist->setCurrentIndex(-1);
  Etemp = makeEdit(GBrandprm, "Etemp");
  LampNet = new QLabel(GBrandprm);
  LampNet->setObjectName("LampNet");
  LampSubnet = new QLabel(GBrandprm);
  LampSubnet->setObjectName("LampSubnet");
  EmsdNet = makeEdit(GBrandprm, "EmsdNet");
  EmsdSubnet = makeEdit(GBrandprm, "EmsdSubnet");
  Enetacp = makeEdit(GBrandprm, "Enetacp");
  Edeclev = makeEdit(GBrandprm, "Edeclev");
  Ebarnum = makeEdit(GBrandprm, "Ebarnum");
  Bcheck = new QPushButton("Verify", GBrandprm);
  Bcheck->setObjectName("Bcheck");
  int row = 0;
  g->addWidget(new QLabel("Distribution", GBrandprm), row, 0);
  g->addWidget(Combodist, row++, 1, 1, 2);
  g->addWidget(new QLabel("Temperature (K)", GBrandprm), row, 0);
  g->addWidget(Etemp, row++, 1);
  g->addWidget(LampNet, row, 0);
  g->addWidget(EmsdNet, row, 1);
  g->addWidget(new QLabel("Amp (Angs)", GBrandprm), row++, 2);
  g->addWidget(LampSubnet, row, 0);
  g->addWidget(EmsdSubnet, row, 1);
  g->addWidget(new QLabel("Amp (Angs)", GBrandprm), row++, 2);
  g->addWidget(new QLabel("acp", GBrandprm), row, 0);
  g->addWidget(Enetacp, row++, 1);
  g->addWidget(new QLabel("decorr. level", GBrandprm), row, 0);
  g->addWidget(Edeclev, row++, 1);
  auto* sep = new QFrame(GBrandprm);
  sep->setFrameShape(QFrame::HLine);
  sep->setFrameShadow(QFrame::Sunken);
  g->addWidget(sep, row++, 0, 1, 3);
  g->addWidget(new QLabel("Number of bars", GBrandprm), row, 0);
  g->addWidget(Ebarnum, row++, 1);
  g->addWidget(Bcheck, row++, 0, 1, 3);
  v->addWidget(GBrandprm);

  ProgressBar = new QProgressBar(side);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setVisible(false);
  v->addWidget(ProgressBar);
  v->addStretch(1);

  auto* buttons = new QHBoxLayout;
  Bok = new QPushButton("Accept", side);
  Bok->setObjectName("Bok");
  Bcancel = new QPushButton("Cancel", side);
  Bcancel->setObjectName("Bcancel");
  for (QPushButton* b : {Bmodify, Bcheck, Bok, Bcancel}) b->setAutoDefault(false);
  buttons->addWidget(Bok);
  buttons->addWidget(Bcancel);
  v->addLayout(buttons);

  connect(Bmodify, &QPushButton::clicked, this, &TFmodpos::BmodifyClick);
  connect(Bcheck, &QPushButton::clicked, this, &TFmodpos::BcheckClick);
  connect(Bok, &QPushButton::clicked, this, &TFmodpos::BokClick);
  connect(Bcancel, &QPushButton::clicked, this, &TFmodpos::reject);

  connect(ChBoxThVib, &QCheckBox::toggled, this, [this](bool on) {
    if (refreshing_) return;
    const auto res = model_.setThermalVibration(on);
    refreshThermal();
    apply(res);
  });
  connect(Combodist, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (refreshing_) return;
    model_.setDistribution(i == 0 ? Distribution::Uniform : i == 1 ? Distribution::Normal : Distribution::None);
  });
  // Typing reports nothing: "Modify" checks the texts it uses.
  connect(Etemp, &QLineEdit::textEdited, this, [this](const QString& t) {
    model_.temperatureTyped(t.toStdString());
    refreshThermal();
  });
  connect(EmsdNet, &QLineEdit::textEdited, this, [this](const QString& t) {
    model_.amplitudeEdited(0, t.toStdString());
    refreshThermal();
  });
  connect(EmsdSubnet, &QLineEdit::textEdited, this, [this](const QString& t) {
    model_.amplitudeEdited(1, t.toStdString());
    refreshThermal();
  });
  connect(Enetacp, &QLineEdit::textEdited, this, [this](const QString& t) { model_.acpTyped(t.toStdString()); });
  connect(Edeclev, &QLineEdit::textEdited, this, [this](const QString& t) { model_.levelTyped(t.toStdString()); });
  connect(Ebarnum, &QLineEdit::textEdited, this, [this](const QString& t) { model_.setBarsText(t.toStdString()); });
  return side;
}

void TFmodpos::refreshThermal() {
  refreshing_ = true;
  ChBoxThVib->setChecked(model_.thermalVibration());
  const Distribution d = model_.distribution();
  Combodist->setCurrentIndex(d == Distribution::Uniform ? 0 : d == Distribution::Normal ? 1 : -1);
  setTextIfChanged(Etemp, model_.temperatureText());
  setTextIfChanged(EmsdNet, model_.amplitudeText(0));
  setTextIfChanged(EmsdSubnet, model_.amplitudeText(1));
  setTextIfChanged(Enetacp, model_.acpText());
  setTextIfChanged(Edeclev, model_.levelText());
  setTextIfChanged(Ebarnum, model_.barsText());
  LampNet->setText(qs(model_.amplitudeCaption(0)));
  LampSubnet->setText(qs(model_.amplitudeCaption(1)));
  applyStates(model_.states());
  refreshing_ = false;
}

void TFmodpos::applyStates(const CommandStates& states) {
  for (const auto& [name, on] : states)
    if (auto* w = findChild<QWidget*>(qs(name))) w->setEnabled(on && !busy_);
}

void TFmodpos::showMessage(const StMessage& m) { ModposUi::instance().showMessage(this, m); }

void TFmodpos::showLater(const std::vector<StMessage>& messages) {
  if (messages.empty()) return;
  const bool queued = !pending_.empty();
  pending_.insert(pending_.end(), messages.begin(), messages.end());
  if (!queued) QTimer::singleShot(0, this, [this] { showPending(); });
}

bool TFmodpos::showPending() {
  if (pending_.empty()) return false;
  const std::vector<StMessage> now = std::move(pending_);
  pending_.clear();
  for (const StMessage& m : now) showMessage(m);
  return true;
}

void TFmodpos::BokClick() {
  // A value refused as the edit ended is shown before anything is approved.
  if (showPending()) return;
  accept();
}

void TFmodpos::apply(const StCommandResult& res) {
  for (const auto& line : res.log) Memo->appendPlainText(qs(line));
  for (const auto& m : res.messages) showMessage(m);
  if (!res.enable.empty()) applyStates(res.enable);
}

void TFmodpos::setBusy(bool busy) {
  busy_ = busy;
  for (QWidget* w : std::initializer_list<QWidget*>{StrGrid, Bplus, Bplus3, Bplot, BitBtn1, BsavePicdial, Bmodify,
                                                    ChBoxThVib, Bok, Bcancel})
    w->setEnabled(!busy);
  applyStates(model_.states());
}

void TFmodpos::reject() {
  if (busy_) return;  // "Modify" is still moving the atoms
  QDialog::reject();
}

void TFmodpos::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstShow_) return;
  firstShow_ = false;
  // The first section's radius is ready for editing.
  if (StrGrid->rowCount() > 1) {
    StrGrid->setCurrentCell(1, colRadius);
    StrGrid->setFocus();
  }
}

bool TFmodpos::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    MemoClick();
    return false;
  }
  return QDialog::eventFilter(watched, event);
}

// ---- summary pane ----

void TFmodpos::MemoClick() {
  if (busy_) return;
  // Run from the pane's mouse event: the boxes wait until it is over.
  const StCommandResult res = model_.summary();
  for (const auto& line : res.log) Memo->appendPlainText(qs(line));
  showLater(res.messages);
}

void TFmodpos::clearMemoClick() { Memo->clear(); }

void TFmodpos::fontClick() {
  QFont f = Memo->font();
  if (ModposUi::instance().chooseFont(this, f)) Memo->setFont(f);
}

// ---- Modify and Verify ----

void TFmodpos::BmodifyClick() {
  if (busy_) return;
  showPending();
  setBusy(true);
  BarProgress progress(ProgressBar);
  ProgressBar->setVisible(true);
  StCommandResult res = model_.modify(&progress);
  ProgressBar->setVisible(false);
  setBusy(false);
  refreshThermal();  // a refused acp or level shows its default again
  apply(res);
  applyStates(model_.states());
}

void TFmodpos::BcheckClick() {
  const StVerifyResult v = model_.verify();
  for (const auto& line : v.log) Memo->appendPlainText(qs(line));
  for (const auto& e : v.errors) showMessage({MessageKind::Error, "ERROR", e});
  if (v.panels.empty()) return;

  auto* w = new TFdiagram(this);
  TGraph2D* g = w->Graf;
  if (v.rows > 1) g->divideGraph(static_cast<unsigned>(v.rows), 1);
  for (size_t k = 0; k < v.panels.size(); ++k) {
    const StVerifyPanel& p = v.panels[k];
    const auto row = static_cast<unsigned>(k + 1);
    g->insertData(p.x, p.generated, row, 1);
    g->setColor(clRed);
    g->setStyle(dsComb);
    g->setPenWidth(2);
    g->setDiagramTitle("generated");
    g->insertData(p.x, p.theory, row, 1);
    g->setColor(clBlack);
    g->setPenWidth(2);
    g->setDiagramTitle("theory");
    g->setMargin({70, 40, 50, 50});  // room for the rotated axis title
    g->setAxisXTitle(v.xTitle);
    g->setAxisYTitle(v.yTitle);
    g->setGraphTitle(p.title);
    if (TSubGraph* panel = g->activePanel()) {
      panel->grid.visible = true;
      panel->legend.visible = true;
    }
  }
  g->activateSubGraph(0);
  w->setWindowTitle(qs(v.caption));
  w->addListEntry("generated");
  w->addListEntry("theory");
  w->resize(v.width, v.height);
  w->useShortMenu(true);
  w->MIpanel->setEnabled(false);
  w->syncChecks();
  w->show();
  lastDiagram_ = w;
}

}  // namespace grainix
