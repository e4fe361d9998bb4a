#include "gui/plot/tgraph2d.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

#include "gui/plot/qt_surface.h"

namespace grainix {

TGraph2D::TGraph2D(QWidget* parent) : QWidget(parent) {
  setObjectName("Graf");
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(100, 100);
  model_.resize(100, 100);
}

TGraph2D::~TGraph2D() = default;

void TGraph2D::paintModel(QPainter& painter, Graph2DModel& model, bool smooth) {
  QtDrawSurface surface(painter, smooth);
  painting_ = &model;
  model.paint(surface);
  emit onPaint(&painter);
  painting_ = nullptr;
}

void TGraph2D::render(QPainter& painter) { paintModel(painter, model_, false); }

void TGraph2D::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  render(painter);
}

void TGraph2D::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  model_.resize(width(), height());
}

QImage TGraph2D::renderImage() {
  model_.resize(width(), height());
  QImage image(width(), height(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  render(painter);
  painter.end();
  return image;
}

QImage TGraph2D::renderImage(const QSize& size) {
  if (size.isEmpty()) return {};
  // One scale for both directions, so texts are not stretched.
  const double scale = std::min(double(size.width()) / std::max(width(), 1),
                                double(size.height()) / std::max(height(), 1));
  Graph2DModel copy = model_;
  copy.resize(static_cast<int>(std::lround(size.width() / scale)), static_cast<int>(std::lround(size.height() / scale)));
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.scale(scale, scale);
  paintModel(painter, copy, true);
  painter.end();
  return image;
}

bool TGraph2D::saveDataToFile(const QString& path) {
  if (!model_.saveDataToFile(path.toStdString())) {
    QApplication::beep();
    return false;
  }
  return true;
}

bool TGraph2D::loadDataFromFile(const QString& path, std::string* badToken) {
  const DdfStatus status = model_.loadDataFromFile(path.toStdString(), badToken);
  if (status == DdfStatus::FileError) QApplication::beep();
  update();
  return status == DdfStatus::Ok;
}

bool TGraph2D::printData(QPrinter& printer, const QRect& pageRect) {
  const QImage image = renderImage();
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect target = pageRect.isEmpty() ? painter.viewport() : pageRect;
  painter.drawImage(target, image);
  return painter.end();
}

}  // namespace grainix
