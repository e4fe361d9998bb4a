#pragma once
// Where the program finds its element table and its settings file.
#include <string>
#include <vector>

namespace grainix {

// Candidate places of the element table, in the order they are tried: the
// working folder, the folder of the executable, and the install data folder
// (../share/grainix beside the executable's folder).
std::vector<std::string> elementTableCandidates(const std::string& workingDir, const std::string& exeDir);
// The first candidate that exists as a file, or "" when none does.
std::string locateElementTable(const std::string& workingDir, const std::string& exeDir);

// Settings file: `envOverride` when it is not empty (GRAINIX_INI), otherwise
// the executable's path with its extension replaced by ".ini".
std::string settingsFilePath(const std::string& exePath, const std::string& envOverride);

// The message shown when no element table is found.
inline const char* kMissingElementTable =
    "File scFact.sft is missing. Many functions will be not available or will be work improperly.";

}  // namespace grainix
