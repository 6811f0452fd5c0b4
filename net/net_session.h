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
// Who owns what: the four flags, the local players with their messages,
// replies, received, left_players and the outbox are shared under the lock;
// remote_players, next_id and the thread's connections belong to the
// thread while it runs. The thread owns the client and server slots too
// until it clears running, so a stop never closes what the thread is still
// closing, and the main thread frees the record only after that.
#pragma once

#include <cstdint>
#include <vector>

#include "core/chain_list.h"
#include "net/session_packet.h"
#include "net/socket_table.h"
#include "net/thread_mutex.h"

// The bytes that may wait to go out on one connection: past it a joined
// machine is dropped, and the program's sends to the host are refused.
constexpr int kSessionQueueLimit = 1 << 20;
// A connection whose waiting bytes have not moved for this long counts as
// stalled: a joined machine is dropped, and the program's sends to a
// stalled host are refused at once instead of waiting for room.
constexpr int kSessionStallLimitMs = 2000;

// A packet queued for a player or for a waiting request.
struct NetMessage {
  NetPacket packet;
  // The slot of the connection it came over: the host's handling trusts a
  // packet only for the players of that connection.
  int32_t origin = -1;
};

// A player: on every machine its own players (slot -1), on the host also
// every player of the session with the slot of the connection it came
// over. The fields from slot to name are those of an announcement.
struct NetPlayer {
  int32_t slot = -1;
  uint16_t id = 0;  // 0xFFFE until announced, 0xFFFC until its id came
  uint8_t query = 0;  // 1 for the machine's hidden query player
  uint8_t reserved = 0;
  char name[kPlayerNameRoom] = {};
  ChainList<NetMessage> messages;  // texts for a local player, oldest first

  NetPlayer() = default;
  NetPlayer(const NetPlayer&) = delete;
  NetPlayer& operator=(const NetPlayer&) = delete;
  ~NetPlayer() { messages.clear(); }
};

// A player that left the host's session.
struct PlayerLeftEvent {
  uint16_t id = 0;
};

struct NetSession {
  uint16_t next_id;   // the next id the host hands out
  uint16_t query_id;  // this machine's query player; 0 while it has none
  int32_t server_slot;  // the listener while hosting, else -1
  int32_t client_slot;  // the connection to the host (on the host: to itself)
  ChainList<NetPlayer> local_players;
  ChainList<NetPlayer> remote_players;  // on the host: every player
  uint8_t hosting;
  uint8_t stop_requested;
  uint8_t running;  // 1 while the session thread runs
  uint8_t accept_new;  // the host takes new connections and players
  CheckedMutex* lock;
  ChainList<NetMessage> received;  // read during the thread's current pass
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
  // Message nodes taken and kept for the next packets, so that a stream of
  // texts does not cost an allocation each. Under the lock.
  ChainList<NetMessage> spare_messages;
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
  // A message at the end of the list, on a spare node when there is one
  // (its packet then holds the old bytes until overwritten). With the lock
  // held.
  NetMessage* append_message(ChainList<NetMessage>& list);
  // Takes a message node out of its list, keeping it as a spare. With the
  // lock held.
  void retire_message(ChainList<NetMessage>& list, ChainNode<NetMessage>* node);

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
  // thread is stopping the session; in the first case the sockets are
  // closed all the same and the thread may still use the record.
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
  int send_remove_player(uint16_t id);
  // Queues a whole packet for the host. While the queue is full it waits
  // for room, at most kSessionStallLimitMs and not at all once the host has
  // stalled; false when the packet was not queued.
  bool queue_for_host(const NetPacket& packet);
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
