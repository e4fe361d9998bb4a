#pragma once
// The calculation chain of grainix-cli: build or read a grain, modify it,
// compute what the requested outputs need and write them.
#include <iosfwd>

#include "cli/cli_options.h"
#include "engine/calc/pdh_run.h"
#include "engine/core/progress.h"

namespace grainix::cli {

// Exit codes: 0 done, 1 a calculation refused (the program's text is on
// stderr), 2 a bad option or value.
int run(const CliOptions& options, const char* argv0, std::ostream& err);

// What a front end over the chain may change: the pair loops run by
// `pairLoop` (one that spreads them over processes), the calculations
// stopped through `cancel`, the progress line drawn also when stderr is
// not a terminal (where a launcher forwards it), the program's name that
// starts its refusals.
struct RunHooks {
  PairLoopRunner pairLoop;
  const CancelToken* cancel = nullptr;
  bool progressLine = false;
  const char* program = "grainix-cli";
};
int run(const CliOptions& options, const char* argv0, std::ostream& err, const RunHooks& hooks);

}  // namespace grainix::cli
