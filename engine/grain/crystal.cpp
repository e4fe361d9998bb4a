#include "engine/grain/crystal.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/core/format.h"

namespace grainix {

namespace {

// Data names; where two are listed, the current one comes first.
const char* const kCellNames[6] = {"_cell_length_a",   "_cell_length_b",  "_cell_length_c",
                                   "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
const char* const kOperationNames[] = {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"};
const char* const kSymbolNames[] = {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M",
                                    "_space_group_name_H-M"};
const char* const kHallNames[] = {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"};
const char* const kNumberNames[] = {"_space_group_IT_number", "_symmetry_Int_Tables_number"};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// "file: line 12: " or "file: " when the line is not known.
std::string at(const std::string& path, size_t line) {
  return line > 0 ? path + ": line " + std::to_string(line) + ": " : path + ": ";
}

// An element symbol with the usual case: "NA" -> "Na".
std::string symbolCase(const std::string& letters) {
  std::string s;
  for (size_t i = 0; i < letters.size(); ++i)
    s += static_cast<char>(i == 0 ? std::toupper(static_cast<unsigned char>(letters[i]))
                                  : std::tolower(static_cast<unsigned char>(letters[i])));
  return s;
}

std::string leadingLetters(const std::string& s) {
  std::string out;
  for (char ch : s) {
    if (!std::isalpha(static_cast<unsigned char>(ch))) break;
    out += ch;
  }
  return out;
}

int indexOf(const std::vector<std::string>& names, const std::string& symbol) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == symbol) return static_cast<int>(i);
  return -1;
}

// The first known value among the data names, with the name as written.
const StCifValue* firstValue(const StCifBlock& b, const char* const* names, size_t count, std::string& spelled) {
  for (size_t i = 0; i < count; ++i)
    if (const StCifValue* v = b.value(names[i]); v && v->known && !v->text.empty()) {
      spelled = b.spelled(names[i]);
      return v;
    }
  return nullptr;
}

double wrap01(double t) {
  double w = t - std::floor(t);
  if (w >= 1.0 - 1e-12) w = 0.0;
  return w;
}

// Distance between two fractional positions, the nearest images taken.
double cellDistance(const StCellFrame& f, const std::array<double, 3>& p, const std::array<double, 3>& q) {
  double v[3] = {0, 0, 0};
  for (int j = 0; j < 3; ++j) {
    double d = p[j] - q[j];
    d -= std::round(d);
    for (int i = 0; i < 3; ++i) v[i] += f.axis[j][i] * (d * f.length[j]);
  }
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

std::string countText(double c) {
  if (std::fabs(c - std::round(c)) < 1e-9) return std::llround(c) == 1 ? "" : std::to_string(std::llround(c));
  return fmtGeneral(c, 3);
}

std::string formulaOf(const std::vector<std::string>& elements, const std::vector<double>& counts) {
  double least = 0;
  for (double c : counts)
    if (c > 0 && (least == 0 || c < least)) least = c;
  if (least == 0) return {};
  for (int n = 1; n <= 12; ++n) {
    bool whole = true;
    for (double c : counts) {
      const double v = n * c / least;
      whole = whole && std::fabs(v - std::round(v)) < 0.02;
    }
    if (whole) {
      std::string f;
      for (size_t i = 0; i < elements.size(); ++i) f += elements[i] + countText(std::round(n * counts[i] / least));
      return f;
    }
  }
  std::string f;
  for (size_t i = 0; i < elements.size(); ++i) f += elements[i] + fmtGeneral(counts[i], 4);
  return f;
}

struct Reader {
  const StCifFile& file;
  const StCifBlock& block;
  const std::vector<std::string>& elementNames;
  StCrystal& out;
  std::string& error;

  bool fail(size_t line, const std::string& what) {
    error = at(file.path, line) + what;
    return false;
  }

  bool readCell() {
    double values[6];
    for (int k = 0; k < 6; ++k) {
      const std::string name = kCellNames[k];
      const StCifValue* v = block.value(name);
      const bool length = k < 3;
      if (!v || !v->known) {
        if (length) {
          int col = -1;
          const StCifTable* t = block.find(name, col);
          if (t && t->rows.size() > 1) return fail(0, name + " is given more than once");
          return fail(v ? v->line : 0, "no cell: " + name + (v ? " is " + quoted(v->text) : " is missing"));
        }
        // The dictionary's default angle.
        values[k] = 90;
        out.notes.push_back(name + (v ? " is " + quoted(v->text) : " is missing") + ": 90 degrees taken");
        continue;
      }
      if (!v->numeric) return fail(v->line, block.spelled(name) + " " + quoted(v->text) + " is not a number");
      values[k] = v->number;
      if (length && !(v->number > 0)) return fail(v->line, block.spelled(name) + " " + quoted(v->text) + " is not a length > 0");
      if (!length && !(v->number > 0 && v->number < 180))
        return fail(v->line, block.spelled(name) + " " + quoted(v->text) + " is not an angle between 0 and 180 degrees");
    }
    out.cell = {values[0], values[1], values[2], values[3], values[4], values[5]};
    if (!cellFrame(out.cell, out.frame))
      return fail(block.value(kCellNames[3]) ? block.value(kCellNames[3])->line : 0,
                  "the cell angles " + fmtGeneral(values[3], 6) + ", " + fmtGeneral(values[4], 6) + ", " +
                      fmtGeneral(values[5], 6) + " make no cell");
    return true;
  }

  bool elementOf(const std::vector<StCifValue>& row, int typeCol, const std::string& label, size_t line,
                 StCrystalSite& site) {
    const StCifValue* type = typeCol >= 0 && static_cast<size_t>(typeCol) < row.size() ? &row[static_cast<size_t>(typeCol)] : nullptr;
    if (type && type->known && !type->text.empty()) {
      // "Na+", "O2-", "Ti4+": the charge goes.
      const std::string symbol = symbolCase(leadingLetters(type->text));
      site.elementIndex = indexOf(elementNames, symbol);
      if (site.elementIndex < 0)
        return fail(type->line, "the element " + quoted(symbol.empty() ? type->text : symbol) + " of site " + quoted(label) +
                                    " (_atom_site_type_symbol " + quoted(type->text) + ") is not in the element table");
      site.element = symbol;
      return true;
    }
    // Without a type symbol the label's leading letters name the element:
    // "Ti1" -> Ti, "O1a" -> O, "OW3" -> O when "Ow" is no element.
    const std::string letters = leadingLetters(label);
    for (size_t len : {letters.size(), size_t{2}, size_t{1}}) {
      if (len == 0 || len > letters.size()) continue;
      const std::string symbol = symbolCase(letters.substr(0, len));
      const int index = indexOf(elementNames, symbol);
      if (index >= 0) {
        site.element = symbol;
        site.elementIndex = index;
        out.notes.push_back("site " + label + " has no type symbol: element " + symbol + " taken from its label");
        return true;
      }
    }
    return fail(line, "site " + quoted(label) + " has no _atom_site_type_symbol and its label names no element of the element table");
  }

  bool readSites() {
    int cx = -1;
    const StCifTable* t = block.find("_atom_site_fract_x", cx);
    if (!t || t->rows.empty()) {
      int cc = -1;
      if (block.find("_atom_site_Cartn_x", cc))
        return fail(0, "no atom sites with fractional coordinates (_atom_site_fract_x); Cartesian ones are not read");
      return fail(0, "no atom sites (_atom_site_fract_x is missing)");
    }
    const int cy = t->column("_atom_site_fract_y"), cz = t->column("_atom_site_fract_z");
    if (cy < 0 || cz < 0)
      return fail(t->rows[0][static_cast<size_t>(cx)].line,
                  std::string(cy < 0 ? "_atom_site_fract_y" : "_atom_site_fract_z") + " is missing beside " +
                      t->names[static_cast<size_t>(cx)]);
    const int cLabel = t->column("_atom_site_label");
    const int cType = t->column("_atom_site_type_symbol");
    const int cOcc = t->column("_atom_site_occupancy");
    const int cFlag = t->column("_atom_site_calc_flag");
    for (size_t r = 0; r < t->rows.size(); ++r) {
      const auto& row = t->rows[r];
      auto cell = [&](int col) -> const StCifValue* {
        return col >= 0 && static_cast<size_t>(col) < row.size() ? &row[static_cast<size_t>(col)] : nullptr;
      };
      const size_t line = cell(cx) ? cell(cx)->line : 0;
      StCrystalSite site;
      site.label = cell(cLabel) && cell(cLabel)->known ? cell(cLabel)->text : "site " + std::to_string(r + 1);
      if (cell(cFlag) && cell(cFlag)->known && cifNameKey(cell(cFlag)->text) == "dum") {
        out.notes.push_back("site " + site.label + " is a dummy atom (_atom_site_calc_flag dum): left out");
        continue;
      }
      const int cols[3] = {cx, cy, cz};
      for (int k = 0; k < 3; ++k) {
        const StCifValue* v = cell(cols[k]);
        if (!v || !v->known || !v->numeric || !std::isfinite(v->number))
          return fail(v ? v->line : line, t->names[static_cast<size_t>(cols[k])] + " of site " + quoted(site.label) +
                                              " is " + quoted(v ? v->text : "") + ", not a number");
        site.fract[static_cast<size_t>(k)] = v->number;
      }
      if (const StCifValue* v = cell(cOcc); v && v->known) {
        if (!v->numeric || !(v->number >= 0) || v->number > 1 + 1e-6)
          return fail(v->line, "the occupancy " + quoted(v->text) + " of site " + quoted(site.label) + " is not between 0 and 1");
        site.occupancy = std::min(1.0, v->number);
        if (site.occupancy == 0) {
          out.notes.push_back("site " + site.label + " has occupancy 0: left out");
          continue;
        }
      }
      if (!elementOf(row, cType, site.label, line, site)) return false;
      auto g = std::find(out.elements.begin(), out.elements.end(), site.element);
      if (g == out.elements.end()) {
        out.elements.push_back(site.element);
        out.elementIndices.push_back(site.elementIndex);
        g = out.elements.end() - 1;
      }
      site.group = static_cast<int>(g - out.elements.begin());
      out.sites.push_back(site);
      siteLines.push_back(line);
    }
    if (out.sites.empty()) return fail(0, "no atom sites are left (every site is a dummy or has occupancy 0)");
    return true;
  }

  bool readSymmetry() {
    // Explicit operations come first.
    for (const char* name : kOperationNames) {
      int col = -1;
      const StCifTable* t = block.find(name, col);
      if (!t) continue;
      const std::string spelled = t->names[static_cast<size_t>(col)];
      size_t firstLine = 0;
      for (const auto& row : t->rows) {
        if (row.size() <= static_cast<size_t>(col)) continue;
        const StCifValue& v = row[static_cast<size_t>(col)];
        if (firstLine == 0) firstLine = v.line;
        StSymOp op;
        std::string why;
        if (!v.known || !parseSymOp(v.text, op, &why))
          return fail(v.line, spelled + " " + quoted(v.text) + " is not an operation: " + (v.known ? why : "no value"));
        out.ops.push_back(op);
      }
      if (const std::string bad = checkSymmetryGroup(out.ops, out.cell); !bad.empty())
        return fail(firstLine, "inconsistent symmetry in " + spelled + ": " + bad);
      out.symmetrySource = spelled;
      out.spaceGroup = identifySpaceGroup(out.ops, out.cell);
      if (out.spaceGroup.empty()) {
        std::string s;
        const StCifValue* hm = firstValue(block, kSymbolNames, std::size(kSymbolNames), s);
        out.spaceGroup = hm ? hm->text : std::to_string(out.ops.size()) + " operations";
      }
      return true;
    }
    // Otherwise the group named by its symbol, Hall symbol or number.
    std::string spelled;
    StSettingMatch match;
    size_t line = 0;
    if (const StCifValue* v = firstValue(block, kSymbolNames, std::size(kSymbolNames), spelled)) {
      match = settingForSymbol(v->text, out.cell);
      line = v->line;
    } else if (const StCifValue* h = firstValue(block, kHallNames, std::size(kHallNames), spelled)) {
      match = settingForHall(h->text);
      line = h->line;
    } else if (const StCifValue* n = firstValue(block, kNumberNames, std::size(kNumberNames), spelled)) {
      line = n->line;
      if (!n->numeric || n->number != std::floor(n->number) || n->number < 1 || n->number > 230)
        return fail(line, spelled + " " + quoted(n->text) + " is not a space-group number (1 to 230)");
      match = settingForNumber(static_cast<int>(n->number), out.cell);
    } else {
      return fail(0, "no symmetry: give _space_group_symop_operation_xyz (x,y,z alone for P1), "
                     "_symmetry_equiv_pos_as_xyz, a space-group symbol or number");
    }
    if (match.hallNumber == 0) return fail(line, "inconsistent symmetry in " + spelled + ": " + match.error);
    out.ops = settingOperations(match.hallNumber);
    if (const std::string bad = checkSymmetryGroup(out.ops, out.cell); !bad.empty())
      return fail(line, "inconsistent symmetry in " + spelled + ": " + bad);
    out.symmetrySource = spelled;
    out.spaceGroup = settingShortSymbol(match.hallNumber);
    return true;
  }

  bool expand(double tolerance) {
    for (size_t s = 0; s < out.sites.size(); ++s) {
      StCrystalSite& site = out.sites[s];
      for (const StSymOp& op : out.ops) {
        std::array<double, 3> p{};
        for (int i = 0; i < 3; ++i) {
          double v = op.trans[i];
          for (int j = 0; j < 3; ++j) v += op.rot[i][j] * site.fract[j];
          p[i] = wrap01(v);
        }
        StCellPosition* same = nullptr;
        for (StCellPosition& q : out.positions)
          if (cellDistance(out.frame, p, q.fract) < tolerance) {
            same = &q;
            break;
          }
        if (!same) {
          out.positions.push_back({p, {static_cast<int>(s)}});
          ++site.multiplicity;
        } else if (std::find(same->sites.begin(), same->sites.end(), static_cast<int>(s)) == same->sites.end()) {
          same->sites.push_back(static_cast<int>(s));
          ++site.multiplicity;
        }
      }
    }
    // Sites that share a position: together they may fill it at most once.
    for (const StCellPosition& q : out.positions) {
      double sum = 0;
      for (int s : q.sites) sum += out.sites[static_cast<size_t>(s)].occupancy;
      if (q.sites.size() > 1 && sum > 1 + 1e-3) {
        const auto& a = out.sites[static_cast<size_t>(q.sites[0])];
        const auto& b = out.sites[static_cast<size_t>(q.sites[1])];
        return fail(siteLines[static_cast<size_t>(q.sites[1])],
                    "sites " + quoted(a.label) + " and " + quoted(b.label) + " lie at one position (closer than " +
                        fmtGeneral(tolerance, 3) + " Angs) and their occupancies add up to " + fmtGeneral(sum, 4) +
                        ", more than 1");
      }
      if (q.sites.size() > 1 || sum < 1) out.partialOccupancy = true;
    }
    return true;
  }

  std::vector<size_t> siteLines;
};

}  // namespace

bool crystalFromCif(const StCifFile& file, const std::vector<std::string>& elementNames, StCrystal& crystal,
                    std::string& error, double mergeTolerance) {
  crystal = StCrystal{};
  crystal.path = file.path;
  const StCifBlock* block = nullptr;
  for (const StCifBlock& b : file.blocks) {
    int col = -1;
    if (b.find("_atom_site_fract_x", col)) {
      block = &b;
      break;
    }
  }
  if (!block) block = &file.blocks.front();
  crystal.block = block->code;
  Reader r{file, *block, elementNames, crystal, error, {}};
  if (!r.readCell() || !r.readSites() || !r.readSymmetry() || !r.expand(mergeTolerance)) return false;

  std::vector<double> counts(crystal.elements.size(), 0.0);
  for (const StCellPosition& q : crystal.positions)
    for (int s : q.sites) counts[static_cast<size_t>(crystal.sites[static_cast<size_t>(s)].group)] +=
        crystal.sites[static_cast<size_t>(s)].occupancy;
  crystal.formula = formulaOf(crystal.elements, counts);
  crystal.centring = centringVectors(crystal.ops);
  return true;
}

bool readCrystal(const std::string& path, const std::vector<std::string>& elementNames, StCrystal& crystal,
                 std::string& error) {
  StCifFile file;
  if (!readCifFile(path, file, error)) return false;
  return crystalFromCif(file, elementNames, crystal, error);
}

}  // namespace grainix
