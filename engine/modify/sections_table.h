#pragma once
// The sections table of the modification window as data: the cell texts of
// its six columns, the cell-edit rules, adding and removing sections, the
// strip picture and the "Plot" series. The grid only shows these texts.
#include <array>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/grain/grain_node.h"
#include "engine/modify/sections.h"

namespace grainix {

// Columns: 0 "section" (name), 1 "x" (outer radius), 2 "%V", 3 rho =
// latticePrm / latticePrmMod, 4 psi in %, 5 "latt.prm.mod.".
enum SectionColumn : int { colName = 0, colRadius = 1, colVolume = 2, colRho = 3, colPsi = 4, colLattMod = 5 };
constexpr int kSectionColumns = 6;

// One full-height rectangle of the strip picture, drawn in list order.
struct StStripBand {
  int left = 0, right = 0;  // pixels, right exclusive
  StRgb colour;
  bool operator==(const StStripBand&) const = default;
};

struct StSectionSeries {
  std::string title;        // the section's name
  StRgb colour;             // green psi > 0, red psi < 0, grey psi = 0
  int penWidth = 4;
  double x[2] = {0, 0};     // r_{i-1}, r_i
  double y[2] = {0, 0};     // f_i, f_i * 1.0000001 (f_i = 1 + psi_i/100)
};

// What "Plot" shows in its diagram window.
struct StSectionsPlot {
  std::vector<StSectionSeries> series;
  std::string xTitle = "x - distance from the grain center";
  std::string yTitle = "psi(x)";
  std::string title = "relative changes of interatomic distances";
  bool grid = true;
  int width = 400, height = 300;
};

class SectionsTable {
 public:
  using Row = std::array<std::string, kSectionColumns>;

  // The initial table over `sections` (the window's copy, edited in place):
  // the sections as they are, or a single "Core" over the whole grain.
  SectionsTable(const StGrainPrm& prm, secPrm& sections);

  static const char* headerText(int col);     // "" for the picture columns
  static const char* headerPicture(int col);  // "IMRHO", "IMPSI" or ""
  static bool isEditable(int col) { return col == colRadius || col == colPsi; }
  // Background of a grid cell; gridRow 0 is the header row.
  StRgb cellBackground(int gridRow, int col) const;

  size_t rowCount() const { return rows_.size(); }
  const Row& row(size_t i) const { return rows_[i]; }
  const std::string& cell(size_t row, int col) const { return rows_[row][col]; }

  // An edit of a cell ended with `text`. A text that is not a number keeps
  // the cell and its record as they were (conversion error); a radius
  // outside 0 ... R puts R back ("exceeded value of grain radius"). Returns
  // the message boxes; result.ok is true when the table changed.
  StCommandResult editCell(size_t row, int col, const std::string& text);

  void addSection();
  void addThree();
  void removeLast();
  void removeAllButFirst();
  bool removeEnabled() const { return rows_.size() >= 2; }
  // Enables of the remove buttons ("Bminus", "Bdel").
  CommandStates buttonStates() const;

  // Reads columns 1, 4 and 5 into the records (b from the previous c). A
  // non-numeric cell stops with a conversion error and leaves the records alone.
  StCommandResult readIntoRecords();

  const secPrm& sections() const { return sections_; }
  double grainRadius() const { return radius_; }
  bool sphere() const { return sphere_; }

  std::vector<StStripBand> stripBands(int width) const;
  // The "Plot" data over the records (read the table first).
  StSectionsPlot plotData() const;

 private:
  void respace();
  void updateVolumeShares();
  // Columns 5 and 3 from column 4; false (with a conversion error) for a bad psi text.
  bool updatePsiColumns(size_t row, StCommandResult& res);

  secPrm& sections_;
  std::vector<Row> rows_;
  double radius_ = 0;
  double latticePrm_ = 0;
  bool sphere_ = true;
};

}  // namespace grainix
