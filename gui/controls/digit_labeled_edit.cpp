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
  // Ctrl+C, Ctrl+V and Ctrl+X type the control characters 3, 22 and 24;
  // the other Ctrl shortcuts (Ctrl+A selects all) keep their meaning.
  if (e->modifiers() & Qt::ControlModifier) {
    const int k = e->key();
    return k == Qt::Key_C || k == Qt::Key_V || k == Qt::Key_X;
  }
  if (e->key() == Qt::Key_Backspace) return !filter(QChar('\b'));
  const QString text = e->text();
  if (text.isEmpty()) return false;  // navigation and editing keys type nothing
  // Return, Tab, Escape and the other shortcuts (Ctrl+A selects all) are
  // not typed characters: they keep their meaning.
  if (text.size() == 1 && (text[0].unicode() < 0x20 || text[0].unicode() == 0x7F)) return false;
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
