#include "engine/fit/fit_functions.h"

#include <bit>
#include <cmath>
#include <iostream>

namespace grainix {

std::vector<double> commonPrm;
std::vector<stCmnFunc> commonDerivs;
std::vector<int> commonIndex;

void clearCommonTables() {
  commonPrm.clear();
  commonDerivs.clear();
  commonIndex.clear();
}

namespace {
std::ostream* diagnostics = &std::cout;
int lowBits(int mask, int n) { return std::popcount(static_cast<unsigned>(mask) & ((1u << n) - 1u)); }
}  // namespace

std::ostream* fitDiagnostics() { return diagnostics; }
void setFitDiagnostics(std::ostream* os) { diagnostics = os; }

clFunction::clFunction(int n, std::string text) : formula(std::move(text)), nPrm(n) {}

void clFunction::bindAll(int fMask, int cMask, const std::vector<double>& constants, bool shared) {
  const int fitted = lowBits(fMask, nPrm);
  if (static_cast<int>(constants.size()) != nPrm - fitted)
    throw std::invalid_argument("fit function: " + std::to_string(nPrm - fitted) + " constants expected, " +
                                std::to_string(constants.size()) + " given");
  fitMask = fMask;
  cmnMask = shared ? cMask : 0;
  constPrm = constants;
  derivs.clear();
  bind_.assign(static_cast<size_t>(nPrm), {});
  int nextFit = 0, nextConst = 0, nextCommon = 0;
  if (shared) {
    const size_t size = static_cast<size_t>(std::popcount(static_cast<unsigned>(cMask)));
    if (commonPrm.size() != size) commonPrm.resize(size, 0.0);
  }
  for (int i = 0; i < nPrm; ++i) {
    const bool fit = (fMask >> i) & 1;
    const bool common = shared && fit && ((cMask >> i) & 1);
    if (common) {
      bind_[static_cast<size_t>(i)] = {Kind::Common, nextCommon};
      commonDerivs.push_back({derivOp(i), this});
      commonIndex.push_back(nextCommon);
      ++nextCommon;
    } else if (fit) {
      bind_[static_cast<size_t>(i)] = {Kind::Fit, nextFit++};
      derivs.push_back(derivOp(i));
    } else {
      bind_[static_cast<size_t>(i)] = {Kind::Const, nextConst++};
    }
  }
  nFit = nextFit;
  fitPrm.assign(static_cast<size_t>(nFit), 0.0);
}

double& clFunction::slot(int i) {
  const Binding& b = bind_.at(static_cast<size_t>(i));
  switch (b.kind) {
    case Kind::Fit: return fitPrm.at(static_cast<size_t>(b.index));
    case Kind::Const: return constPrm.at(static_cast<size_t>(b.index));
    case Kind::Common: return commonPrm.at(static_cast<size_t>(b.index));
    case Kind::Unbound: break;
  }
  throw std::logic_error("fit function used before one of the init operations");
}

double clFunction::prm(int i) const { return const_cast<clFunction*>(this)->slot(i); }

double clFunction::derivative(double x, int k) const { return (this->*derivs.at(static_cast<size_t>(k)))(x); }

void clFunction::print() const {
  if (std::ostream* os = fitDiagnostics()) print(*os);
}

void clFunction::print(std::ostream& os) const {
  static const char letters[] = "abcdef";
  os << "\nparameters: ";
  for (int i = 0; i < nPrm; ++i) {
    const Kind k = bind_.at(static_cast<size_t>(i)).kind;
    os << letters[i] << '=' << prm(i) << '\t'
       << (k == Kind::Const ? "const" : k == Kind::Common ? "fit common" : "fit") << '\n';
  }
}

void clFunction::setFit(const std::vector<double>& values) {
  if (static_cast<int>(values.size()) != nFit)
    throw std::invalid_argument("fit function: " + std::to_string(nFit) + " fitted values expected");
  fitPrm = values;
}

void clFunction::setAll(const std::vector<double>& values) {
  if (static_cast<int>(values.size()) < nPrm)
    throw std::invalid_argument("fit function: " + std::to_string(nPrm) + " values expected");
  for (int i = 0; i < nPrm; ++i) slot(i) = values[static_cast<size_t>(i)];
}

std::vector<double> clFunction::getAll() const {
  std::vector<double> v(static_cast<size_t>(nPrm));
  for (int i = 0; i < nPrm; ++i) v[static_cast<size_t>(i)] = prm(i);
  return v;
}

// ---- three parameters

void clFun3p::initAllFit() { bindAll(7, 0, {}, false); }
void clFun3p::initMasked(int mask, const std::vector<double>& constants) { bindAll(mask, 0, constants, false); }
void clFun3p::initShared(int mask, int cmn, const std::vector<double>& constants) {
  bindAll(mask, cmn, constants, true);
}

DerivOp clFun3p::derivOp(int i) const {
  switch (i) {
    case 0: return static_cast<DerivOp>(&clFun3p::da);
    case 1: return static_cast<DerivOp>(&clFun3p::db);
    case 2: return static_cast<DerivOp>(&clFun3p::dc);
  }
  throw std::out_of_range("clFun3p: no parameter " + std::to_string(i));
}

// ---- six parameters

void clFun6p::initAllFit() { bindAll(63, 0, {}, false); }
void clFun6p::initMasked(int mask, const std::vector<double>& constants) { bindAll(mask, 0, constants, false); }
void clFun6p::initShared(int mask, int cmn, const std::vector<double>& constants) {
  if (std::ostream* os = fitDiagnostics()) *os << "\n flag_cmn" << cmn;
  bindAll(mask, cmn, constants, true);
}

DerivOp clFun6p::derivOp(int i) const {
  switch (i) {
    case 0: return static_cast<DerivOp>(&clFun6p::da);
    case 1: return static_cast<DerivOp>(&clFun6p::db);
    case 2: return static_cast<DerivOp>(&clFun6p::dc);
    case 3: return static_cast<DerivOp>(&clFun6p::dd);
    case 4: return static_cast<DerivOp>(&clFun6p::de);
    case 5: return static_cast<DerivOp>(&clFun6p::df);
  }
  throw std::out_of_range("clFun6p: no parameter " + std::to_string(i));
}

// ---- polynomial of degree 2

clPoly23::clPoly23() : clFun3p(kPoly23Formula) {}
double clPoly23::value(double x) const { return x * (prm(0) * x + prm(1)) + prm(2); }
double clPoly23::da(double x) const { return x * x; }
double clPoly23::db(double x) const { return x; }
double clPoly23::dc(double) const { return 1.0; }

// ---- Gaussian with six parameters: a=0 b=1 c=2 d=3 e=4 f=5

clGauss6::clGauss6() : clFun6p(kGauss6Formula) {}

double clGauss6::g(double x) const {
  const double u = (x - prm(1) * prm(4)) / prm(2) / prm(5);
  return std::exp(-0.5 * (u * u));
}

double clGauss6::value(double x) const { return prm(0) * prm(3) * g(x); }
double clGauss6::da(double x) const { return prm(3) * g(x); }
double clGauss6::dd(double x) const { return prm(0) * g(x); }

double clGauss6::db(double x) const {
  const double cf = prm(2) * prm(5);
  return g(x) * (x - prm(1) * prm(4)) * prm(4) * prm(0) * prm(3) / (cf * cf);
}

double clGauss6::dc(double x) const {
  const double cf = prm(2) * prm(5), t = x - prm(1) * prm(4);
  return g(x) * t * t * prm(0) * prm(3) / (cf * cf) / prm(2);
}

double clGauss6::de(double x) const {
  const double cf = prm(2) * prm(5);
  return g(x) * (x - prm(1) * prm(4)) * prm(1) * prm(0) * prm(3) / (cf * cf);
}

double clGauss6::df(double x) const {
  const double cf = prm(2) * prm(5), t = x - prm(1) * prm(4);
  return g(x) * t * t * prm(0) * prm(3) / (cf * cf) / prm(5);
}

}  // namespace grainix
