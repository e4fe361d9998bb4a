#include "engine/grain/generators.h"

#include <cmath>

namespace grainix {

GenNodes::GenNodes(int32_t k, const char* n, double r, double a, vGrainNodes& list, int32_t index,
                   const std::string& element)
    : kind(k), radius(r), latticePrm(a), nodes(list), name(n), elementIndexL(index), elementIndexR(index), elementL(element),
      elementR(element) {}

GenNodes::GenNodes(int32_t k, const char* n, vGrainNodes& list, StGrainPrm& prm)
    : kind(k), radius(prm.radius), latticePrm(prm.latticePrm), nodes(list), name(n), elementIndexL(prm.elementIndexL),
      elementIndexR(prm.elementIndexR), elementL(prm.elementL), elementR(prm.elementR), grainPrm(&prm) {}

GenNodes::GenNodes(int32_t k, const char* n, vGrainNodes& list, const std::string& symbol)
    : kind(k), nodes(list), name(n), elementL(symbol), elementR(symbol) {}

void addSymmetricNodes(double x, double y, double z, double r2, vGrainNodes& nodes, const std::string& symbol,
                       int32_t index) {
  const double s = x * x + y * y + z * z;
  if (s > r2) return;
  const double r = std::sqrt(s);
  auto add = [&](double px, double py, double pz) {
    StGrainNode n;
    n.x = n.x0 = px;
    n.y = n.y0 = py;
    n.z = n.z0 = pz;
    n.r = r;
    n.element = symbol;
    n.elementIndex = index;
    nodes.push_back(std::move(n));
  };
  add(x, y, z);
  if (z != 0.0) add(x, y, -z);
  if (z != 0.0 && y != 0.0) add(x, -y, -z);
  if (z != 0.0 && y != 0.0 && x != 0.0) add(-x, -y, -z);
  if (y != 0.0) add(x, -y, z);
  if (y != 0.0 && x != 0.0) add(-x, -y, z);
  if (x != 0.0) add(-x, y, z);
  if (x != 0.0 && z != 0.0) add(-x, y, -z);
}

namespace {

// The walk over the positive octant: x outermost, z innermost, each value
// reached by repeated addition of a, while <= R.
template <typename Visit>
void cubicWalk(double a, double radius, Visit visit) {
  for (double x = 0.0; x <= radius; x += a)
    for (double y = 0.0; y <= radius; y += a)
      for (double z = 0.0; z <= radius; z += a) visit(x, y, z);
}

vGrainNodes corners() {
  vGrainNodes cell;
  for (int i = 0; i <= 1; ++i)
    for (int j = 0; j <= 1; ++j)
      for (int k = 0; k <= 1; ++k) {
        StGrainNode n;
        n.x = n.x0 = i;
        n.y = n.y0 = j;
        n.z = n.z0 = k;
        n.siteKind = Corner;
        cell.push_back(n);
      }
  return cell;
}

void addSite(vGrainNodes& cell, double x, double y, double z, int32_t kind) {
  StGrainNode n;
  n.x = n.x0 = x;
  n.y = n.y0 = y;
  n.z = n.z0 = z;
  n.siteKind = kind;
  cell.push_back(n);
}

vGrainNodes fccCell() {
  vGrainNodes cell = corners();
  addSite(cell, 0.5, 0.5, 0, Wall);
  addSite(cell, 0.5, 0.5, 1, Wall);
  addSite(cell, 0.5, 0, 0.5, Wall);
  addSite(cell, 0.5, 1, 0.5, Wall);
  addSite(cell, 0, 0.5, 0.5, Wall);
  addSite(cell, 1, 0.5, 0.5, Wall);
  return cell;
}

}  // namespace

// --- sc ---------------------------------------------------------------
void scNodes::generate() {
  const double r2 = radius * radius;
  cubicWalk(latticePrm, radius, [&](double x, double y, double z) {
    addSymmetricNodes(x, y, z, r2, nodes, elementL, elementIndexL);
  });
  count = static_cast<int32_t>(nodes.size());
  grid = scGrid(latticePrm);
}
vGrainNodes scNodes::unitCell() const { return corners(); }
void scNodes::siteKinds(std::vector<int32_t>& out) const { out.push_back(Corner); }

// --- bcc --------------------------------------------------------------
void bccNodes::generate() {
  const double r2 = radius * radius;
  const double h = latticePrm / 2;
  cubicWalk(latticePrm, radius, [&](double x, double y, double z) {
    addSymmetricNodes(x, y, z, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x + h, y + h, z + h, r2, nodes, elementL, elementIndexL);
  });
  count = static_cast<int32_t>(nodes.size());
  grid = bccGrid(latticePrm);
}
vGrainNodes bccNodes::unitCell() const {
  vGrainNodes cell = corners();
  addSite(cell, 0.5, 0.5, 0.5, Inner);
  return cell;
}
void bccNodes::siteKinds(std::vector<int32_t>& out) const {
  out.push_back(Corner);
  out.push_back(Inner);
}

// --- fcc --------------------------------------------------------------
void fccNodes::generate() {
  const double r2 = radius * radius;
  const double h = latticePrm / 2;
  cubicWalk(latticePrm, radius, [&](double x, double y, double z) {
    addSymmetricNodes(x, y, z, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x + h, y + h, z, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x, y + h, z + h, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x + h, y, z + h, r2, nodes, elementL, elementIndexL);
  });
  count = static_cast<int32_t>(nodes.size());
  grid = fccGrid(latticePrm);
}
vGrainNodes fccNodes::unitCell() const { return fccCell(); }
void fccNodes::siteKinds(std::vector<int32_t>& out) const {
  out.push_back(Corner);
  out.push_back(Wall);
}

// --- zinc blende / diamond -------------------------------------------
void diamNodes::generate() {
  const double r2 = radius * radius;
  const double h = latticePrm / 2;
  cubicWalk(latticePrm, radius, [&](double x, double y, double z) {
    addSymmetricNodes(x, y, z, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x, y + h, z + h, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x + h, y, z + h, r2, nodes, elementL, elementIndexL);
    addSymmetricNodes(x + h, y + h, z, r2, nodes, elementL, elementIndexL);
  });
  // Second sublattice: the same shift for every node, r of the partner, no
  // distance test.
  const size_t n = nodes.size();
  const double q = latticePrm / 4;
  nodes.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    StGrainNode p;
    p.x = p.x0 = nodes[i].x + q;
    p.y = p.y0 = nodes[i].y + q;
    p.z = p.z0 = nodes[i].z + q;
    p.r = nodes[i].r;
    p.siteKind = Diamond;
    p.element = elementR;
    p.elementIndex = elementIndexR;
    nodes.push_back(std::move(p));
  }
  count = static_cast<int32_t>(2 * n);
  grid = diamondGrid(latticePrm);
}
vGrainNodes diamNodes::unitCell() const {
  vGrainNodes cell = fccCell();
  addSite(cell, 0.25, 0.25, 0.25, Diamond);
  addSite(cell, 0.75, 0.75, 0.25, Diamond);
  addSite(cell, 0.75, 0.25, 0.75, Diamond);
  addSite(cell, 0.25, 0.75, 0.75, Diamond);
  return cell;
}
void diamNodes::siteKinds(std::vector<int32_t>& out) const {
  out.push_back(Corner);
  out.push_back(Wall);
  out.push_back(Diamond);
}

// --- 2D test layer ------------------------------------------------------
void twoDimNodes::generate() {
  const double a = latticePrm;
  const double m = std::floor(radius / a) * a;
  const double r2 = radius * radius;
  for (double x = -m; x <= radius; x += a)
    for (double y = -m; y <= radius; y += a)
      if (x * x + y * y <= r2) {
        StGrainNode n;
        n.x = n.x0 = x;
        n.y = n.y0 = y;
        n.r = std::sqrt(x * x + y * y);
        n.element = elementL;
        n.elementIndex = elementIndexL;
        nodes.push_back(std::move(n));
        ++count;
      }
  grid = scGrid(a);
}
vGrainNodes twoDimNodes::unitCell() const { return corners(); }
void twoDimNodes::siteKinds(std::vector<int32_t>& out) const { out.push_back(Corner); }

// --- stacked and file grains ------------------------------------------

}  // namespace grainix
