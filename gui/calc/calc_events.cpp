#include "gui/calc/calc_events.h"

#include "engine/app/calc_commands.h"

namespace grainix {

namespace {
struct Registered {
  QEvent::Type diffr, gr, pairs;
  Registered() {
    diffr = reserve(kMsgDiffractionDone);
    gr = reserve(kMsgGrDone);
    pairs = reserve(kMsgPairLoopDone);
  }
  static QEvent::Type reserve(int number) {
    const int got = QEvent::registerEventType(number);
    if (got != number) qFatal("completion event type %d is taken (got %d)", number, got);
    return static_cast<QEvent::Type>(got);
  }
};
const Registered& registered() {
  static const Registered r;
  return r;
}
}  // namespace

QEvent::Type calcEventType(int messageNumber) {
  const Registered& r = registered();
  switch (messageNumber) {
    case kMsgDiffractionDone: return r.diffr;
    case kMsgGrDone: return r.gr;
    case kMsgPairLoopDone: return r.pairs;
  }
  qFatal("no completion event for message %d", messageNumber);
}

bool isCalcCompletion(const QEvent* e) {
  const Registered& r = registered();
  const QEvent::Type t = e->type();
  return (t == r.diffr || t == r.gr || t == r.pairs) && dynamic_cast<const CalcDoneEvent*>(e) != nullptr;
}

}  // namespace grainix
