#include "engine/app/build_command.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "engine/app/workbench.h"
#include "engine/core/format.h"
#include "engine/grain/command_names.h"
#include "engine/grain/generators.h"

namespace grainix {

size_t maxBuildNodes() {
  // Half of the physical memory for the node list, and never more nodes
  // than a 32-bit count can hold.
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  double bytes = (pages > 0 && pageSize > 0) ? static_cast<double>(pages) * static_cast<double>(pageSize)
                                             : 4.0 * 1024 * 1024 * 1024;
  const double byMemory = bytes / 2 / static_cast<double>(sizeof(StGrainNode));
  return static_cast<size_t>(std::min(byMemory, static_cast<double>(INT32_MAX)));
}

double estimatedNodeCount(int structure, double radius, double a) {
  if (!(radius > 0) || !(a > 0)) return 1;
  const double reach = radius + a;  // margin for points near the surface
  double perCell;
  switch (structure) {
    case structSc: perCell = 1; break;
    case structBcc: perCell = 2; break;
    case structFcc: perCell = 4; break;
    case structTest: return std::numbers::pi * (reach / a) * (reach / a);
    default: perCell = 8; break;  // zinc blende; stacked grains with their sublattice
  }
  return perCell * 4.0 / 3.0 * std::numbers::pi * std::pow(reach / a, 3);
}

void setGrainPrm(StGrainPrm& prm, const StBuildInput& in, double radius, double a) {
  prm.radius = radius;
  prm.latticePrm = a;
  prm.elementIndexL = in.elementIndexL;
  prm.elementL = in.elementL;
  prm.elementIndexR = in.elementIndexR;
  prm.elementR = in.elementR;
  prm.thermalVibration = false;
  prm.biatomic = in.biatomic;
  prm.maxDistance = (radius + a / 4) * 2.02;
  prm.sphere = in.shape == shapeSphere;
}

std::unique_ptr<GenNodes> stackedGenerator(vGrainNodes& nodes, StGrainPrm& prm, const StBuildInput& in) {
  if (in.biatomic) return std::make_unique<hcpNodes>(nodes, prm);
  return std::make_unique<hcpNodes>(prm.radius, prm.latticePrm, nodes, in.elementIndexL, in.elementL);
}

StCommandResult build(Workbench& wb, const StBuildInput& in, StackingDialog* stacking) {
  StCommandResult res;

  // 1. Lattice parameter: a conversion error or a non-positive value stops
  //    the command before anything changes.
  double a = 0;
  if (!parseDouble(in.latticeText, a)) {
    res.conversionError(in.latticeText);
    return res;
  }
  if (a <= 0) {
    res.confirm("distance between nodes should be greater than 0");
    return res;
  }

  // A sphere that could not be held in memory is refused before anything
  // changes. A stacked cylinder's size depends on the layers chosen in the
  // stacking window, which estimates the shape it builds.
  double probeRadius = 0;
  if (in.shape == shapeSphere && parseDouble(in.radiusText, probeRadius) &&
      estimatedNodeCount(in.structure, probeRadius, a) > static_cast<double>(maxBuildNodes())) {
    res.error("Grain too large: about " + fmtGeneral(estimatedNodeCount(in.structure, probeRadius, a), 3) +
              " nodes would not fit in memory. Choose a smaller radius or a larger lattice parameter.");
    return res;
  }

  // 2. Results that belong to the previous grain can no longer be shown or
  //    saved, and no command runs on a grain until one with two nodes exists.
  disableGrainResults(res);

  // 3. Radius.
  double radius = 0;
  if (!parseDouble(in.radiusText, radius)) {
    res.conversionError(in.radiusText);
    return res;
  }

  // 4. Capacity estimate (only to avoid regrowing the list).
  const double b = std::trunc(std::trunc(radius) / a);
  const double v1 = b * b * b * std::numbers::pi / 6;
  const double v2 = (b + 1) * (b + 1) * (b + 1) * std::numbers::pi / 6;
  const double estimate = std::max(0.0, std::trunc((3 * v1 + 13 * v2) / 2));
  // The list is reserved once; when the estimate falls short of the lattice
  // count near the surface, the volume estimate with its margin is used.
  const double perCell = in.structure == structBcc ? 2 : in.structure == structFcc ? 4 : 1;
  const double wanted = std::max(estimate, estimatedNodeCount(in.structure, radius, a) / perCell);
  const size_t cap = static_cast<size_t>(std::min(wanted, static_cast<double>(maxBuildNodes()) / 8));

  // 5.-6. A new structure discards the previous grain and everything derived from it.
  res.log.push_back("******* NEW STRUCTURE **********");
  discardGrain(wb);

  // 7. Grain parameters.
  StGrainPrm& prm = wb.grainPrm;
  setGrainPrm(prm, in, radius, a);

  // 8. Generator.
  vGrainNodes& nodes = wb.ideal;
  std::unique_ptr<GenNodes> gen;
  switch (in.structure) {
    case structHcp: {
      if (!stacking || !stacking->run(wb.stackingSequence, nodes, prm)) {
        nodes.clear();
        res.log.push_back("canceled");
        return res;
      }
      gen = stackedGenerator(nodes, prm, in);
      if (prm.stackedHa > 0 && prm.stackedC > 0)
        gen->grid = stackedGrid(prm.stackedHa, prm.stackedC, prm.stackedSublattice, prm.stackedU);
      break;
    }
    case structSc:
      nodes.reserve(cap);
      gen = std::make_unique<scNodes>(radius, a, nodes, in.elementIndexL, in.elementL);
      break;
    case structBcc:
      nodes.reserve(2 * cap);
      gen = std::make_unique<bccNodes>(radius, a, nodes, in.elementIndexL, in.elementL);
      break;
    case structFcc:
      nodes.reserve(4 * cap);
      gen = std::make_unique<fccNodes>(radius, a, nodes, in.elementIndexL, in.elementL);
      break;
    case structTest:
      gen = std::make_unique<twoDimNodes>(radius, a, nodes, in.elementIndexL, in.elementL);
      break;
    case structZincBlende:
      if (in.biatomic)
        gen = std::make_unique<diamNodes>(nodes, prm);
      else
        gen = std::make_unique<diamNodes>(radius, a, nodes, in.elementIndexL, in.elementL);
      gen->name = in.zincBlendeCaption;
      break;
    default:
      res.error("Lattice structure hasn't been chosen");
      return res;
  }
  if (in.structure != structHcp) gen->generate();
  wb.generator = std::move(gen);

  // 9. Report.
  const size_t count = nodes.size();
  res.log.push_back(wb.generator->name + ", number of nodes=" + std::to_string(count));

  // 10.-11.
  acceptGrain(wb, res, in.latticeText);
  return res;
}

void disableGrainResults(StCommandResult& res) {
  for (const char* c : {cmd::PdhDiagram, cmd::Histogram, cmd::Nodes, cmd::SmallGr, cmd::GrOfPdf, cmd::SaveNodes,
                        cmd::SavePdh, cmd::SaveAll, cmd::DiffractionDiagram, cmd::GrDiagram, cmd::SaveDiffraction,
                        cmd::SaveGr, cmd::SaveSections, cmd::Pdh, cmd::Modify, cmd::Diffraction, cmd::GrOfDiffraction,
                        cmd::DeltaCalc, cmd::DeltaDiagram, cmd::SaveDelta, cmd::Fityk})
    res.set(c, false);
}

void clearGrainAndResults(Workbench& wb) {
  wb.ideal.clear();
  wb.modified.clear();
  wb.currentIsModified = false;
  wb.loadedAtoms.clear();
  wb.sections.clear();
  wb.pdh.clear();
  wb.partial.release();
  wb.pattern.release();
  wb.gr.release();
  wb.fitForm.pdh = nullptr;
  wb.fitForm.partial = nullptr;
  wb.fitForm.gr = nullptr;
}

void discardGrain(Workbench& wb) {
  ++wb.generation;
  clearGrainAndResults(wb);
  wb.generator.reset();
  wb.pdhAtoms = {};
}

void acceptGrain(Workbench& wb, StCommandResult& res, const std::string& latticeText) {
  if (wb.ideal.size() < 2) {
    res.confirm("number of nodes equal 1. Change the settings and try again");
    return;
  }
  wb.grainPrm.kind = wb.generator->kind;
  for (const char* c : {cmd::Pdh, cmd::Nodes, cmd::Modify, cmd::SaveNodes}) res.set(c, true);
  wb.fitForm.lp = latticeText;
  res.ok = true;
}

}  // namespace grainix
