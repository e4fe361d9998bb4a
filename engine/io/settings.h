#pragma once
// The settings file: the main window's keys with their types, first-run
// values, defaults and the controls they are bound to; where the file
// lives; reading it at start-up and writing it at close.
#include <string>
#include <variant>
#include <vector>

#include "engine/core/command.h"
#include "engine/core/ini_file.h"

namespace grainix {

// The main window's settings as values. Field names follow the keys; keys
// that occur in two sections carry the section as a prefix.
struct StSettings {
  // latt
  std::string rgrain = "15";
  std::string latconst = "3.54";
  std::string boxlp = "5";
  int shape = 0;       // tag of the checked shape button; -1: none checked
  int type = 0;        // tag of the checked structure button; -1: none checked
  int emono = 0;
  int ebi = 0;
  bool rbmono = true;
  std::string seq = "ABC";
  // pdf
  std::string tol = "0.001";
  bool pdfShowGraph = false;
  // diff
  bool sori = true;
  bool deg = false;
  std::string K = "11.22";
  int xray = 0;
  std::string diffStep = "0.1";
  std::string diffStart = "0.1";
  std::string diffStop = "0.1";
  bool diffShowGraph = false;
  // gr
  std::string grStep = "0.01";
  std::string grStart = "0";
  std::string grStop = "3.54";
  bool grShowGraph = false;
  // aux
  std::string dataDir;     // default: the home folder
  std::string pathTmp;     // default: the working folder + "/tmp"
  std::string pathRastop;  // default: the home folder
  std::string pathNconv;   // default: the home folder; written only at once
  bool memovis = true;
  bool remTmpFiles = false;
  std::string comm = "no comment";
  int priority = 3;
  // queue
  std::string fileHeader = "exp";
  std::string folderPath;  // default: the home folder
  std::string desc;
  // fityk
  std::string fitLp = "1";
  double fitMax = 10;
  std::string fitStd = "0.1";
  std::string fitCmdLine = "#fityk command line";
  std::string fitMin = "0";
  std::string fitAm = "1";
};

// Folders the defaults depend on. The Windows "c:\" defaults become the
// home folder; the temp folder is the working folder + "/tmp".
struct StSettingsEnv {
  std::string home;
  std::string workDir;
  static StSettingsEnv current();
  std::string defaultTmp() const { return workDir + "/tmp"; }
};

enum class SettingType { String, Integer, Boolean, Float };

using SettingField =
    std::variant<std::string StSettings::*, int StSettings::*, bool StSettings::*, double StSettings::*>;

// One key of the table.
struct SettingKey {
  const char* section;
  const char* key;
  SettingType type;
  const char* initial;  // written on first run; nullptr: not written
  const char* def;      // read when missing; "@home", "@tmp": the environment's folders
  bool saved;           // written back at close
  const char* binding;  // the control or field it is bound to
  SettingField field;
};

// Every key of the main window, in table order.
const std::vector<SettingKey>& settingKeys();
const SettingKey* findSettingKey(const std::string& section, const std::string& key);
// The order in which loadSettings applies the keys: the window applies
// each value as user input, in this order ("rgrain" first also sets the
// G(r) stop field, which the gr keys overwrite later; "type" and "shape" last).
std::vector<const SettingKey*> settingsApplyOrder();
// The order in which saveSettings writes the keys ("type" and "shape" last,
// each only when a button of its group is checked).
std::vector<const SettingKey*> settingsSaveOrder();

// Values of a table with nothing read: every key at its default.
StSettings defaultSettings(const StSettingsEnv& env);
// Text a key's value is stored as ("1"/"0" for booleans, 15 digits for floats).
std::string settingText(const StSettings& s, const SettingKey& k);

// Where the settings file lives: `cliPath` when given, else $GRAINIX_INI,
// else the executable's path with ".ini" (extension replaced) when its
// folder is writable, else $XDG_CONFIG_HOME/grainix/grainix.ini
// (~/.config/grainix/grainix.ini).
std::string settingsFilePath(const std::string& exePath, const std::string& cliPath = {});
// The same rule with the environment given.
std::string resolveSettingsPath(const std::string& exePath, const std::string& cliPath, const char* envIni,
                                const char* xdgConfigHome, const std::string& home, bool exeFolderWritable);

struct StSettingsLoad {
  StSettings values;
  bool created = false;   // the file did not exist and was written with the initial values
  // False when the file exists but cannot be read: the values are the
  // defaults and the file must not be written at close.
  bool saveAtClose = true;
  // ok; an error box when the first-run file could not be written; one
  // warning box for a file that cannot be read or for values that are not
  // numbers (naming the file and each key).
  StCommandResult result;
};
// Makes sure the file exists (writing the initial values when it does not)
// and reads every key. Values a key cannot use are replaced by its default.
StSettingsLoad loadSettings(const std::string& path, const StSettingsEnv& env);
// Replaces in `s` the values of `ini` that their keys cannot use (numeric
// keys and numeric texts that do not parse) by the defaults; returns them
// as "[section] key=value".
std::vector<std::string> replaceBadSettingValues(const IniFile& ini, StSettings& s, const StSettingsEnv& env);
// The warning of a settings file that exists but cannot be read.
std::string settingsUnreadableText(const std::string& path, const std::string& reason);
// Reads every key from an INI already in memory.
StSettings readSettings(const IniFile& ini, const StSettingsEnv& env);
// Writes every saved key, keeping the rest of the file (other windows' keys).
// A failure, or a file that exists and cannot be read, gives
// "Unable to write to " + path.
StCommandResult saveSettings(const std::string& path, const StSettings& s);
// Writes one key at once ("path_nconv"), keeping the rest of the file.
StCommandResult writeSettingNow(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value);

// The buttons a "type" / "shape" tag checks; nullptr for a tag that matches none.
const char* structureButtonForTag(int tag);
const char* shapeButtonForTag(int tag);

}  // namespace grainix
