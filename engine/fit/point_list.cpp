#include "engine/fit/point_list.h"

#include <algorithm>
#include <charconv>


namespace grainix {

std::string pointText(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

bool pointCharAllowed(char32_t c) { return (c >= U'0' && c <= U'9') || c == U'.' || c == U'e' || c == U'-'; }

std::vector<StPointRow> pointRows(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = std::min(x.size(), y.size());
  std::vector<StPointRow> rows;
  rows.reserve(n);
  for (size_t i = 0; i < n; ++i) rows.push_back({pointText(x[i]), pointText(y[i])});
  return rows;
}

namespace {
bool blank(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}
}  // namespace

StCommandResult acceptPointRows(const std::vector<StPointRow>& rows, std::vector<double>& x, std::vector<double>& y) {
  StCommandResult r;
  std::vector<double> nx, ny;
  bool skipped = false;
  for (const StPointRow& row : rows) {
    if (blank(row.x) || blank(row.y)) {
      skipped = true;
      continue;
    }
    double vx = 0, vy = 0;
    if (!parseAll(r, {{&row.x, &vx}, {&row.y, &vy}})) return r;
    nx.push_back(vx);
    ny.push_back(vy);
  }
  x = std::move(nx);
  y = std::move(ny);
  if (skipped) r.warning(kPointListWarning);
  r.ok = true;
  return r;
}

}  // namespace grainix
