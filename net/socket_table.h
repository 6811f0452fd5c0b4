// The socket table: 1024 slots addressed by index, every socket the runtime
// opens living in one, and the reference count on the socket library.
//
// Two threads use the table: the main thread (socket commands, HTTP, the
// session commands) and the session thread (accepting and closing its
// connections). Claiming and freeing slots happen under the table's lock;
// a socket is closed only once no call is still using its descriptor, so a
// descriptor number is never reused under a running send or receive.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>

#include "net/net_address.h"

constexpr int kSocketSlots = 1024;

// One slot. The handle is atomic because the session thread and the main
// thread read it without the table's lock.
struct SocketSlot {
  std::atomic<int32_t> handle{-1};  // the descriptor; -1 = free
  int32_t reserved = 0;             // copied from the listener on accept
  sockaddr_storage sockaddr{};      // listener: bound address; connection:
                                    // the peer; UDP: bound, then the sender
                                    // of the last datagram
  uint8_t is_udp = 0;
};

// --- The socket library's references --------------------------------------

// Takes a reference; true (this cannot fail on this system).
bool qvl_net_startup();
// Gives one back. While references remain, returns their number; the last
// release (or a call with none left) closes every slot in use and returns
// the last error, 0.
int qvl_net_shutdown();
int qvl_net_startup_count();

// One user's hold on the socket library: the socket commands, the session
// and the HTTP client each keep one, so none of them can take more than one
// reference or give back one another user holds.
class NetLibraryRef {
 public:
  // Takes a reference unless this holder has one; true when it holds one.
  bool take();
  // Gives this holder's reference back: qvl_net_shutdown's result. Without
  // one nothing is released and the references left are returned.
  int release();
  bool held() const { return held_.load(); }

 private:
  std::atomic<bool> held_{false};
};

// --- Settings --------------------------------------------------------------

// 6 selects IPv6 (23) for new listening and UDP sockets and for
// resolution, any other value IPv4 (2); returns the family stored.
int qvl_net_set_family(int version);
// The same mapping without storing it.
int qvl_net_family_of(int version);
int qvl_net_family();

// --- Slots -------------------------------------------------------------------

// The lowest free slot; -1 with error 8 when all are in use.
int qvl_net_find_free_slot();
// The address held in the slot; the none address for a free slot.
NetAddress qvl_net_peer_address(int slot);
// The local end of the slot's socket (what the peer sees as its address);
// the none address for a free slot.
NetAddress qvl_net_local_address(int slot);
// Blocking or non-blocking mode for a slot in use (a free slot is left
// alone); returns the last error.
int qvl_net_set_blocking(int slot, bool blocking);
// Sends small writes at once instead of holding them back while earlier
// bytes wait for their acknowledgement (TCP_NODELAY), for a user that
// gathers its own writes; returns the last error.
int qvl_net_send_at_once(int slot);
// Frees the slot, then switches lingering off, shuts both directions down
// and closes the socket: 0, or -1 (also for a free slot, error 10038).
int qvl_net_close(int slot);

// --- For the layer's own files --------------------------------------------

// The descriptor of a slot for the length of one call: the socket stays
// open until the use ends, even when another thread closes the slot.
class SlotUse {
 public:
  // Fails (fd -1, error 10038) for a free slot or an index outside the
  // table.
  explicit SlotUse(int slot);
  ~SlotUse();
  SlotUse(const SlotUse&) = delete;
  SlotUse& operator=(const SlotUse&) = delete;

  int fd() const { return fd_; }
  bool is_udp() const { return is_udp_; }
  int32_t reserved() const { return reserved_; }

 private:
  int slot_;
  int fd_ = -1;
  bool is_udp_ = false;
  int32_t reserved_ = 0;
};

// Serialises the senders of one slot, so that the bytes of two threads'
// sends never interleave on a stream.
void qvl_net_lock_sends(int slot);
void qvl_net_unlock_sends(int slot);

// True when a socket may be opened now: the library is started (else error
// 10093) and a slot is free (else error 8).
bool qvl_net_can_open();
// Puts an open descriptor into the lowest free slot and returns the index;
// when none is free (or the library was stopped meanwhile) the descriptor is
// closed and -1 returned with the error set.
int qvl_net_claim_slot(int fd, const sockaddr_storage& address, bool is_udp, int32_t reserved);
// Replaces the address a slot holds (a UDP slot's sender).
void qvl_net_store_slot_address(int slot, const sockaddr_storage& address);
// Lingering off, both directions shut down, closed.
int qvl_net_close_descriptor(int fd);
