#pragma once
// Result and input records of the calculations: histogram bins, partial
// histograms, the diffraction pattern, generic x/y data and the inputs of
// the diffraction and G(r) runs. The workbench owns one of each.
#include <cstdint>
#include <list>
#include <vector>

#include "engine/calc/scattering.h"
#include "engine/grain/grain_node.h"

namespace grainix {

// One PDH bin (also one delta(r) bin).
struct StLiczOdl {
  double r = 0;        // lower edge of the bin, k * bin width
  int32_t card = 0;    // pairs whose distance falls in the bin
  double norm = 0;     // filled only by the PDH file reader (third column)
  double sumIdeal = 0; // delta sums: ideal distances of the bin's pairs
  double sumMod = 0;   // delta sums: the same pairs in the modified grain
};
using PdhList = std::list<StLiczOdl>;

// The three partial histograms of a biatomic grain. The vectors are the
// owned arrays; count == 0 means none are allocated.
struct StIDCalcResults {
  std::vector<double> r, rii, rij, rjj;
  double binWidth = 0;
  int32_t count = 0;
  int32_t elemFirst = -1;
  int32_t elemSecond = -1;
  // Atoms of the two elements in the run that filled the histograms; 0 when
  // not known (histograms read from a file): the grain is then taken as
  // halves.
  int64_t countFirst = 0;
  int64_t countSecond = 0;

  void release() {
    r.clear();
    rii.clear();
    rij.clear();
    rjj.clear();
    r.shrink_to_fit();
    rii.shrink_to_fit();
    rij.shrink_to_fit();
    rjj.shrink_to_fit();
    count = 0;
  }
  // Frees the previous arrays and allocates `bins` zeroed bins.
  void allocate(int32_t bins) {
    release();
    r.assign(static_cast<size_t>(bins), 0.0);
    rii.assign(static_cast<size_t>(bins), 0.0);
    rij.assign(static_cast<size_t>(bins), 0.0);
    rjj.assign(static_cast<size_t>(bins), 0.0);
    count = bins;
  }
};

// Input of one pair-loop run, copied by value into the worker.
struct StCalcPrm {
  vGrainNodes nodes;
  vGrainNodes nodesMod;  // delta sums only: node k displaced copy of nodes[k]
  double rMax = 0;       // the grain's maxDistance
  double lattPrm = 0;
  double binWidth = 0;
  // Partial histograms: nodes of the first element, which come first; 0
  // means the first half (the builders' order).
  int64_t firstGroupSize = 0;
};

// Nodes of the first element of a two-element run.
inline size_t firstGroupEnd(const StCalcPrm& prm) { return firstGroupEnd(prm.firstGroupSize, prm.nodes.size()); }

// The diffraction pattern. count == 0 means no pattern.
struct StDiffPattern {
  std::vector<double> twoTheta;  // radians
  std::vector<double> sOfQ;
  std::vector<double> q;         // 1/Angs
  std::vector<double> intensity;
  int32_t count = 0;

  void release() {
    twoTheta.clear();
    sOfQ.clear();
    q.clear();
    intensity.clear();
    count = 0;
  }
};

// Generic x/y data, also G(r).
struct StData {
  std::vector<double> x, y;
  int32_t count = 0;
  void release() {
    x.clear();
    y.clear();
    count = 0;
  }
};

// Diffraction input.
struct StDiffrPrm {
  double k = 0;       // 2 pi / lambda
  double lambda = 0;  // Angs
  double start = 0, stop = 0;  // 2theta range, degrees
  double binWidth = 0;
  double step = 0;    // 2theta step, degrees
  bool useFactors = true;  // false for the anode "X"
  // Read by reference during a run; they must stay unchanged until it ends.
  const vGrainNodes* nodes = nullptr;
  const PdhList* pdh = nullptr;
  const ElementTable* table = nullptr;
};

class WindowingFunction;

// G(r) input.
struct StGrPrm {
  double rStart = 0, rStop = 0, rStep = 0;
  const StDiffPattern* pattern = nullptr;  // read by reference during a run
  WindowingFunction* window = nullptr;     // its scale is set from Qmax
};

}  // namespace grainix
