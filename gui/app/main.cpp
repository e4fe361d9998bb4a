#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <exception>

#include "gui/app/tfmain.h"

namespace {

// An error that escapes a command is shown in the standard error box and
// the program goes on.
class GrainixApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      QMessageBox::critical(activeWindow(), "Error", QString::fromLocal8Bit(e.what()));
    } catch (...) {
      QMessageBox::critical(activeWindow(), "Error", "Unexpected error");
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  GrainixApplication app(argc, argv);
  QApplication::setApplicationName("Grainix");
  grainix::StMainOptions options;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) options.commandLineFile = args.at(1);
  grainix::TFMain window(options);
  // The main window opens centred on the desktop.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desk = screen->availableGeometry();
    window.move(desk.center() - QPoint(window.width() / 2, window.height() / 2));
  }
  window.show();
  return QApplication::exec();
}
