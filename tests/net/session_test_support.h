// Fixtures of the session tests: the session record as the start-up makes
// it, a recording stand-in for the sockets, and a peer process that plays
// the other machine over loopback.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/net_session.h"
#include "net/session_commands.h"
#include "net/session_dispatch.h"
#include "tests/support/basic_string_text.h"

namespace qvl_test {

// The one session object for the test's life, taken down as the shutdown
// does.
struct SessionRecord {
  NetSession* s;
  SessionRecord() {
    s = new NetSession;
    s->init_idle();
    qvl_net_session = s;
  }
  ~SessionRecord() {
    if (!s->stop()) std::_Exit(3);  // a thread that would not end: no clean exit
    qvl_sys_mutex_destroy(&s->lock);
    s->free_lists();
    delete s;
    qvl_net_session = nullptr;
  }
  SessionRecord(const SessionRecord&) = delete;
  SessionRecord& operator=(const SessionRecord&) = delete;
};

// Records every packet the dispatch sends and what it sends to the host;
// fails the sends to the slots in refuse. Each send takes its bytes from
// budget.
struct RecordingSender : SessionSender {
  struct Sent {
    int slot;
    NetPacket packet;
    uint32_t source;
  };
  std::vector<Sent> sent;
  std::vector<NetPacket> to_the_host;
  std::vector<int> refuse;
  int64_t left = INT64_MAX;
  int new_ids = INT32_MAX;  // what the addresses' budgets still allow
  int send(int slot, const NetPacket& packet, uint32_t source) override {
    for (int r : refuse)
      if (r == slot) return -1;
    sent.push_back({slot, packet, source});
    if (left != INT64_MAX) left -= 7 + packet.length;
    return 7 + packet.length;
  }
  void to_host(const NetPacket& packet) override { to_the_host.push_back(packet); }
  int64_t budget() override { return left; }
  bool take_new_id(int) override { return new_ids > 0 && new_ids-- > 0; }
};

inline std::string payload_text(const NetPacket& p) {
  return std::string(reinterpret_cast<const char*>(p.payload), p.length);
}

// The wire bytes of a packet.
inline std::vector<uint8_t> wire(const NetPacket& p) {
  uint8_t out[kPacketMaxWire];
  int n = qvl_net_packet_encode(p, out);
  return std::vector<uint8_t>(out, out + n);
}

// An announcement of a player with that name.
inline NetPacket announcement(uint8_t query, const char* name) {
  NetPacket p = qvl_net_packet(kPacketAnnounce, 0, 0);
  uint8_t payload[kAnnouncementSize];
  qvl_net_announcement_encode(query, name, payload);
  qvl_net_packet_set_payload(p, payload, kAnnouncementSize);
  return p;
}

// The next text for the local player, waiting for it up to 10 s; "<none>"
// when nothing came.
inline std::string next_text(int player) {
  for (int i = 0; i < 2000; ++i) {
    BasicString t = qvl_net_session_next_message(player);
    if (t.length > 0) return str(t);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return "<none>";
}

// The host's next departure, waiting for one up to 10 s; 0 when none came.
inline int next_departure() {
  for (int i = 0; i < 2000; ++i) {
    int id = qvl_net_session_next_left_player();
    if (id != 0) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}

// A line-based pipe end.
struct LineChannel {
  int in = -1;
  int out = -1;
  std::string buffered;

  void write_line(const std::string& line) {
    std::string l = line + "\n";
    for (size_t at = 0; at < l.size();) {
      ssize_t n = ::write(out, l.data() + at, l.size() - at);
      if (n <= 0) return;
      at += static_cast<size_t>(n);
    }
  }
  // The next line without its newline; "<eof>" when the other end closed
  // or nothing came within timeout_ms.
  std::string read_line(int timeout_ms = 30000) {
    for (;;) {
      size_t nl = buffered.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffered.substr(0, nl);
        buffered.erase(0, nl + 1);
        return line;
      }
      pollfd p{in, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) return "<eof>";
      char piece[256];
      ssize_t n = ::read(in, piece, sizeof piece);
      if (n <= 0) return "<eof>";
      buffered.append(piece, static_cast<size_t>(n));
    }
  }
};

// The other machine: a forked process with its own session record that
// runs body and tells the test what it saw, line by line. Fork before this
// process starts any thread of its own.
class PeerProcess {
 public:
  explicit PeerProcess(const std::function<void(LineChannel&)>& body) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(down[1]);
      close(up[0]);
      LineChannel c{down[0], up[1], {}};
      {
        SessionRecord record;
        body(c);
      }
      c.write_line("<done>");
      std::_Exit(0);
    }
    close(down[0]);
    close(up[1]);
    channel_ = LineChannel{up[0], down[1], {}};
  }
  ~PeerProcess() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(channel_.in);
    close(channel_.out);
  }
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  LineChannel& channel() { return channel_; }
  std::string read_line(int timeout_ms = 30000) { return channel_.read_line(timeout_ms); }
  void write_line(const std::string& line) { channel_.write_line(line); }
  void kill9() {
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    reaped_ = true;
  }
  // The exit status, -1 when a signal ended it.
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  LineChannel channel_;
};

}  // namespace qvl_test
