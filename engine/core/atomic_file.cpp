#include "engine/core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace grainix {

namespace {

constexpr const char* kTempPrefix = ".grainix-";

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path finally names: symbolic links followed (also one whose
// target does not exist yet, so writing through it creates that target).
// Empty with `err` set for a loop of links.
std::string followLinks(const std::string& path, int& err) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st{};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
    if (n < 0) return p;
    target.resize(static_cast<size_t>(n));
    p = !target.empty() && target[0] == '/' ? target : folderOf(p) + "/" + target;
  }
  err = ELOOP;
  return {};
}

// The process umask without changing it (umask() itself would race with
// other threads creating files).
mode_t currentUmask() {
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        std::fclose(f);
        return static_cast<mode_t>(std::strtol(line + 6, nullptr, 8)) & 0777;
      }
    }
    std::fclose(f);
  }
  return 022;
}

// Stale temporary files are looked for once per folder and process.
void cleanFolderOnce(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> done;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!done.insert(folder).second) return;
  }
  removeStaleTempFiles(folder);
}

}  // namespace

bool isTempFileName(const std::string& name, long* pid) {
  const size_t prefix = std::strlen(kTempPrefix);
  if (name.compare(0, prefix, kTempPrefix) != 0) return false;
  size_t i = prefix;
  long value = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && value < 100000000) value = value * 10 + (name[i++] - '0');
  if (i == prefix || i >= name.size() || name[i] != '-' || value <= 0) return false;
  if (pid) *pid = value;
  return true;
}

int removeStaleTempFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  const long self = static_cast<long>(::getpid());
  while (const dirent* entry = ::readdir(dir)) {
    long pid = 0;
    const std::string name = entry->d_name;
    if (!isTempFileName(name, &pid) || pid == self) continue;
    // A process that still runs (or that we may not signal) keeps its file.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    const std::string path = folder + "/" + name;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::fail(int err) {
  if (!failed_) error_ = std::strerror(err);
  failed_ = true;
}

void AtomicFile::closeFd() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool AtomicFile::open(const std::string& path) {
  discard();
  failed_ = false;
  error_.clear();
  direct_ = false;
  int err = 0;
  target_ = followLinks(path, err);
  if (target_.empty()) {
    fail(err ? err : ENOENT);
    return false;
  }
  struct stat st{};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    fail(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // Devices, FIFOs and sockets are written as they are.
    direct_ = true;
    writing_ = target_;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
      fail(errno);
      return false;
    }
    return true;
  }
  const std::string folder = folderOf(target_);
  cleanFolderOnce(folder);
  // The name keeps the target's name for whoever finds a leftover; it is
  // shortened so the whole stays within a file name's limit.
  std::string name = nameOf(target_).substr(0, 180);
  std::string tmpl = folder + "/" + kTempPrefix + std::to_string(::getpid()) + "-" + name + "-XXXXXX";
  fd_ = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd_ < 0) {
    fail(errno);
    return false;
  }
  writing_ = tmpl;
  if (exists) {
    // The replaced file's permissions, owner and group carry over.
    // (Not allowed for another owner: the group alone may still be set.)
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) (void)!::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
    ::fchmod(fd_, st.st_mode & 07777);
  } else {
    ::fchmod(fd_, 0666 & ~currentUmask());
  }
  return true;
}

bool AtomicFile::write(const char* data, size_t n) {
  if (fd_ < 0) {
    if (!failed_) fail(EBADF);
    return false;
  }
  if (failed_) return false;
  while (n > 0) {
    const ssize_t w = ::write(fd_, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      fail(errno);
      return false;
    }
    if (w == 0) {
      fail(ENOSPC);
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool AtomicFile::commit() {
  if (fd_ < 0) {
    if (!failed_) fail(EBADF);
    return false;
  }
  if (direct_) {
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && !failed_) fail(errno);
    return !failed_;
  }
  // The data reach the disk before the name does, so a crash right after
  // the rename cannot leave an empty file under the target's name.
  if (!failed_ && ::fsync(fd_) != 0 && errno != EINVAL) fail(errno);
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 && !failed_) fail(errno);
  if (!failed_ && ::rename(writing_.c_str(), target_.c_str()) != 0) fail(errno);
  if (failed_) {
    ::unlink(writing_.c_str());
    writing_.clear();
    return false;
  }
  writing_.clear();
  return true;
}

void AtomicFile::discard() {
  if (fd_ < 0) return;
  closeFd();
  if (!direct_ && !writing_.empty()) ::unlink(writing_.c_str());
  writing_.clear();
}

bool writeFileAtomically(const std::string& path, std::string_view text, std::string* error) {
  AtomicFile file;
  const bool ok = file.open(path) && file.write(text) && file.commit();
  if (!ok && error) *error = file.error();
  return ok;
}

}  // namespace grainix
