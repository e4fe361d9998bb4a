#include "engine/io/file_header.h"

#include <cctype>
#include <charconv>
#include <cstdarg>
#include <locale.h>

#include "engine/core/format.h"

namespace grainix {

namespace {

locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string dateTimeText(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d, %H:%M:%S", &tm);
  return buf;
}

std::vector<std::string> headerAtomNames(const StHeaderFields& h) {
  if (!h.loadedAtoms.empty()) return h.loadedAtoms;
  std::vector<std::string> names{h.elementL};
  if (h.biatomic) names.push_back(h.elementR);
  return names;
}

std::string fileHeaderText(const StHeaderFields& h, int64_t size) {
  std::string s;
  s += "#date: " + (h.dateTime.empty() ? dateTimeText(std::time(nullptr)) : h.dateTime) + "\n";
  s += "#size: " + std::to_string(size) + "\n";
  s += "#latticeParam: " + h.latticeText + "\n";
  s += "#grainRadius: " + h.radiusText + "\n";
  s += "#structure: " + h.structure + "\n";
  s += std::string("#sphere: ") + (h.sphere ? "1" : "0") + "\n";
  s += std::string("#modified: ") + (h.modified ? "1" : "0") + "\n";
  s += "#atoms: ";
  const auto names = headerAtomNames(h);
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) s += "\t";
    s += names[i];
  }
  s += "\n";
  return s;
}

std::string folderOfPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// --- FileWriter --------------------------------------------------------

FileWriter::~FileWriter() {
  if (file_) std::fclose(file_);
}

bool FileWriter::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(1 << 20);
  return file_ != nullptr;
}

void FileWriter::flushBuffer() {
  if (!file_ || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

void FileWriter::put(const char* s, size_t n) {
  buffer_.append(s, n);
  if (buffer_.size() >= (1u << 20)) flushBuffer();
}

void FileWriter::printf(const char* format, ...) {
  char small[256];
  const locale_t previous = uselocale(cLocale());
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
    put(small, static_cast<size_t>(n));
  } else if (n >= 0) {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, copy);
    put(big.data(), static_cast<size_t>(n));
  } else {
    failed_ = true;
  }
  va_end(copy);
  uselocale(previous);
}

void FileWriter::putFixed(double value, int width, int precision) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
  if (ec != std::errc()) {
    printf("%*.*f", width, precision, value);
    return;
  }
  const int len = static_cast<int>(end - buf);
  if (len < width) buffer_.append(static_cast<size_t>(width - len), ' ');
  put(buf, static_cast<size_t>(len));
}

bool FileWriter::close() {
  if (!file_) return false;
  flushBuffer();
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

std::string openForWritingError(const std::string& path) {
  return "Error, couldn't open file: " + path + " for writing";
}

std::string incompleteWriteError(const std::string& path) {
  return "Error, couldn't write the whole file: " + path;
}

// --- header parser -----------------------------------------------------

int structureTagForName(const std::string& name) {
  const std::string n = lower(name);
  if (n == "sc") return structSc;
  if (n == "bcc") return structBcc;
  if (n == "fcc") return structFcc;
  if (n == "hcp") return structHcp;
  if (n == "2d") return structTest;
  if (n == "xyz") return -1;
  if (n == "cif" || n.rfind("cif ", 0) == 0) return -1;  // no structure button makes it
  return structZincBlende;
}

std::unique_ptr<GenNodes> generatorForStructure(const std::string& name, vGrainNodes& nodes) {
  const std::string n = lower(name);
  if (n == "sc") return std::make_unique<scNodes>(nodes);
  if (n == "bcc") return std::make_unique<bccNodes>(nodes);
  if (n == "fcc") return std::make_unique<fccNodes>(nodes);
  if (n == "hcp") return std::make_unique<hcpNodes>(nodes);
  if (n == "2d") return std::make_unique<twoDimNodes>(nodes);
  if (n == "xyz") return std::make_unique<xyzNodes>(nodes);
  if (n == "cif" || n.rfind("cif ", 0) == 0) return std::make_unique<cifNodes>(nodes, name);
  return std::make_unique<diamNodes>(nodes);
}

bool readFileHeader(TextReader& in, StHeaderInfo& info, std::vector<std::string>& log) {
  info = StHeaderInfo{};
  // 1. the date line, as it stands
  if (in.atEnd()) return false;
  info.dateLine = in.restOfLine();
  log.push_back(info.dateLine);
  // 2. size
  std::string label = in.word();
  if (in.failed() || !in.readInt(info.size) || info.size < 0) return false;
  log.push_back(label + std::to_string(info.size));
  // 3. lattice parameter text
  if (!in.atEnd()) in.restOfLine();
  label = in.word();
  if (in.failed()) return false;
  info.latticeText = firstWordOfLine(in);
  log.push_back(label + info.latticeText);
  // 4. radius text
  label = in.word();
  if (in.failed()) return false;
  info.radiusText = firstWordOfLine(in);
  log.push_back(label + info.radiusText);
  // 5. structure name: the rest of the line after one separating character
  label = in.word();
  if (in.failed()) return false;
  if (in.peek() == '\n' || in.peek() == '\r') {
    info.structure.clear();
    in.restOfLine();
  } else {
    in.skipChar();
    info.structure = in.restOfLine();
  }
  if (in.failed()) return false;
  log.push_back(label + ": " + info.structure);
  info.structureTag = structureTagForName(info.structure);
  // 7. sphere flag: 0 or 1
  in.word();
  int64_t flag = 0;
  if (in.failed() || !in.readInt(flag) || (flag != 0 && flag != 1)) return false;
  info.sphere = flag == 1;
  // 8. modified flag: the word's integer value
  if (!in.atEnd()) in.restOfLine();
  label = in.word();
  if (in.failed()) return false;
  const std::string mod = firstWordOfLine(in);
  int64_t modValue = 0;
  {
    TextReader w(mod);
    if (!w.readInt(modValue)) modValue = 0;
  }
  info.modified = modValue != 0;
  log.push_back(label + mod);
  // 9. one or two symbols on the "#atoms:" line
  label = in.word();
  if (in.failed()) return false;
  const std::string line = in.atEnd() ? std::string() : in.restOfLine();
  std::vector<std::string_view> words;
  splitWords(line, words);
  if (words.empty()) return false;
  const std::string first(words[0]);
  info.atoms.push_back(first);
  const size_t after = static_cast<size_t>(words[0].data() + words[0].size() - line.data());
  if (words.size() > 1 && after < line.size() && (line[after] == '\t' || line[after] == ' ')) {
    info.atoms.emplace_back(words[1]);
    info.biatomic = true;
  }
  log.push_back(label + first + (info.biatomic ? " " + info.atoms[1] : std::string()));
  return true;
}

std::string firstWordOfLine(TextReader& in) {
  if (in.atEnd()) return {};
  const std::string rest = in.restOfLine();
  std::vector<std::string_view> words;
  splitWords(rest, words);
  return words.empty() ? std::string() : std::string(words[0]);
}

void appendReaderOpening(std::vector<std::string>& log, const std::string& path) {
  log.push_back("==============================");
  log.push_back("Data from file: " + path);
}

}  // namespace grainix
