#include "gui/plot/tfdiagram.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/plot/diagram_ui.h"
#include "gui/plot/tfaxisprm.h"
#include "gui/plot/tfdiagprop.h"

namespace grainix {

namespace {

DiagramSettings* g_defaultSettings = nullptr;

QString q(const std::string& s) { return QString::fromStdString(s); }

// The window's form size before any default size is applied.
constexpr int kFormWidth = 755;
constexpr int kFormHeight = 481;

}  // namespace

// ---------------------------------------------------------------------------
// Region outline

RegionFrame::RegionFrame(QWidget* parent) : QWidget(parent) {
  setObjectName("Sregion");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void RegionFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---------------------------------------------------------------------------
// Axis-title pictures

QImage axisTitleImage(const QString& name) {
  const QString key = name.toUpper();
  QString text = name;
  bool upwards = false;
  if (key == "DISTANG") text = QString::fromUtf8("Distance r(Å)");
  else if (key == "GRANG") text = QString::fromUtf8("G(r) (Atoms/Å²)"), upwards = true;
  else if (key == "A2THETA") text = QString::fromUtf8("angle(2θ)");
  else if (key == "SINTHETA") text = QString::fromUtf8("sin(θ)/λ");
  else if (key == "FSINTH") text = QString::fromUtf8("f(sin(θ)/λ)"), upwards = true;
  QFont font("Arial");
  font.setPointSize(11);
  font.setItalic(true);
  const QFontMetrics fm(font);
  const int w = fm.horizontalAdvance(text) + 4;
  const int h = fm.height() + 2;
  QImage img(upwards ? QSize(h, w) : QSize(w, h), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(font);
  p.setPen(Qt::black);
  if (upwards) {
    p.translate(0, w);
    p.rotate(-90);
  }
  p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
  return img;
}

// ---------------------------------------------------------------------------
// Construction

void TFdiagram::setDefaultSettings(DiagramSettings* settings) { g_defaultSettings = settings; }

DiagramSettings& TFdiagram::defaultSettings() {
  if (g_defaultSettings) return *g_defaultSettings;
  // Without a main window (a window opened on its own) the settings live
  // for the run only; the main window installs the program's settings file.
  static MemoryDiagramSettings unsaved;
  return unsaved;
}

TFdiagram::TFdiagram(QWidget* owner, DiagramSettings* settings)
    : QWidget(owner, Qt::Window), settings_(settings ? settings : &defaultSettings()) {
  setObjectName("TFdiagram");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("diagram");
  setMinimumSize(200, 200);
  resize(kFormWidth, kFormHeight);

  Graf = new TGraph2D(this);
  Graf->setObjectName("Graf");
  Graf->setContextMenuPolicy(Qt::CustomContextMenu);
  Graf->setAcceptDrops(true);
  Graf->setMouseTracking(true);  // the status line follows the pointer
  Graf->installEventFilter(this);
  connect(Graf, &TGraph2D::onPaint, this, &TFdiagram::paintHook);
  connect(Graf, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { currentMenu()->popup(Graf->mapToGlobal(pos)); });
  Sregion = new RegionFrame(Graf);

  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setReadOnly(true);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setFixedWidth(181);
  Memo->hide();

  buildPanel();

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  Lcoords = new QLabel(StatusBar);
  Lcoords->setObjectName("Lcoords");
  StatusBar->addWidget(Lcoords, 1);

  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  auto* layout = new QHBoxLayout;
  layout->setSpacing(0);
  layout->addWidget(Panel);
  layout->addWidget(Graf, 1);
  layout->addWidget(Memo);
  top->addLayout(layout, 1);
  top->addWidget(StatusBar);

  buildMenus();

  centreOnDesktop();
}

void TFdiagram::centreOnDesktop() {
  QScreen* screen = QApplication::primaryScreen();
  if (!screen) return;
  const QRect desk = screen->availableGeometry();
  const QPoint centre = desk.center() - QPoint(width() / 2, height() / 2);
  // Down and right of every diagram window already showing at the place;
  // back to the top left corner of the desktop's free area when the window
  // would leave it.
  std::vector<QPoint> taken;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible() && qobject_cast<TFdiagram*>(w)) taken.push_back(w->pos());
  QPoint at = centre;
  for (int tries = 0; tries < 64; ++tries) {
    const bool onTop = std::any_of(taken.begin(), taken.end(), [&](const QPoint& p) {
      return std::abs(p.x() - at.x()) < kCascadeStep / 2 && std::abs(p.y() - at.y()) < kCascadeStep / 2;
    });
    if (!onTop) break;
    at += QPoint(kCascadeStep, kCascadeStep);
    if (at.x() + width() > desk.right() || at.y() + height() > desk.bottom()) at = desk.topLeft() + QPoint(tries, 0);
  }
  move(at);
}

TFdiagram::~TFdiagram() = default;

void TFdiagram::buildPanel() {
  Panel = new QWidget(this);
  Panel->setObjectName("Panel");
  Panel->setFixedWidth(193);
  Panel->setMinimumHeight(320);
  Panel->setAutoFillBackground(true);
  QPalette pal = Panel->palette();
  pal.setColor(QPalette::Window, QColor(0xFF, 0xFB, 0xF0));  // cream
  Panel->setPalette(pal);

  auto button = [this](QWidget* parent, const char* caption, const char* name, const char* hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (hint) b->setToolTip(hint);
    return b;
  };

  GBintred = new QGroupBox("Data Y values reduction", Panel);
  GBintred->setObjectName("GBintred");
  auto* g1 = new QGridLayout(GBintred);
  Bnomod = button(GBintred, "no mod.", "Bnomod", nullptr);
  Bsqrt = button(GBintred, "sqrt", "Bsqrt", nullptr);
  Blog10 = button(GBintred, "log10", "Blog10", nullptr);
  Bnorm = button(GBintred, "norm to 1", "Bnorm", nullptr);
  g1->addWidget(Bnomod, 0, 0);
  g1->addWidget(Bsqrt, 0, 1);
  g1->addWidget(Blog10, 1, 0);
  g1->addWidget(Bnorm, 1, 1);

  GBdenoise = new QGroupBox("Denoise data Y", Panel);
  GBdenoise->setObjectName("GBdenoise");
  auto* g2 = new QGridLayout(GBdenoise);
  Bmovave = button(GBdenoise, "Moving Avg.", "Bmovave", "Moving average filter");
  Bsg23 = button(GBdenoise, "SG 23", "Bsg23", "Savitzky-Golay filter, rank 23");
  Bsg45 = button(GBdenoise, "SG 45", "Bsg45", "Savitzky-Golay filter, rank 45");
  BderivSG23 = button(GBdenoise, "deriv SG 23", "BderivSG23", "Savitzky-Golay filter, with derivative");
  BderivSG45 = button(GBdenoise, "derivSG 45", "BderivSG45", "Savitzky-Golay filter, with derivative");
  Ekersize = new TDigitLabeledEdit(GBdenoise);
  Ekersize->setText("10");
  Ekersize->setObjectName("Ekersize");
  g2->addWidget(Bmovave, 0, 0, 1, 2);
  g2->addWidget(Bsg23, 1, 0);
  g2->addWidget(Bsg45, 1, 1);
  g2->addWidget(BderivSG23, 2, 0);
  g2->addWidget(BderivSG45, 2, 1);
  auto* kernelLabel = new QLabel("(Kernel size-1)/2", GBdenoise);
  kernelLabel->setBuddy(Ekersize);
  g2->addWidget(kernelLabel, 3, 0, 1, 2);
  g2->addWidget(Ekersize, 4, 0, 1, 2);

  CheckListBox = new QListWidget(Panel);
  CheckListBox->setObjectName("CheckListBox");
  QFont bold = CheckListBox->font();
  bold.setBold(true);
  CheckListBox->setFont(bold);
  connect(CheckListBox, &QListWidget::itemChanged, this, &TFdiagram::listItemChanged);

  auto* v = new QVBoxLayout(Panel);
  v->setContentsMargins(4, 4, 4, 4);
  v->addWidget(GBintred);
  v->addWidget(GBdenoise);
  v->addWidget(CheckListBox, 1);
  Panel->hide();

  connect(Bnomod, &QPushButton::clicked, this, [this] { amplitudeReduction(AmplitudeKind::NoMod); });
  connect(Bsqrt, &QPushButton::clicked, this, [this] { amplitudeReduction(AmplitudeKind::Sqrt); });
  connect(Blog10, &QPushButton::clicked, this, [this] { amplitudeReduction(AmplitudeKind::Log10); });
  connect(Bnorm, &QPushButton::clicked, this, [this] { amplitudeReduction(AmplitudeKind::Norm); });
  connect(Bmovave, &QPushButton::clicked, this, [this] { convolutionFilter(FilterKind::MovingAverage); });
  connect(Bsg23, &QPushButton::clicked, this, [this] { convolutionFilter(FilterKind::SG23); });
  connect(Bsg45, &QPushButton::clicked, this, [this] { convolutionFilter(FilterKind::SG45); });
  connect(BderivSG23, &QPushButton::clicked, this, [this] { convolutionFilter(FilterKind::DerivSG23); });
  connect(BderivSG45, &QPushButton::clicked, this, [this] { convolutionFilter(FilterKind::DerivSG45); });
}

QAction* TFdiagram::makeAction(const QString& caption, const QString& name, const QKeySequence& shortcut,
                               void (TFdiagram::*slot)()) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) {
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
  }
  connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
  addAction(a);  // the window holds the shortcut even while no menu is open
  return a;
}

void TFdiagram::buildMenus() {
  MIfullscreen = makeAction("Full screen on/off", "MIfullscreen", QKeySequence("Ctrl+F"), &TFdiagram::fullScreenToggle);
  MIfullscreen->setCheckable(true);
  MIsaveimage = makeAction("Save image", "MIsaveimage", {}, &TFdiagram::saveImage);
  MIimage2clip = makeAction("Save image to clipboard", "MIimage2clip", {}, &TFdiagram::imageToClipboard);
  MIimage2paint = makeAction("Send image to mspaint", "MIimage2paint", QKeySequence("Alt+P"), &TFdiagram::imageToEditor);
  MItitle = makeAction("Title", "MItitle", QKeySequence("Ctrl+T"), &TFdiagram::editTitle);
  MIlegend = makeAction("Legend", "MIlegend", QKeySequence("Ctrl+L"), &TFdiagram::toggleLegend);
  MIlegend->setCheckable(true);
  MIhints = makeAction("Hints", "MIhints", {}, &TFdiagram::toggleHints);
  MIhints->setCheckable(true);
  MIhints->setVisible(false);
  MIgrid = makeAction("Grid", "MIgrid", {}, &TFdiagram::toggleGrid);
  MIgrid->setCheckable(true);
  MIlineprop = makeAction("Lines properties", "MIlineprop", QKeySequence("Ctrl+K"), &TFdiagram::lineProperties);
  MIaxisX = new QAction("Set axis X parameters", this);
  MIaxisX->setObjectName("MIaxisX");
  MIaxisX->setShortcut(QKeySequence("Alt+X"));
  connect(MIaxisX, &QAction::triggered, this, [this] { axisParameters(true); });
  addAction(MIaxisX);
  MIaxisY = new QAction("Set axis Y parameters", this);
  MIaxisY->setObjectName("MIaxisY");
  MIaxisY->setShortcut(QKeySequence("Alt+Y"));
  connect(MIaxisY, &QAction::triggered, this, [this] { axisParameters(false); });
  addAction(MIaxisY);
  MIresetaxis = makeAction("Reset axis", "MIresetaxis", {}, &TFdiagram::resetAxis);
  MImemo = makeAction("Memo", "MImemo", QKeySequence("Ctrl+M"), &TFdiagram::toggleMemo);
  MImemo->setCheckable(true);
  MIpanel = makeAction("Panel", "MIpanel", QKeySequence("Ctrl+P"), &TFdiagram::togglePanel);
  MIpanel->setCheckable(true);
  MIdefsize = makeAction("Set default window size", "MIdefsize", QKeySequence("Ctrl+D"), &TFdiagram::applyDefaultSize);
  MIsavesize = makeAction("Save size as default", "MIsavesize", {}, &TFdiagram::saveSizeAsDefault);
  MIprintBW = new QAction("Print BW", this);
  MIprintBW->setObjectName("MIprintBW");
  connect(MIprintBW, &QAction::triggered, this, [this] { printDiagram(false); });
  MIprintRGB = new QAction("Print RGB", this);
  MIprintRGB->setObjectName("MIprintRGB");
  connect(MIprintRGB, &QAction::triggered, this, [this] { printDiagram(true); });
  MIdata2clip = makeAction("Save data to clipboard", "MIdata2clip", {}, &TFdiagram::dataToClipboard);
  MIdata2file = makeAction("Save data to file", "MIdata2file", {}, &TFdiagram::saveDataToFile);
  MIdataFromClip = makeAction("Get data from clipboard", "MIdataFromClip", {}, &TFdiagram::dataFromClipboard);
  MIdataFromFile = new QAction("Get data from file", this);
  MIdataFromFile->setObjectName("MIdataFromFile");
  connect(MIdataFromFile, &QAction::triggered, this, [this] { loadDataFromFile(); });

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  PopupMenu->addAction(MIfullscreen);
  PopupMenu->addSeparator();
  PopupMenu->addAction(MIsaveimage);
  PopupMenu->addAction(MIimage2clip);
  PopupMenu->addAction(MIimage2paint);
  PopupMenu->addSeparator();
  PopupMenu->addAction(MItitle);
  PopupMenu->addAction(MIlegend);
  PopupMenu->addAction(MIhints);
  PopupMenu->addAction(MIgrid);
  PopupMenu->addAction(MIlineprop);
  PopupMenu->addAction(MIaxisX);
  PopupMenu->addAction(MIaxisY);
  PopupMenu->addAction(MIresetaxis);
  PopupMenu->addSeparator();
  PopupMenu->addAction(MImemo);
  PopupMenu->addAction(MIpanel);
  PopupMenu->addAction(MIdefsize);
  PopupMenu->addAction(MIsavesize);
  PopupMenu->addSeparator();
  PopupMenu->addAction(MIprintBW);
  PopupMenu->addAction(MIprintRGB);
  PopupMenu->addSeparator();
  PopupMenu->addAction(MIdata2clip);
  PopupMenu->addAction(MIdata2file);
  PopupMenu->addAction(MIdataFromClip);
  PopupMenu->addAction(MIdataFromFile);
  connect(PopupMenu, &QMenu::aboutToShow, this, [this] {
    syncChecks();
    MIdataFromClip->setVisible(clipboardHasText());
  });

  PopupMenuShort = new QMenu(this);
  PopupMenuShort->setObjectName("PopupMenuShort");
  PopupMenuShort->addAction(MIfullscreen);
  PopupMenuShort->addAction(MIimage2clip);
  PopupMenuShort->addAction(MIdata2file);
}

void TFdiagram::useShortMenu(bool shortMenu) { shortMenu_ = shortMenu; }
QMenu* TFdiagram::currentMenu() const { return shortMenu_ ? PopupMenuShort : PopupMenu; }
void TFdiagram::showHintsCommand(bool show) { MIhints->setVisible(show); }

void TFdiagram::syncChecks() {
  const TSubGraph* g = Graf->activePanel();
  MIlegend->setChecked(g && g->legend.visible);
  MIgrid->setChecked(g && g->grid.visible);
  MIhints->setChecked(g && g->hintsOn);
  MImemo->setChecked(Memo->isVisible() || (!isVisible() && !Memo->isHidden()));
  MIpanel->setChecked(Panel->isVisible() || (!isVisible() && !Panel->isHidden()));
  MIfullscreen->setChecked(fullScreen_);
}

void TFdiagram::repaintGraf() {
  readout_.clear();
  Graf->update();
}

void TFdiagram::closeEvent(QCloseEvent* event) { event->accept(); }

void TFdiagram::showMessage(const StMessage& m) { DiagramUi::instance().showMessage(this, m); }

// ---------------------------------------------------------------------------
// Sizes, list, memo

void TFdiagram::applyDefaultSize() {
  resize(settings_->readInteger("gw", kDefaultDiagramWidth), settings_->readInteger("gh", kDefaultDiagramHeight));
  if (!isVisible()) centreOnDesktop();
}

void TFdiagram::saveSizeAsDefault() {
  settings_->writeInteger("gw", width());
  settings_->writeInteger("gh", height());
}

void TFdiagram::addListEntry(const QString& text, bool checked) {
  const QSignalBlocker block(CheckListBox);
  auto* item = new QListWidgetItem(text, CheckListBox);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QStringList TFdiagram::listEntries() const {
  QStringList out;
  for (int i = 0; i < CheckListBox->count(); ++i) out << CheckListBox->item(i)->text();
  return out;
}

bool TFdiagram::isListChecked(int index) const {
  const QListWidgetItem* item = CheckListBox->item(index);
  return item && item->checkState() == Qt::Checked;
}

void TFdiagram::setListChecked(int index, bool checked) {
  if (QListWidgetItem* item = CheckListBox->item(index)) item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TFdiagram::listItemChanged(QListWidgetItem*) {
  // Every series takes the check state of the entry with its index.
  const unsigned n = Graf->diagramCount();
  for (int i = 0; i < CheckListBox->count() && static_cast<unsigned>(i) < n; ++i)
    Graf->setDiagramVisible(isListChecked(i), static_cast<unsigned>(i));
  repaintGraf();
}

void TFdiagram::appendMemo(const QString& line) { Memo->appendPlainText(line); }
void TFdiagram::setMemoText(const QString& text) { Memo->setPlainText(text); }
QString TFdiagram::memoText() const { return Memo->toPlainText(); }

// ---------------------------------------------------------------------------
// Look of the plot

void TFdiagram::setAxisTitleImages(const QString& xName, const QString& yName) {
  imageNameX_ = xName;
  imageNameY_ = yName;
  Graf->setAxisXTitle("");
  Graf->setAxisYTitle("");
  imageX_ = axisTitleImage(xName);
  imageY_ = axisTitleImage(yName);
  // The plot keeps room for the Y picture left of its tick labels.
  for (TSubGraph& g : Graf->subGraphs()) g.yTitleReserve = imageY_.isNull() ? 0 : imageY_.width();
  Graf->update();
}

void TFdiagram::paintHook(QPainter* p) {
  const Graph2DModel& m = Graf->paintedModel();
  if (!imageX_.isNull()) p->drawImage((m.width() - imageX_.width()) / 2, m.height() - 20, imageX_);
  if (!imageY_.isNull()) {
    // At 20 pixels from the left edge, or further left when the tick labels
    // reach there; never over them.
    const TSubGraph* g = m.activePanel();
    const int labels = g ? g->labelLeft : 20 + imageY_.width() + 4;
    const int x = std::max(0, std::min(20, labels - imageY_.width() - 4));
    p->drawImage(x, (m.height() - imageY_.height()) / 2, imageY_);
  }
  if (!readout_.isEmpty()) {
    p->save();
    p->setPen(Qt::black);
    p->setFont(QFont("Arial"));
    const QFontMetrics fm(p->font());
    p->drawText(readoutAt_.x(), readoutAt_.y() + fm.ascent(), readout_);
    p->setPen(QPen(Qt::blue, 1));
    p->setBrush(Qt::NoBrush);
    p->drawEllipse(readoutMark_, 3, 3);
    p->setBrush(Qt::blue);
    p->drawEllipse(readoutMark_, 1, 1);
    p->restore();
  }
}

void TFdiagram::fullScreenToggle() {
  if (!fullScreen_) {
    savedBounds_ = geometry();
    fullScreen_ = true;
    showFullScreen();
  } else {
    fullScreen_ = false;
    showNormal();
    setGeometry(savedBounds_);
  }
  MIfullscreen->setChecked(fullScreen_);
}

void TFdiagram::editTitle() {
  const QString title = DiagramUi::instance().inputBox(this, "Graph properties", "Type title: ", q(Graf->getGraphTitle()));
  Graf->setGraphTitle(title.toStdString());
  repaintGraf();
}

void TFdiagram::toggleLegend() {
  TSubGraph* g = Graf->activePanel();
  if (!g) return;
  g->legend.visible = !g->legend.visible;
  MIlegend->setChecked(g->legend.visible);
  repaintGraf();
}

void TFdiagram::toggleHints() {
  TSubGraph* g = Graf->activePanel();
  if (!g) return;
  g->hintsOn = !g->hintsOn;
  MIhints->setChecked(g->hintsOn);
  repaintGraf();
}

void TFdiagram::toggleGrid() {
  TSubGraph* g = Graf->activePanel();
  if (!g) return;
  g->grid.visible = !g->grid.visible;
  MIgrid->setChecked(g->grid.visible);
  repaintGraf();
}

void TFdiagram::toggleMemo() {
  Memo->setVisible(Memo->isHidden());
  MImemo->setChecked(!Memo->isHidden());
}

void TFdiagram::togglePanel() {
  Panel->setVisible(Panel->isHidden());
  MIpanel->setChecked(!Panel->isHidden());
}

void TFdiagram::lineProperties() {
  const unsigned n = Graf->diagramCount();
  if (n == 0) return;
  std::vector<StLinePrm> records;
  for (unsigned j = 0; j < n; ++j)
    records.push_back({Graf->getDiagramTitle(j), Graf->getColor(j), static_cast<std::int32_t>(Graf->getStyle(j)),
                       static_cast<std::int32_t>(Graf->getPenWidth(j))});
  TFdiagprop dialog(this, records);
  if (DiagramUi::instance().execDialog(dialog) == 0) return;
  for (unsigned j = 0; j < n; ++j) {
    const StLinePrm& r = records[j];
    Graf->setColor(r.color, j);
    Graf->setPenWidth(static_cast<unsigned>(std::max(1, r.width)), j);
    if (r.style >= 0 && r.style < diagramStyleCount) Graf->setStyle(static_cast<diagramStyle>(r.style), j);
    Graf->setDiagramTitle(r.title, j);
  }
  repaintGraf();
}

void TFdiagram::axisParameters(bool axisX) {
  TSubGraph* g = Graf->activePanel();
  if (!g) return;
  TAxis& axis = axisX ? g->axisX : g->axisY;
  TFaxisprm dialog(this);
  dialog.loadAxis(axis);
  if (DiagramUi::instance().execDialog(dialog) != QDialog::Accepted) return;
  dialog.storeAxis(axis);
  repaintGraf();
}

void TFdiagram::resetAxis() {
  // The full view of every panel, also after zooming or moving it with the mouse.
  Graf->model().resetView();
  repaintGraf();
}

}  // namespace grainix
