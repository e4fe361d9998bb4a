#pragma once
// Position modification: the summary of a section list, the radial scaling
// of a grain into its modified copy, the random thermal displacements and the
// check of their distribution. Pure engine routines; the modification window
// model (modpos_model.h) strings them together.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/core/progress.h"
#include "engine/grain/grain_node.h"
#include "engine/modify/sections.h"

namespace grainix {

// The summary: section lines and the grain after modification. Writes
// radiusMod, latticePrmAvg, latticePrmChange and weightedStd of `prm`;
// `sections` must have b and c set (a read table).
void modificationSummary(const secPrm& sections, StGrainPrm& prm, std::vector<std::string>& log);

// Whether node i + N/2 is the partner of node i: zinc blende / diamond, and
// stacked grains built with their sublattice.
bool isPairedGrain(const StGrainPrm& prm, size_t nodeCount);
// Whether the thermal routines treat the two halves as two elements.
bool hasTwoGroups(const StGrainPrm& prm, size_t nodeCount);

// Radial scaling of `ideal` into `modified` (cleared first) by the section
// mapping. Sets rPrev both ways (the modified node holds its ideal r, the
// ideal node its modified r) and x0..z0 of every moved node to its new
// position. Paired grains: the second half is placed rigidly on the moved
// partners. Returns maxR, the largest modified distance (plus the partner
// shift for paired grains).
double scalePositions(vGrainNodes& ideal, vGrainNodes& modified, const secPrm& sections, const StGrainPrm& prm,
                      ProgressSink* progress = nullptr);

// Source of uniformly distributed non-negative 31-bit integers.
class ThermalRandom {
 public:
  virtual ~ThermalRandom() = default;
  virtual void seed(uint32_t s) = 0;
  virtual uint32_t next() = 0;  // 0 ... 2^31 - 1
};

// The default: a standard multiplicative congruential 31-bit generator.
class StdThermalRandom : public ThermalRandom {
 public:
  void seed(uint32_t s) override { engine_.seed(s == 0 ? 1u : s); }
  uint32_t next() override { return static_cast<uint32_t>(engine_()); }

 private:
  std::minstd_rand engine_;
};

// Seconds of the clock used to reseed the generator.
using ClockSeconds = std::function<int64_t()>;
int64_t systemClockSeconds();

// Draws of the thermal routines: u = (g mod 32767) / 32766 in [0, 1], the
// reseeding before node 0 and every node whose index is a multiple of 32767,
// and random directions in single precision.
class ThermalDraws {
 public:
  ThermalDraws(ThermalRandom& random, ClockSeconds clock);
  void beforeNode(size_t index);
  double u();
  // d = rho (sqrt(1 - z^2) cos f, sqrt(1 - z^2) sin f, z), z = 2u - 1,
  // f = 2 pi u: a direction uniform on the sphere, in float.
  void direction(double rho, float d[3]);

 private:
  ThermalRandom& random_;
  ClockSeconds clock_;
  bool seeded_ = false;
  int64_t lastSeed_ = 0;
};

// The amplitudes are root-mean-square displacements along one axis (what
// the Debye model gives for a temperature), for both elements alike.
//
// Uniform displacements of the modified list: lengths uniform in
// [0, kUniformReach * amplitude] in uniform directions. Returns maxDev and
// adds it to maxR. Appends " mean square root " + the rms displacement.
double uniformDisplacements(vGrainNodes& nodes, bool twoGroups, bool sphere, double ampL, double ampR,
                            ThermalDraws& draws, double& maxR, std::vector<std::string>& log);
// Normal displacements by a Metropolis chain of `level` steps per node with
// trial width acp, sampling signed lengths of standard deviation
// kNormalLengthPerAxis * amplitude in uniform directions; returns maxDev
// and adds it to maxR. Appends "maxR: " + maxR.
double normalDisplacements(vGrainNodes& nodes, bool twoGroups, bool sphere, double sigmaL, double sigmaR, double acp,
                           int64_t level, ThermalDraws& draws, double& maxR, std::vector<std::string>& log);

// A length uniform in [0, 3 A] has the mean square 3 A^2, A^2 per axis.
constexpr double kUniformReach = 3;
// A signed length of standard deviation sqrt(3) A has A^2 per axis.
inline const double kNormalLengthPerAxis = std::sqrt(3.0);

// "Verify": histogram of the displacement lengths against the expected density.
struct StVerifyPanel {
  std::string title;
  double sigma = 0;
  size_t count = 0;
  std::vector<double> x;          // bar centres
  std::vector<double> generated;  // series "generated": red, comb style, pen width 2
  std::vector<double> theory;     // series "theory": black, pen width 2
};
struct StVerifyResult {
  bool ok = false;
  std::vector<std::string> log;
  std::vector<std::string> errors;
  std::string caption = "verify distribution";
  std::string xTitle = "deviation (Angs)";
  std::string yTitle = "cardinality";
  int width = 400, height = 400;
  int rows = 1;                   // panels stacked in rows x 1 column
  std::vector<StVerifyPanel> panels;
};
StVerifyResult verifyDistribution(const vGrainNodes& nodes, bool twoGroups, double maxDev, int64_t bars, bool normal);

}  // namespace grainix
