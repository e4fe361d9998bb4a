#include "engine/io/settings.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/engine/io/io_test_util.h"

namespace grainix {
namespace {

using testing::readAll;
using testing::TempDir;
using testing::writeAll;

StSettingsEnv env() { return {"/home/u", "/work/run"}; }

TEST(Settings, FirstRunWritesTheInitialValues) {
  TempDir dir;
  const std::string path = dir.file("sub/grainix.ini");
  const auto load = loadSettings(path, env());
  ASSERT_TRUE(load.result.ok);
  EXPECT_TRUE(load.created);
  ASSERT_TRUE(std::filesystem::exists(path));
  // The initial values, not the defaults.
  EXPECT_EQ(load.values.latconst, "3");
  EXPECT_EQ(load.values.diffStart, "5");
  EXPECT_EQ(load.values.diffStop, "150");
  EXPECT_EQ(load.values.diffStep, "0.1");
  EXPECT_TRUE(load.values.deg);
  EXPECT_EQ(load.values.dataDir, "/home/u");
  EXPECT_EQ(load.values.pathTmp, "/work/run/tmp");
  EXPECT_EQ(load.values.seq, "ABC");
  // Keys without an initial value are not written.
  const std::string text = readAll(path);
  EXPECT_EQ(text.find("remTmpFiles"), std::string::npos);
  EXPECT_EQ(text.find("path_nconv"), std::string::npos);
  EXPECT_EQ(text.find("rbmono"), std::string::npos);
  EXPECT_NE(text.find("[diff]\nsori=1\ndeg=1\nK=11.22\n"), std::string::npos);
  EXPECT_FALSE(load.values.remTmpFiles);
  EXPECT_TRUE(load.values.rbmono);
  EXPECT_EQ(load.values.pathNconv, "/home/u");
  // The second run reads what the first wrote.
  const auto again = loadSettings(path, env());
  EXPECT_FALSE(again.created);
  EXPECT_EQ(again.values.latconst, "3");
}

TEST(Settings, DefaultsOfMissingEmptyAndBadValues) {
  IniFile ini;
  ini.parse("[DIFF]\nK=\nxray=abc\nSORI=\n[latt]\nRGRAIN=22\nType=9\n[aux]\nREMTMPFILES=1\n[fityk]\nmax=x\n");
  const StSettings s = readSettings(ini, env());
  EXPECT_EQ(s.diffStart, "0.1");  // missing start and stop
  EXPECT_EQ(s.diffStop, "0.1");
  EXPECT_EQ(s.K, "");              // present but empty: empty string
  EXPECT_EQ(s.xray, 0);            // does not parse: default
  EXPECT_TRUE(s.sori);             // empty non-string: default
  EXPECT_EQ(s.rgrain, "22");       // names in any case
  EXPECT_TRUE(s.remTmpFiles);
  EXPECT_EQ(s.fitMax, 10);
  EXPECT_EQ(s.latconst, "3.54");
  EXPECT_EQ(s.type, 9);
  EXPECT_EQ(structureButtonForTag(9), nullptr);  // leaves the structure buttons as they are
  EXPECT_STREQ(structureButtonForTag(6), "rbhcp");
  EXPECT_STREQ(shapeButtonForTag(1), "RBcylind");
  EXPECT_EQ(shapeButtonForTag(-1), nullptr);
}

TEST(Settings, SaveKeepsOtherKeysAndSkipsUncheckedGroups) {
  TempDir dir;
  const std::string path = dir.file("g.ini");
  writeAll(path, "[aux]\ngw=640\ngh=480\n[expfit]\nlaMono=1.54\n[latt]\ntype=2\n");
  StSettings s = defaultSettings(env());
  s.rgrain = "12.5";
  s.comm = "c:\\ path kept";
  s.fitMax = 2.5;
  s.type = -1;  // no structure button checked
  s.shape = 1;
  s.pathNconv = "/never/saved";
  ASSERT_TRUE(saveSettings(path, s).ok);
  IniFile ini(path);
  ASSERT_TRUE(ini.load());
  EXPECT_EQ(ini.readString("aux", "gw", ""), "640");
  EXPECT_EQ(ini.readString("expfit", "laMono", ""), "1.54");
  EXPECT_EQ(ini.readString("latt", "rgrain", ""), "12.5");
  EXPECT_EQ(ini.readString("aux", "comm", ""), "c:\\ path kept");
  EXPECT_EQ(ini.readString("fityk", "max", ""), "2.5");
  EXPECT_EQ(ini.readString("latt", "type", ""), "2");  // unchanged
  EXPECT_EQ(ini.readString("latt", "shape", ""), "1");
  EXPECT_FALSE(ini.value("aux", "path_nconv"));
  const StSettings back = loadSettings(path, env()).values;
  EXPECT_EQ(back.rgrain, "12.5");
  EXPECT_EQ(back.fitMax, 2.5);

  ASSERT_TRUE(writeSettingNow(path, "aux", "path_nconv", "/opt/nconv").ok);
  EXPECT_EQ(loadSettings(path, env()).values.pathNconv, "/opt/nconv");
  EXPECT_EQ(loadSettings(path, env()).values.rgrain, "12.5");
}

TEST(Settings, WriteFailureNamesTheFile) {
  const std::string path = "/nonexistent-dir/x/g.ini";
  const auto res = saveSettings(path, defaultSettings(env()));
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].text, "Unable to write to " + path);
  EXPECT_EQ(writeSettingNow(path, "aux", "path_nconv", "x").messages.at(0).text, "Unable to write to " + path);
}

// Runs `body` in a child process as an ordinary user (root reads a file
// whatever its mode); returns its exit status.
int asOrdinaryUser(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Settings, AFileThatCannotBeReadIsKeptAndNotWrittenAtClose) {
  TempDir dir;
  const std::string path = dir.file("grainix.ini");
  const std::string text = "[latt]\nrgrain=22\n[expfit]\nlaMono=1.54\n";
  writeAll(path, text);
  ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534) | ::chown(path.c_str(), 65534, 65534), 0);
  ::chmod(path.c_str(), 0200);  // writable, not readable
  const int status = asOrdinaryUser([&] {
    const StSettingsLoad load = loadSettings(path, env());
    if (load.saveAtClose || load.created) return 1;
    if (load.result.messages.size() != 1 || load.result.messages[0].kind != MessageKind::Warning) return 2;
    if (load.result.messages[0].text != settingsUnreadableText(path, "Permission denied")) return 3;
    if (load.values.rgrain != "15" || load.values.latconst != "3.54") return 4;  // the defaults
    // Whatever asks to save it, the file is not replaced by one key set.
    if (saveSettings(path, load.values).ok) return 5;
    if (writeSettingNow(path, "aux", "path_nconv", "/x").ok) return 6;
    return 0;
  });
  EXPECT_EQ(status, 0);
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(readAll(path), text);

  // A folder under the file's name cannot be read either.
  const std::string folder = dir.file("folder.ini");
  std::filesystem::create_directory(folder);
  const StSettingsLoad load = loadSettings(folder, env());
  EXPECT_FALSE(load.saveAtClose);
  ASSERT_EQ(load.result.messages.size(), 1u);
  EXPECT_EQ(load.result.messages[0].text, settingsUnreadableText(folder, "Is a directory"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(Settings, BadValuesAreReplacedByDefaultsInOneWarningNamingKeysAndFile) {
  TempDir dir;
  const std::string path = dir.file("g.ini");
  writeAll(path,
           "[latt]\nlatconst=abc\nrgrain=12.5\nemono=x\n[pdf]\ntol=0,01\n[diff]\nK=\nstep=5e-2\nxray=0x2\n"
           "[gr]\nstop=ten\n[fityk]\nmax=big\nmin=whatever\n");
  const StSettingsLoad load = loadSettings(path, env());
  ASSERT_EQ(load.result.messages.size(), 1u);
  EXPECT_EQ(load.result.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(load.result.messages[0].text,
            "The settings file " + path + " holds values that are not numbers; the defaults are used:\n"
            "[latt] latconst=abc\n[latt] emono=x\n[pdf] tol=0,01\n[gr] stop=ten\n[fityk] max=big");
  EXPECT_EQ(load.values.latconst, "3.54");
  EXPECT_EQ(load.values.tol, "0.001");
  EXPECT_EQ(load.values.grStop, "3.54");
  EXPECT_EQ(load.values.rgrain, "12.5");
  EXPECT_EQ(load.values.diffStep, "5e-2");
  EXPECT_EQ(load.values.xray, 2);
  EXPECT_EQ(load.values.K, "");  // empty is not wrong
  EXPECT_TRUE(load.saveAtClose);
}

TEST(Settings, OrdersAndTable) {
  const auto apply = settingsApplyOrder();
  const auto save = settingsSaveOrder();
  for (const SettingKey* k : apply) ASSERT_NE(k, nullptr);
  for (const SettingKey* k : save) ASSERT_NE(k, nullptr);
  EXPECT_STREQ(apply.front()->key, "rgrain");
  EXPECT_STREQ(apply[1]->key, "boxlp");
  EXPECT_STREQ(apply[2]->key, "latconst");
  EXPECT_STREQ(apply[apply.size() - 2]->key, "type");
  EXPECT_STREQ(apply.back()->key, "shape");
  EXPECT_STREQ(save.back()->key, "shape");
  // Every saved key is written once, path_nconv never.
  size_t saved = 0;
  for (const auto& k : settingKeys()) saved += k.saved;
  EXPECT_EQ(save.size(), saved);
  EXPECT_EQ(apply.size(), settingKeys().size() - 1);
  EXPECT_FALSE(findSettingKey("AUX", "PATH_NCONV")->saved);
}

TEST(Settings, FileLocation) {
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix", "/cli.ini", "/env.ini", nullptr, "/home/u", true), "/cli.ini");
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix", "", "/env.ini", nullptr, "/home/u", true), "/env.ini");
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix", "", nullptr, nullptr, "/home/u", true), "/opt/g/grainix.ini");
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix.exe", "", "", nullptr, "/home/u", true), "/opt/g/grainix.ini");
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix", "", nullptr, "/xdg", "/home/u", false), "/xdg/grainix/grainix.ini");
  EXPECT_EQ(resolveSettingsPath("/opt/g/grainix", "", nullptr, "", "/home/u", false),
            "/home/u/.config/grainix/grainix.ini");
}

}  // namespace
}  // namespace grainix
