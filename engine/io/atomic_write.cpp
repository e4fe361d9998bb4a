#include "engine/io/atomic_write.h"

#include <unistd.h>

#include <filesystem>

#include "engine/io/file_header.h"

namespace grainix {

namespace fs = std::filesystem;

namespace {
void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}
}  // namespace

std::string temporaryPathBeside(const std::string& path) {
  const fs::path target(path);
  return (target.parent_path() / (".grainix-" + std::to_string(::getpid()) + "-" + target.filename().string()))
      .string();
}

StCommandResult writeAtomically(const std::string& path,
                                const std::function<StCommandResult(const std::string&)>& writer) {
  const std::string temp = temporaryPathBeside(path);
  StCommandResult res = writer(temp);
  for (StMessage& m : res.messages) replaceAll(m.text, temp, path);
  for (std::string& l : res.log) replaceAll(l, temp, path);
  std::error_code ec;
  if (!res.ok) {
    fs::remove(temp, ec);
    return res;
  }
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    res.ok = false;
    res.error(incompleteWriteError(path), "Error");
  }
  return res;
}

}  // namespace grainix
