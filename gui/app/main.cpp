#include <QApplication>

#include "gui/app/tfmain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Grainix");
  grainix::TFMain window;
  window.show();
  return QApplication::exec();
}
