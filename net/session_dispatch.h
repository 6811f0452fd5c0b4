// What the session thread does with each packet it reads: texts to this
// machine's players, the host's handling of announcements, texts,
// departures and requests, and the host's word to this machine (ids and
// answers).
//
// Plain list work on the session record with the sends behind an
// interface, so tests and the fuzz target run it without sockets.
#pragma once

#include <cstdint>
#include <vector>

#include "net/net_session.h"

// The players one connection may speak for, its query player included:
// past it that connection's announcements are refused, as they are when
// no id is free, so that one machine cannot hold the session's ids.
constexpr int kMaxPlayersPerConnection = 256;

// What the handling asks of the thread around it.
class SessionSender {
 public:
  virtual ~SessionSender() = default;
  // Queues the whole packet for the joined connection on slot, without
  // waiting, as held on behalf of source; above 0 when it was taken, else
  // the connection is to be dropped.
  virtual int send(int slot, const NetPacket& packet, uint32_t source) = 0;
  // Queues a packet for the host on the client connection.
  virtual void to_host(const NetPacket&) {}
  // The bytes this pass may still queue; a text to everybody waits when
  // its copies have used them up.
  virtual int64_t budget() { return INT64_MAX; }
  // Whether the connection on slot may have one more new id now (taking
  // it from its address's budget).
  virtual bool take_new_id(int) { return true; }
  // The local player's waiting texts are at their bound and a text of
  // that cost is to join them: true when it may (the thread then reads no
  // more for the player, or its oldest texts made room), false when the
  // text is to be dropped.
  virtual bool make_room(NetPlayer&, int64_t) { return false; }
};

// A text to everybody on its way out, copy by copy. When the pass's budget
// runs out it waits here, and the connection's later packets wait behind
// it, so one packet never makes the host hold more than a pass may queue.
struct FanOut {
  bool active = false;
  NetMessage message;
  uint64_t next = 0;  // the place, in the player list, of the next player
};

// Handles one packet read from a connection, with the lock held. A text
// to everybody starts in fan and goes as far as the budget lets it. A
// connection on which a send failed is added to broken and gets nothing
// more; the thread drops it.
//
// Only what came over the client connection counts as the host's word (ids
// and answers); on the host, what came over a joined connection is trusted
// only for the players announced over that same connection.
void qvl_net_session_handle(NetSession& session, const NetMessage& message, SessionSender& out,
                            std::vector<int>& broken, FanOut& fan);
// Goes on with a text to everybody, with the lock held; true once every
// copy went out (fan is then inactive).
bool qvl_net_session_fan_out(NetSession& session, FanOut& fan, SessionSender& out,
                             std::vector<int>& broken);
// Handles and then empties received, each text to everybody to its end,
// with the lock held.
void qvl_net_session_dispatch(NetSession& session, SessionSender& out, std::vector<int>& broken);

// The host's part for a joined connection that closed: every player that
// came over it leaves the list, and each that is not a query player leaves
// a departure. With the lock held. Returns the number removed.
int qvl_net_session_drop_connection(NetSession& session, int slot);

// A text for a local player, kept when its bounds allow (out.make_room is
// asked when they do not), as coming from source. With the lock
// held; false when it was dropped.
bool qvl_net_session_deliver_text(NetSession& session, NetPlayer& player, const NetPacket& text,
                                  uint32_t source, SessionSender& out);
