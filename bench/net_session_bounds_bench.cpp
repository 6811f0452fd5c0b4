// The multiplayer session with a crowd and under a flood, hosted in the
// bench process on loopback: how fast direct texts go between two of the
// host's players with no other players and with 30,000 others (the host
// looks the sender and the target up for every text); how long a burst of
// 100,000 texts to a player read in a tight loop takes to arrive, beside
// the same bytes over plain TCP; and how much memory the host takes at
// most while machines flood one of its players, whose program reads
// nothing, for 10 seconds, and under a swarm of machines that come, flood
// and go.
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
  const Bytes all = bench_repeated(bench_announce_wire("crowd"), count);
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

// A memory benchmark's run: a hosted session with a player ("idle") whose
// program reads nothing, the process's memory before the machines come
// (read before the peak is reset, so the reset starts from it) and the
// time since they began.
struct MemoryRun {
  HostedSession session;
  bool ok = session.ok && qvl_net_session_add_player(BasicString("idle")) != 0;
  double rss_before = 0;
  std::chrono::steady_clock::time_point t0;

  MemoryRun() {
    if (!ok) return;
    rss_before = rss_mib("VmRSS:");
    reset_peak_rss();
    t0 = std::chrono::steady_clock::now();
  }
  double elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  // The counters both give: the memory before and at its peak, what the
  // session thread held at most (held, read by the caller when it is
  // done), and the machines.
  void count(benchmark::State& state, int64_t held, int machines) const {
    state.counters["rss_before_MiB"] = rss_before;
    state.counters["rss_peak_MiB"] = rss_mib("VmHWM:");
    state.counters["held_peak_MiB"] = static_cast<double>(held) / (1 << 20);
    state.counters["machines"] = machines;
  }
};

// For 10 seconds, machine after machine joins and sends zero-length texts
// to the host's player as fast as its socket takes them, each until its
// send has waited a second (the host keeps the player's newest texts and
// slows nobody for a player that is not read); the player's program reads
// nothing. The counters give the process's memory before and at its peak,
// what the session thread held at most, the texts the machines wrote, the
// machines, and the texts still waiting.
void BM_SessionHostMemoryUnderFlood(benchmark::State& state) {
  constexpr double kSeconds = 10;
  for (auto _ : state) {
    MemoryRun run;
    if (!run.ok) {
      state.SkipWithError("no session");
      return;
    }
    std::atomic<long> texts{0};
    int machines = 0;
    while (run.elapsed() < kSeconds) {
      uint16_t id = 0;
      const int fd = machine_with_players(run.session.port, 1, &id);
      if (fd < 0) continue;
      ++machines;
      const Bytes block = bench_repeated(bench_wire_of(qvl_net_packet(kPacketText, 101, id)), 8192);
      timeval limit{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
      while (run.elapsed() < kSeconds && send_all(fd, block)) texts += 8192;
      close(fd);
    }
    const int64_t held = run.session.held_peak();
    int kept;
    {
      SessionLock hold(*qvl_net_session);
      kept = qvl_net_session->local_players.front()->messages.count();
    }
    int left = 0;
    while (qvl_net_session_next_left_player() != 0) ++left;
    run.count(state, held, machines);
    state.counters["texts_written"] = static_cast<double>(texts.load());
    state.counters["departures_kept"] = left;
    state.counters["texts_waiting"] = kept;
  }
}
BENCHMARK(BM_SessionHostMemoryUnderFlood)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The host's program adds a player and removes it again, count times: each
// add waits for the host's id. A removed player leaves the program's list,
// so the thousandth cycle costs what the first did.
void BM_SessionAddRemoveCycles(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    HostedSession session;
    if (!session.ok) {
      state.SkipWithError("no session");
      return;
    }
    for (int i = 0; i < count; ++i) {
      const int id = qvl_net_session_add_player(BasicString("cycle"));
      if (id == 0 || qvl_net_session_remove_player(id) != kPacketHeaderSize) {
        state.SkipWithError("a cycle failed");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SessionAddRemoveCycles)
    ->Arg(20000)
    ->Arg(60000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

constexpr int kBurstTexts = 100000;
constexpr int kBurstTextBytes = 8;

// The wire bytes of kBurstTexts texts of 8 bytes from `from` to `to`.
Bytes burst_of_texts(uint16_t from, uint16_t to) {
  NetPacket text = qvl_net_packet(kPacketText, to, from);
  qvl_net_packet_set_payload(text, "burst...", kBurstTextBytes);
  return bench_repeated(bench_wire_of(text), kBurstTexts);
}

// A machine writes 100,000 texts of 8 bytes at once to a host player whose
// program reads it in a tight loop: the time from the write until the last
// text is read. The host slows the machine to the reader's pace; every
// text arrives.
void BM_SessionBurstToPromptReader(benchmark::State& state) {
  HostedSession session;
  const int reader = qvl_net_session_add_player(BasicString("reader"));
  uint16_t id = 0;
  const int fd = session.ok && reader != 0 ? machine_with_players(session.port, 1, &id) : -1;
  if (fd < 0) {
    state.SkipWithError("no session");
    return;
  }
  const Bytes burst = burst_of_texts(id, static_cast<uint16_t>(reader));
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    std::thread writer([&] { send_all(fd, burst); });
    int got = 0;
    while (got < kBurstTexts &&
           std::chrono::steady_clock::now() - t0 < std::chrono::seconds(60))
      if (qvl_net_session_next_message(reader).length > 0) ++got;
    const auto t1 = std::chrono::steady_clock::now();
    writer.join();
    if (got < kBurstTexts) {
      state.SkipWithError("texts lost");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.SetItemsProcessed(state.iterations() * kBurstTexts);
  close(fd);
}
BENCHMARK(BM_SessionBurstToPromptReader)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same bytes over one plain TCP connection, read in 64 KiB pieces.
void BM_SessionBurstPlainTcp(benchmark::State& state) {
  LoopbackTcp pair(true);
  if (!pair.ok()) {
    state.SkipWithError("no loopback connection");
    return;
  }
  const Bytes burst = burst_of_texts(102, 101);
  std::vector<char> in(64 << 10);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    std::thread writer([&] { send_all(pair.client, burst); });
    for (size_t got = 0; got < burst.size();) {
      ssize_t n = recv(pair.server, in.data(), in.size(), 0);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    const auto t1 = std::chrono::steady_clock::now();
    writer.join();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.SetItemsProcessed(state.iterations() * kBurstTexts);
}
BENCHMARK(BM_SessionBurstPlainTcp)->UseManualTime()->Unit(benchmark::kMillisecond);

// For 10 seconds, rounds of 120 machines, each from an address of its
// own: each joins, writes 64 texts of 1 KB to everybody (as much as its
// socket takes at once), reads nothing, and goes with its round; the host
// player's program reads nothing either. The counters give the process's
// memory before, at its peak and a second after the swarm, what the
// session thread held at most, and the machines.
void BM_SessionHostMemoryUnderSwarm(benchmark::State& state) {
  constexpr double kSeconds = 10;
  constexpr int kRound = 120;
  for (auto _ : state) {
    MemoryRun run;
    if (!run.ok) {
      state.SkipWithError("no session");
      return;
    }
    int machines = 0;
    while (run.elapsed() < kSeconds) {
      std::vector<int> round;
      for (int m = 0; m < kRound && run.elapsed() < kSeconds; ++m) {
        uint16_t id = 0;
        const int fd = machine_with_players(run.session.port, 1, &id);
        if (fd < 0) continue;
        ++machines;
        NetPacket text = qvl_net_packet(kPacketText, kPlayerIdAll, id);
        qvl_net_packet_set_payload(text, std::string(1024, 's').data(), 1024);
        const Bytes block = bench_repeated(bench_wire_of(text), 64);
        [[maybe_unused]] ssize_t n = send(fd, block.data(), block.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        round.push_back(fd);
      }
      for (int fd : round) close(fd);
    }
    // The swarm is gone: what the host gives back.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    run.count(state, run.session.held_peak(), machines);
    state.counters["rss_after_MiB"] = rss_mib("VmRSS:");
    while (qvl_net_session_next_left_player() != 0) {
    }
  }
}
BENCHMARK(BM_SessionHostMemoryUnderSwarm)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
