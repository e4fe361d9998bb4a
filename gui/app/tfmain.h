#pragma once
// The main window: the input panel on the left, the message log on the right.
#include <QMainWindow>

#include "engine/app/workbench.h"

class QPlainTextEdit;

namespace grainix {

class TFMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFMain(QWidget* parent = nullptr);
  ~TFMain() override;

  Workbench& workbench() { return wb_; }
  QPlainTextEdit* memo() const { return memo_; }
  void appendLog(const QString& line);

 private:
  Workbench wb_;
  QPlainTextEdit* memo_ = nullptr;
};

}  // namespace grainix
