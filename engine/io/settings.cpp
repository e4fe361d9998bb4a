#include "engine/io/settings.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "engine/core/format.h"

namespace grainix {

namespace {

namespace fs = std::filesystem;
using S = StSettings;
using T = SettingType;

std::string resolveDefault(const char* def, const StSettingsEnv& env) {
  const std::string d = def ? def : "";
  if (d == "@home") return env.home;
  if (d == "@tmp") return env.defaultTmp();
  return d;
}

bool sameKey(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

void readKey(const IniFile& ini, const SettingKey& k, StSettings& s, const StSettingsEnv& env) {
  const std::string def = resolveDefault(k.def, env);
  std::visit(
      [&](auto member) {
        using M = std::remove_reference_t<decltype(s.*member)>;
        if constexpr (std::is_same_v<M, std::string>) {
          s.*member = ini.readString(k.section, k.key, def);
        } else if constexpr (std::is_same_v<M, int>) {
          int d = 0;
          parseInt(def, d);
          s.*member = ini.readInteger(k.section, k.key, d);
        } else if constexpr (std::is_same_v<M, bool>) {
          s.*member = ini.readBool(k.section, k.key, def == "1");
        } else {
          double d = 0;
          parseDouble(def, d);
          s.*member = ini.readFloat(k.section, k.key, d);
        }
      },
      k.field);
}

}  // namespace

StSettingsEnv StSettingsEnv::current() {
  StSettingsEnv env;
  const char* home = std::getenv("HOME");
  env.home = home && *home ? home : "/";
  std::error_code ec;
  env.workDir = fs::current_path(ec).string();
  if (ec) env.workDir = ".";
  return env;
}

const std::vector<SettingKey>& settingKeys() {
  static const std::vector<SettingKey> keys = {
      {"latt", "rgrain", T::String, "15", "15", true, "Eradius", &S::rgrain},
      {"latt", "latconst", T::String, "3", "3.54", true, "Elp", &S::latconst},
      {"latt", "boxlp", T::String, "5", "5", true, "CBoxGR", &S::boxlp},
      {"latt", "shape", T::Integer, "0", "0", true, "GBgrainprm", &S::shape},
      {"latt", "type", T::Integer, "0", "0", true, "GBnet", &S::type},
      {"latt", "emono", T::Integer, "0", "0", true, "CBoxElemL", &S::emono},
      {"latt", "ebi", T::Integer, nullptr, "0", true, "CBoxElemR", &S::ebi},
      {"latt", "rbmono", T::Boolean, nullptr, "1", true, "RBmonoatom", &S::rbmono},
      {"latt", "seq", T::String, "ABC", "ABC", true, "stacking sequence", &S::seq},
      {"pdf", "tol", T::String, "0.001", "0.001", true, "Ebinwidth", &S::tol},
      {"pdf", "showGraph", T::Boolean, "0", "0", true, "ChBtuzpo", &S::pdfShowGraph},
      {"diff", "sori", T::Boolean, "1", "1", true, "RBs", &S::sori},
      {"diff", "deg", T::Boolean, "1", "0", true, "RBangle", &S::deg},
      {"diff", "K", T::String, "11.22", "11.22", true, "Ek", &S::K},
      {"diff", "xray", T::Integer, "0", "0", true, "CBoxXray", &S::xray},
      {"diff", "step", T::String, "0.1", "0.1", true, "Edphi", &S::diffStep},
      {"diff", "start", T::String, "5", "0.1", true, "Estart", &S::diffStart},
      {"diff", "stop", T::String, "150", "0.1", true, "Estop", &S::diffStop},
      {"diff", "showGraph", T::Boolean, "0", "0", true, "ChBshowpattern", &S::diffShowGraph},
      {"gr", "step", T::String, "0.01", "0.01", true, "Egrstep", &S::grStep},
      {"gr", "start", T::String, "0", "0", true, "Egrstart", &S::grStart},
      {"gr", "stop", T::String, "3.54", "3.54", true, "Egrstop", &S::grStop},
      {"gr", "showGraph", T::Boolean, "0", "0", true, "ChBoxGrGraph", &S::grShowGraph},
      {"aux", "dataDir", T::String, "@home", "@home", true, "data folder", &S::dataDir},
      {"aux", "path_tmp", T::String, "@tmp", "@tmp", true, "temp folder", &S::pathTmp},
      {"aux", "path_rastop", T::String, "@home", "@home", true, "RasTop folder", &S::pathRastop},
      {"aux", "path_nconv", T::String, nullptr, "@home", false, "nconvert folder", &S::pathNconv},
      {"aux", "memovis", T::Boolean, "1", "1", true, "MIshowmessages", &S::memovis},
      {"aux", "remTmpFiles", T::Boolean, nullptr, "0", true, "MIrmtmpfiles", &S::remTmpFiles},
      {"aux", "comm", T::String, "no comment", "no comment", true, "Ecomment", &S::comm},
      {"aux", "priority", T::Integer, "3", "3", true, "thread priority", &S::priority},
      {"queue", "fileHeader", T::String, "exp", "exp", true, "queue file-name prefix", &S::fileHeader},
      {"queue", "folderPath", T::String, "@home", "@home", true, "queue output folder", &S::folderPath},
      {"queue", "desc", T::String, "", "", true, "queue description", &S::desc},
      {"fityk", "lp", T::String, "1", "1", true, "fityk lp", &S::fitLp},
      {"fityk", "max", T::Float, "10", "10", true, "fityk max", &S::fitMax},
      {"fityk", "std", T::String, "0.1", "0.1", true, "fityk std", &S::fitStd},
      {"fityk", "cmdLine", T::String, "#fityk command line", "#fityk command line", true, "fityk cmdLine",
       &S::fitCmdLine},
      {"fityk", "min", T::String, "0", "0", true, "fityk min", &S::fitMin},
      {"fityk", "am", T::String, "1", "1", true, "fityk am", &S::fitAm},
  };
  return keys;
}

const SettingKey* findSettingKey(const std::string& section, const std::string& key) {
  for (const auto& k : settingKeys())
    if (sameKey(k.section, section.c_str()) && sameKey(k.key, key.c_str())) return &k;
  return nullptr;
}

namespace {
std::vector<const SettingKey*> keyList(std::initializer_list<std::pair<const char*, const char*>> names) {
  std::vector<const SettingKey*> out;
  for (const auto& [sec, key] : names) out.push_back(findSettingKey(sec, key));
  return out;
}
}  // namespace

std::vector<const SettingKey*> settingsApplyOrder() {
  return keyList({{"latt", "rgrain"},      {"latt", "boxlp"},      {"latt", "latconst"},  {"latt", "rbmono"},
                  {"latt", "emono"},       {"latt", "ebi"},        {"latt", "seq"},       {"diff", "K"},
                  {"diff", "xray"},        {"diff", "start"},      {"diff", "stop"},      {"diff", "step"},
                  {"diff", "sori"},        {"diff", "deg"},        {"diff", "showGraph"}, {"aux", "dataDir"},
                  {"aux", "path_rastop"},  {"aux", "comm"},        {"aux", "path_tmp"},   {"aux", "priority"},
                  {"aux", "remTmpFiles"},  {"aux", "memovis"},     {"pdf", "tol"},        {"pdf", "showGraph"},
                  {"gr", "step"},          {"gr", "start"},        {"gr", "stop"},        {"gr", "showGraph"},
                  {"queue", "fileHeader"}, {"queue", "folderPath"}, {"queue", "desc"},    {"fityk", "lp"},
                  {"fityk", "max"},        {"fityk", "std"},       {"fityk", "cmdLine"},  {"fityk", "min"},
                  {"fityk", "am"},         {"latt", "type"},       {"latt", "shape"}});
}

std::vector<const SettingKey*> settingsSaveOrder() {
  return keyList({{"latt", "rgrain"},      {"latt", "latconst"},   {"latt", "rbmono"},      {"latt", "emono"},
                  {"latt", "ebi"},         {"latt", "boxlp"},      {"latt", "seq"},         {"diff", "sori"},
                  {"diff", "K"},           {"diff", "xray"},       {"diff", "step"},        {"diff", "deg"},
                  {"diff", "start"},       {"diff", "stop"},       {"diff", "showGraph"},   {"pdf", "tol"},
                  {"pdf", "showGraph"},    {"aux", "dataDir"},     {"aux", "path_tmp"},     {"aux", "path_rastop"},
                  {"aux", "remTmpFiles"},  {"aux", "priority"},    {"aux", "comm"},         {"aux", "memovis"},
                  {"gr", "step"},          {"gr", "start"},        {"gr", "stop"},          {"gr", "showGraph"},
                  {"queue", "fileHeader"}, {"queue", "folderPath"}, {"queue", "desc"},      {"fityk", "lp"},
                  {"fityk", "max"},        {"fityk", "std"},       {"fityk", "cmdLine"},    {"fityk", "min"},
                  {"fityk", "am"},         {"latt", "type"},       {"latt", "shape"}});
}

StSettings defaultSettings(const StSettingsEnv& env) {
  IniFile empty;
  return readSettings(empty, env);
}

std::string settingText(const StSettings& s, const SettingKey& k) {
  return std::visit(
      [&](auto member) -> std::string {
        using M = std::remove_cvref_t<decltype(s.*member)>;
        if constexpr (std::is_same_v<M, std::string>) return s.*member;
        else if constexpr (std::is_same_v<M, int>) return std::to_string(s.*member);
        else if constexpr (std::is_same_v<M, bool>) return s.*member ? "1" : "0";
        else return fmtDefault(s.*member);
      },
      k.field);
}

std::string resolveSettingsPath(const std::string& exePath, const std::string& cliPath, const char* envIni,
                                const char* xdgConfigHome, const std::string& home, bool exeFolderWritable) {
  if (!cliPath.empty()) return cliPath;
  if (envIni && *envIni) return envIni;
  if (exeFolderWritable && !exePath.empty()) {
    fs::path p(exePath);
    p.replace_extension(".ini");
    return p.string();
  }
  const std::string base = xdgConfigHome && *xdgConfigHome ? std::string(xdgConfigHome) : home + "/.config";
  return base + "/grainix/grainix.ini";
}

std::string settingsFilePath(const std::string& exePath, const std::string& cliPath) {
  std::string folder = fs::path(exePath).parent_path().string();
  if (folder.empty()) folder = ".";
  const bool writable = ::access(folder.c_str(), W_OK) == 0;
  return resolveSettingsPath(exePath, cliPath, std::getenv("GRAINIX_INI"), std::getenv("XDG_CONFIG_HOME"),
                             StSettingsEnv::current().home, writable);
}

StSettings readSettings(const IniFile& ini, const StSettingsEnv& env) {
  StSettings s;
  for (const auto& k : settingKeys()) readKey(ini, k, s, env);
  return s;
}

namespace {

// String keys whose text goes into a numeric field: a text that is not a
// number would fail there, at start-up, without naming its key.
bool numericText(const SettingKey& k) {
  static const std::pair<const char*, const char*> keys[] = {
      {"latt", "rgrain"}, {"latt", "latconst"}, {"pdf", "tol"},   {"diff", "K"},    {"diff", "step"},
      {"diff", "start"},  {"diff", "stop"},     {"gr", "step"},   {"gr", "start"},  {"gr", "stop"}};
  for (const auto& [sec, key] : keys)
    if (sameKey(k.section, sec) && sameKey(k.key, key)) return true;
  return false;
}

// A value present in the file that its key cannot use.
bool badValue(const SettingKey& k, const std::string& v) {
  if (v.empty()) return false;
  double d = 0;
  switch (k.type) {
    case SettingType::String: return numericText(k) && !parseDouble(v, d);
    case SettingType::Float: return !parseDouble(v, d);
    case SettingType::Integer:
    case SettingType::Boolean: {
      // As the reader takes integers (hex included): a value that gives
      // back whatever default it is offered did not parse.
      IniFile probe;
      probe.writeString("s", "k", v);
      return probe.readInteger("s", "k", 0) == 0 && probe.readInteger("s", "k", 1) == 1;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> replaceBadSettingValues(const IniFile& ini, StSettings& s, const StSettingsEnv& env) {
  std::vector<std::string> replaced;
  const StSettings defaults = defaultSettings(env);
  for (const auto& k : settingKeys()) {
    const auto v = ini.value(k.section, k.key);
    if (!v || !badValue(k, *v)) continue;
    std::visit([&](auto member) { s.*member = defaults.*member; }, k.field);
    replaced.push_back(std::string("[") + k.section + "] " + k.key + "=" + *v);
  }
  return replaced;
}

StSettingsLoad loadSettings(const std::string& path, const StSettingsEnv& env) {
  StSettingsLoad out;
  out.result.ok = true;
  IniFile ini(path);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    // First run: the file gets the initial values.
    for (const auto& k : settingKeys())
      if (k.initial) ini.writeString(k.section, k.key, resolveDefault(k.initial, env));
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    std::string error;
    if (!ini.save(&error)) {
      out.result.ok = false;
      out.result.error(error, "Error");
    }
    out.created = true;
    out.values = readSettings(ini, env);
    return out;
  }
  std::string reason;
  if (!ini.load(&reason)) {
    // A file that is there but cannot be read holds the user's settings
    // (and other windows' keys): it is neither replaced now nor at close.
    out.values = defaultSettings(env);
    out.saveAtClose = false;
    out.result.warning(settingsUnreadableText(path, reason));
    return out;
  }
  out.values = readSettings(ini, env);
  const std::vector<std::string> bad = replaceBadSettingValues(ini, out.values, env);
  if (!bad.empty()) {
    std::string text = "The settings file " + path + " holds values that are not numbers; the defaults are used:";
    for (const std::string& b : bad) text += "\n" + b;
    out.result.warning(text);
  }
  return out;
}

std::string settingsUnreadableText(const std::string& path, const std::string& reason) {
  return "The settings file " + path + " cannot be read (" + reason +
         "). The program starts with the default settings and leaves the file as it is.";
}

StCommandResult saveSettings(const std::string& path, const StSettings& s) {
  StCommandResult res;
  IniFile ini(path);
  // The other windows' keys in the same file are kept; a file that cannot
  // be read would lose them, so it is not written.
  if (!ini.load()) {
    res.error("Unable to write to " + path, "Error");
    return res;
  }
  for (const SettingKey* k : settingsSaveOrder()) {
    if (k->field == SettingField(&S::type) && (s.type < 0 || !structureButtonForTag(s.type))) continue;
    if (k->field == SettingField(&S::shape) && (s.shape < 0 || !shapeButtonForTag(s.shape))) continue;
    ini.writeString(k->section, k->key, settingText(s, *k));
  }
  std::string error;
  if (!ini.save(&error)) {
    res.error(error, "Error");
    return res;
  }
  res.ok = true;
  return res;
}

StCommandResult writeSettingNow(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value) {
  StCommandResult res;
  std::string error;
  if (!IniFile::updateKey(path, section, key, value, &error)) {
    res.error(error, "Error");
    return res;
  }
  res.ok = true;
  return res;
}

const char* structureButtonForTag(int tag) {
  static const char* const names[] = {"rbsc", "rbbcc", "rbfcc", "rbdiam", "rbfccsq", "rbrand", "rbhcp"};
  return tag >= 0 && tag < 7 ? names[tag] : nullptr;
}

const char* shapeButtonForTag(int tag) {
  static const char* const names[] = {"RBsphere", "RBcylind"};
  return tag >= 0 && tag < 2 ? names[tag] : nullptr;
}

}  // namespace grainix
