#pragma once
// The calculation worker threads: ThCalc (pair loops, modes 0, 1 and 3),
// ThCalcDiffr (diffraction pattern) and ThCalcGr (G(r) of diffraction).
// Each runs its engine routine, polls its own stop flag, reports progress
// through atomics the window reads on a timer, and at its end posts its
// completion event to the target object. Each worker writes records of its
// own; the window takes them over when the completion event arrives, so a
// run never writes into the document.
#include <QPointer>
#include <QThread>
#include <atomic>

#include "engine/calc/diffraction.h"
#include "engine/calc/gr.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/pdh_run.h"
#include "engine/core/progress.h"

namespace grainix {

// Progress of a worker as plain atomics: no toolkit call leaves the worker.
class ThreadGauge : public ProgressSink {
 public:
  void setMaximum(int64_t m) override { maximum.store(m, std::memory_order_relaxed); }
  void setPosition(int64_t p) override { position.store(p, std::memory_order_relaxed); }
  void setVisible(bool v) override { visible.store(v, std::memory_order_relaxed); }
  std::atomic<int64_t> maximum{0};
  std::atomic<int64_t> position{0};
  std::atomic<bool> visible{false};
};

// Priority 0 (idle) .. 6 (time-critical) of "Set thread priority".
QThread::Priority threadPriorityOf(int priority);

class CalcThread : public QThread {
 public:
  // `messageNumber` and `param` go into the completion event; `serial`
  // identifies the run.
  CalcThread(QObject* target, int messageNumber, int param, quint64 serial);
  // Every derived class calls finish() in its destructor, before its own
  // members go: the run must be over by then.
  ~CalcThread() override;
  // Asks the run to stop and waits for it.
  void finish();
  // Cooperative stop: the routine ends at its next check.
  void requestStop();
  bool stopRequested() const { return cancel_.requested(); }
  quint64 serial() const { return serial_; }
  // The workbench generation the run started from.
  void setGeneration(uint64_t g) { generation_ = g; }
  uint64_t generation() const { return generation_; }
  // Waits for the run to end; afterwards everything it wrote is visible to
  // the caller (the hand-over does not rely on the toolkit's internals).
  // True when the run got to its end (always, unless it never started).
  bool awaitResults();
  ThreadGauge gauge;

 protected:
  void run() final;
  virtual void compute() = 0;
  CancelToken cancel_;

 private:
  QObject* target_;
  int messageNumber_;
  int param_;
  quint64 serial_;
  uint64_t generation_ = 0;
  std::atomic<bool> finished_{false};
};

// PDH, partial histograms (by the method runPdh chooses) and delta sums,
// into a PDH list and partial histograms of the run's own.
class ThCalc : public CalcThread {
 public:
  ThCalc(QObject* target, quint64 serial, int mode, StCalcPrm prm);
  ~ThCalc() override { finish(); }
  int mode() const { return mode_; }
  // Valid after the completion event.
  const StPairRunResult& result() const { return result_; }
  PdhList& pdh() { return pdh_; }
  StIDCalcResults& partial() { return partial_; }

 protected:
  void compute() override;

 private:
  int mode_;
  StCalcPrm prm_;
  PdhList pdh_;
  StIDCalcResults partial_;
  StPairRunResult result_;
};

// Diffraction; `prm` holds references to the nodes, PDH and element table,
// and `partial` is the window's, all of which stay unchanged until the
// completion event (commands that would change them are refused meanwhile).
class ThCalcDiffr : public CalcThread {
 public:
  ThCalcDiffr(QObject* target, quint64 serial, int mode, const StDiffrPrm* prm, const StIDCalcResults* partial);
  ~ThCalcDiffr() override { finish(); }
  const StDiffractionOutcome& outcome() const { return outcome_; }
  StDiffPattern& pattern() { return pattern_; }

 protected:
  void compute() override;

 private:
  int mode_;
  const StDiffrPrm* prm_;
  const StIDCalcResults* partial_;
  StDiffPattern pattern_;
  StDiffractionOutcome outcome_;
};

class ThCalcGr : public CalcThread {
 public:
  ThCalcGr(QObject* target, quint64 serial, const StGrPrm* prm);
  ~ThCalcGr() override { finish(); }
  const StGrOutcome& outcome() const { return outcome_; }
  StData& gr() { return gr_; }

 protected:
  void compute() override;

 private:
  const StGrPrm* prm_;
  StData gr_;
  StGrOutcome outcome_;
};

}  // namespace grainix
