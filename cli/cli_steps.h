#pragma once
// The shared state of one grainix-cli run and the steps after the grain exists.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "engine/app/workbench.h"
#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"
#include "engine/io/writers.h"

namespace grainix::cli {

// The message-log lines go to stderr unless --quiet; refusals always do.
class Logger {
 public:
  Logger(std::ostream& err, bool quiet);
  void line(const std::string& text);
  void lines(const std::vector<std::string>& text);
  void error(const std::string& text);
  // Reports the messages of a result; true when one of them is an error.
  bool messages(const StCommandResult& res);

 private:
  std::ostream& err_;
  bool quiet_;
};

struct Session {
  const CliOptions* options = nullptr;
  Logger* log = nullptr;
  TerminalProgress* progress = nullptr;
  std::string sftPath;
  ElementTable table;
  Workbench wb;
  StFileTexts texts;
  double latticePrm = 0;
  double radius = 0;
  bool biatomic = false;
  PdhList delta;  // delta(r) entries (the PDH list stays the histogram)
};

std::string nowLongTime();
// Writes `path` through one of the engine's writers (which put a file in
// place whole or not at all) and reports a failure with its reason.
bool writeOutput(const std::string& path, Logger& log,
                 const std::function<StCommandResult(const std::string&)>& writer);

int runSteps(Session& s);

}  // namespace grainix::cli
