#pragma once
// Writing a file under a temporary name beside it and renaming it into
// place, so an interrupted write never leaves a half-written file under the
// name the user asked for.
#include <functional>
#include <string>

#include "engine/core/command.h"

namespace grainix {

// The temporary name beside `path` that writeAtomically uses: the file name
// keeps its extension, so writers that choose a layout by it are not misled.
std::string temporaryPathBeside(const std::string& path);

// Calls `writer` with the temporary name and renames the file into place
// when the writer succeeded; otherwise the temporary file is removed. The
// messages of the result name `path`, never the temporary file.
StCommandResult writeAtomically(const std::string& path,
                                const std::function<StCommandResult(const std::string&)>& writer);

}  // namespace grainix
