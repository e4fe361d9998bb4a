#pragma once
// Concentric sections of a grain (core, shells, surface) and their radial mapping.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace grainix {

struct StSectionPrm {
  std::string name = "empty";
  int32_t n = 0;              // displacement function number, always 0
  double r = 0;               // outer radius (Angs)
  double latticePrmMod = 0;   // latticePrm * (1 + a / 100)
  double a = 0;               // psi: relative change of the lattice parameter, %
  double b = 0;               // inner radius
  double c = 0;               // outer radius again
  double volumePrc = 0;       // share of the grain volume (area for cylinders), %
};
using secPrm = std::vector<StSectionPrm>;

struct StRgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const StRgb&) const = default;
};
// Colour of section row i: the six-colour table, repeating.
StRgb sectionColour(size_t row);

// Displacement function of a section list: r -> r'.
class funcPDF {
 public:
  virtual ~funcPDF() = default;
  virtual void setParams(double p1, double p2, double p3);
  virtual void setParams(double p1, double p2, double p3, double p4, double p5);
  // Diagnostic listing of the sections (the process console by default).
  virtual void printSections(std::ostream& out) const = 0;
  void printSections() const;
  virtual double value(double r) const = 0;

  double prm[5] = {0, 0, 0, 0, 0};
  std::string name;
  std::string picture;
  int32_t id = 0;
};

// The percentage mapping: inside section i every distance scales by
// 1 + a_i/100 while the sections stay contiguous; beyond the last outer
// radius r is returned unchanged.
class funcGeneric0 : public funcPDF {
 public:
  explicit funcGeneric0(const secPrm& sections);
  void printSections(std::ostream& out) const override;
  double value(double r) const override;

 private:
  const secPrm& sections_;
};

// Volume shares in %: (r_i^k - r_{i-1}^k) / (0.01 R^k) with k = 3 for spheres,
// 2 for cylinders, the radii taken in single precision. Written to volumePrc.
void computeVolumeShares(secPrm& sections, double grainRadius, bool sphere);

}  // namespace grainix
