#pragma once
// The shared state of one grainix-cli run and the steps after the grain exists.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "engine/app/build_command.h"
#include "engine/app/workbench.h"
#include "engine/calc/pdh_run.h"
#include "engine/elements/scattering.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"

namespace grainix::cli {

// The message-log lines go to stderr unless --quiet; refusals always do.
class Logger {
 public:
  // `prefix` starts every refusal ("grainix-cli: " for the tool).
  Logger(std::ostream& err, bool quiet, std::string prefix = "grainix-cli: ");
  void line(const std::string& text);
  void lines(const std::vector<std::string>& text);
  void error(const std::string& text);
  // Reports the messages of a result; true when one of them is an error.
  bool messages(const StCommandResult& res);

 private:
  std::ostream& err_;
  bool quiet_;
  std::string prefix_;
};

struct Session {
  const CliOptions* options = nullptr;
  Logger* log = nullptr;
  StepProgress* progress = nullptr;
  std::string sftPath;
  ElementTable table;
  Workbench wb;
  StFileTexts texts;
  double latticePrm = 0;
  double radius = 0;
  bool biatomic = false;
  PdhList delta;  // delta(r) entries (the PDH list stays the histogram)
  // How the pair loops run (empty: in this process) and what stops the
  // calculations (null: nothing does).
  PairLoopRunner pairLoop;
  const CancelToken* cancel = nullptr;
  bool stopped() const { return cancel && cancel->requested(); }
};

std::string nowLongTime();
// Writes `path` through one of the engine's writers (which put a file in
// place whole or not at all) and reports a failure with its reason.
bool writeOutput(const std::string& path, Logger& log,
                 const std::function<StCommandResult(const std::string&)>& writer);

// The element table the program would find.
void loadElementTable(Session& s, const char* argv0);
// The first element table found in `folders`, in order ("" when none is).
std::string findElementTable(const std::vector<std::string>& folders);
// Loads the first element table found in `folders` and logs which.
void loadElementTable(Session& s, const std::vector<std::string>& folders);
// The structure-building inputs of the options (elements, shape, lattice
// parameter, radius); also sets the session's lattice parameter, radius
// and element count. Returns an exit code (0: usable).
int grainInput(Session& s, StBuildInput& in);
// Builds the grain of the options or reads it from --input, and fills the
// header texts of the files. Returns an exit code.
int buildGrain(Session& s);
// Takes over the atoms just read into s.wb.ideal (a nodes file, or atoms
// given otherwise) as --input does: grouped by element, the header texts
// of the files. Returns an exit code.
int adoptLoadedGrain(Session& s, const StNodesLoad& load);
// The structure line, comment and bin width of the files, once the grain exists.
void grainTexts(Session& s);

// The steps after the grain exists, for the files the options ask for.
int runSteps(Session& s);

// Each returns an exit code: 0 done, 1 refused, 2 a bad value.
int modifyGrain(Session& s);
int computePdh(Session& s);
int computeDiffraction(Session& s);
int computeGr(Session& s);
int computeDelta(Session& s);

// --queue: the experiments queue of the file, one grain per entry.
int runQueue(Session& s);

}  // namespace grainix::cli
