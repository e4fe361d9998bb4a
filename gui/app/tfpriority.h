#pragma once
// TFpriority: the thread-priority dialog of the calculation threads.
#include <QDialog>

class QRadioButton;

namespace grainix {

class TFpriority : public QDialog {
  Q_OBJECT
 public:
  // Checks the button of `priority`: HIGH for 5, REAL TIME for 6, NORMAL otherwise.
  explicit TFpriority(int priority, QWidget* parent = nullptr);
  // Value of the checked button: 3, 5 or 6.
  int priority() const;

 private:
  QRadioButton* normal_ = nullptr;
  QRadioButton* high_ = nullptr;
  QRadioButton* realTime_ = nullptr;
};

}  // namespace grainix
