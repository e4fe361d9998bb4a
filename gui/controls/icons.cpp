#include "gui/controls/icons.h"

#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

namespace grainix {

QIcon withDisabledLook(const QIcon& icon, const QStyle* style, const QSize& size) {
  QIcon out;
  QStyleOption option;
  for (const QSize& s : {size, size * 2}) {
    const QPixmap normal = icon.pixmap(s, QIcon::Normal);
    if (normal.isNull()) continue;
    out.addPixmap(normal, QIcon::Normal);
    out.addPixmap(style->generatedIconPixmap(QIcon::Disabled, normal, &option), QIcon::Disabled);
  }
  return out;
}

}  // namespace grainix
