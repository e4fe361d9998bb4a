#pragma once
// Number-to-text forms used by the log, the edits and the data files.
#include <ctime>
#include <string>

namespace grainix {

// The toolkit's "general" float-to-text form with `precision` significant
// digits: trailing zeros and a bare decimal point are dropped; fixed notation
// while the decimal exponent lies in -3..precision, otherwise "1.5E-7" style
// with at least `expDigits` exponent digits and no plus sign.
// fmtGeneral(28.32, 5) == "28.32", fmtGeneral(1e-5, 5) == "1E-5",
// fmtGeneral(123456, 5) == "1.2346E5".
std::string fmtGeneral(double value, int precision = 5, int expDigits = 0);

// The platform's default float-to-text conversion: general form, 15 digits.
inline std::string fmtDefault(double value) { return fmtGeneral(value, 15); }

// "Stream form": a default-configured C++ output stream (6 significant
// digits, %g rules): 0.1 -> "0.1", 1234567 -> "1.23457e+06".
std::string fmtStream(double value);

// printf into a std::string, always with "." as the decimal point whatever
// the process locale is.
std::string fmtPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The date and time of every file the program writes: "2026-12-09, 22:34:10"
// for the given moment in local time.
std::string dateTimeText(std::time_t when);

// Strict text-to-number conversion as the edits use it: leading/trailing
// blanks allowed, the whole rest must be a number ("." decimal point).
// Returns false for empty or non-numeric text (the conversion error case).
bool parseDouble(const std::string& text, double& value);
bool parseInt(const std::string& text, int& value);

// Drops a UTF-8 byte order mark from the start of a text read from a file
// (editors put one there; it is not part of the first word).
void stripUtf8Bom(std::string& text);

}  // namespace grainix
