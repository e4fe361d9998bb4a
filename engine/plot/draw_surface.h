#pragma once
// The drawing surface the plotting control paints on. Coordinates are
// integer pixels of the control; rectangles and ellipses take a bounding box
// whose right and bottom edges are exclusive (left, top, right, bottom).
// A Qt painter implements it for the screen, a recorder for the tests.
#include <cstddef>
#include <string>

#include "engine/plot/graph_types.h"

namespace grainix {

struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;

  // Pen used by lines, polylines and the outlines of rectangles and ellipses.
  virtual void setPen(TColor color, int width) = 0;
  // Fill of rectangles and ellipses; `solid` false means no fill.
  virtual void setBrush(TColor color, bool solid = true) = 0;
  // Font of text and text metrics; `rotated` makes text read upwards.
  virtual void setFont(const stFont& font, bool rotated = false) = 0;
  virtual void setTextColor(TColor color) = 0;
  // With `opaque` the text cell is first filled with `color`.
  virtual void setTextBackground(bool opaque, TColor color = clWhite) = 0;

  virtual void line(int x1, int y1, int x2, int y2) = 0;
  virtual void polyline(const PixelPoint* points, std::size_t count) = 0;
  virtual void rectangle(int left, int top, int right, int bottom) = 0;
  virtual void ellipse(int left, int top, int right, int bottom) = 0;
  // Upright text: (x, y) is the top-left corner of the text cell.
  // Rotated text reads upwards: (x, y) is the corner where the text begins,
  // the cell covers [x, x + height] horizontally and [y - width, y] vertically.
  virtual void text(int x, int y, const std::string& s) = 0;

  // Metrics in the current font (unrotated).
  virtual int textWidth(const std::string& s) = 0;
  virtual int textHeight(const std::string& s) = 0;

  // Drawing is limited to the rectangle until clearClip.
  virtual void setClip(int left, int top, int right, int bottom) = 0;
  virtual void clearClip() = 0;
};

}  // namespace grainix
