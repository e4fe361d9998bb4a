#pragma once
// TFaxisprm — "Axis parameters": range, tick step (or number of steps) and
// title of one axis. OK checks the rule of the last edited field: the range
// rule after min, step or max, the count rule after N (which also writes
// the step).
#include <QDialog>

#include "engine/plot/graph_types.h"

class QLineEdit;
class QPushButton;

namespace grainix {

class TFaxisprm : public QDialog {
  Q_OBJECT
 public:
  explicit TFaxisprm(QWidget* parent);

  QLineEdit* Emin = nullptr;
  QLineEdit* Estep = nullptr;
  QLineEdit* Emax = nullptr;
  QLineEdit* En = nullptr;
  QLineEdit* Etitle = nullptr;
  QPushButton* Bok = nullptr;
  QPushButton* Bcancel = nullptr;

  enum class Rule { Range, Count };
  Rule rule() const { return rule_; }

  // Fills the fields from an axis (general 5/5; N = trunc((max - min)/step)).
  void loadAxis(const TAxis& axis);
  // Parses the fields into the axis and fixes it (call after OK).
  bool storeAxis(TAxis& axis) const;
  // Runs the current rule; true closes the dialog with OK.
  bool validate();

 private:
  void BokClick();
  Rule rule_ = Rule::Range;
  bool loading_ = false;
};

}  // namespace grainix
