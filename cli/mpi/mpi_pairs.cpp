#include "cli/mpi/mpi_pairs.h"

#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/calc/pair_result.h"

namespace grainix::mpi {

namespace {

CancelToken gStop;
volatile std::sig_atomic_t gSignal = 0;

extern "C" void onStopSignal(int sig) {
  gSignal = sig;
  gStop.request();  // a lock-free atomic store
}

// A signalled rank whose exchange has not completed after this long gives
// up on the others (one of them is gone).
constexpr auto kSignalGrace = std::chrono::seconds(3);
// How often the ranks meet while they count.
constexpr auto kRoundInterval = std::chrono::milliseconds(100);

[[noreturn]] void leaveNow() { std::_Exit(128 + (gSignal ? gSignal : SIGTERM)); }

int rankOf() {
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  return rank;
}

int ranks() {
  int size = 1;
  MPI_Comm_size(MPI_COMM_WORLD, &size);
  return size;
}

// Waits for a non-blocking exchange with short sleeps, so an idle rank
// leaves the cores to the counting threads (a blocking MPI call would spin).
void await(MPI_Request& request) {
  auto sleep = std::chrono::microseconds(200);
  std::chrono::steady_clock::time_point signalled{};
  for (;;) {
    int done = 0;
    MPI_Test(&request, &done, MPI_STATUS_IGNORE);
    if (done) return;
    if (gSignal) {
      const auto now = std::chrono::steady_clock::now();
      if (signalled == std::chrono::steady_clock::time_point{}) signalled = now;
      if (now - signalled > kSignalGrace) leaveNow();
    }
    std::this_thread::sleep_for(sleep);
    sleep = std::min(sleep * 2, std::chrono::microseconds(20000));
  }
}

template <class T>
MPI_Datatype typeOf();
template <>
MPI_Datatype typeOf<int64_t>() { return MPI_INT64_T; }
template <>
MPI_Datatype typeOf<uint64_t>() { return MPI_UINT64_T; }
template <>
MPI_Datatype typeOf<double>() { return MPI_DOUBLE; }

// Broadcasts a vector from rank 0 in pieces an int can count.
template <class T>
void broadcast(std::vector<T>& v) {
  constexpr size_t kPiece = size_t{1} << 26;
  for (size_t at = 0; at < v.size(); at += kPiece) {
    MPI_Request r;
    MPI_Ibcast(v.data() + at, static_cast<int>(std::min(kPiece, v.size() - at)), typeOf<T>(), 0, MPI_COMM_WORLD, &r);
    await(r);
  }
}

// Sends a vector to rank 0 (its length first).
template <class T>
void sendToRoot(const std::vector<T>& v, int tag) {
  int64_t n = static_cast<int64_t>(v.size());
  MPI_Request r;
  MPI_Isend(&n, 1, MPI_INT64_T, 0, tag, MPI_COMM_WORLD, &r);
  await(r);
  if (n == 0) return;
  MPI_Isend(v.data(), static_cast<int>(n), typeOf<T>(), 0, tag, MPI_COMM_WORLD, &r);
  await(r);
}

// On rank 0: the vector rank `from` sends.
template <class T>
std::vector<T> receiveFrom(int from, int tag) {
  int64_t n = 0;
  MPI_Request r;
  MPI_Irecv(&n, 1, MPI_INT64_T, from, tag, MPI_COMM_WORLD, &r);
  await(r);
  std::vector<T> v(static_cast<size_t>(n));
  if (n == 0) return v;
  MPI_Irecv(v.data(), static_cast<int>(n), typeOf<T>(), from, tag, MPI_COMM_WORLD, &r);
  await(r);
  return v;
}

// What rank 0 sends before a job's nodes.
struct JobHeader {
  int64_t end = 0;  // 1: no job follows
  int64_t mode = 0;
  int64_t nodes = 0;
  int64_t modified = 0;  // nodes of the displaced copy (delta sums)
  int64_t firstCount = -1;
  int64_t elementGroups = 0;  // atoms per element follow when three or more
  int64_t threads = 0;
  double rMax = 0;
  double binWidth = 0;
};

void broadcastHeader(JobHeader& h) {
  MPI_Request r;
  MPI_Ibcast(&h, sizeof h, MPI_BYTE, 0, MPI_COMM_WORLD, &r);
  await(r);
}

std::vector<double> coordinates(const vGrainNodes& nodes) {
  std::vector<double> xyz;
  xyz.reserve(3 * nodes.size());
  for (const StGrainNode& g : nodes) xyz.insert(xyz.end(), {g.x, g.y, g.z});
  return xyz;
}

vGrainNodes nodesOf(const std::vector<double>& xyz) {
  vGrainNodes nodes(xyz.size() / 3);
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i].x = xyz[3 * i];
    nodes[i].y = xyz[3 * i + 1];
    nodes[i].z = xyz[3 * i + 2];
  }
  return nodes;
}

// This rank's share of a job, counted on its threads while the ranks meet
// every round; on rank 0 the gathered counts of all ranks.
struct SharedCount {
  StPairRunResult res;
  StPairCounts counts;
  bool stopped = false;  // some rank stopped
  bool refused = false;  // some rank refused
};

SharedCount countShared(int mode, const StCalcPrm& prm, int threads, ProgressSink* gauge) {
  const int rank = rankOf(), size = ranks();
  SharedCount out;
  RecordingProgress local;
  CancelToken cancel;
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  std::thread worker([&] {
    out.res = countPairShare(mode, prm, {rank, size}, out.counts, &local, cancel, threads);
    std::lock_guard<std::mutex> lock(m);
    finished = true;
    cv.notify_all();
  });
  const StPairGaugeScale scale = pairGaugeScale(static_cast<int64_t>(prm.nodes.size()), mode);
  if (gauge) {
    gauge->setMaximum(scale.maximum);
    gauge->setPosition(0);
    gauge->setVisible(true);
  }
  for (;;) {
    bool done = false;
    {
      std::unique_lock<std::mutex> lock(m);
      cv.wait_for(lock, kRoundInterval, [&] { return finished; });
      done = finished;
    }
    if (gStop.requested()) cancel.request();
    // Summed over the ranks: stop requests, ranks still counting, refusals,
    // gauge positions.
    int64_t mine[4] = {gStop.requested() ? 1 : 0, done ? 0 : 1, done && out.res.refused ? 1 : 0,
                       local.position.load()};
    int64_t all[4] = {0, 0, 0, 0};
    MPI_Request r;
    MPI_Iallreduce(mine, all, 4, MPI_INT64_T, MPI_SUM, MPI_COMM_WORLD, &r);
    await(r);
    if (all[0] > 0) {
      cancel.request();
      out.stopped = true;
    }
    out.refused = all[2] > 0;
    if (gauge) gauge->setPosition(std::min(scale.maximum, all[3]));
    if (all[1] == 0) break;
  }
  worker.join();
  if (out.stopped || out.refused) return out;

  // The counts to rank 0: bins, counts and the halves of the 128-bit
  // distance sums as 64-bit integers (a share holds at most a table's bins,
  // so one message carries it); rank 0 adds them up, and integer sums do
  // not depend on the order.
  constexpr int kCountsTag = 1, kSumsTag = 2;
  if (rank != 0) {
    const StPairCounts& c = out.counts;
    std::vector<int64_t> ints{static_cast<int64_t>(c.tables.size()), out.res.pairs, out.res.pairsUndefined};
    ints.insert(ints.end(), c.bins.begin(), c.bins.end());
    for (const auto& t : c.tables) ints.insert(ints.end(), t.begin(), t.end());
    std::vector<uint64_t> sums;
    sums.reserve(4 * c.sumIdeal.size());
    for (const auto* v : {&c.sumIdeal, &c.sumMod}) {
      for (DistanceUnits u : *v) {
        sums.push_back(static_cast<uint64_t>(u));
        sums.push_back(static_cast<uint64_t>(u >> 64));
      }
    }
    sendToRoot(ints, kCountsTag);
    sendToRoot(sums, kSumsTag);
    return out;
  }
  for (int k = 1; k < size; ++k) {
    const std::vector<int64_t> ints = receiveFrom<int64_t>(k, kCountsTag);
    const std::vector<uint64_t> sums = receiveFrom<uint64_t>(k, kSumsTag);
    const auto tables = static_cast<size_t>(ints.at(0));
    out.res.pairs += ints[1];
    out.res.pairsUndefined += ints[2];
    const size_t bins = (ints.size() - 3) / (tables + 1);
    StPairCounts part;
    auto at = ints.begin() + 3;
    part.bins.assign(at, at + static_cast<ptrdiff_t>(bins));
    part.tables.resize(tables);
    for (auto& t : part.tables) {
      at += static_cast<ptrdiff_t>(bins);
      t.assign(at, at + static_cast<ptrdiff_t>(bins));
    }
    if (!sums.empty()) {
      auto units = [&](size_t i) { return DistanceUnits{sums.at(2 * i + 1)} << 64 | sums[2 * i]; };
      for (size_t i = 0; i < bins; ++i) {
        part.sumIdeal.push_back(units(i));
        part.sumMod.push_back(units(bins + i));
      }
    }
    addPairCounts(out.counts, part);
  }
  return out;
}

}  // namespace

CancelToken& stopToken() { return gStop; }
int stopSignal() { return gSignal; }

void installStopHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

StPairRunResult runPairLoopOnRanks(int mode, const StCalcPrm& prm, PdhList& pdh, StIDCalcResults& partial,
                                   ProgressSink* gauge, const CancelToken& cancel, int threads) {
  if (cancel.requested()) gStop.request();
  JobHeader h;
  h.mode = mode;
  h.nodes = static_cast<int64_t>(prm.nodes.size());
  h.modified = mode == 3 ? static_cast<int64_t>(prm.nodesMod.size()) : 0;
  h.firstCount = prm.firstCount;
  h.elementGroups = static_cast<int64_t>(prm.elementCounts.size());
  h.threads = threads;
  h.rMax = prm.rMax;
  h.binWidth = prm.binWidth;
  broadcastHeader(h);
  std::vector<double> xyz = coordinates(prm.nodes);
  broadcast(xyz);
  if (h.modified > 0) {
    std::vector<double> mod = coordinates(prm.nodesMod);
    broadcast(mod);
  }
  if (h.elementGroups > 0) {
    std::vector<int64_t> counts = prm.elementCounts;
    broadcast(counts);
  }
  SharedCount shared = countShared(mode, prm, threads, gauge);
  StPairRunResult res = shared.res;
  if (shared.stopped) {
    gStop.request();  // the chain stops too and writes nothing
    res.terminated = true;
  }
  if (res.terminated || res.refused) {
    if (res.terminated) clearStoppedResult(mode, pdh, partial, gauge);
    if (gauge && res.refused) gauge->setVisible(false);
    return res;
  }
  fillPairResult(mode, prm, occupiedBinsOf(shared.counts), pdh, partial, gauge, res);
  return res;
}

void endJobs() {
  JobHeader h;
  h.end = 1;
  broadcastHeader(h);
}

void serveJobs() {
  for (;;) {
    JobHeader h;
    broadcastHeader(h);
    if (h.end) return;
    std::vector<double> xyz(static_cast<size_t>(3 * h.nodes));
    broadcast(xyz);
    StCalcPrm prm;
    prm.nodes = nodesOf(xyz);
    if (h.modified > 0) {
      std::vector<double> mod(static_cast<size_t>(3 * h.modified));
      broadcast(mod);
      prm.nodesMod = nodesOf(mod);
    }
    if (h.elementGroups > 0) {
      prm.elementCounts.resize(static_cast<size_t>(h.elementGroups));
      broadcast(prm.elementCounts);
    }
    prm.rMax = h.rMax;
    prm.binWidth = h.binWidth;
    prm.firstCount = h.firstCount;
    countShared(static_cast<int>(h.mode), prm, static_cast<int>(h.threads), nullptr);
  }
}

}  // namespace grainix::mpi
