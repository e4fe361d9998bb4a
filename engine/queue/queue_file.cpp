#include "engine/queue/queue_file.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/core/format.h"
#include "engine/grain/stacking_model.h"

namespace grainix {

namespace {

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

std::vector<std::string> words(const std::string& s) {
  std::string t = s;
  std::replace(t.begin(), t.end(), ',', ' ');
  std::istringstream in(t);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(lower(w));
  return out;
}

// Which results a file asks for, before the dependencies are applied.
struct Choices {
  std::set<std::string> calc, save;
};

void applyChoices(StExpQueue& q, const Choices& c) {
  auto has = [](const std::set<std::string>& s, const char* w) { return s.count(w) > 0; };
  const bool gr = has(c.calc, "gr") || has(c.save, "gr");
  const bool diff = gr || has(c.calc, "diffraction") || has(c.save, "diffraction");
  const bool pdh = diff || has(c.calc, "pdh") || has(c.save, "pdh");
  const bool delta = has(c.calc, "delta") || has(c.save, "delta");
  q.calcPdh = pdh;
  q.calcDiff = diff;
  q.calcGr = gr;
  q.calcRij = delta;
  q.calcOn = pdh || delta;
  q.savePositions = has(c.save, "positions");
  q.savePdh = has(c.save, "pdh");
  q.saveRij = has(c.save, "delta");
  q.saveDiff = has(c.save, "diffraction");
  q.saveGr = has(c.save, "gr");
  q.saveOn = !c.save.empty();
}

// Reads line after line; the first fault stops it (every call returns
// false from then on) and is kept with its line number (0: the whole file).
class Parser {
 public:
  explicit Parser(StExpQueue& q) : q_(q) {}

  bool line(int number, const std::string& raw) {
    const std::string s = trim(raw);
    if (s.empty() || s[0] == ';' || s[0] == '#') return true;
    if (s[0] == '[') return section(number, s);
    const auto eq = s.find('=');
    if (eq == std::string::npos) return fail(number, "expected a section [name] or a line key = value");
    const std::string key = lower(trim(s.substr(0, eq)));
    const std::string value = trim(s.substr(eq + 1));
    if (section_.empty()) return fail(number, "'" + key + "' comes before any section");
    if (!seen_.insert(key).second) return fail(number, "'" + key + "' is given twice in [" + section_ + "]");
    return section_ == "queue" ? queueKey(number, key, value) : entryKey(number, key, value);
  }

  bool finish() {
    if (!closeEntry()) return false;
    if (q_.entries.empty()) return fail(0, "no entries: the experiments are the sections [1], [2], ...");
    applyChoices(q_, choices_);
    return true;
  }

  int faultLine = 0;
  std::string fault;

 private:
  bool fail(int number, std::string what) {
    faultLine = number;
    fault = std::move(what);
    return false;
  }

  bool section(int number, const std::string& s) {
    if (s.back() != ']') return fail(number, "a section name ends with ']'");
    const std::string name = lower(trim(s.substr(1, s.size() - 2)));
    if (!closeEntry()) return false;
    seen_.clear();
    if (name == "queue") {
      if (queueSeen_) return fail(number, "[queue] is given twice");
      queueSeen_ = true;
      section_ = name;
      return true;
    }
    int n = 0;
    if (name.find_first_not_of("0123456789") != std::string::npos || !parseInt(name, n))
      return fail(number, "unknown section [" + name + "]: expected [queue] or an entry number [1], [2], ...");
    const int expected = static_cast<int>(q_.entries.size()) + 1;
    if (n != expected)
      return fail(number, "section [" + name + "] out of order: entries are numbered 1, 2, 3, ... and [" +
                              std::to_string(expected) + "] comes next");
    section_ = name;
    sectionLine_ = number;
    StExpQueueRecord e;
    e.number = n;
    q_.entries.push_back(std::move(e));
    return true;
  }

  // The entry section that ends must name its sequence.
  bool closeEntry() {
    if (section_.empty() || section_ == "queue") return true;
    StExpQueueRecord& e = q_.entries.back();
    if (e.sequence.empty()) return fail(sectionLine_, "[" + section_ + "] has no sequence");
    e.summary = entrySummary(e.lpA, e.lpC, e.u, e.sequence);
    return true;
  }

  bool queueKey(int number, const std::string& key, const std::string& value) {
    if (key == "fileheader") {
      if (value.empty() || value.find('/') != std::string::npos)
        return fail(number, "fileHeader: expected the first letters of the file names, without '/'");
      q_.fileHead = value;
      return true;
    }
    if (key == "description") {
      q_.description = value;
      return true;
    }
    if (key != "calculations" && key != "save")
      return fail(number, "unknown key '" + key + "' in [queue]; expected fileHeader, description, calculations, save");
    const bool save = key == "save";
    for (const std::string& w : words(value)) {
      const bool known = w == "pdh" || w == "delta" || w == "diffraction" || w == "gr" || (save && w == "positions");
      if (!known)
        return fail(number, key + ": unknown word '" + w + "'; expected " +
                                (save ? "positions, pdh, delta, diffraction, gr" : "pdh, delta, diffraction, gr"));
      (save ? choices_.save : choices_.calc).insert(w);
    }
    return true;
  }

  bool entryKey(int number, const std::string& key, const std::string& value) {
    StExpQueueRecord& e = q_.entries.back();
    if (key == "sequence") {
      const std::string seq = upperSequence(value);
      if (seq.empty() || seq.find_first_not_of("ABC") != std::string::npos)
        return fail(number, "sequence: only the letters A, B and C are allowed");
      e.sequence = seq;
      return true;
    }
    std::string* field = key == "a" ? &e.lpA : key == "c" ? &e.lpC : key == "u" ? &e.u : nullptr;
    if (!field) return fail(number, "unknown key '" + key + "' in [" + section_ + "]; expected sequence, a, c, u");
    double v = 0;
    if (!parseDouble(value, v) || !(v > 0)) return fail(number, key + ": expected a number > 0");
    *field = value;
    return true;
  }

  StExpQueue& q_;
  Choices choices_;
  std::string section_;
  int sectionLine_ = 0;
  bool queueSeen_ = false;
  std::set<std::string> seen_;
};

}  // namespace

StQueueFileLoad parseQueueFile(const std::string& text, const std::string& name) {
  StQueueFileLoad load;
  Parser parser(load.queue);
  std::istringstream in(text);
  int number = 0;
  bool ok = true;
  for (std::string l; ok && std::getline(in, l);) ok = parser.line(++number, l);
  if (ok) ok = parser.finish();
  if (!ok) {
    load.error = name + (parser.faultLine > 0 ? ":" + std::to_string(parser.faultLine) : std::string()) + ": " +
                 parser.fault;
    load.queue = StExpQueue{};
    return load;
  }
  load.ok = true;
  return load;
}

StQueueFileLoad loadQueueFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    StQueueFileLoad load;
    load.error = path + ": cannot be read";
    return load;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parseQueueFile(text.str(), path);
}

void fillStackingDefaults(StExpQueue& queue, const StGrainPrm& prm) {
  StGrainPrm p = prm;
  std::string sequence;
  const StackingModel initial(StackingModel::Mode::Edit, sequence, p);
  for (StExpQueueRecord& e : queue.entries) {
    if (e.lpA.empty()) e.lpA = initial.haText();
    if (e.lpC.empty()) e.lpC = initial.cText();
    if (e.u.empty()) e.u = initial.uText();
    e.summary = entrySummary(e.lpA, e.lpC, e.u, e.sequence);
  }
}

}  // namespace grainix
