// The session thread: announces this machine's new players, reads the
// client connection and, on the host, accepts and reads the joined
// machines' connections, then runs the pass's packets through the dispatch.
//
// Every socket is non-blocking and every connection has its own
// reassembly buffer, so a peer that sends half a packet, or trickles one
// in, never holds the thread: the rest is picked up in a later pass.
#include <utility>
#include <vector>

#include "net/net_session.h"
#include "net/session_dispatch.h"
#include "net/sockets.h"

namespace {

constexpr int kMaxJoined = 128;
constexpr int kIdleSleepMs = 10;
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

class SessionThread {
 public:
  explicit SessionThread(NetSession& s) : s_(s) {}
  void run() {
    while (pass()) {
    }
    end();
  }

 private:
  bool pass();
  bool announce();
  ReadResult read(Connection& c, int max_reads);
  bool serve_joined(int server);
  void drop(int index);
  void end();

  NetSession& s_;
  SocketSender sender_;
  Connection client_;
  Connection joined_[kMaxJoined];
  int joined_count_ = 0;
  std::vector<int> broken_;
};

// One pass; false when the thread is to end.
bool SessionThread::pass() {
  int server;
  {
    SessionLock hold(s_);
    if (s_.stop_requested) return false;
    server = s_.server_slot;
    client_.slot = s_.client_slot;
  }
  bool active = announce();

  ReadResult r = read(client_, kClientReadsPerPass);
  active |= r.active;
  // The host went away: the session is over, once what it sent last has
  // been handed out.
  const bool host_gone = r.closed;
  if (server != -1 && !host_gone) active |= serve_joined(server);

  {
    SessionLock hold(s_);
    broken_.clear();
    qvl_net_session_dispatch(s_, sender_, broken_);
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
  if (host_gone) return false;
  if (!active) qvl_sys_thread_sleep(kIdleSleepMs);
  return true;
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
    int n = qvl_net_receive(c.slot, c.in.space(), c.in.space_size(), false);
    if (n == 0) {
      r.closed = true;
      return r;
    }
    if (n < 0) return r;  // nothing waiting, or an error: the connection stays
    r.active = true;
    c.in.commit(n);
    SessionLock hold(s_);
    if (qvl_net_session_take_packets(s_, c.in, c.slot) < 0) {
      r.closed = true;  // a length no packet can have: the stream is lost
      return r;
    }
  }
  return r;
}

// Accepts one joining machine and reads every joined connection once.
bool SessionThread::serve_joined(int server) {
  bool active = false;
  bool accept = false;
  {
    SessionLock hold(s_);
    accept = s_.accept_new != 0;
  }
  if (accept) {
    int slot = qvl_net_tcp_accept(server, nullptr);
    if (slot >= 0) {
      active = true;
      // All places taken: the machine is turned away at once, so its join
      // fails now rather than after a wait.
      if (joined_count_ == kMaxJoined) qvl_net_close(slot);
      else joined_[joined_count_++].slot = slot;
    }
  }
  for (int i = 0; i < joined_count_;) {
    ReadResult r = read(joined_[i], 1);
    active |= r.active;
    if (r.closed) {
      drop(i);  // the last connection moves into place i and is read next
      active = true;
      continue;
    }
    ++i;
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
  s_.stop_requested = 1;
  s_.running = 0;
}

}  // namespace

int32_t qvl_net_session_thread(void* session) {
  auto* thread = new SessionThread(*static_cast<NetSession*>(session));
  thread->run();
  delete thread;
  return 0;
}
