// What the session thread does with the packets of one pass: texts to this
// machine's players, the host's handling of announcements, texts,
// departures and requests, and the answers from the host to this machine.
//
// Plain list work on the session record with the sends behind an
// interface, so tests and the fuzz target run it without sockets.
#pragma once

#include <vector>

#include "net/net_session.h"

// The players one connection may speak for, its query player included:
// past it that connection's announcements are refused, as they are past
// the last id, so that one machine cannot use up the session's ids.
constexpr int kMaxPlayersPerConnection = 256;

class SessionSender {
 public:
  virtual ~SessionSender() = default;
  // Queues the whole packet for the slot, without waiting; above 0 when it
  // was taken, else the connection is to be dropped.
  virtual int send(int slot, const NetPacket& packet) = 0;
};

// Moves the whole packets waiting in the assembler to the end of received,
// marked with the slot they came over. With the lock held. The number
// moved, or -1 when the stream is broken.
int qvl_net_session_take_packets(NetSession& session, PacketAssembler& in, int origin);

// Handles and then empties received, with the lock held. A connection
// on which a send failed is added to broken and gets nothing more; the
// thread drops it.
//
// Only what came over the client connection counts as the host's word (ids
// and answers); on the host, what came over a joined connection is trusted
// only for the players announced over that same connection.
void qvl_net_session_dispatch(NetSession& session, SessionSender& out, std::vector<int>& broken);

// The host's part for a joined connection that closed: every player that
// came over it leaves the list, and each that is not a query player leaves
// a departure. With the lock held. Returns the number removed.
int qvl_net_session_drop_connection(NetSession& session, int slot);
