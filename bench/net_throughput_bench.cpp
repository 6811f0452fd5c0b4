// Loopback TCP throughput through the language's socket commands against
// plain blocking POSIX sockets, the same chunk size on both. The commands'
// receiver polls the way a program does: it calls receive again whenever
// nothing is waiting.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_tcp.h"
#include "core/basic_string.h"
#include "net/socket_commands.h"

namespace {

constexpr int kChunk = 64 << 10;
constexpr int64_t kPerIteration = 64 << 20;

void BM_TcpThroughputRawSockets(benchmark::State& state) {
  LoopbackTcp pair(false);
  if (!pair.ok()) {
    state.SkipWithError("no loopback connection");
    return;
  }
  const int client = pair.client;
  const int server = pair.server;
  std::vector<char> out(kChunk, 'r'), in(kChunk);

  for (auto _ : state) {
    std::thread sender([&] {
      for (int64_t sent = 0; sent < kPerIteration;) {
        ssize_t n = send(client, out.data(), kChunk, 0);
        if (n <= 0) return;
        sent += n;
      }
    });
    for (int64_t got = 0; got < kPerIteration;) {
      ssize_t n = recv(server, in.data(), kChunk, 0);
      if (n <= 0) break;
      got += n;
    }
    sender.join();
  }
  state.SetBytesProcessed(state.iterations() * kPerIteration);
}
BENCHMARK(BM_TcpThroughputRawSockets)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TcpThroughputSocketCommands(benchmark::State& state) {
  qvl_net_sock_startup();
  int listener = qvl_net_sock_listen(0);
  int client = qvl_net_sock_connect(BasicString("127.0.0.1"), qvl_net_sock_peer_port(listener), 5000);
  BasicString peer;
  int server = -1;
  for (int i = 0; i < 100000 && server < 0; ++i) server = qvl_net_sock_accept(listener, peer);
  if (client < 0 || server < 0) {
    state.SkipWithError("no loopback connection");
    qvl_net_sock_shutdown();
    return;
  }
  BasicString out(std::string(kChunk, 'q').c_str());
  BasicString in;

  for (auto _ : state) {
    std::thread sender([&] {
      for (int64_t sent = 0; sent < kPerIteration;) {
        int n = qvl_net_sock_send(client, out);
        if (n <= 0) return;
        sent += n;
      }
    });
    for (int64_t got = 0; got < kPerIteration;) {
      int n = qvl_net_sock_receive(server, in, kChunk);
      if (n == -2) continue;
      if (n <= 0) break;
      got += n;
    }
    sender.join();
  }
  state.SetBytesProcessed(state.iterations() * kPerIteration);
  qvl_net_sock_shutdown();
}
BENCHMARK(BM_TcpThroughputSocketCommands)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
