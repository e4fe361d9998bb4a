#pragma once
// The Python module's grains and calculations over the chain of
// grainix-cli: a call is the tool's options (parsed and checked by the
// tool's own parser) applied to a grain the module holds. Nothing here
// touches Python; the bindings run these functions without the GIL.
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_steps.h"
#include "engine/core/progress.h"

namespace grainix::pymod {

// A refusal of the chain, with the tool's text (no "grainix-cli: " prefix):
// an option, a value, the grain or a calculation was refused, or (`io`) a
// file could not be written.
struct ChainError : std::runtime_error {
  explicit ChainError(const std::string& text, bool io = false) : std::runtime_error(text), io(io) {}
  bool io;
};

// Parses the tool's command line (`args` without the program name) into
// options; throws ChainError with the parser's text.
cli::CliOptions parseArgs(const std::vector<std::string>& args);

// What a running call reports to and is stopped by.
struct CallContext {
  cli::StepProgress* progress = nullptr;
  const CancelToken* cancel = nullptr;
};

// A grain as the module holds it: a session of the chain (the workbench
// with the ideal and, after a modification, the modified atoms, the file
// texts and the element table). A grain is never changed after it is made;
// calculations fill the session's result records one at a time (`busy`)
// and empty them again.
struct GrainState {
  cli::Session s;
  std::mutex busy;

  const vGrainNodes& nodes() const { return s.wb.current(); }
};
using Grain = std::shared_ptr<GrainState>;

// The folders searched for the element table, in order.
void setElementTableFolders(std::vector<std::string> folders);
// The element table a new grain gets ("" when none was found).
std::string elementTablePath();

// A grain built from the options (--structure ...) or read from the nodes
// file o.input; with --sections or --thermal also modified, as one run of
// the tool does it.
Grain makeGrain(const cli::CliOptions& o, const CallContext& ctx);
// A grain of atoms given as symbols and positions (x, y, z of each in turn),
// taken over as the atoms of an .xyz file.
Grain atomsGrain(const std::vector<std::string>& symbols, const double* xyz, const CallContext& ctx);
// A new grain: the atoms of `from` modified by o's --sections / --thermal.
Grain modifiedGrain(GrainState& from, const cli::CliOptions& o, const CallContext& ctx);

// Writes the grain's nodes file (the layout chosen from the extension);
// throws ChainError with the writer's text and the system's reason.
void writeNodes(GrainState& g, const std::string& path, const std::string& comment);

// A pair-distance histogram: occupied bins only. One grain element: one
// count column; two: Rii, Rij, Rjj under the names "A-A", "A-B", "B-B".
struct PdhColumns {
  std::vector<double> r;
  std::vector<std::string> names;
  std::vector<std::vector<int64_t>> counts;
};
PdhColumns pdh(GrainState& g, const cli::CliOptions& o, const CallContext& ctx);

struct XyColumns {
  std::vector<double> x, y;
};
// The powder pattern as the .diff file holds it (o.abscissa, o.intensity).
XyColumns pattern(GrainState& g, const cli::CliOptions& o, const CallContext& ctx);
// G(r) of the grain's pattern.
XyColumns gr(GrainState& g, const cli::CliOptions& o, const CallContext& ctx);
// delta(r) of the atoms of `ideal` displaced to those of `modified`, as the
// .dij file holds it: the mean ideal distance of each bin and the mean
// relative change of its pairs' distances.
XyColumns delta(GrainState& ideal, GrainState& modified, const cli::CliOptions& o, const CallContext& ctx);

}  // namespace grainix::pymod
