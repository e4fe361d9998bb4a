#pragma once
// The point list dialog ("Add/remove points") as data: a pair of vectors
// shown as rows of X and Y texts, and the rules of "Accept", which rebuilds
// both vectors from the rows.
#include <string>
#include <vector>

#include "engine/core/command.h"

namespace grainix {

inline constexpr const char* kPointListWarning = "niektore rekordy mogą zawierajac bledy";

struct StPointRow {
  std::string x, y;
  bool operator==(const StPointRow&) const = default;
};

// The shortest text that reads back as the same double ("." decimal point).
std::string pointText(double value);

// Characters a cell accepts from the keyboard besides backspace.
bool pointCharAllowed(char32_t c);

// One row per point; the longer vector's surplus has no row.
std::vector<StPointRow> pointRows(const std::vector<double>& x, const std::vector<double>& y);

// "Accept": every row whose two cells hold text becomes a point, in row
// order; a row with an empty cell is skipped and, after all rows, the
// warning kPointListWarning is returned. A cell that is not a number gives
// the conversion error and leaves both vectors as they were (ok false).
StCommandResult acceptPointRows(const std::vector<StPointRow>& rows, std::vector<double>& x, std::vector<double>& y);

}  // namespace grainix
