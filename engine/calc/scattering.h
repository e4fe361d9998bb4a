#pragma once
// Element table records and the scattering-factor and Debye-model functions.
#include <string>
#include <vector>

namespace grainix {

// One element of the table "scFact.sft".
struct StScatEquPrm {
  std::string name;
  // a1, b1, a2, b2, a3, b3, a4, b4 interleaved, then c.
  double coef[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
  double lc = 0;
  double td = 2230;
  double mass = 12;
  std::string latt = "?";
  // False when the table gives no Debye temperature for the element (td
  // then holds the program default, which describes no real element).
  bool tdKnown = true;

  double a(int i) const { return coef[2 * (i - 1)]; }  // i = 1..4
  double b(int i) const { return coef[2 * (i - 1) + 1]; }
  double c() const { return coef[8]; }
};
using ElementTable = std::vector<StScatEquPrm>;

// Physical constants of the Debye model.
constexpr double kHbar = 1.05e-34;
constexpr double kBoltzmann = 1.38e-23;
constexpr double kAtomicMass = 1.66e-27;
// K0 = 3e20 hbar^2 / k / u (displacement in Angs for T, Td in K and mass in u).
inline const double K0 = 3e20 * kHbar * kHbar / kBoltzmann / kAtomicMass;
inline const double K1 = K0 * 78.95683520871486;  // K0 * 8 pi^2

// f(s) = c + sum a_i exp(-b_i s^2), s = sin(theta) / lambda.
double scatteringFactor(const StScatEquPrm& element, double s);
inline double unitScatteringFactor(const StScatEquPrm&, double) { return 1.0; }
// The Debye model. debyeFunction(y), y = T / Td, is phi(x)/x + 1/4 with
// x = 1/y and phi the Debye integral function; the mean square displacement
// along one axis is K0 debyeFunction / (mass Td), the Debye-Waller B is
// 8 pi^2 times that.
double debyeFunction(double y);
// exp(-B s^2), the factor of a scattering amplitude at s = sin(theta) / lambda.
double debyeWallerFactor(double s, double T, double Td, double mass);
// sqrt(<u_x^2>): the root-mean-square displacement along one axis, Angs.
double rmsDisplacement(double T, double Td, double mass);

}  // namespace grainix
