#pragma once
// The radiation group of the main window: the X-ray anode chooser, the
// wavelength lambda (Angs) and K = 2 pi / lambda (1/Angs), kept consistent.
// The window binds its controls to this model: it passes texts as typed and
// shows the texts the model holds afterwards.
#include <array>
#include <string>

#include "engine/core/command.h"

namespace grainix {

struct StAnode {
  const char* name;
  const char* lambda;  // text set into the wavelength edit ("" = unchanged)
  const char* k;       // text set into the K edit
};

class RadiationModel {
 public:
  static constexpr int kCustom = 0;
  static constexpr int kOmitFactors = 6;  // "X": every scattering factor is 1
  // "Custom", "Cr", "Co", "Cu", "Mo", "Ag", "X" with their lambda and K texts.
  static const std::array<StAnode, 7>& anodes();

  int anodeIndex() const { return anode_; }
  std::string anodeName() const;
  const std::string& lambdaText() const { return lambda_; }
  const std::string& kText() const { return k_; }
  // False for the anode "X": the diffraction then omits scattering factors.
  bool useFactors() const { return anode_ != kOmitFactors; }

  // Values of the edits; false when the text is not a number.
  bool lambda(double& value) const;
  bool k(double& value) const;

  // CBoxXrayChange: anodes 0..5 set both texts from the table; "X" changes nothing.
  void chooseAnode(int index);
  // EkChange: the anode becomes "Custom"; when K is not empty and not 0,
  // lambda = 2 pi / K in general format, 5 digits. A text that is not a
  // number gives the conversion error and changes nothing else.
  StCommandResult editK(const std::string& text);
  // ElamChange: the mirror image (K = 2 pi / lambda).
  StCommandResult editLambda(const std::string& text);

  // Restores remembered state without any coupling (settings load).
  void restore(int anodeIndex, const std::string& lambdaText, const std::string& kText);

 private:
  StCommandResult editCoupled(const std::string& text, std::string& edited, std::string& other);

  int anode_ = 3;  // "Cu"
  std::string lambda_ = "1.5444";
  std::string k_ = "4.06836";
};

// The text written into the coupled edit: 2 pi / v in general format with
// precision 5 and 6 exponent digits ("4.0684" for 1.5444).
std::string reciprocalWaveText(double v);

}  // namespace grainix
