// The multiplayer session on loopback against plain TCP doing the same
// work in the same run: a request's round trip against a blocking 7-byte
// ping and 9-byte answer, and texts of 64 bytes from one player to another
// against the same packets streamed through a blocking socket. Then the
// latency of one text between two players, on a quiet session and while
// 30 joined machines have stopped reading with more waiting for each than
// their sockets hold.
//
// The session hosts in this process, so every request and text goes out
// over the host's connection to itself and back, as the host's own
// players' do.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_tcp.h"
#include "bench/session_peer.h"
#include "net/net_session.h"
#include "net/session_commands.h"
#include "net/session_thread.h"

namespace {

constexpr int kTextBytes = 64;
constexpr int kTextsPerBatch = 1000;

// A hosted session with two players, 101 and 102, for the benchmark's
// length.
struct HostedSession : BenchHostedSession {
  HostedSession() {
    ok = ok && qvl_net_session_add_player(BasicString("a")) == 101 &&
         qvl_net_session_add_player(BasicString("b")) == 102 &&
         qvl_net_session_player_count() == 2;  // the query player is made here
  }
};

// Runs step once per iteration on a hosted session; a step that fails
// ends the run.
template <class Step>
void on_hosted_session(benchmark::State& state, Step step) {
  HostedSession session;
  if (!session.ok) {
    state.SkipWithError("no session");
    return;
  }
  for (auto _ : state) {
    if (!step()) {
      state.SkipWithError("a request or text failed");
      break;
    }
  }
}

void BM_SessionRequestLatency(benchmark::State& state) {
  on_hosted_session(state, [] { return qvl_net_session_player_count() == 2; });
}
BENCHMARK(BM_SessionRequestLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_RawTcpPingPongLatency(benchmark::State& state) {
  LoopbackTcp pair(true);
  if (!pair.ok()) {
    state.SkipWithError("no loopback connection");
    return;
  }
  std::thread answerer([&] {
    char ask[7];
    const char answer[9] = {101, 2, 0, 0, 0, 0, 0, 2, 0};
    while (bench_read_exactly(pair.server, ask, sizeof ask)) send(pair.server, answer, sizeof answer, 0);
  });
  const char ask[7] = {101, 0, 0, 0, 0, 102, 0};
  char answer[9];
  for (auto _ : state) {
    send(pair.client, ask, sizeof ask, 0);
    if (!bench_read_exactly(pair.client, answer, sizeof answer)) {
      state.SkipWithError("connection lost");
      break;
    }
  }
  shutdown(pair.client, SHUT_RDWR);
  answerer.join();
}
BENCHMARK(BM_RawTcpPingPongLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A batch of texts from 101 to 102, all taken by the receiving player.
void BM_SessionTextThroughput(benchmark::State& state) {
  HostedSession session;
  if (!session.ok) {
    state.SkipWithError("no session");
    return;
  }
  const BasicString text(std::string(kTextBytes, 't').c_str());
  for (auto _ : state) {
    int got = 0;
    for (int sent = 0; sent < kTextsPerBatch; ++sent) {
      if (qvl_net_session_send_text(101, 102, text) != 1) {
        state.SkipWithError("send failed");
        return;
      }
      while (qvl_net_session_next_message(102).length > 0) ++got;
    }
    while (got < kTextsPerBatch) {
      if (qvl_net_session_next_message(102).length > 0) ++got;
    }
  }
  state.SetItemsProcessed(state.iterations() * kTextsPerBatch);
  state.SetBytesProcessed(state.iterations() * kTextsPerBatch * kTextBytes);
}
BENCHMARK(BM_SessionTextThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same packets through one blocking connection, the reader taking
// them one header and payload at a time.
void BM_RawTcpTextThroughput(benchmark::State& state) {
  LoopbackTcp pair(true);
  if (!pair.ok()) {
    state.SkipWithError("no loopback connection");
    return;
  }
  std::vector<char> packet(7 + kTextBytes, 't');
  const char header[7] = {3, kTextBytes, 0, 102, 0, 101, 0};
  std::copy(header, header + 7, packet.begin());
  for (auto _ : state) {
    std::thread reader([&] {
      char in[7 + kTextBytes];
      for (int i = 0; i < kTextsPerBatch; ++i) {
        if (!bench_read_exactly(pair.server, in, 7) || !bench_read_exactly(pair.server, in + 7, kTextBytes))
          return;
      }
    });
    for (int i = 0; i < kTextsPerBatch; ++i) send(pair.client, packet.data(), packet.size(), 0);
    reader.join();
  }
  state.SetItemsProcessed(state.iterations() * kTextsPerBatch);
  state.SetBytesProcessed(state.iterations() * kTextsPerBatch * kTextBytes);
}
BENCHMARK(BM_RawTcpTextThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

// One text from 101 to 102, until 102 has it.
bool text_round(const BasicString& text) {
  if (qvl_net_session_send_text(101, 102, text) != 1) return false;
  while (qvl_net_session_next_message(102).length == 0) {
  }
  return true;
}

void BM_SessionTextLatency(benchmark::State& state) {
  const BasicString text(std::string(kTextBytes, 't').c_str());
  on_hosted_session(state, [&] { return text_round(text); });
}
BENCHMARK(BM_SessionTextLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A joined machine that announced one player and then reads nothing, its
// receive window kept small.
struct SilentMachine {
  static constexpr int kWindow = 4096;
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  explicit SilentMachine(int port) {
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kWindow, sizeof kWindow);
    bench_loopback_source(fd);
    sockaddr_in at = LoopbackTcp::loopback(port);
    const std::vector<uint8_t> announce = bench_announce_wire("silent");
    const auto n = static_cast<ssize_t>(announce.size());
    char id[kPacketHeaderSize];
    ok_ = connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
          send(fd, announce.data(), announce.size(), 0) == n && bench_read_exactly(fd, id, sizeof id);
  }
  ~SilentMachine() { close(fd); }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The same text while 30 machines stall: texts to everybody fill their
// sockets and leave more waiting at the host, a quarter of what would make
// the host hold their sender back. The host drops a machine whose queue
// has not moved for 2 s, so the measured texts are few, all within that
// time.
void BM_SessionTextLatencyWhile30Stall(benchmark::State& state) {
  constexpr int kStalled = 30;
  HostedSession session;
  std::vector<std::unique_ptr<SilentMachine>> silent;
  for (int i = 0; session.ok && i < kStalled; ++i) {
    silent.push_back(std::make_unique<SilentMachine>(session.port));
    if (!silent.back()->ok()) session.ok = false;
  }
  if (!session.ok) {
    state.SkipWithError("no session");
    return;
  }
  // Texts go out until the host holds them for every machine: how much
  // the machines' sockets take varies with the kernel's buffer tuning.
  const int64_t waiting = int64_t{kStalled} * (qvl_session::kReceiverHoldLimit / 4);
  const BasicString big(std::string(1024, 'f').c_str());
  for (int64_t held = 0; held < waiting;) {
    if (qvl_net_session_send_text(101, 0, big) != 1) {
      state.SkipWithError("fill failed");
      return;
    }
    while (qvl_net_session_next_message(102).length > 0) {
    }
    // Answered once the host has handled every text before it.
    if (qvl_net_session_player_count() != 2 + kStalled) {
      state.SkipWithError("the machines left early");
      return;
    }
    held = session.held_peak();
  }
  while (qvl_net_session_next_message(102).length > 0) {
  }
  const BasicString text(std::string(kTextBytes, 't').c_str());
  for (auto _ : state) {
    if (!text_round(text)) {
      state.SkipWithError("send failed");
      break;
    }
  }
  state.counters["left"] = qvl_net_session_next_left_player() != 0;  // 0: all stalled throughout
}
BENCHMARK(BM_SessionTextLatencyWhile30Stall)
    ->Iterations(2000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
