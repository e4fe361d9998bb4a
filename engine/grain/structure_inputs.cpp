#include "engine/grain/structure_inputs.h"

#include "engine/elements/scattering.h"
#include "engine/core/format.h"
#include "engine/grain/command_names.h"

namespace grainix {

StructureInputs::StructureInputs() {
  structureEnabled.fill(true);
  chooseStructure(structSc);
}

bool StructureInputs::acceptKey(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '\b' || c == 'e' || c == '-';
}

StCommandResult StructureInputs::latticeOrNChanged() {
  StCommandResult res;
  if (latticeText.empty() || nText.empty()) {
    res.ok = true;
    return res;
  }
  double a = 0, n = 0;
  if (!parseDouble(latticeText, a)) {
    res.conversionError(latticeText);
    return res;
  }
  std::string nNumber = nText;
  if (auto pos = nNumber.find("l."); pos != std::string::npos) nNumber.erase(pos);
  if (!parseDouble(nNumber, n)) {
    res.conversionError(nNumber);
    return res;
  }
  const double radius = a * n;
  radiusText = fmtGeneral(radius, 5);  // the radius handler is not triggered
  grStopText = fmtGeneral(2 * radius, 15);
  res.ok = true;
  return res;
}

StCommandResult StructureInputs::radiusChanged() {
  StCommandResult res;
  grStopText = radiusText;
  res.set(cmd::Modify, false);
  res.set(cmd::Pdh, false);
  res.set(cmd::DeltaCalc, false);
  if (!radiusText.empty() && !latticeText.empty()) {
    double r = 0, a = 0;
    if (!parseDouble(radiusText, r)) {
      res.conversionError(radiusText);
      return res;
    }
    if (!parseDouble(latticeText, a)) {
      res.conversionError(latticeText);
      return res;
    }
    if (a > 0) nText = fmtGeneral(r / a, 5);
    grStopText = fmtGeneral(2 * r, 15);
  }
  res.ok = true;
  return res;
}

int StructureInputs::structureFromLatticeType(const std::string& latt) {
  if (latt.empty()) return structRandom;
  const std::string keys = "sc bcc fcc dm hcp rand";
  const auto pos = keys.find(latt);
  if (pos == std::string::npos) return structRandom;
  switch (pos + 1) {
    case 1: return structSc;
    case 4: return structBcc;
    case 8: return structFcc;
    case 12: return structZincBlende;
    case 15: return structHcp;
    default: return structRandom;
  }
}

StCommandResult StructureInputs::firstElementSelected(const StScatEquPrm& element) {
  latticeText = fmtGeneral(element.lc, 15);
  StCommandResult res = latticeOrNChanged();
  chooseStructure(structureFromLatticeType(element.latt));
  return res;
}

StCommandResult StructureInputs::elementFocusLost(const std::string& text, int selectionIndex) {
  StCommandResult res;
  res.ok = selectionIndex >= 0;
  if (selectionIndex < 0) res.warning("Parameters of " + text + " atoms are not included in sft file");
  return res;
}

void StructureInputs::applyStructureRule(int choice) {
  if (choice == structSc || choice == structBcc || choice == structFcc || choice == structZincBlende) {
    cylinderEnabled = false;
    shape = shapeSphere;
  } else if (choice == structHcp) {
    cylinderEnabled = true;
  }
}

void StructureInputs::chooseStructure(int choice) {
  structure = choice;
  applyStructureRule(choice);
}

void StructureInputs::chooseMonoatomic() {
  biatomic = false;
  elementLEnabled = true;
  elementREnabled = false;
  zincBlendeCaption = "diamond like";
  structureEnabled.fill(true);
}

void StructureInputs::biatomicRule(bool changeShape) {
  biatomic = true;
  elementREnabled = true;
  elementLEnabled = true;
  zincBlendeCaption = "zinc blende";
  structureEnabled.fill(false);
  structureEnabled[structZincBlende] = true;
  structureEnabled[structHcp] = true;
  structure = structZincBlende;
  if (changeShape) applyStructureRule(structZincBlende);
}

void StructureInputs::chooseBiatomic() { biatomicRule(true); }

void StructureInputs::chooseShape(int shapeChoice) {
  if (shapeChoice == shapeCylinder) {
    biatomicRule(false);
    // The structure selected once the grain is biatomic is the one a later
    // sphere returns to; a cylinder is a stacked, two-element grain.
    rememberedStructure = structure;
    monoatomicEnabled = false;
    structureEnabled.fill(false);
    structureEnabled[structHcp] = true;
    structure = structHcp;
    cylinderEnabled = true;
    shape = shapeCylinder;
  } else {
    shape = shapeSphere;
    structureEnabled.fill(true);
    if (rememberedStructure >= 0) chooseStructure(rememberedStructure);
    monoatomicEnabled = true;
  }
}

}  // namespace grainix
