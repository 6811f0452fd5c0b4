// Opening sockets into table slots, and sending and receiving on them.
//
// Sockets are non-blocking after every open, connect and accept. Every
// failure is a result (-1; -2 when nothing is waiting; 0 for a closed
// connection) with the reason in the thread's last error (net/net_error.h).
#pragma once

#include <cstdint>

#include "net/net_address.h"

// A connect time-out outside 1 to 30000 ms counts as 30 seconds; so does the
// inactivity limit of the sends and the filling receive that get none.
constexpr int kNetMaxTimeoutMs = 30000;
int qvl_net_clamp_timeout(int timeout_ms);

// A TCP listener on the port (0: one the system picks) in the current
// family, the any address, with room for backlog connections waiting to
// be accepted; the slot holds the bound address.
constexpr int kNetListenBacklog = 10;
int qvl_net_tcp_listen(int port, int backlog = kNetListenBacklog);
// A pending connection of the listener as a new slot, the peer's address
// in peer when given; -1 with 10035 when none is pending, with error 0 for
// a UDP slot.
int qvl_net_tcp_accept(int listen_slot, NetAddress* peer);
// Connects to the address within the time-out: the slot, or -1 (10036 when
// the time-out passed, 10061 when refused, the none address with the
// error left as it was).
int qvl_net_tcp_connect(const NetAddress& address, int timeout_ms);
// A UDP socket in the current family, bound to the port unless it is 0,
// broadcast allowed.
int qvl_net_udp_open(int port);

// Sends all length bytes (a UDP slot: one datagram to destination, which
// it needs). Waits while the socket is full, but gives up with -1 and 10060
// when the peer takes nothing for idle_limit_ms. The length, 0 for a length
// below 1, or -1. Sends of two threads on one slot never interleave.
int qvl_net_send(int slot, const void* data, int length, const NetAddress* destination,
                 int idle_limit_ms = kNetMaxTimeoutMs);
// 1 when data, a pending connection or the peer's close is waiting, -2 when
// nothing is, -1 on failure.
int qvl_net_readable(int slot);
// Waits up to timeout_ms until qvl_net_readable would give 1: 1, 0 at the
// time-out, -1 on failure.
int qvl_net_wait_readable(int slot, int timeout_ms);
// Sends what the socket takes right now, without waiting: the number of
// bytes that went out (0 when it takes nothing now), -1 when the
// connection failed. For TCP slots.
int qvl_net_send_available(int slot, const void* data, int length);

// The bytes a TCP slot's socket holds that the peer has not yet taken
// (sent and unacknowledged, or not sent); -1 for a free slot or when the
// system does not tell.
int qvl_net_unsent(int slot);

// One slot for qvl_net_poll_slots: data, a pending connection or the
// peer's close make it readable where want_read asks for it; room to send
// makes it writable where want_write asks for it. A slot of -1 or a free
// slot is never ready.
struct NetPollEntry {
  int slot = -1;
  bool want_read = true;
  bool want_write = false;
  bool readable = false;
  bool writable = false;
};
// Waits up to timeout_ms until one of the entries, or extra_fd when it is
// not -1 (its readiness in *extra_ready), is ready. The number ready, 0 at
// the time-out, -1 on failure.
int qvl_net_poll_slots(NetPollEntry* entries, int count, int extra_fd, int timeout_ms,
                       bool* extra_ready);
// One read (fill false) of at most size bytes: the count, 0 when the peer
// closed or reset the connection, -2 when nothing was waiting, -1 on an
// error (a datagram larger than size: -1 with 10040). With fill, reads until
// size bytes have come (0 when the peer closes first, -2 when nothing was
// waiting at all), waiting at most idle_limit_ms for each further piece.
// A UDP slot stores each datagram's sender as its address.
int qvl_net_receive(int slot, void* buffer, int size, bool fill,
                    int idle_limit_ms = kNetMaxTimeoutMs);

// For the layer's own files: waits up to timeout_ms for events on fd; 1
// when one came, 0 at the time-out, -1 on failure (error stored).
int qvl_net_wait(int fd, short events, int timeout_ms);
