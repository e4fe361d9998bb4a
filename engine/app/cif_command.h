#pragma once
// "Build grain from CIF": reads a crystal from a CIF file, cuts a sphere or a
// cylinder from it and makes it the current grain, as "Build" does for the
// lattices of the structure group.
#include <string>
#include <vector>

#include "engine/core/command.h"

namespace grainix {

struct Workbench;

// What the dialog (or the command line) holds.
struct StCifBuildInput {
  std::string path;
  std::string radiusText;
  bool cylinder = false;
  std::string heightText;  // cylinder only
  // true: centred on the first atom site of the file; false: on the cell origin.
  bool centreOnAtom = true;
  // true: whole motifs, kept by their first-site atom (see StCifCut).
  bool motif = false;
  std::string seedText = "1";  // draws of partly occupied positions
};

// Rules of the dialog: the height is read only for a cylinder; "Build" needs
// a file, a radius and, for a cylinder, a height (blank texts count as none).
struct StCifDialogRules {
  bool heightEnabled = false;
  bool buildEnabled = false;
};
StCifDialogRules cifDialogRules(const StCifBuildInput& in);

// What the dialog opens with: the last input it held, the radius of the
// structure group when it held none, and that radius as the height.
StCifBuildInput cifDialogStart(const StCifBuildInput& last, const std::string& structureRadiusText);

struct StCifBuild {
  StCommandResult result;
  // The grain's elements in node order (grouped by element) with their
  // element-table indices; empty when nothing was built.
  std::vector<std::string> elements;
  std::vector<int> elementIndices;
  std::string latticeText;  // the cell length a, for the lattice-parameter field
  std::string radiusText;   // the radius as given
};

// Refusals (a file that cannot be read or is incomplete or inconsistent, a
// radius or height that is not a number > 0, a seed that is not a whole
// number >= 0, a grain too large for memory) leave the workbench as it was.
// Otherwise the previous grain is discarded and the log names the file, the
// cell, the space group and where its operations came from, what was assumed
// and drawn, the centre and cut, the composition, and "cif <formula>
// <space group>, number of nodes=<count>".
StCifBuild buildFromCif(Workbench& wb, const StCifBuildInput& in, const std::vector<std::string>& elementNames);

}  // namespace grainix
