#include "gui/plot/diagram_open.h"

#include "gui/plot/tfdiagram.h"

namespace grainix {

void applyDiagramSpec(TFdiagram& w, const DiagramSpec& spec) {
  TGraph2D* g = w.Graf;
  // 1. The series, each with its look right after it is added.
  for (const SeriesSpec& s : spec.series) {
    if (s.x.empty() || s.x.size() != s.y.size()) continue;
    g->insertData(s.x, s.y);
    g->setColor(s.color);
    if (s.style >= 0 && s.style < diagramStyleCount) g->setStyle(static_cast<diagramStyle>(s.style));
    g->setPenWidth(s.penWidth);
    g->setDiagramTitle(s.title);
    if (!s.hint.empty()) g->setDiagramHint(s.hint);
    if (!s.visible) g->setDiagramVisible(false);
  }
  // 2. Margins, axis titles, number format, graph title.
  if (spec.margins)
    g->setMargin({spec.margins->left, spec.margins->right, spec.margins->top, spec.margins->bottom});
  g->setAxisXTitle(spec.axisXTitle);
  g->setAxisYTitle(spec.axisYTitle);
  if (spec.precision > 0) TGraph2D::setFloatFormat(FloatFormatKind::General, spec.precision, spec.digits);
  g->setGraphTitle(spec.graphTitle);
  // 3. Caption and series list.
  w.setWindowTitle(QString::fromStdString(spec.caption));
  if (spec.listEntries) {
    for (const auto& e : *spec.listEntries) w.addListEntry(QString::fromStdString(e), true);
  } else {
    for (const SeriesSpec& s : spec.series) w.addListEntry(QString::fromStdString(s.title), s.visible);
  }
  // 4. Grid, legend, hints, memo.
  if (TSubGraph* p = g->activePanel()) {
    p->grid.visible = spec.grid;
    p->legend.visible = spec.legend;
    p->hintsOn = spec.hintsOn;
  }
  w.showHintsCommand(spec.showHintsCommand || spec.hintsOn);
  for (const auto& line : spec.memo) w.appendMemo(QString::fromStdString(line));
  // 5. Axis-title pictures, size, menu.
  if (!spec.axisXImage.empty() || !spec.axisYImage.empty())
    w.setAxisTitleImages(QString::fromStdString(spec.axisXImage), QString::fromStdString(spec.axisYImage));
  if (spec.defaultSize) w.applyDefaultSize();
  w.useShortMenu(spec.shortMenu);
  w.syncChecks();
}

TFdiagram* openDiagram(QWidget* owner, const DiagramSpec& spec, DiagramSettings* settings, bool show) {
  auto* w = new TFdiagram(owner, settings);
  applyDiagramSpec(*w, spec);
  if (show) w->show();
  return w;
}

}  // namespace grainix
