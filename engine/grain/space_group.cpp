#include "engine/grain/space_group.h"

#include <spglib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

namespace grainix {

namespace {

constexpr double kTransTol = 1e-3;   // translations equal modulo 1 (fractional)
constexpr double kMetricTol = 2e-3;  // relative change of a cell length or angle term

double wrap01(double t) {
  double w = t - std::floor(t);
  if (w >= 1.0 - 1e-12) w = 0.0;  // -1e-17 wraps to 1 - 1e-17
  return w;
}

bool sameTrans(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  for (int i = 0; i < 3; ++i) {
    double d = a[i] - b[i];
    d -= std::round(d);
    if (std::fabs(d) > kTransTol) return false;
  }
  return true;
}

bool sameOp(const StSymOp& a, const StSymOp& b) { return a.rot == b.rot && sameTrans(a.trans, b.trans); }

int determinant(const std::array<std::array<int, 3>, 3>& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

StSymOp compose(const StSymOp& a, const StSymOp& b) {  // a after b
  StSymOp c;
  for (int i = 0; i < 3; ++i) {
    double t = a.trans[i];
    for (int j = 0; j < 3; ++j) {
      int s = 0;
      for (int k = 0; k < 3; ++k) s += a.rot[i][k] * b.rot[k][j];
      c.rot[i][j] = s;
      t += a.rot[i][j] * b.trans[j];
    }
    c.trans[i] = wrap01(t);
  }
  return c;
}

bool isIdentity(const StSymOp& op) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (op.rot[i][j] != (i == j ? 1 : 0)) return false;
  return sameTrans(op.trans, {0, 0, 0});
}

// Cosine and sine of an angle in degrees, exact for the angles of the
// common crystal systems.
void cosSin(double deg, double& c, double& s) {
  if (deg == 90) {
    c = 0, s = 1;
  } else if (deg == 120) {
    c = -0.5, s = std::sqrt(0.75);
  } else if (deg == 60) {
    c = 0.5, s = std::sqrt(0.75);
  } else {
    const double r = deg * std::numbers::pi / 180;
    c = std::cos(r), s = std::sin(r);
  }
}

std::array<std::array<double, 3>, 3> metric(const StCellFrame& f) {
  std::array<std::array<double, 3>, 3> g{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double d = 0;
      for (int k = 0; k < 3; ++k) d += f.axis[i][k] * f.axis[j][k];
      g[i][j] = f.length[i] * f.length[j] * d;
    }
  return g;
}

bool keepsMetric(const StSymOp& op, const std::array<std::array<double, 3>, 3>& g) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double v = 0;  // (R^T G R)_ij
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) v += op.rot[k][i] * g[k][l] * op.rot[l][j];
      if (std::fabs(v - g[i][j]) > kMetricTol * std::sqrt(g[i][i] * g[j][j])) return false;
    }
  return true;
}

std::string fraction(double t) {
  for (int d : {1, 2, 3, 4, 6, 8, 12}) {
    const double n = t * d;
    if (std::fabs(n - std::round(n)) < 1e-9) {
      const int k = static_cast<int>(std::round(n));
      return d == 1 ? std::to_string(k) : std::to_string(k) + "/" + std::to_string(d);
    }
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", t);
  return buf;
}

// Lower-case, without spaces and underscores: "P 4_2/m n m" -> "p42/mnm".
std::string squeeze(const std::string& s) {
  std::string out;
  for (char ch : s)
    if (!std::isspace(static_cast<unsigned char>(ch)) && ch != '_')
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

// Lower-case with runs of white space made one space, trimmed.
std::string collapse(const std::string& s) {
  std::string out;
  bool space = false;
  for (char ch : s) {
    if (std::isspace(static_cast<unsigned char>(ch))) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  return out;
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> splitOn(const std::string& s, const std::string& sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const auto p = s.find(sep, start);
    parts.push_back(trim(s.substr(start, p == std::string::npos ? std::string::npos : p - start)));
    if (p == std::string::npos) break;
    start = p + sep.size();
  }
  return parts;
}

// spglib's table of the 530 settings with the names a CIF file may use.
struct Setting {
  int hall = 0;
  int number = 0;
  std::string choice;
  std::string hallSymbol;            // collapsed
  std::vector<std::string> names;    // squeezed Hermann-Mauguin forms
};

const std::vector<Setting>& settings() {
  static const std::vector<Setting> table = [] {
    std::vector<Setting> t;
    for (int h = 1; h <= 530; ++h) {
      const SpglibSpacegroupType type = spg_get_spacegroup_type(h);
      Setting s;
      s.hall = h;
      s.number = type.number;
      s.choice = type.choice;
      s.hallSymbol = collapse(type.hall_symbol);
      std::vector<std::string> forms{type.international_short, type.international_full};
      // "P 2_1/c = P 1 2_1/n 1": the part before "=" is the group's standard
      // symbol, the parts after it name this setting.
      const auto parts = splitOn(type.international, "=");
      if (parts.size() == 1) forms.push_back(parts[0]);
      for (size_t i = 1; i < parts.size(); ++i) {
        forms.push_back(parts[i]);
        // Monoclinic full symbols also go without their "1"s ("P 1 2_1/n 1" -> "P 2_1/n").
        if (s.number >= 3 && s.number <= 15) {
          std::string shortForm;
          for (const auto& word : splitOn(parts[i], " "))
            if (word != "1") shortForm += (shortForm.empty() ? "" : " ") + word;
          forms.push_back(shortForm);
        }
      }
      for (auto& f : forms) {
        std::string q = squeeze(f);
        if (q.empty()) continue;
        s.names.push_back(q);
        // Older cubic symbols write "m3m" for "m-3m".
        if (s.number >= 195) {
          std::string old;
          for (size_t i = 0; i < q.size(); ++i)
            if (!(q[i] == '-' && i + 1 < q.size() && q[i + 1] == '3' && i > 0 && std::isalpha(static_cast<unsigned char>(q[i - 1]))))
              old += q[i];
          if (old != q) s.names.push_back(old);
        }
      }
      t.push_back(std::move(s));
    }
    return t;
  }();
  return table;
}

bool fitsCell(int hall, const StCell& cell) {
  StCellFrame frame;
  if (!cellFrame(cell, frame)) return false;
  const auto g = metric(frame);
  for (const StSymOp& op : settingOperations(hall))
    if (!keepsMetric(op, g)) return false;
  return true;
}

// Chooses among settings that share a name.
StSettingMatch chooseSetting(std::vector<const Setting*> found, const std::string& choice, const StCell& cell,
                             const std::string& what) {
  StSettingMatch m;
  if (found.empty()) {
    m.error = what + " is not a space group spglib knows";
    return m;
  }
  if (!choice.empty()) {
    std::vector<const Setting*> kept;
    for (const Setting* s : found)
      if (squeeze(s->choice) == squeeze(choice)) kept.push_back(s);
    if (kept.empty()) {
      m.error = what + ": no setting \"" + choice + "\" of this space group is known";
      return m;
    }
    found = kept;
  }
  std::vector<const Setting*> fitting;
  for (const Setting* s : found)
    if (fitsCell(s->hall, cell)) fitting.push_back(s);
  if (fitting.empty()) {
    m.error = what + " does not fit the cell (its operations change the cell's lengths or angles)";
    return m;
  }
  // Two origin choices of one setting ("1" and "2", "1ba-c" and "2ba-c")
  // place the atoms differently: the file must say which.
  for (const Setting* s : fitting)
    for (const Setting* t : fitting)
      if (s != t && s->number == t->number && !s->choice.empty() && !t->choice.empty() && s->choice[0] == '1' &&
          t->choice[0] == '2' && s->choice.substr(1) == t->choice.substr(1)) {
        m.error = what + " has two origin choices; write \":1\" or \":2\" after the symbol, or give the operations";
        return m;
      }
  m.hallNumber = (*std::min_element(fitting.begin(), fitting.end(),
                                    [](const Setting* a, const Setting* b) { return a->hall < b->hall; }))
                     ->hall;
  return m;
}

}  // namespace

bool cellFrame(const StCell& cell, StCellFrame& f) {
  if (!(cell.a > 0) || !(cell.b > 0) || !(cell.c > 0)) return false;
  double ca, sa, cb, sb, cg, sg;
  cosSin(cell.alpha, ca, sa);
  cosSin(cell.beta, cb, sb);
  cosSin(cell.gamma, cg, sg);
  if (!(sg > 0)) return false;
  const double cy = (ca - cb * cg) / sg;
  const double cz2 = 1 - cb * cb - cy * cy;
  if (!(cz2 > 1e-12)) return false;
  f.axis[0] = {1, 0, 0};
  f.axis[1] = {cg, sg, 0};
  f.axis[2] = {cb, cy, cz2 == 1 ? 1.0 : std::sqrt(cz2)};
  f.length = {cell.a, cell.b, cell.c};
  // Rows of the inverse of the matrix whose columns are the cell vectors.
  std::array<std::array<double, 3>, 3> m{};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) m[i][j] = f.axis[j][i] * f.length[j];
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  if (!(det > 0)) return false;
  f.volume = det;
  f.recip[0] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
                (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
  f.recip[1] = {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
                (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
  f.recip[2] = {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
                (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
  return true;
}

bool parseSymOp(const std::string& text, StSymOp& op, std::string* why) {
  auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  std::vector<std::string> parts = splitOn(text, ",");
  if (parts.size() != 3) return fail("an operation has three parts separated by commas");
  op = StSymOp{};
  for (int row = 0; row < 3; ++row) {
    const std::string& s = parts[static_cast<size_t>(row)];
    size_t i = 0;
    double constant = 0;
    bool any = false;
    auto skip = [&] {
      while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    };
    for (;;) {
      skip();
      if (i >= s.size()) break;
      int sign = 1;
      if (s[i] == '+' || s[i] == '-') {
        sign = s[i] == '-' ? -1 : 1;
        ++i;
        skip();
      } else if (any) {
        return fail("\"" + s + "\": terms must be joined by + or -");
      }
      bool hasNumber = false, whole = true;
      double number = 1;
      if (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
        size_t end = i;
        while (end < s.size() && (std::isdigit(static_cast<unsigned char>(s[end])) || s[end] == '.')) ++end;
        const std::string digits = s.substr(i, end - i);
        if (std::count(digits.begin(), digits.end(), '.') > 1 || digits == ".")
          return fail("\"" + s + "\": \"" + digits + "\" is not a number");
        number = std::stod(digits);
        whole = digits.find('.') == std::string::npos;
        i = end;
        if (i < s.size() && s[i] == '/') {
          size_t e2 = i + 1;
          while (e2 < s.size() && std::isdigit(static_cast<unsigned char>(s[e2]))) ++e2;
          if (e2 == i + 1) return fail("\"" + s + "\": a fraction needs a denominator");
          const double den = std::stod(s.substr(i + 1, e2 - i - 1));
          if (den == 0) return fail("\"" + s + "\": division by zero");
          number /= den;
          whole = false;
          i = e2;
        }
        hasNumber = true;
        skip();
        if (i < s.size() && s[i] == '*') {
          ++i;
          skip();
        }
      }
      const char ch = i < s.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(s[i]))) : '\0';
      if (ch == 'x' || ch == 'y' || ch == 'z') {
        if (hasNumber && (!whole || number > 6)) return fail("\"" + s + "\": the factor of " + ch + " must be an integer");
        op.rot[static_cast<size_t>(row)][static_cast<size_t>(ch - 'x')] += sign * static_cast<int>(number);
        ++i;
      } else if (hasNumber) {
        constant += sign * number;
      } else {
        return fail("\"" + s + "\": unexpected \"" + s.substr(i, 1) + "\"");
      }
      any = true;
    }
    if (!any) return fail("an empty part");
    op.trans[static_cast<size_t>(row)] = wrap01(constant);
  }
  return true;
}

std::string symOpText(const StSymOp& op) {
  std::string out;
  for (int i = 0; i < 3; ++i) {
    std::string part;
    for (int j = 0; j < 3; ++j) {
      const int c = op.rot[i][j];
      if (c == 0) continue;
      const char v = static_cast<char>('x' + j);
      if (c > 0 && !part.empty()) part += '+';
      if (c == -1) part += '-';
      else if (c != 1) part += std::to_string(c);
      part += v;
    }
    if (op.trans[i] != 0) part += (part.empty() ? "" : "+") + fraction(op.trans[i]);
    if (part.empty()) part = "0";
    out += (i ? "," : "") + part;
  }
  return out;
}

std::vector<std::array<double, 3>> centringVectors(const std::vector<StSymOp>& ops) {
  std::vector<std::array<double, 3>> out{{0, 0, 0}};
  for (const StSymOp& op : ops) {
    bool pure = true;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        if (op.rot[i][j] != (i == j ? 1 : 0)) pure = false;
    if (!pure || sameTrans(op.trans, {0, 0, 0})) continue;
    bool seen = false;
    for (const auto& t : out) seen = seen || sameTrans(t, op.trans);
    if (!seen) out.push_back(op.trans);
  }
  return out;
}

std::string checkSymmetryGroup(std::vector<StSymOp>& ops, const StCell& cell) {
  std::vector<StSymOp> unique;
  for (const StSymOp& op : ops) {
    bool seen = false;
    for (const StSymOp& u : unique) seen = seen || sameOp(u, op);
    if (!seen) unique.push_back(op);
  }
  ops = std::move(unique);
  if (ops.empty()) return "there are no operations";
  if (ops.size() > 192) return std::to_string(ops.size()) + " different operations: a space group has at most 192";
  StCellFrame frame;
  if (!cellFrame(cell, frame)) return "the cell has no volume";
  const auto g = metric(frame);
  for (const StSymOp& op : ops) {
    const int det = determinant(op.rot);
    if (det != 1 && det != -1)
      return "the operation " + symOpText(op) + " is not a rotation or reflection (determinant " + std::to_string(det) +
             ")";
    if (!keepsMetric(op, g)) return "the operation " + symOpText(op) + " does not fit the cell (it changes its lengths or angles)";
  }
  if (std::none_of(ops.begin(), ops.end(), isIdentity)) return "the identity x,y,z is missing";
  std::map<std::array<std::array<int, 3>, 3>, std::vector<size_t>> byRot;
  for (size_t i = 0; i < ops.size(); ++i) byRot[ops[i].rot].push_back(i);
  for (const StSymOp& a : ops)
    for (const StSymOp& b : ops) {
      const StSymOp c = compose(a, b);
      bool found = false;
      if (auto it = byRot.find(c.rot); it != byRot.end())
        for (size_t k : it->second) found = found || sameTrans(ops[k].trans, c.trans);
      if (!found)
        return "the operations do not form a group: " + symOpText(b) + " followed by " + symOpText(a) + " gives " +
               symOpText(c) + ", which is not in the list";
    }
  return {};
}

StSettingMatch settingForSymbol(const std::string& symbolText, const StCell& cell) {
  std::string symbol = trim(symbolText);
  std::string choice;
  if (const auto colon = symbol.find(':'); colon != std::string::npos) {
    choice = trim(symbol.substr(colon + 1));
    symbol = trim(symbol.substr(0, colon));
  } else {
    // "F d -3 m S" / "Z" (origin choice 1 / 2), "R -3 m H" / "R".
    const auto words = splitOn(symbol, " ");
    if (words.size() > 1) {
      const std::string& last = words.back();
      if (last == "S" || last == "Z" || last == "H" || last == "R") {
        choice = last == "S" ? "1" : last == "Z" ? "2" : last;
        symbol = trim(symbol.substr(0, symbol.rfind(last)));
      }
    }
  }
  const std::string key = squeeze(symbol);
  std::vector<const Setting*> found;
  for (const Setting& s : settings())
    if (std::find(s.names.begin(), s.names.end(), key) != s.names.end()) found.push_back(&s);
  return chooseSetting(found, choice, cell, "the space group \"" + trim(symbolText) + "\"");
}

StSettingMatch settingForHall(const std::string& hall) {
  const std::string key = collapse(hall);
  StSettingMatch m;
  for (const Setting& s : settings())
    if (s.hallSymbol == key) {
      m.hallNumber = s.hall;
      return m;
    }
  m.error = "the Hall symbol \"" + trim(hall) + "\" is not one spglib knows";
  return m;
}

StSettingMatch settingForNumber(int number, const StCell& cell) {
  std::vector<const Setting*> found;
  for (const Setting& s : settings())
    if (s.number == number) found.push_back(&s);
  return chooseSetting(found, "", cell, "the space group number " + std::to_string(number));
}

std::vector<StSymOp> settingOperations(int hallNumber) {
  int rot[192][3][3];
  double trans[192][3];
  const int n = hallNumber >= 1 && hallNumber <= 530 ? spg_get_symmetry_from_database(rot, trans, hallNumber) : 0;
  std::vector<StSymOp> ops(static_cast<size_t>(std::max(0, n)));
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) ops[static_cast<size_t>(k)].rot[i][j] = rot[k][i][j];
      ops[static_cast<size_t>(k)].trans[i] = wrap01(trans[k][i]);
    }
  return ops;
}

std::string settingShortSymbol(int hallNumber) {
  if (hallNumber < 1 || hallNumber > 530) return {};
  return spg_get_spacegroup_type(hallNumber).international_short;
}

std::string identifySpaceGroup(const std::vector<StSymOp>& ops, const StCell& cell) {
  StCellFrame f;
  if (ops.empty() || ops.size() > 192 || !cellFrame(cell, f)) return {};
  std::vector<int> rot(ops.size() * 9);
  std::vector<double> trans(ops.size() * 3);
  for (size_t k = 0; k < ops.size(); ++k)
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) rot[k * 9 + static_cast<size_t>(i * 3 + j)] = ops[k].rot[i][j];
      trans[k * 3 + static_cast<size_t>(i)] = ops[k].trans[i];
    }
  double lattice[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) lattice[i][j] = f.axis[j][i] * f.length[j];
  const SpglibSpacegroupType t = spg_get_spacegroup_type_from_symmetry(
      reinterpret_cast<int(*)[3][3]>(rot.data()), reinterpret_cast<double(*)[3]>(trans.data()),
      static_cast<int>(ops.size()), lattice, 1e-3);
  return t.number > 0 ? std::string(t.international_short) : std::string();
}

}  // namespace grainix
