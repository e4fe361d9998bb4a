#include "engine/calc/radiation.h"

#include "engine/core/format.h"

namespace grainix {

namespace {
constexpr double kTwoPi = 6.283185307179586;

bool isBlank(const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; }
}  // namespace

const std::array<StAnode, 7>& RadiationModel::anodes() {
  static const std::array<StAnode, 7> table = {{
      {"Custom", "0.56", "11.2199"},
      {"Cr", "2.293663", "2.7393"},
      {"Co", "1.7929", "3.5044"},
      {"Cu", "1.5444", "4.06836"},
      {"Mo", "0.7136", "8.8049"},
      {"Ag", "0.56", "11.2199"},
      {"X", "", ""},
  }};
  return table;
}

std::string RadiationModel::anodeName() const {
  if (anode_ < 0 || anode_ >= static_cast<int>(anodes().size())) return "";
  return anodes()[static_cast<size_t>(anode_)].name;
}

std::string reciprocalWaveText(double v) { return fmtGeneral(kTwoPi / v, 5, 6); }

bool RadiationModel::lambda(double& value) const { return parseDouble(lambda_, value); }
bool RadiationModel::k(double& value) const { return parseDouble(k_, value); }

void RadiationModel::chooseAnode(int index) {
  if (index < 0 || index >= static_cast<int>(anodes().size())) return;
  anode_ = index;
  if (index == kOmitFactors) return;
  lambda_ = anodes()[static_cast<size_t>(index)].lambda;
  k_ = anodes()[static_cast<size_t>(index)].k;
}

// Either edit of the pair: the anode becomes "Custom" and the other edit
// shows 2 pi over the new value (left alone for an empty text or 0).
StCommandResult RadiationModel::editCoupled(const std::string& text, std::string& edited, std::string& other) {
  StCommandResult r;
  edited = text;
  if (isBlank(text)) {
    anode_ = kCustom;
    r.ok = true;
    return r;
  }
  double v = 0;
  if (!parseDouble(text, v)) {
    r.conversionError(text);
    return r;
  }
  anode_ = kCustom;
  if (v != 0) other = reciprocalWaveText(v);
  r.ok = true;
  return r;
}

StCommandResult RadiationModel::editK(const std::string& text) { return editCoupled(text, k_, lambda_); }

StCommandResult RadiationModel::editLambda(const std::string& text) { return editCoupled(text, lambda_, k_); }

void RadiationModel::restore(int anodeIndex, const std::string& lambdaText, const std::string& kText) {
  if (anodeIndex >= 0 && anodeIndex < static_cast<int>(anodes().size())) anode_ = anodeIndex;
  lambda_ = lambdaText;
  k_ = kText;
}

}  // namespace grainix
