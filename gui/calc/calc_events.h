#pragma once
// Completion events of the calculation threads: application message
// numbers 32771 (diffraction), 32772 (G(r)) and 32788 (pair loops, with
// the mode), registered as Qt event types of the same numbers.
#include <QEvent>
#include <QtGlobal>

namespace grainix {

// The registered event type of a completion message number. The numbers
// are reserved on first use; a clash with another registration is fatal.
QEvent::Type calcEventType(int messageNumber);
// True for any of the three completion types.
bool isCalcCompletion(const QEvent* e);

class CalcDoneEvent : public QEvent {
 public:
  CalcDoneEvent(int messageNumber, int param, quint64 serial)
      : QEvent(calcEventType(messageNumber)), messageNumber_(messageNumber), param_(param), serial_(serial) {}
  int messageNumber() const { return messageNumber_; }
  int param() const { return param_; }   // the pair-loop mode; 0 otherwise
  quint64 serial() const { return serial_; }  // the run that posted it

 private:
  int messageNumber_;
  int param_;
  quint64 serial_;
};

}  // namespace grainix
