#pragma once
// Progress and cancellation for long engine work. A worker gets a
// CancelToken it polls between chunks and a ProgressSink it reports to; the
// window side maps them to its gauge and STOP button. Both are thread-safe.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>

namespace grainix {

class CancelToken {
 public:
  void request() { flag_.store(true, std::memory_order_relaxed); }
  void reset() { flag_.store(false, std::memory_order_relaxed); }
  bool requested() const { return flag_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> flag_{false};
};

// The gauge of the main window as a worker sees it: a maximum, a position,
// shown or hidden. Positions are plain integers as the gauge takes them.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setMaximum(int64_t maximum) = 0;
  virtual void setPosition(int64_t position) = 0;
  virtual void setVisible(bool visible) = 0;
};

// A sink that remembers what it was told (tests and headless runs).
class RecordingProgress : public ProgressSink {
 public:
  void setMaximum(int64_t m) override { maximum.store(m); }
  void setPosition(int64_t p) override { position.store(p); }
  void setVisible(bool v) override { visible.store(v); }
  std::atomic<int64_t> maximum{0};
  std::atomic<int64_t> position{0};
  std::atomic<bool> visible{false};
};

// Threads of a parallel run: `requested`, or one per core for 0, and never
// more than kThreadsPerCore per core (each thread may hold tables of its
// own; a mistyped count must not multiply them by thousands).
inline constexpr int kThreadsPerCore = 4;
inline int workerThreads(int requested) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (requested <= 0) return cores;
  return std::min(requested, kThreadsPerCore * cores);
}

}  // namespace grainix
