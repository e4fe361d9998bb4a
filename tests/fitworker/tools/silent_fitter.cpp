// A fitter that connects to the window's socket and never writes: it stays
// connected until the window closes the connection (or 30 s pass).
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/fit/pipe_link.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string socket;
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "-p") socket = args[i + 1];
  const int fd = grainix::connectPipe(socket, 10000);
  if (fd < 0) return 6;
  timeval tv{30, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char c;
  while (::read(fd, &c, 1) > 0) {
  }
  grainix::closePipe(fd);
  return 0;
}
