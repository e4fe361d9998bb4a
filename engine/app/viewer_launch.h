#pragma once
// Showing the current grain in an outside molecular viewer (RasMol, RasTop).
// The launch writes the node list as a temporary xyz file and a viewer
// script that loads it and then runs the user's commands from the template
// "rms.scr"; the window starts the command line without waiting for it.
//
//   StViewerLaunch l = prepareViewerLaunch(folder, kRastopExecutable, env, nodes, texts);
//   show l.result (boxes, log); if l.result.ok, start l.program with l.arguments
//   detached, then show viewerStartResult(l, started).
#include <cstddef>
#include <ctime>
#include <istream>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"
#include "engine/io/writers.h"

namespace grainix {

inline constexpr const char* kRasmolExecutable = "rasmol";
inline constexpr const char* kRastopExecutable = "rastop";
inline constexpr const char* kScriptTemplateName = "rms.scr";
// A template line longer than this ends the copying of the template.
inline constexpr std::size_t kTemplateLineLimit = 80;

// What a launch needs from the outside world.
struct StViewerEnv {
  std::string workingDir;  // the user's template is looked for here first
  std::string exeDir;      // then the bundled one beside the executable ("" : none)
  std::string tmpDir;      // the xyz file and the script are written here
  std::string searchPath;  // the PATH value, for a viewer whose folder is empty
  std::time_t when = 0;    // time of the file-name stamp
};

// What the launch decided and wrote.
struct StViewerLaunch {
  // ok: start the program. Otherwise `messages` holds the box to show and
  // no process is started.
  StCommandResult result;
  std::string program;                 // full path of the viewer executable
  std::vector<std::string> arguments;  // "-script", scriptPath
  std::string commandLine;             // program + " -script " + scriptPath
  std::string xyzPath;
  std::string scriptPath;
  std::string templatePath;  // the template read, or the user's path when there is none
};

// The first folder of the colon-separated `searchPath` that holds an
// executable file `name`; "" when none does. Empty entries are skipped.
std::string findOnPath(const std::string& name, const std::string& searchPath);
// folder + "/" + executable; an empty folder looks the executable up on
// `searchPath` and gives the bare name when it is not found there.
std::string viewerProgramPath(const std::string& folder, const std::string& executable,
                              const std::string& searchPath);
// folder + "/" + name, without doubling a separator the folder ends with.
std::string joinPath(const std::string& folder, const std::string& name);

// The template's lines in order, without their line ends, up to the first
// line longer than kTemplateLineLimit characters (which is not taken).
std::vector<std::string> scriptTemplateLines(std::istream& in);
// The script: two empty lines, "zap", "load xyz " + xyzPath, then the
// template lines, each followed by a line end.
std::string viewerScriptText(const std::string& xyzPath, const std::vector<std::string>& templateLines);

// Steps up to the start of the process: finds the template and the program
// (a missing one gives the box "Couldn't open file: ... or program: ..." and
// writes nothing), writes `nodes` as the xyz file (the writer's box on
// failure, no script) and the script (a script that cannot be written, or a
// template that cannot be read, leaves it empty or short; the viewer is
// started all the same). The temp folder is created when it is missing.
StViewerLaunch prepareViewerLaunch(const std::string& folder, const std::string& executable,
                                   const StViewerEnv& env, vGrainNodes& nodes, const StFileTexts& texts);

// After the start attempt: the command line as the log line, or the box
// "Program Grainix couldn't create process:\n" + command line.
StCommandResult viewerStartResult(const StViewerLaunch& launch, bool started);

}  // namespace grainix
