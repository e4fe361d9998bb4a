#pragma once
// TDigitLabeledEdit: a numeric input field with its caption. Typed
// characters other than digits, "-", ".", "e", "c", "v", "x" and backspace
// are dropped, as are the control characters of the clipboard shortcuts;
// Return, Tab, Escape and the other shortcut keys keep their meaning.
#include <QLineEdit>
#include <functional>

class QLabel;

namespace grainix {

class TDigitLabeledEdit : public QLineEdit {
  Q_OBJECT
 public:
  // Decides whether a typed character is passed on.
  using CharFilter = std::function<bool(QChar)>;

  explicit TDigitLabeledEdit(QWidget* parent = nullptr);
  TDigitLabeledEdit(const QString& caption, QWidget* parent);

  // The caption shown with the field (created on first use).
  QLabel* editLabel();
  void setCaption(const QString& caption);

  // Characters a numeric field accepts.
  static bool acceptChar(QChar c);
  // Other numeric fields use a narrower rule (digits, ".", "e", "-", backspace).
  void setCharFilter(CharFilter filter) { filter_ = std::move(filter); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* label_ = nullptr;
  CharFilter filter_;
};

// The same key rule for any other widget (the editable drop-down of N):
// install as an event filter on its line edit.
class CharFilterObject : public QObject {
  Q_OBJECT
 public:
  CharFilterObject(TDigitLabeledEdit::CharFilter filter, QObject* parent)
      : QObject(parent), filter_(std::move(filter)) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TDigitLabeledEdit::CharFilter filter_;
};

// True when the key event types a character that `filter` refuses.
bool keyEventRejected(const QKeyEvent* event, const TDigitLabeledEdit::CharFilter& filter);

}  // namespace grainix
