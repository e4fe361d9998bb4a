#include "gui/controls/group_box_ext.h"

namespace grainix {

void TGroupBoxExt::SetEnabled(bool value) {
  setEnabled(value);
  for (QObject* child : children())
    if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) w->setEnabled(value);
  emit OnEnabled(this);
}

}  // namespace grainix
