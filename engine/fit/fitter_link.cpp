#include "engine/fit/fitter_link.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "engine/core/format.h"

namespace grainix {

StPeakMasks peakMasks(int mode) {
  switch (mode) {
    case 0: return {0, 7, 0};
    case 1: return {1, 3, 2};
    default: return {2, 7, 6};
  }
}

StFitConfig fitConfigText(const StFitConfigInput& in) {
  StFitConfig out;
  double aMult = 0;
  if (!parseDouble(in.aMult, aMult)) {
    out.result.conversionError(in.aMult);
    return out;
  }
  const StPeakMasks m = peakMasks(in.mode);
  const size_t peaks = in.positions.size();
  std::string& t = out.text;
  t += "maxIter:\t" + in.maxIter + "\n";
  t += "epsABS_:\t" + in.epsAbs + "\n";
  t += "epsRel_:\t" + in.epsRel + "\n";
  t += "sigma__:\t" + in.sigma + "\n";
  t += "numFunc:\t" + std::to_string(peaks + (in.background != kBackgroundNone ? 1 : 0)) + "\n";
  t += "\n";
  t += "cmnSize:\t" + std::to_string(m.cmnSize) + "\n";
  if (in.mode == 1) {
    t += "v0\t" + in.b + "\n";
  } else if (in.mode == 2) {
    t += "v0:\t" + in.b + "\n";
    t += "v1:\t" + in.c + "\n";
  }
  t += "\n";
  for (size_t k = 0; k < peaks; ++k) {
    const double height = k < in.heights.size() ? in.heights[k] : 0.0;
    t += "function:\tgaussian\n";
    t += "name:\t\tgaussian_" + std::to_string(k) + "\n";
    t += "numOfPrm:\t6\n";
    t += "fitPrmMask:\t" + std::to_string(m.fitPrmMask) + "\n";
    t += "cmnPrmMask:\t" + std::to_string(m.cmnPrmMask) + "\n";
    t += "a:\t" + fmtStream(height * aMult) + "\n";
    if (in.mode == 0) {
      t += "b:\t" + fmtStream(in.positions[k]) + "\n";
      t += "c:\t" + in.c + "\n";
      t += "d:\t1\ne:\t1\nf:\t1\n";
    } else {
      t += "b:\t" + in.b + "\n";
      t += "c:\t" + in.c + "\n";
      t += "d:\t1\n";
      t += "e:\t" + fmtStream(in.positions[k]) + "\n";
      t += "f:\t1\n";
    }
    t += "\n";
  }
  if (in.background == kBackgroundPoly2) {
    t += "function:\tpoly2\n";
    t += "name:\t\tpoly2_" + std::to_string(peaks) + "\n";
    t += "numOfPrm:\t3\n";
    t += "fitPrmMask:\t7\n";
    t += "cmnPrmMask:\t0\n";
    t += "a:\t" + in.ta + "\n";
    t += "b:\t" + in.tb + "\n";
    t += "c:\t" + in.tc + "\n";
  }
  out.result.ok = true;
  return out;
}

bool writeFitConfigFile(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    out.flush();
    if (!out) {
      out.close();
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

StFitCommand fitCommandLine(const StFitOptions& o, const std::string& pipePath, const std::string& configPath,
                            const std::string& dataPath, const std::string& logFile) {
  StFitCommand c;
  std::string opts;
  auto flag = [&](bool on, const char* f) {
    if (!on) return;
    opts += std::string(" ") + f;
    c.args.push_back(f);
  };
  flag(o.showResults, "-s");
  flag(o.gnuplot, "-g");
  flag(o.waitKey, "-w");
  flag(o.uLM, "-m");
  c.args.insert(c.args.end(), {"-p", pipePath, configPath, dataPath});
  if (!logFile.empty()) c.args.push_back(logFile);
  c.text = std::string(kFitterProgram) + " " + opts + " -p " + pipePath + " " + configPath + " " + dataPath + " " +
           logFile;
  return c;
}

// ---------------------------------------------------------------- config reader

namespace {

// "key:" / "key" -> "key"
std::string keyOf(std::string word) {
  if (!word.empty() && word.back() == ':') word.pop_back();
  return word;
}

struct LineReader {
  std::istringstream in;
  int lineNo = 0;
  std::string key, value;
  explicit LineReader(const std::string& text) : in(text) {}
  // Next non-empty line split into its key and the rest (trimmed).
  bool next() {
    std::string line;
    while (std::getline(in, line)) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::istringstream ls(line);
      std::string k;
      if (!(ls >> k)) continue;
      key = keyOf(k);
      std::string rest;
      std::getline(ls >> std::ws, rest);
      while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
      value = rest;
      return true;
    }
    return false;
  }
};

std::string lineError(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

}  // namespace

bool parseFitConfig(const std::string& text, StFitConfigFile& cfg, std::string& error) {
  cfg = {};
  LineReader r(text);
  auto number = [&](const char* key, double& v) {
    if (!r.next()) {
      error = lineError(r.lineNo, std::string("missing ") + key);
      return false;
    }
    if (r.key != key) {
      error = lineError(r.lineNo, std::string(key) + " expected, found " + r.key);
      return false;
    }
    if (!parseDouble(r.value, v)) {
      error = lineError(r.lineNo, std::string("not a number in ") + key + " '" + r.value + "'");
      return false;
    }
    return true;
  };
  auto integer = [&](const char* key, int& v) {
    double d = 0;
    if (!number(key, d)) return false;
    if (d != std::floor(d) || d < 0 || d > 1e9) {
      error = lineError(r.lineNo, std::string("not a count in ") + key + " '" + r.value + "'");
      return false;
    }
    v = static_cast<int>(d);
    return true;
  };
  if (!integer("maxIter", cfg.maxIter) || !number("epsABS_", cfg.epsAbs) || !number("epsRel_", cfg.epsRel) ||
      !number("sigma__", cfg.sigma) || !integer("numFunc", cfg.numFunc))
    return false;
  int cs = 0;
  if (!integer("cmnSize", cs)) return false;
  if (cfg.sigma <= 0) {
    error = "sigma__ must be positive";
    return false;
  }
  for (int i = 0; i < cs; ++i) {
    double v = 0;
    const std::string key = "v" + std::to_string(i);
    if (!number(key.c_str(), v)) return false;
    cfg.common.push_back(v);
  }
  static const char* letters[] = {"a", "b", "c", "d", "e", "f"};
  while (r.next()) {
    if (r.key != "function") {
      error = lineError(r.lineNo, "function expected, found " + r.key);
      return false;
    }
    StFitFunctionCfg f;
    f.function = r.value;
    if (!r.next() || r.key != "name") {
      error = lineError(r.lineNo, "name expected");
      return false;
    }
    f.name = r.value;
    if (!integer("numOfPrm", f.numOfPrm) || !integer("fitPrmMask", f.fitPrmMask) ||
        !integer("cmnPrmMask", f.cmnPrmMask))
      return false;
    const int expected = f.function == "gaussian" ? 6 : f.function == "poly2" ? 3 : 0;
    if (expected == 0) {
      error = lineError(r.lineNo - 4, "unknown function '" + f.function + "'");
      return false;
    }
    if (f.numOfPrm != expected) {
      error = lineError(r.lineNo - 2, f.function + " has " + std::to_string(expected) + " parameters");
      return false;
    }
    for (int i = 0; i < f.numOfPrm; ++i) {
      double v = 0;
      if (!number(letters[i], v)) return false;
      f.values.push_back(v);
    }
    cfg.functions.push_back(std::move(f));
  }
  if (static_cast<int>(cfg.functions.size()) != cfg.numFunc) {
    error = "numFunc is " + std::to_string(cfg.numFunc) + " but " + std::to_string(cfg.functions.size()) +
            " function blocks follow";
    return false;
  }
  if (cfg.functions.empty()) {
    error = "no function to fit";
    return false;
  }
  return true;
}

bool buildFitModel(const StFitConfigFile& cfg, std::vector<std::unique_ptr<clFunction>>& model, std::string& error) {
  model.clear();
  clearCommonTables();
  for (const StFitFunctionCfg& f : cfg.functions) {
    std::unique_ptr<clFunction> fn;
    if (f.function == "gaussian")
      fn = std::make_unique<clGauss6>();
    else
      fn = std::make_unique<clPoly23>();
    const int all = (1 << fn->nPrm) - 1;
    const int fitMask = f.fitPrmMask & all;
    const int cmnMask = f.cmnPrmMask & fitMask;
    if (std::popcount(static_cast<unsigned>(cmnMask)) != static_cast<int>(cfg.common.size()) && cmnMask != 0) {
      error = f.name + ": " + std::to_string(std::popcount(static_cast<unsigned>(cmnMask))) +
              " common parameters, cmnSize " + std::to_string(cfg.common.size());
      return false;
    }
    std::vector<double> constants;
    for (int i = 0; i < fn->nPrm; ++i)
      if (!((fitMask >> i) & 1)) constants.push_back(f.values[static_cast<size_t>(i)]);
    if (cmnMask != 0)
      fn->initShared(fitMask, cmnMask, constants);
    else
      fn->initMasked(fitMask, constants);
    std::vector<double> fitted;
    for (int i = 0; i < fn->nPrm; ++i)
      if (((fitMask >> i) & 1) && !((cmnMask >> i) & 1)) fitted.push_back(f.values[static_cast<size_t>(i)]);
    fn->setFit(fitted);
    model.push_back(std::move(fn));
  }
  if (!commonPrm.empty()) commonPrm = cfg.common;
  return true;
}

// ---------------------------------------------------------------- result text

std::string formatFitResult(const StFitResultText& r) {
  std::string t = std::to_string(r.errorCode) + " ";
  if (r.errorCode != 0) {
    // The message ends at the first colon when read back.
    std::string m = r.message;
    for (char& c : m)
      if (c == ':') c = ',';
    return t + m + ":\n";
  }
  t += r.message + " " + std::to_string(r.blocks.size()) + "\n";
  t += std::to_string(r.iterations) + " " + fmtPrintf("%.12g", r.convergence) + "\n";
  for (const StFitBlock& b : r.blocks) {
    t += std::to_string(b.index) + " " + std::to_string(b.values.size());
    for (double v : b.values) t += " " + fmtPrintf("%.12g", v);
    t += "\n";
  }
  return t;
}

StFitResultParse parseFitResult(const std::string& text) {
  StFitResultParse p;
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  StFitResultText& r = p.result;
  if (!(in >> r.errorCode)) return p;
  p.codeRead = true;
  if (r.errorCode != 0) {
    in >> std::ws;
    char c;
    while (r.message.size() < 63 && in.get(c) && c != ':' && c != '\0') r.message += c;
    p.complete = true;
    return p;
  }
  if (!(in >> r.message >> r.nFunctions) || r.nFunctions < 0) return p;
  if (!(in >> r.iterations >> r.convergence)) return p;
  for (int k = 0; k < r.nFunctions; ++k) {
    StFitBlock b;
    int m = 0;
    if (!(in >> b.index >> m) || m < 0 || m > 64) return p;
    b.values.resize(static_cast<size_t>(m));
    for (double& v : b.values)
      if (!(in >> v)) return p;
    r.blocks.push_back(std::move(b));
  }
  p.complete = true;
  return p;
}

StFitResultsView fitResultsView(const std::string& text, const std::string& modeText, const std::string& fileName,
                                int background) {
  StFitResultsView v;
  const StFitResultParse p = parseFitResult(text);
  const StFitResultText& r = p.result;
  v.memo.push_back("");
  v.memo.push_back(" * Results of fitting");
  v.memo.push_back(" mode:" + modeText);
  v.memo.push_back(" input file: " + fileName);
  if (!p.codeRead) {
    v.memo.push_back("the result text holds no error code; no results");
    return v;
  }
  v.memo.push_back("error code: " + std::to_string(r.errorCode) + " " + r.message);
  if (r.errorCode != 0) return v;
  if (!p.complete) {
    v.memo.push_back("the result text is incomplete; no results");
    return v;
  }
  v.memo.push_back("num. of iterations: " + std::to_string(r.iterations) + ", covergence: " + fmtDefault(r.convergence));
  const bool hasBackground = background == kBackgroundPoly2;
  const size_t n = r.blocks.size();
  if (hasBackground && n == 0) {
    v.memo.push_back("the result text is incomplete; no results");
    return v;
  }
  static const char letters[] = "abcdef";
  std::vector<std::string> lines;
  for (size_t k = 0; k < n; ++k) {
    const StFitBlock& b = r.blocks[k];
    const bool isBackground = hasBackground && k + 1 == n;
    std::unique_ptr<clFunction> fn;
    if (isBackground)
      fn = std::make_unique<clPoly23>();
    else
      fn = std::make_unique<clGauss6>();
    if (static_cast<int>(b.values.size()) != fn->nPrm) {
      v.memo.push_back("the result text is incomplete; no results");
      v.functions.clear();
      return v;
    }
    std::string line = std::to_string(b.index) + ") ";
    for (size_t i = 0; i < b.values.size(); ++i) {
      line += std::string(1, letters[i]) + "=" + fmtDefault(b.values[i]);
      if (i + 1 < b.values.size()) line += ", ";
    }
    lines.push_back(line);
    fn->initMasked(0, b.values);
    v.functions.push_back(std::move(fn));
  }
  v.memo.insert(v.memo.end(), lines.begin(), lines.end());
  v.memo.push_back("...");
  v.ok = true;
  return v;
}

StFitCurve fitCurve(const std::vector<std::unique_ptr<clFunction>>& functions, int ppu, double xmax) {
  StFitCurve c;
  const double nd = std::trunc(static_cast<double>(ppu) * xmax);
  if (!(nd >= 2) || nd > 1e8) return c;
  const size_t n = static_cast<size_t>(nd);
  const double dx = xmax / static_cast<double>(n - 1);
  c.x.resize(n);
  c.y.resize(n);
  double x = 0;
  for (size_t i = 0; i < n; ++i) {
    double y = 0;
    for (const auto& f : functions) y += f->value(x);
    c.x[i] = x;
    c.y[i] = y;
    x += dx;
  }
  return c;
}

}  // namespace grainix
