#pragma once
// Writing a file whole or not at all. The bytes go to a temporary file
// beside the target (".grainix-<pid>-<name>-XXXXXX"), which replaces the
// target by a rename only once everything was written and flushed: a full
// disk, a killed process or a crash never leaves a half file under the
// target's name, and the old content stays until the new one is complete.
//
// What the target is decides how it is written:
// - a symbolic link is written through: the file it finally points to is
//   replaced and the link stays a link;
// - a device, FIFO or socket cannot be replaced: it is written directly;
// - a directory is refused ("Is a directory");
// - a regular file that is replaced keeps its permission bits (and its
//   owner and group where the process may set them); a new file gets
//   0666 less the umask, as an ordinary create would.
// Temporary files of processes that no longer run (a killed earlier run)
// are removed from a folder the first time this process writes into it.
#include <cstddef>
#include <string>
#include <string_view>

namespace grainix {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // an uncommitted file is discarded
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Prepares writing `path`; false (with error()) when it cannot be written.
  bool open(const std::string& path);
  // Appends bytes; false once anything failed (the first failure is kept).
  bool write(const char* data, size_t n);
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  // Flushes and puts the file in place; false (with error()) on any
  // failure, in which case the target is left as it was (a directly
  // written device or FIFO may have received part of the bytes).
  bool commit();
  // Drops what was written; the target stays as it was.
  void discard();

  bool isOpen() const { return fd_ >= 0; }
  // What went wrong, as the system says it ("No space left on device").
  const std::string& error() const { return error_; }
  // The file the bytes go to now: the temporary file, or the target itself
  // when it is written directly.
  const std::string& writingPath() const { return writing_; }

 private:
  void fail(int err);
  void closeFd();

  int fd_ = -1;
  bool direct_ = false;
  bool failed_ = false;
  std::string target_;   // the file that is replaced (links resolved)
  std::string writing_;  // the temporary file, or target_ when direct
  std::string error_;
};

// Writes `text` as the whole content of `path` (see AtomicFile). On failure
// `error` receives the system's reason.
bool writeFileAtomically(const std::string& path, std::string_view text, std::string* error = nullptr);

// Removes from `folder` the temporary files of processes that no longer
// run; returns how many were removed. Files of running processes, of other
// users and anything else are left alone.
int removeStaleTempFiles(const std::string& folder);

// Whether `name` (a file name without folder) is one of this program's
// temporary files; `pid` receives the process that made it.
bool isTempFileName(const std::string& name, long* pid = nullptr);

}  // namespace grainix
