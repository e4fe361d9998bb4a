// Diagram data files (".ddf"): every panel with its titles and series.
#include <fstream>
#include <sstream>

#include "engine/core/atomic_file.h"
#include "engine/core/format.h"
#include "engine/plot/graph_model.h"

namespace grainix {

namespace {

// Field separators and line ends inside a title would break the file into
// wrong fields; they are written as blanks.
std::string fieldText(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '#' || c == '\t' || c == '\n' || c == '\r' || c == '\0') c = ' ';
  return out;
}

class TokenReader {
 public:
  explicit TokenReader(const std::string& text) : t_(text) {}
  bool atEnd() const { return pos_ >= t_.size(); }
  void skip(std::size_t n) { pos_ = std::min(t_.size(), pos_ + n); }
  // Bytes up to a newline, NUL, "#" or tab (consumed) or the end.
  std::string token() {
    std::string out;
    while (pos_ < t_.size()) {
      const char c = t_[pos_++];
      if (c == '\n' || c == '\0' || c == '#' || c == '\t') break;
      out += c;
    }
    if (!out.empty() && out.back() == '\r') out.pop_back();  // files that went through a CR LF editor
    return out;
  }

 private:
  const std::string& t_;
  std::size_t pos_ = 0;
};

// Leading digits (with a sign), 0 when there are none.
long long lenientInt(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long long v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 1000000000000LL) v = v * 10 + (s[i++] - '0');
  return negative ? -v : v;
}

}  // namespace

std::string Graph2DModel::ddfText() const {
  std::string out;
  out += std::to_string(rows_) + "#" + std::to_string(cols_) + "\n";
  for (std::size_t s = 0; s < subGraphs_.size(); ++s) {
    const TSubGraph& g = subGraphs_[s];
    out += "\n" + std::to_string(s) + "#" + std::to_string(s / cols_) + "#" + std::to_string(s % cols_) + "#" +
           fieldText(g.title.text) + "#" + fieldText(g.axisX.title) + "#" + fieldText(g.axisY.title) + "#" +
           std::to_string(g.diagrams.size()) + "\n";
    for (const TSingleDiagram& d : g.diagrams) {
      const std::size_t n = std::min(d.x.size(), d.y.size());
      out += "\n" + std::to_string(n) + "#" + std::to_string(d.color) + "#" +
             std::to_string(static_cast<unsigned>(d.style)) + "#" + std::to_string(d.penWidth) + "\n";
      for (std::size_t i = 0; i < n; ++i) out += fmtDefault(d.x[i]) + "\t" + fmtDefault(d.y[i]) + "\n";
    }
  }
  return out;
}

bool Graph2DModel::saveDataToFile(const std::string& path) const { return writeFileAtomically(path, ddfText()); }

DdfStatus Graph2DModel::loadDataFromFile(const std::string& path, std::string* badToken) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return DdfStatus::FileError;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return DdfStatus::FileError;
  std::string text = buffer.str();
  stripUtf8Bom(text);
  return loadDdfText(text, badToken);
}

DdfStatus Graph2DModel::loadDdfText(const std::string& text, std::string* badToken) {
  TokenReader rd(text);
  auto strictInt = [&](int& v) {
    const std::string t = rd.token();
    if (parseInt(t, v)) return true;
    if (badToken) *badToken = t;
    return false;
  };
  auto strictDouble = [&](double& v) {
    const std::string t = rd.token();
    if (parseDouble(t, v)) return true;
    if (badToken) *badToken = t;
    return false;
  };

  int rows = 0, cols = 0;
  if (!strictInt(rows) || !strictInt(cols)) return DdfStatus::ConversionError;
  // Built aside and taken over only when the whole file has been read.
  Graph2DModel loaded;
  loaded.width_ = width_;
  loaded.height_ = height_;
  loaded.boxOn = boxOn;
  if (!loaded.divideGraph(static_cast<unsigned>(rows), static_cast<unsigned>(cols)) || rows < 1 || cols < 1)
    return DdfStatus::FormatError;

  std::vector<double> x, y;
  for (int p = 0; p < rows * cols && !rd.atEnd(); ++p) {
    rd.skip(3);
    const long long row = lenientInt(rd.token());
    const long long col = lenientInt(rd.token());
    const std::string title = rd.token();
    const std::string xTitle = rd.token();
    const std::string yTitle = rd.token();
    const long long m = lenientInt(rd.token());
    bool inserted = false;
    // The counts are believed only as far as the text goes: the end of the
    // text ends every loop, whatever a count line claims.
    for (long long k = 0; k < m && !rd.atEnd(); ++k) {
      rd.skip(1);
      const long long n = lenientInt(rd.token());
      const long long colour = lenientInt(rd.token());
      const long long style = lenientInt(rd.token());
      const long long pen = lenientInt(rd.token());
      x.clear();
      y.clear();
      for (long long i = 0; i < n; ++i) {
        double xv = 0, yv = 0;
        if (!strictDouble(xv) || !strictDouble(yv)) return DdfStatus::ConversionError;
        x.push_back(xv);
        y.push_back(yv);
      }
      if (x.empty() || row < 0 || col < 0) continue;
      if (!loaded.insertData(x, y, static_cast<unsigned>(row + 1), static_cast<unsigned>(col + 1))) continue;
      inserted = true;
      loaded.setColor(static_cast<TColor>(colour));
      // An unknown style number is drawn as a line.
      loaded.setStyle(style >= 0 && style < diagramStyleCount ? static_cast<diagramStyle>(style) : dsLine);
      loaded.setPenWidth(pen > 0 ? static_cast<unsigned>(pen) : 1u);
    }
    if (m > 0 && inserted) {
      loaded.setGraphTitle(title);
      loaded.setAxisXTitle(xTitle);
      loaded.setAxisYTitle(yTitle);
    }
  }
  *this = std::move(loaded);
  return DdfStatus::Ok;
}

}  // namespace grainix
