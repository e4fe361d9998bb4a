#pragma once
// The experiments queue run as a sequence of steps over the commands of a
// host (the main window, or the command-line tool): for every entry the
// grain is built, optionally saved and shown, delta(r), the PDH, the
// diffraction pattern and G(r) are computed as chosen, their files are
// written, and a plain-text report records what was done. The host runs
// each command as its user would and returns when it has finished.
#include <string>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/grain/grain_node.h"
#include "engine/io/writers.h"
#include "engine/queue/exp_queue.h"

namespace grainix {

inline constexpr const char* kQueueReportFailed = "Creation of report file failed. Experiments queue will be aborted";
inline constexpr const char* kQueueEmpty = " experiments queue is empty. STOP";
inline constexpr const char* kQueueStart = "<<< EXPERIMENTS QUEUE START >>>";
inline constexpr const char* kQueueStop = "<<< EXPERIMENTS QUEUE STOP >>>";

enum class QueueCalc { Delta, Pdh, Diffraction, Gr };

// What the files of an entry are written from, as the host holds it now.
struct StQueueResults {
  vGrainNodes* nodes = nullptr;      // the current node list
  const PdhList* pdh = nullptr;
  const StIDCalcResults* partial = nullptr;
  bool biatomic = false;             // the PDH file holds the partial histograms
  const StDiffPattern* pattern = nullptr;
  const StData* gr = nullptr;
  const PdhList* delta = nullptr;    // delta(r) bins
  StFileTexts texts;                 // the field texts the files print
};

class ExpQueueCommands {
 public:
  virtual ~ExpQueueCommands() = default;
  // A line of the message log.
  virtual void log(const std::string& line) = 0;
  // Message boxes, log lines and enables of a command or a writer.
  virtual void apply(const StCommandResult& result) = 0;
  // Lets pending window events run (nothing for a host without a window).
  virtual void letEventsRun() {}
  // Discards the grain of the previous entry and all results derived from it.
  virtual void clearGrain() = 0;
  // Builds the entry's grain as the stacking window's OK does, with the
  // entry's sequence and geometry; true when a grain was built.
  virtual bool buildEntry(StExpQueueRecord& entry) = 0;
  // Shows the grain in the outside viewer as its command does (the command
  // reports a viewer it cannot start); true when the viewer was started.
  virtual bool showInViewer() = 0;
  // Runs a calculation as its command does, with its "show diagram" choice,
  // and returns when it has ended; true when it ended with a result (not
  // refused, not stopped).
  virtual bool runCalculation(QueueCalc calc, bool showDiagram) = 0;
  virtual StQueueResults results() = 0;
};

struct StQueueRunInput {
  std::string dateTime;  // the report's "#date: " value
  bool sphere = true;    // the grains' shape
};

// Runs the queue: logs the list, writes the report head, then runs entry
// after entry while `queueRunning` stays set (STOP clears it: the current
// entry finishes its steps, no further entry starts). The report is
// rewritten as a whole after every entry, so it always reads complete.
void runExpQueue(StExpQueue& queue, ExpQueueCommands& commands, bool& queueRunning, const StQueueRunInput& input);

// File names: prefix + n + extension, n the 0-based entry index.
std::string queueDataPath(const std::string& prefix, size_t n, const char* extension);

}  // namespace grainix
