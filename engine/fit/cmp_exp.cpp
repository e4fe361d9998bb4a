#include "engine/fit/cmp_exp.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/core/format.h"

namespace grainix {

namespace {

std::string extensionOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

StExpRead readExperimentalFile(const std::string& path) {
  StExpRead out;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    out.result.error(kCouldntOpenStop);
    return out;
  }
  in.imbue(std::locale::classic());
  const std::string ext = extensionOf(path);
  long n = 0;
  if (ext == "dat" || ext == "DAT") {
    std::string line, last;
    bool any = false;
    while (std::getline(in, line)) {
      ++n;
      last = line;
      any = true;
    }
    if (any && last.size() < 3) --n;
    in.clear();
    in.seekg(0);
  } else if (ext == "xyz" || ext == "XYZ") {
    double count = 0;
    if (in >> count) n = static_cast<long>(std::trunc(count));
    std::string rest;
    std::getline(in, rest);
  } else {
    out.result.error(kWrongFormat);
    return out;
  }
  if (n <= 0) {
    out.result.error(kWrongFormat);
    return out;
  }
  StData& d = out.data;
  d.x.reserve(static_cast<size_t>(n));
  d.y.reserve(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    double x = 0, y = 0;
    if (!(in >> x >> y)) {
      out.data.release();
      out.result.error(kWrongFormat);
      return out;
    }
    d.x.push_back(x);
    d.y.push_back(y);
  }
  d.count = static_cast<int32_t>(n);
  out.result.ok = true;
  return out;
}

StCommandResult experimentalS(const StData& data, const StScatEquPrm& element, const std::string& nText,
                              StDiffPattern& pattern) {
  StCommandResult res;
  double n = 0;
  if (!parseDouble(nText, n)) {
    res.conversionError(nText);
    return res;
  }
  std::vector<double> s(data.x.size());
  for (size_t i = 0; i < data.x.size(); ++i) {
    const double f = scatteringFactor(element, data.x[i] * 0.5);
    s[i] = data.y[i] / (f * f * n);
  }
  pattern.release();
  pattern.q = data.x;
  pattern.intensity = data.y;
  pattern.sOfQ = std::move(s);
  pattern.count = static_cast<int32_t>(data.x.size());
  res.ok = true;
  return res;
}

bool approximatePeaksFromPdh(const StFitFormPrm& prm, std::vector<double>& positions, std::vector<double>& heights) {
  std::vector<double> x, y;
  if (prm.pdh) {
    if (prm.max != 0)
      for (const StLiczOdl& b : *prm.pdh)
        if (b.card != 0) {
          x.push_back(b.r);
          y.push_back(b.card);
        }
  } else if (prm.partial) {
    const StIDCalcResults& p = *prm.partial;
    for (size_t i = 0; i < static_cast<size_t>(p.count) && p.r[i] < prm.max; ++i) {
      const auto h = static_cast<double>(p.rii[i] + p.rij[i] + p.rjj[i]);
      if (h == 0) continue;
      x.push_back(p.r[i]);
      y.push_back(h);
    }
  }
  double m = 0;
  for (double h : y) m = std::max(m, h);
  if (x.empty() || !(m > 0)) return false;
  const float factor = std::pow(10.0f, -std::floor(std::log10(static_cast<float>(m))));
  for (double& h : y) h *= factor;
  positions = std::move(x);
  heights = std::move(y);
  return true;
}

StCommandResult readPeaksFile(const std::string& path, std::vector<double>& positions, std::vector<double>& heights) {
  StCommandResult res;
  std::ifstream in(path);
  if (!in) {
    res.error("Couldn't open file: " + path);
    return res;
  }
  in.imbue(std::locale::classic());
  double count = 0;
  if (!(in >> count) || count < 0 || count > 1e7) {
    res.error(kWrongFormat);
    return res;
  }
  const size_t n = static_cast<size_t>(count);
  std::vector<double> x(n), y(n);
  for (size_t i = 0; i < n; ++i)
    if (!(in >> x[i] >> y[i])) {
      res.error(kWrongFormat);
      return res;
    }
  positions = std::move(x);
  heights = std::move(y);
  res.ok = true;
  return res;
}

const std::vector<DiagramColor>& fitPalette() {
  static const std::vector<DiagramColor> p{
      diagramRgb(0, 128, 0),    // green
      diagramRgb(128, 0, 0),    // maroon
      diagramRgb(0, 0, 255),    // blue
      diagramRgb(255, 0, 0),    // red
      diagramRgb(128, 128, 0),  // olive
      diagramRgb(0, 0, 128),    // navy
      diagramRgb(128, 0, 128),  // purple
      diagramRgb(255, 165, 0),  // orange
  };
  return p;
}

namespace {
DiagramDesc oneSeries(std::vector<double> x, std::vector<double> y, DiagramColor color, const std::string& xTitle,
                      const std::string& yTitle, const std::string& title, const std::string& graphTitle) {
  DiagramDesc d;
  SeriesDesc s;
  s.x = std::move(x);
  s.y = std::move(y);
  s.color = color;
  s.penWidth = 2;
  s.title = title;
  d.series.push_back(std::move(s));
  d.margins = DiagramMargins{60, 60, 60, 60};
  d.axisXTitle = xTitle;
  d.axisYTitle = yTitle;
  d.precision = 3;
  d.digits = 3;
  d.graphTitle = graphTitle;
  d.caption = title;
  d.listEntries = std::vector<std::string>{title};
  return d;
}
}  // namespace

DiagramDesc experimentalDiagram(const StData& data, const std::string& fileName) {
  return oneSeries(data.x, data.y, kColorBlue, "pair distance", "PDH cardinality", "experimental data",
                   "data from file:" + baseName(fileName));
}

DiagramDesc experimentalSDiagram(const StDiffPattern& pattern, const std::string& fileName) {
  return oneSeries(pattern.q, pattern.sOfQ, kColorBlue, "2*theta", "S=I/sum_i f_i^2", "experimental data",
                   "data from file:" + baseName(fileName));
}

DiagramDesc fitDiagram(const std::vector<double>& x, const std::vector<double>& y, int number, int colorIndex) {
  const auto& p = fitPalette();
  return oneSeries(x, y, p[static_cast<size_t>(colorIndex) % p.size()], "pair distance", "y",
                   "fit diagram: " + std::to_string(number), "fitting results");
}

StCmpExpSettings readCmpExpSettings(const IniFile& ini, const std::string& home) {
  StCmpExpSettings s;
  s.pathDataExp = ini.readString("aux", "pathDataExp", home);
  s.laMono = ini.readInteger("expfit", "laMono", -1);
  s.n = ini.readString("expfit", "N", "1e4");
  return s;
}

void writeCmpExpSettings(IniFile& ini, const StCmpExpSettings& s) {
  ini.writeString("aux", "pathDataExp", s.pathDataExp);
  ini.writeInteger("expfit", "laMono", s.laMono);
  ini.writeString("expfit", "N", s.n);
}

}  // namespace grainix
