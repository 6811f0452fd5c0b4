// The session thread: announces this machine's new players, reads the
// client connection and, on the host, accepts and reads the joined
// machines' connections, handles each packet as it comes, and writes what
// waits for every connection.
//
// The thread never waits on a peer. Every socket is non-blocking; every
// connection has its own reassembly buffer, so a peer that sends half a
// packet, or trickles one in, holds nobody; and every connection has its
// own queue of whole packets, written as the socket takes them, so a peer
// that stops reading delays nobody else. The host's own client connection
// is the one exception: this thread reads both of its ends, and drains it
// in every pass, so it never backs up and is never dropped. What the
// thread may hold, whose reading it holds back and whom it drops is in
// session_bounds.cpp.
//
// A pass reads the joined connections one after the other, handling what
// each brought at once, and stops once it has queued about kPassBudget
// bytes, counting every copy of a text to everybody as it is queued: the
// rest of such a text waits with its connection's later packets for the
// next pass, and the rest of what the peers sent waits in the sockets (and
// so slows its senders) until the queues were written.
#include "net/session_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "net/sockets.h"
#include "platform/clock.h"

namespace qvl_session {

namespace {

// After a pass that found nothing to do the thread waits this long at most;
// data on any of its connections, room on one with a queue, a new machine
// or a wake-up from the main thread ends the wait at once.
constexpr int kIdleWaitMs = 10;
// Reads of the client connection in one pass: what waits, but bounded, so
// that a peer sending without pause cannot keep the pass from its packets.
constexpr int kClientReadsPerPass = 256;
// Connections accepted in one pass at most: every one that waits, but a
// flood of connects does not hold the pass.
constexpr int kAcceptsPerPass = 1024;
// At the end of a joined machine's session, what its program sent last
// (its players' removals at shutdown) gets this long to go out.
constexpr int kEndFlushMs = 1000;

bool same_address(const NetAddress& a, const NetAddress& b) {
  const size_t bytes = a.family == kNetFamilyIpv6 ? 16 : 4;
  return a.family == b.family && a.port == b.port &&
         std::memcmp(a.address, b.address, bytes) == 0;
}

}  // namespace

int ThreadSender::send(int slot, const NetPacket& packet, uint32_t source) {
  return thread_.queue_for(slot, packet, source);
}
void ThreadSender::to_host(const NetPacket& packet) { thread_.queue_for_host(packet); }
int64_t ThreadSender::budget() { return thread_.budget(); }
bool ThreadSender::take_new_id(int slot) { return thread_.take_new_id(slot); }
bool ThreadSender::make_room(NetPlayer& player, int64_t cost) {
  return thread_.make_room(player, cost);
}

SessionThread::SessionThread(NetSession& s) : s_(s), sender_(*this) {
  for (int16_t& i : index_of_) i = -1;
  client_.source = kClientSource;
}

void SessionThread::run() {
  open_wake();
  while (pass()) {
  }
  // A joined machine asked to stop still sends what its program queued
  // last; a host's queue only went to itself.
  end(stop_asked_ && !hosting_);
}

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
  now_ = qvl_os_clock_ms();
  // Who is read in this pass: asked before the look, which waits for data
  // only where it will be read.
  hold_back();
  // After a pass that found nothing, the look waits for the first event.
  look(server, accept, idle_ ? kIdleWaitMs : 0);
  now_ = qvl_os_clock_ms();
  queued_ = 0;
  own_sent_ = 0;
  behind_ = false;
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
  if (client_readable_ && !client_.held_back) {
    ReadResult r = read(client_, kClientReadsPerPass, false);
    active |= r.active;
    // The host went away: the session is over, once what it sent last has
    // been handed out.
    host_gone = r.closed;
  }
  if (server != -1 && !host_gone) active |= serve_joined(server, accept);
  note_held();
  active |= write_all();
  active |= drain_own();
  active |= check_bounds();
  active |= drop_doomed();
  give_back();
  publish();
  for (int i = 0; i < joined_count_; ++i) active |= joined_[i].waiting && !joined_[i].held_back;
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
    client_.out.push(packet, kProgramSource);
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
  entries[0].want_read = !client_.held_back;
  entries[0].want_write = !client_.out.empty();
  // A listener whose machines are not taken now stays readable: left out,
  // or every wait would end at once.
  entries[1].slot = server != -1 && accept ? server : -1;
  for (int i = 0; i < joined_count_; ++i) {
    entries[2 + i].slot = joined_[i].slot;
    entries[2 + i].want_read = !joined_[i].held_back;
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

// Handles the whole packets waiting in the connection's buffer; a joined
// connection's (budgeted) only while the pass's budget lasts, and none
// behind a text to everybody that waits. False when the stream broke.
bool SessionThread::handle_waiting(Connection& c, bool budgeted) {
  bool intact = true;
  bool handled = false;
  {
    SessionLock hold(s_);
    broken_.clear();
    if (c.fan.active && !c.doomed) qvl_net_session_fan_out(s_, c.fan, sender_, broken_);
    while (!c.fan.active && !c.doomed && (!budgeted || budget() > 0)) {
      const int got = c.in.next(message_.packet);
      if (got == 0) break;
      if (got < 0) {
        intact = false;  // a length no packet can have: the stream is lost
        break;
      }
      message_.origin = c.slot;
      message_.source = c.source;
      qvl_net_session_handle(s_, message_, sender_, broken_, c.fan);
      handled = true;
    }
    c.waiting = intact && !c.doomed && (c.fan.active || c.in.ready());
    // How long the start of a packet has waited without one coming whole.
    // A packet that came whole starts the wait again for what is left.
    if (c.in.pending() == 0 || c.in.ready()) c.unfinished_since = -1;
    else if (handled || c.unfinished_since < 0) c.unfinished_since = now_;
    // Ids, answers or texts may have come: the main thread looks again.
    if (handled) qvl_sys_mutex_wake_all(&s_.lock);
  }
  for (int slot : broken_) doom(slot);
  return intact;
}

ReadResult SessionThread::read(Connection& c, int max_reads, bool budgeted) {
  ReadResult r;
  // A joined machine stops reading its host once a player its program
  // reads is at its bound (the host's own connection is always drained).
  for (int i = 0; i < max_reads && !c.waiting && !c.doomed && (hosting_ || !behind_); ++i) {
    const int room = c.in.space_size();
    int n = qvl_net_receive(c.slot, c.in.space(), room, false);
    if (n == 0) {
      r.closed = true;
      return r;
    }
    if (n < 0) return r;  // nothing waiting, or an error: the connection stays
    r.active = true;
    c.in.commit(n);
    if (!handle_waiting(c, budgeted)) {
      r.closed = true;
      return r;
    }
    // A read that did not fill the room took all there was; what comes
    // later the next look sees.
    if (n < room) return r;
  }
  return r;
}

void SessionThread::add_joined(int slot, bool own, const AddressKey& key) {
  Connection& c = joined_[joined_count_];
  c.slot = slot;
  c.source = next_source_++;
  c.playerless_since = now_;
  c.own = own;
  c.address = key;
  c.counted = !own;
  if (c.counted) addresses_.connected(key, now_);
  qvl_net_send_at_once(slot);  // the queue gathers the writes already
  if (own) {
    own_ = joined_count_;
    SessionLock hold(s_);
    s_.own_slot = slot;
  }
  index_of_[slot] = static_cast<int16_t>(joined_count_++);
}

// Takes every machine that waits to be let in. One that finds every place
// taken, or its address at its number of connections, is turned away at
// once, so its join fails now rather than after a wait.
bool SessionThread::accept_all(int server, bool accept) {
  if (!accept || !server_readable_) return false;
  bool active = false;
  for (int n = 0; n < kAcceptsPerPass; ++n) {
    NetAddress peer;
    int slot = qvl_net_tcp_accept(server, &peer);
    if (slot < 0) break;
    active = true;
    // The host's own client connection comes from its own address and port.
    bool own = false;
    if (own_ < 0 && client_.slot != -1) {
      if (client_local_.family == kNetFamilyNone)
        client_local_ = qvl_net_local_address(client_.slot);
      own = same_address(peer, client_local_);
    }
    const AddressKey key = AddressBook::key_of(peer);
    if (joined_count_ == kMaxJoined || (!own && !addresses_.may_connect(key))) qvl_net_close(slot);
    else add_joined(slot, own, key);
  }
  return active;
}

// Accepts the joining machines, then goes on with what waits from the last
// pass and reads once from every joined connection that has something
// waiting, handling what each read brought, until the pass has queued its
// budget.
bool SessionThread::serve_joined(int server, bool accept) {
  bool active = accept_all(server, accept);
  // A connection accepted just now was not looked at: it is read in the
  // next pass. Places do not change before drop_doomed.
  const int count = looked_at_ < joined_count_ ? looked_at_ : joined_count_;
  for (int k = 0; k < count; ++k) {
    const int i = (next_read_ + k) % count;
    Connection& c = joined_[i];
    if (c.doomed) continue;
    if (budget() <= 0) {
      next_read_ = i;  // the next pass goes on from here
      return active;
    }
    if (c.held_back) {
      // Its reading was not asked for: a readable socket here has failed
      // (the host's own is marked readable when the pass wrote to it).
      if (!c.own && joined_readable_[i]) c.doomed = true;
      continue;
    }
    // A player of this machine's program is at its bound: nothing more
    // from the peers in this pass (what the host's program sends goes on).
    if (behind_ && !c.own) continue;
    if (c.waiting) {
      active = true;
      if (!handle_waiting(c, true)) c.doomed = true;
      if (c.waiting || c.doomed) continue;
    }
    if (!joined_readable_[i]) continue;
    ReadResult r = read(c, 1, true);
    active |= r.active;
    if (r.closed) {
      c.doomed = true;
      active = true;
    }
  }
  return active;
}

int SessionThread::index_of(int slot) const {
  return slot >= 0 && slot < kSocketSlots ? index_of_[slot] : -1;
}

int SessionThread::queue_for(int slot, const NetPacket& packet, uint32_t source) {
  const int index = index_of(slot);
  if (index < 0 || joined_[index].doomed) return -1;  // closed meanwhile
  Connection& c = joined_[index];
  const int size = kPacketHeaderSize + packet.length;
  // The host's own connection is drained in this very pass.
  if (!c.own && c.out.size() + size > kQueueHardLimit) return -1;
  if (c.out.empty()) c.moved_at = now_;
  c.out.push(packet, source, now_);
  queued_ += size;
  return size;
}

bool SessionThread::take_new_id(int slot) {
  const int index = index_of(slot);
  if (index < 0) return false;
  const Connection& c = joined_[index];
  return c.own || addresses_.take_id(c.address, now_);
}

// Writes what the socket takes now: the bytes written, -1 when the
// connection failed.
int SessionThread::write(Connection& c) {
  if (c.out.empty() || !c.may_write) return 0;
  const int n = qvl_net_send_available(c.slot, c.out.data(), c.out.size());
  if (n > 0) {
    c.out.consume(n);
    c.moved_at = now_;
    c.unsent = qvl_net_unsent(c.slot);
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
    ReadResult r = read(client_, kClientReadsPerPass, false);
    if (r.closed) {
      client_failed_ = true;
      break;
    }
    Connection& own = joined_[own_];
    if (own.doomed) break;
    own.may_write = true;  // the read made room
    if (write(own) < 0) own.doomed = true;
  }
  return active;
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
  // Only the queue counts here: the program's sends are refused at once
  // from the moment the host has taken nothing of it for the limit. The
  // host's own connection stops only while a slow machine holds its
  // reading back, which ends when that machine takes more or is dropped.
  const bool host_stalled = !hosting_ && !client_.out.empty() &&
                            now_ - client_.moved_at >= kSessionStallLimitMs;
  SessionLock hold(s_);
  s_.client_backlog = client_.out.size();
  s_.client_stalled = host_stalled ? 1 : 0;
  if (s_.room_waiters > 0) qvl_sys_mutex_wake_all(&s_.lock);
}

void SessionThread::drop(int index) {
  Connection& c = joined_[index];
  const int slot = c.slot;
  {
    SessionLock hold(s_);
    qvl_net_session_drop_connection(s_, slot);
    if (c.own) s_.own_slot = -1;
  }
  if (c.counted) addresses_.disconnected(c.address);
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
  const int index = index_of(slot);
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
    s_.own_slot = -1;
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

}  // namespace qvl_session

int32_t qvl_net_session_thread(void* session) {
  auto* thread = new qvl_session::SessionThread(*static_cast<NetSession*>(session));
  thread->run();
  delete thread;
  return 0;
}
