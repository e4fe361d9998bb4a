#pragma once
// Closes the message boxes and file dialogs that a window opens from its
// handlers while they run their own modal loops: a timer looks for the
// active modal widget, records a box's title and text and presses its
// button, or types a name into a save dialog and accepts it.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace grainix::testing {

class ModalBoxes {
 public:
  ModalBoxes() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }
  // The next save dialog is answered with this path ("" cancels it).
  void answerSaveWith(const QString& path) { savePath_ = path; }

  QStringList boxes;        // "title|text" of each box closed
  QStringList dialogFolders;  // folder each file dialog opened in

 private:
  void poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      boxes << box->windowTitle() + "|" + box->text();
      QAbstractButton* b = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
      if (b) b->click();
    } else if (auto* fd = qobject_cast<QFileDialog*>(w)) {
      dialogFolders << fd->directory().absolutePath();
      if (savePath_.isEmpty()) {
        fd->reject();
      } else {
        fd->selectFile(savePath_);
        static_cast<QDialog*>(fd)->accept();  // QFileDialog::accept checks the name
      }
    }
  }

  QTimer timer_;
  QString savePath_;
};

}  // namespace grainix::testing
