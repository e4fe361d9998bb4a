#include "engine/modify/modpos_model.h"

#include <algorithm>
#include <cmath>

#include "engine/core/format.h"

namespace grainix {

StCommandResult modifyCompositionCheck(const StGrainPrm& prm) {
  StCommandResult res;
  if (prm.elementIndexL < 0 || prm.elementIndexR < 0)
    res.error("Improper chemical composition. Go to the 'Atoms selection' group box to set proper values");
  res.ok = true;
  return res;
}

ModPosModel::ModPosModel(StFmodPosPrm& prm, std::unique_ptr<ThermalRandom> random, ClockSeconds clock)
    : prm_(prm),
      table_(prm.grainPrm, prm.sections),
      random_(random ? std::move(random) : std::make_unique<StdThermalRandom>()),
      clock_(std::move(clock)) {
  const StGrainPrm& g = prm.grainPrm;
  const double h2 = g.maxDistance * g.maxDistance - 4 * g.radius * g.radius;
  height_ = h2 > 0 ? std::sqrt(h2) : 0;
}

CommandStates ModPosModel::states() const {
  CommandStates s = table_.buttonStates();
  s["Bok"] = acceptEnabled();
  s["Bcheck"] = verifyEnabled();
  s["GBrandprm"] = thermal_;
  s["Etemp"] = temperatureEnabled();
  s["EmsdNet"] = amplitudeEnabled(0);
  s["EmsdSubnet"] = amplitudeEnabled(1);
  return s;
}

std::string ModPosModel::amplitudeCaption(int which) const {
  return "Atom " + (which == 0 ? prm_.grainPrm.elementL : prm_.grainPrm.elementR);
}

StCommandResult ModPosModel::opening() {
  StCommandResult res;
  if (prm_.grainPrm.thermalVibration) res = setThermalVibration(true);
  res.enable = states();
  res.ok = true;
  return res;
}

StCommandResult ModPosModel::setThermalVibration(bool on) {
  StCommandResult res;
  thermal_ = on;
  prm_.grainPrm.thermalVibration = on;
  if (on) {
    tempText_ = fmtGeneral(prm_.grainPrm.temperature, 3);
    distribution_ = Distribution::Normal;
    acpText_ = "0.5";
    levelText_ = "5";
    barsText_ = "100";
  } else {
    distribution_ = Distribution::None;
    tempText_.clear();
    ampLText_.clear();
    ampRText_.clear();
  }
  if (!tempText_.empty()) res = setTemperatureText(tempText_);
  res.enable = states();
  res.ok = true;
  return res;
}

StCommandResult ModPosModel::temperatureRefusal() const {
  StCommandResult res;
  const bool needR = prm_.grainPrm.biatomic;
  auto usable = [](const StScatEquPrm& e) { return e.td > 0 && e.mass > 0; };
  const bool okL = prm_.hasElementL && usable(prm_.elementL);
  const bool okR = prm_.hasElementR && usable(prm_.elementR);
  if (!okL || (needR && !okR)) {
    const std::string& symbol = !okL ? prm_.grainPrm.elementL : prm_.grainPrm.elementR;
    res.error("No element data (Debye temperature, mass) for " + symbol +
              " atoms: the amplitudes can't be computed from the temperature. Type the amplitudes instead.");
    return res;
  }
  // The table's stand-in value describes no real element.
  const bool tdL = prm_.elementL.tdKnown, tdR = !needR || prm_.elementR.tdKnown;
  if (!tdL || !tdR) {
    res.error("The element table gives no Debye temperature for " +
              (!tdL ? prm_.grainPrm.elementL : prm_.grainPrm.elementR) +
              ": the amplitudes can't be computed from the temperature. Type the amplitudes (Angs) instead.");
    return res;
  }
  res.ok = true;
  return res;
}

StCommandResult ModPosModel::amplitudesFromTemperature(double T) {
  StCommandResult res = temperatureRefusal();
  if (!res.ok) return res;
  ampLText_ = fmtGeneral(rmsDisplacement(T, prm_.elementL.td, prm_.elementL.mass), 5);
  const StScatEquPrm& r = prm_.elementR;
  if (prm_.hasElementR && r.td > 0 && r.mass > 0 && r.tdKnown)
    ampRText_ = fmtGeneral(rmsDisplacement(T, r.td, r.mass), 5);
  return res;
}

StCommandResult ModPosModel::setTemperatureText(const std::string& text) {
  StCommandResult res;
  tempText_ = text;
  if (text.empty()) return res;
  double T;
  if (!parseDouble(text, T)) {
    res.conversionError(text);
    return res;
  }
  if (T < 0) {
    res.error("temperature should be a value greater or equal 0");
    return res;
  }
  prm_.grainPrm.temperature = T;
  return amplitudesFromTemperature(T);
}

void ModPosModel::amplitudeEdited(int which, const std::string& text) {
  (which == 0 ? ampLText_ : ampRText_) = text;
  tempText_ = "---";
}

void ModPosModel::temperatureTyped(const std::string& text) {
  tempText_ = text;
  double T;
  if (!parseDouble(text, T) || T < 0) return;
  const bool okL = prm_.hasElementL && prm_.elementL.td > 0 && prm_.elementL.mass > 0;
  const bool okR = prm_.hasElementR && prm_.elementR.td > 0 && prm_.elementR.mass > 0;
  if (!okL || (prm_.grainPrm.biatomic && !okR)) return;
  prm_.grainPrm.temperature = T;
  amplitudesFromTemperature(T);
}

bool ModPosModel::acpInRange(StCommandResult& res) {
  double v;
  if (!parseDouble(acpText_, v)) {
    res.conversionError(acpText_);
    return false;
  }
  if (v >= 1 || v < 0) {
    res.error("acp parameter should be a value in (0,1) range");
    acpText_ = "0.25";
    return false;
  }
  return true;
}

bool ModPosModel::levelInRange(StCommandResult& res) {
  double v;
  if (!parseDouble(levelText_, v)) {
    res.conversionError(levelText_);
    return false;
  }
  if (v < 1) {
    res.error("decorrelation level should be an integer value greater than 0");
    levelText_ = "3";
    return false;
  }
  return true;
}

StCommandResult ModPosModel::setAcpText(const std::string& text) {
  StCommandResult res;
  acpText_ = text;
  if (text.empty()) return res;
  res.ok = acpInRange(res);
  return res;
}

StCommandResult ModPosModel::setLevelText(const std::string& text) {
  StCommandResult res;
  levelText_ = text;
  if (text.empty()) return res;
  res.ok = levelInRange(res);
  return res;
}

StCommandResult ModPosModel::summary() {
  StCommandResult res = table_.readIntoRecords();
  if (!res.ok) return res;
  modificationSummary(prm_.sections, prm_.grainPrm, res.log);
  return res;
}

namespace {

// The elements of a node list in the order they first appear.
std::vector<std::string> elementSymbolsInOrder(const vGrainNodes& nodes) {
  std::vector<std::string> symbols;
  for (const auto& n : nodes)
    if (std::find(symbols.begin(), symbols.end(), n.element) == symbols.end()) symbols.push_back(n.element);
  return symbols;
}

}  // namespace

StCommandResult ModPosModel::modify(ProgressSink* progress) {
  StGrainPrm& g = prm_.grainPrm;
  const size_t n = prm_.ideal.size();

  // Every input is read before anything moves, so a bad text changes nothing.
  double ampL = 0, ampR = 0, acp = 0, levelValue = 0;
  const bool twoGroups = hasTwoGroups(g, n);
  if (thermal_) {
    // The amplitudes are given for two elements; a third would silently get
    // the second one's.
    const std::vector<std::string> symbols = elementSymbolsInOrder(prm_.ideal);
    if (symbols.size() > 2) {
      StCommandResult refused;
      std::string list;
      for (const auto& s : symbols) list += (list.empty() ? "" : ", ") + s;
      refused.error("Thermal vibration takes amplitudes for two elements; this grain holds " +
                    std::to_string(symbols.size()) + " (" + list +
                    "). Modify it without thermal vibration.");
      return refused;
    }
    // Amplitudes that follow a temperature need the elements' Debye data.
    double T = 0;
    if (parseDouble(tempText_, T)) {
      StCommandResult refusal = temperatureRefusal();
      if (!refusal.ok) return refusal;
    }
    StCommandResult bad;
    // Amplitudes that follow a temperature are made from the text as it
    // stands now ("---": they were typed).
    if (tempText_ != "---" && !tempText_.empty()) {
      double T;
      if (!parseAll(bad, {{&tempText_, &T}})) return bad;
      bad = setTemperatureText(tempText_);
      if (!bad.messages.empty()) return bad;
      bad = {};
    }
    if (!parseAll(bad, {{&ampLText_, &ampL}})) return bad;
    if (twoGroups && !parseAll(bad, {{&ampRText_, &ampR}})) return bad;
    if (distribution_ != Distribution::Uniform) {
      if (!acpInRange(bad) || !levelInRange(bad)) return bad;
      if (!parseAll(bad, {{&acpText_, &acp}, {&levelText_, &levelValue}})) return bad;
    }
  }

  StCommandResult res = summary();
  if (!res.ok) return res;

  const double H = height_;  // a second "Modify" must not grow it again
  maxR_ = scalePositions(prm_.ideal, prm_.modified, prm_.sections, g, progress);
  maxDev_ = 0;

  if (thermal_) {
    ThermalDraws draws(*random_, clock_);
    if (distribution_ == Distribution::Uniform)
      maxDev_ = uniformDisplacements(prm_.modified, twoGroups, g.sphere, ampL, ampR, draws, maxR_, res.log);
    else
      maxDev_ = normalDisplacements(prm_.modified, twoGroups, g.sphere, ampL, ampR, acp,
                                    static_cast<int64_t>(std::trunc(levelValue)), draws, maxR_, res.log);
  }
  modifiedOnce_ = true;
  if (progress) progress->setVisible(false);
  g.maxDistance = g.sphere ? 2.02 * maxR_ : std::sqrt(H * H + (2 * maxR_) * (2 * maxR_));
  res.enable = states();
  res.ok = true;
  return res;
}

StVerifyResult ModPosModel::verify() {
  int bars = 0;
  if (maxDev_ != 0 && !parseInt(barsText_, bars)) {
    double v;
    if (!parseDouble(barsText_, v) || !(std::abs(v) < 1e9)) {
      StVerifyResult res;
      res.errors.push_back("'" + barsText_ + "' is not a valid integer value");
      return res;
    }
    bars = static_cast<int>(v);
  }
  const bool normal = distribution_ != Distribution::Uniform;
  return verifyDistribution(prm_.modified, hasTwoGroups(prm_.grainPrm, prm_.modified.size()), maxDev_, bars, normal);
}

StCommandResult ModPosModel::plot(StSectionsPlot& plot) {
  StCommandResult res = summary();
  if (!res.ok) return res;
  plot = table_.plotData();
  return res;
}

}  // namespace grainix
