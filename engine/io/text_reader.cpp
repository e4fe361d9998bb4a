#include "engine/io/text_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/core/format.h"

namespace grainix {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Longest prefix of [b, e) that an input stream reads as a floating number:
// sign, digits, optional fraction, optional exponent (only when complete).
size_t floatPrefix(const char* b, const char* e) {
  const char* p = b;
  if (p < e && (*p == '+' || *p == '-')) ++p;
  const char* digitsStart = p;
  while (p < e && *p >= '0' && *p <= '9') ++p;
  size_t mantissaDigits = static_cast<size_t>(p - digitsStart);
  if (p < e && *p == '.') {
    ++p;
    const char* f = p;
    while (p < e && *p >= '0' && *p <= '9') ++p;
    mantissaDigits += static_cast<size_t>(p - f);
  }
  if (mantissaDigits == 0) return 0;
  if (p < e && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < e && (*q == '+' || *q == '-')) ++q;
    const char* ed = q;
    while (q < e && *q >= '0' && *q <= '9') ++q;
    if (q > ed) p = q;
  }
  return static_cast<size_t>(p - b);
}

size_t intPrefix(const char* b, const char* e) {
  const char* p = b;
  if (p < e && (*p == '+' || *p == '-')) ++p;
  const char* d = p;
  while (p < e && *p >= '0' && *p <= '9') ++p;
  return p > d ? static_cast<size_t>(p - b) : 0;
}

bool convertDouble(const char* b, size_t n, double& value) {
  if (n == 0) return false;
  if (*b == '+') {
    ++b;
    --n;
    if (n == 0 || *b == '-' || *b == '+') return false;
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(b, b + n, v, std::chars_format::general);
  if (ec != std::errc() || ptr != b + n || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool convertInt(const char* b, size_t n, int64_t& value) {
  if (n == 0) return false;
  if (*b == '+') {
    ++b;
    --n;
    if (n == 0 || *b == '-' || *b == '+') return false;
  }
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(b, b + n, v, 10);
  if (ec != std::errc() || ptr != b + n) return false;
  value = v;
  return true;
}

}  // namespace

bool TextReader::open(const std::string& path, bool* tooLarge) {
  if (tooLarge) *tooLarge = false;
  text_.clear();
  pos_ = 0;
  line_ = 1;
  failed_ = false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  // Read in chunks instead of trusting a size query, so devices and pipes
  // that report no size still end, and the limit holds whatever they say.
  std::string data;
  char buf[1 << 16];
  bool ok = true;
  for (;;) {
    const size_t got = std::fread(buf, 1, sizeof buf, f);
    if (got > 0) {
      if (data.size() + got > kMaxFileBytes) {
        if (tooLarge) *tooLarge = true;
        ok = false;
        break;
      }
      if (data.empty()) {
        // One size hint for ordinary files avoids repeated growth.
        if (std::fseek(f, 0, SEEK_END) == 0) {
          const long size = std::ftell(f);
          if (size > 0 && static_cast<uint64_t>(size) <= kMaxFileBytes) data.reserve(static_cast<size_t>(size));
          std::fseek(f, static_cast<long>(got), SEEK_SET);
        }
      }
      data.append(buf, got);
    }
    if (got < sizeof buf) {
      if (std::ferror(f)) ok = false;
      break;
    }
  }
  std::fclose(f);
  if (!ok) return false;
  stripUtf8Bom(data);
  text_ = std::move(data);
  return true;
}

void TextReader::advance(size_t to) {
  if (to > text_.size()) to = text_.size();
  if (to > pos_) {
    const char* b = text_.data() + pos_;
    const char* e = text_.data() + to;
    for (const char* p = b; p < e; ++p)
      if (*p == '\n') ++line_;
  }
  pos_ = to;
}

void TextReader::skipWhitespace() {
  size_t p = pos_;
  while (p < text_.size() && isBlank(text_[p])) ++p;
  advance(p);
}

std::string TextReader::word() {
  skipWhitespace();
  size_t p = pos_;
  while (p < text_.size() && !isBlank(text_[p])) ++p;
  if (p == pos_) {
    failed_ = true;
    return {};
  }
  std::string w = text_.substr(pos_, p - pos_);
  advance(p);
  return w;
}

bool TextReader::readInt(int64_t& value) {
  skipWhitespace();
  const char* b = text_.data() + pos_;
  const size_t n = intPrefix(b, text_.data() + text_.size());
  if (!convertInt(b, n, value)) {
    failed_ = true;
    return false;
  }
  advance(pos_ + n);
  return true;
}

bool TextReader::readDouble(double& value) {
  skipWhitespace();
  const char* b = text_.data() + pos_;
  const size_t n = floatPrefix(b, text_.data() + text_.size());
  if (!convertDouble(b, n, value)) {
    failed_ = true;
    return false;
  }
  advance(pos_ + n);
  return true;
}

void TextReader::skipChar() {
  if (atEnd()) {
    failed_ = true;
    return;
  }
  advance(pos_ + 1);
}

std::string TextReader::restOfLine() {
  if (atEnd()) {
    failed_ = true;
    return {};
  }
  const size_t nl = text_.find('\n', pos_);
  const size_t end = nl == std::string::npos ? text_.size() : nl;
  size_t stop = end;
  if (stop > pos_ && text_[stop - 1] == '\r') --stop;
  std::string s = text_.substr(pos_, stop - pos_);
  pos_ = nl == std::string::npos ? text_.size() : nl + 1;
  if (nl != std::string::npos) ++line_;
  return s;
}

bool TextReader::nextLine(std::string_view& line) {
  if (atEnd()) return false;
  const char* base = text_.data();
  const void* hit = std::memchr(base + pos_, '\n', text_.size() - pos_);
  const size_t end = hit ? static_cast<size_t>(static_cast<const char*>(hit) - base) : text_.size();
  size_t stop = end;
  if (stop > pos_ && base[stop - 1] == '\r') --stop;
  line = std::string_view(base + pos_, stop - pos_);
  pos_ = hit ? end + 1 : text_.size();
  if (hit) ++line_;
  return true;
}

void splitWords(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    while (i < n && isBlank(line[i])) ++i;
    const size_t b = i;
    while (i < n && !isBlank(line[i])) ++i;
    if (i > b) words.push_back(line.substr(b, i - b));
  }
}

bool tokenToDouble(std::string_view token, double& value) { return convertDouble(token.data(), token.size(), value); }

bool tokenToInt(std::string_view token, int64_t& value) { return convertInt(token.data(), token.size(), value); }

}  // namespace grainix
