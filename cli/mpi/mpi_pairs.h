#pragma once
// The pair loops of grainix-cli-mpi spread over the ranks of MPI_COMM_WORLD.
// Rank 0 runs the command-line chain; whenever it needs a pair loop it
// sends the job (the nodes and the histogram's range) to every rank, each
// rank counts its share of the pairs with its threads, and the 64-bit
// counts are gathered to rank 0, which makes the results exactly as a run
// in one process does. The other ranks serve jobs until rank 0 ends them.
//
// While the shares are counted the ranks meet every ~0.1 s (a non-blocking
// all-reduce): rank 0 learns the pairs done on all ranks for its progress
// line, and a stop on any rank (SIGINT, SIGTERM) stops every rank. A rank
// that was signalled and cannot finish its exchange within a few seconds
// (a rank died) leaves at once with status 128 + signal; mpirun then ends
// the job. Nothing is ever written by a rank other than 0, and rank 0
// writes only after a completed reduction.
#include "engine/calc/pair_loops.h"
#include "engine/core/progress.h"

namespace grainix::mpi {

// Stop requests of this process: set by the signal handlers.
CancelToken& stopToken();
// The signal that stopped this process (0: none).
int stopSignal();
// SIGINT and SIGTERM request a stop.
void installStopHandlers();

// On rank 0: the pair loop of the chain, over all ranks (runPairLoop's
// contract). A stop from any rank also requests stopToken().
StPairRunResult runPairLoopOnRanks(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial,
                                   ProgressSink* gauge, const CancelToken& cancel, int threads);
// On rank 0: tells the other ranks that no job follows.
void endJobs();
// On the other ranks: counts the share of every job rank 0 sends until it
// ends them.
void serveJobs();

}  // namespace grainix::mpi
