#pragma once
// The compare-with-experiment window's rules as data: reading the
// experimental file, its normalised intensity, the approximate peaks (from
// the model's PDH or from a file), the diagrams it opens and its settings.
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/core/ini_file.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/plot/diagram_desc.h"

namespace grainix {

inline constexpr const char* kCouldntOpenStop = "Couldn't open file. STOP";
inline constexpr const char* kWrongFormat = "Wrong format of file";
inline constexpr const char* kAtomsNotSelected =
    "Atom(s) are not selected in the Atoms Selection group box. STOP";
inline constexpr const char* kConfigNotCreated = "Couldn't create 'confitt.txt' file. STOP";
inline constexpr const char* kExpFileFilter =
    "Data files (*.dat)|*.dat|Data files (*.xyz)|*.xyz|All files (*.*)|*.*";
inline constexpr const char* kPeaksFileFilter = "Peaks positions (*.txt)|*.txt";

// ".dat"/".DAT": as many pairs as the file has lines (a last line shorter
// than 3 characters not counted); ".xyz"/".XYZ": a count, the rest of its
// line skipped, then that many pairs. Other extensions, no points, or a
// pair that does not read: "Wrong format of file".
struct StExpRead {
  StCommandResult result;
  StData data;
};
StExpRead readExperimentalFile(const std::string& path);

// S = y / (f(x / 2)^2 * N) for each point, f of `element`. Fills `pattern`
// (q = x, intensity = y, sOfQ = S, no 2theta). A non-numeric N is a
// conversion error and leaves the pattern as it was.
StCommandResult experimentalS(const StData& data, const StScatEquPrm& element, const std::string& nText,
                              StDiffPattern& pattern);

// Approximate peaks from the model: the PDH's non-empty bins (all of them
// while `max` is not 0), or the partial histograms' bins below `max`; the
// heights scaled so that the largest lies in [1, 10). The lists are
// replaced; false (lists untouched) when there is no peak.
bool approximatePeaksFromPdh(const StFitFormPrm& prm, std::vector<double>& positions, std::vector<double>& heights);

// A count n, then n pairs of position and height. "Couldn't open file: "
// + path when it cannot be opened; "Wrong format of file" when fewer pairs
// follow. The lists are replaced only on success.
StCommandResult readPeaksFile(const std::string& path, std::vector<double>& positions, std::vector<double>& heights);

// The eight colours of the fit diagrams, in order.
const std::vector<DiagramColor>& fitPalette();

// "Plot": the experimental data.
DiagramDesc experimentalDiagram(const StData& data, const std::string& fileName);
// "PDF diagram": the normalised intensity of the experimental pattern.
DiagramDesc experimentalSDiagram(const StDiffPattern& pattern, const std::string& fileName);
// The fit diagram number `number` drawn in palette colour `colorIndex` mod 8.
DiagramDesc fitDiagram(const std::vector<double>& x, const std::vector<double>& y, int number, int colorIndex);

// The window's keys: "aux" "pathDataExp", "expfit" "laMono", "expfit" "N".
struct StCmpExpSettings {
  std::string pathDataExp;  // default: the home folder
  int laMono = -1;
  std::string n = "1e4";
};
StCmpExpSettings readCmpExpSettings(const IniFile& ini, const std::string& home);
void writeCmpExpSettings(IniFile& ini, const StCmpExpSettings& s);

}  // namespace grainix
