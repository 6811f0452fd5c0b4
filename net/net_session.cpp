// The session's operations on the main thread: hosting, joining, stopping,
// adding players, requests and sends. Waits never hold the lock, and sends
// only queue whole packets for the thread.
#include "net/net_session.h"

#include <cstring>

#include "net/net_resolve.h"
#include "net/sockets.h"
#include "platform/clock.h"

namespace {

constexpr int kConnectTimeoutMs = 5000;
// A player's id and a request's answer are waited for at most 250 times
// 20 ms (about 5 seconds).
constexpr int kAnswerStepMs = 20;
constexpr int kAnswerLimitMs = 250 * kAnswerStepMs;
constexpr int kStopStepMs = 50;
constexpr int kSessionListenBacklog = 128;

// Waits under the lock until done() holds, at most limit_ms; true as soon
// as it holds. The session thread wakes the waiter whenever it hands out
// ids or answers and when it ends, so a wait lasts as long as the answer
// takes; done() is also looked at every step_ms, as a poll would.
template <class Done>
bool wait_until(NetSession& s, int step_ms, int limit_ms, Done done) {
  const double deadline = qvl_os_clock_ms() + limit_ms;
  SessionLock hold(s);
  for (;;) {
    if (done()) return true;
    const double left = deadline - qvl_os_clock_ms();
    if (left <= 0) return false;
    qvl_sys_mutex_wait(&s.lock, left < step_ms ? static_cast<int>(left) + 1 : step_ms);
  }
}

}  // namespace

// --- Starting and stopping ------------------------------------------------------

bool NetSession::stop(int timeout_ms) {
  bool thread_running;
  {
    SessionLock hold(*this);
    if (stopping) return false;
    stopping = 1;
    thread_running = running != 0;
    if (thread_running) stop_requested = 1;
  }
  if (thread_running) {
    wake_thread();
    if (!wait_until(*this, kStopStepMs, timeout_ms, [&] { return running == 0; })) {
      // The thread still owns the sockets: closed now, their slots could go
      // to a socket command while the thread reads them. It closes them
      // and gives the library reference back itself when it ends.
      SessionLock hold(*this);
      stopping = 0;
      return false;
    }
  }

  int server, client;
  {
    SessionLock hold(*this);
    server = server_slot;
    client = client_slot;
    server_slot = client_slot = -1;
  }
  if (server != -1) qvl_net_close(server);
  if (client != -1) qvl_net_close(client);
  library_ref.release();

  SessionLock hold(*this);
  stop_requested = 1;
  query_id = 0;
  running = 0;
  accept_new = 1;
  next_id = kPlayerIdFirst;
  stopping = 0;
  return true;
}

namespace {

// The thread is not running: the lists and slots are the main thread's.
bool reset_for_start(NetSession& s) {
  if (!s.stop()) return false;  // a thread that would not end keeps the record
  {
    SessionLock hold(s);
    s.clear_local();
    s.held_peak = 0;
    s.owed_answers.clear();
    s.remote_players.clear();
    s.left_players.clear();
    s.outbox.clear();  // what the last session could not send
    s.client_backlog = 0;
    s.client_stalled = 0;
    s.server_slot = s.client_slot = -1;
    s.next_id = kPlayerIdFirst;
    s.query_id = 0;
  }
  return s.library_ref.take();
}

bool start_thread(NetSession& s, uint8_t hosting) {
  // The thread gathers the packets for the host into whole writes itself;
  // held back for acknowledgements they would wait up to 40 ms on loopback.
  qvl_net_send_at_once(s.client_slot);
  {
    SessionLock hold(s);
    s.hosting = hosting;
    s.running = 1;
    s.stop_requested = 0;
  }
  if (qvl_sys_thread_create(qvl_net_session_thread, &s, 0) >= 0) return true;
  {
    SessionLock hold(s);
    s.running = 0;
  }
  s.stop();
  return false;
}

int session_port(int port) { return port < 1 ? kSessionDefaultPort : port; }

}  // namespace

bool NetSession::host(int port) {
  port = session_port(port);
  if (!reset_for_start(*this)) return false;
  // Room for every machine of a burst of joins to wait until the thread
  // takes them, rather than be made to try again a second later.
  int server = qvl_net_tcp_listen(port, kSessionListenBacklog);
  if (server < 0) return false;
  {
    SessionLock hold(*this);
    server_slot = server;
  }
  // The host's players travel the same road as everybody else's: over a
  // connection to its own listener.
  int client = qvl_net_tcp_connect(qvl_net_resolve("", port), kConnectTimeoutMs);
  if (client < 0) return false;  // the listener stays until the next stop
  {
    SessionLock hold(*this);
    client_slot = client;
  }
  return start_thread(*this, 1);
}

bool NetSession::join(const char* host_name, int port) {
  port = session_port(port);
  if (!reset_for_start(*this)) return false;
  int client = qvl_net_tcp_connect(qvl_net_resolve(host_name, port), kConnectTimeoutMs);
  if (client < 0) return false;
  {
    SessionLock hold(*this);
    client_slot = client;
  }
  return start_client();
}

bool NetSession::start_client() {
  if (!start_thread(*this, 0)) return false;
  // The request first makes the query player, so the join announces it and
  // waits for its id before the hello goes out.
  NetPacket hello = qvl_net_packet(kPacketHello, 0, 0);
  if (request(hello)) return true;
  stop();
  return false;
}

// --- Players and requests ---------------------------------------------------------

uint16_t NetSession::add_player(const char* name) {
  ChainNode<NetPlayer>* mine;
  {
    SessionLock hold(*this);
    NetPlayer* p = local_players.push_back();
    p->slot = -1;
    p->id = kPlayerIdUnannounced;
    p->query = name ? 0 : 1;
    qvl_net_copy_name(p->name, name ? name : "query");
    p->read_at = qvl_os_clock_ms();
    mine = local_players.tail;
  }
  wake_thread();
  uint16_t id = 0;
  wait_until(*this, kAnswerStepMs, kAnswerLimitMs, [&] {
    if (qvl_net_id_assigned(mine->payload.id)) id = mine->payload.id;
    return id != 0 || !running;
  });
  if (id != 0) return id;
  SessionLock hold(*this);
  // The id may have come just now.
  id = mine->payload.id;
  if (qvl_net_id_assigned(id)) return id;
  if (id == kPlayerIdWaiting && running && keep_placeholder(mine->payload)) return 0;
  erase_local(mine);
  return 0;
}

bool NetSession::keep_placeholder(NetPlayer& p) {
  // The hello goes in the name of a player the host knows: of the query
  // player when there is one, else of any player with an id. Without one
  // the host would not answer it.
  uint16_t asker = 0;
  for (ChainNode<NetPlayer>* n = local_players.head; n && asker != query_id; n = n->next) {
    const NetPlayer& other = n->payload;
    if (!other.placeholder && qvl_net_id_assigned(other.id) && (asker == 0 || other.id == query_id))
      asker = other.id;
  }
  if (asker == 0) return false;
  if (!queue_for_host_locked(qvl_net_packet(kPacketHello, kPlayerIdHost, asker), false)) return false;
  p.placeholder = 1;
  p.marker = owe_answer(kPacketHello, 0, 1);
  return true;
}

bool NetSession::request(NetPacket& packet) {
  if (query_id == 0) query_id = add_player(nullptr);
  if (query_id == 0) return false;
  packet.sender = query_id;
  packet.target = kPlayerIdHost;
  uint32_t ticket;
  {
    SessionLock hold(*this);
    replies.clear();
    if (!queue_for_host_locked(packet, true)) return false;
    ticket = owe_answer(packet.type, 1, 0);
  }
  auto take_reply = [&] {
    if (!replies.head) return false;
    packet = replies.front()->packet;
    replies.pop_front();
    return true;
  };
  bool answered = false;
  wait_until(*this, kAnswerStepMs, kAnswerLimitMs, [&] {
    answered = take_reply();
    // No longer owed: the answer to a later request came first, so none
    // comes for this one.
    return answered || !owes(ticket) || !running;
  });
  if (answered) return true;
  SessionLock hold(*this);
  if (take_reply()) return true;
  // Given up: its answer, should it come after all, is dropped then and
  // not taken for the next request's.
  for (OwedAnswer& owed : owed_answers)
    if (owed.ticket == ticket) owed.awaited = 0;
  return false;
}

uint16_t NetSession::player_count() {
  NetPacket p = qvl_net_packet(kPacketPlayerCount, 0, 0);
  return request(p) ? qvl_net_packet_u16(p) : 0;
}

uint16_t NetSession::player_id_at(uint16_t n) {
  NetPacket p = qvl_net_packet(kPacketPlayerId, 0, 0);
  qvl_net_packet_set_u16(p, n);
  return request(p) ? qvl_net_packet_u16(p) : 0;
}

bool NetSession::player_name(uint16_t id, char* out, int room) {
  NetPacket p = qvl_net_packet(kPacketPlayerName, 0, 0);
  qvl_net_packet_set_u16(p, id);
  if (!request(p) || room < 1) return false;
  int n = p.length < room - 1 ? p.length : room - 1;
  std::memcpy(out, p.payload, static_cast<size_t>(n));
  out[n] = 0;
  return true;
}

bool NetSession::send_text(uint16_t from, uint16_t to, const void* text, int length) {
  if (length < 0 || length > kPacketMaxPayload) return false;  // no packet holds it
  NetPacket p = qvl_net_packet(kPacketText, to, from);
  qvl_net_packet_set_payload(p, text, length);
  return queue_for_host(p);
}

int NetSession::send_remove_player(uint16_t id) {
  SessionLock hold(*this);
  if (!queue_for_host_locked(qvl_net_packet(kPacketRemovePlayer, 0, id), true)) return -1;
  // The player goes from this machine's list at once: the host may hand
  // its id to another player as soon as the removal is in, and texts to
  // that one must not stop here.
  auto it = local_by_id.find(id);
  if (it != local_by_id.end()) {
    if (id == query_id) query_id = 0;
    erase_local(it->second);
  }
  return kPacketHeaderSize;
}

bool NetSession::queue_for_host(const NetPacket& packet) {
  SessionLock hold(*this);
  return queue_for_host_locked(packet, true);
}

bool NetSession::queue_for_host_locked(const NetPacket& packet, bool wait) {
  const int payload = packet.length < kPacketMaxPayload ? packet.length : kPacketMaxPayload;
  const int size = kPacketHeaderSize + payload;
  const double deadline = qvl_os_clock_ms() + (hosting ? kHostSendWaitMs : kSessionStallLimitMs);
  for (;;) {
    if (!running || stop_requested) return false;
    if (outbox.size() + client_backlog + size <= kSessionQueueLimit) break;
    // Full. A host that takes what waits makes room soon: wait for it,
    // as a blocking send would, but never past the point where the host
    // counts as stalled.
    const double left = deadline - qvl_os_clock_ms();
    if (!wait || client_stalled || left <= 0) return false;
    ++room_waiters;
    qvl_sys_mutex_wait(&lock, left < kAnswerStepMs ? static_cast<int>(left) + 1 : kAnswerStepMs);
    --room_waiters;
  }
  // A wake-up is due only for the first packet: the thread takes them all.
  const bool first = outbox.empty();
  outbox.push(packet);
  if (first) wake_thread_locked();
  return true;
}
