#include "engine/fit/fit_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace grainix {
namespace {

struct QuietDiagnostics {
  std::ostringstream out;
  QuietDiagnostics() { setFitDiagnostics(&out); }
  ~QuietDiagnostics() {
    setFitDiagnostics(&std::cout);
    clearCommonTables();
  }
};

TEST(FitFunctions, PolynomialValueAndDerivatives) {
  clPoly23 p;
  EXPECT_EQ(p.formula, "  polynomial of 2 degree (a*x+b)*x+c  ");
  p.initAllFit();
  EXPECT_EQ(p.fitMask, 7);
  ASSERT_EQ(p.nFit, 3);
  p.setFit({1, 2, 3});
  EXPECT_DOUBLE_EQ(p.value(2), 11);
  EXPECT_DOUBLE_EQ(p.derivative(2, 0), 4);
  EXPECT_DOUBLE_EQ(p.derivative(2, 1), 2);
  EXPECT_DOUBLE_EQ(p.derivative(2, 2), 1);
}

TEST(FitFunctions, GaussianPeakAndDerivativesAgainstDifferences) {
  clGauss6 g;
  EXPECT_EQ(g.formula, " a*d*exp(-0.5*sqr[(x-b*e)/(c*f)]) ");
  g.initAllFit();
  EXPECT_EQ(g.fitMask, 63);
  //          a  b  c    d  e  f
  g.setFit({2, 1, 0.5, 3, 5, 2});
  EXPECT_DOUBLE_EQ(g.value(5), 6);  // the maximum lies at x = b * e
  EXPECT_DOUBLE_EQ(g.derivative(5, 1), 0);

  // Off the peak every analytic derivative matches a central difference of
  // the value in its own parameter.
  const std::vector<double> base{1.7, 1.02, 0.3, 1.4, 3.1, 1.3};
  for (double x : {2.4, 3.0, 3.9}) {
    for (int i = 0; i < 6; ++i) {
      const double h = 1e-6;
      std::vector<double> up = base, down = base;
      up[i] += h;
      down[i] -= h;
      g.setFit(up);
      const double vUp = g.value(x);
      g.setFit(down);
      const double numeric = (vUp - g.value(x)) / (2 * h);
      g.setFit(base);
      EXPECT_NEAR(g.derivative(x, i), numeric, 1e-6 * (1 + std::abs(numeric))) << "x=" << x << " parameter " << i;
    }
  }
}

TEST(FitFunctions, MaskedBindsFittedAndConstantParametersInOrder) {
  clPoly23 p;
  p.initMasked(5, {2});  // a and c fitted, b constant
  EXPECT_EQ(p.nFit, 2);
  ASSERT_EQ(p.derivs.size(), 2u);
  p.setFit({1, 3});
  EXPECT_DOUBLE_EQ(p.value(2), 11);
  EXPECT_DOUBLE_EQ(p.derivative(2, 0), 4);  // d/da
  EXPECT_DOUBLE_EQ(p.derivative(2, 1), 1);  // d/dc
  EXPECT_EQ(p.getAll(), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(p.constPrm, std::vector<double>{2});

  EXPECT_THROW(p.initMasked(5, {}), std::invalid_argument);
  EXPECT_THROW(p.setFit({1, 2, 3}), std::invalid_argument);
}

TEST(FitFunctions, PrintListsValuesAndKinds) {
  QuietDiagnostics q;
  clPoly23 p;
  p.initMasked(0, {1, 2, 3});
  p.print();
  EXPECT_EQ(q.out.str(), "\nparameters: a=1\tconst\nb=2\tconst\nc=3\tconst\n");

  std::ostringstream os;
  clGauss6 g;
  g.initShared(7, 6, {1, 2.5, 1});
  commonPrm = {1.01, 0.125};
  g.setFit({30});
  g.print(os);
  EXPECT_EQ(os.str(),
            "\nparameters: a=30\tfit\nb=1.01\tfit common\nc=0.125\tfit common\nd=1\tconst\ne=2.5\tconst\n"
            "f=1\tconst\n");
  EXPECT_EQ(q.out.str().substr(q.out.str().size() - 11), "\n flag_cmn6");
}

TEST(FitFunctions, SharedParametersAreOneValueForAllOwners) {
  QuietDiagnostics q;
  clGauss6 g0, g1;
  g0.initShared(7, 6, {1, 2.5, 1});
  g1.initShared(7, 6, {1, 3.5, 1});
  EXPECT_EQ(g0.nFit, 1);
  ASSERT_EQ(commonPrm.size(), 2u);
  ASSERT_EQ(commonDerivs.size(), 4u);
  EXPECT_EQ(commonIndex, (std::vector<int>{0, 1, 0, 1}));
  EXPECT_EQ(commonDerivs[2].owner, &g1);

  g0.setFit({10});
  g1.setFit({20});
  commonPrm = {1.01, 0.2};
  EXPECT_DOUBLE_EQ(g0.value(2.5 * 1.01), 10);
  EXPECT_DOUBLE_EQ(g1.value(3.5 * 1.01), 20);
  // The entries of a common parameter are the owners' own derivatives.
  EXPECT_DOUBLE_EQ(commonDerivs[0](2.6), g0.partial(1, 2.6));
  EXPECT_DOUBLE_EQ(commonDerivs[3](3.3), g1.partial(2, 3.3));

  // setAll writes through the bindings, the common storage included.
  g1.setAll({5, 1.02, 0.3, 1, 3.5, 1});
  EXPECT_EQ(commonPrm, (std::vector<double>{1.02, 0.3}));
  EXPECT_EQ(g0.getAll(), (std::vector<double>{10, 1.02, 0.3, 1, 2.5, 1}));
}

TEST(FitFunctions, UseBeforeInitIsAnError) {
  clGauss6 g;
  EXPECT_THROW(g.value(1), std::logic_error);
}

}  // namespace
}  // namespace grainix
