#pragma once
// TGroupBoxExt: a group box whose direct children take its enabled state
// (a child disabled on its own is enabled again with the box), and which
// announces the change.
#include <QGroupBox>

namespace grainix {

class TGroupBoxExt : public QGroupBox {
  Q_OBJECT
 public:
  explicit TGroupBoxExt(QWidget* parent = nullptr) : QGroupBox(parent) {}
  explicit TGroupBoxExt(const QString& title, QWidget* parent = nullptr) : QGroupBox(title, parent) {}

  // Sets the box's own state, then every direct child's, then emits OnEnabled.
  void SetEnabled(bool value);

 signals:
  void OnEnabled(QObject* sender);
};

}  // namespace grainix
