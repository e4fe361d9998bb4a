#pragma once
// Icons of the command buttons.
#include <QIcon>
#include <QSize>

class QStyle;

namespace grainix {

// `icon` with a disabled look of its own: the style's greyed version of
// its picture. Some icon sources offer no disabled picture, and a disabled
// button would then look enabled.
QIcon withDisabledLook(const QIcon& icon, const QStyle* style, const QSize& size = QSize(16, 16));

}  // namespace grainix
