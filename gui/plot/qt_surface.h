#pragma once
// The plotting control's drawing surface on a QPainter.
#include <QFont>
#include <QPainter>

#include "engine/plot/draw_surface.h"

namespace grainix {

QColor toQColor(TColor c);
TColor fromQColor(const QColor& c);
// The Qt font for a font record (empty family / size 0 = control defaults).
QFont toQFont(const stFont& f);

class QtDrawSurface : public DrawSurface {
 public:
  // `smooth`: every line and rectangle is smoothed too (pictures made at a
  // higher resolution); otherwise thin axis-parallel lines stay crisp.
  explicit QtDrawSurface(QPainter& painter, bool smooth = false);
  ~QtDrawSurface() override;

  void setPen(TColor color, int width) override;
  void setBrush(TColor color, bool solid = true) override;
  void setFont(const stFont& font, bool rotated = false) override;
  void setTextColor(TColor color) override;
  void setTextBackground(bool opaque, TColor color = clWhite) override;
  void line(int x1, int y1, int x2, int y2) override;
  void polyline(const PixelPoint* points, std::size_t count) override;
  void rectangle(int left, int top, int right, int bottom) override;
  void ellipse(int left, int top, int right, int bottom) override;
  void text(int x, int y, const std::string& s) override;
  int textWidth(const std::string& s) override;
  int textHeight(const std::string& s) override;
  void setClip(int left, int top, int right, int bottom) override;
  void clearClip() override;

 private:
  QPainter& p_;
  bool smooth_ = false;
  QColor penColor_{Qt::black};
  int penWidth_ = 1;
  QColor brushColor_{Qt::white};
  bool brushSolid_ = true;
  QFont font_;
  bool rotated_ = false;
  QColor textColor_{Qt::black};
  bool textOpaque_ = false;
  QColor textBackground_{Qt::white};
};

}  // namespace grainix
