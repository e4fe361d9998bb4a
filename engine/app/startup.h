#pragma once
// Where the program finds the files it ships: the element table and the
// viewer script template.
#include <string>
#include <vector>

namespace grainix {

// Candidate places of a shipped file, in the order they are tried: the
// working folder (the user's own copy), the folder of the executable, and
// the install data folder (../share/grainix beside the executable's folder).
std::vector<std::string> bundledFileCandidates(const std::string& name, const std::string& workingDir,
                                               const std::string& exeDir);
// The first candidate that exists as a file, or "" when none does.
std::string locateBundledFile(const std::string& name, const std::string& workingDir, const std::string& exeDir);

std::vector<std::string> elementTableCandidates(const std::string& workingDir, const std::string& exeDir);
std::string locateElementTable(const std::string& workingDir, const std::string& exeDir);

}  // namespace grainix
