// Diagram window: mouse (read-out, status line, wheel zoom, dragging the
// view, region inset, series drag), and the windows built from this one
// (insets, reductions, filters).
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

#include <cmath>

#include "engine/core/format.h"
#include "gui/plot/diagram_ui.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Mime type of a series set dragged from one diagram window to another.
const char* kSeriesMime = "application/x-grainix-diagram-series";

// The diagram window whose Graf started the drag of `event`, if any.
TFdiagram* dragSourceWindow(const QDropEvent* event) {
  if (!event->mimeData() || !event->mimeData()->hasFormat(kSeriesMime)) return nullptr;
  auto* graf = qobject_cast<TGraph2D*>(event->source());
  if (!graf) return nullptr;
  return qobject_cast<TFdiagram*>(graf->parentWidget());
}

}  // namespace

double TFdiagram::dataX(int px) const { return Graf->getTransformation().toDataX(px); }
double TFdiagram::dataY(int py) const { return Graf->getTransformation().toDataY(py); }

bool TFdiagram::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Graf) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      const QPoint p = e->position().toPoint();
      const auto mods = e->modifiers();
      if (mods & Qt::ShiftModifier) {
        if (Graf->diagramCount() == 0) return true;
        auto* data = new QMimeData;
        // The drag record: the title of the first series; the memo travels
        // with the source window.
        data->setData(kSeriesMime, QByteArray::fromStdString(Graf->getDiagramTitle(0)));
        DiagramUi::instance().startDrag(Graf, data);
        return true;
      }
      if (mods & Qt::ControlModifier) {
        x1_ = dataX(p.x());
        y1_ = dataY(p.y());
        regionAnchor_ = p;
        selecting_ = true;
        Sregion->setGeometry(QRect(p, QSize(0, 0)));
        Sregion->show();
        return true;
      }
      const bool alt = mods & Qt::AltModifier;
      readout_ = q(fmtGeneral(dataX(p.x()), 3)) + ":" + q(fmtGeneral(dataY(p.y()), 3));
      readoutAt_ = QPoint(p.x() + 2, alt ? p.y() + 10 : p.y() - 20);
      readoutMark_ = p;
      // Without a modifier the press may also begin dragging the view.
      pressed_ = !alt;
      panning_ = false;
      panPanel_ = Graf->model().panelAt(p.x(), p.y());
      lastDrag_ = p;
      Graf->update();
      return true;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint p = e->position().toPoint();
      Lcoords->setText(coordinatesAt(p));
      if (selecting_ && (e->modifiers() & Qt::ControlModifier)) {
        Sregion->setGeometry(QRect(regionAnchor_, p).normalized());
        return true;
      }
      if (pressed_ && (e->buttons() & Qt::LeftButton) && panPanel_ >= 0) {
        // A few pixels of trembling keep the click a click (the read-out).
        if (!panning_ && (p - lastDrag_).manhattanLength() < 4) return true;
        panning_ = true;
        readout_.clear();
        Graf->model().panBy(static_cast<unsigned>(panPanel_), p.x() - lastDrag_.x(), p.y() - lastDrag_.y());
        lastDrag_ = p;
        Graf->update();
        return true;
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      const auto mods = e->modifiers();
      Sregion->hide();
      pressed_ = false;
      if ((mods & Qt::ControlModifier) && selecting_) {
        selecting_ = false;
        makeInset(x1_, dataX(e->position().toPoint().x()));
        return true;
      }
      selecting_ = false;
      if (panning_) {
        panning_ = false;
        repaintGraf();
        return true;
      }
      if (!(mods & Qt::AltModifier)) repaintGraf();
      return true;
    }
    case QEvent::Wheel:
      wheelZoom(static_cast<QWheelEvent*>(event));
      return true;
    case QEvent::Leave:
      Lcoords->clear();
      return false;
    case QEvent::DragEnter: {
      auto* e = static_cast<QDragEnterEvent*>(event);
      e->acceptProposedAction();
      return true;
    }
    case QEvent::DragMove: {
      static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* e = static_cast<QDropEvent*>(event);
      TFdiagram* source = dragSourceWindow(e);
      if (source && source != this) {
        dropSeriesFrom(source);
        e->acceptProposedAction();
      }
      return true;
    }
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

QString TFdiagram::coordinatesAt(const QPoint& p) const {
  const int k = Graf->model().panelAt(p.x(), p.y());
  if (k < 0) return {};
  const stTransformationFactors& t = Graf->model().subGraphs()[static_cast<std::size_t>(k)].transformation;
  return "x = " + q(fmtGeneral(t.toDataX(p.x()), 6)) + "    y = " + q(fmtGeneral(t.toDataY(p.y()), 6));
}

void TFdiagram::wheelZoom(QWheelEvent* e) {
  const QPoint p = e->position().toPoint();
  const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
  if (delta == 0) return;
  // One notch (120) shows 80 % of the range about the pointer; back shows 125 %.
  if (!Graf->model().zoomAt(p.x(), p.y(), std::pow(0.8, delta / 120.0))) return;
  readout_.clear();
  Lcoords->setText(coordinatesAt(p));
  Graf->update();
}

std::vector<unsigned> TFdiagram::checkedSeries() const {
  std::vector<unsigned> out;
  const unsigned n = Graf->diagramCount();
  for (unsigned i = 0; i < n; ++i) {
    const bool listed = static_cast<int>(i) < CheckListBox->count();
    if (listed ? isListChecked(static_cast<int>(i)) : Graf->getDiagramVisible(i)) out.push_back(i);
  }
  return out;
}

SeriesDesc TFdiagram::seriesDesc(unsigned j) const {
  const TSingleDiagram& d = Graf->diagram(j);
  SeriesDesc s;
  s.x = d.x;
  s.y = d.y;
  s.color = d.color;
  s.style = d.style;
  s.penWidth = d.penWidth;
  s.title = d.title;
  s.hint = d.hint;
  s.visible = d.visible;
  return s;
}

void TFdiagram::addSeries(const SeriesDesc& s) {
  if (s.x.empty() || s.x.size() != s.y.size()) return;
  Graf->insertData(s.x, s.y);
  Graf->setColor(s.color);
  if (s.style >= 0 && s.style < diagramStyleCount) Graf->setStyle(static_cast<diagramStyle>(s.style));
  Graf->setPenWidth(s.penWidth);
  Graf->setDiagramTitle(s.title);
}

void TFdiagram::copyGraphSettings(TFdiagram* target, TFdiagram* source) {
  TGraph2D* t = target->Graf;
  const TGraph2D* s = source->Graf;
  t->setGraphTitle(s->getGraphTitle());
  const TSubGraph* sp = s->activePanel();
  TSubGraph* tp = t->activePanel();
  if (!tp) return;
  if (sp && sp->hintsOn && !sp->diagrams.empty() && t->diagramCount() > 0) {
    t->setDiagramHint(sp->diagrams.front().hint);
    tp->hintsOn = true;
  }
  if (sp) tp->grid.visible = sp->grid.visible;
  t->setMargin({kDerivedMargins.left, kDerivedMargins.right, kDerivedMargins.top, kDerivedMargins.bottom});
  t->setAxisXTitle(s->getAxisXTitle());
  t->setAxisYTitle(s->getAxisYTitle());
  TGraph2D::setFloatFormat(FloatFormatKind::General, 3, 3);
  target->syncChecks();
}

TFdiagram* TFdiagram::createDerivedWindow(const std::vector<SeriesDesc>& series, const QStringList& entries,
                                          const QString& memoPrefix) {
  auto* w = new TFdiagram(parentWidget(), settings_);
  for (const SeriesDesc& s : series) w->addSeries(s);
  copyGraphSettings(w, this);
  if (!imageNameX_.isEmpty() || !imageNameY_.isEmpty()) w->setAxisTitleImages(imageNameX_, imageNameY_);
  for (const QString& e : entries) w->addListEntry(e, true);
  w->setMemoText(memoPrefix + memoText());
  emit diagramCreated(w);
  return w;
}

TFdiagram* TFdiagram::makeInset(double x1, double x2) {
  if (x2 < x1) std::swap(x1, x2);
  const TSubGraph* src = Graf->activePanel();
  if (!src) return nullptr;
  std::vector<SeriesDesc> cut;
  QStringList entries;
  for (unsigned i : checkedSeries()) {
    const TSingleDiagram& d = Graf->diagram(i);
    const InsetRun run = insetRun(d.x, x1, x2);
    if (run.count == 0) {
      showMessage({MessageKind::Confirmation, "", kInsetEmptyMessage});
      return nullptr;
    }
    SeriesDesc s = seriesDesc(i);
    s.x.assign(d.x.begin() + static_cast<std::ptrdiff_t>(run.first),
               d.x.begin() + static_cast<std::ptrdiff_t>(run.first + run.count));
    s.y.assign(d.y.begin() + static_cast<std::ptrdiff_t>(run.first),
               d.y.begin() + static_cast<std::ptrdiff_t>(run.first + run.count));
    s.visible = true;
    cut.push_back(std::move(s));
    entries << q(d.title);
  }
  if (cut.empty()) {
    showMessage({MessageKind::Confirmation, "", kInsetEmptyMessage});
    return nullptr;
  }
  auto* w = new TFdiagram(this, settings_);  // the inset belongs to this window
  for (const SeriesDesc& s : cut) {
    w->addSeries(s);
    if (src->hintsOn) w->Graf->setDiagramHint(s.hint);
  }
  for (const QString& e : entries) w->addListEntry(e, true);
  w->applyDefaultSize();
  TSubGraph* tp = w->Graf->activePanel();
  tp->grid.visible = src->grid.visible;
  tp->hintsOn = src->hintsOn;
  w->Graf->setMargin({kDerivedMargins.left, kDerivedMargins.right, kDerivedMargins.top, kDerivedMargins.bottom});
  w->Graf->setAxisXTitle(Graf->getAxisXTitle());
  w->Graf->setAxisYTitle(Graf->getAxisYTitle());
  TGraph2D::setFloatFormat(FloatFormatKind::General, 3, 3);
  w->Graf->setGraphTitle(Graf->getGraphTitle());
  if (!imageNameX_.isEmpty() || !imageNameY_.isEmpty()) w->setAxisTitleImages(imageNameX_, imageNameY_);
  w->showHintsCommand(MIhints->isVisible());
  w->setMemoText("inset\n" + memoText());
  w->setWindowTitle(windowTitle() + " (inset)");
  w->syncChecks();
  emit diagramCreated(w);
  w->show();
  return w;
}

void TFdiagram::dropSeriesFrom(TFdiagram* source) {
  if (!source || source == this) return;
  const TSubGraph* sp = source->Graf->activePanel();
  if (!sp) return;
  for (const TSingleDiagram& d : sp->diagrams) {
    if (!d.visible) continue;
    Graf->insertData(d.x, d.y);
    Graf->setColor(d.color);
    Graf->setStyle(d.style);
    Graf->setPenWidth(d.penWidth);
    Graf->setDiagramTitle(d.title);
    if (sp->hintsOn) {
      Graf->setDiagramHint(d.hint);
      if (TSubGraph* tp = Graf->activePanel()) tp->hintsOn = true;
    }
    addListEntry(q(d.title), true);
  }
  repaintGraf();
  appendMemo(source->memoText());
}

TFdiagram* TFdiagram::amplitudeReduction(AmplitudeKind kind) {
  amplitude_ = kind;
  std::vector<SeriesDesc> sources;
  QStringList entries;
  for (unsigned i : checkedSeries()) {
    sources.push_back(seriesDesc(i));
    entries << q(Graf->getDiagramTitle(i));
  }
  TFdiagram* w = createDerivedWindow(deriveReduced(sources, kind), entries, kDerivedMemoPrefix);
  w->resize(size());
  w->centreOnDesktop();
  w->show();
  return w;
}

TFdiagram* TFdiagram::convolutionFilter(FilterKind kind) {
  int m = 0;
  const std::string text = Ekersize->text().toStdString();
  if (!parseInt(text, m)) {
    showMessage({MessageKind::ConversionError, "Error", "'" + text + "' is not a valid integer value"});
    return nullptr;
  }
  std::string why;
  if (!makeKernel(kind, m, kernel_, &why)) {
    error(why);
    return nullptr;
  }
  filterName_ = filterName(kind);
  std::vector<SeriesDesc> sources;
  QStringList entries;
  for (unsigned i : checkedSeries()) {
    sources.push_back(seriesDesc(i));
    entries << q(Graf->getDiagramTitle(i));
  }
  TFdiagram* w = createDerivedWindow(deriveFiltered(sources, kernel_, filterName_), entries, kDerivedMemoPrefix);
  QSize desk(4096, 4096);
  if (QScreen* screen = QApplication::primaryScreen()) desk = screen->size();
  w->resize(std::min(width(), desk.width() - 64), std::min(height(), desk.height() - 64));
  w->centreOnDesktop();
  w->show();
  return w;
}

}  // namespace grainix
