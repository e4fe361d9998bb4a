#pragma once
// The grid the nodes of an unmodified generated grain lie on: a lattice
// given by three basis vectors and a few positions inside its cell (the
// cosets). Every node sits at basis * (n + offset) for an integer vector n
// and one of the offsets, up to the rounding of the generator's arithmetic.
// Pair counts of such a grain can be computed per lattice vector instead of
// per pair of atoms.
#include <array>
#include <vector>

namespace grainix {

struct StLatticeGrid {
  // basis[d] is lattice vector d (Angs).
  std::array<std::array<double, 3>, 3> basis{};
  // Positions of the cosets in the cell, in units of the basis vectors.
  std::vector<std::array<double, 3>> offsets;
};

// Cubic lattices on the cube of edge a: simple cubic (one coset), body
// centred (two), face centred (four), diamond / zinc blende (the four face
// centred cosets, then the same shifted by a/4 along every axis). The 2D
// test layer lies on the simple cubic grid.
StLatticeGrid scGrid(double a);
StLatticeGrid bccGrid(double a);
StLatticeGrid fccGrid(double a);
StLatticeGrid diamondGrid(double a);

// Stacked close-packed grains: in-layer vectors A = (0, ha, 0) and
// B = (ha sqrt(3)/2, -ha/2, 0), layer vector (0, 0, c); the layer positions
// A, B and C at 0, (2A + B)/3 and (A + 2B)/3; with the sublattice the same
// three raised by u c.
StLatticeGrid stackedGrid(double ha, double c, bool sublattice, double u);

}  // namespace grainix
