#pragma once
// Opening a diagram window in one call, in the order every result window
// uses: series with their colour, style, pen width and title; margins, axis
// titles, tick-label format and graph title; caption and series list; grid
// and memo lines; axis-title pictures and the default size; then show.
#include <QWidget>

#include "engine/plot/diagram_desc.h"

namespace grainix {

class DiagramSettings;
class TFdiagram;

// Builds the window owned by `owner` (the main window, or the dialog that
// opens a diagram of its own) and shows it unless `show` is false.
// `settings` nullptr: the process-wide default of TFdiagram.
TFdiagram* openDiagram(QWidget* owner, const DiagramDesc& desc, DiagramSettings* settings = nullptr,
                       bool show = true);

// Fills an existing, empty window from a description (without showing it).
void applyDiagramDesc(TFdiagram& window, const DiagramDesc& desc);

}  // namespace grainix
