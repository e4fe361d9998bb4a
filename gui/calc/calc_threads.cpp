#include "gui/calc/calc_threads.h"

#include <QCoreApplication>

#include "engine/app/calc_commands.h"
#include "gui/calc/calc_events.h"

namespace grainix {

QThread::Priority threadPriorityOf(int priority) {
  static const QThread::Priority map[] = {QThread::IdlePriority,   QThread::LowestPriority,
                                          QThread::LowPriority,    QThread::NormalPriority,
                                          QThread::HighPriority,   QThread::HighestPriority,
                                          QThread::TimeCriticalPriority};
  if (priority < 0 || priority > 6) return QThread::NormalPriority;
  return map[priority];
}

CalcThread::CalcThread(QObject* target, int messageNumber, int param, quint64 serial)
    : target_(target), messageNumber_(messageNumber), param_(param), serial_(serial) {
  calcEventType(messageNumber);  // registered on the window thread, before any run
}

CalcThread::~CalcThread() { finish(); }

void CalcThread::finish() {
  requestStop();
  awaitResults();
}

bool CalcThread::awaitResults() {
  wait();
  return finished_.load(std::memory_order_acquire);
}

void CalcThread::requestStop() {
  cancel_.request();
  requestInterruption();
}

void CalcThread::run() {
  compute();
  // The last things the worker does. After the flag it touches no member:
  // the window may retire this object as soon as it sees the flag.
  QObject* target = target_;
  auto* done = new CalcDoneEvent(messageNumber_, param_, serial_);
  finished_.store(true, std::memory_order_release);
  QCoreApplication::postEvent(target, done);
}

ThCalc::ThCalc(QObject* target, quint64 serial, int mode, StCalcPrm prm)
    : CalcThread(target, kMsgPairLoopDone, mode, serial), mode_(mode), prm_(std::move(prm)) {}

void ThCalc::compute() { result_ = runPdh(mode_, prm_, pdh_, partial_, &gauge, cancel_); }

ThCalcDiffr::ThCalcDiffr(QObject* target, quint64 serial, int mode, const StDiffrPrm* prm,
                         const StIDCalcResults* partial)
    : CalcThread(target, kMsgDiffractionDone, mode, serial), mode_(mode), prm_(prm), partial_(partial) {}

void ThCalcDiffr::compute() { outcome_ = runDiffraction(*prm_, partial_, mode_, pattern_, &gauge, &cancel_); }

ThCalcGr::ThCalcGr(QObject* target, quint64 serial, const StGrPrm* prm)
    : CalcThread(target, kMsgGrDone, 0, serial), prm_(prm) {}

void ThCalcGr::compute() { outcome_ = computeGr(*prm_, gr_, &gauge, &cancel_); }

}  // namespace grainix
