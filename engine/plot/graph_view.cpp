// The view of a panel moved by the mouse: wheel zoom about the pointer and
// dragging. Both fix the axes (the series are clipped to them) and align
// the ticks to multiples of the step; resetView returns to the full view.
#include <cmath>

#include "engine/plot/graph_model.h"

namespace grainix {

namespace {

// New limits and step of one axis; the step follows the range as the
// automatic scaling would choose it for the panel's size.
void setView(TAxis& axis, double min, double max, int pixelLength) {
  if (!(max > min) || !std::isfinite(min) || !std::isfinite(max)) return;
  axis.min = min;
  axis.max = max;
  const double step = tickStep(min, max, pixelLength);
  if (step > 0.0) axis.step = step;
  axis.fixed = true;
  axis.alignTicks = true;
}

bool painted(const TSubGraph& g) {
  const stTransformationFactors& t = g.transformation;
  return !g.diagrams.empty() && t.scaleX != 0.0 && t.scaleY != 0.0 && std::isfinite(t.scaleX) &&
         std::isfinite(t.scaleY);
}

}  // namespace

int Graph2DModel::panelAt(int px, int py) const {
  for (std::size_t k = 0; k < subGraphs_.size(); ++k) {
    const TSubGraph& g = subGraphs_[k];
    if (g.diagrams.empty()) continue;
    if (px >= g.left && px < g.left + g.width && py >= g.top && py < g.top + g.height) return static_cast<int>(k);
  }
  return -1;
}

bool Graph2DModel::zoomAt(int px, int py, double factor) {
  const int k = panelAt(px, py);
  if (k < 0 || !(factor > 0.0)) return false;
  TSubGraph& g = subGraphs_[static_cast<std::size_t>(k)];
  if (!painted(g)) return false;
  const stTransformationFactors& t = g.transformation;
  const double x0 = t.toDataX(px), y0 = t.toDataY(py);
  setView(g.axisX, x0 - (x0 - g.axisX.min) * factor, x0 + (g.axisX.max - x0) * factor, g.width);
  setView(g.axisY, y0 - (y0 - g.axisY.min) * factor, y0 + (g.axisY.max - y0) * factor, g.height);
  g.transformation = computeTransformation(g);
  return true;
}

void Graph2DModel::panBy(unsigned k, int dx, int dy) {
  if (k >= subGraphs_.size()) return;
  TSubGraph& g = subGraphs_[k];
  if (!painted(g)) return;
  const double ddx = dx / g.transformation.scaleX, ddy = dy / g.transformation.scaleY;
  setView(g.axisX, g.axisX.min - ddx, g.axisX.max - ddx, g.width);
  setView(g.axisY, g.axisY.min - ddy, g.axisY.max - ddy, g.height);
  g.transformation = computeTransformation(g);
}

void Graph2DModel::resetView() {
  for (TSubGraph& g : subGraphs_)
    for (TAxis* a : {&g.axisX, &g.axisY}) {
      a->fixed = false;
      a->alignTicks = false;
    }
}

}  // namespace grainix
