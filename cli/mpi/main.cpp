// grainix-cli-mpi: grainix-cli with its pair loops spread over MPI ranks.
// Started as `mpirun -n K grainix-cli-mpi <the options of grainix-cli>`:
// rank 0 runs the chain (grain, modification, every calculation, every
// file); the pair loops of the PDH, the partial histograms and delta(r)
// are counted by all ranks. A PDH that grainix-cli would take from the
// lattice (an unmodified generated grain) is taken from the lattice on
// rank 0 alone, as fast as there and with the same counts.
#include <mpi.h>

#include <exception>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/mpi/mpi_pairs.h"

int main(int argc, char** argv) {
  int provided = 0;
  MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
  grainix::mpi::installStopHandlers();
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);

  // Every rank reads the same options; rank 0 speaks.
  grainix::cli::CliOptions options;
  const auto parsed = grainix::cli::parseOptions(argc, argv, options);
  int rc = 0;
  if (parsed.exitNow) {
    if (rank == 0) std::cout << parsed.out;
  } else if (!parsed.ok) {
    if (rank == 0) std::cerr << "grainix-cli-mpi: " << parsed.error << "\n";
    rc = 2;
  } else if (rank != 0) {
    grainix::mpi::serveJobs();
  } else {
    try {
      rc = grainix::cli::run(options, argv[0], std::cerr, grainix::mpi::runPairLoopOnRanks,
                             &grainix::mpi::stopToken());
    } catch (const std::bad_alloc&) {
      std::cerr << "grainix-cli-mpi: out of memory\n";
      rc = 1;
    } catch (const std::exception& e) {
      std::cerr << "grainix-cli-mpi: " << e.what() << "\n";
      rc = 1;
    }
    grainix::mpi::endJobs();
  }
  MPI_Finalize();
  if (const int sig = grainix::mpi::stopSignal()) return 128 + sig;
  return rc;
}
