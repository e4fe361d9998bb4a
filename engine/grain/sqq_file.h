#pragma once
// Stacking sequence files (.sqq): a date line, a size line, then the
// sequence text exactly as typed, with no newline after it.
#include <string>

#include "engine/core/command.h"

namespace grainix {

// Writes "#date: <date>, <time>\n#size: <n>\n<sequence>". The date and time
// texts are the local short date and long time as the window shows them.
StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence, const std::string& dateText,
                                 const std::string& timeText);
// The same with the current local date and time.
StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence);

// Reads the sequence of a file written as above: the first line is skipped,
// then a word, a length n, one separating character and at most n characters
// of the rest of that line. Letters are not validated.
StCommandResult loadSequenceFile(const std::string& path, std::string& sequence);

// Dialog filter and extension of sequence files.
inline constexpr const char* kSequenceFileFilter = "Sequence file (*.sqq)|*.sqq";
inline constexpr const char* kSequenceFileExt = "sqq";

}  // namespace grainix
