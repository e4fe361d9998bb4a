#include "engine/core/format.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <vector>

namespace grainix {

namespace {

// A "C" locale used for every printf, so a user's locale never turns the
// decimal point into a comma.
locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

struct LocaleGuard {
  locale_t previous;
  LocaleGuard() : previous(uselocale(cLocale())) {}
  ~LocaleGuard() { uselocale(previous); }
};

}  // namespace

std::string fmtGeneral(double value, int precision, int expDigits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  if (value == 0.0) return "0";

  // Round to `precision` significant digits, halves away from zero as the
  // toolkit does (printf would round an exact binary half to even). The
  // digits come from a print 30 digits longer than needed.
  char buf[96];
  {
    LocaleGuard guard;
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1 + 30, value);
  }
  std::string s(buf);
  const bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  const auto epos = s.find('e');
  int exp10 = std::atoi(s.c_str() + epos + 1);
  std::string all;
  for (size_t i = 0; i < epos; ++i)
    if (s[i] != '.') all += s[i];
  std::string digits = all.substr(0, static_cast<size_t>(precision));
  if (all[static_cast<size_t>(precision)] >= '5') {
    int i = precision - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exp10;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // Decimal-point position in the 0.d1d2... x 10^pointPos convention.
  const int pointPos = exp10 + 1;
  std::string out;
  if (pointPos > precision || pointPos < -3) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E";
    int e = exp10;
    if (e < 0) {
      out += "-";
      e = -e;
    }
    std::string es = std::to_string(e);
    while (static_cast<int>(es.size()) < expDigits) es = "0" + es;
    out += es;
  } else if (pointPos <= 0) {
    out = "0." + std::string(static_cast<size_t>(-pointPos), '0') + digits;
  } else if (static_cast<int>(digits.size()) <= pointPos) {
    out = digits + std::string(static_cast<size_t>(pointPos) - digits.size(), '0');
  } else {
    out = digits.substr(0, static_cast<size_t>(pointPos)) + "." + digits.substr(static_cast<size_t>(pointPos));
  }
  return negative ? "-" + out : out;
}

std::string fmtStream(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buf[64];
  LocaleGuard guard;
  std::snprintf(buf, sizeof buf, "%g", value);
  return buf;
}

std::string fmtPrintf(const char* format, ...) {
  LocaleGuard guard;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string out;
  if (n < 0) {
    va_end(copy);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, copy);
    out.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(copy);
  return out;
}

namespace {
std::string trimmed(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}
}  // namespace

bool parseDouble(const std::string& text, double& value) {
  const std::string t = trimmed(text);
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;  // from_chars refuses a leading plus
  // Only plain decimal numbers: "nan", "inf" and hex forms are not numbers
  // a user types into an edit.
  const char* lead = (first < last && *first == '-') ? first + 1 : first;
  if (lead == last || !((*lead >= '0' && *lead <= '9') || *lead == '.')) return false;
  if (last - lead > 1 && lead[0] == '0' && (lead[1] == 'x' || lead[1] == 'X')) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec == std::errc::result_out_of_range) return false;
  if (ec != std::errc() || ptr != last) return false;
  value = v;
  return true;
}

bool parseInt(const std::string& text, int& value) {
  const std::string t = trimmed(text);
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;
  int v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || ptr != last) return false;
  value = v;
  return true;
}

std::string dateTimeText(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d, %H:%M:%S", &tm);
  return buf;
}

void stripUtf8Bom(std::string& text) {
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
}

}  // namespace grainix
