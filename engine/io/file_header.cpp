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

std::string fileExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

// --- FileWriter --------------------------------------------------------

FileWriter::~FileWriter() = default;

bool FileWriter::open(const std::string& path) {
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(1 << 20);
  return file_.open(path);
}

void FileWriter::flushBuffer() {
  if (!file_.isOpen() || buffer_.empty()) return;
  if (!file_.write(buffer_)) failed_ = true;
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
  if (!file_.isOpen()) return false;
  flushBuffer();
  if (!file_.commit()) failed_ = true;
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

bool plainDecimal(std::string_view text, int64_t& value) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b == e) return false;
  for (size_t i = b; i < e; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return tokenToInt(text.substr(b, e - b), value);
}

bool readLabelLine(TextReader& in, const char* label, std::string& rest, int64_t& lineNo) {
  lineNo = in.lineNumber();
  std::string_view line;
  if (!in.nextLine(line)) return false;
  size_t b = 0;
  while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
  size_t e = b;
  while (e < line.size() && line[e] != ' ' && line[e] != '\t') ++e;
  if (line.substr(b, e - b) != label) return false;
  rest.assign(line.substr(e));
  return true;
}

bool readFileHeader(TextReader& in, StHeaderInfo& info, std::vector<std::string>& log, int64_t* failedLine) {
  info = StHeaderInfo{};
  int64_t lineNo = in.lineNumber();
  std::string rest;
  auto fail = [&] {
    if (failedLine) *failedLine = lineNo;
    return false;
  };
  auto firstWord = [](const std::string& text) {
    std::vector<std::string_view> words;
    splitWords(text, words);
    return words.empty() ? std::string() : std::string(words[0]);
  };
  // Every line must carry its own label: a file that lacks one is refused
  // instead of being read as another grain with its lines shifted.
  // 1. the date line, logged as it stands
  if (!readLabelLine(in, "#date:", rest, lineNo)) return fail();
  info.dateLine = "#date:" + rest;
  log.push_back(info.dateLine);
  // 2. the size: a plain decimal integer
  if (!readLabelLine(in, "#size:", rest, lineNo) || !plainDecimal(rest, info.size)) return fail();
  log.push_back("#size:" + std::to_string(info.size));
  // 3. lattice parameter and 4. radius, as the texts of their fields
  if (!readLabelLine(in, "#latticeParam:", rest, lineNo)) return fail();
  info.latticeText = firstWord(rest);
  log.push_back("#latticeParam:" + info.latticeText);
  if (!readLabelLine(in, "#grainRadius:", rest, lineNo)) return fail();
  info.radiusText = firstWord(rest);
  log.push_back("#grainRadius:" + info.radiusText);
  // 5. structure name: the rest of the line after one separating character
  if (!readLabelLine(in, "#structure:", rest, lineNo)) return fail();
  info.structure = rest.empty() ? rest : rest.substr(1);
  log.push_back("#structure:: " + info.structure);
  info.structureTag = structureTagForName(info.structure);
  // 6. sphere flag: 0 or 1
  int64_t flag = 0;
  if (!readLabelLine(in, "#sphere:", rest, lineNo) || !plainDecimal(rest, flag) || flag > 1) return fail();
  info.sphere = flag == 1;
  // 7. modified flag: an integer, any but 0 meaning modified
  if (!readLabelLine(in, "#modified:", rest, lineNo)) return fail();
  const std::string mod = firstWord(rest);
  int64_t modValue = 0;
  if (!plainDecimal(mod, modValue)) return fail();
  info.modified = modValue != 0;
  log.push_back("#modified:" + mod);
  // 8. one or two symbols on the "#atoms:" line
  if (!readLabelLine(in, "#atoms:", rest, lineNo)) return fail();
  std::vector<std::string_view> words;
  splitWords(rest, words);
  if (words.empty()) return fail();
  const std::string first(words[0]);
  info.atoms.push_back(first);
  const size_t after = static_cast<size_t>(words[0].data() + words[0].size() - rest.data());
  if (words.size() > 1 && after < rest.size() && (rest[after] == '\t' || rest[after] == ' ')) {
    info.atoms.emplace_back(words[1]);
    info.biatomic = true;
  }
  log.push_back("#atoms:" + first + (info.biatomic ? " " + info.atoms[1] : std::string()));
  return true;
}

void appendReaderOpening(std::vector<std::string>& log, const std::string& path) {
  log.push_back("==============================");
  log.push_back("Data from file: " + path);
}

}  // namespace grainix
