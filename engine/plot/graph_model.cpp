#include "engine/plot/graph_model.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <stdexcept>

namespace grainix {

namespace {

stFloatFormat& sharedFloatFormat() {
  static stFloatFormat format;
  return format;
}

// Panel ranges after a series joined the panel or grew: the first series
// sets them (with the degenerate-range rule), later ones widen them.
void updatePanelRanges(TSubGraph& g, const TSingleDiagram& d) {
  if (g.diagrams.size() == 1) {
    g.rangeX = d.rangeX;
    g.rangeY = d.rangeY;
    for (stRange* r : {&g.rangeX, &g.rangeY}) {
      if (r->min == r->max) {
        if (r->max == 0.0) {
          r->min = -1.0;
          r->max = 1.0;
        } else if (r->max > 0.0) {
          r->min = 0.0;
        } else {
          r->max = 0.0;
        }
      }
    }
    return;
  }
  if (d.rangeX.min < g.rangeX.min) g.rangeX.min = d.rangeX.min;
  if (d.rangeX.max > g.rangeX.max) g.rangeX.max = d.rangeX.max;
  if (d.rangeY.min < g.rangeY.min) g.rangeY.min = d.rangeY.min;
  if (d.rangeY.max > g.rangeY.max) g.rangeY.max = d.rangeY.max;
}

void computeSeriesRanges(TSingleDiagram& d) {
  minMaxPairwise(d.x.data(), d.x.size(), d.rangeX.min, d.rangeX.max);
  minMaxPairwise(d.y.data(), d.y.size(), d.rangeY.min, d.rangeY.max);
}

}  // namespace

void minMaxPairwise(const double* v, std::size_t n, double& min, double& max) {
  min = max = v[0];
  std::size_t i = (n % 2 == 1) ? 1 : 0;
  for (; i + 1 < n; i += 2) {
    const double a = v[i];
    const double b = v[i + 1];
    if (a >= b) {
      if (a > max) max = a;
      if (b < min) min = b;
    } else {
      if (b > max) max = b;
      if (a < min) min = a;
    }
  }
}

double tickStep(double min, double max, int pixelLength) {
  const int t = static_cast<int>(pixelLength * 0.02);
  if (t < 1) return 0.0;
  const double r = (max - min) / t;
  if (!(r > 0.0) || !std::isfinite(r)) return 0.0;
  const double b = std::pow(10.0, std::floor(std::log10(r)));
  static const double factors[] = {0.25, 0.5, 1.0, 1.25, 2.0, 2.5, 5.0};
  for (double f : factors)
    if (b * f >= r) return b * f;
  return 10.0 * b;
}

void scaleAxis(TAxis& axis, stRange& range, int pixelLength) {
  if (std::fabs(range.max) < DBL_MIN) range.max = range.max > 0.0 ? 1.0 : 0.0;
  if (std::fabs(range.min) < DBL_MIN) range.min = range.max > 0.0 ? 0.0 : -1.0;
  if (axis.fixed) return;
  double min = range.min;
  double max = range.max;
  // A range narrower than the rounding noise of its values (a flat curve
  // such as 10 +- 1e-13) is drawn as a flat range too; stretching the noise
  // over the whole axis would show variation that is not there.
  if (max - min != 0.0 && std::fabs(max - min) <= 1e-12 * std::max(std::fabs(max), std::fabs(min))) min = max;
  if (max - min == 0.0) {
    if (max == 0.0) max = 1.0;
    if (max > 0.0) min = 0.0;
    if (min < 0.0) max = 0.0;
  }
  const double step = tickStep(min, max, pixelLength);
  axis.step = step;
  if (step > 0.0) {
    axis.max = std::ceil(max / step) * step;
    axis.min = std::floor(min / step) * step;
  } else {
    // Too short for ticks: the limits stay unrounded.
    axis.max = max;
    axis.min = min;
  }
}

stTransformationFactors computeTransformation(const TSubGraph& g) {
  // A zero-width range (only possible for limits typed by hand) is drawn
  // as if it were one unit wide instead of dividing by zero.
  double dx = g.axisX.max - g.axisX.min;
  double dy = g.axisY.max - g.axisY.min;
  if (dx == 0.0 || !std::isfinite(dx)) dx = 1.0;
  if (dy == 0.0 || !std::isfinite(dy)) dy = 1.0;
  stTransformationFactors t;
  const int left = g.margin.left + g.labelRoom;
  t.scaleX = (g.width - g.margin.right - left) / dx;
  t.shiftX = g.left + left - g.axisX.min * t.scaleX;
  t.scaleY = (g.margin.top - (g.height - g.margin.bottom)) / dy;
  t.shiftY = g.top + g.margin.top - g.axisY.max * t.scaleY;
  return t;
}

std::string formatTickLabel(double v, double step) {
  if (std::fabs(v) < 1e-14) return "0";
  const stFloatFormat f = sharedFloatFormat();
  int precision = f.precision;
  if (f.kind == FloatFormatKind::General && step > 0.0 && std::isfinite(step) && std::isfinite(v)) {
    // Decimals of the step (1.25 has 2, 12.5 has 1, 250 has 0), then the
    // significant digits of v down to that decimal.
    int decimals = 0;
    while (decimals < 15) {
      const double scaled = step * std::pow(10.0, decimals);
      if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) break;
      ++decimals;
    }
    const int intDigits = static_cast<int>(std::floor(std::log10(std::fabs(v)))) + 1;
    precision = std::clamp(intDigits + decimals, precision, 15);
  }
  return formatFloat(v, f.kind, precision, f.digits);
}

std::vector<double> tickValues(const TAxis& axis) {
  std::vector<double> out;
  const double step = axis.step;
  if (!(step > 0.0) || !std::isfinite(step)) return out;
  if (axis.alignTicks) {
    const double first = std::ceil(axis.min / step - 1e-9);
    for (double k = first; out.size() < 10000; k += 1.0) {
      const double v = k * step;
      if (v > axis.max + step * 1e-9) break;
      out.push_back(v);
    }
    return out;
  }
  for (double v = axis.min; v <= axis.max + step / 2 && out.size() < 10000; v += step) {
    out.push_back(v);
    if (v + step == v) break;
  }
  return out;
}

// ---------------------------------------------------------------------------

Graph2DModel::Graph2DModel() = default;

void Graph2DModel::setFloatFormat(FloatFormatKind kind, int precision, int digits) {
  sharedFloatFormat() = {kind, precision, digits};
}

stFloatFormat Graph2DModel::floatFormat() { return sharedFloatFormat(); }

const stFont& Graph2DModel::axisFont() {
  static const stFont font{"Arial", 0, false, false};
  return font;
}

TColor Graph2DModel::axisColor() { return clBlack; }

const stFont& Graph2DModel::defaultFont() {
  static const stFont font{};
  return font;
}

void Graph2DModel::resize(int width, int height) {
  width_ = width;
  height_ = height;
  for (unsigned i = 0; i < subGraphs_.size(); ++i)
    if (!subGraphs_[i].diagrams.empty()) layoutPanel(i);
}

void Graph2DModel::layoutPanel(unsigned index) {
  TSubGraph& g = subGraphs_[index];
  g.width = width_ / static_cast<int>(cols_);
  g.height = height_ / static_cast<int>(rows_);
  g.left = static_cast<int>(index % cols_) * g.width;
  g.top = static_cast<int>(index / cols_) * g.height;
}

TSubGraph& Graph2DModel::ensurePanel(unsigned index) {
  while (subGraphs_.size() <= index) subGraphs_.emplace_back();
  return subGraphs_[index];
}

void Graph2DModel::addSeries(TSubGraph& g, const double* x, const double* y, unsigned n) {
  TSingleDiagram d;
  d.x.assign(x, x + n);
  d.y.assign(y, y + n);
  computeSeriesRanges(d);
  g.diagrams.push_back(std::move(d));
  updatePanelRanges(g, g.diagrams.back());
}

void Graph2DModel::insertData(const double* x, const double* y, unsigned n) {
  if (n == 0 || x == nullptr || y == nullptr) return;
  const bool created = subGraphs_.empty();
  TSubGraph& g = ensurePanel(0);
  if (created) {
    g.width = width_ / static_cast<int>(cols_);
    g.height = height_ / static_cast<int>(rows_);
  }
  addSeries(g, x, y, n);
  active_ = 0;
}

void Graph2DModel::insertData(const std::vector<double>& x, const std::vector<double>& y) {
  // Unequal lengths: only the common part forms points.
  const std::size_t n = std::min(x.size(), y.size());
  insertData(x.data(), y.data(), static_cast<unsigned>(n));
}

void Graph2DModel::insertData(const std::vector<double>* x, const std::vector<double>* y) {
  if (x && y) insertData(*x, *y);
}

void Graph2DModel::insertData(const double* x, const double* y, unsigned n, const std::string& hint) {
  if (n == 0 || x == nullptr || y == nullptr) return;
  insertData(x, y, n);
  subGraphs_[0].diagrams.back().hint = hint;
}

bool Graph2DModel::insertData(const double* x, const double* y, unsigned n, unsigned row, unsigned col) {
  if (row < 1 || col < 1 || row > rows_ || col > cols_) return false;
  if (n == 0 || x == nullptr || y == nullptr) return false;
  const unsigned index = (row - 1) * cols_ + col - 1;
  TSubGraph& g = ensurePanel(index);
  active_ = index;
  g.width = width_ / static_cast<int>(cols_);
  g.height = height_ / static_cast<int>(rows_);
  g.left = static_cast<int>(col - 1) * g.width;
  g.top = static_cast<int>(row - 1) * g.height;
  addSeries(g, x, y, n);
  return true;
}

bool Graph2DModel::insertData(const std::vector<double>& x, const std::vector<double>& y, unsigned row,
                              unsigned col) {
  const std::size_t n = std::min(x.size(), y.size());
  return insertData(x.data(), y.data(), static_cast<unsigned>(n), row, col);
}

void Graph2DModel::insertPoint(double x, double y, unsigned j) {
  const bool created = subGraphs_.empty();
  TSubGraph& g = ensurePanel(0);
  if (created) {
    g.width = width_ / static_cast<int>(cols_);
    g.height = height_ / static_cast<int>(rows_);
  }
  if (g.diagrams.empty()) g.diagrams.emplace_back();
  if (j >= g.diagrams.size()) return;
  TSingleDiagram& d = g.diagrams[j];
  d.x.push_back(x);
  d.y.push_back(y);
  computeSeriesRanges(d);
  // The grown series widens the panel ranges; no degenerate-range rule.
  if (d.rangeX.min < g.rangeX.min) g.rangeX.min = d.rangeX.min;
  if (d.rangeX.max > g.rangeX.max) g.rangeX.max = d.rangeX.max;
  if (d.rangeY.min < g.rangeY.min) g.rangeY.min = d.rangeY.min;
  if (d.rangeY.max > g.rangeY.max) g.rangeY.max = d.rangeY.max;
}

bool Graph2DModel::divideGraph(unsigned rows, unsigned cols) {
  if (rows < 1 || rows > 3 || cols < 1 || cols > 3) return false;
  rows_ = rows;
  cols_ = cols;
  subGraphs_.clear();
  active_ = 0;
  return true;
}

bool Graph2DModel::activateSubGraph(unsigned k) {
  if (k >= subGraphs_.size()) return false;
  active_ = k;
  return true;
}

void Graph2DModel::clearData() {
  subGraphs_.clear();
  active_ = 0;
}

TSubGraph* Graph2DModel::activePanel() {
  return active_ < subGraphs_.size() ? &subGraphs_[active_] : nullptr;
}

const TSubGraph* Graph2DModel::activePanel() const {
  return active_ < subGraphs_.size() ? &subGraphs_[active_] : nullptr;
}

unsigned Graph2DModel::diagramCount() const {
  const TSubGraph* g = activePanel();
  return g ? static_cast<unsigned>(g->diagrams.size()) : 0;
}

// A series index past the end is a caller's fault: it throws
// std::out_of_range rather than touching memory that is not a series.
TSingleDiagram& Graph2DModel::diagram(unsigned j) {
  TSubGraph* g = activePanel();
  if (!g) throw std::out_of_range("plot: no panel");
  return g->diagrams.at(j);
}
const TSingleDiagram& Graph2DModel::diagram(unsigned j) const {
  const TSubGraph* g = activePanel();
  if (!g) throw std::out_of_range("plot: no panel");
  return g->diagrams.at(j);
}

// Operations on "the last series" do nothing while the panel has none.
#define GRAINIX_LAST_SERIES(action)                  \
  do {                                               \
    TSubGraph* g_ = activePanel();                   \
    if (!g_ || g_->diagrams.empty()) return;         \
    TSingleDiagram& d = g_->diagrams.back();         \
    action;                                          \
  } while (0)

void Graph2DModel::setColor(TColor color) { GRAINIX_LAST_SERIES(d.color = color); }
void Graph2DModel::setColor(TColor color, unsigned j) { diagram(j).color = color; }
TColor Graph2DModel::getColor() const { return diagramCount() ? diagram(diagramCount() - 1).color : clBlack; }
TColor Graph2DModel::getColor(unsigned j) const { return diagram(j).color; }

void Graph2DModel::setStyle(diagramStyle style) {
  TSubGraph* g = activePanel();
  if (!g || g->diagrams.empty()) return;
  g->diagrams.back().style = style;
  if (style == dsComb) g->rangeY.min = 0.0;
}
void Graph2DModel::setStyle(diagramStyle style, unsigned j) { diagram(j).style = style; }
diagramStyle Graph2DModel::getStyle() const { return diagramCount() ? diagram(diagramCount() - 1).style : dsLine; }
diagramStyle Graph2DModel::getStyle(unsigned j) const { return diagram(j).style; }

void Graph2DModel::setPenWidth(unsigned width) { GRAINIX_LAST_SERIES(d.penWidth = width); }
void Graph2DModel::setPenWidth(unsigned width, unsigned j) { diagram(j).penWidth = width; }
unsigned Graph2DModel::getPenWidth() const { return diagramCount() ? diagram(diagramCount() - 1).penWidth : 1u; }
unsigned Graph2DModel::getPenWidth(unsigned j) const { return diagram(j).penWidth; }

void Graph2DModel::setDiagramTitle(const std::string& text) { GRAINIX_LAST_SERIES(d.title = text); }
void Graph2DModel::setDiagramTitle(const std::string& text, unsigned j) { diagram(j).title = text; }
std::string Graph2DModel::getDiagramTitle(unsigned j) const { return diagram(j).title; }

void Graph2DModel::setDiagramHint(const std::string& text) { GRAINIX_LAST_SERIES(d.hint = text); }
void Graph2DModel::setDiagramHint(const std::string& text, unsigned j) { diagram(j).hint = text; }
std::string Graph2DModel::getDiagramHint(unsigned j) const { return diagram(j).hint; }

void Graph2DModel::setDiagramVisible(bool flag) { GRAINIX_LAST_SERIES(d.visible = flag); }
void Graph2DModel::setDiagramVisible(bool flag, unsigned j) { diagram(j).visible = flag; }
void Graph2DModel::setDiagramVisible(bool flag, unsigned j, unsigned k) {
  subGraphs_.at(k).diagrams.at(j).visible = flag;
}
bool Graph2DModel::getDiagramVisible(unsigned j) const { return diagram(j).visible; }
bool Graph2DModel::getDiagramVisible(unsigned j, unsigned k) const {
  return subGraphs_.at(k).diagrams.at(j).visible;
}

#undef GRAINIX_LAST_SERIES

stRange Graph2DModel::getDiagramMinMaxY(unsigned j) const { return diagram(j).rangeY; }

void Graph2DModel::setGraphTitle(const std::string& text) {
  if (TSubGraph* g = activePanel()) g->title.text = text;
}
std::string Graph2DModel::getGraphTitle() const {
  const TSubGraph* g = activePanel();
  return g ? g->title.text : std::string("0");
}
void Graph2DModel::setAxisXTitle(const std::string& text) {
  if (TSubGraph* g = activePanel()) g->axisX.title = text;
}
std::string Graph2DModel::getAxisXTitle() const {
  const TSubGraph* g = activePanel();
  return g ? g->axisX.title : std::string("axis");
}
void Graph2DModel::setAxisYTitle(const std::string& text) {
  if (TSubGraph* g = activePanel()) g->axisY.title = text;
}
std::string Graph2DModel::getAxisYTitle() const {
  const TSubGraph* g = activePanel();
  return g ? g->axisY.title : std::string("axis");
}

void Graph2DModel::setMargin(const stMargin& margin) {
  TSubGraph* g = activePanel();
  if (!g) return;
  g->margin = margin;
  g->transformation = computeTransformation(*g);
}

stMargin Graph2DModel::getMargin() const {
  const TSubGraph* g = activePanel();
  return g ? g->margin : stMargin{};
}

void Graph2DModel::getTranformation(stTransformationFactors& out) const { out = getTransformation(); }

stTransformationFactors Graph2DModel::getTransformation() const {
  const TSubGraph* g = activePanel();
  return g ? g->transformation : stTransformationFactors{};
}

bool Graph2DModel::pointIsInside(double x, double y) const {
  const TSubGraph* g = activePanel();
  if (!g) return false;
  return g->axisX.min <= x && x <= g->axisX.max && g->axisY.min <= y && y <= g->axisY.max;
}

}  // namespace grainix
