#include "engine/fit/fityk_script.h"

#include <algorithm>
#include <cmath>

#include "engine/core/format.h"

namespace grainix {

const char* fitykFunctionItem(FitykFunction f) { return f == FitykFunction::User0 ? "user0" : "Gaussian"; }
const char* fitykBackgroundItem(FitykBackground b) {
  return b == FitykBackground::Polynomial2 ? "Polynomial2" : "Besel";
}
const char* fitykTypeName(FitykFunction f) { return f == FitykFunction::User0 ? "User0" : "Gaussian"; }

StPeakList peaksFromPdh(const PdhList& pdh, double max) {
  StPeakList p;
  for (const StLiczOdl& bin : pdh) {
    if (!(bin.r < max)) continue;
    if (bin.card == 0) continue;
    p.x.push_back(bin.r);
    p.y.push_back(static_cast<double>(bin.card));
  }
  return p;
}

StPeakList peaksFromPartial(const StIDCalcResults& partial, double max) {
  StPeakList p;
  const size_t n = static_cast<size_t>(std::max<int64_t>(0, partial.count));
  for (size_t i = 0; i < n && partial.r[i] < max; ++i) {
    const PairCount c = partial.rii[i] + partial.rij[i] + partial.rjj[i];
    if (c == 0) continue;
    p.x.push_back(partial.r[i]);
    p.y.push_back(static_cast<double>(c));
  }
  return p;
}

float amplitudeFactor(double largest) {
  if (!(largest > 0) || !std::isfinite(largest)) return 1.0f;
  const double e = std::floor(std::log10(largest));
  return static_cast<float>(std::pow(10.0, -e));
}

void scaleAmplitudes(std::vector<double>& y) {
  if (y.empty()) return;
  const double factor = amplitudeFactor(*std::max_element(y.begin(), y.end()));
  for (double& v : y) v *= factor;
}

StPeakList peaksFromGr(const StData& gr) {
  StPeakList p;
  const size_t n = std::min({static_cast<size_t>(std::max<int32_t>(0, gr.count)), gr.x.size(), gr.y.size()});
  if (n < 3) return p;
  double last = gr.x[0];
  for (size_t i = 1; i + 1 < n; ++i) {
    if (gr.y[i] >= gr.y[i - 1] && gr.y[i] >= gr.y[i + 1] && gr.x[i] > last + kGrPeakSpacing) {
      p.x.push_back(gr.x[i]);
      p.y.push_back(gr.y[i]);
      last = gr.x[i];
    }
  }
  return p;
}

namespace {

// The memo as lines ended by "\n", whatever line ends it was typed with.
std::string memoLines(const std::string& memo) {
  std::string out;
  out.reserve(memo.size() + 1);
  for (size_t i = 0; i < memo.size(); ++i) {
    if (memo[i] == '\r') {
      out += '\n';
      if (i + 1 < memo.size() && memo[i + 1] == '\n') ++i;
    } else {
      out += memo[i];
    }
  }
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

}  // namespace

StCommandResult fitykScript(const StFitykScriptInput& in, const StPeakList& peaks, std::string& text) {
  StCommandResult r;
  double max = 0, lp = 0, width = 0, am = 0, min = 0;
  if (!parseAll(r, {{&in.max, &max}, {&in.lp, &lp}, {&in.std, &width}, {&in.am, &am}, {&in.min, &min}})) return r;
  if (lp == 0) {
    r.error("Latt. prm is 0: the peak centres are written as x/lp*$lp and need a lattice parameter other than 0.",
            "Error");
    return r;
  }
  const double a = in.multiplier ? am : 1.0;
  const std::string widthPart = in.commonWidth ? "hwhm=$std" : "hwhm=~" + in.std;
  const std::string type = fitykTypeName(in.function);

  std::string s;
  s += std::string("# skrypt fityka na podstawie danych z ") + (in.fromPdh ? "PDH" : "PDF") + "\n";
  s += "A= a or (" + in.min + " <x <" + fmtStream(max) + ")\n";
  s += "$lp=~" + fmtStream(lp) + "\n";
  if (in.commonWidth) s += "$std=~" + in.std + "\n";
  s += "$am=" + in.am + "\n";
  if (in.function == FitykFunction::User0) s += memoLines(in.memo);
  s += "define BeseL(a=1,r=25)=a*x*(2*r-x)^2*(r+x)/2/r^3\n";

  const size_t n = std::min(peaks.x.size(), peaks.y.size());
  size_t i = 0;
  while (i < n && !(peaks.x[i] >= min)) ++i;
  std::string model = "F+=";
  for (; i < n && peaks.x[i] < max; ++i) {
    const double h = a * peaks.y[i] / peaks.x[i];
    const double centre = peaks.x[i] / lp;
    const std::string name = "%g" + std::to_string(i);
    if (!std::isfinite(h) || !std::isfinite(centre)) {
      r.error("The peak " + name + " at x=" + fmtStream(peaks.x[i]) +
                  " has no finite height (height = am*y/x). Remove it in \"Lista\" or raise \"min R\".",
              "Error");
      return r;
    }
    s += name + "= " + type + "(height=~" + fmtStream(h) + ", center=" + fmtStream(centre) + "*$lp, " + widthPart +
         ")\n";
    model += name + "+";
  }
  s += in.background == FitykBackground::Besel
           ? "%BCG = BeseL(a=~-1,r=~25)\n"
           : "%BCG = Polynomial6(slope=~0.0, intercept=~-0.0, avgy=~-0.0)\n";
  s += model + "%BCG\n";
  text = std::move(s);
  r.ok = true;
  return r;
}

}  // namespace grainix
