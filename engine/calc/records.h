#pragma once
// Result and input records of the calculations: histogram bins, partial
// histograms, the diffraction pattern, generic x/y data and the inputs of
// the diffraction and G(r) runs. The workbench owns one of each.
#include <cstdint>
#include <list>
#include <optional>
#include <vector>

#include "engine/calc/scattering.h"
#include "engine/grain/grain_node.h"
#include "engine/grain/lattice_grid.h"

namespace grainix {

// Number of atom pairs. Every count of pairs (a bin, a partial, a total) is
// 64-bit from the pair loop to the file: a grain of a few hundred thousand
// atoms puts more than 2^31 pairs into one coarse bin.
using PairCount = int64_t;

// One PDH bin (also one delta(r) bin).
struct StLiczOdl {
  double r = 0;        // lower edge of the bin, k * bin width
  PairCount card = 0;  // pairs whose distance falls in the bin
  double norm = 0;     // filled only by the PDH file reader (third column)
  double sumIdeal = 0; // delta sums: ideal distances of the bin's pairs
  double sumMod = 0;   // delta sums: the same pairs in the modified grain
};
using PdhList = std::list<StLiczOdl>;

// The atoms whose pairs a PDH list counts, kept beside the list by the run
// or the file that made it (count 0: unknown; the node list tells).
struct StPdhAtoms {
  int64_t count = 0;
  int32_t elementIndex = -1;
};

// The number of atoms n whose n (n - 1) / 2 pairs are `pairs`, or the
// smallest n with at least that many pairs (1 for none).
int64_t atomsOfPairs(int64_t pairs);

// The three partial histograms of a biatomic grain. The vectors are the
// owned arrays; count == 0 means none are allocated.
struct StIDCalcResults {
  std::vector<double> r;                 // bin lower edges
  std::vector<PairCount> rii, rij, rjj;  // first-first, first-second, second-second pairs
  double binWidth = 0;
  int32_t count = 0;
  int32_t elemFirst = -1;
  int32_t elemSecond = -1;
  // Atoms of the first and of the second element (0: unknown).
  int64_t atomsFirst = 0;
  int64_t atomsSecond = 0;

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
    atomsFirst = atomsSecond = 0;
  }
  // Frees the previous arrays and allocates `bins` zeroed bins.
  void allocate(int32_t bins) {
    release();
    r.assign(static_cast<size_t>(bins), 0.0);
    rii.assign(static_cast<size_t>(bins), 0);
    rij.assign(static_cast<size_t>(bins), 0);
    rjj.assign(static_cast<size_t>(bins), 0);
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
  // The grid of an unmodified generated grain (absent otherwise): its pair
  // counts may then be taken per lattice vector.
  std::optional<StLatticeGrid> grid;
  // Partial histograms: the nodes of the first element, which lead the
  // list; -1 means N div 2 (the builder's halves).
  int64_t firstCount = -1;
};

// The diffraction pattern. count == 0 means no pattern. A computed pattern
// holds all four columns; one read from a file only the two it was saved
// with, and nothing may read the others.
struct StDiffPattern {
  std::vector<double> twoTheta;  // radians
  std::vector<double> sOfQ;
  std::vector<double> q;         // 1/Angs
  std::vector<double> intensity;
  int32_t count = 0;

  bool hasTwoTheta() const { return holds(twoTheta); }
  bool hasQ() const { return holds(q); }
  bool hasS() const { return holds(sOfQ); }
  bool hasIntensity() const { return holds(intensity); }
  bool holds(const std::vector<double>& column) const {
    return count > 0 && column.size() >= static_cast<size_t>(count);
  }

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
  // The atoms the PDH counts (number and element); when null or unknown,
  // the node list's.
  const StPdhAtoms* pdhAtoms = nullptr;
};

class WindowingFunction;

// G(r) input.
struct StGrPrm {
  double rStart = 0, rStop = 0, rStep = 0;
  const StDiffPattern* pattern = nullptr;  // read by reference during a run
  WindowingFunction* window = nullptr;     // its scale is set from Qmax
};

}  // namespace grainix
