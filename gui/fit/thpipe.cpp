#include "gui/fit/thpipe.h"

#include <QCoreApplication>

#include "engine/app/calc_commands.h"
#include "gui/calc/calc_events.h"

namespace grainix {

ThPipe::ThPipe(QObject* target, StPipeResults* results, std::string path, quint64 serial, StPipeTiming timing)
    : target_(target), results_(results), path_(std::move(path)), serial_(serial), timing_(timing) {
  calcEventType(kMsgDiffractionDone);  // 32771, registered on the window thread
  start();
}

ThPipe::~ThPipe() {
  requestStop();
  awaitResults();
}

void ThPipe::awaitResults() {
  wait();
  (void)finished_.load(std::memory_order_acquire);
}

void ThPipe::run() {
  exchange_ = runPipeExchange(*results_, path_, stop_, timing_);
  // The last things the thread does; after the flag it touches no member.
  QObject* target = target_;
  auto* done = new CalcDoneEvent(kMsgDiffractionDone, exchange_.endMarker() ? 1 : 0, serial_);
  finished_.store(true, std::memory_order_release);
  QCoreApplication::postEvent(target, done);
}

}  // namespace grainix
