#pragma once
// ThPipe: serves the fitter's socket on a worker thread and, at its end,
// posts the completion event 32771 to the compare window with the end
// marker flag (1 when the result text arrived whole, 0 otherwise).
#include <QObject>
#include <QThread>
#include <atomic>
#include <string>

#include "engine/fit/pipe_link.h"

namespace grainix {

class ThPipe : public QThread {
 public:
  // Starts at once. `results->text` belongs to the thread until the
  // completion event arrives.
  ThPipe(QObject* target, StPipeResults* results, std::string path, quint64 serial, StPipeTiming timing = {});
  // Asks the exchange to end and waits for it.
  ~ThPipe() override;
  void requestStop() { stop_.store(true); }
  quint64 serial() const { return serial_; }
  // Waits for the run to end; afterwards the exchange and the results'
  // text are the caller's (the hand-over does not rely on the toolkit's
  // internals).
  void awaitResults();
  // Valid after awaitResults.
  const StPipeExchange& exchange() const { return exchange_; }

 protected:
  void run() override;

 private:
  QObject* target_;
  StPipeResults* results_;
  std::string path_;
  quint64 serial_;
  StPipeTiming timing_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  StPipeExchange exchange_;
};

}  // namespace grainix
