#include "gui/app/tfpriority.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/app/log_commands.h"

namespace grainix {

TFpriority::TFpriority(int priority, QWidget* parent) : QDialog(parent) {
  setObjectName("Fpriority");
  setWindowTitle("Thread priority");
  setModal(true);
  auto* lay = new QVBoxLayout(this);
  auto* heading = new QLabel("Set the priority class for the calculation processes.", this);
  QFont hf = heading->font();
  hf.setBold(true);
  heading->setFont(hf);
  lay->addWidget(heading);
  auto* careful = new QLabel("Be carefull !", this);
  careful->setStyleSheet("color: #b00000;");
  lay->addWidget(careful);

  auto* grid = new QGridLayout();
  auto row = [&](int r, const char* name, const char* caption, const char* text) {
    auto* rb = new QRadioButton(caption, this);
    rb->setObjectName(name);
    auto* l = new QLabel(text, this);
    l->setWordWrap(true);
    l->setMinimumWidth(360);
    grid->addWidget(rb, r, 0, Qt::AlignTop);
    grid->addWidget(l, r, 1);
    return rb;
  };
  normal_ = row(0, "RBnormal", "NORMAL", "(default) processes with no special scheduling need");
  high_ = row(1, "RBhigh", "HIGH", "high-priority class processes can use nearly all available CPU time");
  realTime_ = row(2, "RBrealtime", "REAL TIME",
                  "real-time process that executes for more than a very brief interval can cause disk caches "
                  "not to flush or cause the mouse to be unresponsive.");
  lay->addLayout(grid);

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("BOK");
  ok->setDefault(true);
  auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  cancel->setObjectName("BCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  lay->addWidget(buttons);

  switch (priorityDialogChoice(priority)) {
    case 5: high_->setChecked(true); break;
    case 6: realTime_->setChecked(true); break;
    default: normal_->setChecked(true); break;
  }
}

int TFpriority::priority() const {
  if (high_->isChecked()) return 5;
  if (realTime_->isChecked()) return 6;
  return 3;
}

}  // namespace grainix
