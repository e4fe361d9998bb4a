#include "gui/calc/tfscatterfactors.h"

#include <QAction>
#include <QBrush>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

TFscatterFactors::TFscatterFactors(const QString& exeDir, const QString& workingDir, QWidget* parent,
                                   MessageSink messages)
    : QDialog(parent), workingDir_(workingDir), messages_(std::move(messages)) {
  setObjectName("FscatterFactors");
  setWindowTitle("coefficients for analytical approximation of scattering factors and chosen properties of elements");
  opener_ = [](QWidget* owner, const DiagramDesc& desc) -> QWidget* { return openDiagram(owner, desc); };

  auto* v = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu("File");
  QAction* save = file->addAction("Save array");
  save->setObjectName("MIsavearray");
  save->setShortcut(QKeySequence(Qt::Key_F2));
  connect(save, &QAction::triggered, this, [this] { saveArray(); });
  v->setMenuBar(bar);

  StrGrid = new QTableWidget(this);
  StrGrid->setObjectName("StrGrid");
  StrGrid->setColumnCount(ElementGridModel::kColumns);
  QStringList titles;
  for (const std::string& t : ElementGridModel::titles()) titles << QString::fromStdString(t);
  StrGrid->setHorizontalHeaderLabels(titles);
  StrGrid->verticalHeader()->setDefaultSectionSize(22);
  StrGrid->horizontalHeader()->setDefaultSectionSize(64);
  StrGrid->setStyleSheet("QTableWidget::item { padding-left: 4px; }");
  StrGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  v->addWidget(StrGrid, 1);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  connect(PopupMenu->addAction("Add a new record"), &QAction::triggered, this, &TFscatterFactors::addRecord);
  connect(PopupMenu->addAction("Remove the last record"), &QAction::triggered, this,
          &TFscatterFactors::removeLastRecord);
  connect(PopupMenu->addAction("Save array"), &QAction::triggered, this, [this] { saveArray(); });
  connect(StrGrid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu->popup(StrGrid->viewport()->mapToGlobal(p)); });

  auto* g = new QGridLayout;
  Emaxsin = new TDigitLabeledEdit(this);
  Emaxsin->setText("1");
  Emaxsin->setObjectName("Emaxsin");
  Etemp = new TDigitLabeledEdit(this);
  Etemp->setText("300");
  Etemp->setObjectName("Etemp");
  Bgraph = new QPushButton("scat. factor graph", this);
  Bgraph->setObjectName("Bgraph");
  g->addWidget(new QLabel("Max sin(theta)/lambda", this), 0, 0);
  g->addWidget(Emaxsin, 0, 1);
  g->addWidget(new QLabel("Temperature (K)", this), 0, 2);
  g->addWidget(Etemp, 0, 3);
  g->addWidget(Bgraph, 0, 4);
  g->setColumnStretch(5, 1);
  v->addLayout(g);
  connect(Bgraph, &QPushButton::clicked, this, [this] { scatFactorGraph(); });

  model_.loadFile(findFileNoCase(exeDir.toStdString(), "scfact.sft"));
  fillGrid();
  connect(StrGrid, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { model_.select(row + 1); });
  connect(StrGrid, &QTableWidget::cellChanged, this, [this](int row, int col) {
    if (filling_) return;
    model_.setCell(col, row + 1, StrGrid->item(row, col)->text().toStdString());
  });
  resize(1120, 520);
}

bool TFscatterFactors::edit(const QString& exeDir, const QString& workingDir, QWidget* parent, MessageSink messages) {
  TFscatterFactors dlg(exeDir, workingDir, parent, std::move(messages));
  dlg.exec();
  return dlg.changed();
}

void TFscatterFactors::fillGrid() {
  filling_ = true;
  StrGrid->setRowCount(model_.elementCount());
  for (int r = 1; r < model_.rowCount(); ++r) paintRow(r);
  if (model_.elementCount() > 0) StrGrid->setCurrentCell(model_.selectedRow() - 1, 0);
  StrGrid->resizeColumnsToContents();
  filling_ = false;
}

// Rows of odd index are drawn on light yellow.
void TFscatterFactors::paintRow(int gridRow) {
  const bool wasFilling = filling_;
  filling_ = true;
  for (int c = 0; c < ElementGridModel::kColumns; ++c) {
    auto* item = new QTableWidgetItem(QString::fromStdString(model_.cell(c, gridRow)));
    if (gridRow % 2 == 1) item->setBackground(QColor(255, 255, 200));
    StrGrid->setItem(gridRow - 1, c, item);
  }
  filling_ = wasFilling;
}

void TFscatterFactors::show(const StMessage& m) {
  if (messages_) return messages_(m);
  QMessageBox::critical(this, QString::fromStdString(m.title.empty() ? "ERROR" : m.title),
                        QString::fromStdString(m.text));
}

void TFscatterFactors::addRecord() {
  const int rowHeight = std::max(1, StrGrid->verticalHeader()->defaultSectionSize());
  const int visible = std::max(1, StrGrid->viewport()->height() / rowHeight);
  const int top = model_.addRecord(visible);
  StrGrid->setRowCount(model_.elementCount());
  paintRow(model_.rowCount() - 1);
  if (QTableWidgetItem* it = StrGrid->item(top - 1, 0)) StrGrid->scrollToItem(it, QAbstractItemView::PositionAtTop);
  StrGrid->scrollToBottom();
}

void TFscatterFactors::removeLastRecord() {
  if (model_.removeLastRecord()) StrGrid->setRowCount(model_.elementCount());
}

bool TFscatterFactors::saveArray() {
  std::string error;
  if (model_.saveFile((workingDir_ + "/scFact.sft").toStdString(), &error)) return true;
  show({MessageKind::Error, "ERROR", error.empty() ? "write failed" : error});
  return false;
}

QWidget* TFscatterFactors::scatFactorGraph() {
  if (StrGrid->currentRow() >= 0) model_.select(StrGrid->currentRow() + 1);
  StScatFactorGraph g = model_.scatteringFactorGraph(Emaxsin->text().toStdString(), Etemp->text().toStdString());
  if (!g.ok) {
    for (const StMessage& m : g.messages) show(m);
    return nullptr;
  }
  DiagramDesc d;
  SeriesDesc s;
  s.x = std::move(g.s);
  s.y = std::move(g.f);
  s.title = g.legend;
  s.hint = g.hint;
  d.series.push_back(std::move(s));
  d.graphTitle = g.title;
  d.caption = g.legend;
  d.listEntries = std::vector<std::string>{g.legend};
  d.memo = {g.legend};
  d.axisXImage = "SINTHETA";
  d.axisYImage = "FSINTH";
  d.defaultSize = true;
  d.showHintsCommand = true;
  return opener_ ? opener_(this, d) : nullptr;
}

}  // namespace grainix
