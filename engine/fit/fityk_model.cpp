#include "engine/fit/fityk_model.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "engine/core/atomic_file.h"
#include "engine/core/format.h"
#include "engine/plot/filters.h"

namespace grainix {

namespace {

constexpr DiagramMargins kPreviewMargins{60, 60, 60, 60};

}  // namespace

FitykModel::FitykModel(StFitFormPrm& prm) : prm_(prm) {}

std::string FitykModel::defaultEn() const {
  const double m = std::ceil(prm_.wavelength * 0.5 / prm_.binWidth);
  if (!(prm_.binWidth > 0) || !std::isfinite(m) || m < 0 || m > std::numeric_limits<int>::max()) return {};
  return std::to_string(static_cast<long long>(m));
}

StCommandResult FitykModel::opening() {
  StCommandResult r;
  controls.lp = prm_.lp;
  controls.std = prm_.std;
  controls.memo = prm_.cmdLine;
  controls.min = prm_.min;
  controls.am = prm_.am;
  controls.max = fmtGeneral(prm_.max, 5, 5);
  if (controls.en.empty()) {
    controls.en = defaultEn();
    enChanged();
  }
  grEnabled_ = prm_.gr != nullptr;
  if (grEnabled_) {
    controls.source = FitykSource::None;
    r.ok = true;
    return r;
  }
  return choosePdh();
}

StCommandResult FitykModel::choosePdh() {
  StCommandResult r;
  controls.source = FitykSource::Pdh;
  if (prm_.pdh)
    peaks_ = peaksFromPdh(*prm_.pdh, prm_.max);
  else if (prm_.partial)
    peaks_ = peaksFromPartial(*prm_.partial, prm_.max);
  else
    peaks_ = {};
  scaleAmplitudes(peaks_.y);
  r.ok = true;
  return r;
}

StCommandResult FitykModel::chooseGr() {
  StCommandResult r;
  controls.source = FitykSource::Gr;
  peaks_ = prm_.gr ? peaksFromGr(*prm_.gr) : StPeakList{};
  if (peaks_.x.empty()) {
    r.error(kGrNoPeaks);
    return r;
  }
  r.ok = true;
  return r;
}

void FitykModel::functionChanged(FitykFunction f) {
  controls.function = f;
  controls.memo = f == FitykFunction::User0 ? std::string("define ") + fitykTypeName(f) : kFitykCmdLineDefault;
}

void FitykModel::enChanged() {
  int m = 0;
  if (controls.en.empty() || !parseInt(controls.en, m)) return;
  controls.zakres = fmtDefault(m * prm_.binWidth);
}

void FitykModel::enLeft() {
  if (!controls.en.empty()) return;
  controls.en = defaultEn();
  enChanged();
}

StCommandResult FitykModel::preview(DiagramDesc& d) const {
  StCommandResult r;
  int m = 0;
  if (!parseInt(controls.en, m)) {
    r.messages.push_back({MessageKind::ConversionError, "Error", "'" + controls.en + "' is not a valid integer value"});
    return r;
  }
  if (!prm_.pdh || prm_.pdh->empty()) {
    if (prm_.partial && prm_.partial->count > 0)
      r.warning(kFitykPartialPreview);
    else
      r.confirm("Empty histogram");
    return r;
  }
  const FilterKind kind =
      controls.filter == FitykFilter::Derivative ? FilterKind::DerivSG23 : FilterKind::MovingAverage;
  std::vector<double> kernel;
  std::string why;
  if (!makeKernel(kind, m, kernel, &why)) {
    r.error("En: " + why);
    return r;
  }
  SeriesDesc s;
  s.x.reserve(prm_.pdh->size());
  s.y.reserve(prm_.pdh->size());
  for (const StLiczOdl& bin : *prm_.pdh) {
    s.x.push_back(bin.r);
    s.y.push_back(static_cast<double>(bin.card));
  }
  s.y = convolveCentred(s.y, kernel);
  s.color = kColorBlue;
  s.style = kStyleLine;
  s.penWidth = 2;
  s.title = "wykres";
  d = DiagramDesc{};
  d.series.push_back(std::move(s));
  d.margins = kPreviewMargins;
  d.axisXTitle = "pair distance";
  d.axisYTitle = "PDH cardinality";
  d.precision = 3;
  d.digits = 3;
  d.grid = true;
  d.listEntries = std::vector<std::string>{"wykres"};
  r.ok = true;
  return r;
}

StCommandResult FitykModel::saveCheck() const {
  StCommandResult r;
  if (peaks_.x.empty()) {
    r.error(kFitykEmptyList, "Error");
    return r;
  }
  r.ok = true;
  return r;
}

StFitykSaveDialog FitykModel::saveDialog() const {
  StFitykSaveDialog d;
  d.folder = prm_.folder;
  return d;
}

StCommandResult FitykModel::script(std::string& text) const {
  StFitykScriptInput in;
  in.fromPdh = controls.source == FitykSource::Pdh;
  in.min = controls.min;
  in.max = controls.max;
  in.lp = controls.lp;
  in.std = controls.std;
  in.am = controls.am;
  in.memo = controls.memo;
  in.function = controls.function;
  in.background = controls.background;
  in.commonWidth = controls.commonWidth;
  in.multiplier = controls.multiplier;
  return fitykScript(in, peaks_, text);
}

StCommandResult FitykModel::save(const std::string& path) {
  StCommandResult r = saveCheck();
  if (!r.ok) return r;
  std::string text;
  r = script(text);
  if (!r.ok) return r;
  std::string reason;
  if (!writeFileAtomically(path, text, &reason)) {
    r.ok = false;
    r.error(kFitykOpenFailed, "Error");
    r.log.push_back(path + ": " + reason);  // the system's reason
    return r;
  }
  double max = prm_.max;
  parseDouble(controls.max, max);  // parsed by the script already
  prm_.lp = controls.lp;
  prm_.std = controls.std;
  prm_.cmdLine = controls.memo;
  prm_.max = max;
  prm_.min = controls.min;
  return r;
}

}  // namespace grainix
