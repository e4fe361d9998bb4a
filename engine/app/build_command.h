#pragma once
// The "Build" command: validates the structure-building inputs, discards the
// previous grain and its results, and generates the ideal node list.
#include <memory>
#include <string>

#include "engine/core/command.h"
#include "engine/grain/generators.h"
#include "engine/grain/grain_node.h"

namespace grainix {

struct Workbench;

// The values the "Structure building" controls hold when "Build" is pressed.
struct StBuildInput {
  std::string latticeText;  // Elp
  std::string radiusText;   // Eradius
  int structure = structSc; // StructureChoice
  int shape = shapeSphere;
  bool biatomic = false;
  std::string elementL = "X";
  int elementIndexL = -1;
  std::string elementR = "X";
  int elementIndexR = -1;
  std::string zincBlendeCaption = "diamond like";
};

// Stands for the stacking window in the hcp branch: fills `ideal` (and for
// cylinders grainPrm.maxDistance) from the stored sequence and returns true
// on OK, false on Cancel.
class StackingDialog {
 public:
  virtual ~StackingDialog() = default;
  virtual bool run(std::string& sequence, vGrainNodes& ideal, StGrainPrm& grainPrm) = 0;
};

// Largest number of nodes a build may make; a bigger estimate is refused
// before anything is allocated.
size_t maxBuildNodes();
// Upper estimate of the node count of a cubic grain (lattice points per
// unit volume times the sphere volume, with a margin).
double estimatedNodeCount(int structure, double radius, double latticePrm);

// The grain parameters of the inputs: radius, lattice parameter, elements
// and their count, shape, no thermal vibration, and the histogram range
// (R + a/4) * 2.02.
void setGrainPrm(StGrainPrm& prm, const StBuildInput& in, double radius, double a);
// The generator record of a stacked grain whose nodes are in `nodes`.
std::unique_ptr<GenNodes> stackedGenerator(vGrainNodes& nodes, StGrainPrm& prm, const StBuildInput& in);

StCommandResult build(Workbench& wb, const StBuildInput& in, StackingDialog* stacking);

// Pieces of a build that other ways of making a grain share:
// every command of the previous grain and its results turned off,
void disableGrainResults(StCommandResult& res);
// the previous grain and what was derived from it discarded,
void discardGrain(Workbench& wb);
// (its nodes, sections and results only: generator, generation and the
// PDH's atom counts kept),
void clearGrainAndResults(Workbench& wb);
// and a new ideal list taken over (its generator set): with 2 nodes or more
// the commands of a grain are enabled and the fit form takes `latticeText`;
// fewer nodes give the "number of nodes" box.
void acceptGrain(Workbench& wb, StCommandResult& res, const std::string& latticeText);

}  // namespace grainix
