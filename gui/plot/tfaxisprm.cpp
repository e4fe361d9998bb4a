#include "gui/plot/tfaxisprm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/core/format.h"
#include "engine/plot/diagram_desc.h"
#include "gui/controls/captioned_dialogs.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/plot/diagram_ui.h"

namespace grainix {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QLineEdit* e) { return e->text().toStdString(); }
}  // namespace

TFaxisprm::TFaxisprm(QWidget* parent) : QDialog(parent) {
  setObjectName("TFaxisprm");
  setWindowTitle("Axis parameters");
  auto* form = new QFormLayout;
  auto edit = [this](const char* name, bool numeric) {
    QLineEdit* e = numeric ? new TDigitLabeledEdit(this) : new QLineEdit(this);
    e->setObjectName(name);
    return e;
  };
  Emin = edit("Emin", true);
  Estep = edit("Estep", true);
  Emax = edit("Emax", true);
  En = edit("En", true);
  Etitle = edit("Etitle", false);
  form->addRow("min", Emin);
  form->addRow("step", Estep);
  form->addRow("max", Emax);
  form->addRow("N", En);
  form->addRow("Title", Etitle);

  Bok = new QPushButton("OK", this);
  Bok->setObjectName("Bok");
  Bok->setDefault(true);
  Bcancel = new QPushButton("Cancel", this);
  Bcancel->setObjectName("Bcancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Bok);
  buttons->addWidget(Bcancel);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addLayout(buttons);

  for (QLineEdit* e : {Emin, Estep, Emax})
    connect(e, &QLineEdit::textChanged, this, [this] {
      if (!loading_) rule_ = Rule::Range;
    });
  connect(En, &QLineEdit::textChanged, this, [this] {
    if (!loading_) rule_ = Rule::Count;
  });
  connect(Bok, &QPushButton::clicked, this, &TFaxisprm::BokClick);
  connect(Bcancel, &QPushButton::clicked, this, &QDialog::reject);
  fitCaption(this);
}

void TFaxisprm::loadAxis(const TAxis& axis) {
  loading_ = true;
  Emin->setText(q(fmtGeneral(axis.min, 5)));
  Emax->setText(q(fmtGeneral(axis.max, 5)));
  Estep->setText(q(fmtGeneral(axis.step, 5)));
  Etitle->setText(q(axis.title));
  En->setText(QString::number(axisStepCount(axis.min, axis.max, axis.step)));
  loading_ = false;
  rule_ = Rule::Range;
}

bool TFaxisprm::validate() {
  bool ok = false;
  if (rule_ == Rule::Range) {
    ok = axisRangeRuleHolds(s(Emin), s(Emax), s(Estep));
  } else {
    std::string step;
    ok = axisCountRuleHolds(s(Emin), s(Emax), s(En), &step);
    if (ok) {
      loading_ = true;
      Estep->setText(q(step));
      loading_ = false;
    }
  }
  if (!ok) DiagramUi::instance().showMessage(this, {MessageKind::Error, "ERROR", kAxisDialogError});
  return ok;
}

void TFaxisprm::BokClick() {
  if (validate()) accept();
}

bool TFaxisprm::storeAxis(TAxis& axis) const {
  double lo = 0, hi = 0, step = 0;
  if (!parseDouble(s(Emin), lo) || !parseDouble(s(Emax), hi) || !parseDouble(s(Estep), step)) return false;
  axis.min = lo;
  axis.max = hi;
  axis.step = step;
  axis.fixed = true;
  axis.alignTicks = false;  // ticks from min, as entered
  axis.title = s(Etitle);
  return true;
}

}  // namespace grainix
