// The multiplayer session: one machine hosts, the others join; every
// machine, the host included, talks to the host over one client connection.
// The language's session commands (net/session_commands.h) run on the main
// thread; the session thread (net/session_thread.cpp) does all reading from
// the network and all of the host's work. Both meet on this record under
// its lock, and neither holds the lock across a socket call or a wait.
//
// Nothing the program sends goes on a socket from the main thread: its
// packets wait whole in the outbox, and the thread writes them as the
// connection takes them, so neither thread ever waits on a peer and no
// stream ever carries part of a packet followed by another.
//
// Who owns what: the four flags, the local players with their texts,
// replies, the answers owed, left_players and the outbox are shared under
// the lock; remote_players, next_id and the thread's connections belong
// to the thread while it runs (it reads and writes the first two with the
// lock held, as the handling of packets runs under it). The thread owns
// the client and server slots too until it clears running, so a stop
// never closes what the thread is still using, and the main thread frees
// the record only after that.
//
// What the thread may hold is bounded: per connection, per local player
// (kPlayerTextLimit, kPlayerTextBytes) and in all (kSessionMemoryLimit);
// net/session_bounds.cpp says whose reading is held back, and whom it
// drops, past a bound.
#pragma once

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "core/chain_list.h"
#include "net/session_packet.h"
#include "net/session_records.h"
#include "net/session_roster.h"
#include "net/socket_table.h"
#include "net/thread_mutex.h"

// The bytes that may wait to go out on the connection to the host: past
// it the program's sends wait for room, then are refused.
constexpr int kSessionQueueLimit = 1 << 20;
// A connection whose waiting bytes have not moved for this long counts as
// stalled: a joined machine is dropped, and the program's sends to a
// stalled host are refused at once instead of waiting for room.
constexpr int kSessionStallLimitMs = 2000;
// On the host a full queue means that a joined machine reads the
// program's texts more slowly than the program sends them: the send waits
// as long as it takes the host to drop a machine that does not read.
constexpr int kHostSendWaitMs = 6000;
// The texts that may wait for one local player until its program reads
// them, by count and by cost (a text costs its length and 16 bytes). Past
// either, a player the program reads holds the machine's reading back
// until it has read some (so it loses nothing, and the senders are
// slowed), and a player it has not read for kPlayerUnreadMs loses its
// oldest texts. What one pass brings beyond the bound is kept up to twice
// the bound.
constexpr int kPlayerTextLimit = 4096;
constexpr int64_t kPlayerTextBytes = 4 << 20;
constexpr int kPlayerUnreadMs = 1000;

// Whether a player's waiting texts are at their bound (limit texts, bytes
// of cost) for one more text of cost extra. The thread lets a player its
// program reads go up to twice the bound within a pass, hence the bound
// as parameters.
inline bool qvl_net_texts_at_bound(const TextQueue& texts, int64_t extra = 0,
                                   int limit = kPlayerTextLimit,
                                   int64_t bytes = kPlayerTextBytes) {
  return texts.count() >= limit || texts.cost() + extra > bytes;
}
// What the session thread may hold in all, in the queues of every
// connection and the texts waiting for the local players: past it the
// thread reads no more until some went out.
constexpr int64_t kSessionMemoryLimit = 32 << 20;
// The departures a host keeps for its program; past it the oldest go.
constexpr int kLeftPlayersKept = 4096;

// What a local player's request waits for: the answers from the host come
// in the order of the requests, so each request that went out has its
// place here until its answer (or a later one) came.
struct OwedAnswer {
  uint8_t type = 0;
  // 1 for the request being waited for, 0 for one given up, whose answer
  // is dropped when it comes.
  uint8_t awaited = 0;
  // 1 for the hello sent after a player whose id did not come: its answer
  // settles that player (see NetPlayer::placeholder).
  uint8_t marker = 0;
  // The request's number, counted up over the session.
  uint32_t ticket = 0;
};

struct NetSession {
  uint16_t next_id;   // the next id the host hands out
  uint16_t query_id;  // this machine's query player; 0 while it has none
  int32_t server_slot;  // the listener while hosting, else -1
  int32_t client_slot;  // the connection to the host (on the host: to itself)
  ChainList<NetPlayer> local_players;
  // The local players with an assigned id, by id. Under the lock.
  std::unordered_map<uint16_t, ChainNode<NetPlayer>*> local_by_id;
  PlayerRoster remote_players;  // on the host: every player
  uint8_t hosting;
  uint8_t stop_requested;
  uint8_t running;  // 1 while the session thread runs
  uint8_t accept_new;  // the host takes new connections and players
  CheckedMutex* lock;
  ChainList<NetMessage> received;  // packets for qvl_net_session_dispatch
  ChainList<NetMessage> replies;   // answers that wait for a request
  ChainList<PlayerLeftEvent> left_players;
  // Set while one thread is stopping the session, so a second one does not
  // run the same steps on the same sockets.
  uint8_t stopping;
  // The session's one reference on the socket library, while it holds one.
  NetLibraryRef library_ref;
  // Wakes the session thread from its wait on the sockets: an event
  // descriptor the thread makes and closes, -1 while it runs no wait.
  int32_t wake_fd;
  // The answers owed by the host, oldest first, and the number of the last
  // request. Under the lock.
  std::deque<OwedAnswer> owed_answers;
  uint32_t last_ticket;
  // The cost of every text waiting for a local player; the most the
  // thread held at once over a pass (queues and texts). Under the lock.
  int64_t local_text_cost;
  int64_t held_peak;
  // On the host: the slot of the accepted end of its own client
  // connection, -1 until the thread knows it. The thread's; read by the
  // dispatch with the lock held.
  int32_t own_slot;
  // Packets of the main thread for the client connection, whole, until the
  // thread takes them; the bytes the thread still holds for that
  // connection; whether they have stalled; the main-thread sends waiting
  // for room. Under the lock.
  PacketQueue outbox;
  int32_t client_backlog;
  uint8_t client_stalled;
  int32_t room_waiters;

  // The idle state the start-up creates, with its lock.
  void init_idle();
  // Empties the player-left, reply and received queues, then the remote and
  // the local players, each from the front.
  void free_lists();
  // The local player with that assigned id, or null, in constant time.
  // With the lock held.
  NetPlayer* local_player(uint16_t id);
  // Gives a local player its id (or a waiting mark), keeping the look-up
  // by id. With the lock held.
  void set_local_id(ChainNode<NetPlayer>* node, uint16_t id);
  // Takes a local player out with its texts. With the lock held.
  void erase_local(ChainNode<NetPlayer>* node);
  // Empties the local players. With the lock held.
  void clear_local();
  // Records a departure, dropping the oldest past kLeftPlayersKept. With
  // the lock held.
  void record_departure(uint16_t id);

  // Hosts on the port (below 1: 27910): listens, connects to itself and
  // starts the thread. False when the library, the listener or the
  // connection to itself fails.
  bool host(int port);
  // Joins the session at host and port (below 1: 27910).
  bool join(const char* host_name, int port);
  // Starts the thread on the client connection and says hello; stops the
  // session again when the host does not answer.
  bool start_client();
  // Asks the thread to end and waits for it (at most timeout_ms), then
  // closes the sockets, gives back the library reference and returns to the
  // idle values. False when the thread did not end in time or another
  // thread is stopping the session; in the first case the thread keeps the
  // record, its sockets and the library reference, and lets them go when
  // it ends.
  bool stop(int timeout_ms = 5000);

  // Adds a local player (no name: the hidden query player) and waits for
  // the id the host gives it; 0 when none comes (the player is removed).
  uint16_t add_player(const char* name);
  // Sends a request from the query player (made on first use) and waits for
  // the host's answer of the same type, which replaces the packet.
  bool request(NetPacket& packet);
  uint16_t player_count();
  uint16_t player_id_at(uint16_t n);
  // The name of the player into out (room bytes with the NUL); false when
  // the request failed.
  bool player_name(uint16_t id, char* out, int room);
  // One text packet; false when it was not queued whole (no session, no
  // room) or is longer than a packet holds.
  bool send_text(uint16_t from, uint16_t to, const void* text, int length);
  // One remove-player packet for the id: its 7 bytes when queued, else -1.
  // A local player of that id leaves this machine's list with its texts.
  int send_remove_player(uint16_t id);
  // Queues a whole packet for the host. While the queue is full it waits
  // for room, at most kSessionStallLimitMs (on the host kHostSendWaitMs)
  // and not at all once the host has stalled; false when the packet was not queued. The second with the
  // lock held, which it keeps (but lets go while it waits).
  bool queue_for_host(const NetPacket& packet);
  bool queue_for_host_locked(const NetPacket& packet, bool wait);
  // Owes the host's answer to a request just queued (awaited or a marker
  // hello): its ticket. With the lock held.
  uint32_t owe_answer(uint8_t type, uint8_t awaited, uint8_t marker);
  // Whether the answer to the ticket's request is still owed and awaited.
  // With the lock held.
  bool owes(uint32_t ticket) const;
  // Takes out every placeholder whose marker hello, ticket or older, has
  // been answered or passed over. With the lock held.
  void settle_placeholders(uint32_t ticket);
  // Makes the local player whose id did not come a placeholder, with a
  // hello behind its announcement; false when no hello can go (no player
  // of this machine has an id, or no room), and the player is to go. With
  // the lock held.
  bool keep_placeholder(NetPlayer& player);
  // The ids of the local players, in order (read under the lock).
  std::vector<uint16_t> local_ids();

  // Wakes the thread, so that what the main thread asked of it (a player
  // to announce, the stop, new machines allowed, packets to send) does not
  // wait for the end of its idle wait. The second with the lock held.
  void wake_thread();
  void wake_thread_locked();

  // Reads a flag under the lock.
  int locked_read(const uint8_t& field);
};

// Holds the session's lock for a scope.
class SessionLock {
 public:
  explicit SessionLock(NetSession& s) : s_(s) { qvl_sys_mutex_lock(&s_.lock); }
  ~SessionLock() { qvl_sys_mutex_unlock(&s_.lock); }
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

 private:
  NetSession& s_;
};

// The one session object; null before the start-up and after the shutdown.
extern NetSession* qvl_net_session;

// The session thread's routine; started detached with the session.
int32_t qvl_net_session_thread(void* session);
