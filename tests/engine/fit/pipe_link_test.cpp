#include "engine/fit/pipe_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace grainix {
namespace {

namespace fs = std::filesystem;

// Reads given one by one; an empty string is a read without data.
struct ScriptedReads {
  std::vector<std::string> reads;
  size_t next = 0;
  long operator()(char* buffer, size_t size) {
    if (next >= reads.size()) return 0;
    const std::string& r = reads[next++];
    EXPECT_LE(r.size(), size);
    std::copy(r.begin(), r.end(), buffer);
    return static_cast<long>(r.size());
  }
};

const std::string kMarker("STOP\0", 5);

TEST(PipeReadLoop, EndMarkerAndEmptyReads) {
  struct Case {
    std::vector<std::string> reads;
    PipeLoopEnd end;
    size_t readsTaken;
  } cases[] = {
      // The marker at the end of a read ends the exchange at once.
      {{"0 success 0\n", "", "1 0.5\n" + kMarker, "ignored"}, PipeLoopEnd::Marker, 3},
      // "STOP" split across two reads is not recognised.
      {{"0 x 0\nST", std::string("OP\0", 3)}, PipeLoopEnd::EmptyReads, 2 + 9},
      // The marker in the middle of a read is not the end.
      {{kMarker + "more"}, PipeLoopEnd::EmptyReads, 1 + 9},
      // Nothing at all: ten empty reads.
      {{}, PipeLoopEnd::EmptyReads, 10},
      // Data resets the count: 5 empty, data, then 9 more.
      {{"", "", "", "", "", "a"}, PipeLoopEnd::EmptyReads, 6 + 9},
  };
  for (const Case& c : cases) {
    ScriptedReads s{c.reads};
    size_t calls = 0;
    std::string text;
    const PipeLoopEnd end = pipeReadLoop(
        [&](char* b, size_t n) {
          ++calls;
          return s(b, n);
        },
        text);
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(calls, c.readsTaken);
  }
  std::string text = "old";
  EXPECT_EQ(pipeReadLoop([](char*, size_t) { return -1L; }, text), PipeLoopEnd::Stopped);
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("grainix-pipe-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

TEST(PipeExchange, ClientStartedBeforeTheServerDeliversItsText) {
  TempDir dir;
  const std::string path = (dir.path / "pipe0").string();
  // A long text crosses many 256-byte reads.
  std::string body;
  for (int i = 0; i < 100; ++i) body += "0 6 1 2 3 4 5 6\n";
  std::thread client([&] {
    const int fd = connectPipe(path, 5000, 10);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(writeAllToPipe(fd, body + kMarker));
    closePipe(fd);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  StPipeResults res;
  res.text = "previous run";
  std::atomic<bool> stop{false};
  const StPipeExchange e = runPipeExchange(res, path, stop, {200, 20});
  client.join();
  EXPECT_EQ(e.outcome, PipeOutcome::Succeeded);
  EXPECT_TRUE(e.messages.empty());
  EXPECT_EQ(res.text, body + kMarker);
  EXPECT_FALSE(fs::exists(path));
}

TEST(PipeExchange, SilentClientEndsInTransmissionFailed) {
  TempDir dir;
  const std::string path = (dir.path / "pipe0").string();
  std::atomic<bool> release{false};
  std::thread client([&] {
    const int fd = connectPipe(path, 5000, 10);
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    closePipe(fd);
  });
  StPipeResults res;
  std::atomic<bool> stop{false};
  const auto t0 = std::chrono::steady_clock::now();
  const StPipeExchange e = runPipeExchange(res, path, stop, {20, 10});
  const auto took = std::chrono::steady_clock::now() - t0;
  release = true;
  client.join();
  EXPECT_EQ(e.outcome, PipeOutcome::Failed);
  ASSERT_EQ(e.messages.size(), 1u);
  EXPECT_EQ(e.messages[0].text, "Transmission failed");
  EXPECT_EQ(e.messages[0].title, "ERROR");
  // Ten reads that each waited their time, not more.
  EXPECT_GE(took, std::chrono::milliseconds(10 * 20));
}

TEST(PipeExchange, StopOrRemovedSocketEndsTheWaitWithoutABox) {
  TempDir dir;
  const std::string path = (dir.path / "pipe0").string();
  StPipeResults res;
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    stop = true;
  });
  StPipeExchange e = runPipeExchange(res, path, stop, {20, 10});
  stopper.join();
  EXPECT_EQ(e.outcome, PipeOutcome::Stopped);
  EXPECT_TRUE(e.messages.empty());

  stop = false;
  std::thread remover([&] {
    while (!fs::exists(path)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    fs::remove(path);  // what STOP does to the pipe's name
  });
  e = runPipeExchange(res, path, stop, {20, 10});
  remover.join();
  EXPECT_EQ(e.outcome, PipeOutcome::Stopped);
}

TEST(PipeExchange, UnusablePathCannotBeCreated) {
  StPipeResults res;
  std::atomic<bool> stop{false};
  for (const std::string& path : {std::string("/no/such/folder/pipe0"), "/tmp/" + std::string(200, 'p')}) {
    const StPipeExchange e = runPipeExchange(res, path, stop, {20, 10});
    EXPECT_EQ(e.outcome, PipeOutcome::CreateFailed) << path;
    ASSERT_EQ(e.messages.size(), 1u);
    EXPECT_EQ(e.messages[0].text, "Couldn't create a pipe");
  }
  EXPECT_EQ(connectPipe("/no/such/folder/pipe0", 30, 10), -1);
}

TEST(Spawn, StartsDetachedOrReportsTheSystemError) {
  EXPECT_EQ(spawnDetached("/no/such/fitworker", {"-p", "x"}, true), 2);
  EXPECT_EQ(findProgram("grainix-no-such-program", "/nonexistent"), "grainix-no-such-program");
  EXPECT_EQ(findProgram("sh", "/nonexistent").back(), 'h');

  TempDir dir;
  const fs::path out = dir.path / "out.txt";
  ASSERT_EQ(spawnDetached(findProgram("sh", ""), {"-c", "echo started > '" + out.string() + "'"}, true), 0);
  for (int i = 0; i < 200 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ifstream in(out);
  std::string word;
  in >> word;
  EXPECT_EQ(word, "started");
}

}  // namespace
}  // namespace grainix
