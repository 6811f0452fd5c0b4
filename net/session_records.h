// The session's records: a packet read from a connection, a player, a
// departure.
#pragma once

#include <cstdint>

#include "net/session_packet.h"
#include "net/text_queue.h"

// A packet read from a connection.
struct NetMessage {
  NetPacket packet;
  // The slot of the connection it came over: the host's handling trusts a
  // packet only for the players of that connection.
  int32_t origin = -1;
  // Who is answerable for what the packet makes the thread hold: the
  // connection it came over, by a number no later connection gets again.
  uint32_t source = 0;
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
  TextQueue messages;  // texts for a local player, oldest first
  // On the host: the player's place in the order of announcement.
  uint64_t order = 0;
  // A local player whose id did not come in time. It keeps its place, so
  // that an id that comes late goes to it and not to the next player, and
  // leaves when that id comes (which it then gives back) or when the
  // answer to the hello sent after it (the ticket in marker) shows that no
  // id is coming.
  uint8_t placeholder = 0;
  uint32_t marker = 0;
  // A local player: when its program last asked for its texts (or when it
  // was added), on the clock of qvl_os_clock_ms. Under the lock.
  double read_at = 0;

  NetPlayer() = default;
  NetPlayer(const NetPlayer&) = delete;
  NetPlayer& operator=(const NetPlayer&) = delete;
};

// A player that left the host's session.
struct PlayerLeftEvent {
  uint16_t id = 0;
};
