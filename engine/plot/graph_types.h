#pragma once
// Records of the plotting control: panels, axes, series, titles and the
// pixel transformation. Plain data; the operations live in Graph2DModel.
#include <cstdint>
#include <string>
#include <vector>

namespace grainix {

// A colour as the program stores it: red in the low byte, then green, then
// blue (0x00BBGGRR). Stored signed in ".ddf" files.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clSilver = 0xC0C0C0;

inline int colorRed(TColor c) { return c & 0xFF; }
inline int colorGreen(TColor c) { return (c >> 8) & 0xFF; }
inline int colorBlue(TColor c) { return (c >> 16) & 0xFF; }
inline TColor makeColor(int r, int g, int b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
// All 24 colour bits flipped (the hint background).
inline TColor invertColor(TColor c) { return (c ^ 0xFFFFFF) & 0xFFFFFF; }

// Series look; the number is stored in ".ddf" files and passed by callers.
enum diagramStyle : std::uint8_t {
  dsLine = 0,       // polyline through the points
  dsPoint = 1,      // filled disc of radius penWidth
  dsCircle = 2,     // open circle of radius penWidth, white inside
  dsComb = 3,       // vertical stroke from y = 0 to each point
  dsLineInset = 4,  // segments whose both ends lie inside the panel ranges
};
constexpr int diagramStyleCount = 5;

// {min, max} of a set of values.
struct stRange {
  double min = 0.0;
  double max = 1.0;
  bool operator==(const stRange&) const = default;
};

// Pixel distances between the panel edges and the plot area.
struct stMargin {
  std::int32_t left = 50;
  std::int32_t right = 50;
  std::int32_t top = 50;
  std::int32_t bottom = 50;
  bool operator==(const stMargin&) const = default;
};

// pixel x = scaleX * x + shiftX, pixel y = scaleY * y + shiftY (scaleY < 0).
struct stTransformationFactors {
  double scaleX = 1.0;
  double shiftX = 0.0;
  double scaleY = -1.0;
  double shiftY = 0.0;
  bool operator==(const stTransformationFactors&) const = default;

  double toPixelX(double x) const { return scaleX * x + shiftX; }
  double toPixelY(double y) const { return scaleY * y + shiftY; }
  double toDataX(double px) const { return (px - shiftX) / scaleX; }
  double toDataY(double py) const { return (py - shiftY) / scaleY; }
};

struct TAxis {
  double min = 0.0;
  double max = 1.0;
  double step = 0.5;
  std::string title = "axis";
  // Range entered by hand: automatic scaling stops and the panel's series
  // are clipped to the axes' rectangle.
  bool fixed = false;
  // Ticks at the multiples of the step within the range instead of from
  // min on (a view zoomed or moved with the mouse starts anywhere).
  bool alignTicks = false;
};

// A font description; the drawing surface maps it onto a real font.
// An empty family or a point size of 0 means the platform's default.
struct stFont {
  std::string family;
  int pointSize = 0;
  bool bold = false;
  bool italic = false;
  bool operator==(const stFont&) const = default;
};

// A title whose text is "0" counts as no title.
struct stTitle {
  stFont font{"", 0, true, false};
  std::string text = "0";
  bool isEmpty() const { return text == "0"; }
};

struct stGrid {
  bool visible = false;
  TColor color = clSilver;  // drawn with a one-pixel solid pen
};

struct stLegend {
  bool visible = false;
  stMargin spacing{10, 10, 10, 10};  // left, right, top, bottom
  TColor frameColor = clBlack;
};

struct TSingleDiagram {
  std::vector<double> x;
  std::vector<double> y;
  stRange rangeX;
  stRange rangeY;
  diagramStyle style = dsLine;
  TColor color = clBlack;
  unsigned penWidth = 1;  // line width; radius for the point styles
  std::string title;      // shown in the legend
  std::string hint;       // drawn at the right end when hints are on
  bool visible = true;

  std::size_t size() const { return x.size(); }
};

struct TSubGraph {
  stRange rangeX;  // union of the series ranges; {0, 1} when empty
  stRange rangeY;
  stMargin margin;
  TAxis axisX;
  TAxis axisY;
  stGrid grid;
  stTitle title;
  stLegend legend;
  stTransformationFactors transformation;
  std::vector<TSingleDiagram> diagrams;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 100;
  std::int32_t height = 100;
  bool hintsOn = false;
  // Width the window keeps left of the Y tick labels for a title picture it
  // draws itself (0: none).
  std::int32_t yTitleReserve = 0;
  // Set by each paint: the pixels added to margin.left so the Y labels and
  // the Y title stay inside the panel, and the left edge of the labels.
  std::int32_t labelRoom = 0;
  std::int32_t labelLeft = 0;

  bool anyAxisFixed() const { return axisX.fixed || axisY.fixed; }
};

// Tick-label number format kinds (the toolkit's float formats).
enum class FloatFormatKind : std::uint8_t {
  General = 0,   // at most `precision` significant digits
  Exponent = 1,  // d.ddd E+dd with `precision` digits, `digits` exponent digits at least
  Fixed = 2,     // `digits` decimals
  Number = 3,    // `digits` decimals with thousands separators
};

struct stFloatFormat {
  FloatFormatKind kind = FloatFormatKind::General;
  int precision = 4;
  int digits = 4;
};

// The toolkit's formatting of a double by kind, precision and digits
// ("." decimal point, "," thousands separator).
std::string formatFloat(double value, FloatFormatKind kind, int precision, int digits);

}  // namespace grainix
