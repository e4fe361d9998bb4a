#pragma once
// TFwait: the small borderless window "Please wait ..." with a gauge that
// runs round while a nodes file is read.
#include <QWidget>

class QProgressBar;
class QTimer;

namespace grainix {

class TFwait : public QWidget {
  Q_OBJECT
 public:
  // Centred on `owner` (or the screen without one).
  explicit TFwait(QWidget* owner = nullptr);

  QProgressBar* gauge() const { return gauge_; }
  // Every 25 ms: the gauge advances by 1 and starts again at 100.
  void Timer1Timer();

 private:
  QProgressBar* gauge_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace grainix
