#include "engine/app/cif_command.h"

#include <charconv>
#include <cmath>

#include "engine/app/build_command.h"
#include "engine/app/read_grain.h"
#include "engine/app/workbench.h"
#include "engine/core/format.h"
#include "engine/grain/cif_grain.h"
#include "engine/grain/generators.h"

namespace grainix {

namespace {

std::string g6(double v) { return fmtGeneral(v, 6); }

std::string fractText(const std::array<double, 3>& f) { return g6(f[0]) + " " + g6(f[1]) + " " + g6(f[2]); }

bool parseSeed(const std::string& text, uint64_t& seed) {
  const char* b = text.data();
  const char* e = b + text.size();
  while (b < e && *b == ' ') ++b;
  while (e > b && e[-1] == ' ') --e;
  const auto [end, ec] = std::from_chars(b, e, seed);
  return ec == std::errc() && end == e && b != e;
}

void describe(const StCrystal& c, const StCifCut& cut, const StCifCutResult& r, std::vector<std::string>& log) {
  log.push_back("CIF file: " + c.path + (c.block.empty() ? std::string() : " (data_" + c.block + ")"));
  log.push_back("cell: a=" + g6(c.cell.a) + " b=" + g6(c.cell.b) + " c=" + g6(c.cell.c) + " alpha=" + g6(c.cell.alpha) +
                " beta=" + g6(c.cell.beta) + " gamma=" + g6(c.cell.gamma));
  log.push_back("space group " + c.spaceGroup + ": " + std::to_string(c.ops.size()) + " operations from " +
                c.symmetrySource);
  for (const std::string& note : c.notes) log.push_back(note);
  log.push_back("sites: " + std::to_string(c.sites.size()) + " in the file, " + std::to_string(c.positions.size()) +
                " positions in the cell");
  if (c.partialOccupancy) {
    std::string partly, shared;
    for (const StCellPosition& q : c.positions) {
      if (q.sites.size() > 1) {
        std::string group;
        for (int s : q.sites) group += (group.empty() ? "" : "/") + c.sites[static_cast<size_t>(s)].label;
        if (shared.find(group) == std::string::npos) shared += (shared.empty() ? "" : ", ") + group;
      } else if (c.sites[static_cast<size_t>(q.sites[0])].occupancy < 1) {
        const auto& s = c.sites[static_cast<size_t>(q.sites[0])];
        const std::string item = s.label + " (" + g6(s.occupancy) + ")";
        if (partly.find(item) == std::string::npos) partly += (partly.empty() ? "" : ", ") + item;
      }
    }
    if (!partly.empty())
      log.push_back("partial occupancy: an atom of " + partly + " is placed with that probability (seed " +
                    std::to_string(cut.seed) + ")");
    if (!shared.empty())
      log.push_back("sites sharing a position: " + shared + "; one of them, or none, is drawn by the occupancies (seed " +
                    std::to_string(cut.seed) + ")");
    log.push_back(std::to_string(r.vacant) + " positions were left empty by their draws");
  }
  const auto& first = c.sites.front();
  log.push_back(cut.centreOnAtom ? "centre: site " + first.label + " (" + fractText(first.fract) + ")"
                                 : std::string("centre: cell origin"));
  log.push_back(std::string(cut.cylinder ? "cylinder along z, radius " + g6(cut.radius) + ", height " + g6(cut.height)
                                         : "sphere, radius " + g6(cut.radius)) +
                (cut.motif ? "; whole motifs, kept by their " + first.label + " atom" : "; atom by atom"));
  std::string composition;
  for (size_t g = 0; g < c.elements.size(); ++g)
    composition += (g ? ", " : "") + c.elements[g] + " " + std::to_string(r.perElement[g]);
  log.push_back("composition: " + composition);
}

bool blank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

StCifDialogRules cifDialogRules(const StCifBuildInput& in) {
  StCifDialogRules r;
  r.heightEnabled = in.cylinder;
  r.buildEnabled = !blank(in.path) && !blank(in.radiusText) && (!in.cylinder || !blank(in.heightText));
  return r;
}

StCifBuildInput cifDialogStart(const StCifBuildInput& last, const std::string& structureRadiusText) {
  StCifBuildInput in = last;
  if (blank(in.radiusText)) in.radiusText = structureRadiusText;
  if (blank(in.heightText)) in.heightText = in.radiusText;
  return in;
}

StCifBuild buildFromCif(Workbench& wb, const StCifBuildInput& in, const std::vector<std::string>& elementNames) {
  StCifBuild out;
  StCommandResult& res = out.result;

  StCifCut cut;
  cut.cylinder = in.cylinder;
  cut.centreOnAtom = in.centreOnAtom;
  cut.motif = in.motif;
  // A length the cut needs: a number, finite and > 0.
  const auto length = [&res](const std::string& text, double& value, const char* refusal) {
    if (!parseDouble(text, value)) {
      res.conversionError(text);
      return false;
    }
    if (value > 0 && std::isfinite(value)) return true;
    res.error(refusal);
    return false;
  };
  if (!length(in.radiusText, cut.radius, "Radius should be greater than 0")) return out;
  if (in.cylinder && !length(in.heightText, cut.height, "Height of the cylinder should be greater than 0")) return out;
  if (!parseSeed(in.seedText, cut.seed)) {
    res.error("Seed should be a whole number >= 0: " + in.seedText);
    return out;
  }

  StCrystal crystal;
  std::string error;
  if (!readCrystal(in.path, elementNames, crystal, error)) {
    res.error(error);
    return out;
  }
  if (const std::string refusal = elementCountRefusal(in.path, crystal.elements); !refusal.empty()) {
    res.error(refusal);
    return out;
  }
  const double estimate = estimatedCifNodes(crystal, cut);
  if (estimate > static_cast<double>(maxBuildNodes())) {
    res.error("Grain too large: about " + fmtGeneral(estimate, 3) +
              " nodes would not fit in memory. Choose a smaller radius or a larger lattice parameter.");
    return out;
  }

  disableGrainResults(res);
  res.log.push_back("******* NEW STRUCTURE **********");
  discardGrain(wb);
  const StCifCutResult cutResult = cutCifGrain(crystal, cut, wb.ideal);

  const size_t elements = crystal.elements.size();
  StGrainPrm& prm = wb.grainPrm;
  prm.radius = cut.radius;
  prm.latticePrm = crystal.cell.a;
  prm.elementL = crystal.elements[0];
  prm.elementIndexL = crystal.elementIndices[0];
  prm.elementR = crystal.elements[elements > 1 ? 1 : 0];
  prm.elementIndexR = crystal.elementIndices[elements > 1 ? 1 : 0];
  prm.thermalVibration = false;
  prm.biatomic = elements == 2;
  prm.maxDistance = cutResult.maxDistance;
  prm.sphere = !cut.cylinder;

  vGrainNodes cell;
  for (const StCellPosition& q : crystal.positions) {
    StGrainNode n;
    n.x = n.x0 = q.fract[0];
    n.y = n.y0 = q.fract[1];
    n.z = n.z0 = q.fract[2];
    n.siteKind = -1;
    const auto& site = crystal.sites[static_cast<size_t>(q.sites[0])];
    n.element = site.element;
    n.elementIndex = site.elementIndex;
    cell.push_back(std::move(n));
  }
  const std::string name = "cif " + crystal.formula + " " + crystal.spaceGroup;
  wb.generator = std::make_unique<cifNodes>(wb.ideal, prm, name, std::move(cell));
  wb.generator->count = static_cast<int32_t>(std::min<size_t>(wb.ideal.size(), INT32_MAX));

  describe(crystal, cut, cutResult, res.log);
  res.log.push_back(name + ", number of nodes=" + std::to_string(wb.ideal.size()));

  out.latticeText = fmtDefault(crystal.cell.a);
  out.radiusText = in.radiusText;
  out.elements = crystal.elements;
  out.elementIndices.assign(crystal.elementIndices.begin(), crystal.elementIndices.end());
  acceptGrain(wb, res, out.latticeText);
  return out;
}

}  // namespace grainix
