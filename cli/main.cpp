// grainix-cli: the engine without the window.
#include <exception>
#include <iostream>

#include "cli/cli_options.h"
#include "cli/cli_run.h"

int main(int argc, char** argv) {
  grainix::cli::CliOptions options;
  const auto parsed = grainix::cli::parseOptions(argc, argv, options);
  if (parsed.exitNow) {
    std::cout << parsed.out;
    return 0;
  }
  if (!parsed.ok) {
    std::cerr << "grainix-cli: " << parsed.error << "\n";
    return 2;
  }
  try {
    return grainix::cli::run(options, argv[0], std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "grainix-cli: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "grainix-cli: " << e.what() << "\n";
    return 1;
  }
}
