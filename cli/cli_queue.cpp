// --queue: the experiments queue of an INI file, each entry built and
// computed as a single run with its sequence and geometry would be, with
// the same report the window writes.
#include <ctime>
#include <filesystem>

#include "cli/cli_steps.h"
#include "engine/app/queue_command.h"
#include "engine/core/format.h"
#include "engine/io/file_header.h"
#include "engine/queue/queue_file.h"
#include "engine/queue/queue_runner.h"

namespace grainix::cli {

namespace fs = std::filesystem;

namespace {

// A number as the option parser reads it, so an entry's grain is the grain
// of a single run given the same text.
double optionValue(const std::string& text) {
  double v = 0;
  optionNumber(text, v);
  return v;
}

class CliQueueCommands : public ExpQueueCommands {
 public:
  explicit CliQueueCommands(Session& s) : s_(s), options_(*s.options) {}

  bool failed = false;

  void log(const std::string& line) override { s_.log->line(line); }

  void apply(const StCommandResult& r) override {
    s_.log->lines(r.log);
    if (s_.log->messages(r)) failed = true;
  }

  void clearGrain() override {
    s_.wb = Workbench{};
    s_.delta.clear();
    s_.texts = StFileTexts{};
    s_.options = &options_;
  }

  bool buildEntry(StExpQueueRecord& e) override {
    if (s_.stopped()) return refused();  // no further entry after a stop
    entry_ = options_;
    entry_.sequence = e.sequence;
    entry_.ha = optionValue(e.lpA);
    entry_.c = optionValue(e.lpC);
    entry_.u = optionValue(e.u);
    s_.options = &entry_;
    if (buildGrain(s_) != 0) return refused();
    const bool modify = !entry_.sections.empty() || !entry_.thermal.empty();
    if (modify && modifyGrain(s_) != 0) return refused();
    return true;
  }

  bool showInViewer() override { return false; }

  bool runCalculation(QueueCalc calc, bool) override {
    int rc = 0;
    switch (calc) {
      case QueueCalc::Delta:
        apply(prepareQueueDelta(s_.wb));
        rc = computeDelta(s_);
        break;
      case QueueCalc::Pdh: rc = computePdh(s_); break;
      case QueueCalc::Diffraction: rc = computeDiffraction(s_); break;
      case QueueCalc::Gr: rc = computeGr(s_); break;
    }
    return rc == 0 || refused();
  }

  StQueueResults results() override {
    StQueueResults r;
    r.nodes = &s_.wb.current();
    r.pdh = &s_.wb.pdh;
    r.partial = &s_.wb.partial;
    r.biatomic = s_.biatomic;
    r.pattern = &s_.wb.pattern;
    r.gr = &s_.wb.gr;
    r.delta = &s_.delta;
    r.texts = s_.texts;
    return r;
  }

 private:
  bool refused() {
    failed = true;
    return false;
  }

  Session& s_;
  const CliOptions& options_;
  CliOptions entry_;
};

}  // namespace

int runQueue(Session& s) {
  const CliOptions& o = *s.options;
  // The whole file is checked before anything runs.
  StQueueFileLoad load = loadQueueFile(o.queue);
  if (!load.ok) {
    s.log->error(load.error);
    return 2;
  }
  StExpQueue& q = load.queue;

  // Entries without geometry take the stacking window's initial texts.
  StBuildInput in;
  if (int rc = grainInput(s, in)) return rc;
  StGrainPrm prm;
  prm.latticePrm = s.latticePrm;
  prm.radius = s.radius;
  prm.sphere = in.shape == shapeSphere;
  fillStackingDefaults(q, prm);

  std::error_code ec;
  fs::create_directories(o.folder, ec);
  if (!fs::is_directory(o.folder, ec)) {
    s.log->error("--folder: " + o.folder + " is not a folder and cannot be created");
    return 1;
  }
  q.folder = o.folder;

  CliQueueCommands commands(s);
  bool running = false;
  StQueueRunInput run;
  run.dateTime = dateTimeText(std::time(nullptr));
  run.sphere = prm.sphere;
  runExpQueue(q, commands, running, run);
  return commands.failed ? 1 : 0;
}

}  // namespace grainix::cli
