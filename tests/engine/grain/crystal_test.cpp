#include "engine/grain/crystal.h"

#include <gtest/gtest.h>

#include "tests/engine/grain/cif_test_support.h"

namespace grainix {
namespace {

using test::cifData;
using test::crystalOf;
using test::tableSymbols;
using test::writeCif;

// A cell of rock salt; the pieces are replaced by the cases below.
const std::string kCell =
    "_cell_length_a 5.64\n_cell_length_b 5.64\n_cell_length_c 5.64\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
const std::string kSites =
    "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "Na1 Na 0 0 0\nCl1 Cl 0.5 0.5 0.5\n";
const std::string kSymbol = "_space_group_name_H-M_alt 'F m -3 m'\n";

std::string file(const std::string& cell, const std::string& symmetry, const std::string& sites) {
  return "data_test\n" + cell + symmetry + sites;
}

TEST(CrystalRefusals, EveryIncompleteOrInconsistentFileIsRefusedWithItsPlace) {
  const std::string ops4 = "loop_\n_space_group_symop_operation_xyz\nx,y,z\n-y,x,z\n-x,-y,z\n";  // no y,-x,z
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> expected;  // parts of the message
  } cases[] = {
      {"no cell", file("", kSymbol, kSites), {"no cell: _cell_length_a is missing"}},
      {"unknown length",
       file("_cell_length_a ?\n_cell_length_b 5\n_cell_length_c 5\n", kSymbol, kSites),
       {"line 2: no cell: _cell_length_a is \"?\""}},
      {"length not a number", file("_cell_length_a five\n_cell_length_b 5\n_cell_length_c 5\n", kSymbol, kSites),
       {"line 2: _cell_length_a \"five\" is not a number"}},
      {"negative length", file("_cell_length_a -5\n_cell_length_b 5\n_cell_length_c 5\n", kSymbol, kSites),
       {"line 2: _cell_length_a \"-5\" is not a length > 0"}},
      {"angles make no cell",
       file("_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n_cell_angle_alpha 120\n_cell_angle_beta 120\n"
            "_cell_angle_gamma 120\n",
            kSymbol, kSites),
       {"line 5: the cell angles 120, 120, 120 make no cell"}},
      {"no sites", file(kCell, kSymbol, ""), {"no atom sites (_atom_site_fract_x is missing)"}},
      {"Cartesian sites only",
       file(kCell, kSymbol, "loop_\n_atom_site_label\n_atom_site_Cartn_x\n_atom_site_Cartn_y\n_atom_site_Cartn_z\nNa1 0 0 0\n"),
       {"Cartesian ones are not read"}},
      {"unknown element",
       file(kCell, kSymbol,
            "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
            "_atom_site_fract_z\nNa1 Na 0 0 0\nQq1 Qq3+ 0.5 0.5 0.5\n"),
       {"line 16: the element \"Qq\" of site \"Qq1\" (_atom_site_type_symbol \"Qq3+\") is not in the element table"}},
      {"label names no element",
       file(kCell, kSymbol, "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\nQ1 0 0 0\n"),
       {"line 14: site \"Q1\" has no _atom_site_type_symbol and its label names no element"}},
      {"coordinate unknown",
       file(kCell, kSymbol,
            "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
            "_atom_site_fract_z\nNa1 Na 0 ? 0\n"),
       {"line 15: _atom_site_fract_y of site \"Na1\" is \"?\", not a number"}},
      {"occupancy above 1",
       file(kCell, kSymbol,
            "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
            "_atom_site_fract_z\n_atom_site_occupancy\nNa1 Na 0 0 0 1.5\n"),
       {"line 16: the occupancy \"1.5\" of site \"Na1\" is not between 0 and 1"}},
      {"sites overfill a position",
       file(kCell, kSymbol,
            "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
            "_atom_site_fract_z\n_atom_site_occupancy\nNa1 Na 0 0 0 1\nK1 K 0.001 0 0 0.5\n"),
       {"line 17: sites \"Na1\" and \"K1\" lie at one position", "add up to 1.5"}},
      {"operations do not close", file(kCell, ops4, kSites),
       {"line 10: inconsistent symmetry in _space_group_symop_operation_xyz: the operations do not form a group"}},
      {"identity missing",
       file(kCell, "loop_\n_symmetry_equiv_pos_as_xyz\n-x,-y,-z\n", kSites),
       {"line 10: inconsistent symmetry in _symmetry_equiv_pos_as_xyz: the identity x,y,z is missing"}},
      {"operation does not fit the cell",
       file("_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 5\n",
            "loop_\n_space_group_symop_operation_xyz\nx,y,z\n-y,x,z\n-x,-y,z\ny,-x,z\n", kSites),
       {"line 7: inconsistent symmetry", "-y,x,z does not fit the cell"}},
      {"operation that is none",
       file(kCell, "loop_\n_space_group_symop_operation_xyz\nx,y,z\n'x,y'\n", kSites),
       {"line 11: _space_group_symop_operation_xyz \"x,y\" is not an operation"}},
      {"symbol spglib does not know", file(kCell, "_symmetry_space_group_name_H-M 'F m -3 q'\n", kSites),
       {"line 8: inconsistent symmetry in _symmetry_space_group_name_H-M: the space group \"F m -3 q\" is not a space group spglib knows"}},
      {"symbol does not fit the cell",
       file("_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 7\n", kSymbol, kSites),
       {"line 5: inconsistent symmetry in _space_group_name_H-M_alt", "does not fit the cell"}},
      {"origin choice missing", file(kCell, "_space_group_name_H-M_alt 'F d -3 m'\n", kSites),
       {"line 8:", "has two origin choices"}},
      {"Hall symbol unknown", file(kCell, "_space_group_name_Hall '-Q 4 2 3'\n", kSites),
       {"line 8: inconsistent symmetry in _space_group_name_Hall: the Hall symbol \"-Q 4 2 3\" is not one spglib knows"}},
      {"number out of range", file(kCell, "_space_group_IT_number 231\n", kSites),
       {"line 8: _space_group_IT_number \"231\" is not a space-group number (1 to 230)"}},
      {"no symmetry", file(kCell, "", kSites), {"no symmetry: give _space_group_symop_operation_xyz"}},
      {"syntax: open quote", "data_x\n_cell_length_a 5\n_cell_length_b '5\n", {"line 3, column 17: encountered an un-terminated inline quoted string"}},
      {"data name twice", file(kCell + "_cell_length_a 6\n", kSymbol, kSites), {"line 8, column 14: duplicate item name"}},
      {"no data block", "# nothing here\n", {"no data block"}},
  };
  for (const auto& c : cases) {
    const std::string path = writeCif("refused.cif", c.text);
    StCrystal crystal;
    std::string error;
    EXPECT_FALSE(readCrystal(path, tableSymbols(), crystal, error)) << c.name;
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << c.name << ": the file is named first: " << error;
    for (const auto& part : c.expected) EXPECT_NE(error.find(part), std::string::npos) << c.name << ": " << error;
  }
  StCrystal crystal;
  std::string error;
  EXPECT_FALSE(readCrystal("/nonexistent/x.cif", tableSymbols(), crystal, error));
  EXPECT_EQ(error, "couldn't open file: /nonexistent/x.cif");
}

TEST(Crystal, TestFilesGiveTheirFormulaGroupAndCellContents) {
  struct Case {
    const char* file;
    const char* formula;
    const char* group;
    const char* source;
    size_t positions;
  } cases[] = {
      {"nacl.cif", "NaCl", "Fm-3m", "_symmetry_space_group_name_H-M", 8},
      {"zno_wurtzite.cif", "ZnO", "P6_3mc", "_space_group_symop_operation_xyz", 4},
      {"rutile.cif", "TiO2", "P4_2/mnm", "_symmetry_equiv_pos_as_xyz", 6},
      {"batio3_cubic.cif", "BaTiO3", "Pm-3m", "_space_group.name_Hall", 5},
      {"cdse_zincblende.cif", "CdSe", "F-43m", "_space_group_IT_number", 8},
      {"mg_hcp.cif", "Mg", "P6_3/mmc", "_space_group_name_H-M_alt", 2},
      {"ni_fcc.cif", "Ni", "Fm-3m", "_space_group_name_H-M_alt", 4},
      {"zns_sphalerite.cif", "ZnS", "F-43m", "_space_group_symop_operation_xyz", 8},
  };
  for (const auto& c : cases) {
    const StCrystal crystal = crystalOf(cifData(c.file));
    EXPECT_EQ(crystal.formula, c.formula) << c.file;
    EXPECT_EQ(crystal.spaceGroup, c.group) << c.file;
    EXPECT_EQ(crystal.symmetrySource, c.source) << c.file;
    EXPECT_EQ(crystal.positions.size(), c.positions) << c.file;
  }
  // Values with their uncertainty, charges stripped, elements from labels.
  const StCrystal rutile = crystalOf(cifData("rutile.cif"));
  EXPECT_EQ(rutile.elements, (std::vector<std::string>{"Ti", "O"}));
  EXPECT_DOUBLE_EQ(rutile.sites[1].fract[0], 0.30478);
  EXPECT_DOUBLE_EQ(rutile.cell.a, 4.5937);
  EXPECT_EQ(rutile.sites[1].multiplicity, 4);
  EXPECT_NE(std::find(rutile.notes.begin(), rutile.notes.end(),
                      "site O1 has no type symbol: element O taken from its label"),
            rutile.notes.end());
  const StCrystal nacl = crystalOf(cifData("nacl.cif"));
  EXPECT_EQ(nacl.elements, (std::vector<std::string>{"Na", "Cl"}));
  EXPECT_EQ(nacl.elementIndices[0], 10);  // Na is element 11 of the table
}

TEST(Crystal, SpecialPositionsMergeAlsoAcrossTheCellBoundary) {
  // A site written a hair off the origin and one a hair below 1: their
  // images under Fm-3m fall on the four fcc positions (within the tolerance).
  const std::string text = file(kCell, kSymbol,
                                "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                                "_atom_site_fract_y\n_atom_site_fract_z\nNa1 Na 0.0001 0 0\nCl1 Cl 0.5 0 0.9999\n");
  const StCrystal c = crystalOf(writeCif("merge.cif", text));
  EXPECT_EQ(c.sites[0].multiplicity, 4);
  EXPECT_EQ(c.sites[1].multiplicity, 4);
  EXPECT_EQ(c.positions.size(), 8u);
  EXPECT_FALSE(c.partialOccupancy);
  // Wurtzite written with 0.33333 and 0.66667: the images of each site meet.
  EXPECT_EQ(crystalOf(cifData("zno_wurtzite.cif")).sites[0].multiplicity, 2);
}

TEST(Crystal, SharedPositionsKeepTheirSitesAndOccupancies) {
  const std::string text = file(kCell, kSymbol,
                                "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                                "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n"
                                "Fe1 Fe 0 0 0 0.3\nNi1 Ni 0 0 0 0.6\nO1 O 0.5 0.5 0.5 0.75\nX1 Na 0.25 0.25 0.25 0\n");
  const StCrystal c = crystalOf(writeCif("shared.cif", text));
  ASSERT_EQ(c.positions.size(), 8u);  // 4 shared by Fe and Ni, 4 of O; X1 left out
  EXPECT_EQ(c.positions[0].sites, (std::vector<int>{0, 1}));
  EXPECT_TRUE(c.partialOccupancy);
  EXPECT_EQ(c.elements, (std::vector<std::string>{"Fe", "Ni", "O"}));
  EXPECT_EQ(c.formula, "Fe2Ni4O5");  // 1.2 Fe, 2.4 Ni and 3 O in the cell
  EXPECT_NE(std::find(c.notes.begin(), c.notes.end(), "site X1 has occupancy 0: left out"), c.notes.end());
}

}  // namespace
}  // namespace grainix
