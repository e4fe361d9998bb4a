#include "gui/grain/stacking_picture.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace grainix {

namespace {

QColor siteColour(QChar letter) {
  switch (letter.toUpper().unicode()) {
    case 'A': return {214, 84, 84};
    case 'B': return {76, 122, 214};
    case 'C': return {64, 160, 88};
    default: return {150, 150, 150};
  }
}

// Offset of a close-packing position in units of the in-layer spacing:
// A (0, 0), B (d/3, 1/2), C (2d/3, 0) with d = sqrt(3)/2.
QPointF siteOffset(QChar letter) {
  const double d = std::sqrt(3.0) / 2;
  switch (letter.toUpper().unicode()) {
    case 'B': return {d / 3, 0.5};
    case 'C': return {2 * d / 3, 0};
    default: return {0, 0};
  }
}

void drawAtom(QPainter& p, QPointF centre, double radius, const QColor& colour) {
  QRadialGradient g(centre - QPointF(radius / 3, radius / 3), radius * 1.3);
  g.setColorAt(0, colour.lighter(170));
  g.setColorAt(1, colour);
  p.setBrush(g);
  p.setPen(QPen(colour.darker(140), 1));
  p.drawEllipse(centre, radius, radius);
}

}  // namespace

StackingPicture::StackingPicture(QWidget* parent) : QWidget(parent) {
  setObjectName("Image");
  setMinimumSize(360, 150);
}

void StackingPicture::setSequence(const QString& sequence) {
  sequence_ = sequence;
  update();
}

void StackingPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  p.setPen(QColor(160, 160, 160));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));

  const int h = height();
  const int topWidth = std::min(width() / 2, h + 20);

  // Top view: A sites of a triangular layer, B and C sites in its hollows.
  {
    const double step = (h - 40) / 3.2;  // in-layer spacing in pixels
    const double d = std::sqrt(3.0) / 2;
    const QRectF area(8, 22, topWidth - 16, h - 30);
    p.save();
    p.setClipRect(area);
    const QPointF origin(area.left() + step * 0.45, area.top() + step * 0.35);
    for (QChar letter : {QChar('A'), QChar('B'), QChar('C')}) {
      const QPointF off = siteOffset(letter);
      const double radius = letter == 'A' ? step * 0.48 : step * 0.2;
      for (int m = -1; m < 6; ++m)
        for (int k = -1; k < 6; ++k) {
          // m along the row (y), k across rows (x), rows shifted by half a spacing.
          const double x = (k * d + off.x()) * step;
          const double y = (m + 0.5 * (k & 1) + off.y()) * step;
          const QPointF c = origin + QPointF(x, y);
          drawAtom(p, c, radius, siteColour(letter));
          if ((letter != 'A' && m == 1 && k == 1) || (letter == 'A' && m == 2 && k == 2)) {
            p.setPen(Qt::white);
            QFont f = font();
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() * 0.8);
            p.setFont(f);
            p.drawText(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter, letter);
          }
        }
    }
    p.restore();
    p.setPen(Qt::black);
    p.setFont(font());
    p.drawText(QRectF(8, 2, topWidth - 16, 18), Qt::AlignLeft | Qt::AlignVCenter, "positions A, B, C (top view)");
  }

  // Side view: the layers of the sequence from the bottom up.
  {
    const QRectF area(topWidth + 8, 22, width() - topWidth - 16, h - 30);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), 2, area.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
               "layers (side view)");
    const QString seq = sequence_.isEmpty() ? QString("ABC") : sequence_;
    const int maxShown = std::max(1, static_cast<int>(area.height() / 9));
    const int shown = std::min<int>(seq.size(), maxShown);
    const double rowH = std::min(18.0, area.height() / std::max(shown, 1));
    const double step = std::min(rowH * 1.4, (area.width() - 26) / 6.5);
    const double radius = std::min(rowH, step) * 0.46;
    QFont small = font();
    small.setPointSizeF(std::max(6.0, std::min(small.pointSizeF(), rowH * 0.6)));
    p.setFont(small);
    for (int n = 0; n < shown; ++n) {
      const QChar letter = seq[n];
      const double y = area.bottom() - (n + 0.5) * rowH;
      p.setPen(Qt::black);
      p.drawText(QRectF(area.left(), y - rowH / 2, 18, rowH), Qt::AlignCenter, letter.toUpper());
      const bool known = QString("ABCabc").contains(letter);
      const double shift = known ? QString("ABC").indexOf(letter.toUpper()) / 3.0 : 0;  // 0, 1/3, 2/3 of a spacing
      for (int i = 0; i < 6; ++i) {
        const QPointF c(area.left() + 26 + (i + shift) * step, y);
        drawAtom(p, c, radius, siteColour(known ? letter : QChar('?')));
      }
    }
    if (seq.size() > shown) {
      p.setPen(Qt::black);
      p.drawText(QRectF(area.left(), 2, area.width() - 4, 18), Qt::AlignRight | Qt::AlignVCenter,
                 QString("first %1 of %2").arg(shown).arg(seq.size()));
    }
  }
}

}  // namespace grainix
