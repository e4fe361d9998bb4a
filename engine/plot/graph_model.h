#pragma once
// The plotting control without the widget: panels, series, range upkeep,
// layout, axis scaling, painting onto a DrawSurface and ".ddf" files.
// The widget TGraph2D (gui/plot/tgraph2d.h) holds one and forwards to it.
// All operations without a panel argument address the active panel; the
// "last series" is the most recently inserted series of the active panel;
// indices are 0-based unless stated.
#include <cstddef>
#include <string>
#include <vector>

#include "engine/plot/draw_surface.h"
#include "engine/plot/graph_types.h"

namespace grainix {

// Pairwise scan for min and max (both start at element 0; odd n starts the
// pairs at index 1, even n at 0). n must be >= 1.
void minMaxPairwise(const double* v, std::size_t n, double& min, double& max);

// The tick step for a data range on an axis of `pixelLength` pixels: one
// tick per 50 pixels, rounded to b x {0.25, 0.5, 1, 1.25, 2, 2.5, 5, 10}.
// 0 when the axis is shorter than 50 pixels (or the range is not usable).
double tickStep(double min, double max, int pixelLength);

// Axis scaling of one axis at paint time; may write the underflow
// replacements back into `range`. Leaves a fixed axis alone.
void scaleAxis(TAxis& axis, stRange& range, int pixelLength);

// Transformation of a panel from its size, margins and axis limits.
stTransformationFactors computeTransformation(const TSubGraph& g);

// Tick label: "0" for |v| < 1e-14, else the control-wide number format,
// with at least the significant digits a tick of `step` needs (ticks at
// 11.25 apart 1.25 read "11.25", not "11.3").
std::string formatTickLabel(double v, double step = 0.0);

// The values the ticks of an axis are drawn at: from min while the value is
// at most max + step/2, or the multiples of the step within [min, max] for
// an aligned axis. Empty for a step of 0.
std::vector<double> tickValues(const TAxis& axis);

// Result of reading a ".ddf" file.
enum class DdfStatus {
  Ok,
  FileError,        // missing or unreadable file: the control beeps
  ConversionError,  // a malformed number; `badToken` holds its text
  FormatError,      // not a diagram data file (grid size outside 1..3)
};

class Graph2DModel {
 public:
  Graph2DModel();

  // ---- control-wide (shared by every control of the process) -------------
  static void setFloatFormat(FloatFormatKind kind, int precision, int digits);
  static stFloatFormat floatFormat();
  static const stFont& axisFont();   // "Arial" at the default size
  static TColor axisColor();         // black
  static const stFont& defaultFont();  // legend text

  // ---- control size and layout --------------------------------------------
  int width() const { return width_; }
  int height() const { return height_; }
  // New control size; relays out every panel that holds a series.
  void resize(int width, int height);

  // ---- series insertion ---------------------------------------------------
  // Adds a series to panel 0 (created if there is none) and activates it.
  // n = 0 is refused (nothing happens).
  void insertData(const double* x, const double* y, unsigned n);
  void insertData(const std::vector<double>& x, const std::vector<double>& y);
  void insertData(const std::vector<double>* x, const std::vector<double>* y);
  void insertData(const double* x, const double* y, unsigned n, const std::string& hint);
  // Adds the series to the panel (row, col), 1-based; false if outside the grid.
  bool insertData(const double* x, const double* y, unsigned n, unsigned row, unsigned col);
  bool insertData(const std::vector<double>& x, const std::vector<double>& y, unsigned row, unsigned col);
  // Appends a point to series j of panel 0.
  void insertPoint(double x, double y, unsigned j);

  // ---- grid of panels -------------------------------------------------------
  bool divideGraph(unsigned rows, unsigned cols);
  bool activateSubGraph(unsigned k);
  void clearData();
  unsigned rows() const { return rows_; }
  unsigned cols() const { return cols_; }
  unsigned activeSubGraph() const { return active_; }
  std::vector<TSubGraph>& subGraphs() { return subGraphs_; }
  const std::vector<TSubGraph>& subGraphs() const { return subGraphs_; }
  // The active panel; nullptr while the control is empty.
  TSubGraph* activePanel();
  const TSubGraph* activePanel() const;
  // Number of series of the active panel (0 when empty).
  unsigned diagramCount() const;
  // Series j of the active panel (j must be valid).
  TSingleDiagram& diagram(unsigned j);
  const TSingleDiagram& diagram(unsigned j) const;

  // ---- series properties (last series, or series j of the active panel) ----
  void setColor(TColor color);
  void setColor(TColor color, unsigned j);
  TColor getColor() const;
  TColor getColor(unsigned j) const;
  // Setting the last series to dsComb also sets the panel's rangeY.min to 0.
  void setStyle(diagramStyle style);
  void setStyle(diagramStyle style, unsigned j);
  diagramStyle getStyle() const;
  diagramStyle getStyle(unsigned j) const;
  void setPenWidth(unsigned width);
  void setPenWidth(unsigned width, unsigned j);
  unsigned getPenWidth() const;
  unsigned getPenWidth(unsigned j) const;
  void setDiagramTitle(const std::string& text);
  void setDiagramTitle(const std::string& text, unsigned j);
  std::string getDiagramTitle(unsigned j) const;
  void setDiagramHint(const std::string& text);
  void setDiagramHint(const std::string& text, unsigned j);
  std::string getDiagramHint(unsigned j) const;
  void setDiagramVisible(bool flag);
  void setDiagramVisible(bool flag, unsigned j);
  void setDiagramVisible(bool flag, unsigned j, unsigned k);
  bool getDiagramVisible(unsigned j) const;
  bool getDiagramVisible(unsigned j, unsigned k) const;
  stRange getDiagramMinMaxY(unsigned j) const;

  // ---- panel properties (active panel; ignored while the control is empty) -
  void setGraphTitle(const std::string& text);
  std::string getGraphTitle() const;
  void setAxisXTitle(const std::string& text);
  std::string getAxisXTitle() const;
  void setAxisYTitle(const std::string& text);
  std::string getAxisYTitle() const;
  // Sets the margins and recomputes the transformation from the axis limits.
  void setMargin(const stMargin& margin);
  stMargin getMargin() const;
  // The transformation as of the last paint (or setMargin).
  void getTranformation(stTransformationFactors& out) const;
  stTransformationFactors getTransformation() const;
  bool pointIsInside(double x, double y) const;

  // ---- the view moved by the mouse (wheel zoom, drag) ------------------------
  // The panel whose rectangle holds the pixel; -1 for none.
  int panelAt(int px, int py) const;
  // Zooms the view of the panel under (px, py) about that point: factor < 1
  // shows less (zooms in). Both axes become fixed; false when no painted
  // panel is there.
  bool zoomAt(int px, int py, double factor);
  // Moves the view of panel k by a drag of (dx, dy) pixels.
  void panBy(unsigned k, int dx, int dy);
  // Every panel back to its automatic ranges (the full view).
  void resetView();

  // ---- painting -------------------------------------------------------------
  bool boxOn = false;  // outline the control black instead of white
  // Paints the whole control (white background, every panel with a series).
  void paint(DrawSurface& s);
  // Transformation of the panel being painted (set by the axis drawing).
  const stTransformationFactors& currentTransformation() const { return currentTransformation_; }

  // ---- ".ddf" files ----------------------------------------------------------
  // Writes every panel and series; false if the file cannot be written.
  bool saveDataToFile(const std::string& path) const;
  std::string ddfText() const;
  // Replaces the contents with the file's panels and series. On a failure
  // the control is left as it was.
  DdfStatus loadDataFromFile(const std::string& path, std::string* badToken = nullptr);
  DdfStatus loadDdfText(const std::string& text, std::string* badToken = nullptr);

 private:
  TSubGraph& ensurePanel(unsigned index);
  void layoutPanel(unsigned index);
  void addSeries(TSubGraph& g, const double* x, const double* y, unsigned n);
  void drawAxes(DrawSurface& s, TSubGraph& g);
  void drawSeries(DrawSurface& s, const TSubGraph& g, const TSingleDiagram& d);
  void drawTitle(DrawSurface& s, const TSubGraph& g);
  void drawLegend(DrawSurface& s, const TSubGraph& g);
  void drawHints(DrawSurface& s, const TSubGraph& g);

  std::vector<TSubGraph> subGraphs_;
  unsigned active_ = 0;
  unsigned rows_ = 1;
  unsigned cols_ = 1;
  int width_ = 100;
  int height_ = 100;
  stTransformationFactors currentTransformation_;
};

}  // namespace grainix
