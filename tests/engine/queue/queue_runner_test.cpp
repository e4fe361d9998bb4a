#include "engine/queue/queue_runner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace grainix {
namespace {

namespace fs = std::filesystem;

// A host whose calculations end at once with small results, and which
// remembers every command the runner gave it.
class FakeHost : public ExpQueueCommands {
 public:
  std::vector<std::string> logLines, calls;
  std::vector<StMessage> boxes;
  bool viewer = false;
  bool buildOk = true;
  // Called before a calculation ends; returns false to end it without a result.
  std::function<bool(size_t entry, QueueCalc)> onCalculation;

  void log(const std::string& line) override { logLines.push_back(line); }
  void apply(const StCommandResult& r) override {
    boxes.insert(boxes.end(), r.messages.begin(), r.messages.end());
  }
  void clearGrain() override {
    ++entry;
    nodes.clear();
    pdh.clear();
    pattern.release();
    gr.release();
    calls.push_back("clear");
  }
  bool buildEntry(StExpQueueRecord& e) override {
    calls.push_back("build " + e.sequence);
    if (!buildOk) return false;
    nodes.assign(2, StGrainNode());
    nodes[1].x = 1;
    for (auto& n : nodes) n.element = "Co";
    return true;
  }
  bool showInViewer() override {
    calls.push_back("viewer");
    return viewer;
  }
  bool runCalculation(QueueCalc calc, bool show) override {
    static const char* names[] = {"delta", "pdh", "diffraction", "gr"};
    calls.push_back(std::string(names[static_cast<int>(calc)]) + (show ? " shown" : ""));
    if (onCalculation && !onCalculation(entry - 1, calc)) return false;
    switch (calc) {
      case QueueCalc::Delta: delta = {{0, 1, 0, 2.5, 2.525}}; break;
      case QueueCalc::Pdh: pdh = {{1.0, 1, 0, 0, 0}}; break;
      case QueueCalc::Diffraction:
        pattern.twoTheta = {0.1, 0.2};
        pattern.q = {1, 2};
        pattern.sOfQ = {0.5, 0.25};
        pattern.intensity = {3, 4};
        pattern.count = 2;
        break;
      case QueueCalc::Gr:
        gr.x = {0, 0.5};
        gr.y = {0, 1};
        gr.count = 2;
        break;
    }
    return true;
  }
  StQueueResults results() override {
    StQueueResults r;
    r.nodes = &nodes;
    r.pdh = &pdh;
    r.partial = &partial;
    r.pattern = &pattern;
    r.gr = &gr;
    r.delta = &delta;
    r.texts.binWidth = "0.001";
    r.texts.step = "0.1";
    r.texts.header.structure = "hcp";
    r.texts.header.dateTime = "D, T";
    return r;
  }

  size_t entry = 0;
  vGrainNodes nodes;
  PdhList pdh, delta;
  StIDCalcResults partial;
  StDiffPattern pattern;
  StData gr;
};

class QueueRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("grainix_queue_run_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    q.folder = dir.string();
    q.description = "two stackings";
  }
  void TearDown() override { fs::remove_all(dir); }

  void add(const std::string& seq, const std::string& a = "2.5", const std::string& c = "4.1",
           const std::string& u = "0.75") {
    StExpQueueRecord e;
    e.sequence = seq;
    e.lpA = a;
    e.lpC = c;
    e.u = u;
    e.number = static_cast<int32_t>(q.entries.size() + 1);
    q.entries.push_back(e);
  }
  void run() { runExpQueue(q, host, running, {"15.07.2013, 12:34:56", true}); }
  std::string report() const {
    std::ifstream in(dir / "expReport.txt", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string path(const char* name) const { return (dir / name).string(); }

  fs::path dir;
  StExpQueue q;
  FakeHost host;
  bool running = false;
};

TEST_F(QueueRunnerTest, TwoEntriesWithPdhDiffractionAndGrSaved) {
  add("ABAB");
  add("ABCABC", "2.6", "4.2", "0.5");
  q.calcOn = q.calcPdh = q.calcDiff = q.calcGr = true;
  q.saveOn = q.savePdh = q.saveDiff = q.saveGr = true;
  run();

  const std::string block0 = "\n----------------\nexp. no: 0\nsequence: ABAB\nshape: 1\nl.p. a: 2.5\nl.p. c: 4.1\nu: 0.75\n";
  const std::string block1 =
      "\n----------------\nexp. no: 1\nsequence: ABCABC\nshape: 1\nl.p. a: 2.6\nl.p. c: 4.2\nu: 0.5\n";
  auto files = [&](const char* n) {
    return std::string("\nnodes file: no") + "\n PDH data: " + path("exp") + n + ".his" +
           "\ndiffraction data: " + path("exp") + n + ".diff" + "\npdf data: " + path("exp") + n + ".grp";
  };
  EXPECT_EQ(report(), "*** experiments queue report ***\n\n#date: 15.07.2013, 12:34:56\n#description: two stackings\n" +
                          block0 + files("0") + block1 + files("1") + "\n----------------");
  for (const char* f : {"exp0.his", "exp0.diff", "exp0.grp", "exp1.his", "exp1.diff", "exp1.grp"})
    EXPECT_TRUE(fs::is_regular_file(dir / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "exp0.ndl"));
  // Nothing else is left in the folder (no temporary files).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 7);

  const std::vector<std::string> log = {"",  " list of experiments:", "0). seq: ABAB", "1). seq: ABCABC",
                                        "",  "<<< EXPERIMENTS QUEUE START >>>", "", "", "<<< EXPERIMENTS QUEUE STOP >>>"};
  EXPECT_EQ(host.logLines, log);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build ABAB", "pdh", "diffraction", "gr", "clear",
                                                  "build ABCABC", "pdh", "diffraction", "gr"}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(QueueRunnerTest, StopDuringTheSecondEntryFinishesItAndStartsNoThird) {
  add("AB");
  add("ABC");
  add("ABCB");
  q.calcOn = q.calcPdh = q.calcDiff = q.calcGr = true;
  q.saveOn = q.savePositions = q.savePdh = q.saveDiff = true;
  // STOP while the PDH of entry 1 runs: that run ends without a result and
  // the queue-running flag is cleared.
  host.onCalculation = [&](size_t entry, QueueCalc calc) {
    if (entry == 1 && calc == QueueCalc::Pdh) {
      running = false;
      return false;
    }
    return true;
  };
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB", "pdh", "diffraction", "gr", "clear",
                                                  "build ABC", "pdh", "diffraction", "gr"}));
  const std::string r = report();
  EXPECT_NE(r.find("exp. no: 1\n"), std::string::npos);
  EXPECT_EQ(r.find("exp. no: 2"), std::string::npos);
  // The stopped PDH leaves no file; the steps after it still ran and saved.
  const std::string entry1 = r.substr(r.find("exp. no: 1"));
  EXPECT_NE(entry1.find("\nnodes file: " + path("exp1.ndl") + "\n PDH data: no\ndiffraction data: " +
                        path("exp1.diff") + "\npdf data: no\n----------------"),
            std::string::npos)
      << entry1;
  EXPECT_FALSE(fs::exists(dir / "exp1.his"));
  EXPECT_TRUE(fs::exists(dir / "exp1.diff"));
  EXPECT_FALSE(fs::exists(dir / "exp2.ndl"));
  EXPECT_EQ(host.logLines.back(), "<<< EXPERIMENTS QUEUE STOP >>>");

  // STOP while the diffraction pattern runs: the points it reached stay, but
  // G(r) is not made from them.
  q.entries.resize(1);
  q.saveGr = true;
  host.calls.clear();
  host.entry = 0;
  host.onCalculation = [&](size_t, QueueCalc calc) {
    if (calc != QueueCalc::Diffraction) return true;
    host.pattern.q = {1};
    host.pattern.intensity = {3};
    host.pattern.count = 1;
    running = false;
    return false;
  };
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB", "pdh", "diffraction"}));
  EXPECT_NE(report().find("\ndiffraction data: no\npdf data: no\n----------------"), std::string::npos) << report();
  EXPECT_FALSE(fs::exists(dir / "exp0.grp"));
}

TEST_F(QueueRunnerTest, DiagramsFollowTheirSwitchAndDiffractionNeedsThePdhStep) {
  add("AB");
  // "Calculations" on with PDH unchecked: diffraction and G(r) do not run.
  q.calcOn = q.calcDiff = q.calcGr = true;
  q.diagOn = false;
  q.diagPdh = q.diagDiff = q.diagPositions = true;
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB"}));
  EXPECT_EQ(report().find("diffraction data"), std::string::npos);

  // A switched-off diagram group shows nothing, whatever its items hold.
  host.calls.clear();
  q.calcPdh = true;
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB", "pdh", "diffraction", "gr"}));

  // Switched on: the viewer step and the chosen diagrams.
  host.calls.clear();
  q.diagOn = true;
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB", "viewer", "pdh shown", "diffraction shown",
                                                  "gr"}));
}

TEST_F(QueueRunnerTest, DeltaStepWritesItsFileOnce) {
  add("AB");
  q.calcOn = q.calcRij = true;
  q.saveOn = q.saveRij = true;
  run();
  const std::string r = report();
  EXPECT_NE(r.find("u: 0.75\n\nnodes file: no\n d(r) data: " + path("exp0.dij") + "\n----------------"),
            std::string::npos)
      << r;
  std::ifstream dij(dir / "exp0.dij");
  std::string text((std::istreambuf_iterator<char>(dij)), {});
  EXPECT_NE(text.find("2.5\t0.01"), std::string::npos) << text;

  // Saving off: "no".
  q.saveOn = false;
  run();
  EXPECT_NE(report().find("\n d(r) data: no\n"), std::string::npos);
}

TEST_F(QueueRunnerTest, RefusalsAndFailures) {
  // An empty list runs nothing and writes no report.
  run();
  EXPECT_EQ(host.logLines.back(), " experiments queue is empty. STOP");
  EXPECT_FALSE(fs::exists(dir / "expReport.txt"));

  // A report that cannot be created stops the queue before any entry; an
  // empty folder counts as such (it would mean the root folder).
  add("AB");
  for (const std::string& folder : {(dir / "missing").string(), std::string()}) {
    host.boxes.clear();
    host.calls.clear();
    q.folder = folder;
    run();
    ASSERT_EQ(host.boxes.size(), 1u) << folder;
    EXPECT_EQ(host.boxes[0].text, "Creation of report file failed. Experiments queue will be aborted");
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(running);
  }

  // A writer that fails shows its message; the path is still reported and
  // the queue goes on.
  q.folder = dir.string();
  q.saveOn = q.savePositions = true;
  host.boxes.clear();
  fs::create_directories(dir / "exp0.ndl" / "busy");
  run();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_NE(host.boxes[0].text.find(path("exp0.ndl")), std::string::npos) << host.boxes[0].text;
  EXPECT_EQ(host.boxes[0].text.find(".grainix-"), std::string::npos);
  EXPECT_NE(report().find("nodes file: " + path("exp0.ndl")), std::string::npos);

  // A grain that could not be built has no steps to save.
  fs::remove_all(dir / "exp0.ndl");
  host.buildOk = false;
  q.calcOn = q.calcPdh = true;
  host.calls.clear();
  run();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "build AB"}));
  EXPECT_NE(report().find("nodes file: no\n PDH data: no"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "exp0.ndl"));
}

}  // namespace
}  // namespace grainix
