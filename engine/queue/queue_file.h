#pragma once
// The queue file of the command-line tool: an INI text with a [queue]
// section (fileHeader, description, calculations, save) and the entries
// [1], [2], ... in order (sequence, and optionally a, c, u). A file is
// checked whole before anything runs; a refusal names the line.
#include <string>

#include "engine/grain/grain_node.h"
#include "engine/queue/exp_queue.h"

namespace grainix {

struct StQueueFileLoad {
  bool ok = false;
  std::string error;  // "FILE:LINE: what is wrong" (no line for a file-wide fault)
  StExpQueue queue;   // entries with their texts as written; a, c, u may be empty
};

// Parses the text of a queue file; `name` is the file name errors carry.
// Words of "calculations": pdh delta diffraction gr; of "save": positions
// pdh delta diffraction gr. Saving a result computes it, and diffraction
// and G(r) compute what they are made from. Sequences are upper-cased.
StQueueFileLoad parseQueueFile(const std::string& text, const std::string& name);
StQueueFileLoad loadQueueFile(const std::string& path);

// Entries without a, c or u take the stacking window's initial texts for
// the grain parameters (a/sqrt(2), a/sqrt(3), 0.75); summaries follow.
void fillStackingDefaults(StExpQueue& queue, const StGrainPrm& prm);

}  // namespace grainix
