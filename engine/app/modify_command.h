#pragma once
// The "Modify" command of the main window: what it hands to the
// modification window and what it switches when the window closes.
#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/modify/modpos_model.h"
#include "engine/modify/sections.h"

namespace grainix {

struct Workbench;

// Before the window opens: the "Improper chemical composition..." error box
// when an element box has no valid selection (the window opens all the same).
StCommandResult modifyOpening(const Workbench& wb);

// The window's input: the grain parameters and both node lists of the
// workbench by reference, a copy of its sections and of the element data
// (an element without a table entry is left out).
StFmodPosPrm modifyWindowInput(Workbench& wb, const ElementTable& table);

// The window closed. Accepted: the modified list becomes the current one,
// the window's sections become the grain's, the generator is marked as
// modified, delta(r) and "Save sections" are enabled, and the PDH with the
// partial histograms is discarded (with the commands that show it).
// Canceled: only the log line.
StCommandResult modifyClosed(Workbench& wb, bool accepted, const secPrm& sections);

}  // namespace grainix
