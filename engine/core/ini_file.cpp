#include "engine/core/ini_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "engine/core/atomic_file.h"
#include "engine/core/format.h"

namespace grainix {

namespace {

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::load(std::string* reason) {
  sections_.clear();
  std::FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) {
    if (errno == ENOENT) return true;  // a missing file is an empty INI
    if (reason) *reason = std::strerror(errno);
    return false;
  }
  std::string text;
  char buf[1 << 14];
  size_t got = 0;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) {
    // A folder or an unreadable device under the name: not an INI file.
    if (reason) *reason = std::strerror(err ? err : EIO);
    return false;
  }
  parse(text);
  return true;
}

void IniFile::parse(const std::string& source) {
  std::string text = source;
  stripUtf8Bom(text);
  sections_.clear();
  sections_.push_back({"", {}});
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t = trim(line);
    if (t.size() >= 2 && t.front() == '[') {
      const auto close = t.find(']');
      if (close != std::string::npos) {
        sections_.push_back({trim(t.substr(1, close - 1)), {}});
        continue;
      }
    }
    const auto eq = line.find('=');
    if (eq != std::string::npos && !t.empty() && t[0] != ';') {
      const std::string key = trim(line.substr(0, eq));
      if (!key.empty()) {
        sections_.back().lines.push_back({"", key, trim(line.substr(eq + 1))});
        continue;
      }
    }
    sections_.back().lines.push_back({line, "", ""});
  }
}

std::string IniFile::text() const {
  std::string out;
  for (const auto& sec : sections_) {
    if (!sec.name.empty()) out += "[" + sec.name + "]\n";
    for (const auto& l : sec.lines) out += l.key.empty() ? l.raw + "\n" : l.key + "=" + l.value + "\n";
  }
  return out;
}

bool IniFile::save(std::string* error) const {
  // Written whole or not at all: a full disk leaves the old file as it was.
  if (!writeFileAtomically(path_, text())) {
    if (error) *error = "Unable to write to " + path_;
    return false;
  }
  return true;
}

bool IniFile::updateKey(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, std::string* error) {
  IniFile ini(path);
  if (!ini.load()) {
    // An unreadable file would be replaced by one holding this key only.
    if (error) *error = "Unable to write to " + path;
    return false;
  }
  ini.writeString(section, key, value);
  return ini.save(error);
}

IniFile::Section* IniFile::find(const std::string& section) {
  for (auto& s : sections_)
    if (!s.name.empty() && sameName(s.name, section)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::find(const std::string& section) const {
  for (const auto& s : sections_)
    if (!s.name.empty() && sameName(s.name, section)) return &s;
  return nullptr;
}

std::vector<std::string> IniFile::sections() const {
  std::vector<std::string> names;
  for (const auto& s : sections_)
    if (!s.name.empty()) names.push_back(s.name);
  return names;
}

std::vector<std::string> IniFile::keys(const std::string& section) const {
  std::vector<std::string> names;
  if (const Section* s = find(section))
    for (const auto& l : s->lines)
      if (!l.key.empty()) names.push_back(l.key);
  return names;
}

bool IniFile::hasSection(const std::string& section) const { return find(section) != nullptr; }

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  if (const Section* s = find(section))
    for (const auto& l : s->lines)
      if (!l.key.empty() && sameName(l.key, key)) return l.value;
  return std::nullopt;
}

std::string IniFile::readString(const std::string& section, const std::string& key, const std::string& def) const {
  auto v = value(section, key);
  return v ? *v : def;
}

int IniFile::readInteger(const std::string& section, const std::string& key, int def) const {
  auto v = value(section, key);
  if (!v || v->empty()) return def;
  int out = 0;
  if (v->size() > 2 && (*v)[0] == '0' && ((*v)[1] == 'x' || (*v)[1] == 'X')) {
    try {
      size_t used = 0;
      long long h = std::stoll(v->substr(2), &used, 16);
      if (used == v->size() - 2 && h >= INT32_MIN && h <= INT32_MAX) return static_cast<int>(h);
    } catch (...) {
    }
    return def;
  }
  return parseInt(*v, out) ? out : def;
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool def) const {
  return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::readFloat(const std::string& section, const std::string& key, double def) const {
  auto v = value(section, key);
  if (!v || v->empty()) return def;
  double out = 0;
  return parseDouble(*v, out) ? out : def;
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = find(section);
  if (!s) {
    if (sections_.empty()) sections_.push_back({"", {}});
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& l : s->lines)
    if (!l.key.empty() && sameName(l.key, key)) {
      l.value = value;
      return;
    }
  // New keys go after the last key of the section, before trailing blanks.
  auto pos = s->lines.end();
  while (pos != s->lines.begin() && std::prev(pos)->key.empty() && trim(std::prev(pos)->raw).empty()) --pos;
  s->lines.insert(pos, {"", key, value});
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(const std::string& section, const std::string& key, double value) {
  writeString(section, key, fmtDefault(value));
}

void IniFile::eraseKey(const std::string& section, const std::string& key) {
  if (Section* s = find(section))
    std::erase_if(s->lines, [&](const Line& l) { return !l.key.empty() && sameName(l.key, key); });
}

void IniFile::eraseSection(const std::string& section) {
  std::erase_if(sections_, [&](const Section& s) { return !s.name.empty() && sameName(s.name, section); });
}

}  // namespace grainix
