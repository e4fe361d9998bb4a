#include "engine/fit/fit_form_prm.h"

#include "engine/io/settings.h"

namespace grainix {

void applyFitSettings(StFitFormPrm& prm, const StSettings& s) {
  prm.lp = s.fitLp;
  prm.max = s.fitMax;
  prm.std = s.fitStd;
  prm.cmdLine = s.fitCmdLine;
  prm.min = s.fitMin;
  prm.am = s.fitAm;
}

void storeFitSettings(const StFitFormPrm& prm, StSettings& s) {
  s.fitLp = prm.lp;
  s.fitMax = prm.max;
  s.fitStd = prm.std;
  s.fitCmdLine = prm.cmdLine;
  s.fitMin = prm.min;
  s.fitAm = prm.am;
}

void pdhRunStarting(StFitFormPrm& prm) {
  prm.pdh = nullptr;
  prm.partial = nullptr;
}

void grRunStarting(StFitFormPrm& prm) { prm.gr = nullptr; }

StCommandResult fitykCommand(StFitFormPrm& prm, const std::string& dataFolder, const std::string& binWidthText,
                             const std::string& lambdaText) {
  StCommandResult r;
  double binWidth = 0, lambda = 0;
  if (!parseAll(r, {{&binWidthText, &binWidth}, {&lambdaText, &lambda}})) return r;
  prm.folder = dataFolder;
  prm.binWidth = binWidth;
  prm.wavelength = lambda;
  r.ok = true;
  return r;
}

StCommandResult compareCommand(StFitFormPrm& prm, StGrPrm& grPrm, const StCompareTexts& t) {
  StCommandResult r;
  double start = 0, stop = 0, step = 0, radius = 0, binWidth = 0, lambda = 0;
  if (!parseAll(r, {{&t.grStart, &start},
                      {&t.grStop, &stop},
                      {&t.grStep, &step},
                      {&t.radius, &radius},
                      {&t.binWidth, &binWidth},
                      {&t.lambda, &lambda}}))
    return r;
  grPrm.rStart = start;
  grPrm.rStop = stop;
  grPrm.rStep = step;
  prm.folder = t.dataFolder;
  prm.max = 2 * radius;
  prm.binWidth = binWidth;
  prm.wavelength = lambda;
  prm.grPrm = &grPrm;
  r.ok = true;
  return r;
}

}  // namespace grainix
