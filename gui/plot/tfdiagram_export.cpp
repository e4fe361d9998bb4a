// Diagram window: pictures, printing, clipboard and data files.
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStatusBar>
#include <QSvgGenerator>

#include <memory>

#include "engine/core/command.h"
#include "engine/plot/diagram_desc.h"
#include "gui/plot/diagram_ui.h"
#include "gui/plot/image_file.h"
#include "gui/plot/qt_surface.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

QImage TFdiagram::grafImage() {
  readout_.clear();
  return Graf->renderImage();
}

bool TFdiagram::writeImage(const QImage& image, const QString& path, const char* format) {
  return writeImageFile(image, path, format);
}

QString TFdiagram::tempFolder() const {
  // An unset temp folder means the user's home folder.
  QString dir = QString::fromStdString(settings_->readString("path_tmp", QDir::homePath().toStdString()));
  if (dir.isEmpty()) dir = QDir::homePath();
  return dir;
}

namespace {

// "1600x1200", "1600 x 1200", "1600*1200" or "1600 1200".
QSize parsePictureSize(const QString& text) {
  const QStringList parts = text.split(QRegularExpression("[xX*\\s]+"), Qt::SkipEmptyParts);
  if (parts.size() != 2) return {};
  bool okW = false, okH = false;
  const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
  if (!okW || !okH || w < 16 || h < 16 || w > 20000 || h > 20000) return {};
  return {w, h};
}

}  // namespace

void TFdiagram::saveImage() {
  const QString path = DiagramUi::instance().getSaveFileName(
      this, "Save image", "Bitmaps (*.bmp);;PNG (*.png);;PDF (*.pdf);;SVG (*.svg)", "bmp");
  if (path.isEmpty()) return;
  QSize size;
  if (QFileInfo(path).suffix().compare("png", Qt::CaseInsensitive) == 0) {
    // A PNG can be made larger than the window, for print or a paper.
    const QString now = QString("%1x%2").arg(Graf->width()).arg(Graf->height());
    const QString answer = DiagramUi::instance().inputBox(this, "Picture size", "Width x height in pixels:", now);
    size = parsePictureSize(answer);
    if (size.isEmpty()) {
      error("'" + answer.toStdString() + "' is not a picture size (width x height, 16 to 20000 pixels)");
      return;
    }
  }
  saveImageToFile(path, size);
}

bool TFdiagram::saveImageToFile(const QString& path, const QSize& size) {
  const QString ext = QFileInfo(path).suffix().toUpper();
  readout_.clear();
  if (ext == "PDF" || ext == "SVG") {
    // A vector picture of the plot at the window's size, rendered in memory
    // and written whole.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    std::unique_ptr<QPdfWriter> pdf;
    std::unique_ptr<QSvgGenerator> svg;
    QPaintDevice* device = nullptr;
    if (ext == "PDF") {
      pdf = std::make_unique<QPdfWriter>(&buffer);
      pdf->setResolution(96);
      pdf->setPageSize(QPageSize(QSizeF(Graf->width(), Graf->height()), QPageSize::Point));
      pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
      device = pdf.get();
    } else {
      svg = std::make_unique<QSvgGenerator>();
      svg->setOutputDevice(&buffer);
      svg->setSize(Graf->size());
      svg->setViewBox(QRect(QPoint(0, 0), Graf->size()));
      svg->setTitle(windowTitle());
      device = svg.get();
    }
    QPainter painter;
    if (!painter.begin(device)) {
      error("write failed");
      return false;
    }
    const QRect page = painter.viewport();
    painter.scale(double(page.width()) / Graf->width(), double(page.height()) / Graf->height());
    Graf->render(painter);
    const bool painted = painter.end();
    buffer.close();
    if (!painted || !writeBytesFile(bytes, path)) {
      error("write failed");
      return false;
    }
    return true;
  }
  const QImage image = size.isEmpty() || size == Graf->size() ? grafImage() : Graf->renderImage(size);
  if (ext == "BMP") {
    if (!writeImage(image, path, "BMP")) {
      error("write failed");
      return false;
    }
    return true;
  }
  // PNG is written directly; no outside converter is needed.
  if (!writeImage(image, path, "PNG")) {
    error("Write failed");
    return false;
  }
  return true;
}

void TFdiagram::imageToClipboard() { QGuiApplication::clipboard()->setImage(grafImage()); }

void TFdiagram::imageToEditor() {
  // The temp folder is made when first needed.
  const QString folder = tempFolder();
  QDir().mkpath(folder);
  const QString file = QDir(folder).filePath("bmpTmp.bmp");
  if (!writeImage(grafImage(), file, "BMP")) {
    error("The picture could not be written to " + file.toStdString() +
          " (see \"Path to temp. dir\" in the Options menu)");
    return;
  }
  // The desktop opens it in its image editor (or viewer) for BMP pictures.
  if (!DiagramUi::instance().startDetached("xdg-open", {file}))
    error("The desktop's image editor could not be started: \"xdg-open " + file.toStdString() +
          "\" failed (xdg-open comes with the xdg-utils package; the editor is the one set for BMP pictures)");
}

void TFdiagram::printDiagram(bool colour) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setColorMode(QPrinter::Color);
  if (!DiagramUi::instance().execPrintDialog(this, printer)) return;

  const QSize savedSize = size();
  // The printed picture is the plot alone: the status line steps aside.
  const bool statusShown = !StatusBar->isHidden();
  StatusBar->hide();
  resize(1000, 708);
  std::vector<TColor> savedColors;
  const unsigned n = Graf->diagramCount();
  if (!colour)
    for (unsigned j = 0; j < n; ++j) {
      savedColors.push_back(Graf->getColor(j));
      Graf->setColor(clBlack, j);
    }
  // Let the new size reach Graf before its picture is taken.
  if (layout()) layout()->activate();
  const QImage image = grafImage();
  const double aspect = double(width()) / double(height());

  printer.setColorMode(QPrinter::Color);
  bool ok = true;
  QPainter painter;
  if (!painter.begin(&printer)) {
    ok = false;
  } else {
    const QRect page = painter.viewport();
    const int imgH = page.height() / 2;
    const int imgW = static_cast<int>(page.height() * aspect * 0.5);
    const QRect target(0, 0, std::min(imgW, page.width()), imgH);
    painter.drawImage(target, image);

    if (!Memo->isHidden()) {
      painter.setFont(QFont("Arial", 9));
      painter.setPen(Qt::black);
      const QFontMetrics fm(painter.font(), &printer);
      const int lineH = static_cast<int>(1.5 * fm.height());
      const int marker = fm.horizontalAdvance("diagram number");
      std::vector<std::string> lines;
      for (const QString& l : Memo->toPlainText().split('\n')) lines.push_back(l.toStdString());
      for (const auto& pl : layoutPrintedMemo(lines, page.width(), target.bottom() + 1, lineH)) {
        painter.drawText(pl.x, pl.y + fm.ascent(), QString::fromStdString(pl.text));
        if (pl.seriesIndex >= 0 && static_cast<unsigned>(pl.seriesIndex) < n) {
          const int y = pl.y + lineH / 2;
          painter.save();
          painter.setPen(QPen(toQColor(Graf->getColor(static_cast<unsigned>(pl.seriesIndex))), 8));
          painter.drawLine(pl.x + marker + 120, y, pl.x + marker + 240, y);
          painter.restore();
        }
      }
    }
    ok = painter.end();
  }
  StatusBar->setVisible(statusShown);
  resize(savedSize);
  if (!colour)
    for (unsigned j = 0; j < n && j < savedColors.size(); ++j) Graf->setColor(savedColors[j], j);
  repaintGraf();
  if (!ok) error("jest problem !");
}

void TFdiagram::dataToClipboard() {
  if (Graf->diagramCount() == 0) return;
  const TSingleDiagram& d = Graf->diagram(0);
  QGuiApplication::clipboard()->setText(QString::fromStdString(seriesToClipboardText(d.x, d.y)));
}

void TFdiagram::saveDataToFile() {
  const QString path = DiagramUi::instance().getSaveFileName(
      this, "Save data", "Diagram data file (*.ddf);;Tab-separated table (*.txt *.tsv)", "ddf");
  if (path.isEmpty()) return;
  saveDataAs(path);
}

bool TFdiagram::saveDataAs(const QString& path) {
  if (QFileInfo(path).suffix().compare("ddf", Qt::CaseInsensitive) == 0) return Graf->saveDataToFile(path);
  // The visible series of the active panel as one table, written beside
  // the target and renamed, so a failed write leaves no half file.
  std::vector<const TSingleDiagram*> visible;
  if (const TSubGraph* g = Graf->activePanel())
    for (const TSingleDiagram& d : g->diagrams)
      if (d.visible) visible.push_back(&d);
  QSaveFile out(path);
  const QByteArray text = QByteArray::fromStdString(seriesTableText(visible));
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
    error("write failed");
    return false;
  }
  return true;
}

TFdiagram* TFdiagram::loadDataFromFile() {
  const QString path =
      DiagramUi::instance().getOpenFileName(this, "Get data from file", "Diagram data file (*.ddf);;All files (*)");
  if (path.isEmpty()) return nullptr;
  return openDataFile(path);
}

TFdiagram* TFdiagram::openDataFile(const QString& path) {
  // A window of its own beside this one, owned as derived windows are.
  auto* w = new TFdiagram(parentWidget(), settings_);
  std::string bad;
  if (!w->Graf->loadDataFromFile(path, &bad)) {
    delete w;
    StCommandResult r;
    if (!bad.empty())
      r.conversionError(bad);
    else
      r.error("Couldn't read a diagram data file from " + path.toStdString());
    showMessage(r.messages.front());
    return nullptr;
  }
  for (unsigned j = 0; j < w->Graf->diagramCount(); ++j)
    w->addListEntry(QString::fromStdString("series " + std::to_string(j + 1)), true);
  w->setWindowTitle(QFileInfo(path).fileName());
  w->setMemoText("data from file\n" + path);
  w->resize(size());
  w->centreOnDesktop();
  w->syncChecks();
  emit diagramCreated(w);
  w->show();
  return w;
}

bool TFdiagram::clipboardHasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText() && !data->text().isEmpty();
}

void TFdiagram::dataFromClipboard() {
  if (!clipboardHasText()) return;
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  std::vector<double> x, y;
  if (!seriesFromClipboardText(text, x, y)) {
    // Not a count followed by that many x y pairs: nothing is added.
    StCommandResult r;
    std::string head = text.substr(0, 40);
    for (char& c : head)
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    r.conversionError(head);
    showMessage(r.messages.front());
    return;
  }
  Graf->insertData(x, y);
  Graf->setColor(clBlack);
  Graf->setPenWidth(2);
  Graf->setDiagramTitle("from clipboard");
  repaintGraf();
}

}  // namespace grainix
