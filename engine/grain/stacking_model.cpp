#include "engine/grain/stacking_model.h"

#include "engine/core/format.h"

namespace grainix {

StackingModel::StackingModel(Mode mode, std::string& storedSequence, StGrainPrm& prm)
    : mode_(mode), stored_(storedSequence), prm_(prm) {
  ha_ = initialHcpA(prm.latticePrm);
  c_ = initialHcpC(prm.latticePrm);
  ca_ = initialHcpCa();
  cText_ = fmtGeneral(c_, 5);
  caText_ = fmtGeneral(ca_, 5);
  lmin_ = grainix::minLayers(prm.radius, ha_);
  setSequenceText(storedSequence);
}

std::string StackingModel::haText() const { return fmtGeneral(ha_, 5); }
std::string StackingModel::equivalentCubicText() const { return fmtGeneral(equivalentCubicPrm(ha_, c_), 5); }

std::string StackingModel::minLayersText() const {
  if (prm_.sphere) return std::to_string(lmin_);
  return fmtGeneral(double(sequence_.size()) * c_, 5);
}

StKeyFilter StackingModel::filterSequenceKey(char key) const {
  if (key == '\b') return {'\b', 0, 0};
  if (key >= 'a' && key <= 'c') key = static_cast<char>(key - 'a' + 'A');
  if (key != 'A' && key != 'B' && key != 'C') return {0, 200, 200};
  if (prm_.sphere) {
    const auto len = static_cast<int64_t>(sequence_.size());
    if (len == lmin_) return {0, 500, 200};
    if (len > lmin_) return {'\b', 0, 0};
  }
  return {key, 0, 0};
}

void StackingModel::setSequenceText(const std::string& text) {
  sequence_ = text;
  const auto len = static_cast<int64_t>(sequence_.size());
  if (prm_.sphere)
    colour_ = len > lmin_ ? SequenceColour::Red : len == lmin_ ? SequenceColour::Green : SequenceColour::Black;
  else
    colour_ = SequenceColour::Black;
  transition_ = transitionString(sequence_);
}

// A text that is not a number yet (typing "1e" on the way to "1e-1")
// changes nothing else; OK reports it.
StCommandResult StackingModel::setCaText(const std::string& text) {
  StCommandResult res;
  if (text.empty()) return res;
  caText_ = text;
  double v;
  if (!parseDouble(text, v)) return res;
  ca_ = v;
  c_ = ca_ * ha_;
  cText_ = fmtGeneral(c_, 5);
  res.ok = true;
  return res;
}

StCommandResult StackingModel::setCText(const std::string& text) {
  StCommandResult res;
  if (text.empty()) return res;
  cText_ = text;
  double v;
  if (!parseDouble(text, v)) return res;
  c_ = v;
  ca_ = ha_ != 0 ? c_ / ha_ : 0;
  caText_ = fmtGeneral(ca_, 5);
  setSequenceText(sequence_);  // the cylinder height follows c
  res.ok = true;
  return res;
}

StCommandResult StackingModel::setHaText(const std::string& text) {
  StCommandResult res;
  if (text.empty()) return res;
  double v;
  if (!parseDouble(text, v)) {
    res.conversionError(text);
    return res;
  }
  ha_ = v;
  ca_ = ha_ != 0 ? c_ / ha_ : 0;
  caText_ = fmtGeneral(ca_, 5);
  lmin_ = grainix::minLayers(prm_.radius, ha_);
  setSequenceText(sequence_);
  res.ok = true;
  return res;
}

StCommandResult StackingModel::setUText(const std::string& text) {
  StCommandResult res;
  uText_ = text;
  if (text.empty()) return res;
  double v;
  if (!parseDouble(text, v)) {
    res.conversionError(text);
    return res;
  }
  u_ = v;
  res.ok = true;
  return res;
}

StCommandResult StackingModel::ok(vGrainNodes* ideal) {
  stored_ = upperSequence(sequence_);
  if (mode_ == Mode::Edit || ideal == nullptr) {
    StCommandResult res;
    res.ok = true;
    return res;
  }
  // The layer spacing as typed: a text that is not a number stops here.
  {
    StCommandResult res;
    double c = 0, ca = 0;
    if (!parseAll(res, {{&cText_, &c}, {&caText_, &ca}})) return res;
  }
  StStackingInput in;
  in.sequence = stored_;
  in.ha = ha_;
  in.c = c_;
  in.sublattice = sublattice_;
  in.u = u_;
  in.circularCut = circularCut_;
  if (sublattice_) {
    StCommandResult res;
    if (!parseAll(res, {{&uText_, &in.u}})) return res;
  }
  return buildStacked(in, *ideal, prm_);
}

}  // namespace grainix
