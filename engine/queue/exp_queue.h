#pragma once
// The experiments queue: a list of stacked-grain configurations that are
// built and evaluated one after another, with the choices of what to
// compute, which diagrams to show and which files to write. One queue
// lives in the workbench for the program's run.
#include <cstdint>
#include <string>
#include <vector>

namespace grainix {

// One entry: a layer sequence and the layer geometry, texts as typed in the
// stacking window. The window keeps the entry's row beside it, in entry order.
struct StExpQueueRecord {
  std::string sequence;
  std::string summary;   // what the entry's row shows (entrySummary)
  std::string lpA;       // in-layer spacing "hcp l.p. a"
  std::string lpC;       // layer spacing "hcp l.p. c"
  std::string u;         // sublattice shift "u "
  int32_t number = 0;    // 1-based position when it was added
};

// "a=" a ",c=" c ",u=" u ", " sequence
std::string entrySummary(const std::string& a, const std::string& c, const std::string& u,
                         const std::string& sequence);

struct StExpQueue {
  std::vector<StExpQueueRecord> entries;
  std::string fileHead = "exp";   // first letters of every file name
  std::string folder;             // where the report and the files go
  std::string description;
  // Calculations group.
  bool calcOn = false, calcPdh = false, calcRij = false, calcDiff = false, calcGr = false;
  // Diagrams group; positions means showing the grain in the viewer.
  bool diagOn = false, diagPdh = false, diagRij = false, diagDiff = false, diagGr = false, diagPositions = false;
  // Save group; positions means the nodes file.
  bool saveOn = false, savePdh = false, saveRij = false, saveDiff = false, saveGr = false, savePositions = false;
};

// The three option groups of the queue and their five items.
enum class QueueGroup { Calculations = 0, Diagrams = 1, Save = 2 };
enum class QueueItem { Positions = 0, Pdh = 1, Rij = 2, Diff = 3, Gr = 4 };
inline constexpr int kQueueGroups = 3;
inline constexpr int kQueueItems = 5;

// The stored switch of a group and the stored check of an item; nullptr for
// the positions item of the calculations group, which does not exist.
bool& queueSwitch(StExpQueue& q, QueueGroup g);
bool* queueFlag(StExpQueue& q, QueueGroup g, QueueItem item);

// folder + "/" + fileHead (one separator, also when the folder ends with one).
std::string queueFilePrefix(const std::string& folder, const std::string& fileHead);

}  // namespace grainix
