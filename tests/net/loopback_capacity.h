// How much a loopback TCP connection holds in the kernel's buffers, both
// sides together, before a sender to a reader that never reads is
// refused: what a test or benchmark must send past to make a connection
// really stall. Plain POSIX, for the tests and the benchmarks alike.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

namespace qvl_test {

// The reader's receive buffer is set to receive_buffer before it connects.
inline size_t loopback_capacity(int receive_buffer) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
  listen(listener, 1);
  getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length);
  int reader = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  setsockopt(reader, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  size_t total = 0;
  if (connect(reader, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) {
    int writer = accept(listener, nullptr, nullptr);
    fcntl(writer, F_SETFL, O_NONBLOCK);
    std::vector<char> chunk(1031, 'c');
    // The buffers grow while they are filled: done after a while of no room.
    for (int quiet = 0; quiet < 10; ++quiet) {
      for (ssize_t n; (n = send(writer, chunk.data(), chunk.size(), MSG_NOSIGNAL)) > 0;) {
        total += static_cast<size_t>(n);
        quiet = 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    close(writer);
  }
  close(reader);
  close(listener);
  return total;
}

}  // namespace qvl_test
