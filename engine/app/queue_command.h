#pragma once
// The main window's side of the experiments queue: the grain parameters
// the queue builds with, the grain each entry starts from, and what counts
// as a finished calculation of an entry.
#include "engine/app/build_command.h"
#include "engine/core/command.h"
#include "engine/queue/queue_runner.h"

namespace grainix {

struct Workbench;

// Before the queue window opens: the grain parameters from the structure
// inputs (radius, lattice parameter, elements, shape, element count; no
// thermal vibration; the histogram range (a/4 + R) * 2.02) and a new
// stacked generator. A number that does not parse stops the command.
StCommandResult refreshQueueGrain(Workbench& wb, const StBuildInput& in);

// A new entry: the previous grain and every result derived from it go, so
// nothing of one entry can be saved under the name of the next. The
// commands that show or save those results are turned off.
StCommandResult discardQueueGrain(Workbench& wb);

// The queue does not modify its grains: an entry's delta(r) compares the
// grain with itself unless a modified copy of the same size exists.
StCommandResult prepareQueueDelta(Workbench& wb);

// A calculation of an entry ended with a result: it was not stopped and
// left its result in the workbench.
bool queueCalculationDone(const Workbench& wb, QueueCalc calc, bool aborted);

}  // namespace grainix
