// Choice of the way pairs are counted, and the lattice path's run.
#include "engine/calc/pdh_run.h"

#include <algorithm>
#include <thread>

#include "engine/calc/pair_result.h"

namespace grainix {

namespace {

constexpr const char* kLatticeLine = " PDH method: lattice (pairs per lattice vector, by FFT)";
constexpr const char* kPairsLine = " PDH method: pair loop";

// Node i's species: one for a PDH; for the partial histograms the first
// element's nodes, which lead the list, and the rest.
std::vector<uint8_t> speciesOf(int mode, const StCalcPrm& prm) {
  std::vector<uint8_t> s(prm.nodes.size(), 0);
  if (mode == 1)
    for (size_t i = static_cast<size_t>(firstElementSplit(prm)); i < s.size(); ++i) s[i] = 1;
  return s;
}

}  // namespace

const char* pdhMethodName(PdhMethod method) {
  switch (method) {
    case PdhMethod::Auto: return "auto";
    case PdhMethod::Pairs: return "pairs";
    case PdhMethod::Lattice: return "lattice";
  }
  return "?";
}

StPairRunResult runPdh(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial, ProgressSink* gauge,
                       const CancelToken& cancel, const StPdhRunOptions& options) {
  const int64_t B = pairBinCount(prm.rMax, prm.binWidth);
  auto loop = [&] {
    if (options.pairLoop) return options.pairLoop(mode, prm, pdh, partial, gauge, cancel, options.threads);
    return runPairLoop(mode, prm, pdh, partial, gauge, cancel, options.threads);
  };
  // Other modes, and bin counts the pair loop refuses, are its business.
  if ((mode != 0 && mode != 1) || B == 0 || B > kMaxPairBins) return loop();

  auto pairLoop = [&](std::string line) {
    StPairRunResult res = loop();
    res.log.insert(res.log.begin(), std::move(line));
    return res;
  };
  if (options.method == PdhMethod::Pairs) return pairLoop(kPairsLine);

  std::string why;
  StLatticeHistResult lat;
  const int64_t n = static_cast<int64_t>(prm.nodes.size());
  const StPairGaugeScale scale = pairGaugeScale(n, mode);
  if (!prm.grid) {
    why = "the grain does not lie on the lattice of a generated grain";
  } else if (mode == 1 && elementGroupOffsets(prm).size() > 3) {
    why = "the grain holds more than two elements";
  } else {
    if (gauge) {
      gauge->setMaximum(scale.maximum);
      gauge->setPosition(0);
      gauge->setVisible(true);
    }
    const std::vector<uint8_t> species = speciesOf(mode, prm);
    const int64_t cap = std::max(B, binsForExtent(prm.nodes, prm.binWidth));
    StLatticeHistOptions lo = options.lattice;
    lo.threads = options.threads;
    auto progress = [&](double f) {
      if (gauge) gauge->setPosition(static_cast<int64_t>(f * static_cast<double>(scale.maximum)));
    };
    lat = latticePairHistograms(prm.nodes, species, mode == 1 ? 2 : 1, *prm.grid, prm.binWidth, cap, progress, cancel,
                                lo);
    why = lat.reason;
  }

  if (lat.status == StLatticeHistResult::Status::Refused) {
    if (options.method == PdhMethod::Lattice) {
      if (gauge) gauge->setVisible(false);
      StPairRunResult res;
      res.refused = true;
      res.expectedBins = B;
      res.method = PdhMethod::Lattice;
      res.messages.push_back({MessageKind::Error, "ERROR", "The lattice method cannot be used: " + why});
      return res;
    }
    return pairLoop(!prm.grid ? std::string(kPairsLine) : std::string(kPairsLine) + " (lattice not used: " + why + ")");
  }

  StPairRunResult res;
  res.method = PdhMethod::Lattice;
  res.expectedBins = B;
  res.threads = options.threads > 0 ? options.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  res.log.push_back(kLatticeLine);
  if (lat.status == StLatticeHistResult::Status::Terminated) {
    res.terminated = true;
    clearStoppedResult(mode, pdh, partial, gauge);
    return res;
  }
  res.pairs = n * (n - 1) / 2;
  fillPairResult(mode, prm, occupiedBinsOf(lat.tables), pdh, partial, gauge, res);
  return res;
}

}  // namespace grainix
