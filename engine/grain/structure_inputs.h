#pragma once
// The "Structure building" group as a model: the texts of its edits, its
// choices and their interlocks. A window binds each widget to a field and
// calls the handler of the input the user changed.
#include <array>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"

namespace grainix {

struct StScatEquPrm;

class StructureInputs {
 public:
  StructureInputs();

  // --- state the widgets show -------------------------------------------
  bool biatomic = false;
  int structure = structSc;                 // StructureChoice
  int shape = shapeSphere;                  // ShapeChoice
  std::array<bool, 7> structureEnabled{};   // indexed by StructureChoice
  bool cylinderEnabled = false;
  bool monoatomicEnabled = true;
  bool elementLEnabled = true;
  bool elementREnabled = false;
  std::string zincBlendeCaption = "diamond like";
  int rememberedStructure = -1;             // structure chosen before a cylinder

  std::string latticeText = "3.54";  // Elp
  std::string radiusText = "15";     // Eradius
  std::string nText = "5";           // CBoxGR
  std::string grStopText;            // Egrstop (G(r) range stop)

  // --- handlers -----------------------------------------------------------
  // Typed characters the numeric edits accept: digits, '.', backspace, 'e', '-'.
  static bool acceptKey(char c);

  // Lattice parameter or N changed: radius = a*N, G(r) stop = 2*radius.
  // A text that does not parse gives a conversion error and changes nothing.
  StCommandResult latticeOrNChanged();
  // Radius changed: G(r) stop and N follow; Modify, PDH and delta(r) are disabled.
  StCommandResult radiusChanged();
  // First element picked from the list: lattice parameter and structure follow the element.
  StCommandResult firstElementSelected(const StScatEquPrm& element);
  // An element box lost the focus with a text that is not in the table (index < 0).
  static StCommandResult elementFocusLost(const std::string& text, int selectionIndex);

  void chooseMonoatomic();
  void chooseBiatomic();
  void chooseStructure(int choice);
  void chooseShape(int shapeChoice);

  // Structure chosen from an element's lattice type text: position of the
  // keyword in "sc bcc fcc dm hcp rand".
  static int structureFromLatticeType(const std::string& latt);

 private:
  void applyStructureRule(int choice);
  void biatomicRule(bool changeShape);
};

}  // namespace grainix
