#pragma once
// Stacking sequence files (.sqq): a date line, a size line, then the
// sequence text exactly as typed, with no newline after it.
#include <ctime>
#include <string>

#include "engine/core/command.h"

namespace grainix {

// Writes "#date: <date>, <time>\n#size: <n>\n<sequence>", the date and time
// of `when` in the form of every other file the program writes.
StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence, std::time_t when);
// The same at the current time.
StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence);

// Reads the sequence of a file written as above: the first line is skipped,
// then a word, a length n, one separating character and at most n characters
// of the rest of that line. Letters are not validated.
StCommandResult loadSequenceFile(const std::string& path, std::string& sequence);

// Dialog filter and extension of sequence files.
inline constexpr const char* kSequenceFileFilter = "Sequence file (*.sqq)|*.sqq";
inline constexpr const char* kSequenceFileExt = "sqq";

}  // namespace grainix
