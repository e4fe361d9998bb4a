// Widgets of the calculation panel: groups, captions and object names.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/calc/calc_panel.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/controls/icons.h"

namespace grainix {

class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && box_->isEnabled()) box_->toggle();
  }

 private:
  QCheckBox* box_;
};

PieGauge::PieGauge(QWidget* parent) : QWidget(parent) { setFixedSize(22, 22); }

void PieGauge::setProgress(int value) {
  value_ = value;
  update();
}

void PieGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(1, 1, width() - 2, height() - 2);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawEllipse(r);
  p.setBrush(QColor(0, 0, 160));
  const int span = -360 * 16 * value_ / 4;  // maximum 4, clockwise from 12 o'clock
  if (value_ > 0) p.drawPie(r, 90 * 16, span);
}

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

// Every typed number goes into the numeric field of the custom controls.
QLineEdit* edit(const char* name, const char* text, QWidget* parent, int width = 76) {
  auto* e = named(new TDigitLabeledEdit(parent), name);
  e->setText(QString::fromLatin1(text));
  e->setFixedWidth(width);
  return e;
}

QPushButton* glyphButton(const char* name, QStyle::StandardPixmap icon, const char* hint, QWidget* parent) {
  auto* b = named(new QPushButton(parent), name);
  b->setIcon(withDisabledLook(parent->style()->standardIcon(icon), parent->style()));
  b->setToolTip(QString::fromLatin1(hint));
  b->setFixedWidth(32);
  return b;
}

QGroupBox* group(const char* name, const QString& title, QWidget* parent) {
  return named(new QGroupBox(title, parent), name);
}

}  // namespace

void CalcPanel::buildLayout() {
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(4);
  v->addWidget(buildRadiationGroup());
  v->addWidget(buildPdhGroup());
  v->addWidget(buildDiffractionGroup());
  v->addWidget(buildGrGroup());
  v->addWidget(buildCalcGroup());
}

QWidget* CalcPanel::buildRadiationGroup() {
  auto* g = group("GBradiation", "Radiation wavelength (in Angs) ", this);
  auto* h = new QHBoxLayout(g);
  CBoxXray = named(new QComboBox(g), "CBoxXray");
  for (const StAnode& a : RadiationModel::anodes()) CBoxXray->addItem(QString::fromLatin1(a.name));
  CBoxXray->setToolTip("X Ray source");
  Elam = edit("Elam", "", g, 80);
  Ek = edit("Ek", "", g, 80);
  Ek->setVisible(false);
  h->addWidget(CBoxXray);
  h->addWidget(named(new QLabel("lambda", g), "Llam"));
  h->addWidget(Elam);
  h->addWidget(Ek);
  h->addStretch(1);
  CBoxXray->setCurrentIndex(radiation_.anodeIndex());
  Elam->setText(QString::fromStdString(radiation_.lambdaText()));
  Ek->setText(QString::fromStdString(radiation_.kText()));
  return g;
}

QWidget* CalcPanel::buildPdhGroup() {
  auto* g = group("GBpdf", "Pair distance histogram", this);
  auto* grid = new QGridLayout(g);
  BLiczPdf = named(new QPushButton("PDH", g), "BLiczPdf");
  BLiczPdf->setToolTip("calculate the pair distance histogram");
  Ebinwidth = edit("Ebinwidth", "0.001", g, 80);
  Ebinwidth->setContextMenuPolicy(Qt::CustomContextMenu);
  PMebin = named(new QMenu(Ebinwidth), "PMebin");
  for (const StBinWidthItem& it : kBinWidthItems) {
    QAction* a = PMebin->addAction(QString::fromLatin1(it.caption));
    const int tag = it.tag;
    connect(a, &QAction::triggered, this, [this, tag] { N1161Click(tag); });
  }
  connect(Ebinwidth, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PMebin->popup(Ebinwidth->mapToGlobal(p)); });
  Lbw = named(new QLabel(QString::fromLatin1(kBinWidthWarning), g), "Lbw");
  Lbw->setStyleSheet("color: red");
  Lbw->setWordWrap(true);
  Lbw->setVisible(false);
  BGraf = glyphButton("BGraf", QStyle::SP_FileDialogContentsView, "pdh diagram", g);
  BHistogram = named(new QPushButton("Histogram", g), "BHistogram");
  ChBtuzpo = named(new QCheckBox(g), "ChBtuzpo");
  auto* l4 = named(new ClickLabel("Show diagram after calculations", ChBtuzpo, g), "Label4");
  grid->addWidget(named(new QLabel("bin width", g), "Lbinwidth"), 0, 0);
  grid->addWidget(Ebinwidth, 0, 1);
  grid->addWidget(BLiczPdf, 0, 2);
  grid->addWidget(BGraf, 0, 3);
  grid->addWidget(BHistogram, 0, 4);
  grid->addWidget(Lbw, 1, 0, 1, 5);
  auto* row = new QHBoxLayout;
  row->addWidget(ChBtuzpo);
  row->addWidget(l4);
  row->addStretch(1);
  grid->addLayout(row, 2, 0, 1, 5);
  grid->setColumnStretch(5, 1);
  return g;
}

QWidget* CalcPanel::buildDiffractionGroup() {
  auto* g = group("GBdiffr", "I or S, range, step, units", this);
  auto* grid = new QGridLayout(g);
  Estart = edit("Estart", "5", g);
  Estop = edit("Estop", "150", g);
  Edphi = edit("Edphi", "0.1", g);
  Eqstart = edit("Eqstart", "", g);
  Eqstop = edit("Eqstop", "", g);
  Eqstep = edit("Eqstep", "", g);
  for (QLineEdit* q : {Eqstart, Eqstop, Eqstep}) {
    q->setReadOnly(true);
    q->setStyleSheet("background: #f0f0f0");
  }
  grid->addWidget(new QLabel("start", g), 0, 1);
  grid->addWidget(new QLabel("stop", g), 0, 2);
  grid->addWidget(new QLabel("step", g), 0, 3);
  grid->addWidget(named(new QLabel("2theta", g), "Langle"), 1, 0);
  grid->addWidget(Estart, 1, 1);
  grid->addWidget(Estop, 1, 2);
  grid->addWidget(Edphi, 1, 3);
  grid->addWidget(named(new QLabel("Q", g), "Lq"), 2, 0);
  grid->addWidget(Eqstart, 2, 1);
  grid->addWidget(Eqstop, 2, 2);
  grid->addWidget(Eqstep, 2, 3);

  auto* quantity = new QButtonGroup(g);
  RBi = named(new QRadioButton("I", g), "RBi");
  RBs = named(new QRadioButton("S", g), "RBs");
  quantity->addButton(RBi);
  quantity->addButton(RBs);
  RBs->setChecked(true);
  auto* units = new QButtonGroup(g);
  RBangle = named(new QRadioButton("Angle", g), "RBangle");
  RBq = named(new QRadioButton("Q(Angs-1)", g), "RBq");
  units->addButton(RBangle);
  units->addButton(RBq);
  RBq->setChecked(true);
  RBangle->setEnabled(false);
  auto* choice = new QHBoxLayout;
  choice->addWidget(RBi);
  choice->addWidget(RBs);
  choice->addSpacing(12);
  choice->addWidget(RBangle);
  choice->addWidget(RBq);
  choice->addStretch(1);
  grid->addLayout(choice, 3, 0, 1, 5);

  Bpdfdyfr = named(new QPushButton("Diffraction pattern", g), "Bpdfdyfr");
  Bdiffgraph = glyphButton("Bdiffgraph", QStyle::SP_FileDialogContentsView, "diffraction pattern", g);
  ChBshowpattern = named(new QCheckBox(g), "ChBshowpattern");
  auto* l1 = named(new ClickLabel("Show diffraction  pattern after calculations", ChBshowpattern, g), "Label1");
  auto* cmdRow = new QHBoxLayout;
  cmdRow->addWidget(Bpdfdyfr);
  cmdRow->addWidget(Bdiffgraph);
  cmdRow->addStretch(1);
  grid->addLayout(cmdRow, 4, 0, 1, 5);
  auto* showRow = new QHBoxLayout;
  showRow->addWidget(ChBshowpattern);
  showRow->addWidget(l1);
  showRow->addStretch(1);
  grid->addLayout(showRow, 5, 0, 1, 5);
  grid->setColumnStretch(4, 1);
  return g;
}

QWidget* CalcPanel::buildGrGroup() {
  auto* outer = named(new QWidget(this), "PGr");
  auto* v = new QVBoxLayout(outer);
  v->setContentsMargins(0, 0, 0, 0);
  auto* row = new QHBoxLayout;
  auto* range = group("GBgrrange", "Range, step (in Angs)", outer);
  auto* grid = new QGridLayout(range);
  Egrstart = edit("Egrstart", "0", range, 56);
  Egrstop = edit("Egrstop", "3.54", range, 56);
  Egrstep = edit("Egrstep", "0.01", range, 56);
  grid->addWidget(new QLabel("start", range), 0, 1);
  grid->addWidget(new QLabel("stop", range), 0, 2);
  grid->addWidget(new QLabel("step", range), 0, 3);
  grid->addWidget(named(new QLabel("Pair distance", range), "Lpairdist"), 1, 0);
  grid->addWidget(Egrstart, 1, 1);
  grid->addWidget(Egrstop, 1, 2);
  grid->addWidget(Egrstep, 1, 3);
  auto* win = group("GBwindow", "Windowing function", outer);
  auto* wv = new QVBoxLayout(win);
  RBwnone = named(new QRadioButton("None (BoxCar)", win), "RBwnone");
  RBwhamm = named(new QRadioButton("Hamming", win), "RBwhamm");
  RBwlodge = named(new QRadioButton("Lorch", win), "RBwlodge");
  RBwlodge->setChecked(true);
  wv->addWidget(RBwnone);
  wv->addWidget(RBwhamm);
  wv->addWidget(RBwlodge);
  grid->setRowStretch(2, 1);
  row->addWidget(range, 1);
  row->addWidget(win);
  v->addLayout(row);

  Bsq = named(new QPushButton("G(r) of diffraction", outer), "Bsq");
  Bgrgraph = glyphButton("Bgrgraph", QStyle::SP_FileDialogContentsView, "PDF diagram", outer);
  ChBoxGrGraph = named(new QCheckBox(outer), "ChBoxGrGraph");
  auto* l7 = named(new ClickLabel("Show G(r) diagram after calculations", ChBoxGrGraph, outer), "Label7");
  auto* cmd = new QHBoxLayout;
  cmd->addWidget(Bsq);
  cmd->addWidget(Bgrgraph);
  cmd->addWidget(ChBoxGrGraph);
  cmd->addWidget(l7);
  cmd->addStretch(1);
  v->addLayout(cmd);
  return outer;
}

QWidget* CalcPanel::buildCalcGroup() {
  GBcalc = group("GBcalc", "Calculations", this);
  auto* v = new QVBoxLayout(GBcalc);
  Brijnew = glyphButton("Brijnew", QStyle::SP_MediaPlay, "delta(r) calculation", GBcalc);
  Brijgraph = glyphButton("Brijgraph", QStyle::SP_FileDialogContentsView, "delta(r) diagram", GBcalc);
  ChBgraphrij = named(new QCheckBox(GBcalc), "ChBgraphrij");
  auto* l6 = named(new ClickLabel("Show diagram after calculations", ChBgraphrij, GBcalc), "Label6");
  auto* delta = new QHBoxLayout;
  delta->addWidget(named(new QLabel("delta(r)", GBcalc), "Ldelta"));
  delta->addWidget(Brijnew);
  delta->addWidget(Brijgraph);
  delta->addWidget(ChBgraphrij);
  delta->addWidget(l6);
  delta->addStretch(1);
  v->addLayout(delta);

  Bstop = named(new QPushButton("STOP", GBcalc), "Bstop");
  Bstop->setStyleSheet("color: red; font-weight: bold");
  Bstop->setVisible(false);
  CGauge = named(new QProgressBar(GBcalc), "CGauge");
  CGauge->setTextVisible(true);
  CGauge->setVisible(false);
  CG = named(new PieGauge(GBcalc), "CG");
  CG->setVisible(false);
  auto* run = new QHBoxLayout;
  run->addWidget(Bstop);
  run->addWidget(CGauge, 1);
  run->addWidget(CG);
  v->addLayout(run);
  // The row keeps its height while the gauge comes and goes.
  GBcalc->setMinimumHeight(GBcalc->sizeHint().height() + Bstop->sizeHint().height());

  Timer = named(new QTimer(this), "Timer");
  Timer->setInterval(250);
  return GBcalc;
}

}  // namespace grainix
