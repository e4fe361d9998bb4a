#pragma once
// Command-line options of grainix-cli and their validation.
#include <optional>
#include <string>
#include <vector>

namespace grainix::cli {

struct SectionArg {
  double radius = 0;  // outer radius, Angs
  double psi = 0;     // relative change of the lattice parameter, %
};

struct CliOptions {
  std::string structure;            // sc bcc fcc diamond zincblende stacked
  std::string element, element2;
  std::optional<double> lattice;
  std::optional<double> radius;
  std::optional<double> radiusLp;
  std::string shape = "sphere";
  std::string sequence;             // stacked grains
  std::optional<double> ha, c, u;
  bool noSublattice = false;
  bool noCircular = false;
  std::string input;                // nodes file read instead of building
  std::string cif;                  // CIF file a grain is cut from
  std::optional<double> height;     // cylinder height of a CIF grain
  std::string center = "atom";      // CIF grain centre: atom | origin
  std::string cut = "atom";         // CIF grain cut: atom | motif
  std::string queue;                // experiments queue file (stacked grains)
  std::string folder;               // where the queue writes its files

  std::vector<SectionArg> sections;
  std::string thermal;              // uniform | normal
  std::optional<double> temperature;
  std::vector<double> amplitude;
  std::optional<double> acp;
  std::optional<double> level;
  std::optional<unsigned> seed;

  double bin = 0.001;
  std::string pdhMethod = "auto";   // auto | pairs | lattice
  std::string anode = "Cu";
  std::optional<double> lambda;
  double start = 5, stop = 150, step = 0.1;
  std::string intensity = "S";
  std::string abscissa = "Q";
  std::string window = "lorch";
  std::optional<double> grStart, grStop, grStep;

  std::string writeNodes, writePdh, writeDiffraction, writeGr, writeDelta, writeSections;
  std::string writeFityk;              // fityk script (.fit)
  std::string fitykSource = "pdh";     // pdh | gr
  std::string comment;
  int threads = 0;
  bool quiet = false;
};

// Parses argv. On a bad option or value returns false with `error` set to
// one line naming the option and what it accepts; --help and --version set
// `exitNow` and fill `out` with the text to print.
struct ParseOutcome {
  bool ok = false;
  bool exitNow = false;
  std::string error;
  std::string out;
};
ParseOutcome parseOptions(int argc, const char* const* argv, CliOptions& options);

// A number as the options read it; false when the text is not one.
bool optionNumber(const std::string& text, double& value);

}  // namespace grainix::cli
