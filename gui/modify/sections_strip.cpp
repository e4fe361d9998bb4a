#include "gui/modify/sections_strip.h"

#include <QPainter>

#include "engine/modify/sections_table.h"

namespace grainix {

SectionsStrip::SectionsStrip(const SectionsTable& table, QWidget* parent) : QWidget(parent), table_(table) {
  setObjectName("Isections");
  setFixedHeight(18);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionsStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Bands from the last section to the first, each from the left edge, so
  // every section shows as the part its predecessor does not cover.
  for (const StStripBand& b : table_.stripBands(width()))
    p.fillRect(QRect(b.left, 0, b.right - b.left, height()), QColor(b.colour.r, b.colour.g, b.colour.b));
}

}  // namespace grainix
