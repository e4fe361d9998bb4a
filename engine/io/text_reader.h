#pragma once
// Reading the data files: the whole file is taken into memory once (after a
// size check) and read by words, numbers and lines. Words are runs of
// non-blank characters; numbers end at the first character that cannot
// continue them, as an input stream reads them; lines end at LF or CR LF
// and may be of any length. Every read reports failure instead of throwing,
// and the reader never runs past the end of the text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grainix {

class TextReader {
 public:
  TextReader() = default;
  explicit TextReader(std::string text) : text_(std::move(text)) {}

  // Largest data file accepted (bytes); larger files are refused before
  // anything is allocated for them.
  static constexpr uint64_t kMaxFileBytes = uint64_t(1) << 30;

  // Loads `path`. Returns false when the file cannot be opened or read;
  // `tooLarge` is set when it exceeds kMaxFileBytes.
  bool open(const std::string& path, bool* tooLarge = nullptr);

  bool atEnd() const { return pos_ >= text_.size(); }
  size_t remaining() const { return pos_ < text_.size() ? text_.size() - pos_ : 0; }
  // 1-based number of the line the next read starts in.
  int64_t lineNumber() const { return line_; }
  bool failed() const { return failed_; }
  void fail() { failed_ = true; }

  // Skips blanks, tabs and line ends.
  void skipWhitespace();
  // A word; empty (and failed) at the end of the text.
  std::string word();
  // Stream-like numbers: blanks skipped, then the longest prefix that is a
  // number. On failure nothing but blanks is consumed and the reader fails.
  bool readInt(int64_t& value);
  bool readDouble(double& value);
  // Consumes exactly one character, whatever it is.
  void skipChar();
  // The rest of the current line without its line end; the line end is consumed.
  std::string restOfLine();
  // The next line (from the current position); false at the end of the text.
  bool nextLine(std::string_view& line);
  // The character at the current position, or 0 at the end.
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }

 private:
  void advance(size_t to);

  std::string text_;
  size_t pos_ = 0;
  int64_t line_ = 1;
  bool failed_ = false;
};

// Splits a line at blanks and tabs.
void splitWords(std::string_view line, std::vector<std::string_view>& words);
// Whole-token conversions of data rows: the token must be a finite number
// ("." decimal point, optional sign) with nothing after it.
bool tokenToDouble(std::string_view token, double& value);
bool tokenToInt(std::string_view token, int64_t& value);

}  // namespace grainix
