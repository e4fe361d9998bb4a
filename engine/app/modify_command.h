#pragma once
// The "Modify" command of the main window: what it hands to the
// modification window and what it switches when the window closes.
#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/modify/modpos_model.h"
#include "engine/modify/sections.h"

#include <vector>

namespace grainix {

struct Workbench;

// Before the window opens: the "Improper chemical composition..." error box
// when an element box has no valid selection (the window opens all the same).
StCommandResult modifyOpening(const Workbench& wb);

// What the modification window works on: scratch copies of the grain
// parameters and of the modified list, so that nothing approved changes
// until "Accept". The ideal list is shared (its rPrev fields receive the
// modified distances; Cancel puts the old ones back). A cylinder's height
// comes from the ideal grain's histogram range, however often the window
// is reopened. Neither copied nor moved: `prm` refers to the members.
class StModifySession {
 public:
  StModifySession(Workbench& wb, const ElementTable& table);
  StModifySession(const StModifySession&) = delete;
  StModifySession& operator=(const StModifySession&) = delete;

  StGrainPrm grainPrm;          // written by the window
  vGrainNodes modified;         // refilled by "Modify"
  double idealMaxDistance = 0;  // the ideal grain's histogram range
  std::vector<double> idealRPrev;  // rPrev of the ideal list when the window opened
  // The window's input: the copies above, the workbench's ideal list, a copy
  // of its sections and of the element data (an element without a table
  // entry is left out).
  StFmodPosPrm prm;
};

// The window closed. Accepted: the window's grain parameters and modified
// list become the grain's and the current list, its sections become the
// grain's, the generator is marked as modified, delta(r) and "Save
// sections" are enabled, and the PDH with the partial histograms is
// discarded (with the commands that show it). Canceled: the log line; the
// grain stays as it was approved before.
StCommandResult modifyClosed(Workbench& wb, bool accepted, StModifySession& session);

}  // namespace grainix
