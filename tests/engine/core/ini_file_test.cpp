#include "engine/core/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace grainix {
namespace {

TEST(IniFile, ReadsWithProfileDefaults) {
  IniFile ini;
  ini.parse("[Main]\r\nLP=3.54\r\nempty=\r\nbad=xyz\r\npath=c:\\\r\nflag=1\r\n[Ni]\nlc=3.52\n");
  EXPECT_EQ(ini.readString("main", "lp", "d"), "3.54");
  EXPECT_EQ(ini.readString("MAIN", "missing", "d"), "d");
  EXPECT_EQ(ini.readString("Main", "empty", "d"), "");
  EXPECT_EQ(ini.readInteger("Main", "empty", 7), 7);
  EXPECT_EQ(ini.readInteger("Main", "bad", 7), 7);
  EXPECT_DOUBLE_EQ(ini.readFloat("Main", "empty", 0.1), 0.1);
  EXPECT_DOUBLE_EQ(ini.readFloat("Main", "lp", 0), 3.54);
  EXPECT_EQ(ini.readString("Main", "path", ""), "c:\\");
  EXPECT_TRUE(ini.readBool("Main", "flag", false));
  EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Main", "Ni"}));
}

TEST(IniFile, WritingOneKeyKeepsTheRest) {
  IniFile ini;
  ini.parse("; comment\n[A]\nx=1\n\n[B]\ny=2\n");
  ini.writeString("a", "X", "5");
  ini.writeString("A", "z", "c:\\");
  ini.writeInteger("C", "n", 3);
  EXPECT_EQ(ini.text(), "; comment\n[A]\nx=5\nz=c:\\\n\n[B]\ny=2\n[C]\nn=3\n");
}

TEST(IniFile, SaveFailureNamesThePath) {
  IniFile ini("/nonexistent-dir/x.ini");
  ini.writeString("A", "b", "c");
  std::string error;
  EXPECT_FALSE(ini.save(&error));
  EXPECT_EQ(error, "Unable to write to /nonexistent-dir/x.ini");
}

TEST(IniFile, RoundTripsThroughAFile) {
  const auto path = std::filesystem::temp_directory_path() / "grainix_ini_test.ini";
  {
    IniFile ini(path.string());
    ini.writeFloat("S", "f", 0.0009765625);
    ini.writeBool("S", "b", true);
    ASSERT_TRUE(ini.save());
  }
  IniFile back(path.string());
  ASSERT_TRUE(back.load());
  EXPECT_DOUBLE_EQ(back.readFloat("s", "F", 0), 0.0009765625);
  EXPECT_EQ(back.readString("S", "b", ""), "1");
  std::filesystem::remove(path);
  IniFile missing((path.string() + ".none"));
  EXPECT_TRUE(missing.load());
  EXPECT_TRUE(missing.sections().empty());
}

TEST(IniFile, UpdateKeyWritesOneKeyAtOnce) {
  const auto path = std::filesystem::temp_directory_path() / "grainix_ini_update_test.ini";
  {
    std::ofstream out(path, std::ios::binary);
    out << "[aux]\r\ndataDir=c:\\\r\ngw=640\r\n[latt]\r\nrgrain=15\r\n";
  }
  std::string error;
  ASSERT_TRUE(IniFile::updateKey(path.string(), "AUX", "path_nconv", "/opt/nconvert", &error));
  IniFile back(path.string());
  ASSERT_TRUE(back.load());
  EXPECT_EQ(back.readString("aux", "path_nconv", ""), "/opt/nconvert");
  EXPECT_EQ(back.readString("aux", "dataDir", ""), "c:\\");
  EXPECT_EQ(back.readString("latt", "rgrain", ""), "15");
  std::filesystem::remove(path);
  // A missing file is created with the one key.
  ASSERT_TRUE(IniFile::updateKey(path.string(), "aux", "k", "v"));
  IniFile created(path.string());
  ASSERT_TRUE(created.load());
  EXPECT_EQ(created.readString("aux", "k", ""), "v");
  std::filesystem::remove(path);
  EXPECT_FALSE(IniFile::updateKey("/nonexistent-dir/x.ini", "aux", "k", "v", &error));
  EXPECT_EQ(error, "Unable to write to /nonexistent-dir/x.ini");
}

}  // namespace
}  // namespace grainix
