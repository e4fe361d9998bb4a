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

// The same, with the pair loops run by `pairLoop` (a front end that spreads
// them over processes) and the calculations stopped through `cancel`.
int run(const CliOptions& options, const char* argv0, std::ostream& err, const PairLoopRunner& pairLoop,
        const CancelToken* cancel);

}  // namespace grainix::cli
