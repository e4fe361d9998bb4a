#pragma once
// A process limit on the size of written files: writes beyond it fail as
// they do on a full disk (with "File too large" instead of "No space left
// on device"). The limit and the signal handler are restored at the end.
#include <signal.h>
#include <sys/resource.h>

namespace grainix::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit r = saved_;
    r.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

}  // namespace grainix::testing
