#include "gui/plot/qt_surface.h"

#include <QFontMetrics>
#include <QPen>
#include <QPolygon>

#include <vector>

namespace grainix {

QColor toQColor(TColor c) { return QColor(colorRed(c), colorGreen(c), colorBlue(c)); }

TColor fromQColor(const QColor& c) { return makeColor(c.red(), c.green(), c.blue()); }

QFont toQFont(const stFont& f) {
  QFont font;
  if (!f.family.empty()) font.setFamily(QString::fromStdString(f.family));
  // Sizes chosen so a diagram at its default 800 x 600 reads well on a
  // projector; text metrics then follow the font.
  font.setPointSize(f.pointSize > 0 ? f.pointSize : 10);
  font.setBold(f.bold);
  font.setItalic(f.italic);
  return font;
}

QtDrawSurface::QtDrawSurface(QPainter& painter, bool smooth) : p_(painter), smooth_(smooth) {
  font_ = toQFont(stFont{});
  p_.setFont(font_);
  p_.setPen(QPen(penColor_, 1));
  p_.setBrush(brushColor_);
}

QtDrawSurface::~QtDrawSurface() = default;

void QtDrawSurface::setPen(TColor color, int width) {
  penColor_ = toQColor(color);
  penWidth_ = width < 1 ? 1 : width;
}

void QtDrawSurface::setBrush(TColor color, bool solid) {
  brushColor_ = toQColor(color);
  brushSolid_ = solid;
}

void QtDrawSurface::setFont(const stFont& font, bool rotated) {
  font_ = toQFont(font);
  rotated_ = rotated;
  p_.setFont(font_);
}

void QtDrawSurface::setTextColor(TColor color) { textColor_ = toQColor(color); }

void QtDrawSurface::setTextBackground(bool opaque, TColor color) {
  textOpaque_ = opaque;
  textBackground_ = toQColor(color);
}

// Thin strokes stay crisp (no smoothing on axis-parallel one-pixel lines);
// thicker or slanted strokes and the discs are smoothed.
void QtDrawSurface::line(int x1, int y1, int x2, int y2) {
  const bool straight = x1 == x2 || y1 == y2;
  QPen pen(penColor_, penWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  if (x1 == x2 && y1 == y2) pen.setCapStyle(Qt::SquareCap);  // a dot
  p_.setPen(pen);
  p_.setRenderHint(QPainter::Antialiasing, smooth_ || !straight);
  if (straight && penWidth_ == 1 && !smooth_) {
    p_.drawLine(x1, y1, x2, y2);
  } else {
    p_.drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
  }
}

void QtDrawSurface::polyline(const PixelPoint* points, std::size_t count) {
  if (count == 0) return;
  std::vector<QPointF> pts(count);
  for (std::size_t i = 0; i < count; ++i) pts[i] = QPointF(points[i].x + 0.5, points[i].y + 0.5);
  p_.setPen(QPen(penColor_, penWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p_.setRenderHint(QPainter::Antialiasing, true);
  p_.drawPolyline(pts.data(), static_cast<int>(count));
}

void QtDrawSurface::rectangle(int left, int top, int right, int bottom) {
  p_.setRenderHint(QPainter::Antialiasing, smooth_);
  p_.setPen(QPen(penColor_, 1));
  if (brushSolid_) p_.setBrush(brushColor_);
  else p_.setBrush(Qt::NoBrush);
  p_.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void QtDrawSurface::ellipse(int left, int top, int right, int bottom) {
  p_.setRenderHint(QPainter::Antialiasing, true);
  p_.setPen(QPen(penColor_, penWidth_));
  if (brushSolid_) p_.setBrush(brushColor_);
  else p_.setBrush(Qt::NoBrush);
  p_.drawEllipse(QRectF(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1));
}

void QtDrawSurface::text(int x, int y, const std::string& s) {
  if (s.empty()) return;
  const QString qs = QString::fromStdString(s);
  const QFontMetrics fm(font_);
  p_.setRenderHint(QPainter::Antialiasing, true);
  p_.setRenderHint(QPainter::TextAntialiasing, true);
  if (!rotated_) {
    if (textOpaque_) p_.fillRect(QRect(x, y, fm.horizontalAdvance(qs), fm.height()), textBackground_);
    p_.setPen(textColor_);
    p_.drawText(QPoint(x, y + fm.ascent()), qs);
    return;
  }
  p_.save();
  p_.translate(x, y);
  p_.rotate(-90.0);
  if (textOpaque_) p_.fillRect(QRect(0, 0, fm.horizontalAdvance(qs), fm.height()), textBackground_);
  p_.setPen(textColor_);
  p_.drawText(QPoint(0, fm.ascent()), qs);
  p_.restore();
}

int QtDrawSurface::textWidth(const std::string& s) {
  return QFontMetrics(font_).horizontalAdvance(QString::fromStdString(s));
}

int QtDrawSurface::textHeight(const std::string&) { return QFontMetrics(font_).height(); }

void QtDrawSurface::setClip(int left, int top, int right, int bottom) {
  p_.setClipRect(QRect(left, top, right - left, bottom - top));
}

void QtDrawSurface::clearClip() { p_.setClipping(false); }

}  // namespace grainix
