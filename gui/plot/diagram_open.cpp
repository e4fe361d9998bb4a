#include "gui/plot/diagram_open.h"

#include "gui/plot/tfdiagram.h"

namespace grainix {

void applyDiagramDesc(TFdiagram& w, const DiagramDesc& desc) {
  TGraph2D* g = w.Graf;
  // 1. The series, each with its look right after it is added.
  for (const SeriesDesc& s : desc.series) {
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
  if (desc.margins)
    g->setMargin({desc.margins->left, desc.margins->right, desc.margins->top, desc.margins->bottom});
  g->setAxisXTitle(desc.axisXTitle);
  g->setAxisYTitle(desc.axisYTitle);
  if (desc.precision > 0) TGraph2D::setFloatFormat(FloatFormatKind::General, desc.precision, desc.digits);
  g->setGraphTitle(desc.graphTitle);
  // 3. Caption and series list.
  w.setWindowTitle(QString::fromStdString(desc.caption));
  if (desc.listEntries) {
    for (const auto& e : *desc.listEntries) w.addListEntry(QString::fromStdString(e), true);
  } else {
    for (const SeriesDesc& s : desc.series) w.addListEntry(QString::fromStdString(s.title), s.visible);
  }
  // 4. Grid, legend, hints, memo.
  if (TSubGraph* p = g->activePanel()) {
    p->grid.visible = desc.grid;
    p->legend.visible = desc.legend;
    p->hintsOn = desc.hintsOn;
  }
  w.showHintsCommand(desc.showHintsCommand || desc.hintsOn);
  for (const auto& line : desc.memo) w.appendMemo(QString::fromStdString(line));
  // 5. Axis-title pictures, size, menu.
  if (!desc.axisXImage.empty() || !desc.axisYImage.empty())
    w.setAxisTitleImages(QString::fromStdString(desc.axisXImage), QString::fromStdString(desc.axisYImage));
  if (desc.defaultSize) w.applyDefaultSize();
  w.useShortMenu(desc.shortMenu);
  w.syncChecks();
}

TFdiagram* openDiagram(QWidget* owner, const DiagramDesc& desc, DiagramSettings* settings, bool show) {
  auto* w = new TFdiagram(owner, settings);
  applyDiagramDesc(*w, desc);
  if (show) w->show();
  return w;
}

}  // namespace grainix
