#pragma once
// The main window's "Experiments queue" command: refreshes the grain
// parameters, opens the queue window and, after "Start", runs the queue
// with the window's own commands — the stacking window's OK, the
// calculation commands with their "show diagram" boxes, the writers —
// waiting for each calculation in a local event loop.
#include <QString>

#include "engine/app/build_command.h"
#include "engine/io/writers.h"

class QWidget;

namespace grainix {

class CalcHost;
class CalcPanel;

// What the queue needs of the main window.
class QueueHost {
 public:
  virtual ~QueueHost() = default;
  // The document, the log, message boxes, the switch board of commands.
  virtual CalcHost& calcHost() = 0;
  virtual CalcPanel& calculations() = 0;
  // The "Structure building" inputs as they stand.
  virtual StBuildInput structureInput() const = 0;
  // The field texts the data files print.
  virtual StFileTexts fileTexts() const = 0;
  // Shows the current grain in RasTop as the Tools command "Rastop" does
  // (its boxes included); true when the viewer was started.
  virtual bool showGrainInRasTop() = 0;
};

// "Experiments queue" (MIexpque); `parent` owns the queue and stacking windows.
void runExperimentsQueue(QueueHost& host, QWidget* parent);

}  // namespace grainix
