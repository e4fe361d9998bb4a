#pragma once
// Window tests that need a box to behave as it does for a person: the box
// really opens over its parent, takes the focus away from whatever had it,
// and runs its own modal loop until a timer presses its button. Widgets
// deleted while that loop runs (an item editor that lost the focus, say)
// are really gone when the box returns.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "engine/core/command.h"

namespace grainix::testing {

// Runs `dialog` modally; once it is the active modal window and has had a
// few turns of its loop, `close` is called (it should press a button). A
// box that never becomes active is closed after about two seconds.
inline int execClosedByTimer(QDialog& dialog, const std::function<void()>& close) {
  QTimer timer;
  timer.setInterval(10);
  int ticks = 0;
  QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
    ++ticks;
    const bool ready = dialog.isVisible() && QApplication::activeModalWidget() == &dialog && ticks >= 3;
    if (ready || ticks > 200) {
      timer.stop();
      close();
    }
  });
  timer.start();
  return dialog.exec();
}

// The message as a real modal box with its OK button pressed by a timer.
inline void showModalBox(QWidget* parent, const StMessage& m) {
  const QMessageBox::Icon icon = m.kind == MessageKind::Warning       ? QMessageBox::Warning
                                 : m.kind == MessageKind::Information ? QMessageBox::Information
                                 : m.kind == MessageKind::Confirmation ? QMessageBox::NoIcon
                                                                      : QMessageBox::Critical;
  QMessageBox box(icon, QString::fromStdString(m.title), QString::fromStdString(m.text), QMessageBox::Ok, parent);
  execClosedByTimer(box, [&box] { box.button(QMessageBox::Ok)->click(); });
}

}  // namespace grainix::testing
