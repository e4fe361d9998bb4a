#include "cli/terminal_progress.h"

#include <algorithm>
#include <chrono>

namespace grainix::cli {

namespace {

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Redraws: not more often than this, and at least this often while the
// percentage stands still (the elapsed time moves on).
constexpr double kMinInterval = 0.2;
constexpr double kMaxInterval = 1.0;

}  // namespace

TerminalProgress::TerminalProgress(bool enabled, std::FILE* out, Clock clock)
    : enabled_(enabled), out_(out), clock_(clock ? std::move(clock) : Clock(steadySeconds)) {
  stepStart_ = phaseStart_ = clock_();
}

std::string TerminalProgress::clockText(double seconds) {
  const auto s = static_cast<int64_t>(std::max(0.0, seconds) + 0.5);
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
  return buf;
}

void TerminalProgress::setStep(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = name;
  stepStart_ = phaseStart_ = clock_();
  shownPercent_ = -1;
  lastDraw_ = -1;
}

void TerminalProgress::setMaximum(int64_t maximum) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (maximum != maximum_) phaseStart_ = clock_();
  maximum_ = maximum;
}

void TerminalProgress::setPosition(int64_t position) {
  if (!enabled_) return;
  // Workers report from several threads: one draws, the others go on.
  std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock() || maximum_ <= 0) return;
  const double fraction = std::clamp(static_cast<double>(position) / static_cast<double>(maximum_), 0.0, 1.0);
  const int percent = static_cast<int>(fraction * 100);
  const double now = clock_();
  const double since = now - lastDraw_;
  if (lastDraw_ >= 0 && (since < kMinInterval || (percent == shownPercent_ && since < kMaxInterval))) return;
  shownPercent_ = percent;
  lastDraw_ = now;
  draw(now, fraction);
}

void TerminalProgress::draw(double now, double fraction) {
  const int filled = static_cast<int>(fraction * 25);
  std::string line = (step_.empty() ? std::string() : step_ + " ") + "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(25 - filled), ' ') + "] ";
  char pct[8];
  std::snprintf(pct, sizeof pct, "%3d%%", static_cast<int>(fraction * 100));
  line += pct;
  line += "  elapsed " + clockText(now - stepStart_);
  // The rest of the current range at the pace it has gone so far.
  const double phase = now - phaseStart_;
  if (fraction > 0.001 && phase >= 1) line += "  left " + clockText(phase * (1 - fraction) / fraction);
  const size_t width = line.size();
  if (width < shownWidth_) line += std::string(shownWidth_ - width, ' ');
  shownWidth_ = width;
  std::fprintf(out_, "\r%s", line.c_str());
  std::fflush(out_);
}

void TerminalProgress::setVisible(bool visible) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!visible && shownWidth_ > 0) {
    std::fprintf(out_, "\r%s\r", std::string(shownWidth_, ' ').c_str());
    std::fflush(out_);
    shownWidth_ = 0;
  }
  shownPercent_ = -1;
  lastDraw_ = -1;
}

}  // namespace grainix::cli
