// The multiplayer session object as the start-up makes it and the shutdown
// stops and frees it. The session commands and the receive thread work on
// the same record under its lock.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "core/chain_list.h"

#include "net/socket_table.h"
#include "net/thread_mutex.h"

// A queued packet; the session protocol fills the bytes, which the message
// owns.
struct NetMessage {
  uint8_t* payload = nullptr;
  int32_t length = 0;

  NetMessage() = default;
  NetMessage(const NetMessage&) = delete;
  NetMessage& operator=(const NetMessage&) = delete;
  ~NetMessage() { std::free(payload); }
};

// A player of the session with the messages addressed to it, oldest first;
// they go with the player.
struct NetPlayer {
  uint16_t id = 0;
  ChainList<NetMessage> messages;

  NetPlayer() = default;
  NetPlayer(const NetPlayer&) = delete;
  NetPlayer& operator=(const NetPlayer&) = delete;
  ~NetPlayer() { messages.clear(); }
};

// The id of a player that left the host's session.
struct PlayerLeftEvent {
  uint16_t id = 0;
};

// Packet header on the wire: 7 bytes, packed, little-endian.
struct __attribute__((packed)) NetPacketHeader {
  uint8_t type;
  uint16_t payload_length;
  uint16_t target_id;
  uint16_t sender_id;
};
static_assert(sizeof(NetPacketHeader) == 7);

constexpr uint8_t kPacketRemovePlayer = 4;

struct NetSession {
  uint16_t next_player_id;
  uint16_t second_field;
  int32_t server_entry;  // socket table entries, -1 = none
  int32_t client_entry;
  ChainList<NetPlayer> local_players;
  ChainList<NetPlayer> remote_players;
  uint8_t hosting;
  uint8_t stop_flag;
  uint8_t running;  // the receive thread clears it when it ends
  uint8_t accept_new_players;
  CheckedMutex* lock;
  ChainList<NetMessage> received;
  ChainList<NetMessage> replies;
  ChainList<PlayerLeftEvent> left_players;
  // Set while one thread is stopping the session, so a second one does not
  // run the same steps on the same sockets.
  uint8_t stopping;
  // The session's one reference on the socket library, while it holds one.
  NetLibraryRef library_ref;

  // The idle state the start-up creates, with its lock.
  void init_idle();
  // Waits (in 50 ms steps, at most timeout_ms) for the receive thread to
  // end, then closes the sockets and returns to the idle values. False when
  // the thread did not answer in time or another thread is stopping the
  // session; the sockets are closed in the first case all the same, which
  // also wakes a thread blocked on them.
  bool stop(int timeout_ms = 5000);
  // Empties the player-left, reply and received queues, then the remote and
  // the local players, each from the front.
  void free_lists();
};

// The one session object; null before the start-up and after the shutdown.
extern NetSession* qvl_net_session;
