#include "engine/app/viewer_launch.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/app/startup.h"
#include "engine/io/file_header.h"

namespace grainix {

namespace fs = std::filesystem;

namespace {

bool isExecutableFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool isFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The template's lines; a template that cannot be read gives none.
std::vector<std::string> readTemplate(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return scriptTemplateLines(in);
}

}  // namespace

std::string joinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string findOnPath(const std::string& name, const std::string& searchPath) {
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    const std::string dir = searchPath.substr(start, end - start);
    if (!dir.empty()) {
      const std::string candidate = joinPath(dir, name);
      if (isExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return "";
}

std::string viewerProgramPath(const std::string& folder, const std::string& executable,
                              const std::string& searchPath) {
  if (!folder.empty()) return joinPath(folder, executable);
  // An empty folder cannot hold the viewer: the system's search path can.
  const std::string found = findOnPath(executable, searchPath);
  return found.empty() ? executable : found;
}

std::vector<std::string> scriptTemplateLines(std::istream& in) {
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kTemplateLineLimit) break;
    lines.push_back(line);
  }
  return lines;
}

std::string viewerScriptText(const std::string& xyzPath, const std::vector<std::string>& templateLines) {
  std::string text = "\n\nzap\nload xyz " + xyzPath + "\n";
  for (const std::string& l : templateLines) text += l + "\n";
  return text;
}

StViewerLaunch prepareViewerLaunch(const std::string& folder, const std::string& executable,
                                   const StViewerEnv& env, vGrainNodes& nodes, const StFileTexts& texts) {
  StViewerLaunch l;
  const std::string stamp = timeStamp(env.when, '_');
  l.xyzPath = joinPath(env.tmpDir, stamp + ".xyz");
  l.scriptPath = joinPath(env.tmpDir, stamp + ".scr");
  l.templatePath = locateBundledFile(kScriptTemplateName, env.workingDir, env.exeDir);
  const bool haveTemplate = !l.templatePath.empty();
  if (!haveTemplate) l.templatePath = joinPath(env.workingDir, kScriptTemplateName);
  l.program = viewerProgramPath(folder, executable, env.searchPath);
  l.arguments = {"-script", l.scriptPath};
  l.commandLine = l.program + " -script " + l.scriptPath;

  if (!haveTemplate || !isFile(l.program)) {
    l.result.error("Couldn't open file: " + l.templatePath + " or program: " + l.program);
    return l;
  }

  std::error_code ec;
  if (!env.tmpDir.empty() && !fs::is_directory(env.tmpDir, ec)) fs::create_directories(env.tmpDir, ec);
  // The viewer reads the xyz layout whatever the temp folder's name holds.
  StCommandResult written = saveNodesFile(l.xyzPath, nodes, texts, NodesLayout::Xyz);
  if (!written.ok) {
    l.result.messages = std::move(written.messages);
    return l;
  }

  // A script that cannot be written stays empty or short; the viewer is
  // started all the same and says what it misses.
  FileWriter script;
  if (script.open(l.scriptPath)) {
    script.put(viewerScriptText(l.xyzPath, readTemplate(l.templatePath)));
    script.close();
  }
  l.result.ok = true;
  return l;
}

StCommandResult viewerStartResult(const StViewerLaunch& launch, bool started) {
  StCommandResult res;
  res.ok = started;
  if (started)
    res.log.push_back(launch.commandLine);
  else
    res.error("Program Grainix couldn't create process:\n" + launch.commandLine);
  return res;
}

}  // namespace grainix
