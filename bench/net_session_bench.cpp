// The multiplayer session on loopback against plain TCP doing the same
// work in the same run: a request's round trip against a blocking 7-byte
// ping and 9-byte answer, and texts of 64 bytes from one player to another
// against the same packets streamed through a blocking socket.
//
// The session hosts in this process, so every request and text goes out
// over the host's connection to itself and back, as the host's own
// players' do.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_tcp.h"
#include "net/net_session.h"
#include "net/session_commands.h"

namespace {

constexpr int kTextBytes = 64;
constexpr int kTextsPerBatch = 1000;

// A hosted session with two players, 101 and 102, for the benchmark's
// length.
struct HostedSession {
  bool ok = false;
  HostedSession() {
    qvl_net_session = new NetSession;
    qvl_net_session->init_idle();
    ok = qvl_net_session_host(bench_free_port()) == 1 &&
         qvl_net_session_add_player(BasicString("a")) == 101 &&
         qvl_net_session_add_player(BasicString("b")) == 102 &&
         qvl_net_session_player_count() == 2;  // the query player is made here
  }
  ~HostedSession() {
    qvl_net_session->stop();
    qvl_sys_mutex_destroy(&qvl_net_session->lock);
    qvl_net_session->free_lists();
    delete qvl_net_session;
    qvl_net_session = nullptr;
  }
};

bool read_exactly(int fd, char* buffer, size_t n) {
  for (size_t have = 0; have < n;) {
    ssize_t r = recv(fd, buffer + have, n - have, 0);
    if (r <= 0) return false;
    have += static_cast<size_t>(r);
  }
  return true;
}

void BM_SessionRequestLatency(benchmark::State& state) {
  HostedSession session;
  if (!session.ok) {
    state.SkipWithError("no session");
    return;
  }
  for (auto _ : state) {
    if (qvl_net_session_player_count() != 2) {
      state.SkipWithError("request failed");
      break;
    }
  }
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
    while (read_exactly(pair.server, ask, sizeof ask)) send(pair.server, answer, sizeof answer, 0);
  });
  const char ask[7] = {101, 0, 0, 0, 0, 102, 0};
  char answer[9];
  for (auto _ : state) {
    send(pair.client, ask, sizeof ask, 0);
    if (!read_exactly(pair.client, answer, sizeof answer)) {
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
        if (!read_exactly(pair.server, in, 7) || !read_exactly(pair.server, in + 7, kTextBytes))
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

}  // namespace
