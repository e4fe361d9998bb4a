#pragma once
// G(r) of diffraction: the windowed sine transform of Q (S(Q) - 1).
#include <cstdint>

#include "engine/calc/records.h"
#include "engine/calc/windowing.h"
#include "engine/core/progress.h"

namespace grainix {

// More r points than this are treated as an empty range.
inline constexpr int64_t kMaxGrPoints = int64_t{1} << 25;

struct StGrOutcome {
  bool terminated = false;      // points the cancel token prevented are 0
  bool missingColumns = false;  // the pattern lacks Q or S: nothing computed
  int64_t points = 0;
};

// P = trunc(floor((rStop - rStart) / rStep)), rStop excluded; <= 0 for an
// empty range (also for non-finite or huge counts).
int64_t grPointCount(const StGrPrm& prm);

// Replaces `result` with x = r (rStart, then adding rStep), y = G(r) =
// (2/pi) sum_j F(j) sin(Q(j) r), F(0) = 0, F(j) = weight(Q(j)) (S(j) - 1)
// Q(j) (Q(j) - Q(j-1)). The window's setQmax gets the last Q of the pattern.
// P <= 0 gives count 0, and so does a pattern without its Q or S column
// (`missingColumns`). `threads` 0 uses every core.
StGrOutcome computeGr(const StGrPrm& prm, StData& result, ProgressSink* gauge = nullptr,
                      const CancelToken* cancel = nullptr, int threads = 0);

}  // namespace grainix
