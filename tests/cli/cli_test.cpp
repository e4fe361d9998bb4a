// grainix-cli writes the same files as the engine does for the same inputs,
// refuses bad options with exit status 2 and calculation refusals with 1.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/terminal_progress.h"
#include "engine/app/build_command.h"
#include "engine/app/modify_command.h"
#include "engine/app/workbench.h"
#include "engine/calc/delta_stats.h"
#include "engine/calc/diffraction.h"
#include "engine/calc/element_table.h"
#include "engine/calc/gr.h"
#include "engine/calc/pair_loops.h"
#include "engine/calc/radiation.h"
#include "engine/calc/windowing.h"
#include "engine/core/format.h"
#include "engine/fit/fityk_model.h"
#include "engine/grain/generators.h"
#include "engine/grain/stacking.h"
#include "engine/io/writers.h"
#include "engine/modify/modpos_model.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("grainix_cli_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(loadScatteringTable(std::string(GRAINIX_SOURCE_DIR) + "/data/scFact.sft", table));
  }
  void TearDown() override { fs::remove_all(dir); }

  CliRun run(const std::string& args) {
    const std::string errFile = (dir / "stderr.txt").string();
    const std::string cmd = "cd '" + dir.string() + "' && '" GRAINIX_CLI "' " + args + " 2>'" + errFile + "'";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = slurp(errFile);
    return r;
  }

  static std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // File text without its "#date:" line, which carries the time of writing.
  static std::string withoutDate(const fs::path& p) {
    std::istringstream in(slurp(p));
    std::string line, out;
    while (std::getline(in, line))
      if (line.rfind("#date:", 0) != 0) out += line + "\n";
    return out;
  }

  int index(const std::string& symbol) const {
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].name == symbol) return static_cast<int>(i);
    return -1;
  }

  StBuildInput input(const std::string& structure, const std::string& l, const std::string& r, double radius) {
    StBuildInput in;
    in.structure = structure == "fcc" ? structFcc : structZincBlende;
    in.elementL = l;
    in.elementIndexL = index(l);
    in.biatomic = !r.empty();
    in.elementR = in.biatomic ? r : l;
    in.elementIndexR = index(in.elementR);
    in.zincBlendeCaption = in.biatomic ? "zinc blende" : "diamond like";
    in.latticeText = fmtDefault(table[static_cast<size_t>(in.elementIndexL)].lc);
    in.radiusText = fmtDefault(radius);
    texts.header.latticeText = in.latticeText;
    texts.header.radiusText = in.radiusText;
    texts.header.elementL = l;
    texts.header.elementR = in.elementR;
    texts.header.biatomic = in.biatomic;
    texts.binWidth = "0.001";
    return in;
  }

  // The PDH of the built grain, as the tool computes it.
  static void computePdh(Workbench& wb, double binWidth) {
    StCalcPrm prm;
    prm.nodes = wb.ideal;
    prm.rMax = wb.grainPrm.maxDistance;
    prm.binWidth = binWidth;
    CancelToken never;
    runPairLoop(0, prm, wb.pdh, wb.partial, nullptr, never);
  }

  fs::path dir;
  ElementTable table;
  StFileTexts texts;
};

TEST_F(CliTest, FccPatternFilesMatchTheEngine) {
  const CliRun r = run("--structure fcc --element Ni --radius 10 --write-nodes ni.ndl --write-pdh ni.his "
                       "--write-diffraction ni.diff --write-gr ni.grp --range 10:120:0.5");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("fcc, number of nodes="), std::string::npos);

  Workbench wb;
  ASSERT_TRUE(build(wb, input("fcc", "Ni", "", 10), nullptr).ok);
  texts.header.structure = wb.generator->name;
  computePdh(wb, 0.001);
  RadiationModel radiation;  // Cu
  StDiffrPrm d;
  radiation.lambda(d.lambda);
  radiation.k(d.k);
  d.start = 10;
  d.stop = 120;
  d.step = 0.5;
  d.binWidth = 0.001;
  d.nodes = &wb.ideal;
  d.pdh = &wb.pdh;
  d.table = &table;
  runDiffraction(d, &wb.partial, 0, wb.pattern);
  auto window = makeWindow(windowLorch);
  StGrPrm g;
  g.rStart = 0;
  g.rStop = 20;
  g.rStep = 0.01;
  g.pattern = &wb.pattern;
  g.window = window.get();
  computeGr(g, wb.gr);
  texts.lambda = radiation.lambdaText();
  texts.k = radiation.kText();
  texts.step = "0.5";
  texts.angleAbscissa = false;
  texts.sOrdinate = true;

  const fs::path e = dir / "engine";
  fs::create_directories(e);
  ASSERT_TRUE(saveNodesFile((e / "ni.ndl").string(), wb.ideal, texts).ok);
  ASSERT_TRUE(saveHistogramFile((e / "ni.his").string(), wb.pdh, wb.partial, false, texts).ok);
  ASSERT_TRUE(saveDiffractionFile((e / "ni.diff").string(), wb.pattern, texts).ok);
  ASSERT_TRUE(saveGrFile((e / "ni.grp").string(), wb.gr, texts).ok);
  for (const char* f : {"ni.ndl", "ni.his", "ni.diff", "ni.grp"}) {
    const std::string cli = withoutDate(dir / f);
    EXPECT_FALSE(cli.empty()) << f;
    EXPECT_EQ(cli, withoutDate(e / f)) << f;
  }
  // Nothing but the requested files (no temporary names left behind).
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(files, 5u);  // four outputs and the captured stderr
}

TEST_F(CliTest, CoreShellDeltaAndSectionsMatchTheEngine) {
  const CliRun r = run("--structure zincblende --element Zn --element2 S --radius 9 --sections 4.5:-2,9:1 "
                       "--write-delta zns.dij --write-sections zns.sct --quiet");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;  // --quiet

  Workbench wb;
  ASSERT_TRUE(build(wb, input("zincblende", "Zn", "S", 9), nullptr).ok);
  StModifySession session(wb, table);
  ModPosModel model(session.prm);
  model.opening();
  model.table().addSection();
  model.table().editCell(0, colRadius, "4.5");
  model.table().editCell(0, colPsi, "-2");
  model.table().editCell(1, colRadius, "9");
  model.table().editCell(1, colPsi, "1");
  model.table().readIntoRecords();
  model.modify();
  modifyClosed(wb, true, session);
  texts.header.structure = wb.generator->name;
  texts.header.modified = true;
  StCalcPrm prm;
  prm.nodes = wb.ideal;
  prm.nodesMod = wb.modified;
  prm.rMax = wb.grainPrm.maxDistance;
  prm.binWidth = 0.001;
  CancelToken never;
  PdhList delta;
  runPairLoop(3, prm, delta, wb.partial, nullptr, never);
  const fs::path e = dir / "engine";
  fs::create_directories(e);
  ASSERT_TRUE(saveDeltaFile((e / "zns.dij").string(), delta, texts).ok);
  ASSERT_TRUE(saveSectionsFile((e / "zns.sct").string(), wb.sections, texts).ok);
  for (const char* f : {"zns.dij", "zns.sct"}) EXPECT_EQ(withoutDate(dir / f), withoutDate(e / f)) << f;
  EXPECT_NE(withoutDate(dir / "zns.dij").find("#modified: 1"), std::string::npos);
}

TEST_F(CliTest, PdhOfAnXyzFile) {
  {
    std::ofstream xyz(dir / "four.xyz");
    xyz << "4\ncomment\nNi\t0\t0\t0\nNi\t1\t0\t0\nNi\t0\t1\t0\nNi\t0\t0\t1\n";
  }
  const CliRun r = run("--input four.xyz --bin 0.1 --write-pdh four.his");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string his = withoutDate(dir / "four.his");
  // Three pairs at 1 and three at sqrt(2).
  EXPECT_NE(his.find(" 1.000000\t       3\n"), std::string::npos) << his;
  EXPECT_NE(his.find(" 1.400000\t       3\n"), std::string::npos) << his;
}

// The script the fityk window writes with its default choices, on the PDH
// and on the G(r) peaks.
TEST_F(CliTest, FitykScriptsOfThePdhAndOfGr) {
  CliRun r = run("--structure fcc --element Ni --radius 6 --bin 0.01 --write-fityk ni.fit --quiet");
  ASSERT_EQ(r.status, 0) << r.err;
  Workbench wb;
  ASSERT_TRUE(build(wb, input("fcc", "Ni", "", 6), nullptr).ok);
  computePdh(wb, 0.01);
  wb.fitForm.pdh = &wb.pdh;
  FitykModel model(wb.fitForm);
  model.opening();
  std::string expected;
  ASSERT_TRUE(model.script(expected).ok);
  EXPECT_EQ(slurp(dir / "ni.fit"), expected);
  EXPECT_NE(expected.find("$lp=~3.52\n"), std::string::npos) << expected;  // the lattice parameter of the build

  r = run("--structure fcc --element Ni --radius 6 --bin 0.01 --range 5:150:0.5 --write-fityk gr.fit "
          "--fityk-source gr --quiet");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string gr = slurp(dir / "gr.fit");
  EXPECT_EQ(gr.rfind("# skrypt fityka na podstawie danych z PDF\n", 0), 0u) << gr;
  EXPECT_NE(gr.find("= Gaussian(height=~"), std::string::npos) << gr;

  // A range with no pair: the window would refuse to save; so does the tool.
  r = run("--structure sc --element Ni --lattice 20 --radius 21 --write-fityk none.fit");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("--write-fityk: the PDH has no pairs below max R = 10 Angs"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "none.fit"));
}

// Both ways of counting pairs write the same PDH file; the log says which
// one ran; an unmodified generated grain takes the lattice by itself.
TEST_F(CliTest, PdhMethodsWriteTheSameHistogram) {
  const char* grains[] = {"--structure zincblende --element Zn --element2 S --radius 8",
                          "--structure stacked --element Ni --radius 7 --sequence ABCABCABCABCABCA",
                          "--structure bcc --element Fe --lattice 4 --radius 9 --bin 0.5"};
  for (const char* grain : grains) {
    const std::string g = grain;
    const CliRun pairs = run(g + " --pdh-method pairs --write-pdh p.his");
    const CliRun lattice = run(g + " --pdh-method lattice --write-pdh l.his");
    const CliRun chosen = run(g + " --write-pdh a.his");
    ASSERT_EQ(pairs.status, 0) << pairs.err;
    ASSERT_EQ(lattice.status, 0) << lattice.err;
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_NE(pairs.err.find(" PDH method: pair loop\n"), std::string::npos) << pairs.err;
    EXPECT_NE(lattice.err.find(" PDH method: lattice"), std::string::npos) << lattice.err;
    EXPECT_NE(chosen.err.find(" PDH method: lattice"), std::string::npos) << chosen.err;
    const std::string p = withoutDate(dir / "p.his");
    EXPECT_GT(p.size(), 500u) << grain;
    EXPECT_EQ(p, withoutDate(dir / "l.his")) << grain;
    EXPECT_EQ(p, withoutDate(dir / "a.his")) << grain;
  }
  // A modified grain has left its lattice: the pair loop counts it, and
  // asking for the lattice is refused.
  CliRun r = run("--structure fcc --element Ni --radius 8 --sections 8:1 --write-pdh m.his");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(" PDH method: pair loop\n"), std::string::npos) << r.err;
  r = run("--structure fcc --element Ni --radius 8 --sections 8:1 --pdh-method lattice --write-pdh m2.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("The lattice method cannot be used"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "m2.his"));
}

// Atoms of an fcc lattice (a = 3.8), in the order the generator gives.
std::vector<std::array<double, 3>> latticeSites(double radius) {
  vGrainNodes nodes;
  fccNodes gen(radius, 3.8, nodes, 0, "Cu");
  gen.generate();
  std::vector<std::array<double, 3>> out;
  for (const auto& n : nodes) out.push_back({n.x, n.y, n.z});
  return out;
}

void writeXyz(const fs::path& p, const std::vector<std::array<double, 3>>& at, const std::vector<std::string>& names) {
  std::ofstream out(p);
  out << at.size() << "\ncomment\n";
  for (size_t i = 0; i < at.size(); ++i) out << names[i] << "\t" << at[i][0] << "\t" << at[i][1] << "\t" << at[i][2] << "\n";
}

TEST_F(CliTest, InputAtomsAreGroupedByElement) {
  // Copper and gold alternating, as other programs write alloys, against
  // the same atoms with the copper first: the same partial histograms.
  const auto sites = latticeSites(9);
  ASSERT_GT(sites.size(), 150u);
  std::vector<std::string> alternating, grouped;
  std::vector<std::array<double, 3>> groupedSites;
  for (size_t i = 0; i < sites.size(); ++i) alternating.push_back(i % 2 ? "Au" : "Cu");
  for (const char* name : {"Cu", "Au"})
    for (size_t i = 0; i < sites.size(); ++i)
      if (alternating[i] == name) groupedSites.push_back(sites[i]), grouped.push_back(name);
  writeXyz(dir / "alt.xyz", sites, alternating);
  writeXyz(dir / "grp.xyz", groupedSites, grouped);
  const std::string common = " --bin 0.01 --range 20:100:1 --intensity I";
  CliRun r = run("--input alt.xyz --write-pdh alt.his --write-diffraction alt.diff" + common);
  ASSERT_EQ(r.status, 0) << r.err;
  const size_t cu = (sites.size() + 1) / 2;
  EXPECT_NE(r.err.find(" atoms grouped by element (a stable reorder): Cu " + std::to_string(cu) + ", Au " +
                       std::to_string(sites.size() - cu)),
            std::string::npos)
      << r.err;
  r = run("--input grp.xyz --write-pdh grp.his --write-diffraction grp.diff" + common);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("grouped"), std::string::npos) << "already grouped";
  EXPECT_NE(slurp(dir / "alt.his").find("Card. Rii\tCard. Rij\tCard. Rjj"), std::string::npos);
  EXPECT_EQ(withoutDate(dir / "alt.his"), withoutDate(dir / "grp.his"));
  EXPECT_EQ(withoutDate(dir / "alt.diff"), withoutDate(dir / "grp.diff"));

  // Three elements are refused by name; an unknown one only for the pattern.
  alternating[3] = "Ag";
  writeXyz(dir / "three.xyz", sites, alternating);
  r = run("--input three.xyz --write-pdh three.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("3 elements (Cu, Au, Ag)"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "three.his"));
  alternating[3] = "Zz";
  for (size_t i = 0; i < sites.size(); ++i) alternating[i] = i % 2 ? "Zz" : "Cu";
  writeXyz(dir / "zz.xyz", sites, alternating);
  EXPECT_EQ(run("--input zz.xyz --bin 0.01 --write-pdh zz.his").status, 0);
  r = run("--input zz.xyz --bin 0.01 --write-diffraction zz.diff");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find(kAtomTypeUndefined), std::string::npos) << r.err;
}

TEST_F(CliTest, InputKeepsWhatTheHeaderSaid) {
  Workbench wb;
  ASSERT_TRUE(build(wb, input("fcc", "Ni", "", 7), nullptr).ok);
  texts.header.structure = wb.generator->name;
  texts.header.sphere = false;
  texts.header.modified = true;
  texts.comment = "annealed grain, second run";
  ASSERT_TRUE(saveNodesFile((dir / "g.ndl").string(), wb.ideal, texts).ok);
  CliRun r = run("--input g.ndl --write-nodes again.ndl");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(withoutDate(dir / "again.ndl"), withoutDate(dir / "g.ndl"));

  // Without a header: the farthest atom's distance and an unknown lattice
  // parameter, in a file that reads back.
  writeXyz(dir / "c.xyz", {{0, 0, 0}, {3, 4, 0}, {-1, 0, 0}}, {"Ni", "Ni", "Ni"});
  r = run("--input c.xyz --write-nodes c.ndl");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string ndl = withoutDate(dir / "c.ndl");
  EXPECT_NE(ndl.find("#latticeParam: unknown\n#grainRadius: 5\n"), std::string::npos) << ndl;
  r = run("--input c.ndl --bin 0.5 --write-pdh c.his");
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliTest, InputGrainsCanBeModified) {
  Workbench wb;
  ASSERT_TRUE(build(wb, input("fcc", "Cu", "", 9), nullptr).ok);
  texts.header.structure = wb.generator->name;
  ASSERT_TRUE(saveNodesFile((dir / "cu.ndl").string(), wb.ideal, texts).ok);
  const auto sites = latticeSites(9);
  writeXyz(dir / "cu.xyz", sites, std::vector<std::string>(sites.size(), "Cu"));
  for (const char* file : {"cu.ndl", "cu.xyz"}) {
    const CliRun r = run(std::string("--input ") + file +
                         " --sections 4:2,8.5:0 --thermal normal --temperature 300 --seed 3 --bin 0.01"
                         " --write-delta d.dij --quiet");
    ASSERT_EQ(r.status, 0) << file << "\n" << r.err;
    const CliRun logged = run(std::string("--input ") + file +
                              " --sections 4:2,8.5:0 --thermal normal --temperature 300 --seed 3 --bin 0.01"
                              " --write-delta d.dij");
    ASSERT_EQ(logged.status, 0) << logged.err;
    const size_t at = logged.err.find(" mean latt.prm.:  ");
    ASSERT_NE(at, std::string::npos) << logged.err;
    // Near the lattice parameter (the header's 3.61, or the table's for copper).
    EXPECT_NEAR(std::stod(logged.err.substr(at + 18)), 3.6, 0.2) << file << "\n" << logged.err;
  }
}

TEST_F(CliTest, ProgressIsDrawnOnlyOnATerminal) {
  // Into a file: no progress line at all.
  const CliRun r = run("--structure fcc --element Ni --radius 10 --write-pdh p.his");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  EXPECT_EQ(r.err.find("elapsed"), std::string::npos);

  // On a terminal: the step, the bar, the elapsed time and, once it can be
  // told, the time left, redrawn in place and not more than every 0.2 s.
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  double now = 100;
  cli::TerminalProgress bar(true, out, [&now] { return now; });
  bar.setStep("PDH");
  bar.setMaximum(1000);
  bar.setPosition(0);
  now += 0.1;
  bar.setPosition(300);  // too soon: not drawn
  now += 2;
  bar.setPosition(500);
  now += 0.05;
  bar.setPosition(900);  // too soon
  now += 62.9;
  bar.setPosition(900);
  bar.setVisible(false);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  const std::string first = "\rPDH [                         ]   0%  elapsed 0:00";
  const std::string second = "\rPDH [############             ]  50%  elapsed 0:02  left 0:02";
  const std::string third = "\rPDH [######################   ]  90%  elapsed 1:05  left 0:07";
  EXPECT_EQ(text.substr(0, first.size()), first);
  EXPECT_NE(text.find(second), std::string::npos) << text;
  EXPECT_NE(text.find(third), std::string::npos) << text;
  EXPECT_EQ(text.find("30%"), std::string::npos);
  EXPECT_EQ(text.back(), '\r') << "the line is wiped at the end";
  EXPECT_EQ(cli::TerminalProgress::clockText(3725), "1:02:05");
}

TEST_F(CliTest, BadOptionsNameTheOptionAndExitWith2) {
  const std::pair<const char*, const char*> cases[] = {
      {"--structure hcp --element Ni --radius 5", "--structure"},
      {"--structure fcc --element Ni --radius -1", "--radius"},
      {"--structure fcc --element Ni --radius abc", "--radius"},
      {"--structure fcc --element Ni", "--radius"},
      {"--structure fcc --radius 5", "--element"},
      {"--structure fcc --element Qq --radius 5", "--element"},
      {"--structure fcc --element Ni --radius 5 --anode Zz", "--anode"},
      {"--structure fcc --element Ni --radius 5 --range 50:10:0.1", "--range"},
      {"--structure fcc --element Ni --radius 5 --sections 3:x", "--sections"},
      {"--structure fcc --element Ni --radius 5 --sections 3:1,20:2", "--sections"},
      {"--structure zincblende --element Zn --radius 5", "--element2"},
      {"--structure fcc --element Ni --radius 5 --shape cylinder", "--shape"},
      {"--structure fcc --element Ni --radius 5 --write-delta d.dij", "--write-delta"},
      {"--structure fcc --element Ni --radius 5 --frobnicate", "--frobnicate"},
      {"--structure fcc --element Ni --radius 5 --pdh-method fast", "--pdh-method"},
      {"--input missing.ndl --write-pdh x.his", "--input"},
      {"--structure fcc --element Ni --radius 5 --write-fityk f.fit --fityk-source pdf", "--fityk-source"},
      {"--structure fcc --element Ni --radius 5 --gr-range 0:100:1e-7 --write-gr g.grp", "--gr-range"},
      {"--structure fcc --element Ni --radius 5 --gr-range 5:5:1 --write-gr g.grp", "--gr-range"},
      {"--structure fcc --element Ni --radius 5 --write-nodes ''", "--write-nodes"},
      {"--structure fcc --element Ni --radius 5 --write-pdh=", "--write-pdh"},
      {"--input '' --write-pdh x.his", "--input"},
  };
  for (auto [args, option] : cases) {
    const CliRun r = run(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
    EXPECT_NE(r.err.find(option), std::string::npos) << args << "\n" << r.err;
    size_t errorLines = 0;
    for (size_t pos = r.err.find("grainix-cli:"); pos != std::string::npos; pos = r.err.find("grainix-cli:", pos + 1))
      ++errorLines;
    EXPECT_EQ(errorLines, 1u) << args << "\n" << r.err;
    EXPECT_EQ(r.err.find("NEW STRUCTURE"), std::string::npos) << args << "\n" << r.err;
  }
}

TEST_F(CliTest, CalculationRefusalsExitWith1AndLeaveNoFile) {
  CliRun r = run("--structure fcc --element Ni --radius 5 --bin 100 --write-pdh big.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("size == 0"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "big.his"));

  r = run("--structure sc --element Ni --radius 0.5 --write-pdh one.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("number of nodes equal 1. Change the settings and try again"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "one.his"));

  r = run("--structure fcc --element Ni --radius 5 --write-pdh no-such-folder/x.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST_F(CliTest, AnUnknownStackingLetterFailsAndWritesNothing) {
  const CliRun r = run("--structure stacked --element Ni --radius 8 --sequence ABXC --write-nodes s.ndl");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("grainix-cli: Unknown letter. STOP!"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "s.ndl"));
}

TEST_F(CliTest, NodesLayoutFollowsTheExtensionAndAnEmptyFileIsRefused) {
  fs::create_directories(dir / "my.attempts");
  CliRun r = run("--structure fcc --element Ni --radius 5 --write-nodes my.attempts/grain.xyz");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "my.attempts/grain.xyz").rfind("55\ncomment\n", 0), 0u);
  r = run("--input my.attempts/grain.xyz --bin 0.01 --write-pdh g.his");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(withoutDate(dir / "g.his").find("#size: "), std::string::npos);
  {
    std::ofstream(dir / "empty.xyz") << "0\ncomment\n";
  }
  r = run("--input empty.xyz --write-pdh e.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("No atoms in the file"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "e.his"));
}

// What the target of a write is decides how it is written: links are
// written through, FIFOs and devices directly, a replaced file keeps its
// mode, a folder is refused with the reason, and leftovers of a killed run
// go.
TEST_F(CliTest, WritesRespectLinksDevicesFifosModesAndFolders) {
  const std::string grain = "--structure fcc --element Ni --radius 5 ";
  fs::create_directories(dir / "data");
  { std::ofstream(dir / "data/real.ndl") << "old"; }
  fs::permissions(dir / "data/real.ndl", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("data/real.ndl", dir / "link.ndl");
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const fs::path stale = dir / (".grainix-" + std::to_string(child) + "-old.his");
  { std::ofstream(stale) << "half a file"; }

  CliRun r = run(grain + "--write-nodes link.ndl --write-pdh p.his");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "link.ndl"));
  EXPECT_NE(slurp(dir / "data/real.ndl").find("#size: 55"), std::string::npos);
  EXPECT_EQ(fs::status(dir / "data/real.ndl").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(fs::exists(stale));

  ASSERT_EQ(::mkfifo((dir / "pipe.xyz").c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = slurp(dir / "pipe.xyz"); });
  r = run(grain + "--write-nodes pipe.xyz");
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(piped.rfind("55\ncomment\n", 0), 0u);
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.xyz"));
  if (::mknod((dir / "null.ndl").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    r = run(grain + "--write-nodes null.ndl");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_character_file(dir / "null.ndl"));
  }

  fs::create_directories(dir / "folder.his");
  r = run(grain + "--write-pdh folder.his");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("folder.his: Is a directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Success"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(".grainix-"), std::string::npos) << r.err;  // the requested name, not a temporary one
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_NE(e.path().filename().string().rfind(".grainix-", 0), 0u) << e.path();
}

TEST_F(CliTest, HelpAndVersion) {
  CliRun r = run("--help > help.txt");
  EXPECT_EQ(r.status, 0);
  const std::string help = slurp(dir / "help.txt");
  for (const char* opt : {"--structure", "--write-delta", "--gr-range", "--threads", "--quiet"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
  r = run("--version > version.txt");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(slurp(dir / "version.txt"), "grainix-cli 1.1\n");
}

// The queue writes, entry by entry, what single runs of the same stacked
// grains write, and the window's report.
TEST_F(CliTest, QueueMatchesSingleRunsOfItsEntries) {
  std::ofstream(dir / "zns.ini") << "[queue]\n"
                                    "fileHeader = zns\n"
                                    "description = stacking faults in ZnS\n"
                                    "calculations = pdh delta diffraction gr\n"
                                    "save = positions pdh delta diffraction gr\n"
                                    "\n[1]\nsequence = ABAB\na = 3.82\nc = 6.26\nu = 0.375\n"
                                    "[2]\nsequence = ABC\n";
  const std::string grain = "--element Zn --element2 S --lattice 5.41 --radius 6 --sections 3:-1,6:1 "
                            "--bin 0.01 --range 10:100:0.5 --gr-range 0:8:0.05 --quiet";
  const CliRun q = run("--queue zns.ini --folder out/q " + grain);
  ASSERT_EQ(q.status, 0) << q.err;

  // Entry 2 has the stacking window's initial geometry for a = 5.41.
  const std::string ha = fmtGeneral(initialHcpA(5.41), 5), c = fmtGeneral(initialHcpC(5.41), 5);
  const struct {
    const char* sequence;
    std::string a, c, u;
  } entries[] = {{"ABAB", "3.82", "6.26", "0.375"}, {"ABC", ha, c, "0.75"}};
  std::string report = "*** experiments queue report ***\n\n\n#description: stacking faults in ZnS\n";
  for (int n = 0; n < 2; ++n) {
    const auto& e = entries[n];
    const std::string single = "s" + std::to_string(n);
    const CliRun r = run("--structure stacked --sequence " + std::string(e.sequence) + " --ha " + e.a + " --c " +
                         e.c + " --u " + e.u + " " + grain + " --write-nodes " + single + ".ndl --write-pdh " +
                         single + ".his --write-delta " + single + ".dij --write-diffraction " + single +
                         ".diff --write-gr " + single + ".grp");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path out = fs::absolute(dir / "out" / "q");
    for (const char* ext : {".ndl", ".his", ".dij", ".diff", ".grp"}) {
      const std::string queued = withoutDate(out / ("zns" + std::to_string(n) + ext));
      EXPECT_GT(queued.size(), 200u) << n << ext;
      EXPECT_EQ(queued, withoutDate(dir / (single + ext))) << n << ext;
    }
    const std::string p = (fs::path("out/q") / ("zns" + std::to_string(n))).string();
    report += "\n----------------\nexp. no: " + std::to_string(n) + "\nsequence: " + e.sequence +
              "\nshape: 1\nl.p. a: " + e.a + "\nl.p. c: " + e.c + "\nu: " + e.u + "\n\nnodes file: " + p +
              ".ndl\n d(r) data: " + p + ".dij\n PDH data: " + p + ".his\ndiffraction data: " + p +
              ".diff\npdf data: " + p + ".grp";
  }
  report += "\n----------------";
  std::string written = slurp(dir / "out" / "q" / "znsReport.txt");
  const auto date = written.find("#date: ");
  ASSERT_NE(date, std::string::npos);
  written.erase(date, written.find('\n', date) - date);
  EXPECT_EQ(written, report);
}

TEST_F(CliTest, BadQueueFilesAreRefusedBeforeAnythingRuns) {
  std::ofstream(dir / "q.ini") << "[queue]\nsave = pdh\n[1]\nseqence = ABAB\n";
  const std::string grain = " --element Co --radius 5 --folder out";
  CliRun r = run("--queue q.ini" + grain);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("q.ini:4: unknown key 'seqence' in [1]"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("NEW STRUCTURE"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "out"));

  std::ofstream(dir / "q.ini") << "[1]\nsequence = ABAD\n";
  r = run("--queue q.ini" + grain);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("q.ini:2: sequence: only the letters A, B and C are allowed"), std::string::npos) << r.err;

  // The queue names its own files and grains.
  for (const char* extra : {" --write-pdh x.his", " --structure fcc", " --sequence AB"}) {
    r = run("--queue q.ini" + grain + extra);
    EXPECT_EQ(r.status, 2) << extra;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

}  // namespace
}  // namespace grainix
