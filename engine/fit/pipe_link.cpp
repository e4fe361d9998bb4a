#include "engine/fit/pipe_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

namespace grainix {

PipeLoopEnd pipeReadLoop(const PipeRead& read, std::string& text) {
  char buffer[kPipeReadSize];
  int empty = 0;
  while (empty < kPipeEmptyReads) {
    const long n = read(buffer, sizeof buffer);
    if (n < 0) return PipeLoopEnd::Stopped;
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
      if (n >= 5 && std::memcmp(buffer + n - 5, kPipeEndMarker, 5) == 0) return PipeLoopEnd::Marker;
      empty = 0;
    }
    ++empty;
  }
  return PipeLoopEnd::EmptyReads;
}

namespace {

bool socketAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

bool isSocketFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

StPipeExchange boxed(PipeOutcome o, const char* text) {
  StPipeExchange e;
  e.outcome = o;
  e.messages.push_back({MessageKind::Error, "ERROR", text});
  return e;
}

}  // namespace

StPipeExchange runPipeExchange(StPipeResults& results, const std::string& path, const std::atomic<bool>& stop,
                               const StPipeTiming& timing) {
  sockaddr_un addr;
  if (!socketAddress(path, addr)) return boxed(PipeOutcome::CreateFailed, kPipeCreateFailed);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return boxed(PipeOutcome::CreateFailed, kPipeCreateFailed);
  if (isSocketFile(path)) ::unlink(path.c_str());  // left by an earlier run
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 1) != 0) {
    ::close(listener);
    return boxed(PipeOutcome::CreateFailed, kPipeCreateFailed);
  }
  auto removeSocket = [&] {
    ::close(listener);
    if (isSocketFile(path)) ::unlink(path.c_str());
  };

  // Wait for the client.
  int client = -1;
  while (client < 0) {
    if (stop.load() || !isSocketFile(path)) {
      removeSocket();
      StPipeExchange e;
      e.outcome = PipeOutcome::Stopped;
      return e;
    }
    pollfd p{listener, POLLIN, 0};
    const int r = ::poll(&p, 1, timing.acceptPollMs);
    if (r < 0 && errno != EINTR) {
      removeSocket();
      return boxed(PipeOutcome::ConnectFailed, kPipeConnectFailed);
    }
    if (r > 0) {
      client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0 && errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
        removeSocket();
        return boxed(PipeOutcome::ConnectFailed, kPipeConnectFailed);
      }
    }
  }

  results.text.clear();
  const PipeRead read = [&](char* buffer, size_t size) -> long {
    if (stop.load()) return -1;
    pollfd p{client, POLLIN, 0};
    const int r = ::poll(&p, 1, timing.readWaitMs);
    if (r <= 0) return 0;
    const ssize_t n = ::read(client, buffer, size);
    if (n <= 0) {
      // The writer has gone: later reads bring nothing either; do not spin.
      if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(timing.readWaitMs / 10));
      return 0;
    }
    return static_cast<long>(n);
  };
  const PipeLoopEnd end = pipeReadLoop(read, results.text);
  ::shutdown(client, SHUT_RDWR);
  ::close(client);
  removeSocket();

  StPipeExchange e;
  if (end == PipeLoopEnd::Marker)
    e.outcome = PipeOutcome::Succeeded;
  else if (end == PipeLoopEnd::Stopped)
    e.outcome = PipeOutcome::Stopped;
  else
    e = boxed(PipeOutcome::Failed, kPipeTransmissionFailed);
  return e;
}

// ---------------------------------------------------------------- fitter side

int connectPipe(const std::string& path, int timeoutMs, int retryMs) {
  sockaddr_un addr;
  if (!socketAddress(path, addr)) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    ::close(fd);
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(retryMs));
  }
}

bool writeAllToPipe(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void closePipe(int fd) {
  if (fd >= 0) ::close(fd);
}

// ---------------------------------------------------------------- starting

namespace {
bool executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}
}  // namespace

std::string findProgram(const std::string& name, const std::string& exeDir) {
  if (name.find('/') != std::string::npos) return name;
  if (!exeDir.empty() && executable(exeDir + "/" + name)) return exeDir + "/" + name;
  if (const char* path = std::getenv("PATH")) {
    std::string all = path;
    size_t start = 0;
    while (start <= all.size()) {
      const size_t end = all.find(':', start);
      const std::string part = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
      const std::string candidate = (part.empty() ? std::string(".") : part) + "/" + name;
      if (executable(candidate)) return candidate;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return name;
}

int spawnDetached(const std::string& program, const std::vector<std::string>& args, bool hideOutput) {
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : all) argv.push_back(s.data());
  argv.push_back(nullptr);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = ::fork();
  if (child < 0) {
    const int e = errno;
    ::close(report[0]);
    ::close(report[1]);
    return e;
  }
  if (child == 0) {
    // The intermediate process: start the program and leave, so that it is
    // adopted and never becomes a zombie of this program.
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
      if (grandchild < 0) {
        const int e = errno;
        (void)!::write(report[1], &e, sizeof e);
      }
      ::_exit(0);
    }
    if (hideOutput) {
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
      }
    }
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
      for (int fd = 3; fd < 1024; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::execv(program.c_str(), argv.data());
    const int e = errno;
    (void)!::write(report[1], &e, sizeof e);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int e = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &e, sizeof e);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  return n == static_cast<ssize_t>(sizeof e) ? e : 0;
}

}  // namespace grainix
