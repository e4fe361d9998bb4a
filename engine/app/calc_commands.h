#pragma once
// The calculation commands of the main window as data: what a start, STOP
// and each completion decide (log lines, enables, fit-form references, the
// diagrams to open), the "Histogram" listing and the bin-width rules. The
// worker threads and widgets live in the window layer; everything they
// decide is here and testable without them.
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/plot/diagram_desc.h"

namespace grainix {

struct Workbench;

// Completion messages posted by the worker threads (application message
// numbers): diffraction, G(r), and the pair loops (mode in the parameter).
inline constexpr int kMsgDiffractionDone = 32771;
inline constexpr int kMsgGrDone = 32772;
inline constexpr int kMsgPairLoopDone = 32788;

inline constexpr const char* kAbortedLine = " ===== CALCULATIONS ABORTED =====";
inline constexpr const char* kBinWidthWarning = "Bin width>=0.1 gives diffraction pattern with failures";

// STOP and the chained commands share these.
struct StCalcFlags {
  bool aborted = false;
  bool pdhRunning = false;    // also set by a G(r) run
  bool diffrRunning = false;
  bool queueRunning = false;
};

// The local time in the long time format of the user's locale.
std::string localLongTime();

// What the calculation controls hold when a command runs.
struct StCalcInputs {
  // Structure building (host)
  std::string latticeText = "3.54";  // Elp
  std::string radiusText = "15";     // Eradius
  std::string elementL, elementR;    // CBoxElemL, CBoxElemR texts
  bool biatomic = false;             // neither "monoatomic lattice" nor "from file"
  // PDH
  std::string binWidthText = "0.001";  // Ebinwidth
  bool showPdhAfter = false;           // ChBtuzpo
  // Radiation
  std::string lambdaText = "0.56";   // Elam
  std::string kText = "11.22";       // Ek
  int anodeIndex = 0;                // CBoxXray
  std::string anodeName = "Custom";  // its item text
  // Diffraction
  std::string startText = "5", stopText = "150", stepText = "0.1";  // Estart, Estop, Edphi
  bool showS = true;           // RBs ("S") rather than "I"
  bool angleUnits = false;     // RBangle rather than "Q(Angs-1)"
  bool showPatternAfter = false;  // ChBshowpattern
  // G(r)
  std::string grStartText = "0", grStopText = "3.54", grStepText = "0.01";
  int windowChoice = 2;        // 0 "None (BoxCar)", 1 "Hamming", else "Lorch"
  bool showGrAfter = false;    // ChBoxGrGraph
  // delta(r)
  bool showDeltaAfter = false; // ChBgraphrij
};

// One diagram window a command wants opened; `offset` moves it that many
// pixels right and down from where it would open.
struct StDiagramRequest {
  DiagramDesc desc;
  int offset = 0;
};

struct StCalcOutcome {
  StCommandResult result;
  std::vector<StDiagramRequest> diagrams;
};

// ---- PDH (pair loops) ----

// True when the diffraction needs a PDH run first (no PDH, no partial bins).
bool diffractionNeedsPdh(const Workbench& wb);
// True when G(r) needs a diffraction run first.
bool grNeedsDiffraction(const Workbench& wb);
// The box of "G(r) of diffraction" for a pattern without the Q or S column
// it transforms (one read from a file); nothing for any other pattern.
std::vector<StMessage> grPatternRefusal(const StDiffPattern& pattern);

// ---- runs and the workbench ----

// Log line of a command refused while a calculation runs (it is stopped
// with STOP first).
std::string busyRefusalLine(const std::string& command);
inline constexpr const char* kStaleRunLine =
    " ===== RESULTS DROPPED: the grain was changed during the calculation =====";

// A worker fills records of its own. The record it replaces is emptied
// when the run starts (a stopped run leaves nothing behind, also when its
// end is never handed over) and receives the worker's record when a run
// that was not stopped completes.
// Pair loops: the PDH list (modes 0 and 3) or the partial histograms
// (mode 1); a run refused for "size == 0" changes nothing.
void clearPairResult(Workbench& wb, int mode);
void takeOverPairRun(Workbench& wb, int mode, bool refused, bool stopped, PdhList& pdh, StIDCalcResults& partial);
void takeOverPattern(Workbench& wb, bool stopped, StDiffPattern& pattern);
void takeOverGr(Workbench& wb, bool stopped, StData& gr);
// Completion of a run that started from another workbench generation: its
// stop lines and kStaleRunLine; nothing is taken over or enabled, and a
// chained command waiting for the run ends as after STOP.
StCommandResult staleCompletion(StCalcFlags& flags, const std::string& stopTitle, const std::string& time);

struct StPdhStart {
  StCommandResult result;  // ok false: a conversion error, no run
  StCalcPrm prm;
  int mode = 0;            // 0 PDH, 1 partial histograms
};
// "PDH": reads the bin width, radius (unused) and lattice parameter, logs
// the start lines and prepares the worker input from the current node list.
// A mode-0 run turns the delta(r) results off (it replaces them).
StPdhStart pdhStart(const Workbench& wb, const StCalcInputs& in, const std::string& time);

// STOP: aborted flag set, the three running flags cleared, the abort line.
StCommandResult calcStop(StCalcFlags& flags);

// Completion of a pair-loop run (any mode). `report` are the parameter
// report lines for the memo of the PDH diagrams it opens (the delta(r)
// diagram takes its own).
StCalcOutcome pdhCompletion(Workbench& wb, StCalcFlags& flags, int mode, const StCalcInputs& in,
                            const std::vector<std::string>& report, const std::string& time);

// "pdh diagram": one window for a PDH, three for partial histograms, or the
// "Empty histogram" box. Takes running diagram numbers from `wb`.
StCalcOutcome pdhDiagrams(Workbench& wb, const StCalcInputs& in, const std::vector<std::string>& report);

// "Histogram": the PDH listing for the log.
std::vector<std::string> histogramListing(const PdhList& pdh);

// Bin-width edit: nothing for an empty text, a conversion error for a text
// that is not a number, else ok with `warning` = width >= 0.1.
StCommandResult binWidthChanged(const std::string& text, bool& warning);
// Popup of the bin-width edit: items "1/128", "1/1024", "1/16384" (tags 7,
// 10, 14) set the edit to 2^-tag in the default float form.
struct StBinWidthItem {
  const char* caption;
  int tag;
};
inline constexpr StBinWidthItem kBinWidthItems[] = {{"1/128", 7}, {"1/1024", 10}, {"1/16384", 14}};
std::string binWidthPopupText(int tag);

// ---- diffraction ----

struct StDiffractionStart {
  StCommandResult result;  // ok false: a conversion error, no run
  StDiffrPrm prm;
  int mode = 0;            // 0 monoatomic, 1 biatomic
  double radius = 0;       // stored as the grain radius before the run
};
StDiffractionStart diffractionStart(const StCalcInputs& in, const std::string& time);

StCalcOutcome diffractionCompletion(Workbench& wb, StCalcFlags& flags, const StCalcInputs& in,
                                    const std::vector<std::string>& report, const std::string& time);

// The diffraction diagram (also "diffraction pattern" and the I/S choice).
// Nothing when the pattern is empty or the last run was aborted.
StCalcOutcome diffractionDiagram(Workbench& wb, const StCalcFlags& flags, const StCalcInputs& in,
                                 const std::vector<std::string>& report);

// The "S"/"I" and "Angle"/"Q" choices. S is plotted against Q only; a
// pattern read from a file offers only the two columns it holds, the
// others are disabled and never checked.
struct StUnitsState {
  bool sEnabled = true, iEnabled = true;
  bool angleEnabled = true, qEnabled = true;
  bool sChecked = true;
  bool angleChecked = false;
};
StUnitsState quantityChosen(const StDiffPattern& pattern, bool sChecked, bool angleChecked);

// ---- G(r) ----

struct StGrStart {
  StCommandResult result;  // ok false: a conversion error, no run
  StGrPrm prm;
  int windowChoice = 2;
};
StGrStart grStart(const StCalcInputs& in, const std::string& time);

// `windowName` is the name of the window the run used.
StCalcOutcome grCompletion(Workbench& wb, StCalcFlags& flags, const StCalcInputs& in,
                           const std::vector<std::string>& report, const std::string& windowName,
                           const std::string& time);

StCalcOutcome grDiagram(Workbench& wb, const StCalcInputs& in, const std::vector<std::string>& report,
                        const std::string& windowName);

// ---- delta(r) ----

struct StDeltaStart {
  StCommandResult result;  // ok false: the size message or a conversion error, no run
  StCalcPrm prm;           // mode 3: nodes = ideal list, nodesMod = modified list
};
// "delta(r) calculation": refuses node lists of different lengths, reads
// the bin width, radius (unused) and lattice parameter, logs the start lines
// and prepares the worker input from copies of both node lists. The delta
// results and the commands that read the PDH are turned off.
StDeltaStart deltaStart(const Workbench& wb, const StCalcInputs& in, const std::string& time);

// True when `list` holds delta sums (or nothing): a list still holding a
// PDH has no relative changes to show or save.
bool holdsDeltaSums(const PdhList& list);

// "delta(r) diagram": (ri-r)/r * 1e3 against the mean ideal distance of
// every bin; the memo gets the parameters report (taken after the running
// number moved on, so it names this diagram) and the statistics lines. The
// lattice parameter of the grain scales the statistics. Without any bin the
// window opens without a curve and the statistics read "no data".
StCalcOutcome deltaDiagram(Workbench& wb, const StCalcInputs& in);

// A grain cut from a CIF file knows its own elements: whether the partial
// histograms run (two elements) and the element texts of the titles come
// from it, whatever the element radio buttons and boxes show.
void takeGrainElements(const Workbench& wb, StCalcInputs& in);

// Element text of a calculation's graph title: the first element, or both
// joined for a biatomic grain.
std::string elementText(const StCalcInputs& in);

}  // namespace grainix
