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

#include "engine/core/command.h"
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

void TFdiagram::saveImage() {
  const QString path = DiagramUi::instance().getSaveFileName(
      this, "Save image", "Bitmaps (*.bmp);;PNG (*.png);;PDF (*.pdf)", "bmp");
  if (path.isEmpty()) return;
  saveImageToFile(path);
}

bool TFdiagram::saveImageToFile(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toUpper();
  if (ext == "PDF") {
    // A vector picture of the plot at the window's size, rendered in memory
    // and written whole.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(96);
    pdf.setPageSize(QPageSize(QSizeF(Graf->width(), Graf->height()), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&pdf)) {
      error("write failed");
      return false;
    }
    const QRect page = painter.viewport();
    painter.scale(double(page.width()) / Graf->width(), double(page.height()) / Graf->height());
    readout_.clear();
    Graf->render(painter);
    painter.end();
    buffer.close();
    if (!writeBytesFile(bytes, path)) {
      error("write failed");
      return false;
    }
    return true;
  }
  const QImage image = grafImage();
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
  const QString file = QDir(tempFolder()).filePath("bmpTmp.bmp");
  if (!writeImage(grafImage(), file, "BMP")) {
    setWindowTitle(QString::fromUtf8("jakis błąd przy zapisie"));
    return;
  }
  // The desktop's default picture editor / viewer.
  if (!DiagramUi::instance().startDetached("xdg-open", {file})) error("mspaint initialization failed");
}

void TFdiagram::printDiagram(bool colour) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setColorMode(QPrinter::Color);
  if (!DiagramUi::instance().execPrintDialog(this, printer)) return;

  const QSize savedSize = size();
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
  const QString path =
      DiagramUi::instance().getSaveFileName(this, "Save data", "Diagram data file (*.ddf)", "ddf");
  if (path.isEmpty()) return;
  Graf->saveDataToFile(path);
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
