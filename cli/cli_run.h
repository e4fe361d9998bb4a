#pragma once
// The calculation chain of grainix-cli: build or read a grain, modify it,
// compute what the requested outputs need and write them.
#include <iosfwd>

#include "cli/cli_options.h"

namespace grainix::cli {

// Exit codes: 0 done, 1 a calculation refused (the program's text is on
// stderr), 2 a bad option or value.
int run(const CliOptions& options, const char* argv0, std::ostream& err);

}  // namespace grainix::cli
