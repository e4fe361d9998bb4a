#pragma once
// Waiting in a window test: window events run (completion events of the
// worker threads among them) until a condition holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace grainix::testing {

// Runs window events until `done` holds or `ms` pass; true when it held.
inline bool waitFor(const std::function<bool()>& done, int ms = 60000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

}  // namespace grainix::testing
