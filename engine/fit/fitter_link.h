#pragma once
// The link to the least-squares fitter `fitworker`: the configuration file
// this side writes and the fitter reads, the command line that starts it,
// and the result text it sends back (written by the fitter, parsed here).
#include <memory>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/fit/fit_functions.h"

namespace grainix {

inline constexpr const char* kFitConfigName = "confitt.txt";
inline constexpr const char* kFitterProgram = "fitworker";
inline constexpr const char* kPipeName = "pipe0";

// Items of the peak-mode and background boxes, in box order.
inline constexpr const char* kFitModes[] = {"fit each peak separate",
                                            "peaks have common b and c parameter, c is const",
                                            "peaks have common b and c parameters"};
enum FitBackground : int { kBackgroundNone = 0, kBackgroundPoly2 = 1, kBackgroundBessel = 2 };
inline constexpr const char* kFitBackgrounds[] = {"None", "Poly 2 degree", "Bessel"};

// Masks of a peak by mode (bit 0 = a ... bit 5 = f).
struct StPeakMasks {
  int cmnSize, fitPrmMask, cmnPrmMask;
};
StPeakMasks peakMasks(int mode);

// What the configuration is made of: the edit texts as typed, the box
// choices, and the approximate peaks.
struct StFitConfigInput {
  std::string maxIter = "1e3", epsAbs = "1e-3", epsRel = "1e-3", sigma = "0.125";
  int mode = 2;                       // index in kFitModes
  int background = kBackgroundPoly2;  // FitBackground
  std::string aMult = "10", b = "1", c = "0.125";  // "a mult. ", "b ", "c "
  std::string ta = "-20", tb = "80", tc = "60";    // background "a ", "b ", "c "
  std::vector<double> positions, heights;
};

// The configuration text, or a conversion error of "a mult." (the only
// edit this side computes with).
struct StFitConfig {
  StCommandResult result;
  std::string text;
};
StFitConfig fitConfigText(const StFitConfigInput& in);
// Writes the text under a temporary name beside `path` and renames it, so
// a fitter never reads half a file. False when the folder is not writable.
bool writeFitConfigFile(const std::string& path, const std::string& text);

// ---- command line

struct StFitOptions {
  bool showResults = false;  // -s
  bool gnuplot = false;      // -g
  bool waitKey = false;      // -w
  bool uLM = false;          // -m
};

struct StFitCommand {
  std::string text;               // the command line as the error box quotes it
  std::vector<std::string> args;  // the arguments after the program name
};
// "fitworker " + options + " -p " + pipe + " " + config + " " + data + " " + log.
// An empty log file leaves the trailing blank and no argument.
StFitCommand fitCommandLine(const StFitOptions& o, const std::string& pipePath, const std::string& configPath,
                            const std::string& dataPath, const std::string& logFile);

// ---- the configuration as the fitter reads it

struct StFitFunctionCfg {
  std::string function;  // "gaussian", "poly2"
  std::string name;
  int numOfPrm = 0;
  int fitPrmMask = 0;
  int cmnPrmMask = 0;
  std::vector<double> values;  // a, b, c, ... as given
};

struct StFitConfigFile {
  int maxIter = 1000;
  double epsAbs = 1e-3, epsRel = 1e-3, sigma = 0.125;
  int numFunc = 0;
  std::vector<double> common;  // v0, v1, ...
  std::vector<StFitFunctionCfg> functions;
};
// False with `error` ("line N: ...") when the text is not a configuration.
bool parseFitConfig(const std::string& text, StFitConfigFile& cfg, std::string& error);

// The model of a configuration: one object per function, bound to the
// shared common tables (which are reset). Fitted values start at the
// configuration's values.
bool buildFitModel(const StFitConfigFile& cfg, std::vector<std::unique_ptr<clFunction>>& model, std::string& error);

// ---- the result text

// Error codes of the fitter.
enum FitError : int {
  kFitOk = 0,
  kFitUsage = 1,
  kFitConfigError = 2,
  kFitDataError = 3,
  kFitNoConvergence = 4,
  kFitSolverError = 5,
};

struct StFitBlock {
  int index = 0;
  std::vector<double> values;
};

struct StFitResultText {
  int errorCode = 0;
  std::string message;  // the error message, or the word after a code 0
  int nFunctions = 0;
  int iterations = 0;
  double convergence = 0;
  std::vector<StFitBlock> blocks;
};

// Writes "code message:" for an error (colons in the message become commas), else "0 word n", "iterations
// convergence" and the blocks; values with 12 significant digits.
std::string formatFitResult(const StFitResultText& r);

// Parses a result text. `complete` is false when the text ends before
// everything its counts announce was read (what was read stays filled).
struct StFitResultParse {
  StFitResultText result;
  bool codeRead = false;
  bool complete = false;
};
StFitResultParse parseFitResult(const std::string& text);

// ---- the window's side of a finished fit

// The memo lines and result objects of one received text: the header, then
// for code 0 the iteration line, one line per block and "...". `background`
// decides whether the last block is the background polynomial.
struct StFitResultsView {
  std::vector<std::string> memo;
  bool ok = false;  // results were built (the fit-plot button may be enabled)
  std::vector<std::unique_ptr<clFunction>> functions;
};
StFitResultsView fitResultsView(const std::string& text, const std::string& modeText, const std::string& fileName,
                                int background);

// The fit diagram's points: n = trunc(ppu * xmax), x from 0 by xmax / (n - 1)
// (accumulated), y = sum of the functions' values. Fewer than 2 points: empty.
struct StFitCurve {
  std::vector<double> x, y;
};
StFitCurve fitCurve(const std::vector<std::unique_ptr<clFunction>>& functions, int ppu, double xmax);

}  // namespace grainix
