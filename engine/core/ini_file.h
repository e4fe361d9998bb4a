#pragma once
// A small INI file in the form the Windows profile functions read and write:
// "[section]" lines and "key=value" lines, section and key names compared
// without regard to case, values kept exactly as stored (no quoting or
// escaping, so "c:\" round-trips). Comment and unknown lines are kept.
// Writing one key leaves the rest of the file as it was.
#include <optional>
#include <string>
#include <vector>

namespace grainix {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path);

  // Reads the file named at construction; a missing file gives an empty INI.
  // Returns false only when the file exists and cannot be read (`reason`
  // receives the system's text, "Permission denied").
  bool load(std::string* reason = nullptr);
  // Parses INI text (CR LF or LF line ends).
  void parse(const std::string& text);
  std::string text() const;
  // Writes the whole file (or nothing: see AtomicFile); on failure `error`
  // receives "Unable to write to " + path.
  bool save(std::string* error = nullptr) const;

  // Writes one key into the file at `path` at once, keeping the rest of it
  // (the file is created when missing). On failure `error` receives
  // "Unable to write to " + path.
  static bool updateKey(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, std::string* error = nullptr);

  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }

  std::vector<std::string> sections() const;
  std::vector<std::string> keys(const std::string& section) const;
  bool hasSection(const std::string& section) const;
  std::optional<std::string> value(const std::string& section, const std::string& key) const;

  // Reads with the profile defaults: a missing key gives the default; a key
  // present but empty gives "" for strings and the default otherwise; a
  // value that does not parse gives the default.
  std::string readString(const std::string& section, const std::string& key, const std::string& def) const;
  int readInteger(const std::string& section, const std::string& key, int def) const;
  bool readBool(const std::string& section, const std::string& key, bool def) const;
  double readFloat(const std::string& section, const std::string& key, double def) const;

  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, int value);
  void writeBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"
  void writeFloat(const std::string& section, const std::string& key, double value);  // 15 digits
  void eraseKey(const std::string& section, const std::string& key);
  void eraseSection(const std::string& section);

 private:
  struct Line {
    std::string raw;   // the line as read, for lines that are not key=value
    std::string key;   // empty for raw lines
    std::string value;
  };
  struct Section {
    std::string name;  // empty name: lines before the first section
    std::vector<Line> lines;
  };
  Section* find(const std::string& section);
  const Section* find(const std::string& section) const;

  std::string path_;
  std::vector<Section> sections_;
};

}  // namespace grainix
