#pragma once
// Lattice generators: the class family that turns a lattice, a lattice
// parameter, a radius and one or two elements into the node list of a
// spherical grain centred on a lattice point.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/grain/grain_node.h"
#include "engine/grain/lattice_grid.h"

namespace grainix {

class GenNodes {
 protected:
  // Each concrete generator passes its kind and name. Monoatomic: both
  // element pairs are the one element.
  GenNodes(int32_t kind, const char* name, double radius, double latticePrm, vGrainNodes& nodes,
           int32_t elementIndex, const std::string& element);
  // Biatomic: radius, lattice parameter and both elements from the grain parameters.
  GenNodes(int32_t kind, const char* name, vGrainNodes& nodes, StGrainPrm& prm);
  // A grain read from a file: R = a = 0, indices -1, symbols `symbol`.
  GenNodes(int32_t kind, const char* name, vGrainNodes& nodes, const std::string& symbol);

 public:
  virtual ~GenNodes() = default;
  GenNodes(const GenNodes&) = delete;
  GenNodes& operator=(const GenNodes&) = delete;

  virtual void generate() = 0;
  virtual vGrainNodes unitCell() const = 0;
  virtual void siteKinds(std::vector<int32_t>& out) const = 0;

  int32_t count = 0;
  int32_t kind = 0;
  double radius = 0;
  double latticePrm = 0;
  vGrainNodes& nodes;
  std::string name = "nn";
  bool modified = false;
  int32_t elementIndexL = -1, elementIndexR = -1;
  std::string elementL, elementR;
  StGrainPrm* grainPrm = nullptr;
  // The grid the generated nodes lie on; absent for grains read from files
  // and cleared when a modification of the grain is approved.
  std::optional<StLatticeGrid> grid;
};

// Appends (x, y, z) and its mirror images in the fixed order when
// x^2 + y^2 + z^2 <= r2; x, y, z >= 0.
void addSymmetricNodes(double x, double y, double z, double r2, vGrainNodes& nodes, const std::string& symbol,
                       int32_t index);

class scNodes : public GenNodes {
 public:
  scNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindSc, "sc", radius, a, nodes, index, element) {}
  scNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindSc, "sc", nodes, prm) {}
  explicit scNodes(vGrainNodes& nodes) : GenNodes(kindSc, "sc", nodes, "X") {}
  void generate() override;
  vGrainNodes unitCell() const override;
  void siteKinds(std::vector<int32_t>& out) const override;
};

class bccNodes : public GenNodes {
 public:
  bccNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindBcc, "bcc", radius, a, nodes, index, element) {}
  bccNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindBcc, "bcc", nodes, prm) {}
  explicit bccNodes(vGrainNodes& nodes) : GenNodes(kindBcc, "bcc", nodes, "X") {}
  void generate() override;
  vGrainNodes unitCell() const override;
  void siteKinds(std::vector<int32_t>& out) const override;
};

class fccNodes : public GenNodes {
 public:
  fccNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindFcc, "fcc", radius, a, nodes, index, element) {}
  fccNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindFcc, "fcc", nodes, prm) {}
  explicit fccNodes(vGrainNodes& nodes) : GenNodes(kindFcc, "fcc", nodes, "X") {}
  void generate() override;
  vGrainNodes unitCell() const override;
  void siteKinds(std::vector<int32_t>& out) const override;
};

// Zinc blende (two elements) or diamond (one element): fcc points, then the
// second sublattice shifted by (a/4, a/4, a/4); node n+i is the partner of node i.
class diamNodes : public GenNodes {
 public:
  diamNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindDiam, "diamond like", radius, a, nodes, index, element) {}
  diamNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindDiam, "zinc blende", nodes, prm) {}
  explicit diamNodes(vGrainNodes& nodes) : GenNodes(kindDiam, "zinc blende or diamond like", nodes, "X") {}
  void generate() override;
  vGrainNodes unitCell() const override;
  void siteKinds(std::vector<int32_t>& out) const override;
};

// The hidden "test" structure: a square layer in the plane z = 0.
class twoDimNodes : public GenNodes {
 public:
  twoDimNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindSc, "2D", radius, a, nodes, index, element) {}
  twoDimNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindSc, "2D", nodes, prm) {}
  explicit twoDimNodes(vGrainNodes& nodes) : GenNodes(kindSc, "2D", nodes, "X") {}
  void generate() override;
  vGrainNodes unitCell() const override;
  void siteKinds(std::vector<int32_t>& out) const override;
};

// Stacked grains: the nodes come from the stacking engine; generate does nothing.
class hcpNodes : public GenNodes {
 public:
  hcpNodes(double radius, double a, vGrainNodes& nodes, int32_t index, const std::string& element)
      : GenNodes(kindHcp, "hcp", radius, a, nodes, index, element) {}
  hcpNodes(vGrainNodes& nodes, StGrainPrm& prm) : GenNodes(kindHcp, "hcp", nodes, prm) {}
  explicit hcpNodes(vGrainNodes& nodes) : GenNodes(kindHcp, "hcp", nodes, "X") {}
  void generate() override {}
  vGrainNodes unitCell() const override { return {}; }
  void siteKinds(std::vector<int32_t>& out) const override { out.push_back(Corner); }
};

// Grains cut from a crystal read from a CIF file: the CIF build fills the
// list; generate does nothing. The name says "cif", the formula and the
// space group ("cif TiO2 P4_2/mnm"); `cell` holds the positions of the
// crystal's cell (fractional, with their element).
class cifNodes : public GenNodes {
 public:
  cifNodes(vGrainNodes& nodes, StGrainPrm& prm, const std::string& name, vGrainNodes cell = {})
      : GenNodes(kindCif, "cif", nodes, prm), cell_(std::move(cell)) {
    this->name = name;
  }
  // Recreated from a file header: only the name is known.
  cifNodes(vGrainNodes& nodes, const std::string& name) : GenNodes(kindCif, "cif", nodes, "X") { this->name = name; }
  void generate() override {}
  vGrainNodes unitCell() const override { return cell_; }
  void siteKinds(std::vector<int32_t>&) const override {}

 private:
  vGrainNodes cell_;
};

// Grains read from a file: the reader fills the list; generate does nothing.
class xyzNodes : public GenNodes {
 public:
  explicit xyzNodes(vGrainNodes& nodes) : GenNodes(kindXyz, "xyz", nodes, "") {}
  void generate() override {}
  vGrainNodes unitCell() const override { return nodes; }
  void siteKinds(std::vector<int32_t>&) const override {}
};

}  // namespace grainix
