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
  wait();
}

void ThPipe::run() {
  exchange_ = runPipeExchange(*results_, path_, stop_, timing_);
  // The event is the last thing the thread does with its members.
  QCoreApplication::postEvent(target_,
                              new CalcDoneEvent(kMsgDiffractionDone, exchange_.endMarker() ? 1 : 0, serial_));
}

}  // namespace grainix
