#pragma once
// The strip picture across the top of the modification window: the
// sections as bands of their colours, drawn to the current width.
#include <QWidget>

namespace grainix {

class SectionsTable;

class SectionsStrip : public QWidget {
  Q_OBJECT

 public:
  SectionsStrip(const SectionsTable& table, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {300, 18}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const SectionsTable& table_;
};

}  // namespace grainix
