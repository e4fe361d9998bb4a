#pragma once
// TFdiagprop — "Line(s) properties": one row per series of the active
// panel (title, colour, style, pen width), edited in place on OK.
#include <QDialog>
#include <QFrame>

#include <vector>

#include "engine/plot/diagram_desc.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace grainix {

// One row of the dialog; remembers the index of its record.
class TFrDiagProp : public QFrame {
  Q_OBJECT
 public:
  TFrDiagProp(QWidget* parent, const StLinePrm& record, int index);

  QLineEdit* Ename = nullptr;
  QPushButton* Pcolor = nullptr;  // background = the colour; click: colour chooser
  QComboBox* CBoxStyle = nullptr;  // "line", "point", "dot", "comb"
  QComboBox* CBoxWidth = nullptr;  // "1", "2", "3"
  int index() const { return index_; }
  DiagramColor color() const { return color_; }
  void setColor(DiagramColor c);
  // Writes the row into the record (styles/widths the lists do not offer keep their value).
  void writeBack(StLinePrm& record) const;

 private:
  void PcolorClick();
  int index_;
  DiagramColor color_;
};

class TFdiagprop : public QDialog {
  Q_OBJECT
 public:
  TFdiagprop(QWidget* parent, std::vector<StLinePrm>& records);

  std::vector<TFrDiagProp*> rows;
  QPushButton* Bok = nullptr;
  QPushButton* Bcancel = nullptr;

 private:
  void BokClick();
  std::vector<StLinePrm>& records_;
};

}  // namespace grainix
