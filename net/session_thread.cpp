// The session thread: announces this machine's new players, reads the
// client connection and, on the host, accepts and reads the joined
// machines' connections, then runs the pass's packets through the dispatch.
//
// Every socket is non-blocking and every connection has its own
// reassembly buffer, so a peer that sends half a packet, or trickles one
// in, never holds the thread: the rest is picked up in a later pass.
#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "net/net_session.h"
#include "net/session_dispatch.h"
#include "net/sockets.h"

namespace {

constexpr int kMaxJoined = 128;
// After a pass that found nothing to do the thread waits this long at most;
// data on any of its connections, a new machine or a wake-up from the main
// thread ends the wait at once.
constexpr int kIdleWaitMs = 10;
// A joined machine that takes nothing for this long while the host sends
// to it loses its connection, rather than holding every other player up.
constexpr int kPeerSendLimitMs = 2000;
// Reads of the client connection in one pass: what waits, but bounded, so
// that a peer sending without pause cannot keep the pass from its packets.
constexpr int kClientReadsPerPass = 256;

int send_packet(int slot, const NetPacket& packet, int idle_limit_ms) {
  uint8_t wire[kPacketMaxWire];
  int n = qvl_net_packet_encode(packet, wire);
  return qvl_net_send(slot, wire, n, nullptr, idle_limit_ms);
}

class SocketSender : public SessionSender {
 public:
  int send(int slot, const NetPacket& packet) override {
    return send_packet(slot, packet, kPeerSendLimitMs);
  }
};

struct Connection {
  int slot = -1;
  PacketAssembler in;
};

struct ReadResult {
  bool active = false;  // bytes came
  bool closed = false;  // the peer closed, or its stream broke
};

// Which connections have something waiting, from one look at all of them.
struct Readiness {
  bool woken = false;  // the main thread asked for a pass
  bool client = false;
  bool server = false;
  int joined_count = 0;  // the connections looked at, from the first
  bool joined[kMaxJoined] = {};
};

class SessionThread {
 public:
  explicit SessionThread(NetSession& s) : s_(s) {}
  void run() {
    open_wake();
    while (pass()) {
    }
    end();
  }

 private:
  void open_wake();
  bool pass();
  void look(int server, bool accept, int timeout_ms);
  bool announce();
  ReadResult read(Connection& c, int max_reads);
  bool serve_joined(int server, bool accept);
  void drop(int index);
  void end();

  NetSession& s_;
  SocketSender sender_;
  Connection client_;
  Connection joined_[kMaxJoined];
  int joined_count_ = 0;
  Readiness ready_;
  bool idle_ = false;  // the last pass found nothing to do
  int wake_fd_ = -1;
  std::vector<int> broken_;
};

void SessionThread::open_wake() {
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  SessionLock hold(s_);
  s_.wake_fd = wake_fd_;
}

// One pass; false when the thread is to end.
bool SessionThread::pass() {
  int server;
  bool accept;
  {
    SessionLock hold(s_);
    if (s_.stop_requested) return false;
    server = s_.server_slot;
    client_.slot = s_.client_slot;
    accept = s_.accept_new != 0;
  }
  bool active = announce();

  // After a pass that found nothing, the look waits for the first event.
  look(server, accept, idle_ && !active ? kIdleWaitMs : 0);
  active |= ready_.woken;
  bool host_gone = false;
  if (ready_.client) {
    ReadResult r = read(client_, kClientReadsPerPass);
    active |= r.active;
    // The host went away: the session is over, once what it sent last has
    // been handed out.
    host_gone = r.closed;
  }
  if (server != -1 && !host_gone) active |= serve_joined(server, accept);

  {
    SessionLock hold(s_);
    broken_.clear();
    const bool any = s_.received.head != nullptr;
    qvl_net_session_dispatch(s_, sender_, broken_);
    // Ids, answers or texts may have come: the main thread looks again.
    if (any) qvl_sys_mutex_wake_all(&s_.lock);
  }
  for (int slot : broken_) {
    for (int i = 0; i < joined_count_; ++i) {
      if (joined_[i].slot == slot) {
        drop(i);
        active = true;
        break;
      }
    }
  }
  idle_ = !active;
  return !host_gone;
}

// One poll over every connection and the main thread's wake-up, waiting up
// to timeout_ms for the first event.
void SessionThread::look(int server, bool accept, int timeout_ms) {
  int slots[kMaxJoined + 2];
  bool ready[kMaxJoined + 3];
  slots[0] = client_.slot;
  // A listener whose machines are not taken now stays readable: left out,
  // or every wait would end at once.
  slots[1] = server != -1 && accept ? server : -1;
  for (int i = 0; i < joined_count_; ++i) slots[2 + i] = joined_[i].slot;
  const int count = 2 + joined_count_;
  if (qvl_net_poll_slots(slots, count, wake_fd_, timeout_ms, ready) < 0) {
    // Not with open descriptors; should it happen, everything is read, as
    // a pass without the look would.
    qvl_sys_thread_sleep(timeout_ms);
    for (int i = 0; i <= count; ++i) ready[i] = true;
  }
  ready_.client = ready[0];
  ready_.server = ready[1];
  ready_.joined_count = joined_count_;
  for (int i = 0; i < joined_count_; ++i) ready_.joined[i] = ready[2 + i];
  ready_.woken = ready[count];
  if (ready_.woken && wake_fd_ >= 0) {
    uint64_t wakes;  // taken, so the next look waits again
    [[maybe_unused]] ssize_t got = ::read(wake_fd_, &wakes, sizeof wakes);
  }
}

// Announces every local player that waits for it; true when one went out.
bool SessionThread::announce() {
  bool any = false;
  SessionLock hold(s_);
  // Searched again from the start after each send: the main thread may
  // remove a player while the lock is free.
  for (;;) {
    NetPlayer* p = nullptr;
    for (ChainNode<NetPlayer>* n = s_.local_players.head; n && !p; n = n->next)
      if (n->payload.id == kPlayerIdUnannounced) p = &n->payload;
    if (!p) return any;
    NetPacket packet = qvl_net_packet(kPacketAnnounce, kPlayerIdHost, kPlayerIdHost);
    uint8_t payload[kAnnouncementSize];
    qvl_net_announcement_encode(p->query, p->name, payload);
    qvl_net_packet_set_payload(packet, payload, kAnnouncementSize);
    p->id = kPlayerIdWaiting;
    int client = s_.client_slot;
    qvl_sys_mutex_unlock(&s_.lock);
    send_packet(client, packet, kNetMaxTimeoutMs);
    qvl_sys_mutex_lock(&s_.lock);
    any = true;
  }
}

ReadResult SessionThread::read(Connection& c, int max_reads) {
  ReadResult r;
  for (int i = 0; i < max_reads; ++i) {
    const int room = c.in.space_size();
    int n = qvl_net_receive(c.slot, c.in.space(), room, false);
    if (n == 0) {
      r.closed = true;
      return r;
    }
    if (n < 0) return r;  // nothing waiting, or an error: the connection stays
    r.active = true;
    c.in.commit(n);
    {
      SessionLock hold(s_);
      if (qvl_net_session_take_packets(s_, c.in, c.slot) < 0) {
        r.closed = true;  // a length no packet can have: the stream is lost
        return r;
      }
    }
    // A read that did not fill the room took all there was; what comes
    // later the next look sees.
    if (n < room) return r;
  }
  return r;
}

// Accepts one joining machine and reads once from every joined connection
// that has something waiting.
bool SessionThread::serve_joined(int server, bool accept) {
  bool active = false;
  if (accept && ready_.server) {
    int slot = qvl_net_tcp_accept(server, nullptr);
    if (slot >= 0) {
      active = true;
      // All places taken: the machine is turned away at once, so its join
      // fails now rather than after a wait.
      if (joined_count_ == kMaxJoined) qvl_net_close(slot);
      else joined_[joined_count_++].slot = slot;
    }
  }
  // A connection accepted just now, or moved into the place of a closed
  // one, was not looked at: it is read in the next pass.
  for (int i = 0; i < ready_.joined_count && i < joined_count_; ++i) {
    if (!ready_.joined[i]) continue;
    ReadResult r = read(joined_[i], 1);
    active |= r.active;
    if (r.closed) {
      drop(i);
      ready_.joined[i] = false;
      active = true;
    }
  }
  return active;
}

void SessionThread::drop(int index) {
  const int slot = joined_[index].slot;
  {
    SessionLock hold(s_);
    qvl_net_session_drop_connection(s_, slot);
  }
  qvl_net_close(slot);
  std::swap(joined_[index], joined_[joined_count_ - 1]);
  joined_[--joined_count_] = Connection();
}

// The thread's last touch of the record is clearing running: after that a
// stop may close, reuse or free everything.
void SessionThread::end() {
  for (int i = 0; i < joined_count_; ++i) qvl_net_close(joined_[i].slot);
  joined_count_ = 0;
  int server, client;
  {
    SessionLock hold(s_);
    server = s_.server_slot;
    client = s_.client_slot;
    s_.server_slot = s_.client_slot = -1;
  }
  if (server != -1) qvl_net_close(server);
  if (client != -1) qvl_net_close(client);
  s_.library_ref.release();
  SessionLock hold(s_);
  s_.wake_fd = -1;
  if (wake_fd_ >= 0) close(wake_fd_);
  s_.stop_requested = 1;
  s_.running = 0;
  qvl_sys_mutex_wake_all(&s_.lock);
}

}  // namespace

int32_t qvl_net_session_thread(void* session) {
  auto* thread = new SessionThread(*static_cast<NetSession*>(session));
  thread->run();
  delete thread;
  return 0;
}
