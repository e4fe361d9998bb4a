#include "engine/plot/diagram_desc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "engine/core/format.h"
#include "engine/core/ini_file.h"

namespace grainix {

std::string diagramTitle(int number) { return "diagram: " + std::to_string(number); }

InsetRun insetRun(const std::vector<double>& x, double x1, double x2) {
  if (x2 < x1) std::swap(x1, x2);
  InsetRun run;
  const std::size_t n = x.size();
  std::size_t i0 = 0;
  while (i0 < n && !(x[i0] >= x1)) ++i0;
  std::size_t m = 0;
  while (i0 + m < n && x[i0 + m] < x2) ++m;
  run.first = i0;
  run.count = m;
  return run;
}

std::string seriesToClipboardText(const std::vector<double>& x, const std::vector<double>& y) {
  const std::size_t n = std::min(x.size(), y.size());
  std::string text = std::to_string(n) + "\n";
  text.reserve(text.size() + n * 27);
  for (std::size_t i = 0; i < n; ++i) text += fmtPrintf("%12.4e\t%12.4e\n", x[i], y[i]);
  return text;
}

namespace {

// Next whitespace-separated token from `text` at `pos`.
bool nextToken(const std::string& text, std::size_t& pos, std::string& token) {
  const char* ws = " \t\r\n\f\v";
  const std::size_t b = text.find_first_not_of(ws, pos);
  if (b == std::string::npos) return false;
  std::size_t e = text.find_first_of(ws, b);
  if (e == std::string::npos) e = text.size();
  token = text.substr(b, e - b);
  pos = e;
  return true;
}

}  // namespace

bool seriesFromClipboardText(const std::string& text, std::vector<double>& x, std::vector<double>& y) {
  std::size_t pos = 0;
  std::string tok;
  int n = 0;
  if (!nextToken(text, pos, tok) || !parseInt(tok, n) || n <= 0) return false;
  std::vector<double> xs, ys;
  xs.reserve(static_cast<std::size_t>(std::min(n, 1 << 20)));
  ys.reserve(xs.capacity());
  for (int i = 0; i < n; ++i) {
    double a = 0, b = 0;
    if (!nextToken(text, pos, tok) || !parseDouble(tok, a)) return false;
    if (!nextToken(text, pos, tok) || !parseDouble(tok, b)) return false;
    xs.push_back(a);
    ys.push_back(b);
  }
  x = std::move(xs);
  y = std::move(ys);
  return true;
}

void applyLineRow(StLinePrm& record, const std::string& title, DiagramColor color, int styleIndex, int widthIndex) {
  record.title = title;
  record.color = color;
  if (styleIndex >= 0) record.style = styleIndex;
  if (widthIndex >= 0) record.width = widthIndex + 1;
}

namespace {
const char* kAux = "aux";
bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

int IniDiagramSettings::readInteger(const std::string& key, int def) const {
  IniFile ini(path_);
  ini.load();
  return ini.readInteger(kAux, key, def);
}

std::string IniDiagramSettings::readString(const std::string& key, const std::string& def) const {
  IniFile ini(path_);
  ini.load();
  return ini.readString(kAux, key, def);
}

void IniDiagramSettings::writeInteger(const std::string& key, int value) {
  IniFile ini(path_);
  if (!ini.load()) return;  // a file that cannot be read is not replaced by this one key
  ini.writeInteger(kAux, key, value);
  ini.save();
}

const std::string* MemoryDiagramSettings::find(const std::string& key) const {
  for (const auto& [k, v] : values_)
    if (equalNoCase(k, key)) return &v;
  return nullptr;
}

int MemoryDiagramSettings::readInteger(const std::string& key, int def) const {
  const std::string* v = find(key);
  int out = def;
  if (v && parseInt(*v, out)) return out;
  return def;
}

std::string MemoryDiagramSettings::readString(const std::string& key, const std::string& def) const {
  const std::string* v = find(key);
  return v ? *v : def;
}

void MemoryDiagramSettings::writeInteger(const std::string& key, int value) { writeString(key, std::to_string(value)); }

void MemoryDiagramSettings::writeString(const std::string& key, const std::string& value) {
  for (auto& [k, v] : values_)
    if (equalNoCase(k, key)) {
      v = value;
      return;
    }
  values_.emplace_back(key, value);
}

bool axisRangeRuleHolds(const std::string& min, const std::string& max, const std::string& step) {
  double lo = 0, hi = 0, st = 0;
  if (!parseDouble(min, lo) || !parseDouble(max, hi) || !parseDouble(step, st)) return false;
  return hi - lo > 0 && hi - lo > st && st > 0;
}

bool axisCountRuleHolds(const std::string& min, const std::string& max, const std::string& n, std::string* step) {
  double lo = 0, hi = 0, count = 0;
  if (!parseDouble(min, lo) || !parseDouble(max, hi) || !parseDouble(n, count)) return false;
  if (!(hi - lo > 0 && count > 0)) return false;
  if (step) *step = fmtGeneral((hi - lo) / count, 5);
  return true;
}

int axisStepCount(double min, double max, double step) {
  if (step == 0 || !std::isfinite(step)) return 0;
  const double q = std::trunc((max - min) / step);
  if (!std::isfinite(q) || std::fabs(q) > 2e9) return 0;
  return static_cast<int>(q);
}

std::vector<PrintedMemoLine> layoutPrintedMemo(const std::vector<std::string>& lines, int pageWidth, int imageBottom,
                                               int lineHeight) {
  std::vector<PrintedMemoLine> out;
  const int columnWidth = pageWidth / 5;
  // Lines before the first "diagram number" line get a column of their own.
  const bool leading = !lines.empty() && lines.front().find("diagram number") == std::string::npos;
  int column = 0;       // column on the page
  int series = -1;      // series whose column is open
  int inColumn = 0;     // lines printed since the column began
  for (const auto& l : lines) {
    PrintedMemoLine p;
    p.text = l;
    if (l.find("diagram number") != std::string::npos) {
      ++series;
      column = series + (leading ? 1 : 0);
      inColumn = 0;
      p.seriesIndex = series;
    }
    p.x = column * columnWidth + 10;
    p.y = imageBottom + lineHeight * inColumn;
    ++inColumn;
    out.push_back(std::move(p));
  }
  return out;
}

std::string seriesTableText(const std::vector<const TSingleDiagram*>& series) {
  const auto title = [](const std::string& t) {
    std::string out = t;
    for (char& c : out)
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
  };
  bool sharedX = !series.empty();
  for (const TSingleDiagram* d : series) sharedX = sharedX && d->x == series.front()->x;
  std::string text;
  std::size_t rows = 0;
  if (sharedX) {
    text += "x";
    for (const TSingleDiagram* d : series) text += "\t" + title(d->title);
  } else {
    for (std::size_t k = 0; k < series.size(); ++k) {
      if (k) text += "\t";
      text += title(series[k]->title) + " x\t" + title(series[k]->title) + " y";
    }
  }
  text += "\n";
  for (const TSingleDiagram* d : series) rows = std::max(rows, std::min(d->x.size(), d->y.size()));
  for (std::size_t i = 0; i < rows; ++i) {
    std::string line;
    if (sharedX) {
      line = fmtPrintf("%.15g", series.front()->x[i]);
      for (const TSingleDiagram* d : series) line += "\t" + fmtPrintf("%.15g", d->y[i]);
    } else {
      for (std::size_t k = 0; k < series.size(); ++k) {
        const TSingleDiagram* d = series[k];
        if (k) line += "\t";
        if (i < d->x.size() && i < d->y.size()) line += fmtPrintf("%.15g\t%.15g", d->x[i], d->y[i]);
        else line += "\t";
      }
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace grainix
