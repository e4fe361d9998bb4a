#include "engine/io/readers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "engine/elements/element_table.h"
#include "engine/core/format.h"
#include "engine/core/ini_file.h"
#include "engine/io/text_reader.h"

namespace grainix {

namespace {

// The writers put one blank between "#comment:" and the text.
std::string commentText(std::string rest) {
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  return rest;
}

bool isBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

// The next non-blank line and its number; false at the end of the text.
bool nextDataLine(TextReader& in, std::string_view& line, int64_t& number) {
  for (;;) {
    number = in.lineNumber();
    if (!in.nextLine(line)) return false;
    if (!isBlankLine(line)) return true;
  }
}

// Capacity for `n` rows, bounded by what the rest of the text can hold
// (a row takes at least `minBytes` characters), so an absurd size line
// never allocates.
size_t boundedReserve(int64_t n, const TextReader& in, size_t minBytes) {
  const size_t possible = in.remaining() / minBytes + 1;
  return n < 0 ? possible : std::min(static_cast<size_t>(n), possible);
}

void applyHeader(const StHeaderInfo& h, StReadTarget& t) {
  t.generator = generatorForStructure(h.structure, t.ideal);
  t.generator->modified = h.modified;
  t.loadedAtoms = h.atoms;
}

// A "#label: word" line: the label, then the first word of the rest of
// the line (empty when there is none).
bool readLabelledWord(TextReader& in, const char* label, std::string& value, int64_t& lineNo) {
  std::string rest;
  if (!readLabelLine(in, label, rest, lineNo)) return false;
  std::vector<std::string_view> words;
  splitWords(rest, words);
  value = words.empty() ? std::string() : std::string(words[0]);
  return true;
}

// The "#comment: text" line.
bool readCommentLine(TextReader& in, std::string& comment, int64_t& lineNo) {
  std::string rest;
  if (!readLabelLine(in, "#comment:", rest, lineNo)) return false;
  comment = commentText(rest);
  return true;
}

constexpr PairCount kMaxPairCount = std::numeric_limits<PairCount>::max();

// A pair count: a non-negative whole number, as an integer or in the
// stream form older biatomic files were written in ("1.03964e+06").
bool tokenToPairCount(std::string_view token, PairCount& out) {
  int64_t i = 0;
  if (tokenToInt(token, i)) {
    if (i < 0) return false;
    out = i;
    return true;
  }
  double v = 0;
  if (!tokenToDouble(token, v) || !(v >= 0) || !(v < 0x1p63) || v != std::floor(v)) return false;
  out = static_cast<PairCount>(v);
  return true;
}

// The column line, which starts with "#"; false at the end of the text or
// for any other line.
bool readColumnLine(TextReader& in, std::string_view& line, int64_t& lineNo) {
  lineNo = in.lineNumber();
  return in.nextLine(line) && !line.empty() && line[0] == '#';
}

void reportProgress(ProgressSink* p, size_t done) {
  if (p && (done & 0xFFFF) == 0) p->setPosition(static_cast<int64_t>(done));
}

}  // namespace

std::string wrongFormatText(int64_t line) {
  return "Error during reading, propably wrong format (line " + std::to_string(line) + ")";
}

std::string noAtomsText(const std::string& path) { return "No atoms in the file " + path; }

std::vector<std::string> readKnownSymbols(const std::string& sftPath) {
  IniFile ini(sftPath);
  std::vector<std::string> out;
  if (!ini.load()) return out;
  const int limit = listedElementCount(ini);
  for (int i = 1; i <= limit; ++i) out.push_back(ini.readString("gen", "nam" + std::to_string(i), "0"));
  return out;
}

// --- nodes -------------------------------------------------------------

namespace {

using SymbolIndex = std::unordered_map<std::string, int32_t>;

SymbolIndex symbolIndex(const std::vector<std::string>& knownSymbols) {
  SymbolIndex index;
  for (size_t i = 0; i < knownSymbols.size(); ++i) index.emplace(knownSymbols[i], static_cast<int32_t>(i));
  return index;
}

// One atom as a file gives it: no site kind, its table index (-1 for an
// unknown symbol), its distance from the origin only when the table is known.
StGrainNode atomNode(std::string_view sym, double x, double y, double z, const SymbolIndex& index, bool known,
                     std::vector<std::string>& distinct) {
  StGrainNode node;
  node.x = node.x0 = x;
  node.y = node.y0 = y;
  node.z = node.z0 = z;
  node.siteKind = -1;
  node.element.assign(sym.data(), sym.size());
  const auto it = index.find(node.element);
  node.elementIndex = it == index.end() ? -1 : it->second;
  node.r = known ? std::sqrt(x * x + y * y + z * z) : -1.0;
  node.rPrev = 0;
  if (distinct.size() < 16 && std::find(distinct.begin(), distinct.end(), node.element) == distinct.end())
    distinct.push_back(node.element);
  return node;
}

// Hands the whole list of atoms to the target.
void takeOverAtoms(StNodesLoad& out, StReadTarget& target, vGrainNodes&& nodes, std::vector<std::string>&& distinct,
                   bool xyzLayout, bool otherLayout, bool known, ProgressSink* progress) {
  StCommandResult& res = out.result;
  double maxR = 0;
  if (!otherLayout && known)
    for (const auto& nd : nodes) maxR = std::max(maxR, nd.r);
  target.ideal = std::move(nodes);
  target.sections.clear();
  if (out.hasHeader) {
    applyHeader(out.header, target);
  } else {
    target.generator = std::make_unique<xyzNodes>(target.ideal);
    target.loadedAtoms = std::move(distinct);
  }
  target.generator->count = static_cast<int32_t>(std::min<size_t>(target.ideal.size(), INT32_MAX));
  out.xyzLayout = xyzLayout;
  out.maxR = maxR;
  if (out.xyzLayout && known) {
    out.setRadius = true;
    out.radiusText = fmtGeneral(maxR, 3);
    res.log.push_back(" Rgrain=" + fmtGeneral(maxR, 5));
  }
  target.grainPrm.maxDistance = 2.02 * maxR;
  // A grain needs two atoms before anything can be calculated from it.
  const bool grain = target.ideal.size() >= 2;
  res.set("BLiczPdf", grain);
  res.set("Bmodify", grain);
  for (const char* c : {"Bwypisz", "MIsavenodes"}) res.set(c, true);
  res.log.push_back("  *** data were loaded ***");
  if (progress) {
    progress->setPosition(static_cast<int64_t>(target.ideal.size()));
    progress->setVisible(false);
  }
  res.ok = true;
}

}  // namespace

StNodesLoad adoptAtoms(const std::vector<std::string>& symbols, const double* xyz, StReadTarget target,
                       const std::vector<std::string>& knownSymbols) {
  StNodesLoad out;
  if (symbols.empty()) {
    out.result.error("No atoms given", "Error");
    return out;
  }
  const SymbolIndex index = symbolIndex(knownSymbols);
  std::vector<std::string> distinct;
  vGrainNodes nodes;
  nodes.reserve(symbols.size());
  for (size_t i = 0; i < symbols.size(); ++i)
    nodes.push_back(atomNode(symbols[i], xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2], index, !knownSymbols.empty(),
                             distinct));
  takeOverAtoms(out, target, std::move(nodes), std::move(distinct), true, false, !knownSymbols.empty(), nullptr);
  return out;
}

StNodesLoad loadNodesFile(const std::string& path, StReadTarget target, const std::vector<std::string>& knownSymbols,
                          ProgressSink* progress) {
  StNodesLoad out;
  StCommandResult& res = out.result;
  TextReader in;
  bool tooLarge = false;
  if (!in.open(path, &tooLarge)) {
    res.error(tooLarge ? "File too large: " + path : "Error, couldn't open file: " + path + " for reading", "Error");
    return out;
  }
  appendReaderOpening(res.log, path);
  if (progress) progress->setVisible(true);

  auto fail = [&](int64_t line) {
    res.error(wrongFormatText(line), "Error");
    res.log.push_back("Error during reading, no data loaded");
    target.ideal.clear();
    for (const char* c : {"BLiczPdf", "Bmodify", "Bwypisz", "MIsavenodes"}) res.set(c, false);
    if (progress) progress->setVisible(false);
    out.hasHeader = false;
    out.commentRead = false;
    out.setRadius = false;
    return out;
  };

  // The file's own extension decides, not a folder name that contains one.
  const std::string ext = fileExtension(path);
  enum class Layout { Ndl, Xyz, Other } layout = ext == ".ndl"   ? Layout::Ndl
                                                 : ext == ".xyz" ? Layout::Xyz
                                                                 : Layout::Other;
  int64_t n = -1;  // -1: every row up to the end (files without a header)
  bool symbolFirst = layout != Layout::Other;

  int64_t lineNo = 0;
  if (layout == Layout::Xyz) {
    // The count line holds a plain decimal integer and nothing else.
    std::string_view countLine;
    lineNo = in.lineNumber();
    if (!in.nextLine(countLine) || !plainDecimal(countLine, n)) return fail(lineNo);
    if (n > 0 && in.atEnd()) return fail(in.lineNumber());
    if (!in.atEnd()) in.restOfLine();  // the comment line
  } else {
    in.skipWhitespace();
    const bool headed = layout == Layout::Ndl || in.peek() == '#';
    if (headed) {
      if (!readFileHeader(in, out.header, res.log, &lineNo)) return fail(lineNo);
      if (out.header.latticeText == "0") return fail(3);
      out.hasHeader = true;
      n = out.header.size;
      if (!readCommentLine(in, out.comment, lineNo)) return fail(lineNo);
      out.commentRead = true;
      std::string_view columns;
      if (!readColumnLine(in, columns, lineNo)) {
        if (n > 0 || !in.atEnd()) return fail(lineNo);
      }
    }
  }

  vGrainNodes nodes;
  nodes.reserve(boundedReserve(n, in, 7));
  const SymbolIndex index = symbolIndex(knownSymbols);
  std::vector<std::string> distinct;
  if (progress) progress->setMaximum(n < 0 ? 0 : n);

  std::vector<std::string_view> words;
  std::string_view line;
  for (int64_t row = 0; n < 0 || row < n; ++row) {
    if (!nextDataLine(in, line, lineNo)) {
      if (n < 0) break;
      return fail(in.lineNumber());
    }
    splitWords(line, words);
    std::string_view sym;
    double x = 0, y = 0, z = 0;
    bool ok = false;
    if (words.size() == 3 && line[0] == '\t' && symbolFirst) {
      // a node without a symbol
      ok = tokenToDouble(words[0], x) && tokenToDouble(words[1], y) && tokenToDouble(words[2], z);
    } else if (words.size() >= 4) {
      double probe = 0;
      const bool numberFirst = !symbolFirst && tokenToDouble(words[0], probe);
      if (numberFirst) {
        ok = tokenToDouble(words[0], x) && tokenToDouble(words[1], y) && tokenToDouble(words[2], z);
        sym = words[3];
      } else {
        sym = words[0];
        ok = tokenToDouble(words[1], x) && tokenToDouble(words[2], y) && tokenToDouble(words[3], z);
      }
    }
    if (!ok) return fail(lineNo);
    nodes.push_back(atomNode(sym, x, y, z, index, !knownSymbols.empty(), distinct));
    reportProgress(progress, nodes.size());
  }

  // A file that holds no atom gives no grain: refused like a wrong format,
  // never reported as "data were loaded".
  if (nodes.empty()) {
    fail(in.lineNumber());
    res.messages.back().text = noAtomsText(path);
    return out;
  }

  // The whole file was read: take it over.
  takeOverAtoms(out, target, std::move(nodes), std::move(distinct), layout == Layout::Xyz, layout == Layout::Other,
                !knownSymbols.empty(), progress);
  return out;
}

// --- PDH ---------------------------------------------------------------

StHistogramLoad loadHistogramFile(const std::string& path, StReadTarget target, PdhList& pdh,
                                  StIDCalcResults& partial, const std::vector<std::string>& knownSymbols) {
  StHistogramLoad out;
  StCommandResult& res = out.result;
  TextReader in;
  if (!in.open(path)) {
    res.error("B\u0142\u0105d otwarcia pliku: " + path, "Error");
    return out;
  }
  appendReaderOpening(res.log, path);
  auto fail = [&](int64_t line) {
    res.error(wrongFormatText(line), "Error");
    res.log.push_back("Error during reading, no data loaded");
    return out;
  };
  int64_t lineNo = 0;
  std::string_view line;
  if (!readFileHeader(in, out.header, res.log, &lineNo)) return fail(lineNo);
  const int64_t n = out.header.size;
  if (!readLabelledWord(in, "#binWidth:", out.binWidthText, lineNo)) return fail(lineNo);
  if (!readCommentLine(in, out.comment, lineNo)) return fail(lineNo);
  if (!readColumnLine(in, line, lineNo) && (n > 0 || !in.atEnd())) return fail(lineNo);

  PdhList list;
  std::vector<double> r;
  std::vector<PairCount> rii, rij, rjj;
  std::vector<std::vector<PairCount>> many;  // three or more elements: one per pair
  size_t columns = 0, elements = 0;
  std::vector<std::string_view> words;
  for (int64_t row = 0; row < n; ++row) {
    if (!nextDataLine(in, line, lineNo)) return fail(in.lineNumber());
    splitWords(line, words);
    if (columns == 0) {
      columns = words.size();
      if (columns > 4) {
        // Three or more elements: 1 + N (N + 1) / 2 columns, N the
        // symbols of "#atoms:".
        elements = out.header.atoms.size();
        if (elements < 3 || columns != 1 + elementPairCount(elements)) return fail(lineNo);
        many.resize(columns - 1);
        for (auto& c : many) c.reserve(boundedReserve(n, in, 8 * many.size()));
        r.reserve(boundedReserve(n, in, 8));
      }
      if (columns < 2) return fail(lineNo);
      if (columns == 4) {
        const size_t cap = boundedReserve(n, in, 8);
        r.reserve(cap), rii.reserve(cap), rij.reserve(cap), rjj.reserve(cap);
      }
    }
    if (words.size() != columns) return fail(lineNo);
    StLiczOdl e;
    if (columns > 4) {
      double v = 0;
      if (!tokenToDouble(words[0], v)) return fail(lineNo);
      PairCount sum = 0;
      for (size_t k = 0; k < many.size(); ++k) {
        PairCount c = 0;
        if (!tokenToPairCount(words[k + 1], c) || sum > kMaxPairCount - c) return fail(lineNo);
        sum += c;
        many[k].push_back(c);
      }
      r.push_back(v);
      e.r = v;
      e.card = sum;
    } else if (columns == 4) {
      double v = 0;
      PairCount c[3];
      if (!tokenToDouble(words[0], v)) return fail(lineNo);
      for (int k = 0; k < 3; ++k)
        if (!tokenToPairCount(words[static_cast<size_t>(k) + 1], c[k])) return fail(lineNo);
      // The PDH list receives the sum of the three counts.
      if (c[0] > kMaxPairCount - c[1] || c[0] + c[1] > kMaxPairCount - c[2]) return fail(lineNo);
      r.push_back(v), rii.push_back(c[0]), rij.push_back(c[1]), rjj.push_back(c[2]);
      e.r = v;
      e.card = c[0] + c[1] + c[2];
    } else {
      if (!tokenToDouble(words[0], e.r) || !tokenToPairCount(words[1], e.card)) return fail(lineNo);
      if (columns == 3 && !tokenToDouble(words[2], e.norm)) return fail(lineNo);
    }
    list.push_back(e);
  }

  applyHeader(out.header, target);
  // The elements named by "#atoms:" (the table's index, or -1), and the
  // atoms whose pairs the histogram counts.
  auto indexOf = [&](size_t k) -> int32_t {
    if (out.header.atoms.empty()) return -1;
    const std::string& name = out.header.atoms[std::min(k, out.header.atoms.size() - 1)];
    const auto it = std::find(knownSymbols.begin(), knownSymbols.end(), name);
    return it == knownSymbols.end() ? -1 : static_cast<int32_t>(it - knownSymbols.begin());
  };
  PairCount total = 0;
  for (const StLiczOdl& e : list) total += e.card;
  pdh = std::move(list);
  out.biatomic = columns >= 4;
  if (columns > 4) {
    partial.release();
    std::vector<PairCount> sums(many.size(), 0);
    for (size_t k = 0; k < many.size(); ++k)
      for (PairCount c : many[k]) sums[k] += c;
    partial.count = static_cast<int32_t>(r.size());
    partial.r = std::move(r);
    partial.pairs = std::move(many);
    double bw = 0;
    partial.binWidth = parseDouble(out.binWidthText, bw) ? bw : 0;
    // Atoms of each element: from its own pairs, n (n - 1) / 2; an element
    // without pairs of its own has one atom when it has mixed pairs, or as
    // many as its mixed pairs with an element of known count say.
    const size_t ne = elements;
    auto pairSum = [&](size_t a, size_t b) { return sums[a <= b ? elementPairIndex(a, b, ne) : elementPairIndex(b, a, ne)]; };
    std::vector<int64_t> atoms(ne, 0);
    for (size_t a = 0; a < ne; ++a) {
      bool mixed = false;
      for (size_t b = 0; b < ne; ++b) mixed = mixed || (b != a && pairSum(a, b) > 0);
      atoms[a] = pairSum(a, a) > 0 ? atomsOfPairs(pairSum(a, a)) : (mixed ? 1 : 0);
    }
    for (size_t a = 0; a < ne; ++a) {
      if (pairSum(a, a) > 0) continue;
      for (size_t b = 0; b < ne; ++b)
        if (b != a && pairSum(b, b) > 0 && pairSum(a, b) > 0) {
          atoms[a] = pairSum(a, b) / atoms[b];
          break;
        }
    }
    int64_t all = 0;
    for (size_t a = 0; a < ne; ++a) {
      partial.elements.push_back(indexOf(a));
      partial.elementAtoms.push_back(atoms[a]);
      all += atoms[a];
    }
    partial.elemFirst = partial.elements[0];
    partial.elemSecond = partial.elements[1];
    out.atoms = {all, partial.elemFirst};
    target.grainPrm.biatomic = true;
  } else if (out.biatomic) {
    PairCount sums[3] = {0, 0, 0};
    for (size_t k = 0; k < r.size(); ++k) sums[0] += rii[k], sums[1] += rij[k], sums[2] += rjj[k];
    partial.allocate(static_cast<int32_t>(r.size()));
    partial.r = std::move(r);
    partial.rii = std::move(rii);
    partial.rij = std::move(rij);
    partial.rjj = std::move(rjj);
    double bw = 0;
    partial.binWidth = parseDouble(out.binWidthText, bw) ? bw : 0;
    partial.elemFirst = indexOf(0);
    partial.elemSecond = indexOf(1);
    // n1 (n1 - 1) / 2 first-element pairs, n2 (n2 - 1) / 2 second-element
    // ones and n1 n2 mixed ones; an element without pairs of its own has one
    // atom, or none when there are no mixed pairs either.
    int64_t n1 = sums[0] > 0 ? atomsOfPairs(sums[0]) : (sums[1] > 0 ? 1 : 0);
    int64_t n2 = sums[2] > 0 ? atomsOfPairs(sums[2]) : (sums[1] > 0 ? 1 : 0);
    if (sums[0] == 0 && sums[2] > 0 && sums[1] > 0) n1 = sums[1] / n2;
    if (sums[2] == 0 && sums[0] > 0 && sums[1] > 0) n2 = sums[1] / n1;
    partial.atomsFirst = n1;
    partial.atomsSecond = n2;
    out.atoms = {n1 + n2, partial.elemFirst};
    target.grainPrm.biatomic = true;
  } else {
    partial.release();
    out.atoms = {atomsOfPairs(total), indexOf(0)};
    if (out.atoms.count / 2 * (out.atoms.count - 1) + (out.atoms.count % 2) * ((out.atoms.count - 1) / 2) != total)
      res.log.push_back(" the histogram's " + std::to_string(total) +
                        " pairs are not those of a whole grain; its pattern takes " + std::to_string(out.atoms.count) +
                        " atoms");
  }
  for (const char* c : {"BGraf", "BHistogram", "Bpdfdyfr", "MIsavehistogram", "MIsaveall"}) res.set(c, true);
  res.ok = true;
  return out;
}

// --- diffraction -------------------------------------------------------

StDiffractionLoad loadDiffractionFile(const std::string& path, StReadTarget target, StDiffPattern& pattern) {
  StDiffractionLoad out;
  StCommandResult& res = out.result;
  TextReader in;
  if (!in.open(path)) {
    res.error("Error, couldn't open file " + path, "Error");
    return out;
  }
  appendReaderOpening(res.log, path);
  auto fail = [&](int64_t line) {
    res.error(wrongFormatText(line), "Error");
    res.log.push_back("Error during reading, no data loaded");
    return out;
  };
  int64_t lineNo = 0;
  if (!readFileHeader(in, out.header, res.log, &lineNo)) return fail(lineNo);
  const int64_t n = out.header.size;
  if (n > INT32_MAX) return fail(2);
  std::string ignored;
  if (!readLabelledWord(in, "#lambda:", out.lambdaText, lineNo) || !readLabelledWord(in, "#K:", ignored, lineNo) ||
      !readLabelledWord(in, "#dtheta:", out.stepText, lineNo))
    return fail(lineNo);
  if (!readCommentLine(in, out.comment, lineNo)) return fail(lineNo);
  std::string_view line;
  if (!readColumnLine(in, line, lineNo)) return fail(lineNo);
  {
    // The two column names the writer uses: "theta" or "Q", then "S" or "I".
    std::vector<std::string_view> names;
    splitWords(line.substr(1), names);
    if (names.size() != 2 || (names[0] != "theta" && names[0] != "Q") || (names[1] != "S" && names[1] != "I"))
      return fail(lineNo);
    out.angleAbscissa = names[0] == "theta";
    out.sOrdinate = names[1] == "S";
  }
  std::vector<double> xs, ys;
  const size_t cap = boundedReserve(n, in, 4);
  xs.reserve(cap);
  ys.reserve(cap);
  std::vector<std::string_view> words;
  for (int64_t row = 0; row < n; ++row) {
    if (!nextDataLine(in, line, lineNo)) return fail(in.lineNumber());
    splitWords(line, words);
    double x = 0, y = 0;
    if (words.size() != 2 || !tokenToDouble(words[0], x) || !tokenToDouble(words[1], y))
      return fail(lineNo);
    xs.push_back(x);
    ys.push_back(y);
  }

  applyHeader(out.header, target);
  pattern.release();
  pattern.count = static_cast<int32_t>(n);
  (out.angleAbscissa ? pattern.twoTheta : pattern.q) = std::move(xs);
  (out.sOrdinate ? pattern.sOfQ : pattern.intensity) = std::move(ys);
  res.set("Bdiffgraph", true);
  // G(r) transforms S against Q: only a pattern holding both offers it.
  res.set("Bsq", pattern.hasQ() && pattern.hasS());
  res.ok = true;
  return out;
}

// --- sections ----------------------------------------------------------

StSectionsLoad loadSectionsFile(const std::string& path, StReadTarget target) {
  StSectionsLoad out;
  StCommandResult& res = out.result;
  TextReader in;
  if (!in.open(path)) {
    res.error("Problem, couldn't open file " + path, "Error");
    return out;
  }
  appendReaderOpening(res.log, path);
  auto fail = [&](int64_t line) {
    res.error(wrongFormatText(line), "Error");
    res.log.push_back("Error during reading, no data loaded");
    return out;
  };
  int64_t lineNo = 0;
  std::string_view line;
  if (!readFileHeader(in, out.header, res.log, &lineNo)) return fail(lineNo);
  const int64_t n = out.header.size;
  if (!readColumnLine(in, line, lineNo) && (n > 0 || !in.atEnd())) return fail(lineNo);

  secPrm list;
  list.reserve(boundedReserve(n, in, 11));
  std::vector<std::string_view> words;
  for (int64_t row = 0; row < n; ++row) {
    if (!nextDataLine(in, line, lineNo)) return fail(in.lineNumber());
    // The name ("Shell 2") may hold a blank: it ends at the first tab.
    std::string_view name, rest;
    const auto tab = line.find('\t');
    if (tab != std::string_view::npos) {
      name = line.substr(0, tab);
      rest = line.substr(tab + 1);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    } else {
      splitWords(line, words);
      if (words.empty()) return fail(lineNo);
      name = words[0];
      rest = line.substr(static_cast<size_t>(words[0].data() + words[0].size() - line.data()));
    }
    splitWords(rest, words);
    StSectionPrm s;
    int64_t fn = 0;
    if (name.empty() || words.size() != 5 || !tokenToDouble(words[0], s.r) || !tokenToInt(words[1], fn) ||
        fn < INT32_MIN || fn > INT32_MAX || !tokenToDouble(words[2], s.a) || !tokenToDouble(words[3], s.b) ||
        !tokenToDouble(words[4], s.c))
      return fail(lineNo);
    s.name.assign(name.data(), name.size());
    s.n = static_cast<int32_t>(fn);
    s.latticePrmMod = 0;
    s.volumePrc = 0;
    list.push_back(std::move(s));
  }
  applyHeader(out.header, target);
  target.sections = std::move(list);
  res.ok = true;
  return out;
}

// --- experimental data -------------------------------------------------

StExperimentalLoad loadExperimentalFile(const std::string& path) {
  StExperimentalLoad out;
  TextReader in;
  if (!in.open(path)) {
    out.result.error("Problem, couldn't open file ", "Error");
    return out;
  }
  in.word();
  in.word();
  for (;;) {
    double x = 0, y = 0;
    if (!in.readDouble(x) || !in.readDouble(y)) break;
    out.data.x.push_back(x);
    out.data.y.push_back(y);
    if (out.data.x.size() >= static_cast<size_t>(INT32_MAX)) break;
  }
  out.data.count = static_cast<int32_t>(out.data.x.size());
  out.graphTitle = "experimental data from file:" + path;
  out.result.ok = true;
  return out;
}

}  // namespace grainix
