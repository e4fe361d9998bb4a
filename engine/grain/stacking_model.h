#pragma once
// The "Create hcp structure" window as data: the texts of its inputs, its
// displays, the key filter of the sequence edit, the coupling of c, c/a and
// the equivalent cubic parameter, and OK. A window binds widgets to it.
#include <string>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"
#include "engine/grain/stacking.h"

namespace grainix {

enum class SequenceColour { Black, Green, Red };

// What the sequence edit does with a typed key.
struct StKeyFilter {
  char key = 0;      // the key to pass on (0: discarded); '\b' means backspace
  int beepHz = 0;    // a short beep, 0 for none
  int beepMs = 0;
  bool operator==(const StKeyFilter&) const = default;
};

class StackingModel {
 public:
  enum class Mode { Build, Edit };
  // `storedSequence` is the sequence text the window was given (the main
  // window's or a queue entry's); OK writes the upper-cased sequence back.
  StackingModel(Mode mode, std::string& storedSequence, StGrainPrm& prm);

  // Key filter of the sequence edit ('\b' is backspace).
  StKeyFilter filterSequenceKey(char key) const;
  // The sequence text changed: updates the length, height, colour and transition displays.
  void setSequenceText(const std::string& text);
  // c/a, c and u edits; empty texts are ignored; a non-numeric text gives a
  // conversion error and changes nothing.
  StCommandResult setCaText(const std::string& text);
  StCommandResult setCText(const std::string& text);
  StCommandResult setUText(const std::string& text);
  // "hcp l.p. a" is read-only for the user; the experiments queue sets it
  // for its entries. Updates L_min and the colour; c keeps its value.
  StCommandResult setHaText(const std::string& text);
  void setSublattice(bool on) { sublattice_ = on; }
  void setCircularCut(bool on) { circularCut_ = on; }
  // Sequence loaded from a file (no validation of its letters).
  void loadSequence(const std::string& text) { setSequenceText(text); }

  // OK: stores the upper-cased sequence; in build mode generates the nodes
  // into `ideal`. result.ok means the window closes with OK.
  StCommandResult ok(vGrainNodes* ideal);

  // Inputs as shown.
  const std::string& sequenceText() const { return sequence_; }
  std::string haText() const;
  std::string cText() const { return cText_; }
  std::string caText() const { return caText_; }
  std::string uText() const { return uText_; }
  std::string equivalentCubicText() const;
  bool sublattice() const { return sublattice_; }
  bool uEnabled() const { return sublattice_; }
  bool circularCut() const { return circularCut_; }
  bool circularCutEnabled() const { return !prm_.sphere; }
  // Displays.
  std::string layersText() const { return std::to_string(sequence_.size()); }
  std::string minLayersCaption() const { return prm_.sphere ? "Minimum number of layers:" : "Cylinder height"; }
  std::string minLayersText() const;
  const std::string& transitionText() const { return transition_; }
  SequenceColour colour() const { return colour_; }
  int64_t minLayers() const { return lmin_; }

  double ha() const { return ha_; }
  double c() const { return c_; }
  double u() const { return u_; }
  Mode mode() const { return mode_; }

 private:
  Mode mode_;
  std::string& stored_;
  StGrainPrm& prm_;
  std::string sequence_;
  std::string transition_;
  SequenceColour colour_ = SequenceColour::Black;
  double ha_ = 0, c_ = 0, ca_ = 0, u_ = 0.75;
  std::string cText_, caText_, uText_ = "0.75";
  bool sublattice_ = true;
  bool circularCut_ = true;
  int64_t lmin_ = 0;
};

}  // namespace grainix
