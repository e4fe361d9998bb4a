#include "engine/calc/element_table.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "engine/core/format.h"

namespace grainix {

namespace {

// File keys of the nine coefficients in the order of StScatEquPrm::coef.
constexpr const char* kCoefKeys[9] = {"a1", "b1", "a2", "b2", "a3", "b3", "a4", "b4", "c"};
// Program defaults of the nine coefficients: a1 = b1 = 1, the rest 0.
constexpr double kCoefDefaults[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};

bool lowerEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Largest number of graph points: beyond it a typed maximum is clearly a slip.
constexpr double kMaxGraphPoints = 1e7;

}  // namespace

int listedElementCount(const IniFile& ini) {
  // Each element has its "nam" key in section "gen": no count beyond the
  // keys the text holds is believed, so "num=2000000000" costs nothing.
  const int n = ini.readInteger("gen", "num", 0);
  return std::max(0, std::min(n, static_cast<int>(ini.keys("gen").size())));
}

bool loadScatteringTable(const IniFile& ini, ElementTable& table, std::vector<std::string>* names) {
  table.clear();
  if (names) names->clear();
  const int n = listedElementCount(ini);
  for (int i = 1; i <= n; ++i) {
    StScatEquPrm e;
    e.name = ini.readString("gen", "nam" + std::to_string(i), "0");
    if (names) names->push_back(e.name);
    for (int k = 0; k < 9; ++k) e.coef[k] = ini.readFloat(e.name, kCoefKeys[k], kCoefDefaults[k]);
    e.lc = ini.readFloat(e.name, "lc", 0);
    e.latt = ini.readString(e.name, "latt", "?");
    e.td = ini.readFloat(e.name, "td", 2230);
    double td = 0;
    e.tdKnown = parseDouble(ini.readString(e.name, "td", ""), td) && td > 0;
    e.mass = ini.readFloat(e.name, "mass", 12);
    table.push_back(std::move(e));
  }
  return n >= 1;
}

bool loadScatteringTable(const std::string& path, ElementTable& table, std::vector<std::string>* names) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    table.clear();
    if (names) names->clear();
    return false;
  }
  IniFile ini(path);
  if (!ini.load()) {
    table.clear();
    if (names) names->clear();
    return false;
  }
  return loadScatteringTable(ini, table, names);
}

StCommandResult loadElementTableAtStartup(const std::string& folder, ElementTable& table,
                                          std::vector<std::string>* names) {
  StCommandResult result;
  const std::string path = findFileNoCase(folder, kScatteringFileName);
  std::error_code ec;
  IniFile ini(path);
  if (!std::filesystem::is_regular_file(path, ec) || !ini.load()) {
    table.clear();
    if (names) names->clear();
    result.error(kScatteringFileMissing);
    return result;
  }
  result.ok = loadScatteringTable(ini, table, names);
  return result;
}

std::string findFileNoCase(const std::string& folder, const std::string& name) {
  const std::string exact = folder + "/" + name;
  std::error_code ec;
  if (std::filesystem::exists(exact, ec)) return exact;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (lowerEqual(file, name)) return it->path().string();
  }
  return exact;
}

// ---- element editor grid ----

const ElementGridModel::Row& ElementGridModel::titles() {
  static const Row t = {"Element", "a1", "b1", "a2", "b2", "a3", "b3", "a4", "b4", "c", "l.p.", "l. type", "mass",
                        "Td (K)"};
  return t;
}

void ElementGridModel::load(const IniFile& ini) {
  rows_.clear();
  const int n = listedElementCount(ini);
  for (int r = 1; r <= n; ++r) {
    Row row;
    row[0] = ini.readString("gen", "nam" + std::to_string(r), "0");
    const std::string& sec = row[0];
    for (int k = 0; k < 9; ++k) row[1 + k] = ini.readString(sec, kCoefKeys[k], "0");
    row[10] = ini.readString(sec, "lc", "0");
    row[11] = ini.readString(sec, "latt", "?");
    row[12] = ini.readString(sec, "mass", "?");
    row[13] = ini.readString(sec, "td", "?");
    rows_.push_back(std::move(row));
  }
  selected_ = 1;
  changed_ = false;
}

bool ElementGridModel::loadFile(const std::string& path) {
  IniFile ini(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || !ini.load()) {
    rows_.clear();
    selected_ = 1;
    return false;
  }
  load(ini);
  return true;
}

const std::string& ElementGridModel::cell(int col, int row) const {
  static const std::string empty;
  if (col < 0 || col >= kColumns || row < 0 || row >= rowCount()) return empty;
  return row == 0 ? titles()[static_cast<size_t>(col)] : rows_[static_cast<size_t>(row - 1)][static_cast<size_t>(col)];
}

void ElementGridModel::setCell(int col, int row, const std::string& text) {
  if (col < 0 || col >= kColumns || row < 1 || row >= rowCount()) return;
  rows_[static_cast<size_t>(row - 1)][static_cast<size_t>(col)] = text;
}

void ElementGridModel::select(int row) {
  if (row >= 1 && row < rowCount()) selected_ = row;
}

int ElementGridModel::addRecord(int visibleRows) {
  rows_.push_back(Row{});
  changed_ = true;
  return std::max(1, rowCount() - visibleRows);
}

bool ElementGridModel::removeLastRecord() {
  if (rows_.size() <= 1) return false;
  rows_.pop_back();
  if (selected_ >= rowCount()) selected_ = rowCount() - 1;
  changed_ = true;
  return true;
}

void ElementGridModel::save(IniFile& ini) const {
  ini.writeInteger("gen", "num", elementCount());
  for (int r = 1; r <= elementCount(); ++r) {
    const Row& row = rows_[static_cast<size_t>(r - 1)];
    ini.writeString("gen", "nam" + std::to_string(r), row[0]);
    const std::string& sec = row[0];
    for (int k = 0; k < 9; ++k) ini.writeString(sec, kCoefKeys[k], row[1 + k]);
    ini.writeString(sec, "lc", row[10]);
    ini.writeString(sec, "latt", row[11]);
    ini.writeString(sec, "td", row[13]);
    ini.writeString(sec, "mass", row[12]);
  }
}

bool ElementGridModel::saveFile(const std::string& path, std::string* error) {
  IniFile ini(path);
  if (!ini.load()) {
    if (error) *error = "Unable to write to " + path;
    return false;
  }
  save(ini);
  if (!ini.save(error)) return false;
  // The file now holds what the grid shows: the main window must reload it.
  changed_ = true;
  return true;
}

StScatFactorGraph ElementGridModel::scatteringFactorGraph(const std::string& maxSinText,
                                                          const std::string& temperatureText) const {
  StScatFactorGraph g;
  auto number = [&g](const std::string& text, double& v) {
    if (parseDouble(text, v)) return true;
    StCommandResult r;
    r.conversionError(text);
    g.messages = r.messages;
    return false;
  };
  if (selected_ < 1 || selected_ >= rowCount()) return g;
  const Row& row = rows_[static_cast<size_t>(selected_ - 1)];
  StScatEquPrm e;
  e.name = row[0];
  for (int k = 0; k < 9; ++k)
    if (!number(row[1 + k], e.coef[k])) return g;
  double smax = 0, T = 0, td = 0, mass = 0;
  if (!number(maxSinText, smax) || !number(temperatureText, T)) return g;
  if (T != 0 && (!number(row[13], td) || !number(row[12], mass))) return g;

  const double steps = std::floor(smax / 0.01);
  const long n = (steps > 0 && steps <= kMaxGraphPoints) ? static_cast<long>(steps) : 0;
  g.s.reserve(static_cast<size_t>(n));
  g.f.reserve(static_cast<size_t>(n));
  double s = 0;
  for (long i = 0; i < n; ++i) {
    double f = scatteringFactor(e, s);
    if (T != 0) f *= debyeWallerFactor(s, T, td, mass);
    g.s.push_back(s);
    g.f.push_back(f);
    s += 0.01;
  }
  g.ok = true;
  g.legend = "scattering factor of " + e.name + " at T=" + temperatureText + "K";
  g.hint = temperatureText + " K";
  g.title = e.name + " scattering factor vs theta";
  return g;
}

}  // namespace grainix
