#pragma once
// Where the program finds its element table.
#include <string>
#include <vector>

namespace grainix {

// Candidate places of the element table, in the order they are tried: the
// working folder, the folder of the executable, and the install data folder
// (../share/grainix beside the executable's folder).
std::vector<std::string> elementTableCandidates(const std::string& workingDir, const std::string& exeDir);
// The first candidate that exists as a file, or "" when none does.
std::string locateElementTable(const std::string& workingDir, const std::string& exeDir);

}  // namespace grainix
