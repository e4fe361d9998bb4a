// Painting of the plotting control: axes with ticks and labels, grid,
// titles, the five series styles, legend and hints.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/plot/graph_model.h"

namespace grainix {

namespace {

// Pixel coordinates are truncated toward zero; values far off the control
// are pinned so the conversion never overflows.
int toPix(double v) {
  constexpr double limit = 1.0e7;
  if (!(v > -limit)) return -static_cast<int>(limit);
  if (v > limit) return static_cast<int>(limit);
  return static_cast<int>(v);
}

struct DataRect {
  double xmin, xmax, ymin, ymax;
  bool contains(double x, double y) const { return xmin <= x && x <= xmax && ymin <= y && y <= ymax; }
};

// Collects connected strokes and hands them to the surface as polylines.
// Consecutive vertices in one pixel column are reduced to the column's
// entry, lowest, highest and last points: every stroke inside a column is
// vertical, so the picture stays the same while a million-point series
// becomes a few thousand vertices.
class PolylineSink {
 public:
  explicit PolylineSink(DrawSurface& s) : s_(s) {}
  ~PolylineSink() { flush(); }

  void moveTo(PixelPoint p) {
    flush();
    pts_.push_back(p);
    startColumn(p);
  }

  void lineTo(PixelPoint p) {
    if (pts_.empty()) {
      moveTo(p);
      return;
    }
    if (p.x == colX_) {
      if (p.y < minY_) {
        minY_ = p.y;
        minSeq_ = ++seq_;
      }
      if (p.y > maxY_) {
        maxY_ = p.y;
        maxSeq_ = ++seq_;
      }
      lastY_ = p.y;
      ++inColumn_;
      return;
    }
    closeColumn();
    pts_.push_back(p);
    startColumn(p);
  }

  void flush() {
    if (pts_.empty()) return;
    closeColumn();
    if (pts_.size() == 1) pts_.push_back(pts_[0]);  // a lone point still shows as a dot
    s_.polyline(pts_.data(), pts_.size());
    pts_.clear();
  }

 private:
  void startColumn(PixelPoint p) {
    colX_ = p.x;
    minY_ = maxY_ = lastY_ = p.y;
    minSeq_ = maxSeq_ = seq_ = 0;
    inColumn_ = 0;
  }
  void push(int y) {
    const PixelPoint p{colX_, y};
    if (!(pts_.back() == p)) pts_.push_back(p);
  }
  void closeColumn() {
    if (inColumn_ == 0) return;
    if (minSeq_ <= maxSeq_) {
      push(minY_);
      push(maxY_);
    } else {
      push(maxY_);
      push(minY_);
    }
    push(lastY_);
    inColumn_ = 0;
  }

  DrawSurface& s_;
  std::vector<PixelPoint> pts_;
  int colX_ = 0, minY_ = 0, maxY_ = 0, lastY_ = 0;
  unsigned minSeq_ = 0, maxSeq_ = 0, seq_ = 0;
  std::size_t inColumn_ = 0;
};

// Where the segment from the inside point (px, py) to the outside point
// (qx, qy) leaves the rectangle.
void borderCrossing(const DataRect& r, double px, double py, double qx, double qy, double& cx, double& cy) {
  if (px == qx) {
    cx = px;
    cy = qy > r.ymax ? r.ymax : r.ymin;
    return;
  }
  if (py == qy) {
    cx = qx > r.xmax ? r.xmax : r.xmin;
    cy = py;
    return;
  }
  const double slope = (qy - py) / (qx - px);
  const double c = py - slope * px;
  const double bx = px >= qx ? r.xmin : r.xmax;
  const double yb = slope * bx + c;
  if (r.ymin <= yb && yb <= r.ymax) {
    cx = bx;
    cy = yb;
    return;
  }
  const double by = qy > py ? r.ymax : r.ymin;
  cx = (by - c) / slope;
  cy = by;
}

// The part of a segment with both ends outside that passes through the
// rectangle (Liang-Barsky); false when it misses it.
bool clipOutsideSegment(const DataRect& r, double& x0, double& y0, double& x1, double& y1) {
  const double dx = x1 - x0, dy = y1 - y0;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.xmin, r.xmax - x0, y0 - r.ymin, r.ymax - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  if (!(t0 < t1)) return false;
  const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
  const double nx1 = x0 + t1 * dx, ny1 = y0 + t1 * dy;
  x0 = nx0;
  y0 = ny0;
  x1 = nx1;
  y1 = ny1;
  return true;
}

}  // namespace

void Graph2DModel::paint(DrawSurface& s) {
  s.setBrush(clWhite, true);
  s.setPen(boxOn ? clBlack : clWhite, 1);
  s.rectangle(0, 0, width_, height_);
  for (TSubGraph& g : subGraphs_) {
    if (g.diagrams.empty()) continue;
    drawAxes(s, g);
    for (const TSingleDiagram& d : g.diagrams) {
      if (!d.visible || d.x.empty()) continue;
      s.setPen(d.color, 1);
      drawSeries(s, g, d);
    }
    if (!g.title.isEmpty()) drawTitle(s, g);
    if (g.legend.visible) drawLegend(s, g);
    if (g.hintsOn) drawHints(s, g);
  }
  s.setPen(clBlack, 1);
  s.setBrush(clWhite, true);
}

void Graph2DModel::drawAxes(DrawSurface& s, TSubGraph& g) {
  scaleAxis(g.axisX, g.rangeX, g.width);
  scaleAxis(g.axisY, g.rangeY, g.height);

  s.setPen(axisColor(), 1);
  s.setFont(axisFont());
  s.setTextColor(clBlack);
  s.setTextBackground(false);
  const int h2 = s.textHeight("0") / 2;
  const int hO = s.textHeight("O");

  const TAxis& ax = g.axisX;
  const TAxis& ay = g.axisY;
  const std::vector<double> xTicks = tickValues(ax);
  const std::vector<double> yTicks = tickValues(ay);
  std::vector<std::string> yLabels;
  int yLabelWidth = 0;
  for (double v : yTicks) {
    yLabels.push_back(formatTickLabel(v, ay.step));
    yLabelWidth = std::max(yLabelWidth, s.textWidth(yLabels.back()));
  }

  // The Y labels and the Y title (text, rotated, or a picture the window
  // draws) keep inside the panel: the plot area moves right when the left
  // margin is too narrow for them.
  int titleRoom = ay.title.empty() ? 0 : static_cast<int>(1.5 * hO);
  if (g.yTitleReserve > 0) titleRoom = std::max(titleRoom, g.yTitleReserve + 4);
  const int need = yLabelWidth + 5 + titleRoom + 2;
  g.labelRoom = std::clamp(need - g.margin.left, 0, std::max(0, g.width / 3 - g.margin.left));
  g.transformation = computeTransformation(g);
  currentTransformation_ = g.transformation;
  const stTransformationFactors& tf = g.transformation;

  const int L = g.left + g.margin.left + g.labelRoom;
  const int R = g.left + g.width - g.margin.right;
  const int T = g.top + g.margin.top;
  const int B = g.top + g.height - g.margin.bottom;

  // X ticks and labels.
  const int y0 = B + h2 + 5;
  int Xend = R;
  if (!xTicks.empty()) {
    int lastPx = R;
    for (double v : xTicks) {
      const int px = toPix(tf.toPixelX(v));
      s.line(px, B - 2, px, B + 5);
      const std::string label = formatTickLabel(v, ax.step);
      s.text(px - s.textWidth(label) / 2, y0, label);
      lastPx = px;
    }
    Xend = std::max(R, lastPx);
  }
  s.line(L, B, Xend, B);

  // Y ticks and labels.
  int Yend = T;
  int Xlab = L;
  if (!yTicks.empty()) {
    int lastPy = T;
    for (std::size_t i = 0; i < yTicks.size(); ++i) {
      const int py = toPix(tf.toPixelY(yTicks[i]));
      s.line(L + 2, py, L - 5, py);
      const int lx = L - s.textWidth(yLabels[i]) - 5;
      s.text(lx, py - h2, yLabels[i]);
      Xlab = std::min(Xlab, lx);
      lastPy = py;
    }
    Yend = std::min(T, lastPy);
  }
  g.labelLeft = Xlab;
  s.line(L, B, L, Yend);

  // Grid (not over the axis lines themselves).
  if (g.grid.visible) {
    s.setPen(g.grid.color, 1);
    for (double v : xTicks) {
      if (v <= ax.min) continue;
      const int px = toPix(tf.toPixelX(v));
      s.line(px, B - 1, px, Yend);
    }
    for (double v : yTicks) {
      if (v <= ay.min) continue;
      const int py = toPix(tf.toPixelY(v));
      s.line(L + 1, py, Xend, py);
    }
    s.setPen(axisColor(), 1);
  }

  // Axis titles.
  const std::string& xt = ax.title;
  const int xMid = toPix(tf.toPixelX((ax.min + ax.max) / 2));
  s.text(xMid - s.textWidth(xt) / 2, y0 + hO, xt);

  const std::string& yt = ay.title;
  const int titleWidth = s.textWidth(yt);
  const int yx = std::max(g.left + 2, Xlab - static_cast<int>(1.5 * hO));
  const int yy = toPix(tf.toPixelY((ay.min + ay.max) / 2)) + titleWidth / 2;
  s.setFont(axisFont(), true);
  s.text(yx, yy, yt);
  s.setFont(axisFont(), false);
}

void Graph2DModel::drawSeries(DrawSurface& s, const TSubGraph& g, const TSingleDiagram& d) {
  const stTransformationFactors& tf = currentTransformation_;
  const std::size_t n = std::min(d.x.size(), d.y.size());
  const bool clipped = g.anyAxisFixed();
  const DataRect box{g.axisX.min, g.axisX.max, g.axisY.min, g.axisY.max};
  const int w = static_cast<int>(d.penWidth);
  auto pix = [&](double x, double y) { return PixelPoint{toPix(tf.toPixelX(x)), toPix(tf.toPixelY(y))}; };

  switch (d.style) {
    case dsLine: {
      s.setPen(d.color, w);
      {
        PolylineSink sink(s);
        if (!clipped) {
          sink.moveTo(pix(d.x[0], d.y[0]));
          for (std::size_t i = 1; i < n; ++i) sink.lineTo(pix(d.x[i], d.y[i]));
        } else {
          // `joined`: the last stroke ended at the previous point.
          bool joined = false;
          if (n == 1 && box.contains(d.x[0], d.y[0])) sink.moveTo(pix(d.x[0], d.y[0]));
          for (std::size_t i = 1; i < n; ++i) {
            const double px = d.x[i - 1], py = d.y[i - 1], qx = d.x[i], qy = d.y[i];
            const bool pin = box.contains(px, py);
            const bool qin = box.contains(qx, qy);
            if (pin && qin) {
              if (!joined) sink.moveTo(pix(px, py));
              sink.lineTo(pix(qx, qy));
              joined = true;
            } else if (!pin && qin) {
              double cx, cy;
              borderCrossing(box, qx, qy, px, py, cx, cy);
              sink.moveTo(pix(cx, cy));
              sink.lineTo(pix(qx, qy));
              joined = true;
            } else if (pin && !qin) {
              double cx, cy;
              borderCrossing(box, px, py, qx, qy, cx, cy);
              if (!joined) sink.moveTo(pix(px, py));
              sink.lineTo(pix(cx, cy));
              joined = false;
            } else {
              // Both ends outside: draw the part that passes through the
              // rectangle, if any.
              double x0 = px, y0 = py, x1 = qx, y1 = qy;
              if (clipOutsideSegment(box, x0, y0, x1, y1)) {
                sink.moveTo(pix(x0, y0));
                sink.lineTo(pix(x1, y1));
              }
              joined = false;
            }
          }
        }
      }
      s.setPen(d.color, 1);
      break;
    }
    case dsPoint: {
      s.setBrush(d.color, true);
      // Discs of one series share colour and size: a disc already drawn at
      // a pixel need not be drawn again.
      std::vector<unsigned char> seen(static_cast<std::size_t>(std::max(width_, 0)) *
                                      static_cast<std::size_t>(std::max(height_, 0)));
      for (std::size_t i = 0; i < n; ++i) {
        if (clipped && !box.contains(d.x[i], d.y[i])) continue;
        const PixelPoint p = pix(d.x[i], d.y[i]);
        if (p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_) {
          unsigned char& mark = seen[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width_) +
                                     static_cast<std::size_t>(p.x)];
          if (mark) continue;
          mark = 1;
        }
        s.ellipse(p.x - w, p.y - w, p.x + w + 1, p.y + w + 1);
      }
      s.setBrush(clWhite, true);
      break;
    }
    case dsCircle: {
      s.setBrush(clWhite, true);
      s.setPen(d.color, w);
      // Each circle is opaque (outline and white inside), so a circle drawn
      // again later at the same pixel covers the earlier one completely:
      // only the last circle at each pixel is drawn, in the original order.
      std::vector<PixelPoint> centres;
      centres.reserve(n);
      for (std::size_t i = 0; i < n; ++i) {
        if (clipped && !box.contains(d.x[i], d.y[i])) continue;
        centres.push_back(pix(d.x[i], d.y[i]));
      }
      std::vector<unsigned char> keep(centres.size(), 1);
      std::vector<unsigned char> seen(static_cast<std::size_t>(std::max(width_, 0)) *
                                      static_cast<std::size_t>(std::max(height_, 0)));
      for (std::size_t i = centres.size(); i-- > 0;) {
        const PixelPoint p = centres[i];
        if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_) continue;
        unsigned char& mark =
            seen[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(p.x)];
        if (mark) keep[i] = 0;
        mark = 1;
      }
      for (std::size_t i = 0; i < centres.size(); ++i) {
        if (!keep[i]) continue;
        const PixelPoint p = centres[i];
        s.ellipse(p.x - w, p.y - w, p.x + w + 1, p.y + w + 1);
      }
      s.setPen(d.color, 1);
      break;
    }
    case dsComb: {
      s.setBrush(clWhite, true);
      s.setPen(d.color, w);
      // The base line of the combs; with fixed axes it is kept inside the
      // axes' rectangle.
      double base = 0.0;
      if (clipped) base = std::clamp(0.0, std::min(box.ymin, box.ymax), std::max(box.ymin, box.ymax));
      const int py0 = toPix(tf.toPixelY(base));
      // Strokes of one pixel column overlap: draw only the longest up and down.
      bool open = false;
      int colX = 0, top = 0, bottom = 0;
      auto emit = [&]() {
        if (!open) return;
        if (top >= py0 && bottom <= py0) {
          s.line(colX, py0, colX, py0);
          return;
        }
        if (top < py0) s.line(colX, py0, colX, top);
        if (bottom > py0) s.line(colX, py0, colX, bottom);
      };
      for (std::size_t i = 0; i < n; ++i) {
        if (clipped && !box.contains(d.x[i], d.y[i])) continue;
        const PixelPoint p = pix(d.x[i], d.y[i]);
        if (open && p.x == colX) {
          top = std::min(top, p.y);
          bottom = std::max(bottom, p.y);
          continue;
        }
        emit();
        open = true;
        colX = p.x;
        top = bottom = p.y;
      }
      emit();
      s.setPen(d.color, 1);
      break;
    }
    case dsLineInset: {
      s.setPen(d.color, w);
      {
        const DataRect ranges{g.rangeX.min, g.rangeX.max, g.rangeY.min, g.rangeY.max};
        PolylineSink sink(s);
        std::size_t lastEnd = static_cast<std::size_t>(-1);
        std::size_t i = 0;
        while (n > 0 && i < n - 1) {
          const bool inNext = ranges.contains(d.x[i + 1], d.y[i + 1]);
          if (ranges.contains(d.x[i], d.y[i]) && inNext) {
            if (lastEnd != i) sink.moveTo(pix(d.x[i], d.y[i]));
            sink.lineTo(pix(d.x[i + 1], d.y[i + 1]));
            lastEnd = i + 1;
          }
          i += inNext ? 1 : 2;
        }
      }
      s.setPen(d.color, 1);
      break;
    }
  }
}

void Graph2DModel::drawTitle(DrawSurface& s, const TSubGraph& g) {
  s.setFont(g.title.font);
  s.setTextColor(clBlack);
  s.setTextBackground(false);
  const int tw = s.textWidth(g.title.text);
  s.text(g.left + (g.width - tw) / 2, g.top + s.textHeight("0"), g.title.text);
  s.setFont(axisFont());
}

void Graph2DModel::drawLegend(DrawSurface& s, const TSubGraph& g) {
  const stMargin& sp = g.legend.spacing;
  s.setFont(defaultFont());
  const int h = s.textHeight("O");
  int longest = 0;
  for (const TSingleDiagram& d : g.diagrams) longest = std::max(longest, s.textWidth(d.title));
  const int W = 2 * sp.left + longest + sp.right + 10;
  const int H = sp.top + sp.bottom + static_cast<int>(g.diagrams.size()) * h;
  const int ox = g.left + g.width - W - g.margin.left;
  const int oy = g.top + g.margin.top;

  s.setClip(ox, oy, ox + W, oy + H);
  s.setBrush(clWhite, true);
  s.setPen(g.legend.frameColor, 1);
  s.rectangle(ox, oy, ox + W, oy + H);
  s.setTextColor(clBlack);
  s.setTextBackground(false);
  for (std::size_t i = 0; i < g.diagrams.size(); ++i) {
    const TSingleDiagram& d = g.diagrams[i];
    const int y = oy + static_cast<int>(i) * h + sp.top;
    const int c = h / 2;
    const int sx = ox + sp.left + 5;
    const int w = static_cast<int>(d.penWidth);
    s.setPen(clBlack, w);
    s.text(ox + 2 * sp.left + 10, y, d.title);
    s.setPen(d.color, w);
    s.setBrush(clWhite, true);
    switch (d.style) {
      case dsLine:
        s.line(ox + sp.left, y + c, ox + sp.left + 10, y + c);
        break;
      case dsPoint:
        s.ellipse(sx - 1, y + c - 1, sx + w + 1, y + c + w + 1);
        break;
      case dsCircle:
        s.ellipse(sx - w, y + c - w, sx + w + 1, y + c + w + 1);
        break;
      case dsComb:
        s.line(sx - 3, y + 5, sx - 3, y + h - 2);
        s.line(sx, y, sx, y + h - 2);
        s.line(sx + 3, y + 3, sx + 3, y + h - 2);
        break;
      case dsLineInset:
        s.ellipse(sx - 1, y - 1, sx + c + 1, y + c + 1);
        break;
    }
  }
  s.clearClip();
  s.setPen(clBlack, 1);
  s.setFont(axisFont());
}

void Graph2DModel::drawHints(DrawSurface& s, const TSubGraph& g) {
  const stTransformationFactors& tf = currentTransformation_;
  s.setFont(axisFont());
  for (const TSingleDiagram& d : g.diagrams) {
    // A hidden series leaves no label pointing at nothing.
    if (!d.visible || d.y.empty() || d.hint.empty()) continue;
    s.setTextColor(d.color);
    s.setTextBackground(true, invertColor(d.color));
    s.text(toPix(tf.toPixelX(d.rangeX.max)) + 5, toPix(tf.toPixelY(d.y.back())), d.hint);
  }
  s.setTextColor(clBlack);
  s.setTextBackground(false);
}

}  // namespace grainix
