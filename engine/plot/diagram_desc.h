#pragma once
// A diagram described as data: what a command wants plotted in a new diagram
// window (series with their looks, margins, titles, number format, memo
// lines). Engine commands build one of these; the window layer opens it in
// one call. Also the rules of the diagram window that need no toolkit: the
// inset interval, the series text of the clipboard, the axis dialog checks
// and the layout of the memo lines on a printed page.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/plot/graph_types.h"

namespace grainix {

// Colour value as stored in diagram data files: red in the low byte, then
// green, then blue (0x00BBGGRR), signed 32-bit.
using DiagramColor = std::int32_t;
constexpr DiagramColor diagramRgb(int r, int g, int b) {
  return static_cast<DiagramColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr DiagramColor kColorBlack = 0;
inline constexpr DiagramColor kColorRed = diagramRgb(255, 0, 0);
inline constexpr DiagramColor kColorGreen = diagramRgb(0, 128, 0);
inline constexpr DiagramColor kColorBlue = diagramRgb(0, 0, 255);

// Series styles by number (stored in files, given by callers by number).
enum DiagramStyleNo : int { kStyleLine = 0, kStylePoint = 1, kStyleCircle = 2, kStyleComb = 3, kStyleLineInset = 4 };

struct SeriesDesc {
  std::vector<double> x, y;  // equal length, at least one point
  DiagramColor color = kColorBlack;
  int style = kStyleLine;
  unsigned penWidth = 1;
  std::string title;  // legend text; also the series-list entry unless the diagram names its own
  std::string hint;
  bool visible = true;
};

struct DiagramMargins {
  int left = 50, right = 50, top = 50, bottom = 50;
  bool operator==(const DiagramMargins&) const = default;
};

// The margins every window built from another one gets.
inline constexpr DiagramMargins kDerivedMargins{80, 60, 60, 60};

struct DiagramDesc {
  std::vector<SeriesDesc> series;                 // added in order to sub-graph 0
  std::optional<DiagramMargins> margins;          // unset: the control's defaults
  std::string axisXTitle = "axis", axisYTitle = "axis";
  // Tick labels, general format; 0 leaves the control-wide format as the
  // previous diagram set it (diagrams that name no format do not change it).
  int precision = 0, digits = 0;
  std::string graphTitle = "0";                   // "0" means no title
  std::string caption = "diagram";                // window caption
  // Entries of the series list (all checked). Unset: the series titles in order.
  std::optional<std::vector<std::string>> listEntries;
  bool grid = false;
  bool hintsOn = false;                           // draw the series hints
  bool showHintsCommand = false;                  // offer "Hints" in the context menu
  bool legend = false;
  std::vector<std::string> memo;                  // parameter lines
  std::string axisXImage, axisYImage;             // both set: axis-title images replace the titles
  bool defaultSize = true;                        // size from "gw"/"gh"; else the form's 755 x 481
  bool shortMenu = false;                         // install the short context menu
};

// "diagram: " + running number: title, caption and first list entry of a
// calculation result's window.
std::string diagramTitle(int number);

// ---- inset window ----

// The run of points of one series inside the selected x interval: the first
// point with x >= x1, and the count of consecutive points from there whose
// x < x2. x1 and x2 may come in either order.
struct InsetRun {
  std::size_t first = 0;
  std::size_t count = 0;
};
InsetRun insetRun(const std::vector<double>& x, double x1, double x2);
inline constexpr const char* kInsetEmptyMessage = "size of choosen region equal 0";

// ---- series as clipboard text ----

// n + "\n", then "%12.4e\t%12.4e\n" per point.
std::string seriesToClipboardText(const std::vector<double>& x, const std::vector<double>& y);
// Whitespace-separated: an integer n, then n pairs x y. False (outputs
// untouched) when the text does not hold a count and that many pairs, or the
// count is not positive.
bool seriesFromClipboardText(const std::string& text, std::vector<double>& x, std::vector<double>& y);

// ---- series as one table ----

// Every given series as one tab-separated table with a header line of
// their titles. Series with the same x values share one "x" column;
// otherwise each has its own x and y columns ("<title> x", "<title> y"),
// the shorter ones left blank below their last point. Numbers with 15
// significant digits; a line end is LF.
std::string seriesTableText(const std::vector<const TSingleDiagram*>& series);

// ---- line properties dialog ----

// One series as the line properties dialog edits it.
struct StLinePrm {
  std::string title;
  DiagramColor color = kColorBlack;
  std::int32_t style = kStyleLine;  // 0..3 offered by the dialog
  std::int32_t width = 1;           // 1..3 offered by the dialog
  bool operator==(const StLinePrm&) const = default;
};
// What OK writes back from one row: the list indices of the style and
// width boxes (-1 = no selection, as for style 4 or widths above 3, which
// the boxes do not offer; the record then keeps its value).
void applyLineRow(StLinePrm& record, const std::string& title, DiagramColor color, int styleIndex, int widthIndex);

// ---- settings the diagram windows use (section "aux") ----

// "gw"/"gh" (default window size, 800 x 600), "path_tmp", "path_nconv".
// Reads see the stored file; writeInteger stores the key at once.
class DiagramSettings {
 public:
  virtual ~DiagramSettings() = default;
  virtual int readInteger(const std::string& key, int def) const = 0;
  virtual std::string readString(const std::string& key, const std::string& def) const = 0;
  virtual void writeInteger(const std::string& key, int value) = 0;
};

// The settings file at `path` (section "aux"), read at every call and
// written key by key, so other writers of the file are not overwritten.
class IniDiagramSettings : public DiagramSettings {
 public:
  explicit IniDiagramSettings(std::string path) : path_(std::move(path)) {}
  int readInteger(const std::string& key, int def) const override;
  std::string readString(const std::string& key, const std::string& def) const override;
  void writeInteger(const std::string& key, int value) override;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// In-memory settings (tests, or a window without a settings file).
class MemoryDiagramSettings : public DiagramSettings {
 public:
  int readInteger(const std::string& key, int def) const override;
  std::string readString(const std::string& key, const std::string& def) const override;
  void writeInteger(const std::string& key, int value) override;
  void writeString(const std::string& key, const std::string& value);

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  const std::string* find(const std::string& key) const;
};

inline constexpr int kDefaultDiagramWidth = 800;   // "gw"
inline constexpr int kDefaultDiagramHeight = 600;  // "gh"

// ---- axis dialog ----

inline constexpr const char* kAxisDialogError =
    "Improper numerical values in edit windows. Should be: max>min & step<max-min & n>0 ";

// Range rule: min, max, step parse; max - min > 0, max - min > step, step > 0.
bool axisRangeRuleHolds(const std::string& min, const std::string& max, const std::string& step);
// Count rule: min, max, N parse; max - min > 0, N > 0. On success `step`
// receives (max - min) / N formatted general 5/5.
bool axisCountRuleHolds(const std::string& min, const std::string& max, const std::string& n, std::string* step);
// Number of steps shown for an axis: trunc((max - min) / step), 0 for a zero step.
int axisStepCount(double min, double max, double step);

// ---- printed memo ----

// Where each memo line goes under the printed picture. The page is cut into
// five columns; a line holding "diagram number" starts the next column and
// carries a colour stroke for the series of that column. Lines before the
// first such line go to the first column.
struct PrintedMemoLine {
  std::string text;
  int x = 0, y = 0;
  int seriesIndex = -1;  // >= 0: draw the colour stroke of this series beside the line
};
std::vector<PrintedMemoLine> layoutPrintedMemo(const std::vector<std::string>& lines, int pageWidth, int imageBottom,
                                               int lineHeight);

}  // namespace grainix
