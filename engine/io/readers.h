#pragma once
// Readers of the data files: nodes (.ndl, .xyz and every other nodes
// layout the writers produce), PDH (.his, monoatomic and biatomic),
// diffraction (.diff), sections (.sct) and two-column experimental data.
// A reader takes the full path and the state it replaces; it changes that
// state only when the whole file has been read (the nodes reader empties
// the node list on a format error, as the grain it held is gone from the
// view). Log lines, message boxes and the field texts the window shows
// come back as data.
#include <memory>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"
#include "engine/grain/generators.h"
#include "engine/io/file_header.h"
#include "engine/modify/sections.h"

namespace grainix {

// The state of the main window the readers replace.
struct StReadTarget {
  vGrainNodes& ideal;                     // the ideal list, current while a nodes file is read
  std::unique_ptr<GenNodes>& generator;   // replaced from the header's structure line
  std::vector<std::string>& loadedAtoms;  // replaced by the header's symbols
  secPrm& sections;
  StGrainPrm& grainPrm;
};

// The known element symbols of the element table file: key "num" of
// section "gen", then "nam1" ... "namN". Empty when the file is missing.
std::vector<std::string> readKnownSymbols(const std::string& sftPath);

// "Error during reading, propably wrong format " (and the line that failed).
std::string wrongFormatText(int64_t line);
// The error of a nodes file that holds no atom.
std::string noAtomsText(const std::string& path);

struct StNodesLoad {
  StCommandResult result;
  bool hasHeader = false;   // apply `header` to the fields (texts, buttons)
  StHeaderInfo header;
  bool commentRead = false;
  std::string comment;      // new text of the comment field
  bool xyzLayout = false;
  // .xyz with known symbols: check rbsc and set the radius field to this text.
  bool setRadius = false;
  std::string radiusText;
  double maxR = 0;
};
StNodesLoad loadNodesFile(const std::string& path, StReadTarget target, const std::vector<std::string>& knownSymbols,
                          ProgressSink* progress = nullptr);
// Atoms given as symbols and positions (`xyz` holds x, y, z of each in
// turn) instead of read from a file, taken over as the atoms of an .xyz
// file without a header are. No atoms: refused as a file without atoms.
StNodesLoad adoptAtoms(const std::vector<std::string>& symbols, const double* xyz, StReadTarget target,
                       const std::vector<std::string>& knownSymbols);

struct StHistogramLoad {
  StCommandResult result;
  StHeaderInfo header;
  std::string binWidthText;  // new text of the bin-width field
  std::string comment;
  bool biatomic = false;     // the file held partial histograms: check RBbiatom
  StPdhAtoms atoms;          // the atoms the histogram counts (for the PDH list)
};
// Two columns (r, card): the PDH list; three (r, card, norm): the PDH list
// with norms; four (r, Rii, Rij, Rjj): the partial histograms, and the PDH
// list receives their sums. A file alone feeds a pattern: the elements are
// the "#atoms:" names found among `knownSymbols` (the element table's), the
// number of atoms of each follows from the pair counts.
StHistogramLoad loadHistogramFile(const std::string& path, StReadTarget target, PdhList& pdh,
                                  StIDCalcResults& partial, const std::vector<std::string>& knownSymbols = {});

struct StDiffractionLoad {
  StCommandResult result;
  StHeaderInfo header;
  std::string lambdaText;  // new text of the wavelength field
  std::string stepText;    // new text of the step field
  std::string comment;
  bool angleAbscissa = true;  // check RBangle (else RBq)
  bool sOrdinate = true;      // check RBs (else RBi)
};
StDiffractionLoad loadDiffractionFile(const std::string& path, StReadTarget target, StDiffPattern& pattern);

struct StSectionsLoad {
  StCommandResult result;
  StHeaderInfo header;
};
StSectionsLoad loadSectionsFile(const std::string& path, StReadTarget target);

struct StExperimentalLoad {
  StCommandResult result;
  StData data;
  std::string graphTitle;  // "experimental data from file:" + path
};
StExperimentalLoad loadExperimentalFile(const std::string& path);

}  // namespace grainix
