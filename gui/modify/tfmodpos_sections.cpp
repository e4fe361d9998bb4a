// The sections part of the modification window: the grid with its header
// glyphs, colours and cell editor, the add/remove buttons, "Plot", "Print"
// and "Save in BMP".
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

#include "engine/plot/diagram_desc.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/controls/icons.h"
#include "gui/modify/modpos_ui.h"
#include "gui/modify/sections_strip.h"
#include "gui/modify/tfmodpos.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/image_file.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Editor of the two editable columns: a numeric field edited in place. The
// row is written once, when the edit ends (Return, Tab, or the focus
// leaving the cell).
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(std::function<void(int, int, const QString&)> committed, QObject* parent)
      : QStyledItemDelegate(parent), committed_(std::move(committed)) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* e = new TDigitLabeledEdit(parent);
    e->setObjectName("cellEditor");
    e->setFrame(false);
    return e;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    // Only when the editor opens: a repaint of the row must not move the
    // cursor or drop the selection of a person typing.
    auto* e = static_cast<QLineEdit*>(editor);
    if (e->property("grainixFilled").toBool()) return;
    e->setProperty("grainixFilled", true);
    e->setText(index.data(Qt::DisplayRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    committed_(index.row(), index.column(), static_cast<QLineEdit*>(editor)->text());
  }

 private:
  std::function<void(int, int, const QString&)> committed_;
};

// Button pictures: a plus, a minus, and "all but the first" (a bar with a
// minus beside it).
QIcon buttonIcon(int kind) {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor green(0, 140, 0), red(200, 0, 0);
  p.setPen(QPen(kind == 0 ? green : red, 3.2, Qt::SolidLine, Qt::RoundCap));
  switch (kind) {
    case 0:
      p.drawLine(QPointF(4, 10), QPointF(16, 10));
      p.drawLine(QPointF(10, 4), QPointF(10, 16));
      break;
    case 1: p.drawLine(QPointF(4, 10), QPointF(16, 10)); break;
    default:
      p.setPen(QPen(QColor(0, 100, 170), 3.2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(4, 16));
      p.setPen(QPen(red, 2.6, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(9, 6), QPointF(16, 14));
      p.drawLine(QPointF(16, 6), QPointF(9, 14));
      break;
  }
  return withDisabledLook(QIcon(pm), QApplication::style(), pm.size());
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setToolTip(tip);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

QWidget* TFmodpos::buildSections() {
  auto* box = new QWidget(this);
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);

  StrGrid = new QTableWidget(box);
  StrGrid->setObjectName("StrGrid");
  StrGrid->setColumnCount(kSectionColumns);
  StrGrid->horizontalHeader()->hide();
  StrGrid->verticalHeader()->hide();
  StrGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  StrGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  StrGrid->setItemDelegate(new CellDelegate(
      [this](int row, int col, const QString& text) { cellEdited(row, col, text); }, StrGrid));
  StrGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  StrGrid->horizontalHeader()->setSectionResizeMode(colName, QHeaderView::ResizeToContents);
  StrGrid->horizontalHeader()->setSectionResizeMode(colLattMod, QHeaderView::ResizeToContents);
  StrGrid->setMinimumHeight(150);
  StrGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  GridPopup = new QMenu(this);
  GridPopup->addAction("Print", this, &TFmodpos::BprintClick)->setObjectName("MIprint");
  connect(StrGrid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { GridPopup->popup(StrGrid->viewport()->mapToGlobal(at)); });
  v->addWidget(StrGrid, 2);

  auto* buttons = new QHBoxLayout;
  Bplus = makeButton(box, "Bplus", "", "add a section");
  Bplus->setIcon(buttonIcon(0));
  Bplus3 = makeButton(box, "Bplus3", "3", "add three sections");
  Bplus3->setIcon(buttonIcon(0));
  Bminus = makeButton(box, "Bminus", "", "remove the last section");
  Bminus->setIcon(buttonIcon(1));
  Bdel = makeButton(box, "Bdel", "", "remove all sections but the first");
  Bdel->setIcon(buttonIcon(2));
  Bplot = makeButton(box, "Bplot", "Plot", "plot psi(x)");
  BitBtn1 = makeButton(box, "BitBtn1", "Print", "print the table");
  BsavePicdial = makeButton(box, "BsavePicdial", "Save in BMP", "save the table as a picture");
  for (QPushButton* b : {Bplus, Bplus3, Bminus, Bdel}) buttons->addWidget(b);
  buttons->addStretch(1);
  for (QPushButton* b : {Bplot, BitBtn1, BsavePicdial}) buttons->addWidget(b);
  v->addLayout(buttons);

  Memo = new QPlainTextEdit(box);
  Memo->setObjectName("Memo");
  Memo->setReadOnly(true);
  QFont bold = Memo->font();
  bold.setBold(true);
  Memo->setFont(bold);
  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  Memo->viewport()->installEventFilter(this);
  Memo->setToolTip("click to refresh the summary");
  MemoPopup = new QMenu(this);
  MemoPopup->addAction("Clear Memo", this, &TFmodpos::clearMemoClick)->setObjectName("MIclearmemo");
  MemoPopup->addAction("Font", this, &TFmodpos::fontClick)->setObjectName("MIfont");
  connect(Memo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { MemoPopup->popup(Memo->viewport()->mapToGlobal(at)); });
  v->addWidget(Memo, 3);

  connect(Bplus, &QPushButton::clicked, this, &TFmodpos::BplusClick);
  connect(Bplus3, &QPushButton::clicked, this, &TFmodpos::Bplus3Click);
  connect(Bminus, &QPushButton::clicked, this, &TFmodpos::BminusClick);
  connect(Bdel, &QPushButton::clicked, this, &TFmodpos::BdelClick);
  connect(Bplot, &QPushButton::clicked, this, &TFmodpos::BplotClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TFmodpos::BprintClick);
  connect(BsavePicdial, &QPushButton::clicked, this, &TFmodpos::BsavePicdialClick);
  return box;
}

void TFmodpos::fillGrid() {
  const SectionsTable& t = model_.table();
  const int rows = static_cast<int>(t.rowCount()) + 1;
  if (StrGrid->rowCount() != rows) StrGrid->setRowCount(rows);
  QFont glyph = StrGrid->font();
  glyph.setFamily("serif");
  glyph.setItalic(true);
  glyph.setBold(true);
  glyph.setPointSizeF(glyph.pointSizeF() * 1.3);
  for (int c = 0; c < kSectionColumns; ++c) {
    auto* item = StrGrid->item(0, c);
    if (!item) {
      item = new QTableWidgetItem;
      StrGrid->setItem(0, c, item);
    }
    // The rho and psi columns carry the letters as pictures of their own.
    const char* picture = SectionsTable::headerPicture(c);
    if (*picture) {
      item->setText(std::string(picture) == "IMRHO" ? QString(QChar(0x03C1)) : QString(QChar(0x03C8)));
      item->setFont(glyph);
    } else {
      item->setText(SectionsTable::headerText(c));
    }
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled);
    const StRgb bg = t.cellBackground(0, c);
    item->setBackground(QColor(bg.r, bg.g, bg.b));
  }
  for (int r = 1; r < rows; ++r) refreshGridRow(r);
  Isections->update();
  applyStates(t.buttonStates());
}

void TFmodpos::refreshGridRow(int gridRow) {
  const SectionsTable& t = model_.table();
  const auto& row = t.row(static_cast<size_t>(gridRow - 1));
  for (int c = 0; c < kSectionColumns; ++c) {
    auto* item = StrGrid->item(gridRow, c);
    if (!item) {
      item = new QTableWidgetItem;
      StrGrid->setItem(gridRow, c, item);
    }
    item->setText(qs(row[static_cast<size_t>(c)]));
    item->setTextAlignment(c == colName ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (SectionsTable::isEditable(c)) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    const StRgb bg = t.cellBackground(gridRow, c);
    item->setBackground(QColor(bg.r, bg.g, bg.b));
  }
}

void TFmodpos::cellEdited(int gridRow, int col, const QString& text) {
  if (gridRow < 1 || static_cast<size_t>(gridRow) > model_.table().rowCount()) return;
  const auto res = model_.table().editCell(static_cast<size_t>(gridRow - 1), col, text.toStdString());
  // Other rows' %V change with a radius.
  for (int r = 1; r < StrGrid->rowCount(); ++r) refreshGridRow(r);
  if (res.ok) Isections->update();
  // The edit may have ended because the focus left the cell; its box waits
  // until that event is over.
  showLater(res.messages);
}

void TFmodpos::BplusClick() {
  model_.table().addSection();
  fillGrid();
}

void TFmodpos::Bplus3Click() {
  model_.table().addThree();
  fillGrid();
}

void TFmodpos::BminusClick() {
  model_.table().removeLast();
  fillGrid();
}

void TFmodpos::BdelClick() {
  model_.table().removeAllButFirst();
  fillGrid();
}

void TFmodpos::BplotClick() {
  showPending();
  StSectionsPlot plot;
  const auto res = model_.plot(plot);
  apply(res);
  if (plot.series.empty()) return;
  DiagramDesc desc;
  for (const StSectionSeries& s : plot.series) {
    SeriesDesc ser;
    ser.x.assign(s.x, s.x + 2);
    ser.y.assign(s.y, s.y + 2);
    ser.color = diagramRgb(s.colour.r, s.colour.g, s.colour.b);
    ser.style = kStyleLine;
    ser.penWidth = static_cast<unsigned>(s.penWidth);
    ser.title = s.title;
    desc.series.push_back(std::move(ser));
  }
  desc.axisXTitle = plot.xTitle;
  desc.axisYTitle = plot.yTitle;
  desc.graphTitle = plot.title;
  desc.grid = plot.grid;
  desc.margins = DiagramMargins{70, 40, 50, 50};  // room for the rotated axis title
  desc.defaultSize = false;
  TFdiagram* w = openDiagram(this, desc, nullptr, false);
  w->resize(plot.width, plot.height);
  w->show();
  lastDiagram_ = w;
}

QImage TFmodpos::gridImage() const { return StrGrid->grab().toImage(); }

void TFmodpos::BprintClick() {
  QPrinter printer(QPrinter::HighResolution);
  if (!ModposUi::instance().printDialog(this, printer)) return;
  const QImage image = gridImage();
  printer.setColorMode(QPrinter::Color);
  QPainter painter;
  if (image.isNull() || !painter.begin(&printer)) {
    showMessage({MessageKind::Error, "ERROR", "jest problem !"});
    return;
  }
  // Half the page width, with the grid's aspect ratio.
  const QRect page = painter.viewport();
  const int w = page.width() / 2;
  const int h = static_cast<int>(double(w) * image.height() / image.width());
  painter.drawImage(QRect(0, 0, w, h), image);
  painter.end();
}

void TFmodpos::BsavePicdialClick() {
  const QString path = ModposUi::instance().savePictureName(this, "shells", "Bitmaps (*.bmp)", "bmp");
  if (path.isEmpty()) return;
  if (!writeImageFile(gridImage(), path, "BMP")) showMessage({MessageKind::Error, "ERROR", "write failed"});
}

}  // namespace grainix
