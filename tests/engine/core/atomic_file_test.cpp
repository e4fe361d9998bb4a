// Files are put in place whole or not at all, and what the target is
// (link, device, FIFO, folder, a file with its own mode) is respected.
#include "engine/core/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/engine/core/file_size_limit.h"

namespace grainix {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "grainix-atomic-XXXXXX").string();
    dir = ::mkdtemp(tmpl.data());
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string file(const std::string& name) const { return dir + "/" + name; }
  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  // Names in the folder that are temporary files of this program.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
      if (isTempFileName(e.path().filename().string())) out.push_back(e.path().filename().string());
    return out;
  }
  std::string dir;
};

using testing::FileSizeLimit;

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileWhole) {
  const std::string path = file("nodes.ndl");
  put(path, "old content\n");
  const std::string big(256 * 1024, 'x');
  std::string error;
  {
    FileSizeLimit limit(64 * 1024);
    EXPECT_FALSE(writeFileAtomically(path, big, &error));
  }
  EXPECT_EQ(error, "File too large");
  EXPECT_EQ(slurp(path), "old content\n");
  EXPECT_TRUE(leftovers().empty());
  // Dropped without commit: nothing changes either.
  {
    AtomicFile f;
    ASSERT_TRUE(f.open(path));
    ASSERT_TRUE(f.write("half"));
    EXPECT_EQ(leftovers().size(), 1u);
  }
  EXPECT_EQ(slurp(path), "old content\n");
  EXPECT_TRUE(leftovers().empty());
  ASSERT_TRUE(writeFileAtomically(path, big));
  EXPECT_EQ(slurp(path), big);
}

TEST_F(AtomicFileTest, LinksAreWrittenThroughAndModesKept) {
  fs::create_directory(file("data"));
  put(file("data/real.ini"), "old");
  ::chmod(file("data/real.ini").c_str(), 0640);
  fs::create_symlink("data/real.ini", file("link.ini"));   // relative
  fs::create_symlink(file("link.ini"), file("link2.ini"));  // a link to a link
  fs::create_symlink("data/new.ini", file("dangling.ini"));
  ASSERT_TRUE(writeFileAtomically(file("link2.ini"), "new"));
  EXPECT_TRUE(fs::is_symlink(file("link.ini")));
  EXPECT_TRUE(fs::is_symlink(file("link2.ini")));
  EXPECT_EQ(slurp(file("data/real.ini")), "new");
  EXPECT_EQ(fs::status(file("data/real.ini")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A link to a file that does not exist yet creates that file.
  ASSERT_TRUE(writeFileAtomically(file("dangling.ini"), "made"));
  EXPECT_TRUE(fs::is_symlink(file("dangling.ini")));
  EXPECT_EQ(slurp(file("data/new.ini")), "made");
  // A new file gets the usual mode of a created file (0666 less the umask).
  const mode_t mask = ::umask(022);
  ::umask(mask);
  ASSERT_TRUE(writeFileAtomically(file("fresh"), "x"));
  struct stat st{};
  ASSERT_EQ(::stat(file("fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(AtomicFileTest, DevicesAndFifosAreWrittenDirectlyAndFoldersRefused) {
  const std::string fifo = file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = slurp(fifo); });
  std::string error;
  EXPECT_TRUE(writeFileAtomically(fifo, "through the pipe", &error)) << error;
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A device of its own (the null device's numbers), where the system allows one.
  const std::string device = file("null");
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_TRUE(writeFileAtomically(device, "gone"));
    EXPECT_TRUE(fs::is_character_file(device));
  }
  if (fs::exists("/dev/full")) {
    EXPECT_FALSE(writeFileAtomically("/dev/full", "x", &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
  }

  fs::create_directory(file("folder"));
  EXPECT_FALSE(writeFileAtomically(file("folder"), "x", &error));
  EXPECT_EQ(error, "Is a directory");
  EXPECT_TRUE(fs::is_directory(file("folder")));
  EXPECT_FALSE(writeFileAtomically(file("no/such/folder/f"), "x", &error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(AtomicFileTest, LeftoversOfDeadProcessesAreRemovedOnTheNextWrite) {
  // A process that has ended: its id is free (until the system reuses it).
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = ".grainix-" + std::to_string(child) + "-grain.ndl-AbC123";
  const std::string oldStyle = ".grainix-" + std::to_string(child) + "-grain.his";
  const std::string alive = ".grainix-" + std::to_string(::getppid()) + "-other.ndl-XyZ789";
  const std::string mine = ".grainix-" + std::to_string(::getpid()) + "-mine.ndl-QwE456";
  for (const auto& n : {dead, oldStyle, alive, mine}) put(file(n), "partial");
  put(file(".grainix-notanumber-x"), "kept");
  put(file("grainix-1-x"), "kept");

  ASSERT_TRUE(writeFileAtomically(file("out.his"), "data"));
  EXPECT_FALSE(fs::exists(file(dead)));
  EXPECT_FALSE(fs::exists(file(oldStyle)));
  EXPECT_TRUE(fs::exists(file(alive)));  // its process still runs
  EXPECT_TRUE(fs::exists(file(mine)));   // this process's own
  EXPECT_TRUE(fs::exists(file(".grainix-notanumber-x")));
  EXPECT_TRUE(fs::exists(file("grainix-1-x")));
}

}  // namespace
}  // namespace grainix
