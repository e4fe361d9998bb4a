#include "gui/plot/tfdiagprop.h"

#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "gui/plot/diagram_ui.h"
#include "gui/plot/qt_surface.h"

namespace grainix {

namespace {
constexpr int kRowHeight = 30;
constexpr int kRowWidth = 420;
}  // namespace

TFrDiagProp::TFrDiagProp(QWidget* parent, const StLinePrm& record, int index)
    : QFrame(parent), index_(index), color_(record.color) {
  setObjectName(QString("TFrDiagProp%1").arg(index));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 1, 4, 1);
  Ename = new QLineEdit(QString::fromStdString(record.title), this);
  Ename->setObjectName("Ename");
  Pcolor = new QPushButton(this);
  Pcolor->setObjectName("Pcolor");
  Pcolor->setFixedSize(40, 22);
  Pcolor->setFlat(true);
  Pcolor->setAutoFillBackground(true);
  Pcolor->setToolTip("colour");
  CBoxStyle = new QComboBox(this);
  CBoxStyle->setObjectName("CBoxStyle");
  CBoxStyle->addItems({"line", "point", "dot", "comb"});
  CBoxStyle->setCurrentIndex(record.style >= 0 && record.style <= 3 ? record.style : -1);
  CBoxWidth = new QComboBox(this);
  CBoxWidth->setObjectName("CBoxWidth");
  CBoxWidth->addItems({"1", "2", "3"});
  CBoxWidth->setCurrentIndex(record.width >= 1 && record.width <= 3 ? record.width - 1 : -1);
  row->addWidget(Ename, 1);
  row->addWidget(Pcolor);
  row->addWidget(CBoxStyle);
  row->addWidget(CBoxWidth);
  setFixedSize(kRowWidth, kRowHeight);
  setColor(record.color);
  connect(Pcolor, &QPushButton::clicked, this, &TFrDiagProp::PcolorClick);
}

void TFrDiagProp::setColor(DiagramColor c) {
  color_ = c;
  Pcolor->setStyleSheet(QString("background-color: %1; border: 1px solid gray;").arg(toQColor(c).name()));
}

void TFrDiagProp::PcolorClick() {
  QColorDialog dialog(toQColor(color_), this);
  dialog.setObjectName("ColorDialog");
  if (DiagramUi::instance().execDialog(dialog) == QDialog::Accepted) setColor(fromQColor(dialog.currentColor()));
}

void TFrDiagProp::writeBack(StLinePrm& record) const {
  applyLineRow(record, Ename->text().toStdString(), color_, CBoxStyle->currentIndex(), CBoxWidth->currentIndex());
}

TFdiagprop::TFdiagprop(QWidget* parent, std::vector<StLinePrm>& records) : QDialog(parent), records_(records) {
  setObjectName("TFdiagprop");
  setWindowTitle("Line(s) properties");
  for (std::size_t i = 0; i < records.size(); ++i) {
    auto* r = new TFrDiagProp(this, records[i], static_cast<int>(i));
    r->move(0, 5 + kRowHeight * static_cast<int>(i));
    rows.push_back(r);
  }
  Bok = new QPushButton("OK", this);
  Bok->setObjectName("Bok");
  Bok->setDefault(true);
  Bcancel = new QPushButton("Cancel", this);
  Bcancel->setObjectName("Bcancel");
  const int buttonsTop = 5 + kRowHeight * static_cast<int>(records.size()) + 5;
  const int bh = Bok->sizeHint().height();
  Bok->setGeometry(kRowWidth - 2 * 90 - 10, buttonsTop, 85, bh);
  Bcancel->setGeometry(kRowWidth - 95, buttonsTop, 85, bh);
  setFixedSize(kRowWidth, kRowHeight * static_cast<int>(records.size()) + bh + 20);
  connect(Bok, &QPushButton::clicked, this, &TFdiagprop::BokClick);
  connect(Bcancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFdiagprop::BokClick() {
  for (TFrDiagProp* r : rows) r->writeBack(records_[static_cast<std::size_t>(r->index())]);
  accept();
}

}  // namespace grainix
