#pragma once
// The progress line of grainix-cli on a terminal: the step that runs, a bar
// with the percentage, the elapsed time of the step and an estimate of the
// time left, redrawn in place and at most a few times a second. Nothing is
// drawn when the output is not a terminal (a file or a pipe).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "engine/core/progress.h"

namespace grainix::cli {

// A gauge that is also told which step of the chain runs.
class StepProgress : public ProgressSink {
 public:
  virtual void setStep(const std::string& name) = 0;
};

class TerminalProgress : public StepProgress {
 public:
  // Seconds of a steady clock.
  using Clock = std::function<double()>;
  explicit TerminalProgress(bool enabled, std::FILE* out = stderr, Clock clock = nullptr);

  // Names the step that runs next ("PDH", "pattern", "G(r)"...) and starts
  // its clock.
  void setStep(const std::string& name) override;
  void setMaximum(int64_t maximum) override;
  void setPosition(int64_t position) override;
  void setVisible(bool visible) override;

  // "1:05", "12:00", "1:02:03".
  static std::string clockText(double seconds);

 private:
  void draw(double now, double fraction);  // with mutex_ held

  bool enabled_;
  std::FILE* out_;
  Clock clock_;
  std::mutex mutex_;
  std::string step_;
  int64_t maximum_ = 0;
  double stepStart_ = 0;   // the step's elapsed time runs from here
  double phaseStart_ = 0;  // the estimate is taken over the current gauge range
  double lastDraw_ = -1;
  int shownPercent_ = -1;
  size_t shownWidth_ = 0;
};

}  // namespace grainix::cli
