#pragma once
// Levenberg-Marquardt fit of a sum of fit functions to x/y data: the free
// parameters of every function and the shared common parameters, with the
// analytic derivatives the functions provide.
#include <memory>
#include <string>
#include <vector>

#include "engine/fit/fit_functions.h"

namespace grainix {

struct StLmSettings {
  int maxIter = 1000;
  double epsAbs = 1e-3;  // a step converges when |dx| < epsAbs + epsRel * |x| for every parameter
  double epsRel = 1e-3;
  double sigma = 0.125;  // uncertainty of each data point (weights 1 / sigma^2)
  bool geodesic = false; // LM with geodesic acceleration ("uLM")
};

struct StLmOutcome {
  int errorCode = 0;      // FitError
  std::string message;    // for a non-zero code
  int iterations = 0;
  double reducedChiSq = 0;  // sum of weighted squared residuals / (points - parameters)
};

// Fits `model` (built by buildFitModel) to the points; the functions' fitted
// values and the common table hold the result afterwards.
StLmOutcome lmFit(std::vector<std::unique_ptr<clFunction>>& model, const std::vector<double>& x,
                  const std::vector<double>& y, const StLmSettings& s);

}  // namespace grainix
