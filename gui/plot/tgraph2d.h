#pragma once
// TGraph2D — the program's plotting control: x/y series over linear axes,
// title, legend, hints, grid, a grid of up to 3 x 3 panels, ".ddf" files.
// The arithmetic and the painting live in grainix::Graph2DModel; this widget
// owns one, paints it with a QPainter and forwards the operations.
#include <QImage>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

#include "engine/plot/graph_model.h"

class QPainter;
class QPrinter;

namespace grainix {

class TGraph2D : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool BoxOn READ boxOn WRITE setBoxOn)

 public:
  explicit TGraph2D(QWidget* parent = nullptr);
  ~TGraph2D() override;

  // The engine side: panels, series, axes (public records the diagram window
  // sets directly: grid, legend, hintsOn, the axes' fixed flags).
  Graph2DModel& model() { return model_; }
  const Graph2DModel& model() const { return model_; }
  std::vector<TSubGraph>& subGraphs() { return model_.subGraphs(); }
  TSubGraph* activePanel() { return model_.activePanel(); }
  const TSubGraph* activePanel() const { return model_.activePanel(); }
  unsigned activeSubGraph() const { return model_.activeSubGraph(); }
  unsigned rows() const { return model_.rows(); }
  unsigned cols() const { return model_.cols(); }
  unsigned diagramCount() const { return model_.diagramCount(); }
  TSingleDiagram& diagram(unsigned j) { return model_.diagram(j); }
  const TSingleDiagram& diagram(unsigned j) const { return model_.diagram(j); }

  bool boxOn() const { return model_.boxOn; }
  void setBoxOn(bool on) { model_.boxOn = on; update(); }

  // ---- operations (see Graph2DModel); none of them repaints by itself ----
  void insertData(const double* x, const double* y, unsigned n) { model_.insertData(x, y, n); }
  void insertData(const std::vector<double>& x, const std::vector<double>& y) { model_.insertData(x, y); }
  void insertData(const std::vector<double>* x, const std::vector<double>* y) { model_.insertData(x, y); }
  void insertData(const double* x, const double* y, unsigned n, const std::string& hint) {
    model_.insertData(x, y, n, hint);
  }
  bool insertData(const double* x, const double* y, unsigned n, unsigned row, unsigned col) {
    return model_.insertData(x, y, n, row, col);
  }
  bool insertData(const std::vector<double>& x, const std::vector<double>& y, unsigned row, unsigned col) {
    return model_.insertData(x, y, row, col);
  }
  void insertPoint(double x, double y, unsigned j) { model_.insertPoint(x, y, j); }
  bool divideGraph(unsigned rows, unsigned cols) { return model_.divideGraph(rows, cols); }
  bool activateSubGraph(unsigned k) { return model_.activateSubGraph(k); }
  void clearData() { model_.clearData(); }

  void setColor(TColor c) { model_.setColor(c); }
  void setColor(TColor c, unsigned j) { model_.setColor(c, j); }
  TColor getColor() const { return model_.getColor(); }
  TColor getColor(unsigned j) const { return model_.getColor(j); }
  void setStyle(diagramStyle s) { model_.setStyle(s); }
  void setStyle(diagramStyle s, unsigned j) { model_.setStyle(s, j); }
  diagramStyle getStyle() const { return model_.getStyle(); }
  diagramStyle getStyle(unsigned j) const { return model_.getStyle(j); }
  void setPenWidth(unsigned w) { model_.setPenWidth(w); }
  void setPenWidth(unsigned w, unsigned j) { model_.setPenWidth(w, j); }
  unsigned getPenWidth() const { return model_.getPenWidth(); }
  unsigned getPenWidth(unsigned j) const { return model_.getPenWidth(j); }
  void setDiagramTitle(const std::string& t) { model_.setDiagramTitle(t); }
  void setDiagramTitle(const std::string& t, unsigned j) { model_.setDiagramTitle(t, j); }
  std::string getDiagramTitle(unsigned j) const { return model_.getDiagramTitle(j); }
  void setDiagramHint(const std::string& t) { model_.setDiagramHint(t); }
  void setDiagramHint(const std::string& t, unsigned j) { model_.setDiagramHint(t, j); }
  std::string getDiagramHint(unsigned j) const { return model_.getDiagramHint(j); }
  void setDiagramVisible(bool f) { model_.setDiagramVisible(f); }
  void setDiagramVisible(bool f, unsigned j) { model_.setDiagramVisible(f, j); }
  void setDiagramVisible(bool f, unsigned j, unsigned k) { model_.setDiagramVisible(f, j, k); }
  bool getDiagramVisible(unsigned j) const { return model_.getDiagramVisible(j); }
  bool getDiagramVisible(unsigned j, unsigned k) const { return model_.getDiagramVisible(j, k); }
  stRange getDiagramMinMaxY(unsigned j) const { return model_.getDiagramMinMaxY(j); }

  void setGraphTitle(const std::string& t) { model_.setGraphTitle(t); }
  std::string getGraphTitle() const { return model_.getGraphTitle(); }
  void setAxisXTitle(const std::string& t) { model_.setAxisXTitle(t); }
  std::string getAxisXTitle() const { return model_.getAxisXTitle(); }
  void setAxisYTitle(const std::string& t) { model_.setAxisYTitle(t); }
  std::string getAxisYTitle() const { return model_.getAxisYTitle(); }
  static void setFloatFormat(FloatFormatKind kind, int precision, int digits) {
    Graph2DModel::setFloatFormat(kind, precision, digits);
  }
  void setMargin(const stMargin& m) { model_.setMargin(m); }
  stMargin getMargin() const { return model_.getMargin(); }
  void getTranformation(stTransformationFactors& out) const { model_.getTranformation(out); }
  stTransformationFactors getTransformation() const { return model_.getTransformation(); }
  bool pointIsInside(double x, double y) const { return model_.pointIsInside(x, y); }

  // ".ddf" files. A missing or unwritable file beeps and gives false; a
  // malformed number gives false with the bad text in `badToken` (the
  // caller shows the conversion error). The control repaints after a load.
  bool saveDataToFile(const QString& path);
  bool loadDataFromFile(const QString& path, std::string* badToken = nullptr);

  // The control's picture at its current size (paints, including the
  // onPaint hooks).
  QImage renderImage();
  // The picture at `size` pixels, laid out as the control would be at the
  // same shape on a screen of that much higher resolution (texts keep their
  // share of the picture), every line and text smoothed.
  QImage renderImage(const QSize& size);
  // Paints the control onto any painter at its current size.
  void render(QPainter& painter);
  using QWidget::render;
  // The model an onPaint hook belongs to while it runs (the control's own,
  // or the copy a picture of another size is painted from).
  const Graph2DModel& paintedModel() const { return painting_ ? *painting_ : model_; }
  // Prints the control's picture stretched into `pageRect` (printer pixels);
  // an empty rectangle means the whole page. False if the job fails.
  bool printData(QPrinter& printer, const QRect& pageRect = QRect());

 signals:
  // Fired at the end of every paint with the painter still active.
  void onPaint(QPainter* painter);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void paintModel(QPainter& painter, Graph2DModel& model, bool smooth);

  Graph2DModel model_;
  const Graph2DModel* painting_ = nullptr;
};

}  // namespace grainix
