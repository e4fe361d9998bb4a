#include "engine/app/log_commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "engine/core/format.h"

namespace grainix {

std::string nodeListingLine(const StGrainNode& n) {
  if (n.r >= 0)
    return fmtPrintf("%s\t%8.5f\t%8.5f\t%8.5f\t%8.5f\t%8.5f", n.element.c_str(), n.x, n.y, n.z, n.rPrev, n.r);
  return fmtPrintf("%s\t%8.3f\t%8.3f\t%8.3f\tnd", n.element.c_str(), n.x, n.y, n.z);
}

std::vector<std::string> nodeListing(vGrainNodes& nodes, const StListingOptions& opt) {
  std::vector<std::string> out;
  out.push_back("plane z=" + fmtGeneral(opt.planeZ, 5));
  out.push_back("Atom\tx \t y \tz \t rprev \t rcurr");
  if (opt.sortByR)
    std::sort(nodes.begin(), nodes.end(), [](const StGrainNode& a, const StGrainNode& b) { return a.r > b.r; });
  const double lo = opt.planeZ - 0.1, hi = opt.planeZ + 0.1;
  for (const StGrainNode& n : nodes)
    if (opt.showAll || (n.z > lo && n.z < hi)) out.push_back(nodeListingLine(n));
  return out;
}

StCommandResult setPlaneZ(const std::string& answer, double& planeZ) {
  StCommandResult res;
  double v = 0;
  if (!parseDouble(answer, v)) {
    res.conversionError(answer);
    return res;
  }
  planeZ = v;
  res.ok = true;
  return res;
}

std::string planeZText(double planeZ) { return fmtGeneral(planeZ, 5); }

std::vector<std::string> currentParametersLines(const std::vector<std::string>& report) {
  std::vector<std::string> out;
  out.push_back("");
  out.push_back("... current calculation parameters ...");
  out.insert(out.end(), report.begin(), report.end());
  out.push_back("... ... ... ...");
  return out;
}

int mainWindowWidth(int leftPanelWidth, int logWidth, bool logShown) {
  return logShown ? leftPanelWidth + logWidth + 10 : leftPanelWidth + 10;
}

std::vector<StWindowRect> disperseDiagrams(int screenW, int screenH, int count) {
  std::vector<StWindowRect> out;
  const int w = screenW / 3;
  const int h = screenH / 3 - 20;
  int left = 0, row = 0, offset = 42;
  for (int i = 0; i < count; ++i) {
    out.push_back({left, row + offset, w, h});
    left += w;
    if (left >= screenW - 5) {
      left = 0;
      row += h;
    }
    if (row >= screenH - 5) {
      row = 0;
      offset += 10;
    }
  }
  return out;
}

StWindowRect stackedChildRect(const StWindowRect& parent, int index) {
  return {parent.left, parent.top + 42 + 21 * index, parent.width, parent.height};
}

static std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::optional<std::string> droppedNodesFile(const std::vector<std::string>& files) {
  if (files.size() != 1) return std::nullopt;
  const std::string& f = files.front();
  const std::string ext = upper(std::filesystem::path(f).extension().string());
  if (ext == ".XYZ" || ext == ".NDL" || ext == ".AT") return f;
  return std::nullopt;
}

StartupFileKind commandLineFileKind(const std::string& arg) {
  auto after1 = [&](const char* ext) { return arg.size() > 1 && arg.find(ext, 1) != std::string::npos; };
  if (after1(".ndl")) return StartupFileKind::Nodes;
  if (after1(".his")) return StartupFileKind::Histogram;
  if (after1(".xyz")) return StartupFileKind::Nodes;
  return StartupFileKind::None;
}

int removeTempFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int removed = 0;
  if (folder.empty() || !fs::is_directory(folder, ec)) return 0;
  std::vector<fs::path> doomed;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    const std::string ext = entry.path().extension().string();
    if (ext == ".xyz" || ext == ".scr" || ext == ".bmp") doomed.push_back(entry.path());
  }
  for (const auto& p : doomed)
    if (fs::remove(p, ec)) ++removed;
  return removed;
}

int priorityDialogChoice(int priority) {
  if (priority == 5 || priority == 6) return priority;
  return 3;
}

std::string aboutText(const std::string& buildDate) {
  return "Grainix - nanocrystalline grain workbench\n"
         "version 1.1, built " +
         buildDate +
         "\n"
         "Questions and reports: the Grainix developers";
}

}  // namespace grainix
