#include "python/chain.h"

#include <sstream>
#include <utility>

#include "cli/terminal_progress.h"
#include "engine/elements/element_table.h"
#include "engine/io/file_header.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"

namespace grainix::pymod {

namespace {

// The element table, looked up once for every grain of the process.
struct ElementTableCache {
  std::mutex mutex;
  std::vector<std::string> folders;
  bool loaded = false;
  std::string path;
  ElementTable table;
  std::vector<std::string> knownSymbols;
};

ElementTableCache& tableCache() {
  static ElementTableCache cache;
  return cache;
}

// Called with the cache's mutex held.
void loadTable(ElementTableCache& c) {
  if (c.loaded) return;
  c.loaded = true;
  c.path = cli::findElementTable(c.folders);
  if (c.path.empty()) return;
  loadScatteringTable(c.path, c.table);
  c.knownSymbols = readKnownSymbols(c.path);
}

Grain newGrain() {
  auto g = std::make_shared<GrainState>();
  ElementTableCache& c = tableCache();
  std::lock_guard lock(c.mutex);
  loadTable(c);
  g->s.sftPath = c.path;
  g->s.table = c.table;
  return g;
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// One call of the chain's steps on a session: the call's options, a
// logger that keeps only the refusals, the call's progress and cancel
// token. The session's pointers are cleared when the call ends.
class SessionCall {
 public:
  SessionCall(cli::Session& s, const cli::CliOptions& o, const CallContext& ctx) : s_(s) {
    s.options = &o;
    s.log = &log_;
    s.progress = ctx.progress ? ctx.progress : &silent_;
    s.cancel = ctx.cancel;
  }
  ~SessionCall() {
    s_.options = nullptr;
    s_.log = nullptr;
    s_.progress = nullptr;
    s_.cancel = nullptr;
  }
  SessionCall(const SessionCall&) = delete;
  SessionCall& operator=(const SessionCall&) = delete;

  // Throws the refusal of a step that returned exit code `rc`.
  void check(int rc) {
    if (rc == 0) return;
    std::string text = trimmed(err_.str());
    throw ChainError(text.empty() ? std::string("refused") : text);
  }

 private:
  cli::Session& s_;
  std::ostringstream err_;
  cli::Logger log_{err_, true, ""};
  cli::TerminalProgress silent_{false};
};

// Empties the result records of a session when a calculation ends, so a
// grain holds only its atoms between calls.
struct ReleaseResults {
  cli::Session& s;
  ~ReleaseResults() {
    s.wb.pdh.clear();
    s.wb.partial.release();
    s.wb.pattern.release();
    s.wb.gr.release();
    s.delta.clear();
  }
};

bool modifies(const cli::CliOptions& o) { return !o.sections.empty() || !o.thermal.empty(); }

// What a grain made from `from` keeps of it: everything but the atoms,
// the generator and the results.
void copyGrainState(const cli::Session& from, cli::Session& to) {
  to.sftPath = from.sftPath;
  to.table = from.table;
  to.texts = from.texts;
  to.latticePrm = from.latticePrm;
  to.radius = from.radius;
  to.biatomic = from.biatomic;
  to.wb.grainPrm = from.wb.grainPrm;
  to.wb.sections = from.wb.sections;
  to.wb.loadedAtoms = from.wb.loadedAtoms;
  to.wb.stackingSequence = from.wb.stackingSequence;
}

}  // namespace

cli::CliOptions parseArgs(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"grainix"};
  for (const auto& a : args) argv.push_back(a.c_str());
  cli::CliOptions o;
  const cli::ParseOutcome parsed = cli::parseOptions(static_cast<int>(argv.size()), argv.data(), o);
  if (!parsed.ok || parsed.exitNow) throw ChainError(parsed.error);
  return o;
}

void setElementTableFolders(std::vector<std::string> folders) {
  ElementTableCache& c = tableCache();
  std::lock_guard lock(c.mutex);
  c.folders = std::move(folders);
  c.loaded = false;
  c.path.clear();
  c.table.clear();
  c.knownSymbols.clear();
}

std::string elementTablePath() {
  ElementTableCache& c = tableCache();
  std::lock_guard lock(c.mutex);
  loadTable(c);
  return c.path;
}

Grain makeGrain(const cli::CliOptions& o, const CallContext& ctx) {
  Grain g = newGrain();
  SessionCall call(g->s, o, ctx);
  call.check(cli::buildGrain(g->s));
  if (modifies(o)) call.check(cli::modifyGrain(g->s));
  return g;
}

Grain atomsGrain(const std::vector<std::string>& symbols, const double* xyz, const CallContext& ctx) {
  Grain g = newGrain();
  const cli::CliOptions o = parseArgs({"--input", "the atoms given"});
  std::vector<std::string> known;
  {
    ElementTableCache& c = tableCache();
    std::lock_guard lock(c.mutex);
    known = c.knownSymbols;
  }
  SessionCall call(g->s, o, ctx);
  Workbench& wb = g->s.wb;
  StReadTarget target{wb.ideal, wb.generator, wb.loadedAtoms, wb.sections, wb.grainPrm};
  call.check(cli::adoptLoadedGrain(g->s, adoptAtoms(symbols, xyz, target, known)));
  cli::grainTexts(g->s);
  return g;
}

Grain modifiedGrain(GrainState& from, const cli::CliOptions& o, const CallContext& ctx) {
  Grain g = std::make_shared<GrainState>();
  copyGrainState(from.s, g->s);
  g->s.wb.ideal = from.nodes();
  SessionCall call(g->s, o, ctx);
  call.check(cli::modifyGrain(g->s));
  return g;
}

void writeNodes(GrainState& g, const std::string& path, const std::string& comment) {
  StFileTexts texts = g.s.texts;
  if (!comment.empty()) texts.comment = comment;
  const StCommandResult res = saveNodesFile(path, g.nodes(), texts);
  if (res.ok) return;
  std::string text;
  for (const auto& m : res.messages) text += (text.empty() ? "" : "; ") + m.text;
  for (const auto& l : res.log) text += (text.empty() ? "" : ": ") + l;
  throw ChainError(text.empty() ? "could not write " + path : text, true);
}

namespace {

// Runs `steps` (the chain's steps, each returning an exit code) on the
// grain's session and returns what `result` reads of its records, which
// are emptied afterwards.
template <class Result>
auto calculate(GrainState& g, const cli::CliOptions& o, const CallContext& ctx,
               std::initializer_list<int (*)(cli::Session&)> steps, Result result) {
  std::lock_guard lock(g.busy);
  ReleaseResults release{g.s};
  SessionCall call(g.s, o, ctx);
  for (auto step : steps) call.check(step(g.s));
  return result(std::as_const(g.s));
}

XyColumns columns(const std::vector<double>& x, const std::vector<double>& y, int32_t count) {
  const size_t n = std::min({static_cast<size_t>(std::max(count, 0)), x.size(), y.size()});
  return {std::vector<double>(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n)),
          std::vector<double>(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n))};
}

PdhColumns pdhColumns(const cli::Session& s) {
  PdhColumns out;
  if (!s.biatomic) {
    out.names = {s.wb.grainPrm.elementL + "-" + s.wb.grainPrm.elementL};
    out.counts.resize(1);
    for (const StLiczOdl& e : s.wb.pdh) {
      if (e.card == 0) continue;
      out.r.push_back(e.r);
      out.counts[0].push_back(e.card);
    }
    return out;
  }
  const StIDCalcResults& p = s.wb.partial;
  const size_t ne = p.elementCount();
  std::vector<std::string> symbols;
  if (p.manyElements()) {
    symbols = headerAtomNames(s.texts.header);
    if (symbols.size() != ne) {
      symbols.clear();
      for (size_t a = 0; a < ne; ++a) symbols.push_back(std::to_string(a + 1));
    }
  } else {
    symbols = {s.wb.grainPrm.elementL, s.wb.grainPrm.elementR};
  }
  // One histogram per unordered pair of elements, in table order.
  for (size_t a = 0; a < ne; ++a)
    for (size_t b = a; b < ne; ++b) out.names.push_back(symbols[a] + "-" + symbols[b]);
  const auto tables = p.tables();
  out.counts.resize(tables.size());
  size_t bins = std::min(static_cast<size_t>(std::max(p.count, 0)), p.r.size());
  for (const auto* t : tables) bins = std::min(bins, t->size());
  for (size_t i = 0; i < bins; ++i) {
    if (p.binTotal(i) == 0) continue;
    out.r.push_back(p.r[i]);
    for (size_t k = 0; k < tables.size(); ++k) out.counts[k].push_back((*tables[k])[i]);
  }
  return out;
}

}  // namespace

PdhColumns pdh(GrainState& g, const cli::CliOptions& o, const CallContext& ctx) {
  return calculate(g, o, ctx, {cli::computePdh}, pdhColumns);
}

XyColumns pattern(GrainState& g, const cli::CliOptions& o, const CallContext& ctx) {
  return calculate(g, o, ctx, {cli::computePdh, cli::computeDiffraction}, [&o](const cli::Session& s) {
    const StDiffPattern& p = s.wb.pattern;
    return columns(o.abscissa == "angle" ? p.twoTheta : p.q, o.intensity == "S" ? p.sOfQ : p.intensity, p.count);
  });
}

XyColumns gr(GrainState& g, const cli::CliOptions& o, const CallContext& ctx) {
  return calculate(g, o, ctx, {cli::computePdh, cli::computeDiffraction, cli::computeGr},
                   [](const cli::Session& s) { return columns(s.wb.gr.x, s.wb.gr.y, s.wb.gr.count); });
}

XyColumns delta(GrainState& ideal, GrainState& modified, const cli::CliOptions& o, const CallContext& ctx) {
  cli::Session s;
  copyGrainState(modified.s, s);
  s.wb.ideal = ideal.nodes();
  s.wb.modified = modified.nodes();
  s.wb.currentIsModified = true;
  SessionCall call(s, o, ctx);
  call.check(cli::computeDelta(s));
  XyColumns out;
  for (const StLiczOdl& e : s.delta) {
    out.x.push_back(e.sumIdeal / e.card);
    out.y.push_back((e.sumMod - e.sumIdeal) / e.sumIdeal);
  }
  return out;
}

}  // namespace grainix::pymod
