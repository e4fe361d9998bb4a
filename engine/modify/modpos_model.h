#pragma once
// The "Modify atoms positions" window as data: its sections table, the
// thermal-vibration inputs with their rules, and the commands "Modify",
// "Verify", "Plot" and the summary. A window binds widgets to it and applies
// the returned StCommandResult (log lines go to the window's text pane).
#include <memory>
#include <string>

#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/core/progress.h"
#include "engine/grain/grain_node.h"
#include "engine/modify/modify_positions.h"
#include "engine/modify/sections.h"
#include "engine/modify/sections_table.h"

namespace grainix {

// What the main window hands to the modification window.
struct StFmodPosPrm {
  StGrainPrm& grainPrm;      // written directly by the window
  vGrainNodes& ideal;
  vGrainNodes& modified;     // refilled by "Modify"
  secPrm sections;           // the window's copy of the grain's sections
  StScatEquPrm elementL;     // element data, valid when hasElementL
  StScatEquPrm elementR;
  bool hasElementL = false;
  bool hasElementR = false;
};

// Main-window side of "Modify": the error box shown (the window opens all
// the same) when an element box has no valid selection.
StCommandResult modifyCompositionCheck(const StGrainPrm& prm);
inline constexpr const char* kChangesApproved = "... changes approved ...";
inline constexpr const char* kChangesCanceled = "... changes canceled ...";

enum class Distribution { None = -1, Uniform = 0, Normal = 1 };

class ModPosModel {
 public:
  explicit ModPosModel(StFmodPosPrm& prm, std::unique_ptr<ThermalRandom> random = nullptr,
                       ClockSeconds clock = nullptr);

  // Run once when the window opens: enables of its commands and, when the
  // grain already asks for thermal vibration, the checked-box rule.
  StCommandResult opening();

  SectionsTable& table() { return table_; }
  const secPrm& sections() const { return prm_.sections; }

  // Thermal inputs. Each returns the message boxes and enables to apply.
  StCommandResult setThermalVibration(bool on);
  StCommandResult setTemperatureText(const std::string& text);
  // Typed into the temperature, acp and decorrelation fields: the text is
  // kept, the amplitudes follow a temperature that reads as one, and
  // nothing is reported until "Modify" uses the texts.
  void temperatureTyped(const std::string& text);
  void acpTyped(const std::string& text) { acpText_ = text; }
  void levelTyped(const std::string& text) { levelText_ = text; }
  // A key typed into an amplitude edit (0 first element, 1 second): the
  // amplitudes no longer follow a temperature.
  void amplitudeEdited(int which, const std::string& text);
  StCommandResult setAcpText(const std::string& text);
  StCommandResult setLevelText(const std::string& text);
  void setBarsText(const std::string& text) { barsText_ = text; }
  void setDistribution(Distribution d) { distribution_ = d; }

  // A click in the text pane; also run by "Modify" and "Plot".
  StCommandResult summary();
  StCommandResult modify(ProgressSink* progress = nullptr);
  // "Verify": result.errors hold error boxes, result.log lines for the pane.
  StVerifyResult verify();
  // "Plot": refreshes the summary, then the series (plot.series empty: nothing to open).
  StCommandResult plot(StSectionsPlot& plot);

  // Texts and states of the controls.
  bool thermalVibration() const { return thermal_; }
  Distribution distribution() const { return distribution_; }
  const std::string& temperatureText() const { return tempText_; }
  const std::string& amplitudeText(int which) const { return which == 0 ? ampLText_ : ampRText_; }
  std::string amplitudeCaption(int which) const;
  const std::string& acpText() const { return acpText_; }
  const std::string& levelText() const { return levelText_; }
  const std::string& barsText() const { return barsText_; }
  bool temperatureEnabled() const { return thermal_; }
  bool amplitudeEnabled(int which) const { return thermal_ && (which == 0 || prm_.grainPrm.biatomic); }
  bool acceptEnabled() const { return modifiedOnce_; }
  bool verifyEnabled() const { return modifiedOnce_; }
  CommandStates states() const;

  double maxR() const { return maxR_; }
  double maxDev() const { return maxDev_; }

 private:
  StCommandResult amplitudesFromTemperature(double T);
  // The error box when the amplitudes cannot follow a temperature (an
  // element without data or without a Debye temperature); ok otherwise.
  StCommandResult temperatureRefusal() const;
  // The rules of the acp and decorrelation texts; a value out of range puts
  // the default back. False (with the box in `res`) when the text fails.
  bool acpInRange(StCommandResult& res);
  bool levelInRange(StCommandResult& res);

  StFmodPosPrm& prm_;
  SectionsTable table_;
  std::unique_ptr<ThermalRandom> random_;
  ClockSeconds clock_;
  bool thermal_ = false;
  bool modifiedOnce_ = false;
  Distribution distribution_ = Distribution::None;
  std::string tempText_, ampLText_, ampRText_, acpText_, levelText_, barsText_;
  double height_ = 0;  // cylinder height, from the grain's histogram range when the window opened
  double maxR_ = 0;
  double maxDev_ = 0;
};

}  // namespace grainix
