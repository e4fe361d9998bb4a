#include "engine/calc/delta_stats.h"

#include <cmath>

#include "engine/core/format.h"

namespace grainix {

StDeltaStats computeDeltaStats(const PdhList& list, double latticePrm) {
  StDeltaStats st;
  double sumH = 0, sumH2 = 0;
  for (const StLiczOdl& b : list) {
    if (b.card == 0 || b.sumIdeal == 0) continue;
    const double h = (b.sumMod - b.sumIdeal) / b.sumIdeal;
    st.x.push_back(b.sumIdeal / b.card);
    st.y.push_back(h * 1e3);
    sumH += h;
    sumH2 += h * h;
  }
  st.bins = st.x.size();
  if (st.bins == 0) {
    st.memo = {" mean*1e3:  no data", " mean latt.prm.:  no data", " std*1e3:  no data", " std latt.prm.:  no data",
               "--------------------------------"};
    return st;
  }
  const double n = static_cast<double>(st.bins);
  st.mean = sumH / n;
  // Rounding can make the variance of equal values slightly negative.
  const double variance = sumH2 / n - st.mean * st.mean;
  st.std = variance > 0 ? std::sqrt(variance) : 0.0;
  st.memo = {" mean*1e3:  " + fmtGeneral(st.mean * 1e3, 5),
             " mean latt.prm.:  " + fmtGeneral((st.mean + 1) * latticePrm, 5),
             " std*1e3:  " + fmtGeneral(st.std * 1e3, 5),
             " std latt.prm.:  " + fmtGeneral(latticePrm * st.std, 5),
             "--------------------------------"};
  return st;
}

std::optional<StMessage> checkDeltaInputs(const vGrainNodes& ideal, const vGrainNodes& modified) {
  if (ideal.size() == modified.size()) return std::nullopt;
  return StMessage{MessageKind::Error, "ERROR",
                   "Sizes of ideal lattice and modified are different: " + std::to_string(ideal.size()) + ", " +
                       std::to_string(modified.size())};
}

}  // namespace grainix
