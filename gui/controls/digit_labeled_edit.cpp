#include "gui/controls/digit_labeled_edit.h"

#include <QKeyEvent>
#include <QLabel>

namespace grainix {

TDigitLabeledEdit::TDigitLabeledEdit(QWidget* parent) : QLineEdit(parent), filter_(&TDigitLabeledEdit::acceptChar) {}

TDigitLabeledEdit::TDigitLabeledEdit(const QString& caption, QWidget* parent) : TDigitLabeledEdit(parent) {
  setCaption(caption);
}

QLabel* TDigitLabeledEdit::editLabel() {
  if (!label_) {
    label_ = new QLabel(parentWidget());
    label_->setBuddy(this);
  }
  return label_;
}

void TDigitLabeledEdit::setCaption(const QString& caption) { editLabel()->setText(caption); }

bool TDigitLabeledEdit::acceptChar(QChar c) {
  return c.isDigit() || c == '-' || c == '.' || c == 'e' || c == 'c' || c == 'v' || c == 'x' || c == '\b';
}

bool keyEventRejected(const QKeyEvent* e, const TDigitLabeledEdit::CharFilter& filter) {
  // Ctrl+C, Ctrl+V and Ctrl+X type the control characters 3, 22 and 24.
  if (e->modifiers() & Qt::ControlModifier) {
    const int k = e->key();
    if (k == Qt::Key_C || k == Qt::Key_V || k == Qt::Key_X) return true;
  }
  if (e->key() == Qt::Key_Backspace) return !filter(QChar('\b'));
  const QString text = e->text();
  if (text.isEmpty()) return false;  // navigation and editing keys type nothing
  for (QChar c : text)
    if (!filter(c)) return true;
  return false;
}

void TDigitLabeledEdit::keyPressEvent(QKeyEvent* event) {
  if (keyEventRejected(event, filter_)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

bool CharFilterObject::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && keyEventRejected(static_cast<QKeyEvent*>(event), filter_)) return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace grainix
