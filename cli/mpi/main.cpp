// grainix-cli-mpi: grainix-cli with its pair loops spread over MPI ranks.
// Started as `mpirun -n K grainix-cli-mpi <the options of grainix-cli>`:
// rank 0 runs the chain (grain, modification, every calculation, every
// file); the pair loops of the PDH, the partial histograms and delta(r)
// are counted by all ranks. A PDH that grainix-cli would take from the
// lattice (an unmodified generated grain) is taken from the lattice on
// rank 0 alone, as fast as there and with the same counts.
#include <mpi.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/mpi/mpi_pairs.h"

int main(int argc, char** argv) {
  int provided = 0;
  MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
  grainix::mpi::installStopHandlers();
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);

  // Every rank reads the same options; rank 0 speaks. --progress (this
  // program's own) draws the progress line although mpirun hands rank 0 no
  // terminal.
  std::vector<char*> args(argv, argv + argc);
  const auto own = std::find_if(args.begin() + 1, args.end(), [](const char* a) { return std::strcmp(a, "--progress") == 0; });
  const bool progressLine = own != args.end();
  if (progressLine) args.erase(own);
  grainix::cli::CliOptions options;
  const auto parsed = grainix::cli::parseOptions(static_cast<int>(args.size()), args.data(), options);
  int rc = 0;
  if (parsed.exitNow) {
    const bool help = std::any_of(args.begin() + 1, args.end(), [](const char* a) {
      return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0;
    });
    if (rank == 0) std::cout << parsed.out;
    if (rank == 0 && help)
      std::cout << "\ngrainix-cli-mpi, started as mpirun -n K grainix-cli-mpi [OPTIONS], also takes\n"
                << "  --progress    the progress line on stderr, which mpirun forwards\n";
  } else if (!parsed.ok) {
    if (rank == 0) std::cerr << "grainix-cli-mpi: " << parsed.error << "\n";
    rc = 2;
  } else if (rank != 0) {
    grainix::mpi::serveJobs();
  } else {
    try {
      rc = grainix::cli::run(options, argv[0], std::cerr,
                             {grainix::mpi::runPairLoopOnRanks, &grainix::mpi::stopToken(), progressLine,
                              "grainix-cli-mpi"});
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
