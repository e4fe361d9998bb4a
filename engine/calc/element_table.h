#pragma once
// The element table file "scFact.sft": loading it into the element table and
// the element editor's grid (cell texts, records, saving, the
// scattering-factor graph).
#include <array>
#include <string>
#include <vector>

#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/core/ini_file.h"

namespace grainix {

inline constexpr const char* kScatteringFileName = "scFact.sft";
inline constexpr const char* kScatteringFileMissing =
    "File scFact.sft is missing. Many functions will be not available or will be work improperly.";

// How many elements section "gen" lists: its "num", but never more than the
// keys the section holds.
int listedElementCount(const IniFile& ini);

// Clears `table` (and `names`) and reads the elements listed in section "gen"
// ("num", "nam1" ... "namN") with the per-key defaults of StScatEquPrm.
// `names` receives the element names for both element choosers, in table
// order. Returns true when at least one element was listed.
bool loadScatteringTable(const IniFile& ini, ElementTable& table, std::vector<std::string>* names = nullptr);
// Reads the file at `path`; a missing or unreadable file gives an empty table and false.
bool loadScatteringTable(const std::string& path, ElementTable& table, std::vector<std::string>* names = nullptr);

// Start-up load of "scFact.sft" from `folder` (name matched without regard
// to letter case, the exact name first): a missing file gives the
// "ERROR" box with kScatteringFileMissing and an empty table.
StCommandResult loadElementTableAtStartup(const std::string& folder, ElementTable& table,
                                          std::vector<std::string>* names = nullptr);

// Path of the file in `folder` whose name equals `name` without regard to
// letter case (the exact name first); `folder` + "/" + `name` when none exists.
std::string findFileNoCase(const std::string& folder, const std::string& name);

// Series of the "scat. factor graph" button.
struct StScatFactorGraph {
  bool ok = false;                 // false: a conversion error, nothing drawn
  std::vector<StMessage> messages; // the conversion error box
  std::vector<double> s, f;        // s = sin(theta)/lambda, f(s) (times Debye-Waller when T != 0)
  std::string legend;              // "scattering factor of Ni at T=300K" (also caption, memo, check list)
  std::string hint;                // "300 K"
  std::string title;               // "Ni scattering factor vs theta"
};

// The element editor's grid: row 0 holds the titles, rows 1..N the elements.
class ElementGridModel {
 public:
  static constexpr int kColumns = 14;
  using Row = std::array<std::string, kColumns>;
  // "Element", "a1", "b1", ... "c", "l.p.", "l. type", "mass", "Td (K)".
  static const Row& titles();

  // Fills the grid from the file text: name, a1..b4, c, lc, latt, mass, td;
  // missing values show "0" (coefficients, c, lc) or "?" (latt, td, mass).
  void load(const IniFile& ini);
  bool loadFile(const std::string& path);

  int rowCount() const { return static_cast<int>(rows_.size()) + 1; }  // titles included
  int elementCount() const { return static_cast<int>(rows_.size()); }
  // Grid cell (row 0 = titles). Out-of-range cells read as "".
  const std::string& cell(int col, int row) const;
  void setCell(int col, int row, const std::string& text);

  int selectedRow() const { return selected_; }
  void select(int row);

  // "Add a new record": an empty row; returns the top row that shows it,
  // max(1, row count - visible rows).
  int addRecord(int visibleRows);
  // "Remove the last record": only while more than one element row exists.
  bool removeLastRecord();

  // "Save array": writes "num", "nam"+r and each row's keys as cell texts
  // into `ini` (other contents stay as they were).
  void save(IniFile& ini) const;
  // Saves into the file at `path`; false with `error` on a write failure.
  bool saveFile(const std::string& path, std::string* error = nullptr);

  // The modal result: true after a record was added or removed or the grid
  // was saved, so the main window reloads the table.
  bool changed() const { return changed_; }

  // "scat. factor graph" for the selected row with the texts of
  // "Max sin(theta)/lambda" and "Temperature (K)".
  StScatFactorGraph scatteringFactorGraph(const std::string& maxSinText, const std::string& temperatureText) const;

 private:
  std::vector<Row> rows_;
  int selected_ = 1;
  bool changed_ = false;
};

}  // namespace grainix
