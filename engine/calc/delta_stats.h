#pragma once
// delta(r): the relative change of the mean pair distance per bin of ideal
// distances, from the delta sums list, with its mean and spread over bins.
#include <optional>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"

namespace grainix {

struct StDeltaStats {
  std::vector<double> x;  // mean ideal distance of the bin, sumIdeal / card
  std::vector<double> y;  // (sumMod - sumIdeal) / sumIdeal * 1e3
  size_t bins = 0;        // bins that entered the statistics
  double mean = 0;        // mean of h over bins (each bin weighted equally)
  double std = 0;         // population standard deviation of h over bins
  // The memo lines: " mean*1e3:  ", " mean latt.prm.:  ", " std*1e3:  ",
  // " std latt.prm.:  " with their values, then a dashed line. Without any
  // bin the four values read "no data".
  std::vector<std::string> memo;
};

// Bins with card 0 or sumIdeal 0 (a list that holds a PDH, not delta sums)
// carry no relative change and are left out. `latticePrm` scales the
// lattice-parameter lines.
StDeltaStats computeDeltaStats(const PdhList& list, double latticePrm);

// The refusal of a delta(r) start when the node lists differ in length:
// "Sizes of ideal lattice and modified are different: 10, 11".
std::optional<StMessage> checkDeltaInputs(const vGrainNodes& ideal, const vGrainNodes& modified);

}  // namespace grainix
