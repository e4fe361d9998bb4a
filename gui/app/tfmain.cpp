#include "gui/app/tfmain.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/app/build_command.h"
#include "engine/core/format.h"
#include "engine/grain/command_names.h"
#include "gui/controls/digit_labeled_edit.h"

#include "gui/calc/calc_panel.h"
#include "gui/calc/tfscatterfactors.h"
#include "gui/grain/tfhcp.h"
#include "gui/modify/modify_window.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A hidden action reports itself disabled; the enabled state it would have
// when shown is kept beside it, so its shortcut and the switch board know it.
void hideItem(QAction* a) {
  a->setProperty("grainixEnabled", a->isEnabled());
  a->setVisible(false);
}

bool itemEnabled(const QAction* a) {
  const QVariant v = a->property("grainixEnabled");
  return v.isValid() ? v.toBool() : a->isEnabled();
}

}  // namespace

TFMain::TFMain(QWidget* parent) : TFMain(StMainOptions{}, parent) {}

TFMain::TFMain(const StMainOptions& options, QWidget* parent) : QMainWindow(parent) {
  setObjectName("FMain");
  setWindowTitle(" Grainix-ver. 1.1");
  // System menu and minimise button only.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  if (options.presenter) {
    presenter_ = options.presenter;
  } else {
    ownPresenter_ = std::make_unique<QtMessagePresenter>();
    presenter_ = ownPresenter_.get();
  }
  defaultStacking_ = std::make_unique<HcpStackingDialog>(this);
  stacking_ = defaultStacking_.get();
  wb_.stackingSequence = "ABC";
  buildUi();
  startUp(options);
}

TFMain::~TFMain() {
  if (&TFdiagram::defaultSettings() == diagramSettings_.get()) TFdiagram::setDefaultSettings(nullptr);
}

std::string MainDiagramSettings::readString(const std::string& key, const std::string& def) const {
  if (QString::fromStdString(key).compare("path_tmp", Qt::CaseInsensitive) == 0) return tmp_();
  return IniDiagramSettings::readString(key, def);
}

void TFMain::setPresenter(MessagePresenter* p) { presenter_ = p ? p : ownPresenter_.get(); }

// ---------------------------------------------------------------- layout

void TFMain::buildUi() {
  auto* central = new QWidget(this);
  central->setObjectName("Panel0");
  auto* h = new QHBoxLayout(central);
  h->setContentsMargins(4, 4, 4, 4);
  h->setSpacing(6);

  // The input groups scroll on screens lower than the panel.
  leftScroll_ = new QScrollArea(central);
  leftScroll_->setObjectName("ScrollPanel1");
  leftScroll_->setFrameShape(QFrame::NoFrame);
  leftScroll_->setWidgetResizable(true);
  leftScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftPanel_ = new QWidget(leftScroll_);
  leftPanel_->setObjectName("Panel1");
  auto* left = new QVBoxLayout(leftPanel_);
  left->setContentsMargins(0, 0, 0, 0);
  left->setSpacing(4);
  left->addWidget(buildStructureGroup());

  calcPanel_ = new CalcPanel(*this, leftPanel_);
  left->addWidget(calcPanel_);
  left->addStretch(1);
  leftScroll_->setWidget(leftPanel_);
  leftScroll_->setMinimumWidth(leftPanel_->sizeHint().width() + leftScroll_->verticalScrollBar()->sizeHint().width());
  h->addWidget(leftScroll_, 0);

  memo_ = new QPlainTextEdit(central);
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mf("Arial");
  mf.setPointSize(8);
  mf.setStyleHint(QFont::SansSerif);
  memo_->setFont(mf);
  memo_->setPlainText("   *** WELCOME ***");
  memo_->setMinimumWidth(380);
  memo_->setContextMenuPolicy(Qt::CustomContextMenu);
  h->addWidget(memo_, 1);
  setCentralWidget(central);

  buildMenus();
  connect(memo_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { memoMenu_->popup(memo_->viewport()->mapToGlobal(p)); });

  setAcceptDrops(true);
  fitToScreen();
}

void TFMain::fitToScreen() {
  // The whole panel beside a log of 480 pixels when the screen has room;
  // otherwise what the screen's free area holds (the panel then scrolls),
  // allowing for the frame the desktop adds.
  leftPanel_->adjustSize();
  QSize want(leftScroll_->minimumWidth() + 480,
             std::max(leftPanel_->sizeHint().height() + menuBar()->sizeHint().height() + 16, 640));
  if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    const QRect free = screen->availableGeometry();
    want = want.boundedTo(free.size() - QSize(16, 48));
    resize(want);
    move(free.center() - QPoint(want.width() / 2, want.height() / 2 + 16));
  } else {
    resize(want);
  }
}

QWidget* TFMain::buildStructureGroup() {
  auto* gb = new QGroupBox("Structure building", leftPanel_);
  gb->setObjectName("GBstructure");
  auto* grid = new QGridLayout(gb);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);

  // Element count and elements.
  RBmonoatom_ = new QRadioButton("monoatomic lattice", gb);
  RBmonoatom_->setObjectName("RBmonoatom");
  RBbiatom_ = new QRadioButton("biatomic lattice", gb);
  RBbiatom_->setObjectName("RBbiatom");
  RBbase_ = new QRadioButton("from file", gb);
  RBbase_->setObjectName("RBbase");
  RBbase_->setVisible(false);
  auto* countGroup = new QButtonGroup(gb);
  countGroup->addButton(RBmonoatom_, 0);
  countGroup->addButton(RBbiatom_, 1);
  countGroup->addButton(RBbase_, 2);
  RBmonoatom_->setChecked(true);
  connect(RBmonoatom_, &QRadioButton::clicked, this, [this] { onElementCountClicked(false); });
  connect(RBbiatom_, &QRadioButton::clicked, this, [this] { onElementCountClicked(true); });

  CBoxElemL_ = new QComboBox(gb);
  CBoxElemL_->setObjectName("CBoxElemL");
  CBoxElemR_ = new QComboBox(gb);
  CBoxElemR_->setObjectName("CBoxElemR");
  for (QComboBox* c : {CBoxElemL_, CBoxElemR_}) {
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumContentsLength(4);
    c->setMaxVisibleItems(20);
    // The box itself receives the keys and the focus changes (its line
    // edit only gets them forwarded, past any filter installed on it).
    c->installEventFilter(this);
  }
  connect(CBoxElemL_, qOverload<int>(&QComboBox::activated), this, &TFMain::onElementLActivated);
  grid->addWidget(RBmonoatom_, 0, 0);
  grid->addWidget(CBoxElemL_, 0, 1);
  grid->addWidget(RBbiatom_, 1, 0);
  grid->addWidget(CBoxElemR_, 1, 1);

  // Structure.
  auto* net = new QGroupBox("Structure", gb);
  net->setObjectName("GBnet");
  auto* netLay = new QGridLayout(net);
  netLay->setVerticalSpacing(2);
  structureGroup_ = new QButtonGroup(net);
  struct RbDef {
    const char* name;
    const char* caption;
    int tag;
    bool visible;
  } rbs[] = {{"rbsc", "cubic P (sc)", structSc, true},        {"rbbcc", "cubic I (bcc)", structBcc, true},
             {"rbfcc", "cubic F (fcc)", structFcc, true},     {"rbdiam", "diamond like", structZincBlende, true},
             {"rbhcp", "hcp P", structHcp, true},             {"rbfccsq", "test", structTest, false},
             {"rbrand", "random", structRandom, false}};
  int i = 0;
  for (const auto& d : rbs) {
    auto* rb = new QRadioButton(d.caption, net);
    rb->setObjectName(d.name);
    rb->setVisible(d.visible);
    structureGroup_->addButton(rb, d.tag);
    if (d.visible) {
      netLay->addWidget(rb, i % 3, i / 3);
      ++i;
    }
  }
  connect(structureGroup_, &QButtonGroup::idClicked, this, &TFMain::onStructureClicked);
  grid->addWidget(net, 2, 0, 1, 2);

  // Lattice parameter, shape, radius, N.
  auto* sizes = new QGridLayout();
  sizes->setHorizontalSpacing(6);
  Elp_ = new TDigitLabeledEdit(gb);
  Elp_->setObjectName("Elp");
  Elp_->setCaption("Latt. prm.(Angs)");
  Elp_->setCharFilter([](QChar c) { return c.unicode() < 128 && StructureInputs::acceptKey(char(c.unicode())); });
  Elp_->setText(qs(inputs_.latticeText));
  connect(Elp_, &QLineEdit::textChanged, this, &TFMain::onLatticeEdited);
  sizes->addWidget(Elp_->editLabel(), 0, 0);
  sizes->addWidget(Elp_, 0, 1);

  Eradius_ = new TDigitLabeledEdit(gb);
  Eradius_->setObjectName("Eradius");
  Eradius_->setCaption("Radius (Angs)");
  Eradius_->setCharFilter(
      [](QChar c) { return c.unicode() < 128 && StructureInputs::acceptKey(char(c.unicode())); });
  Eradius_->setText(qs(inputs_.radiusText));
  connect(Eradius_, &QLineEdit::textChanged, this, &TFMain::onRadiusEdited);
  sizes->addWidget(Eradius_->editLabel(), 1, 0);
  sizes->addWidget(Eradius_, 1, 1);

  CBoxGR_ = new QComboBox(gb);
  CBoxGR_->setObjectName("CBoxGR");
  CBoxGR_->setEditable(true);
  CBoxGR_->setInsertPolicy(QComboBox::NoInsert);
  for (int n = 1; n <= 10; ++n) CBoxGR_->addItem(QString("%1 l.p.").arg(n));
  CBoxGR_->setEditText(qs(inputs_.nText));
  CBoxGR_->setToolTip("Radius=N*latt.prm.");
  CBoxGR_->installEventFilter(
      new CharFilterObject([](QChar c) { return c.unicode() < 128 && StructureInputs::acceptKey(char(c.unicode())); },
                           CBoxGR_));
  connect(CBoxGR_, &QComboBox::editTextChanged, this, &TFMain::onNEdited);
  auto* nLabel = new QLabel("N (Radius=N*l.p.)", gb);
  nLabel->setBuddy(CBoxGR_);
  sizes->addWidget(nLabel, 2, 0);
  sizes->addWidget(CBoxGR_, 2, 1);

  auto* shape = new QGroupBox("Shape", gb);
  shape->setObjectName("GBgrainprm");
  auto* shapeLay = new QVBoxLayout(shape);
  shapeLay->setSpacing(2);
  RBsphere_ = new QRadioButton("sphere", shape);
  RBsphere_->setObjectName("RBsphere");
  RBcylind_ = new QRadioButton("cylinder", shape);
  RBcylind_->setObjectName("RBcylind");
  shapeLay->addWidget(RBsphere_);
  shapeLay->addWidget(RBcylind_);
  shapeGroup_ = new QButtonGroup(shape);
  shapeGroup_->addButton(RBsphere_, shapeSphere);
  shapeGroup_->addButton(RBcylind_, shapeCylinder);
  connect(shapeGroup_, &QButtonGroup::idClicked, this, &TFMain::onShapeClicked);
  sizes->addWidget(shape, 0, 2, 3, 1);
  grid->addLayout(sizes, 3, 0, 1, 2);

  Ecomment_ = new QLineEdit("no comment", gb);
  Ecomment_->setObjectName("Ecomment");
  auto* cl = new QLabel("Comment", gb);
  cl->setBuddy(Ecomment_);
  auto* commentRow = new QHBoxLayout();
  commentRow->setSpacing(8);
  commentRow->addWidget(cl);
  commentRow->addWidget(Ecomment_, 1);
  grid->addLayout(commentRow, 4, 0, 1, 2);

  // Commands.
  auto* buttons = new QHBoxLayout();
  auto mk = [&](const char* name, const char* caption, void (TFMain::*slot)()) {
    auto* b = new QPushButton(caption, gb);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    return b;
  };
  mk("Bsiecwatek", "Build", &TFMain::BsiecwatekClick);
  mk(cmd::Nodes, "Nodes", &TFMain::BwypiszClick)->setEnabled(false);
  mk(cmd::Modify, "Modify", &TFMain::BmodifyClick)->setEnabled(false);
  Bshowmemo_ = mk("Bshowmemo", "<<", &TFMain::MIshowmemoClick);
  Bshowmemo_->setVisible(false);
  grid->addLayout(buttons, 5, 0, 1, 2);

  syncStructureWidgets();
  return gb;
}

QAction* TFMain::addMenuItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                             void (TFMain::*slot)()) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  if (slot) connect(a, &QAction::triggered, this, slot);
  if (menu) menu->addAction(a);
  return a;
}

void TFMain::notAvailable(const QString& what) {
  presenter_->message(this, {MessageKind::Information, "Grainix", (what + " is not available yet.").toStdString()});
}

void TFMain::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  addMenuItem(file, "MIopennodes", "Open nodes file", QKeySequence("Ctrl+F2"), &TFMain::MIopennodesClick);
  addMenuItem(file, "MIopenhist", "Open histogram file", QKeySequence("Ctrl+F3"), &TFMain::MIopenhistClick);
  addMenuItem(file, "MIopendiff", "Open diffraction file", QKeySequence("Ctrl+F4"), &TFMain::MIopendiffClick);
  addMenuItem(file, "MIopensec", "Open sections file", QKeySequence("Ctrl+F5"), &TFMain::MIopensecClick);
  addMenuItem(file, "Openexperimentalfile1", "Open experimental file", {}, &TFMain::Openexperimentalfile1Click);
  addMenuItem(file, "MIbuildcif", "Build grain from CIF...", {}, &TFMain::MIbuildcifClick);
  file->addSeparator();
  addMenuItem(file, cmd::SaveNodes, "Save nodes", QKeySequence("F2"), &TFMain::MIsavenodesClick)->setEnabled(false);
  QMenu* sorted = file->addMenu("Save sorted nodes");
  sorted->setObjectName("Savesortednodes1");
  for (const char* s : {"versus r", "versus r, z", "versus z", "versus z,r"}) sorted->addAction(s);
  sorted->menuAction()->setObjectName("Savesortednodes1");
  sorted->menuAction()->setEnabled(false);
  hideItem(sorted->menuAction());
  addMenuItem(file, cmd::SavePdh, "Save PDH", QKeySequence("F3"), &TFMain::MIsavehistogramClick)->setEnabled(false);
  addMenuItem(file, cmd::SaveDiffraction, "Save diffraction", QKeySequence("F4"), &TFMain::MIsavediffClick)
      ->setEnabled(false);
  addMenuItem(file, cmd::SaveGr, "Save G(r)", QKeySequence("F5"), &TFMain::MIsavegrClick)->setEnabled(false);
  addMenuItem(file, cmd::SaveSections, "Save sections", QKeySequence("F6"), &TFMain::MIsekcjeClick)
      ->setEnabled(false);
  addMenuItem(file, cmd::SaveDelta, "Save delta(r)/r", QKeySequence("F7"), &TFMain::MIsaveDeltaClick)
      ->setEnabled(false);
  addMenuItem(file, cmd::SaveAll, "Save all", QKeySequence("Alt+F7"), &TFMain::MIsaveallClick)->setEnabled(false);
  file->addSeparator();
  QAction* fityk = addMenuItem(file, cmd::Fityk, "Fityk", QKeySequence("Ctrl+Q"), &TFMain::MIfitykClick);
  fityk->setEnabled(false);
  hideItem(fityk);
  file->addSeparator();
  addMenuItem(file, "Wyj1", "Exit", QKeySequence("Alt+F4"), nullptr);
  connect(findChild<QAction*>("Wyj1"), &QAction::triggered, this, &QWidget::close);

  QMenu* options = bar->addMenu("&Options");
  options->setObjectName("Options1");
  addMenuItem(options, "MIscattfact", "Element properties", QKeySequence("F8"), &TFMain::MIscattfactClick);
  addMenuItem(options, "MItmpdir", "Path to temp. dir", {}, &TFMain::MItmpdirClick);
  hideItem(addMenuItem(options, "MIpathRasmol", "Path to \"raswin\"", {}, &TFMain::MIpathRasmolClick));
  addMenuItem(options, "MIpathrastop", "Path to \"Rastop\"", {}, &TFMain::MIpathrastopClick);
  addMenuItem(options, "MIpathtoncovert", "Path to \"ncovert\"", {}, &TFMain::MIpathtoncovertClick);
  MIrmtmpfiles_ = addMenuItem(options, "MIrmtmpfiles", "Remove temp. files", {}, nullptr);
  MIrmtmpfiles_->setCheckable(true);
  addMenuItem(options, "Threadpriority1", "Set thread priority", {}, &TFMain::Threadpriority1Click);

  QMenu* windows = bar->addMenu("&Windows");
  windows->setObjectName("Windows1");
  MIshowmemo_ = addMenuItem(windows, "MIshowmemo", "Show Messages", QKeySequence("Ctrl+M"), nullptr);
  MIshowmemo_->setCheckable(true);
  MIshowmemo_->setChecked(true);
  connect(MIshowmemo_, &QAction::triggered, this, [this] {
    // The check mark follows the log, not the click.
    MIshowmemo_->setChecked(memo_->isVisible());
    MIshowmemoClick();
  });
  windows->addSeparator();
  addMenuItem(windows, "MIdisperse", "Diagrams disperse 3x3", QKeySequence("F9"), &TFMain::MIdisperseClick);
  addMenuItem(windows, "MIshowdiagram", "Show Diagram", {}, nullptr)->setEnabled(false);
  addMenuItem(windows, "MIshowall", "Diagrams show all", QKeySequence("F10"), &TFMain::MIshowallClick);
  addMenuItem(windows, "MIDiagramssendback", "Diagrams send back", QKeySequence("F11"),
              &TFMain::MIDiagramssendbackClick);
  addMenuItem(windows, "MIclosediagrams", "Diagrams close all", QKeySequence("F12"), &TFMain::MIclosediagramsClick);

  QMenu* tools = bar->addMenu("&Tools");
  tools->setObjectName("Tools1");
  QAction* queue = addMenuItem(tools, "MIexpque", "Experiments queue", QKeySequence("Ctrl+E"), &TFMain::MIexpqueClick);
  hideItem(queue);
  // The RasMol item is captioned "-" and shows as a separator line.
  tools->addSeparator();
  QAction* rasmol = addMenuItem(nullptr, "MIrasmol", "-", QKeySequence("Ctrl+R"), &TFMain::MIrasmolClick);
  addMenuItem(tools, "MIrastop", "Rastop", QKeySequence("Ctrl+T"), &TFMain::MIrastopClick);
  QAction* cmp =
      addMenuItem(tools, "MIcmpexp", "Compare with experiment", QKeySequence("Ctrl+D"), &TFMain::MIcmpexpClick);
  hideItem(cmp);

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help2");
  addMenuItem(help, "Autor2", "Auhtor", QKeySequence("Ctrl+H"), &TFMain::Autor2Click);
  hideItem(addMenuItem(help, "Help1", "Help", {}, nullptr));

  // Hidden items keep their shortcuts: a hidden action does not listen to
  // its key, so a window shortcut triggers it while it is enabled.
  for (QAction* a : {queue, rasmol, cmp, fityk}) {
    auto* sc = new QShortcut(a->shortcut(), this);
    sc->setObjectName(a->objectName() + "Key");
    connect(sc, &QShortcut::activated, a, [a] {
      if (itemEnabled(a)) emit a->triggered(false);
    });
  }

  // Popup menu of the log.
  memoMenu_ = new QMenu(this);
  memoMenu_->setObjectName("PopMenuMemo");
  addMenuItem(memoMenu_, "MItemNodes", "Nodes", {}, &TFMain::MItemNodesClick);
  addMenuItem(memoMenu_, "MItemnodesbase", "Nodes base", {}, &TFMain::MItemnodesbaseClick);
  QAction* hist = addMenuItem(memoMenu_, "MItemHistogram", "Histogram", {}, nullptr);
  connect(hist, &QAction::triggered, this, [this] {
    if (auto* b = findChild<QPushButton*>(cmd::Histogram))
      b->click();
    else
      notAvailable("The PDH listing");
  });
  addMenuItem(memoMenu_, "MItemUstalz", "Set \"z\"", {}, &TFMain::MItemUstalzClick);
  MIviewall_ = addMenuItem(memoMenu_, "MIviewall", "Show all \"z\"", {}, nullptr);
  MIviewall_->setCheckable(true);
  addMenuItem(memoMenu_, "MIclear", "Clear", {}, &TFMain::MIclearClick);
  MISort_ = addMenuItem(memoMenu_, "MISort", "Sort vs. \"r\"", {}, nullptr);
  MISort_->setCheckable(true);
  addMenuItem(memoMenu_, "MIshowcprm", "Show current parameters", {}, &TFMain::MIshowcprmClick);
  addMenuItem(memoMenu_, "Font1", "Font", {}, &TFMain::Font1Click);
  addMenuItem(memoMenu_, "MISaveMemo", "Save Memo", {}, &TFMain::MISaveMemoClick);
}

// ------------------------------------------------------- log and commands

void TFMain::appendLog(const QString& line) {
  // Lines are added as blocks of their own, so an empty line right after
  // "Clear" stays a line of the log.
  QScrollBar* bar = memo_->verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum() - 1;
  QTextCursor c(memo_->document());
  c.movePosition(QTextCursor::End);
  if (memoHasLines_) c.insertBlock();
  c.insertText(line);
  memoHasLines_ = true;
  if (atBottom) bar->setValue(bar->maximum());
}

void TFMain::appendLines(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) appendLog(qs(l));
}

QStringList TFMain::logLines() const { return memo_->toPlainText().split('\n'); }

void TFMain::applyResult(const StCommandResult& res) {
  appendLines(res.log);
  for (const auto& [name, on] : res.enable) setCommandEnabled(name, on);
  for (const StMessage& m : res.messages) presenter_->message(this, m);
}

void TFMain::setCommandEnabled(const std::string& name, bool enabled) {
  const QString n = qs(name);
  bool found = false;
  for (QAction* a : findChildren<QAction*>(n)) {
    a->setEnabled(enabled);
    if (a->property("grainixEnabled").isValid()) a->setProperty("grainixEnabled", enabled);
    found = true;
  }
  for (QWidget* w : findChildren<QWidget*>(n)) {
    w->setEnabled(enabled);
    found = true;
  }
  Q_UNUSED(found);
}

bool TFMain::isCommandEnabled(const std::string& name) const {
  const QString n = qs(name);
  if (auto* a = findChild<QAction*>(n)) return itemEnabled(a);
  if (auto* w = findChild<QWidget*>(n)) return w->isEnabled();
  return false;
}

QString TFMain::latticeText() const { return Elp_->text(); }
QString TFMain::radiusText() const { return Eradius_->text(); }
QString TFMain::elementLText() const { return CBoxElemL_->currentText(); }
QString TFMain::elementRText() const { return CBoxElemR_->currentText(); }
bool TFMain::monoatomicChecked() const { return RBmonoatom_->isChecked(); }
bool TFMain::fromFileChecked() const { return RBbase_->isChecked(); }

// ------------------------------------------------------- structure inputs

void TFMain::syncStructureWidgets() {
  syncing_ = true;
  const bool mono = !inputs_.biatomic;
  RBmonoatom_->setChecked(mono);
  RBbiatom_->setChecked(!mono);
  RBmonoatom_->setEnabled(inputs_.monoatomicEnabled);
  CBoxElemL_->setEnabled(inputs_.elementLEnabled);
  CBoxElemR_->setEnabled(inputs_.elementREnabled);
  for (QAbstractButton* b : structureGroup_->buttons()) {
    const int tag = structureGroup_->id(b);
    if (tag >= 0 && tag < static_cast<int>(inputs_.structureEnabled.size())) b->setEnabled(inputs_.structureEnabled[tag]);
  }
  if (QAbstractButton* b = structureGroup_->button(inputs_.structure)) b->setChecked(true);
  structureGroup_->button(structZincBlende)->setText(qs(inputs_.zincBlendeCaption));
  RBcylind_->setEnabled(inputs_.cylinderEnabled);
  if (QAbstractButton* b = shapeGroup_->button(inputs_.shape)) b->setChecked(true);
  syncing_ = false;
}

void TFMain::setGrStopText(const std::string& text) { setPanelText("Egrstop", qs(text)); }

void TFMain::onLatticeEdited(const QString& text) {
  if (syncing_) return;
  inputs_.latticeText = text.toStdString();
  latticeOrNEdited();
}

void TFMain::onNEdited(const QString& text) {
  if (syncing_) return;
  inputs_.nText = text.toStdString();
  latticeOrNEdited();
}

void TFMain::latticeOrNEdited() {
  // A partly typed number ("1e", "-") changes nothing; the command that uses
  // the text reports a conversion error.
  if (!inputs_.latticeOrNChanged().ok) return;
  syncing_ = true;
  if (Eradius_->text() != qs(inputs_.radiusText)) Eradius_->setText(qs(inputs_.radiusText));
  syncing_ = false;
  if (!inputs_.grStopText.empty()) setGrStopText(inputs_.grStopText);
}

void TFMain::onRadiusEdited(const QString& text) {
  if (syncing_) return;
  inputs_.radiusText = text.toStdString();
  inputs_.latticeText = Elp_->text().toStdString();
  const StCommandResult res = inputs_.radiusChanged();
  for (const auto& [name, on] : res.enable) setCommandEnabled(name, on);
  setGrStopText(inputs_.grStopText);
  if (!res.ok) return;
  syncing_ = true;
  if (CBoxGR_->currentText() != qs(inputs_.nText)) CBoxGR_->setEditText(qs(inputs_.nText));
  syncing_ = false;
}

void TFMain::onElementLActivated(int index) {
  if (index < 0 || index >= static_cast<int>(table_.size())) return;
  inputs_.firstElementSelected(table_[index]);
  // Setting the lattice parameter runs its handler, as typing does.
  Elp_->setText(qs(inputs_.latticeText));
  syncStructureWidgets();
}

void TFMain::onStructureClicked(int tag) {
  if (syncing_) return;
  inputs_.chooseStructure(tag);
  syncStructureWidgets();
}

void TFMain::onShapeClicked(int tag) {
  if (syncing_) return;
  inputs_.chooseShape(tag);
  syncStructureWidgets();
}

void TFMain::onElementCountClicked(bool biatomic) {
  if (syncing_) return;
  if (biatomic)
    inputs_.chooseBiatomic();
  else
    inputs_.chooseMonoatomic();
  syncStructureWidgets();
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Leaving for another control of the window; the box's own list and
    // a switch to another window are not leaving it.
    const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
    for (QComboBox* box : {CBoxElemL_, CBoxElemR_}) {
      if (box && watched == box && why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason) {
        // The warning waits until the focus change is over.
        QTimer::singleShot(0, this, [this, box] { elementBoxLeft(box); });
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFMain::elementBoxLeft(QComboBox* box) {
  const QString text = box->currentText();
  const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  const StCommandResult res = StructureInputs::elementFocusLost(text.toStdString(), index);
  if (!res.messages.empty()) applyResult(res);
}

void TFMain::fillElementBoxes() {
  for (QComboBox* box : {CBoxElemL_, CBoxElemR_}) {
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& n : elementNames_) box->addItem(qs(n));
    if (box->count() > 0)
      box->setCurrentIndex(0);
    else
      box->setEditText("X");
  }
}

void TFMain::setTextAsInput(QLineEdit* edit, const QString& text) {
  if (!edit) return;
  if (edit->text() == text) {
    // Setting the same text still counts as a change of the field.
    emit edit->textChanged(text);
    return;
  }
  edit->setText(text);
}

void TFMain::clickButtonByName(const char* name) {
  if (auto* b = findChild<QAbstractButton*>(name)) b->click();
}

// ------------------------------------------------------------------ Build

StBuildInput TFMain::structureInput() const {
  StBuildInput in;
  in.latticeText = Elp_->text().toStdString();
  in.radiusText = Eradius_->text().toStdString();
  in.structure = structureGroup_->checkedId();
  if (in.structure < 0) in.structure = structRandom;
  in.shape = RBcylind_->isChecked() ? shapeCylinder : shapeSphere;
  in.biatomic = RBbiatom_->isChecked();
  in.elementL = CBoxElemL_->currentText().toStdString();
  in.elementIndexL = CBoxElemL_->findText(CBoxElemL_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  in.elementR = CBoxElemR_->currentText().toStdString();
  in.elementIndexR = CBoxElemR_->findText(CBoxElemR_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  in.zincBlendeCaption = structureGroup_->button(structZincBlende)->text().toStdString();
  return in;
}

void TFMain::BsiecwatekClick() {
  if (!mayChangeWorkbench("Build")) return;
  const StBuildInput in = structureInput();
  if (stacking_ == defaultStacking_.get()) static_cast<HcpStackingDialog*>(stacking_)->setDataFolder(dataDir_);
  // The stacking window shows its own busy cursor once OK builds; while it
  // is open the pointer stays a pointer.
  const bool busy = in.structure != structHcp;
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  const StCommandResult res = build(wb_, in, stacking_);
  if (busy) QApplication::restoreOverrideCursor();
  applyResult(res);
  if (calcPanel_) calcPanel_->syncUnits();
}

void TFMain::MIscattfactClick() {
  if (!mayChangeWorkbench("Element table")) return;
  const bool changed = TFscatterFactors::edit(exeDir_, workingDir_, this,
                                              [this](const StMessage& m) { presenter_->message(this, m); });
  if (changed) loadElementTable();
}

void TFMain::showMessage(const StMessage& m) { presenter_->message(this, m); }

void TFMain::MIexpqueClick() {
  if (!mayChangeWorkbench("Experiments queue")) return;
  runExperimentsQueue(*this, this);
}

void TFMain::BmodifyClick() {
  if (!mayChangeWorkbench("Modify")) return;
  applyResult(runModifyCommand(this, wb_, table_));
}

void TFMain::BwypiszClick() { MItemNodesClick(); }

}  // namespace grainix
