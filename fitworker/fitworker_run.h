#pragma once
// The fitter's whole run: command line, configuration, data, fit, and the
// delivery of the result text (socket, standard output, log file).
#include <iosfwd>
#include <string>
#include <vector>

namespace grainix {

struct StFitworkerIo {
  std::ostream* out;   // standard output
  std::ostream* err;   // standard error
  std::istream* in;    // the key of -w
  int connectTimeoutMs = 30000;
};

// Runs with the arguments after the program name; the exit status (the
// result's error code, 6 when the socket could not be reached).
int runFitworker(const std::vector<std::string>& args, const StFitworkerIo& io);

inline constexpr int kExitNoPipe = 6;
inline constexpr const char* kFitworkerUsage =
    "usage: fitworker [-s] [-g] [-w] [-m] [-p SOCKET] CONFIGURATION DATA [LOGFILE]";

}  // namespace grainix
