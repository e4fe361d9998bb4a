// fitworker: fits approximate peaks to experimental data (see fitworker_run.h).
#include <iostream>

#include "fitworker/fitworker_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  grainix::StFitworkerIo io{&std::cout, &std::cerr, &std::cin};
  return grainix::runFitworker(args, io);
}
