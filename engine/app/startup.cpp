#include "engine/app/startup.h"

#include <filesystem>
#include <system_error>

namespace grainix {

namespace fs = std::filesystem;

namespace {
constexpr const char* kElementTableName = "scFact.sft";
}

std::vector<std::string> bundledFileCandidates(const std::string& name, const std::string& workingDir,
                                               const std::string& exeDir) {
  std::vector<std::string> out;
  out.push_back((fs::path(workingDir) / name).string());
  if (!exeDir.empty()) {
    out.push_back((fs::path(exeDir) / name).string());
    out.push_back((fs::path(exeDir) / ".." / "share" / "grainix" / name).lexically_normal().string());
  }
  return out;
}

std::string locateBundledFile(const std::string& name, const std::string& workingDir, const std::string& exeDir) {
  std::error_code ec;
  for (const std::string& c : bundledFileCandidates(name, workingDir, exeDir))
    if (fs::is_regular_file(c, ec)) return c;
  return "";
}

std::vector<std::string> elementTableCandidates(const std::string& workingDir, const std::string& exeDir) {
  return bundledFileCandidates(kElementTableName, workingDir, exeDir);
}

std::string locateElementTable(const std::string& workingDir, const std::string& exeDir) {
  return locateBundledFile(kElementTableName, workingDir, exeDir);
}

}  // namespace grainix
