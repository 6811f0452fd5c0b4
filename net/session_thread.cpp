// The session thread: announces this machine's new players, reads the
// client connection and, on the host, accepts and reads the joined
// machines' connections, runs the pass's packets through the dispatch, and
// writes what waits for every connection.
//
// The thread never waits on a peer. Every socket is non-blocking; every
// connection has its own reassembly buffer, so a peer that sends half a
// packet, or trickles one in, holds nobody; and every connection has its
// own queue of whole packets, written as the socket takes them, so a peer
// that stops reading delays nobody else. Such a peer is dropped once what
// its socket did not take passes kSessionQueueLimit, or has not moved for
// kSessionStallLimitMs. The host's own client connection is the one
// exception: this thread reads both of its ends, and drains it in every
// pass, so it never backs up and is never dropped.
//
// A pass reads the joined connections one after the other, handling what
// each brought at once, and stops reading once it has queued about
// kPassBudget bytes; the rest waits in the sockets (and so slows its
// senders) until the queues were written. So a burst of texts to everybody
// never piles up in memory faster than the sockets take it.
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

#include "net/net_session.h"
#include "net/session_dispatch.h"
#include "net/sockets.h"
#include "platform/clock.h"

namespace {

constexpr int kMaxJoined = 128;
// After a pass that found nothing to do the thread waits this long at most;
// data on any of its connections, room on one with a queue, a new machine
// or a wake-up from the main thread ends the wait at once.
constexpr int kIdleWaitMs = 10;
// Reads of the client connection in one pass: what waits, but bounded, so
// that a peer sending without pause cannot keep the pass from its packets.
constexpr int kClientReadsPerPass = 256;
// At the end of a joined machine's session, what its program sent last
// (its players' removals at shutdown) gets this long to go out.
constexpr int kEndFlushMs = 1000;
// Bytes a pass queues for the joined connections before it reads no more.
constexpr int kPassBudget = 1 << 20;
// No connection but the host's own ever holds more than this, whatever
// one pass brings; the bound proper is looked at after the writes.
constexpr int kQueueHardLimit = 2 * kSessionQueueLimit;

struct Connection {
  int slot = -1;
  PacketAssembler in;
  PacketQueue out;
  // When the queue last moved: bytes went out, or it filled from empty.
  double moved_at = 0;
  // The socket had room at the last look, or its queue was empty then.
  bool may_write = true;
  // On the host: the accepted end of its own client connection.
  bool own = false;
  // To be dropped at the end of the step: closed, broken, stalled or too
  // far behind. It gets nothing more meanwhile.
  bool doomed = false;
};

struct ReadResult {
  bool active = false;  // bytes came
  bool closed = false;  // the peer closed, or its stream broke
};

bool same_address(const NetAddress& a, const NetAddress& b) {
  const size_t bytes = a.family == kNetFamilyIpv6 ? 16 : 4;
  return a.family == b.family && a.port == b.port &&
         std::memcmp(a.address, b.address, bytes) == 0;
}

class SessionThread;

// The dispatch's sends: whole packets into the connections' queues.
class QueueSender : public SessionSender {
 public:
  explicit QueueSender(SessionThread& thread) : thread_(thread) {}
  int send(int slot, const NetPacket& packet) override;

 private:
  SessionThread& thread_;
};

class SessionThread {
 public:
  explicit SessionThread(NetSession& s) : s_(s), sender_(*this) {
    for (int16_t& i : index_of_) i = -1;
  }
  void run() {
    open_wake();
    while (pass()) {
    }
    // A joined machine asked to stop still sends what its program queued
    // last; a host's queue only went to itself.
    end(stop_asked_ && !hosting_);
  }
  // Queues a packet for a joined connection; see QueueSender.
  int queue_for(int slot, const NetPacket& packet);

 private:
  void open_wake();
  bool pass();
  void take_outbox_and_announce();
  void look(int server, bool accept, int timeout_ms);
  ReadResult read(Connection& c, int max_reads);
  bool serve_joined(int server, bool accept);
  void dispatch();
  int write(Connection& c);
  bool write_all();
  bool drain_own();
  bool doom_laggards();
  bool drop_doomed();
  void publish();
  void add_joined(int slot);
  void drop(int index);
  void doom(int slot);
  void flush_client(int limit_ms);
  void end(bool flush);

  NetSession& s_;
  QueueSender sender_;
  Connection client_;
  Connection joined_[kMaxJoined];
  int joined_count_ = 0;
  int16_t index_of_[kSocketSlots];  // a slot's place in joined_, -1 for none
  int own_ = -1;                    // the place of the host's own connection
  NetAddress client_local_ = net_none_address;
  bool client_readable_ = false;
  bool server_readable_ = false;
  bool joined_readable_[kMaxJoined] = {};
  int looked_at_ = 0;    // joined connections the last look covered
  int next_read_ = 0;    // where the reads of the joined connections start
  int queued_ = 0;       // bytes this pass queued for joined connections
  int own_sent_ = 0;     // bytes written to the own connection, not yet read
  bool woken_ = false;   // the main thread asked for a pass
  bool idle_ = false;    // the last pass found nothing to do
  bool client_failed_ = false;  // a send to the host failed
  bool stop_asked_ = false;
  bool hosting_ = false;
  double now_ = 0;
  int wake_fd_ = -1;
  std::vector<int> broken_;
};

int QueueSender::send(int slot, const NetPacket& packet) { return thread_.queue_for(slot, packet); }

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
    hosting_ = s_.hosting != 0;
    if (s_.stop_requested) {
      stop_asked_ = true;
      return false;
    }
    server = s_.server_slot;
    client_.slot = s_.client_slot;
    accept = s_.accept_new != 0;
  }
  // After a pass that found nothing, the look waits for the first event.
  look(server, accept, idle_ ? kIdleWaitMs : 0);
  now_ = qvl_os_clock_ms();
  queued_ = 0;
  own_sent_ = 0;
  bool active = woken_;
  {
    // Taken after the look, so what woke it goes out in this pass.
    SessionLock hold(s_);
    take_outbox_and_announce();
  }
  const int client_sent = write(client_);
  if (client_sent < 0) client_failed_ = true;  // as good as the host closing
  active |= client_sent != 0;
  // On the host that went to its own listener's end: read it in this pass.
  if (client_sent > 0 && own_ >= 0 && own_ < looked_at_) joined_readable_[own_] = true;

  bool host_gone = false;
  if (client_readable_) {
    ReadResult r = read(client_, kClientReadsPerPass);
    active |= r.active;
    // The host went away: the session is over, once what it sent last has
    // been handed out.
    host_gone = r.closed;
  }
  dispatch();
  if (server != -1 && !host_gone) active |= serve_joined(server, accept);
  active |= write_all();
  active |= drain_own();
  active |= doom_laggards();
  active |= drop_doomed();
  publish();
  idle_ = !active;
  return !host_gone && !client_failed_;
}

// Under the lock: the main thread's packets join the client connection's
// queue, behind them the announcements of the players that wait for one.
void SessionThread::take_outbox_and_announce() {
  if (client_.out.empty()) client_.moved_at = now_;
  client_.out.take(s_.outbox);
  for (ChainNode<NetPlayer>* n = s_.local_players.head; n; n = n->next) {
    NetPlayer& p = n->payload;
    if (p.id != kPlayerIdUnannounced) continue;
    NetPacket packet = qvl_net_packet(kPacketAnnounce, kPlayerIdHost, kPlayerIdHost);
    uint8_t payload[kAnnouncementSize];
    qvl_net_announcement_encode(p.query, p.name, payload);
    qvl_net_packet_set_payload(packet, payload, kAnnouncementSize);
    p.id = kPlayerIdWaiting;
    client_.out.push(packet);
  }
  // Counted at once, so the main thread's room never counts these twice.
  s_.client_backlog = client_.out.size();
}

// One poll over every connection and the main thread's wake-up, waiting up
// to timeout_ms for the first event. Room to write is asked for only where
// a queue waits.
void SessionThread::look(int server, bool accept, int timeout_ms) {
  NetPollEntry entries[kMaxJoined + 2];
  entries[0].slot = client_.slot;
  entries[0].want_write = !client_.out.empty();
  // A listener whose machines are not taken now stays readable: left out,
  // or every wait would end at once.
  entries[1].slot = server != -1 && accept ? server : -1;
  for (int i = 0; i < joined_count_; ++i) {
    entries[2 + i].slot = joined_[i].slot;
    entries[2 + i].want_write = !joined_[i].out.empty();
  }
  const int count = 2 + joined_count_;
  woken_ = false;
  if (qvl_net_poll_slots(entries, count, wake_fd_, timeout_ms, &woken_) < 0) {
    // Not with open descriptors; should it happen, everything is tried, as
    // a pass without the look would.
    qvl_sys_thread_sleep(timeout_ms);
    for (int i = 0; i < count; ++i) entries[i].readable = entries[i].writable = true;
    woken_ = true;
  }
  client_readable_ = entries[0].readable;
  client_.may_write = client_.out.empty() || entries[0].writable;
  server_readable_ = entries[1].readable;
  looked_at_ = joined_count_;
  for (int i = 0; i < joined_count_; ++i) {
    joined_readable_[i] = entries[2 + i].readable;
    joined_[i].may_write = joined_[i].out.empty() || entries[2 + i].writable;
  }
  if (woken_ && wake_fd_ >= 0) {
    uint64_t wakes;  // taken, so the next look waits again
    [[maybe_unused]] ssize_t got = ::read(wake_fd_, &wakes, sizeof wakes);
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

void SessionThread::add_joined(int slot) {
  Connection& c = joined_[joined_count_];
  c.slot = slot;
  qvl_net_send_at_once(slot);  // the queue gathers the writes already
  // The host's own client connection comes from its own address and port.
  if (own_ < 0 && client_.slot != -1) {
    if (client_local_.family == kNetFamilyNone) client_local_ = qvl_net_local_address(client_.slot);
    if (same_address(qvl_net_peer_address(slot), client_local_)) {
      c.own = true;
      own_ = joined_count_;
    }
  }
  index_of_[slot] = static_cast<int16_t>(joined_count_++);
}

// Accepts one joining machine and reads once from every joined connection
// that has something waiting, handling what each read brought, until the
// pass has queued its budget.
bool SessionThread::serve_joined(int server, bool accept) {
  bool active = false;
  if (accept && server_readable_) {
    int slot = qvl_net_tcp_accept(server, nullptr);
    if (slot >= 0) {
      active = true;
      // All places taken: the machine is turned away at once, so its join
      // fails now rather than after a wait.
      if (joined_count_ == kMaxJoined) qvl_net_close(slot);
      else add_joined(slot);
    }
  }
  // A connection accepted just now was not looked at: it is read in the
  // next pass. Places do not change before drop_doomed.
  const int count = looked_at_ < joined_count_ ? looked_at_ : joined_count_;
  for (int k = 0; k < count; ++k) {
    const int i = (next_read_ + k) % count;
    Connection& c = joined_[i];
    if (!joined_readable_[i] || c.doomed) continue;
    if (queued_ >= kPassBudget) {
      next_read_ = i;  // the next pass goes on from here
      return active;
    }
    ReadResult r = read(c, 1);
    active |= r.active;
    if (r.active) dispatch();
    if (r.closed) {
      c.doomed = true;
      active = true;
    }
  }
  return active;
}

void SessionThread::dispatch() {
  {
    SessionLock hold(s_);
    broken_.clear();
    const bool any = s_.received.head != nullptr;
    qvl_net_session_dispatch(s_, sender_, broken_);
    // Ids, answers or texts may have come: the main thread looks again.
    if (any) qvl_sys_mutex_wake_all(&s_.lock);
  }
  for (int slot : broken_) doom(slot);
}

int SessionThread::queue_for(int slot, const NetPacket& packet) {
  const int index = slot >= 0 && slot < kSocketSlots ? index_of_[slot] : -1;
  if (index < 0 || joined_[index].doomed) return -1;  // closed meanwhile
  Connection& c = joined_[index];
  const int size = kPacketHeaderSize + packet.length;
  // The host's own connection is drained in this very pass.
  if (!c.own && c.out.size() + size > kQueueHardLimit) return -1;
  if (c.out.empty()) c.moved_at = now_;
  c.out.push(packet);
  queued_ += size;
  return size;
}

// Writes what the socket takes now: the bytes written, -1 when the
// connection failed.
int SessionThread::write(Connection& c) {
  if (c.out.empty() || !c.may_write) return 0;
  const int n = qvl_net_send_available(c.slot, c.out.data(), c.out.size());
  if (n > 0) {
    c.out.consume(n);
    c.moved_at = now_;
    if (c.own) own_sent_ += n;
  }
  // A full socket is not looked at again before the next look says it
  // has room.
  if (!c.out.empty()) c.may_write = false;
  return n;
}

// Writes every queue the sockets take something of; true when bytes went.
bool SessionThread::write_all() {
  bool active = false;
  if (client_.slot != -1) {
    int n = write(client_);
    if (n < 0) client_failed_ = true;
    active |= n != 0;
  }
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    if (c.doomed) continue;
    int n = write(c);
    if (n < 0) c.doomed = true;
    active |= n != 0;
  }
  return active;
}

// On the host: what went out on its own listener's end is read from the
// client connection at once, so the host's players get it in this pass
// and the own connection never backs up, however much was queued for it.
bool SessionThread::drain_own() {
  bool active = false;
  while (own_sent_ > 0 && !client_failed_) {
    own_sent_ = 0;
    active = true;
    ReadResult r = read(client_, kClientReadsPerPass);
    if (r.closed) {
      client_failed_ = true;
      break;
    }
    if (r.active) dispatch();
    Connection& own = joined_[own_];
    if (own.doomed) break;
    own.may_write = true;  // the read made room
    if (write(own) < 0) own.doomed = true;
  }
  return active;
}

// Marks the joined machines that do not keep up: more waits for them than
// their sockets took, or what waits has not moved for the limit.
bool SessionThread::doom_laggards() {
  bool any = false;
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    if (c.own || c.doomed || c.out.empty()) continue;
    if (c.out.size() > kSessionQueueLimit || now_ - c.moved_at >= kSessionStallLimitMs) {
      c.doomed = true;
      any = true;
    }
  }
  return any;
}

bool SessionThread::drop_doomed() {
  bool any = false;
  for (int i = 0; i < joined_count_;) {
    if (!joined_[i].doomed) {
      ++i;
      continue;
    }
    drop(i);  // its place now holds the last connection, looked at next
    any = true;
  }
  return any;
}

// Tells the main thread how much still waits for the host and whether it
// has stalled, and wakes the sends that wait for room.
void SessionThread::publish() {
  SessionLock hold(s_);
  s_.client_backlog = client_.out.size();
  s_.client_stalled =
      !client_.out.empty() && now_ - client_.moved_at >= kSessionStallLimitMs ? 1 : 0;
  if (s_.room_waiters > 0) qvl_sys_mutex_wake_all(&s_.lock);
}

void SessionThread::drop(int index) {
  const int slot = joined_[index].slot;
  {
    SessionLock hold(s_);
    qvl_net_session_drop_connection(s_, slot);
  }
  qvl_net_close(slot);
  index_of_[slot] = -1;
  const int last = joined_count_ - 1;
  if (index != last) {
    std::swap(joined_[index], joined_[last]);
    index_of_[joined_[index].slot] = static_cast<int16_t>(index);
  }
  if (own_ == index) own_ = -1;
  else if (own_ == last) own_ = index;
  joined_[last] = Connection();
  joined_count_ = last;
}

void SessionThread::doom(int slot) {
  const int index = slot >= 0 && slot < kSocketSlots ? index_of_[slot] : -1;
  if (index >= 0) joined_[index].doomed = true;
}

// What the main thread queued for the host before the stop goes out, as
// far as the host takes it within limit_ms.
void SessionThread::flush_client(int limit_ms) {
  const double deadline = qvl_os_clock_ms() + limit_ms;
  for (;;) {
    {
      SessionLock hold(s_);
      client_.out.take(s_.outbox);
    }
    client_.may_write = true;
    if (client_.out.empty() || write(client_) < 0 || client_.out.empty()) return;
    const double left = deadline - qvl_os_clock_ms();
    if (left <= 0) return;
    NetPollEntry e;
    e.slot = client_.slot;
    e.want_write = true;
    if (qvl_net_poll_slots(&e, 1, -1, static_cast<int>(left) + 1, nullptr) < 0) return;
  }
}

// The thread's last touch of the record is clearing running: after that a
// stop may close, reuse or free everything.
void SessionThread::end(bool flush) {
  if (flush && client_.slot != -1 && !client_failed_) flush_client(kEndFlushMs);
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
  s_.client_backlog = 0;
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
