#pragma once
// Reading a crystal structure from a CIF file (CIF 1.1 or 2.0) with the CIF
// API library: the data names and values of one data block, in file order,
// each value with the line it stands on.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace grainix {

// One value as the file gives it.
struct StCifValue {
  std::string text;      // as written, without quotes ("0.2500(3)")
  bool known = false;    // false for "?" and "."
  bool numeric = false;  // `number` holds the value (the uncertainty in `su`)
  double number = 0;
  double su = 0;         // standard uncertainty, 0 when none is written
  size_t line = 0;
};

// A loop, or the single values of a block seen as a loop of one row.
struct StCifTable {
  std::vector<std::string> names;  // as written in the file
  std::vector<std::vector<StCifValue>> rows;
  // Column of a data name (compared without regard to case, "." and "_"
  // alike, so "_atom_site.fract_x" is "_atom_site_fract_x"); -1 when absent.
  int column(const std::string& name) const;
};

struct StCifBlock {
  std::string code;  // the name after "data_"
  StCifTable single;  // items outside loops, one row
  std::vector<StCifTable> loops;
  // The table holding `name` (a loop or `single`) and its column, or null.
  const StCifTable* find(const std::string& name, int& column) const;
  // The value of a single item, or null when absent or in a loop of more than one row.
  const StCifValue* value(const std::string& name) const;
  // The written name of `name` in this block (for messages), or `name`.
  std::string spelled(const std::string& name) const;
};

struct StCifFile {
  std::string path;
  int version = 1;  // 2 for a file that starts with the CIF 2.0 magic code
  std::vector<StCifBlock> blocks;
};

// Parses `path`. On failure returns false with `error` naming the file and
// the line and column where the syntax broke, as the library reports it.
bool readCifFile(const std::string& path, StCifFile& file, std::string& error);

// The data name as compared: lower case, "." turned into "_".
std::string cifNameKey(const std::string& name);

}  // namespace grainix
