#pragma once
// The peak and background models of a fit: small classes with a fixed
// number of parameters named a, b, c, ... Each parameter is fitted (free),
// fitted and shared by every object (common), or constant. Bit i of a mask
// refers to parameter i. The objects evaluate the model and its analytic
// partial derivatives and print their parameters.
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace grainix {

class clFunction;

// A partial-derivative operation of one parameter, evaluated at x.
using DerivOp = double (clFunction::*)(double x) const;

// One (derivative, object) pair of a common parameter. The total derivative
// of a common parameter is the sum of its entries over all owners.
struct stCmnFunc {
  DerivOp derivative = nullptr;
  const clFunction* owner = nullptr;
  double operator()(double x) const { return (owner->*derivative)(x); }
};

// Shared by all objects: the values of the common parameters in the order
// of their bits, the derivative entries, and for each entry the index of its
// parameter in commonPrm.
extern std::vector<double> commonPrm;
extern std::vector<stCmnFunc> commonDerivs;
extern std::vector<int> commonIndex;
// Empties the three shared tables (before a new model is built).
void clearCommonTables();

// Stream that receives the diagnostic prints ("print", " flag_cmn"); the
// standard output stream unless redirected; nullptr silences them.
std::ostream* fitDiagnostics();
void setFitDiagnostics(std::ostream* os);

class clFunction {
 public:
  virtual ~clFunction() = default;
  clFunction(const clFunction&) = delete;
  clFunction& operator=(const clFunction&) = delete;

  // Every parameter fitted.
  virtual void initAllFit() = 0;
  // Fitted where `fitMask` has the bit, constant elsewhere; `constants`
  // holds the constant values in parameter order (nPrm - nFit of them).
  virtual void initMasked(int fitMask, const std::vector<double>& constants) = 0;
  // As initMasked, but a parameter set in both masks is common: bound to the
  // next entry of commonPrm, its derivative registered in commonDerivs.
  virtual void initShared(int fitMask, int cmnMask, const std::vector<double>& constants) = 0;
  virtual double value(double x) const = 0;
  // The k-th entry of derivs at x.
  virtual double derivative(double x, int k) const;
  // "\nparameters: " then per parameter: letter "=" value TAB kind "\n".
  virtual void print() const;
  void print(std::ostream& os) const;
  virtual void setFit(const std::vector<double>& values);
  virtual void setAll(const std::vector<double>& values);
  virtual std::vector<double> getAll() const;

  // Partial derivatives by parameter number (0 = a).
  double partial(int i, double x) const { return (this->*derivOp(i))(x); }
  virtual DerivOp derivOp(int i) const = 0;

  // Value of parameter i through its binding.
  double prm(int i) const;

  std::vector<double> fitPrm;
  std::vector<double> constPrm;
  int fitMask = 0;
  int cmnMask = 0;
  int nFit = 0;
  std::string formula;
  int nPrm = 0;
  std::vector<DerivOp> derivs;

  enum class Kind { Unbound, Fit, Const, Common };
  struct Binding {
    Kind kind = Kind::Unbound;
    int index = 0;  // in fitPrm, constPrm or commonPrm
  };
  const std::vector<Binding>& bindings() const { return bind_; }

 protected:
  clFunction(int n, std::string text);
  // The common part of the three init operations.
  void bindAll(int fitMask, int cmnMask, const std::vector<double>& constants, bool shared);
  double& slot(int i);

 private:
  std::vector<Binding> bind_;
};

class clFun3p : public clFunction {
 public:
  void initAllFit() override;
  void initMasked(int fitMask, const std::vector<double>& constants) override;
  void initShared(int fitMask, int cmnMask, const std::vector<double>& constants) override;
  virtual double da(double x) const = 0;
  virtual double db(double x) const = 0;
  virtual double dc(double x) const = 0;
  DerivOp derivOp(int i) const override;

 protected:
  explicit clFun3p(std::string text) : clFunction(3, std::move(text)) {}
};

class clFun6p : public clFunction {
 public:
  void initAllFit() override;
  void initMasked(int fitMask, const std::vector<double>& constants) override;
  // Writes "\n flag_cmn" and the common mask to the diagnostics first.
  void initShared(int fitMask, int cmnMask, const std::vector<double>& constants) override;
  virtual double da(double x) const = 0;
  virtual double db(double x) const = 0;
  virtual double dc(double x) const = 0;
  virtual double dd(double x) const = 0;
  virtual double de(double x) const = 0;
  virtual double df(double x) const = 0;
  DerivOp derivOp(int i) const override;

 protected:
  explicit clFun6p(std::string text) : clFunction(6, std::move(text)) {}
};

// x * (a * x + b) + c
class clPoly23 : public clFun3p {
 public:
  clPoly23();
  double value(double x) const override;
  double da(double x) const override;
  double db(double x) const override;
  double dc(double x) const override;
};

// a * d * exp(-0.5 * u^2), u = ((x - b * e) / c) / f
class clGauss6 : public clFun6p {
 public:
  clGauss6();
  double value(double x) const override;
  double da(double x) const override;
  double db(double x) const override;
  double dc(double x) const override;
  double dd(double x) const override;
  double de(double x) const override;
  double df(double x) const override;

 private:
  double g(double x) const;
};

inline constexpr const char* kPoly23Formula = "  polynomial of 2 degree (a*x+b)*x+c  ";
inline constexpr const char* kGauss6Formula = " a*d*exp(-0.5*sqr[(x-b*e)/(c*f)]) ";

}  // namespace grainix
