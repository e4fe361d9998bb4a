#include "cli/cli_run.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/cli_steps.h"
#include "engine/app/build_command.h"
#include "engine/app/cif_command.h"
#include "engine/app/read_grain.h"
#include "engine/app/workbench.h"
#include "engine/elements/element_table.h"
#include "engine/core/format.h"
#include "engine/grain/stacking.h"
#include "engine/io/readers.h"
#include "engine/io/writers.h"

namespace grainix::cli {

namespace fs = std::filesystem;

namespace {

// The element table is found as the program finds it: the working folder
// first, then beside the executable, then the install data folder.
std::vector<std::string> elementTableFolders(const char* argv0) {
  std::vector<std::string> folders{fs::current_path().string()};
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec && argv0) exe = fs::absolute(argv0, ec);
  if (!exe.empty()) {
    folders.push_back(exe.parent_path().string());
    folders.push_back((exe.parent_path().parent_path() / "share" / "grainix").string());
  }
  return folders;
}

// A stacked grain from the options, in place of the stacking window.
class OptionsStacking : public StackingDialog {
 public:
  OptionsStacking(const CliOptions& o, double a) : o_(o), a_(a) {}
  bool run(std::string& sequence, vGrainNodes& ideal, StGrainPrm& prm) override {
    StStackingInput in;
    in.sequence = o_.sequence.empty() ? sequence : o_.sequence;
    in.ha = o_.ha ? *o_.ha : initialHcpA(a_);
    in.c = o_.c ? *o_.c : initialHcpC(a_);
    if (o_.u) in.u = *o_.u;
    in.sublattice = !o_.noSublattice;
    in.circularCut = !o_.noCircular;
    sequence = in.sequence;
    result = buildStacked(in, ideal, prm);
    return result.ok;
  }
  StCommandResult result;

 private:
  const CliOptions& o_;
  double a_;
};

int structureCode(const std::string& s) {
  if (s == "sc") return structSc;
  if (s == "bcc") return structBcc;
  if (s == "fcc") return structFcc;
  if (s == "diamond" || s == "zincblende") return structZincBlende;
  return structHcp;
}

int elementIndex(const ElementTable& table, const std::string& symbol) {
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].name == symbol) return static_cast<int>(i);
  return -1;
}

}  // namespace

Logger::Logger(std::ostream& err, bool quiet, std::string prefix)
    : err_(err), quiet_(quiet), prefix_(std::move(prefix)) {}

void Logger::line(const std::string& text) {
  if (!quiet_) err_ << text << "\n";
}

void Logger::lines(const std::vector<std::string>& text) {
  for (const auto& l : text) line(l);
}

// Reports the messages of a result; true when one of them is an error.
bool Logger::messages(const StCommandResult& res) {
  bool error = false;
  for (const auto& m : res.messages) {
    const bool isError = m.kind == MessageKind::Error || m.kind == MessageKind::ConversionError ||
                         m.kind == MessageKind::Confirmation;
    error = error || isError;
    // Refusals are always shown, even with --quiet.
    if (isError)
      err_ << prefix_ << m.text << "\n";
    else
      line((m.title.empty() ? std::string() : m.title + ": ") + m.text);
  }
  return error;
}

std::string nowLongTime() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

bool writeOutput(const std::string& path, Logger& log,
                 const std::function<StCommandResult(const std::string&)>& writer) {
  // The writers themselves write whole files or nothing (AtomicFile).
  const StCommandResult res = writer(path);
  if (res.ok) return true;
  if (!log.messages(res)) log.error("could not write " + path);
  // The system's reason ("No space left on device", "Is a directory").
  for (const std::string& l : res.log) log.error(l);
  return false;
}

void Logger::error(const std::string& text) { err_ << prefix_ << text << "\n"; }

std::string findElementTable(const std::vector<std::string>& folders) {
  std::error_code ec;
  for (const auto& folder : folders) {
    const std::string found = findFileNoCase(folder, kScatteringFileName);
    if (fs::is_regular_file(found, ec)) return found;
  }
  return {};
}

void loadElementTable(Session& s, const char* argv0) { loadElementTable(s, elementTableFolders(argv0)); }

void loadElementTable(Session& s, const std::vector<std::string>& folders) {
  s.sftPath = findElementTable(folders);
  if (s.sftPath.empty()) {
    s.log->line(kScatteringFileMissing);
  } else {
    loadScatteringTable(s.sftPath, s.table);
    s.log->line("element table: " + s.sftPath);
  }
}

int grainInput(Session& s, StBuildInput& in) {
  const CliOptions& o = *s.options;
  Logger& log = *s.log;
  in.structure = structureCode(o.structure);
  in.elementL = o.element;
  in.elementIndexL = elementIndex(s.table, o.element);
  if (in.elementIndexL < 0) {
    log.error("--element: " + o.element + " is not in the element table" +
              (s.sftPath.empty() ? std::string(" (no scFact.sft found)") : " " + s.sftPath));
    return 2;
  }
  in.biatomic = !o.element2.empty();
  in.elementR = in.biatomic ? o.element2 : o.element;
  in.elementIndexR = in.biatomic ? elementIndex(s.table, o.element2) : in.elementIndexL;
  if (in.biatomic && in.elementIndexR < 0) {
    log.error("--element2: " + o.element2 + " is not in the element table");
    return 2;
  }
  if (in.biatomic && in.structure != structZincBlende && in.structure != structHcp) {
    log.error("--element2: two elements need --structure zincblende or stacked");
    return 2;
  }
  in.zincBlendeCaption = in.biatomic ? "zinc blende" : "diamond like";
  in.shape = o.shape == "cylinder" ? shapeCylinder : shapeSphere;
  const double a = o.lattice ? *o.lattice : s.table[static_cast<size_t>(in.elementIndexL)].lc;
  if (!(a > 0)) {
    log.error("--lattice: the element table gives no lattice parameter for " + o.element + "; give --lattice A");
    return 2;
  }
  const double radius = o.radius ? *o.radius : *o.radiusLp * a;
  if (!o.sections.empty() && o.sections.back().radius > radius) {
    log.error("--sections: exceeded value of grain radius (" + fmtGeneral(radius, 5) + ")");
    return 2;
  }
  in.latticeText = fmtDefault(a);
  in.radiusText = fmtDefault(radius);
  s.latticePrm = a;
  s.radius = radius;
  s.biatomic = in.biatomic;
  return 0;
}

int adoptLoadedGrain(Session& s, const StNodesLoad& load) {
  const CliOptions& o = *s.options;
  Logger& log = *s.log;
  log.lines(load.result.log);
  if (log.messages(load.result) || !load.result.ok) return 1;
  // Grouped by element, with the radius, lattice parameter and element
  // data of a built grain.
  const StReadGrain grain = adoptReadGrain(s.wb, load, s.table);
  log.lines(grain.log);
  StGrainPrm& prm = s.wb.grainPrm;
  if (o.lattice) prm.latticePrm = *o.lattice;
  s.latticePrm = prm.latticePrm;
  s.radius = prm.radius;
  s.biatomic = prm.biatomic;
  // The header says what the file said; a file without one gets the
  // farthest atom as its radius and an unknown lattice parameter.
  StHeaderFields& h = s.texts.header;
  if (load.hasHeader) {
    h.latticeText = load.header.latticeText;
    h.radiusText = load.header.radiusText;
    h.sphere = load.header.sphere;
    h.modified = load.header.modified;
  } else {
    h.latticeText = "unknown";
    h.radiusText = fmtGeneral(prm.radius, 5);
  }
  if (o.lattice) h.latticeText = fmtDefault(*o.lattice);
  if (load.commentRead) s.texts.comment = load.comment;
  h.elementL = prm.elementL.empty() ? "X" : prm.elementL;
  h.elementR = prm.elementR;
  h.biatomic = prm.biatomic;
  h.loadedAtoms = grain.symbols;
  return 0;
}

int buildGrain(Session& s) {
  const CliOptions& o = *s.options;
  Logger& log = *s.log;
  StepProgress& progress = *s.progress;
  // The grain: built from the options or read from a nodes file.
  if (!o.input.empty()) {
    if (!fs::exists(o.input)) {
      log.error("--input: no such file: " + o.input);
      return 2;
    }
    StReadTarget target{s.wb.ideal, s.wb.generator, s.wb.loadedAtoms, s.wb.sections, s.wb.grainPrm};
    const auto known = s.sftPath.empty() ? std::vector<std::string>{} : readKnownSymbols(s.sftPath);
    progress.setStep("reading");
    StNodesLoad load = loadNodesFile(o.input, target, known, &progress);
    if (int rc = adoptLoadedGrain(s, load)) return rc;
  } else if (!o.cif.empty()) {
    if (!fs::exists(o.cif)) {
      log.error("--cif: no such file: " + o.cif);
      return 2;
    }
    if (!o.sections.empty() && o.sections.back().radius > *o.radius) {
      log.error("--sections: exceeded value of grain radius (" + fmtGeneral(*o.radius, 5) + ")");
      return 2;
    }
    StCifBuildInput in;
    in.path = o.cif;
    in.radiusText = fmtDefault(*o.radius);
    in.cylinder = o.shape == "cylinder";
    if (o.height) in.heightText = fmtDefault(*o.height);
    in.centreOnAtom = o.center != "origin";
    in.motif = o.cut == "motif";
    if (o.seed) in.seedText = std::to_string(*o.seed);
    std::vector<std::string> names;
    for (const auto& e : s.table) names.push_back(e.name);
    const StCifBuild b = buildFromCif(s.wb, in, names);
    log.lines(b.result.log);
    if (log.messages(b.result) || !b.result.ok) return 1;
    s.latticePrm = s.wb.grainPrm.latticePrm;
    s.radius = *o.radius;
    s.biatomic = b.elements.size() >= 2;
    s.texts.header.latticeText = b.latticeText;
    s.texts.header.radiusText = b.radiusText;
    s.texts.header.sphere = !in.cylinder;
    s.texts.header.elementL = b.elements.front();
    s.texts.header.elementR = b.elements.size() > 1 ? b.elements[1] : b.elements.front();
    s.texts.header.biatomic = s.biatomic;
    if (b.elements.size() >= 3) s.texts.header.loadedAtoms = b.elements;
  } else {
    StBuildInput in;
    if (int rc = grainInput(s, in)) return rc;
    OptionsStacking stacking(o, s.latticePrm);
    const StCommandResult res = build(s.wb, in, &stacking);
    log.lines(stacking.result.log);
    // A refused sequence ("Unknown letter. STOP!") builds no grain to write.
    if (log.messages(stacking.result)) return 1;
    log.lines(res.log);
    if (log.messages(res) || !res.ok) return 1;
    s.texts.header.latticeText = in.latticeText;
    s.texts.header.radiusText = in.radiusText;
    s.texts.header.sphere = in.shape == shapeSphere;
    s.texts.header.elementL = in.elementL;
    s.texts.header.elementR = in.elementR;
    s.texts.header.biatomic = in.biatomic;
  }
  grainTexts(s);
  return 0;
}

void grainTexts(Session& s) {
  s.texts.header.structure = s.wb.generator ? s.wb.generator->name : "xyz";
  if (!s.options->comment.empty()) s.texts.comment = s.options->comment;
  s.texts.binWidth = fmtDefault(s.options->bin);
}

int run(const CliOptions& o, const char* argv0, std::ostream& err) { return run(o, argv0, err, RunHooks{}); }

int run(const CliOptions& o, const char* argv0, std::ostream& err, const RunHooks& hooks) {
  Logger log(err, o.quiet, std::string(hooks.program) + ": ");
  TerminalProgress progress(!o.quiet && (hooks.progressLine || ::isatty(2)));
  Session s;
  s.pairLoop = hooks.pairLoop;
  s.cancel = hooks.cancel;
  s.options = &o;
  s.log = &log;
  s.progress = &progress;
  loadElementTable(s, argv0);
  if (!o.queue.empty()) return runQueue(s);
  if (int rc = buildGrain(s)) return rc;
  return runSteps(s);
}

}  // namespace grainix::cli
