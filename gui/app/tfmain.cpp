#include "gui/app/tfmain.h"

#include <QPlainTextEdit>
#include <QSplitter>
#include <QWidget>

namespace grainix {

TFMain::TFMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("FMain");
  setWindowTitle(" Grainix-ver. 1.1");
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo1");
  memo_->setReadOnly(true);
  memo_->setPlainText("   *** WELCOME ***");
  setCentralWidget(memo_);
  resize(900, 640);
}

TFMain::~TFMain() = default;

void TFMain::appendLog(const QString& line) { memo_->appendPlainText(line); }

}  // namespace grainix
