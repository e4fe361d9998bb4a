#include "gui/app/tfwait.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace grainix {

TFwait::TFwait(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
  setObjectName("Fwait");
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(255, 251, 240));  // cream
  setPalette(pal);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 12, 0, 0);
  auto* label = new QLabel("Please wait ...", this);
  label->setObjectName("Label1");
  label->setAlignment(Qt::AlignCenter);
  QFont f = label->font();
  f.setPointSizeF(f.pointSizeF() * 1.3);
  f.setBold(true);
  label->setFont(f);
  lay->addWidget(label, 1);
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName("CGauge1");
  gauge_->setRange(0, 100);
  gauge_->setValue(0);
  gauge_->setTextVisible(false);
  lay->addWidget(gauge_);
  resize(240, 80);
  if (owner) {
    const QPoint c = owner->mapToGlobal(owner->rect().center());
    move(c.x() - width() / 2, c.y() - height() / 2);
  }
  timer_ = new QTimer(this);
  timer_->setInterval(25);
  connect(timer_, &QTimer::timeout, this, &TFwait::Timer1Timer);
  timer_->start();
}

void TFwait::Timer1Timer() {
  int v = gauge_->value() + 1;
  if (v >= 100) v = 0;
  gauge_->setValue(v);
}

}  // namespace grainix
