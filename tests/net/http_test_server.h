// A one-connection HTTP server on loopback for the client's tests: it takes
// one request, answers with the given pieces (flushed one by one) and then
// closes the connection, resets it, or stalls until the client gives up.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/net_test_support.h"

namespace qvl_test {

class TestHttpServer {
 public:
  enum class End { close, reset, stall };

  explicit TestHttpServer(std::vector<std::string> pieces, End end = End::close)
      : pieces_(std::move(pieces)), end_(end) {
    listener_ = plain_listener(&port_);
    thread_ = std::thread([this] { serve(); });
  }
  ~TestHttpServer() {
    join();
    close(listener_);
  }

  int port() const { return port_; }
  // What the client sent, once the exchange is over.
  const std::string& request() {
    join();
    return request_;
  }

 private:
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  // Bounded waits everywhere: a client that never comes ends the server.
  static bool wait(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, ms) == 1;
  }

  void serve() {
    if (!wait(listener_, POLLIN, 10000)) return;
    int fd = accept(listener_, nullptr, nullptr);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char buffer[4096];
    while (request_.find("\r\n\r\n") == std::string::npos && wait(fd, POLLIN, 10000)) {
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request_.append(buffer, static_cast<size_t>(n));
    }
    for (const std::string& piece : pieces_) {
      send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (end_ == End::stall) {
      // Until the client closes its end.
      while (wait(fd, POLLIN, 10000) && recv(fd, buffer, sizeof buffer, 0) > 0) {
      }
    } else if (end_ == End::reset) {
      linger abort{1, 0};  // the close sends a reset instead of the end of the stream
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    close(fd);
  }

  std::vector<std::string> pieces_;
  End end_;
  int listener_ = -1;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

}  // namespace qvl_test
