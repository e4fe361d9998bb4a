#pragma once
// The main window's "Modify" command in one call: the composition check,
// the modification window opened modally over the workbench's grain, and
// what its closing switches. The main window applies the returned result
// (log line, enables) as it does for its other commands.
#include <QWidget>

#include <functional>

#include "engine/elements/scattering.h"
#include "engine/core/command.h"

namespace grainix {

struct Workbench;
class TFmodpos;

// `onShown` runs once the window's modal loop runs (tests drive it from there).
StCommandResult runModifyCommand(QWidget* parent, Workbench& wb, const ElementTable& table,
                                 const std::function<void(TFmodpos&)>& onShown = {});

}  // namespace grainix
