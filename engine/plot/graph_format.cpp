// Number formats of the tick labels.
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/core/format.h"
#include "engine/plot/graph_types.h"

namespace grainix {

namespace {

// d.ddd with `precision` significant digits and the exponent written with a
// sign and at least `expDigits` digits: 1.235E+03.
std::string exponentForm(double value, int precision, int expDigits) {
  std::string s = fmtPrintf("%.*E", precision - 1, value);
  const auto epos = s.find('E');
  if (epos == std::string::npos) return s;
  const int e = std::atoi(s.c_str() + epos + 1);
  std::string es = std::to_string(std::abs(e));
  while (static_cast<int>(es.size()) < expDigits) es = "0" + es;
  return s.substr(0, epos) + "E" + (e < 0 ? "-" : "+") + es;
}

// Rounded to `precision` significant digits, then written with `decimals`.
std::string fixedForm(double value, int precision, int decimals) {
  const double rounded = std::strtod(fmtPrintf("%.*e", precision - 1, value).c_str(), nullptr);
  return fmtPrintf("%.*f", decimals, rounded);
}

std::string withThousands(const std::string& s) {
  const bool negative = !s.empty() && s[0] == '-';
  const std::size_t start = negative ? 1 : 0;
  std::size_t point = s.find('.');
  if (point == std::string::npos) point = s.size();
  std::string intPart = s.substr(start, point - start);
  std::string grouped;
  const int len = static_cast<int>(intPart.size());
  for (int i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) grouped += ',';
    grouped += intPart[static_cast<std::size_t>(i)];
  }
  return (negative ? "-" : "") + grouped + s.substr(point);
}

}  // namespace

std::string formatFloat(double value, FloatFormatKind kind, int precision, int digits) {
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  switch (kind) {
    case FloatFormatKind::General:
      return fmtGeneral(value, precision, digits);
    case FloatFormatKind::Exponent:
      return exponentForm(value, precision, digits);
    case FloatFormatKind::Fixed:
    case FloatFormatKind::Number: {
      // Too many integer digits for the precision: exponent form instead.
      if (value != 0.0 && std::floor(std::log10(std::fabs(value))) + 1 > precision)
        return exponentForm(value, precision, 0);
      const std::string s = fixedForm(value, precision, digits);
      return kind == FloatFormatKind::Number ? withThousands(s) : s;
    }
  }
  return fmtGeneral(value, precision, digits);
}

}  // namespace grainix
