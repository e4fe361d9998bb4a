#pragma once
// Symmetry operations of a crystal: the "x,y,z" form of one operation, the
// checks that a list of them is a group fitting the cell, and the operations
// of a group known only by its Hermann-Mauguin symbol, Hall symbol or number
// (taken from spglib's tables).
#include <array>
#include <string>
#include <vector>

namespace grainix {

// Cell lengths (Angs) and angles (degrees).
struct StCell {
  double a = 0, b = 0, c = 0;
  double alpha = 90, beta = 90, gamma = 90;
};

// Cartesian frame of a cell: a along x, b in the xy plane. `axis[j]` is the
// unit vector of cell axis j, `length[j]` its length. Angles of exactly 90,
// 60 and 120 degrees give exact cosines, so a cubic or tetragonal cell has
// axes exactly along x, y, z.
struct StCellFrame {
  std::array<std::array<double, 3>, 3> axis{};
  std::array<double, 3> length{};
  double volume = 0;
  // Reciprocal vectors: fractional coordinate j of a Cartesian point p is
  // recip[j] . p.
  std::array<std::array<double, 3>, 3> recip{};
};
// False when the angles do not make a cell (zero or negative volume).
bool cellFrame(const StCell& cell, StCellFrame& frame);

// One operation: x' = rot x + trans, fractional coordinates, trans in [0, 1).
struct StSymOp {
  std::array<std::array<int, 3>, 3> rot{};
  std::array<double, 3> trans{};
};

// Parses an operation such as "-x+1/2, y, z-1/4", "1/2-y,x-y,z+0.5" or
// "+X,+Y,+Z". Each of the three parts is a sum of terms: x, y, z with an
// optional integer factor, and constants (integers, fractions a/b or
// decimals). False with the reason in `why` otherwise.
bool parseSymOp(const std::string& text, StSymOp& op, std::string* why = nullptr);
// "x,y,z" form of an operation, translations as fractions where they are one.
std::string symOpText(const StSymOp& op);

// The pure translations among the operations (the centring vectors), the
// zero vector first.
std::vector<std::array<double, 3>> centringVectors(const std::vector<StSymOp>& ops);

// Checks that `ops` is a crystallographic space group for `cell`: every
// rotation has determinant +-1 and keeps the cell's lengths and angles, the
// identity is present and every product of two operations is in the list
// (translations compared modulo 1). Duplicates are dropped first. Returns ""
// when all holds, else what failed.
std::string checkSymmetryGroup(std::vector<StSymOp>& ops, const StCell& cell);

// A space-group setting of spglib's table (its "Hall number", 1..530).
struct StSettingMatch {
  int hallNumber = 0;  // 0: no setting chosen, see `error`
  std::string error;
};
// Setting named by a Hermann-Mauguin symbol as CIF files write it ("P 42/m n m",
// "Fm-3m", "P 21/c", "F d -3 m :2", "R -3 m H"). Spaces and underscores do not
// matter. Among settings that share the symbol, those whose rotations do not
// fit the cell are dropped (rhombohedral or hexagonal axes, the unique axis of
// a monoclinic group); of the rest the standard one is taken, but a symbol
// whose group has two origin choices must say which (":1" or ":2").
StSettingMatch settingForSymbol(const std::string& symbol, const StCell& cell);
// Setting named by a Hall symbol ("-F 4 2 3"); spaces and letter case do not matter.
StSettingMatch settingForHall(const std::string& hall);
// Standard setting of an International Tables number (1..230), with the same
// rules as a symbol.
StSettingMatch settingForNumber(int number, const StCell& cell);
// Operations of a setting (centring translations included).
std::vector<StSymOp> settingOperations(int hallNumber);
// Short symbol of a setting, e.g. "Fm-3m", "P4_2/mnm".
std::string settingShortSymbol(int hallNumber);
// Short symbol of the group the operations form in `cell`, "" when spglib
// cannot tell.
std::string identifySpaceGroup(const std::vector<StSymOp>& ops, const StCell& cell);

}  // namespace grainix
