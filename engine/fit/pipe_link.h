#pragma once
// The channel from the fitter back to this program: a Unix-domain stream
// socket at <temp folder>/<pipe name>, served by this side (one client),
// read in pieces of 256 bytes until a piece ends with "STOP" and a zero
// byte. The fitter is started before the socket exists and keeps trying to
// connect. Also the fitter's side: connecting and writing.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/command.h"

namespace grainix {

// The exchange record of one compare window.
struct StPipeResults {
  std::string pipeName = "pipe0";
  std::string text;          // the bytes read; only the pipe thread writes it during a run
  void* ownerWnd = nullptr;  // the window the completion event goes to (opaque here)
};

inline constexpr size_t kPipeReadSize = 256;
inline constexpr int kPipeEmptyReads = 10;
inline constexpr char kPipeEndMarker[] = {'S', 'T', 'O', 'P', '\0'};
inline constexpr const char* kPipeCreateFailed = "Couldn't create a pipe";
inline constexpr const char* kPipeConnectFailed = "Connection to pipe failed";
inline constexpr const char* kPipeTransmissionFailed = "Transmission failed";

// One read of at most `size` bytes: > 0 bytes read, 0 a read without data,
// < 0 the exchange was stopped.
using PipeRead = std::function<long(char* buffer, size_t size)>;

enum class PipeLoopEnd { Marker, EmptyReads, Stopped };
// Appends what each read brings to `text`. A read whose last 5 bytes are the
// end marker ends the exchange; a read with data resets the count of empty
// reads; the loop gives up when that count reaches 10.
PipeLoopEnd pipeReadLoop(const PipeRead& read, std::string& text);

struct StPipeTiming {
  int readWaitMs = 500;    // a read that brings nothing within this time is empty
  int acceptPollMs = 100;  // how often the wait for the client looks at the stop flag
};

enum class PipeOutcome { CreateFailed, ConnectFailed, Stopped, Failed, Succeeded };
struct StPipeExchange {
  PipeOutcome outcome = PipeOutcome::Failed;
  std::vector<StMessage> messages;  // the box to show ("ERROR")
  bool endMarker() const { return outcome == PipeOutcome::Succeeded; }
};

// The server's whole exchange: create the socket at `path` (a stale file
// there is removed), wait for the client, reset `results.text`, run the read
// loop, close and remove the socket. `stop` (set by STOP or by closing the
// window), or the socket file disappearing while no client is connected,
// ends it without a box.
StPipeExchange runPipeExchange(StPipeResults& results, const std::string& path, const std::atomic<bool>& stop,
                               const StPipeTiming& timing = {});

// ---- the fitter's side

// Connects to the socket at `path`, trying again every `retryMs` until it
// accepts or `timeoutMs` has passed. The descriptor, or -1.
int connectPipe(const std::string& path, int timeoutMs, int retryMs = 50);
// Writes all bytes in one call sequence; false when the peer has gone.
bool writeAllToPipe(int fd, const std::string& bytes);
void closePipe(int fd);

// ---- starting the fitter

// The program to start: `name` in `exeDir` when it is there and executable,
// else the first match on PATH, else `name` itself (which then fails).
std::string findProgram(const std::string& name, const std::string& exeDir);
// Starts `program` with `args` and does not wait for it (the process is not
// this one's child once started). Descriptors other than the standard three
// are not inherited; `hideOutput` sends its standard streams to /dev/null.
// 0, or the system error number of the failure (2 for a missing program).
int spawnDetached(const std::string& program, const std::vector<std::string>& args, bool hideOutput);

}  // namespace grainix
