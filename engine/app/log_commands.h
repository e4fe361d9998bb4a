#pragma once
// Commands of the message log and of the window shell that decide something
// without a window: the node listing, the plane z, the
// tiling of the diagram windows, the width rule of the hidden log, which
// dropped or command-line files are read, and the temp-file clean-up.
#include <optional>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"

namespace grainix {

// Options of the node listing (popup menu of the log).
struct StListingOptions {
  double planeZ = 0;     // "Set "z""
  bool showAll = false;  // "Show all "z""
  bool sortByR = false;  // "Sort vs. "r""
};

// "Nodes": the plane line, the column line and one line per node whose z
// lies strictly within planeZ +- 0.1 (every node with showAll). With sortByR
// the list itself is sorted by r, largest first, before it is listed.
std::vector<std::string> nodeListing(vGrainNodes& nodes, const StListingOptions& opt);
// One line of the listing; "nd" stands for the r columns of a node whose r is negative.
std::string nodeListingLine(const StGrainNode& node);

// "Set "z"": converts the answer of the input box. A text that is not a
// number gives the conversion error and leaves planeZ as it was.
StCommandResult setPlaneZ(const std::string& answer, double& planeZ);
// Default text of the input box: the current plane z, 5 significant digits.
std::string planeZText(double planeZ);

// "Show current parameters": the report framed by its heading and closing line.
std::vector<std::string> currentParametersLines(const std::vector<std::string>& report);

// "Show Messages": the window width with the log shown or hidden, and the
// caption of the hidden toggle button.
int mainWindowWidth(int leftPanelWidth, int logWidth, bool logShown);
inline const char* showMemoCaption(bool logShown) { return logShown ? "<<" : ">>"; }

// "Diagrams disperse 3x3".
struct StWindowRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const StWindowRect&) const = default;
};
// Rectangles of `count` diagram windows tiled three per row on a screen of
// screenW x screenH pixels, in creation order.
std::vector<StWindowRect> disperseDiagrams(int screenW, int screenH, int count);
// Rectangle of the index-th (0-based) child diagram stacked over its parent.
StWindowRect stackedChildRect(const StWindowRect& parent, int index);

// Dropped files: exactly one file with the extension .xyz, .ndl or .at (any
// case) is read as a nodes file; anything else is ignored.
std::optional<std::string> droppedNodesFile(const std::vector<std::string>& files);

// The file named on the command line: which reader takes it. The extension
// must appear after the first character (".ndl" alone is not read).
enum class StartupFileKind { None, Nodes, Histogram };
StartupFileKind commandLineFileKind(const std::string& arg);

// "Remove temp. files" at close: deletes the files (never folders) in
// `folder` whose names end in .xyz, .scr or .bmp. Returns how many went.
int removeTempFiles(const std::string& folder);

// The priority button the thread-priority dialog checks for a value:
// 5 HIGH, 6 REAL TIME, anything else NORMAL (3).
int priorityDialogChoice(int priority);

// About box text.
std::string aboutText(const std::string& buildDate);

}  // namespace grainix
