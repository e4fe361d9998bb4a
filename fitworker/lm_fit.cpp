#include "fitworker/lm_fit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <cmath>

#include "engine/fit/fitter_link.h"

namespace grainix {

namespace {

struct Problem {
  std::vector<std::unique_ptr<clFunction>>& model;
  const std::vector<double>& x;
  const std::vector<double>& y;
  size_t nCommon = 0;
  size_t nParams = 0;

  // Parameter vector: each function's free values in order, then the common values.
  void load(const gsl_vector* p) {
    size_t k = 0;
    for (auto& f : model)
      for (double& v : f->fitPrm) v = gsl_vector_get(p, k++);
    for (size_t i = 0; i < nCommon; ++i) commonPrm[i] = gsl_vector_get(p, k++);
  }
  void store(gsl_vector* p) const {
    size_t k = 0;
    for (const auto& f : model)
      for (double v : f->fitPrm) gsl_vector_set(p, k++, v);
    for (size_t i = 0; i < nCommon; ++i) gsl_vector_set(p, k++, commonPrm[i]);
  }
};

int residuals(const gsl_vector* p, void* data, gsl_vector* f) {
  auto& pr = *static_cast<Problem*>(data);
  pr.load(p);
  for (size_t i = 0; i < pr.x.size(); ++i) {
    double v = 0;
    for (const auto& fn : pr.model) v += fn->value(pr.x[i]);
    if (!std::isfinite(v)) return GSL_EDOM;
    gsl_vector_set(f, i, v - pr.y[i]);
  }
  return GSL_SUCCESS;
}

int jacobian(const gsl_vector* p, void* data, gsl_matrix* J) {
  auto& pr = *static_cast<Problem*>(data);
  pr.load(p);
  for (size_t i = 0; i < pr.x.size(); ++i) {
    const double xi = pr.x[i];
    size_t col = 0;
    for (const auto& fn : pr.model)
      for (int k = 0; k < fn->nFit; ++k) gsl_matrix_set(J, i, col++, fn->derivative(xi, k));
    for (size_t c = 0; c < pr.nCommon; ++c) gsl_matrix_set(J, i, col + c, 0.0);
    for (size_t e = 0; e < commonDerivs.size(); ++e) {
      const size_t c = col + static_cast<size_t>(commonIndex[e]);
      gsl_matrix_set(J, i, c, gsl_matrix_get(J, i, c) + commonDerivs[e](xi));
    }
  }
  return GSL_SUCCESS;
}

}  // namespace

StLmOutcome lmFit(std::vector<std::unique_ptr<clFunction>>& model, const std::vector<double>& x,
                  const std::vector<double>& y, const StLmSettings& s) {
  StLmOutcome out;
  Problem pr{model, x, y};
  pr.nCommon = commonPrm.size();
  for (const auto& f : model) pr.nParams += static_cast<size_t>(f->nFit);
  pr.nParams += pr.nCommon;
  const size_t n = x.size();
  if (pr.nParams == 0) {
    out.errorCode = kFitConfigError;
    out.message = "the configuration leaves no parameter to fit";
    return out;
  }
  if (n <= pr.nParams) {
    out.errorCode = kFitDataError;
    out.message = std::to_string(n) + " data points for " + std::to_string(pr.nParams) + " parameters";
    return out;
  }
  if (!(s.sigma > 0)) {
    out.errorCode = kFitConfigError;
    out.message = "sigma__ must be positive";
    return out;
  }

  gsl_set_error_handler_off();
  gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
  params.trs = s.geodesic ? gsl_multifit_nlinear_trs_lmaccel : gsl_multifit_nlinear_trs_lm;
  gsl_multifit_nlinear_fdf fdf{};
  fdf.f = residuals;
  fdf.df = jacobian;
  fdf.fvv = nullptr;  // geodesic acceleration by finite differences
  fdf.n = n;
  fdf.p = pr.nParams;
  fdf.params = &pr;

  gsl_multifit_nlinear_workspace* w =
      gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, n, pr.nParams);
  gsl_vector* p0 = gsl_vector_alloc(pr.nParams);
  gsl_vector* wts = gsl_vector_alloc(n);
  gsl_vector_set_all(wts, 1.0 / (s.sigma * s.sigma));
  pr.store(p0);

  int status = gsl_multifit_nlinear_winit(p0, wts, &fdf, w);
  bool converged = false;
  int iter = 0;
  if (status == GSL_SUCCESS) {
    std::vector<double> before(pr.nParams);
    while (iter < s.maxIter) {
      ++iter;
      for (size_t k = 0; k < pr.nParams; ++k) before[k] = gsl_vector_get(gsl_multifit_nlinear_position(w), k);
      status = gsl_multifit_nlinear_iterate(w);
      if (status == GSL_ENOPROG && iter > 1) {
        // No step lowers the cost any more: the minimum is reached to
        // machine precision.
        status = GSL_SUCCESS;
        converged = true;
        break;
      }
      if (status != GSL_SUCCESS) break;
      const gsl_vector* px = gsl_multifit_nlinear_position(w);
      bool small = true;
      for (size_t k = 0; k < pr.nParams && small; ++k) {
        const double xk = gsl_vector_get(px, k);
        small = std::abs(xk - before[k]) < s.epsAbs + s.epsRel * std::abs(xk);
      }
      if (small) {
        converged = true;
        break;
      }
    }
  }
  if (status == GSL_SUCCESS) {
    pr.load(gsl_multifit_nlinear_position(w));
    double chisq = 0;
    gsl_blas_ddot(gsl_multifit_nlinear_residual(w), gsl_multifit_nlinear_residual(w), &chisq);
    out.reducedChiSq = chisq / static_cast<double>(n - pr.nParams);
    bool finite = std::isfinite(chisq);
    for (const auto& f : model)
      for (double v : f->getAll()) finite = finite && std::isfinite(v);
    if (!finite) {
      out.errorCode = kFitSolverError;
      out.message = "the fit diverged";
    } else if (!converged) {
      out.errorCode = kFitNoConvergence;
      out.message = "no convergence after " + std::to_string(iter) + " iterations";
    }
  } else {
    out.errorCode = kFitSolverError;
    out.message = std::string("the solver stopped: ") + gsl_strerror(status);
  }
  out.iterations = iter;
  gsl_vector_free(wts);
  gsl_vector_free(p0);
  gsl_multifit_nlinear_free(w);
  return out;
}

}  // namespace grainix
