#pragma once
// A crystal read from a CIF file: its cell, its symmetry operations and the
// atom positions of the whole cell after the operations were applied to the
// sites of the file. Everything the file leaves in doubt is refused here, so
// a grain is only cut from a crystal that is complete and consistent.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/grain/cif_file.h"
#include "engine/grain/space_group.h"

namespace grainix {

// One atom site of the file.
struct StCrystalSite {
  std::string label;
  std::string element;     // element symbol as in the element table
  int32_t elementIndex = -1;
  int group = 0;           // index into StCrystal::elements
  std::array<double, 3> fract{};  // as written
  double occupancy = 1;
  int multiplicity = 0;    // positions of the cell it fills
};

// One position of the cell (fractional, in [0, 1)) and the sites that share
// it: one site, or several whose occupancies add up to at most 1
// (substitutional disorder).
struct StCellPosition {
  std::array<double, 3> fract{};
  std::vector<int> sites;  // indices into StCrystal::sites
};

struct StCrystal {
  std::string path;
  std::string block;
  StCell cell;
  StCellFrame frame;
  std::vector<StSymOp> ops;
  std::vector<std::array<double, 3>> centring;  // pure translations, zero first
  std::string spaceGroup;      // short symbol, e.g. "Fm-3m"
  std::string symmetrySource;  // the data name the operations came from
  std::vector<StCrystalSite> sites;
  std::vector<StCellPosition> positions;
  // Elements in the order of their first site in the file; the grain's
  // nodes are grouped in this order.
  std::vector<std::string> elements;
  std::vector<int32_t> elementIndices;
  std::string formula;  // from the cell contents, e.g. "TiO2"
  std::vector<std::string> notes;  // what was assumed while reading (for the log)
  bool partialOccupancy = false;
};

// Builds the crystal of the first data block that holds atom sites. A file
// without a cell or sites, with an element that is not in `elementNames`,
// or with symmetry that is not consistent is refused: false, and `error`
// names the file and the line or data name concerned. Sites closer than
// `mergeTolerance` (Angs) after the operations are one position.
bool crystalFromCif(const StCifFile& file, const std::vector<std::string>& elementNames, StCrystal& crystal,
                    std::string& error, double mergeTolerance = 0.01);

// Reads and builds in one step.
bool readCrystal(const std::string& path, const std::vector<std::string>& elementNames, StCrystal& crystal,
                 std::string& error);

}  // namespace grainix
