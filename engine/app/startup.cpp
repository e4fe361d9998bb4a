#include "engine/app/startup.h"

#include <filesystem>
#include <system_error>

namespace grainix {

namespace fs = std::filesystem;

std::vector<std::string> elementTableCandidates(const std::string& workingDir, const std::string& exeDir) {
  std::vector<std::string> out;
  const char* name = "scFact.sft";
  out.push_back((fs::path(workingDir) / name).string());
  if (!exeDir.empty()) {
    out.push_back((fs::path(exeDir) / name).string());
    out.push_back((fs::path(exeDir) / ".." / "share" / "grainix" / name).lexically_normal().string());
  }
  return out;
}

std::string locateElementTable(const std::string& workingDir, const std::string& exeDir) {
  std::error_code ec;
  for (const std::string& c : elementTableCandidates(workingDir, exeDir))
    if (fs::is_regular_file(c, ec)) return c;
  return "";
}

}  // namespace grainix
