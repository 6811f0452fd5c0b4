// The multiplayer session with a crowd and under a flood, hosted in the
// bench process on loopback: how fast direct texts go between two of the
// host's players with no other players and with 30,000 others (the host
// looks the sender and the target up for every text), and how much memory
// the host takes at most while machines flood one of its players, whose
// program reads nothing, for 10 seconds.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_tcp.h"
#include "bench/session_peer.h"
#include "net/net_session.h"
#include "net/session_commands.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kTextBytes = 64;
constexpr int kTextsPerBatch = 1000;
constexpr int kPlayersPerMachine = 256;

bool send_all(int fd, const Bytes& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return false;
    at += static_cast<size_t>(n);
  }
  return true;
}

// A machine on a loopback address of its own that announces count players
// and reads their ids, the first in *first_id; -1 when that fails.
int machine_with_players(int port, int count, uint16_t* first_id = nullptr) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bench_loopback_source(fd);
  sockaddr_in at = LoopbackTcp::loopback(port);
  const Bytes one = bench_announce_wire("crowd");
  Bytes all;
  for (int i = 0; i < count; ++i) all.insert(all.end(), one.begin(), one.end());
  Bytes ids(size_t{kPacketHeaderSize} * count);
  if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || !send_all(fd, all) ||
      !bench_read_exactly(fd, ids.data(), ids.size())) {
    close(fd);
    return -1;
  }
  if (first_id) *first_id = static_cast<uint16_t>(ids[3] | ids[4] << 8);
  return fd;
}

using HostedSession = BenchHostedSession;

// Batches of 64-byte texts from the host's player a to its player b, all
// taken by b, with the given number of other players in the session,
// announced before a and b (so a list walk would pass them all).
void BM_SessionTextRateAmongPlayers(benchmark::State& state) {
  const int others = static_cast<int>(state.range(0));
  HostedSession session;
  std::vector<int> crowd;
  for (int left = others; session.ok && left > 0; left -= kPlayersPerMachine) {
    const int fd = machine_with_players(session.port, std::min(left, kPlayersPerMachine));
    if (fd < 0) session.ok = false;
    else crowd.push_back(fd);
  }
  const int a = qvl_net_session_add_player(BasicString("a"));
  const int b = qvl_net_session_add_player(BasicString("b"));
  if (!session.ok || a == 0 || b == 0 || qvl_net_session_player_count() != others + 2) {
    state.SkipWithError("no session with that crowd");
  } else {
    const BasicString text(std::string(kTextBytes, 't').c_str());
    for (auto _ : state) {
      int got = 0;
      for (int sent = 0; sent < kTextsPerBatch; ++sent) {
        if (qvl_net_session_send_text(a, b, text) != 1) {
          state.SkipWithError("send failed");
          break;
        }
        while (qvl_net_session_next_message(b).length > 0) ++got;
      }
      while (got < kTextsPerBatch)
        if (qvl_net_session_next_message(b).length > 0) ++got;
    }
    state.SetItemsProcessed(state.iterations() * kTextsPerBatch);
  }
  for (int fd : crowd) close(fd);
}
BENCHMARK(BM_SessionTextRateAmongPlayers)
    ->Arg(0)
    ->Arg(30000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The process's resident memory in MiB: now, or at its peak since the
// peak was last reset.
double rss_mib(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, field, n) == 0) kb = std::atol(line + n + 1);
  std::fclose(f);
  return kb / 1024.0;
}

void reset_peak_rss() {
  FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return;
  std::fputs("5", f);
  std::fclose(f);
}

// For 10 seconds, machine after machine joins and sends zero-length texts
// to the host's player as fast as its socket takes them, each until the
// host drops it; the player's program reads nothing. The counters give
// the process's memory before and at its peak, what the session thread
// held at most, the texts the machines wrote (most of them never read, as
// their machine was dropped), the machines, and the texts still waiting.
void BM_SessionHostMemoryUnderFlood(benchmark::State& state) {
  constexpr double kSeconds = 10;
  for (auto _ : state) {
    HostedSession session;
    if (!session.ok || qvl_net_session_add_player(BasicString("idle")) == 0) {
      state.SkipWithError("no session");
      return;
    }
    const double before = rss_mib("VmRSS:");
    reset_peak_rss();
    std::atomic<long> texts{0};
    int machines = 0;
    const auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    Bytes block;
    const Bytes empty = bench_wire_of(qvl_net_packet(kPacketText, 101, 0));
    while (elapsed() < kSeconds) {
      uint16_t id = 0;
      const int fd = machine_with_players(session.port, 1, &id);
      if (fd < 0) continue;
      ++machines;
      NetPacket text = qvl_net_packet(kPacketText, 101, id);
      const Bytes one = bench_wire_of(text);
      block.clear();
      for (int i = 0; i < 8192; ++i) block.insert(block.end(), one.begin(), one.end());
      timeval limit{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
      while (elapsed() < kSeconds && send_all(fd, block)) texts += 8192;
      close(fd);
    }
    int64_t held;
    int kept;
    {
      SessionLock hold(*qvl_net_session);
      held = qvl_net_session->held_peak;
      kept = qvl_net_session->local_players.front()->messages.count();
    }
    int left = 0;
    while (qvl_net_session_next_left_player() != 0) ++left;
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_peak_MiB"] = rss_mib("VmHWM:");
    state.counters["held_peak_MiB"] = static_cast<double>(held) / (1 << 20);
    state.counters["texts_written"] = static_cast<double>(texts.load());
    state.counters["machines"] = machines;
    state.counters["departures_kept"] = left;
    state.counters["texts_waiting"] = kept;
  }
}
BENCHMARK(BM_SessionHostMemoryUnderFlood)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
