#include "engine/queue/queue_runner.h"

#include "engine/core/atomic_file.h"
#include "engine/io/file_header.h"

namespace grainix {

namespace {

constexpr const char* kSeparator = "\n----------------";

// The report text grows in memory and is written whole after each entry.
class Report {
 public:
  explicit Report(std::string path) : path_(std::move(path)) {}
  std::string text;
  StCommandResult write() const {
    StCommandResult res;
    std::string reason;
    if (!writeFileAtomically(path_, text, &reason)) {
      res.error(openForWritingError(path_), "Error");
      res.log.push_back(path_ + ": " + reason);
      return res;
    }
    res.ok = true;
    return res;
  }

 private:
  std::string path_;
};

class EntryRun {
 public:
  EntryRun(const StExpQueue& q, ExpQueueCommands& cmd, Report& report, std::string prefix, size_t n)
      : q_(q), cmd_(cmd), report_(report), prefix_(std::move(prefix)), n_(n) {}

  void run(StExpQueueRecord& e, bool sphere) {
    cmd_.clearGrain();
    report_.text += std::string(kSeparator) + "\nexp. no: " + std::to_string(n_) + "\n" + "sequence: " + e.sequence +
                    "\n" + "shape: " + (sphere ? "1" : "0") + "\n" + "l.p. a: " + e.lpA + "\n" + "l.p. c: " + e.lpC +
                    "\n" + "u: " + e.u + "\n";
    built_ = cmd_.buildEntry(e);
    if (!built_) cmd_.log(" exp. no " + std::to_string(n_) + ": no grain was built");

    // Nodes file.
    saveStep("\nnodes file: ", q_.savePositions, true, ".ndl", [](const std::string& p, StQueueResults& r) {
      return saveNodesFile(p, *r.nodes, r.texts);
    });
    // The viewer.
    if (built_ && q_.diagOn && q_.diagPositions) cmd_.showInViewer();
    // delta(r).
    if (q_.calcOn && q_.calcRij) {
      const bool done = calculate(QueueCalc::Delta, q_.diagRij);
      saveStep("\n d(r) data: ", q_.saveRij, done, ".dij", [](const std::string& p, StQueueResults& r) {
        return saveDeltaFile(p, *r.delta, r.texts);
      });
    }
    // PDH, and within it the diffraction pattern and within that G(r).
    if (!(q_.calcOn && q_.calcPdh)) return;
    const bool pdh = calculate(QueueCalc::Pdh, q_.diagPdh);
    saveStep("\n PDH data: ", q_.savePdh, pdh, ".his", [](const std::string& p, StQueueResults& r) {
      return saveHistogramFile(p, *r.pdh, *r.partial, r.biatomic, r.texts);
    });
    if (!q_.calcDiff) return;
    const bool diff = calculate(QueueCalc::Diffraction, q_.diagDiff);
    saveStep("\ndiffraction data: ", q_.saveDiff, diff, ".diff", [](const std::string& p, StQueueResults& r) {
      return saveDiffractionFile(p, *r.pattern, r.texts);
    });
    if (!q_.calcGr) return;
    // A stopped diffraction run keeps the points it reached: G(r) is not
    // made from such a pattern.
    const bool gr = diff && calculate(QueueCalc::Gr, q_.diagGr);
    saveStep("\npdf data: ", q_.saveGr, gr, ".grp", [](const std::string& p, StQueueResults& r) {
      return saveGrFile(p, *r.gr, r.texts);
    });
  }

 private:
  bool calculate(QueueCalc calc, bool show) { return built_ && cmd_.runCalculation(calc, q_.diagOn && show); }

  // A file is written when saving is chosen and its result exists; the
  // report names the path passed to the writer, whether or not it succeeded.
  template <class Writer>
  void saveStep(const char* label, bool chosen, bool haveResult, const char* ext, Writer writer) {
    report_.text += label;
    if (!(q_.saveOn && chosen && built_ && haveResult)) {
      report_.text += "no";
      return;
    }
    const std::string path = queueDataPath(prefix_, n_, ext);
    StQueueResults r = cmd_.results();
    const StCommandResult res = writer(path, r);  // the writers put a file in place whole or not at all
    if (!res.messages.empty()) cmd_.apply(res);
    report_.text += path;
  }

  const StExpQueue& q_;
  ExpQueueCommands& cmd_;
  Report& report_;
  std::string prefix_;
  size_t n_;
  bool built_ = false;
};

}  // namespace

std::string queueDataPath(const std::string& prefix, size_t n, const char* extension) {
  return prefix + std::to_string(n) + extension;
}

void runExpQueue(StExpQueue& q, ExpQueueCommands& cmd, bool& queueRunning, const StQueueRunInput& input) {
  cmd.letEventsRun();
  cmd.log("");
  cmd.log(" list of experiments:");
  for (size_t i = 0; i < q.entries.size(); ++i) cmd.log(std::to_string(i) + "). seq: " + q.entries[i].sequence);
  if (q.entries.empty()) {
    cmd.log(kQueueEmpty);
    return;
  }

  // An empty folder would put the report into the root folder.
  const std::string prefix = queueFilePrefix(q.folder, q.fileHead);
  Report report(prefix + "Report.txt");
  report.text = "*** experiments queue report ***";
  report.text += "\n\n#date: " + input.dateTime + "\n#description: " + q.description + "\n";
  if (q.folder.empty() || !report.write().ok) {
    StCommandResult failed;
    failed.error(kQueueReportFailed, "Error");
    cmd.apply(failed);
    return;
  }

  cmd.log("");
  cmd.log(kQueueStart);
  cmd.log("");
  queueRunning = true;
  for (size_t i = 0; i < q.entries.size() && queueRunning; ++i) {
    EntryRun(q, cmd, report, prefix, i).run(q.entries[i], input.sphere);
    report.write();
  }
  cmd.log("");
  cmd.log(kQueueStop);
  report.text += kSeparator;
  const StCommandResult last = report.write();
  if (!last.ok) cmd.apply(last);
}

}  // namespace grainix
