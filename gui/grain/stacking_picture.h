#pragma once
// The illustration of the stacking window: the three close-packing positions
// A, B and C of a triangular layer seen from above, and the layers of the
// current sequence seen from the side, each shifted to its position.
#include <QString>
#include <QWidget>

namespace grainix {

class StackingPicture : public QWidget {
  Q_OBJECT

 public:
  explicit StackingPicture(QWidget* parent = nullptr);
  void setSequence(const QString& sequence);
  QSize sizeHint() const override { return {420, 170}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString sequence_;
};

}  // namespace grainix
