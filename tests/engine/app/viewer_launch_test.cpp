#include "engine/app/viewer_launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "tests/engine/io/io_test_util.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;

void makeExecutable(const std::string& path) {
  writeAll(path, "#!/bin/sh\n");
  ::chmod(path.c_str(), 0755);
}

std::time_t localTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

vGrainNodes twoNodes() {
  vGrainNodes nodes(2);
  nodes[0].element = "Cu";
  nodes[1].element = "Au";
  nodes[1].x = 1.5;
  nodes[1].y = -2.25;
  nodes[1].z = 0.125;
  return nodes;
}

const char* const kTwoNodesXyz =
    "2\ncomment\n"
    "Cu\t 0.000000\t 0.000000\t 0.000000\n"
    "Au\t 1.500000\t-2.250000\t 0.125000\n";

// A working folder, a folder holding the viewer, and a temp folder that
// does not exist yet.
struct ViewerFixture {
  TempDir root;
  StViewerEnv env;
  std::string viewerDir = root.file("viewers");
  ViewerFixture() {
    fs::create_directories(root.file("work"));
    fs::create_directories(viewerDir);
    makeExecutable(viewerDir + "/rasmol");
    env.workingDir = root.file("work");
    env.tmpDir = root.file("tmp");
    env.when = localTime(2013, 7, 15, 12, 34, 56);
  }
  void writeTemplate(const std::string& text) { writeAll(env.workingDir + "/rms.scr", text); }
  StViewerLaunch launch(vGrainNodes nodes = twoNodes(), const std::string& folder = "") {
    return prepareViewerLaunch(folder.empty() ? viewerDir : folder, kRasmolExecutable, env, nodes,
                               testing::fixtureTexts());
  }
};

TEST(ViewerLaunch, WritesTheGrainAndTheScriptAndBuildsTheCommandLine) {
  ViewerFixture f;
  f.writeTemplate("spacefill\ncolour cpk\nrotate x 30\n");
  const StViewerLaunch l = f.launch();
  ASSERT_TRUE(l.result.ok);
  EXPECT_TRUE(l.result.messages.empty());
  const std::string tmp = f.root.file("tmp");
  EXPECT_EQ(l.xyzPath, tmp + "/2013_07_15_12_34_56.xyz");
  EXPECT_EQ(l.scriptPath, tmp + "/2013_07_15_12_34_56.scr");
  EXPECT_EQ(l.templatePath, f.env.workingDir + "/rms.scr");
  EXPECT_EQ(l.program, f.viewerDir + "/rasmol");
  EXPECT_EQ(l.arguments, (std::vector<std::string>{"-script", l.scriptPath}));
  EXPECT_EQ(l.commandLine, f.viewerDir + "/rasmol -script " + tmp + "/2013_07_15_12_34_56.scr");

  // Three template lines make a script of seven.
  EXPECT_EQ(readAll(l.scriptPath), "\n\nzap\nload xyz " + tmp +
                                       "/2013_07_15_12_34_56.xyz\n"
                                       "spacefill\ncolour cpk\nrotate x 30\n");
  EXPECT_EQ(readAll(l.xyzPath), kTwoNodesXyz);

  // The start itself is the window's; its outcome decides the log line or the box.
  const StCommandResult started = viewerStartResult(l, true);
  EXPECT_EQ(started.log, std::vector<std::string>{l.commandLine});
  EXPECT_TRUE(started.messages.empty());
  const StCommandResult failed = viewerStartResult(l, false);
  EXPECT_TRUE(failed.log.empty());
  ASSERT_EQ(failed.messages.size(), 1u);
  EXPECT_EQ(failed.messages[0],
            (StMessage{MessageKind::Error, "ERROR", "Program Grainix couldn't create process:\n" + l.commandLine}));
}

TEST(ViewerLaunch, MissingTemplateOrProgramShowsTheMessageAndWritesNothing) {
  struct Case {
    const char* what;
    bool haveTemplate;
    bool haveProgram;
  } cases[] = {{"no template", false, true}, {"no program", true, false}, {"neither", false, false}};
  for (const Case& c : cases) {
    ViewerFixture f;
    if (c.haveTemplate) f.writeTemplate("spacefill\n");
    if (!c.haveProgram) fs::remove(f.viewerDir + "/rasmol");
    const StViewerLaunch l = f.launch();
    EXPECT_FALSE(l.result.ok) << c.what;
    ASSERT_EQ(l.result.messages.size(), 1u) << c.what;
    EXPECT_EQ(l.result.messages[0],
              (StMessage{MessageKind::Error, "ERROR",
                         "Couldn't open file: " + f.env.workingDir + "/rms.scr or program: " + f.viewerDir +
                             "/rasmol"}))
        << c.what;
    EXPECT_TRUE(l.result.log.empty()) << c.what;
    EXPECT_FALSE(fs::exists(f.env.tmpDir)) << c.what;
  }
}

TEST(ViewerLaunch, EmptyFolderLooksTheViewerUpOnThePath) {
  ViewerFixture f;
  f.writeTemplate("spacefill\n");
  const std::string other = f.root.file("other");
  fs::create_directories(other);
  writeAll(other + "/rasmol", "not executable");
  f.env.searchPath = ":" + other + ":" + f.viewerDir + ":/nonexistent";
  vGrainNodes nodes = twoNodes();
  StViewerLaunch l = prepareViewerLaunch("", kRasmolExecutable, f.env, nodes, testing::fixtureTexts());
  ASSERT_TRUE(l.result.ok);
  EXPECT_EQ(l.program, f.viewerDir + "/rasmol");  // the file that is not executable is passed over

  f.env.searchPath = other;
  l = prepareViewerLaunch("", kRastopExecutable, f.env, nodes, testing::fixtureTexts());
  ASSERT_EQ(l.result.messages.size(), 1u);
  EXPECT_EQ(l.result.messages[0].text, "Couldn't open file: " + f.env.workingDir + "/rms.scr or program: rastop");

  EXPECT_EQ(viewerProgramPath(f.viewerDir + "/", "rasmol", ""), f.viewerDir + "/rasmol");
  EXPECT_EQ(findOnPath("rasmol", ""), "");
}

TEST(ViewerLaunch, TemplateLinesStopAtTheFirstLineOverEightyCharacters) {
  const std::string eighty(80, 'a'), longer(81, 'b');
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"spacefill", {"spacefill"}},  // the last line needs no line end
      {"a\r\nb\r\n", {"a", "b"}},
      {"\n\nx\n", {"", "", "x"}},
      {eighty + "\n" + "after\n", {eighty, "after"}},
      {"first\n" + longer + "\nnever\n", {"first"}},
      {longer + "\r\n", {}},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(scriptTemplateLines(in), c.lines) << c.text;
  }
  // The launch copies the same lines.
  ViewerFixture f;
  f.writeTemplate("spacefill\n" + longer + "\nwireframe\n");
  const StViewerLaunch l = f.launch();
  EXPECT_EQ(readAll(l.scriptPath), "\n\nzap\nload xyz " + l.xyzPath + "\nspacefill\n");
}

TEST(ViewerLaunch, TheUsersTemplateComesBeforeTheBundledOne) {
  ViewerFixture f;
  const std::string bin = f.root.file("bin");
  fs::create_directories(bin);
  writeAll(bin + "/rms.scr", "colour cpk\n");
  f.env.exeDir = bin;
  StViewerLaunch l = f.launch();
  ASSERT_TRUE(l.result.ok);
  EXPECT_EQ(l.templatePath, bin + "/rms.scr");
  EXPECT_EQ(readAll(l.scriptPath), "\n\nzap\nload xyz " + l.xyzPath + "\ncolour cpk\n");

  f.writeTemplate("spacefill\n");
  l = f.launch();
  EXPECT_EQ(l.templatePath, f.env.workingDir + "/rms.scr");
  EXPECT_EQ(readAll(l.scriptPath), "\n\nzap\nload xyz " + l.xyzPath + "\nspacefill\n");
}

TEST(ViewerLaunch, TheXyzLayoutWhateverTheTempFolderIsCalled) {
  // Folder names that hold the other layouts' extensions.
  for (const char* dir : {"runs.ndl", "data.at.d", "old.nds/tmp", "a.ndm"}) {
    ViewerFixture f;
    f.writeTemplate("spacefill\n");
    f.env.tmpDir = f.root.file(dir);
    const StViewerLaunch l = f.launch();
    ASSERT_TRUE(l.result.ok) << dir;
    EXPECT_EQ(readAll(l.xyzPath), kTwoNodesXyz) << dir;
  }
}

TEST(ViewerLaunch, EmptyGrainAndUnwritableFiles) {
  ViewerFixture f;
  f.writeTemplate("spacefill\n");
  // A grain with no nodes still gives an xyz file and a launch.
  StViewerLaunch l = f.launch(vGrainNodes{});
  ASSERT_TRUE(l.result.ok);
  EXPECT_EQ(readAll(l.xyzPath), "0\ncomment\n");

  // The xyz file cannot be written: the writer's box, no script, no start.
  f.env.tmpDir = f.root.file("blocked");
  writeAll(f.env.tmpDir, "a file where the folder should be");
  l = f.launch();
  EXPECT_FALSE(l.result.ok);
  ASSERT_EQ(l.result.messages.size(), 1u);
  EXPECT_EQ(l.result.messages[0].text, "Error, couldn't open file: " + l.xyzPath + " for writing");
  EXPECT_FALSE(fs::exists(l.scriptPath));

  // The script cannot be created: the viewer is started all the same.
  f.env.tmpDir = f.root.file("tmp2");
  fs::create_directories(f.env.tmpDir + "/2013_07_15_12_34_56.scr");
  l = f.launch();
  EXPECT_TRUE(l.result.ok);
  EXPECT_TRUE(fs::is_directory(l.scriptPath));
}

}  // namespace
}  // namespace grainix
