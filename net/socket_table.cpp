#include "net/socket_table.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "net/net_error.h"

namespace {

// What the table keeps beside each slot for the two threads.
struct SlotGuard {
  std::atomic<int> users{0};        // calls using the descriptor right now
  std::atomic<bool> closing{false};  // freed, descriptor not yet closed
  std::mutex sends;
};

struct Table {
  std::mutex lock;  // claiming, freeing, the reference count, addresses
  SocketSlot slots[kSocketSlots];
  SlotGuard guards[kSocketSlots];
  int startup_count = 0;
};

// Constant-initialised: usable before and after every static initialiser.
constinit Table g_table;
constinit std::atomic<int> g_family{kNetFamilyIpv4};

bool in_table(int slot) { return slot >= 0 && slot < kSocketSlots; }

bool slot_is_free(int slot) {
  return g_table.slots[slot].handle.load() == -1 && !g_table.guards[slot].closing.load();
}

// Under the table's lock.
int lowest_free_slot() {
  for (int i = 0; i < kSocketSlots; ++i)
    if (slot_is_free(i)) return i;
  return -1;
}

// Marks a slot in use free and hands back its descriptor, which stays open
// (and the slot unclaimable) until finish_close; -1 for a free slot. Under
// the table's lock.
int begin_close(int slot) {
  if (g_table.slots[slot].handle.load() == -1) return -1;
  g_table.guards[slot].closing.store(true);
  return g_table.slots[slot].handle.exchange(-1);
}

// Waits for the calls still using the descriptor (the shutdown in
// begin_close's caller has woken any that wait on the socket), then closes
// it and lets the slot be claimed again.
int finish_close(int slot, int fd) {
  SlotGuard& g = g_table.guards[slot];
  for (int users = g.users.load(); users != 0; users = g.users.load()) g.users.wait(users);
  int result = close(fd);
  if (result != 0) qvl_net_set_errno_error();
  g.closing.store(false);
  return result == 0 ? 0 : -1;
}

// Wakes every call waiting on the socket: lingering off, both directions
// shut down.
void stop_traffic(int fd) {
  linger off{0, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  shutdown(fd, SHUT_RDWR);
}

}  // namespace

// --- References ---------------------------------------------------------------

bool qvl_net_startup() {
  std::lock_guard<std::mutex> hold(g_table.lock);
  // Every slot is already free when the count is 0: the last release closed
  // them and no socket opens without a reference.
  ++g_table.startup_count;
  qvl_net_set_error(0);
  return true;
}

int qvl_net_shutdown() {
  int fds[kSocketSlots];
  {
    std::lock_guard<std::mutex> hold(g_table.lock);
    if (--g_table.startup_count > 0) return g_table.startup_count;
    g_table.startup_count = 0;
    for (int i = 0; i < kSocketSlots; ++i) fds[i] = begin_close(i);
  }
  qvl_net_set_error(0);
  for (int i = 0; i < kSocketSlots; ++i) {
    if (fds[i] == -1) continue;
    stop_traffic(fds[i]);
    finish_close(i, fds[i]);
  }
  return qvl_net_last_error();
}

int qvl_net_startup_count() {
  std::lock_guard<std::mutex> hold(g_table.lock);
  return g_table.startup_count;
}

bool NetLibraryRef::take() {
  if (held_.load()) return true;
  if (!qvl_net_startup()) return false;
  if (held_.exchange(true)) qvl_net_shutdown();  // another thread of this holder won
  return true;
}

int NetLibraryRef::release() {
  if (!held_.exchange(false)) return qvl_net_startup_count();
  return qvl_net_shutdown();
}

// --- Settings -------------------------------------------------------------------

int qvl_net_family_of(int version) { return version == 6 ? kNetFamilyIpv6 : kNetFamilyIpv4; }

int qvl_net_set_family(int version) {
  int family = qvl_net_family_of(version);
  g_family.store(family);
  return family;
}

int qvl_net_family() { return g_family.load(); }

// --- Slots --------------------------------------------------------------------------

int qvl_net_find_free_slot() {
  std::lock_guard<std::mutex> hold(g_table.lock);
  int slot = lowest_free_slot();
  if (slot < 0) qvl_net_set_error(kNetErrorTableFull);
  return slot;
}

NetAddress qvl_net_peer_address(int slot) {
  if (!in_table(slot)) return net_none_address;
  std::lock_guard<std::mutex> hold(g_table.lock);
  const SocketSlot& s = g_table.slots[slot];
  if (s.handle.load() == -1) return net_none_address;
  NetAddress a;
  a.from_sockaddr(s.sockaddr);
  return a;
}

NetAddress qvl_net_local_address(int slot) {
  SlotUse use(slot);
  if (use.fd() < 0) return net_none_address;
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  if (getsockname(use.fd(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    qvl_net_set_errno_error();
    return net_none_address;
  }
  NetAddress a;
  a.from_sockaddr(local);
  return a;
}

int qvl_net_set_blocking(int slot, bool blocking) {
  SlotUse use(slot);
  if (use.fd() < 0) return qvl_net_last_error();  // a free slot is left alone
  int flags = fcntl(use.fd(), F_GETFL);
  if (flags < 0) return qvl_net_set_errno_error();
  flags = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
  if (fcntl(use.fd(), F_SETFL, flags) != 0) return qvl_net_set_errno_error();
  qvl_net_set_error(0);
  return 0;
}

int qvl_net_send_at_once(int slot) {
  SlotUse use(slot);
  if (use.fd() < 0) return qvl_net_last_error();
  const int one = 1;
  if (setsockopt(use.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0)
    return qvl_net_set_errno_error();
  qvl_net_set_error(0);
  return 0;
}

int qvl_net_close(int slot) {
  if (!in_table(slot)) {
    qvl_net_set_error(kNetErrorNotSocket);
    return -1;
  }
  int fd;
  {
    std::lock_guard<std::mutex> hold(g_table.lock);
    fd = begin_close(slot);
    if (fd == -1) {
      qvl_net_set_error(kNetErrorNotSocket);
      return -1;
    }
  }
  stop_traffic(fd);
  qvl_net_set_error(0);
  return finish_close(slot, fd);
}

// --- For the layer's own files ------------------------------------------------

SlotUse::SlotUse(int slot) : slot_(slot) {
  if (!in_table(slot)) {
    qvl_net_set_error(kNetErrorNotSocket);
    return;
  }
  SocketSlot& s = g_table.slots[slot];
  SlotGuard& g = g_table.guards[slot];
  // Counted before the handle is read: a closer that freed the slot first
  // makes this read -1; one that frees it later sees the use and waits.
  g.users.fetch_add(1);
  int fd = s.handle.load();
  if (fd == -1) {
    if (g.users.fetch_sub(1) == 1) g.users.notify_all();
    slot_ = -1;
    qvl_net_set_error(kNetErrorNotSocket);
    return;
  }
  fd_ = fd;
  // Written only while the slot is claimed; stable while it is in use.
  is_udp_ = s.is_udp != 0;
  reserved_ = s.reserved;
}

SlotUse::~SlotUse() {
  if (fd_ < 0) return;
  SlotGuard& g = g_table.guards[slot_];
  if (g.users.fetch_sub(1) == 1 && g.closing.load()) g.users.notify_all();
}

void qvl_net_lock_sends(int slot) {
  if (in_table(slot)) g_table.guards[slot].sends.lock();
}

void qvl_net_unlock_sends(int slot) {
  if (in_table(slot)) g_table.guards[slot].sends.unlock();
}

bool qvl_net_can_open() {
  std::lock_guard<std::mutex> hold(g_table.lock);
  if (g_table.startup_count <= 0) {
    qvl_net_set_error(kNetErrorNotStarted);
    return false;
  }
  if (lowest_free_slot() < 0) {
    qvl_net_set_error(kNetErrorTableFull);
    return false;
  }
  return true;
}

int qvl_net_claim_slot(int fd, const sockaddr_storage& address, bool is_udp, int32_t reserved) {
  int slot;
  int error = 0;
  {
    std::lock_guard<std::mutex> hold(g_table.lock);
    slot = g_table.startup_count > 0 ? lowest_free_slot() : -1;
    if (slot < 0) {
      error = g_table.startup_count > 0 ? kNetErrorTableFull : kNetErrorNotStarted;
    } else {
      SocketSlot& s = g_table.slots[slot];
      s.reserved = reserved;
      s.sockaddr = address;
      s.is_udp = is_udp ? 1 : 0;
      s.handle.store(fd);
    }
  }
  if (slot < 0) {
    qvl_net_close_descriptor(fd);
    qvl_net_set_error(error);
    return -1;
  }
  qvl_net_set_error(0);
  return slot;
}

void qvl_net_store_slot_address(int slot, const sockaddr_storage& address) {
  if (!in_table(slot)) return;
  std::lock_guard<std::mutex> hold(g_table.lock);
  g_table.slots[slot].sockaddr = address;
}

int qvl_net_close_descriptor(int fd) {
  stop_traffic(fd);
  return close(fd);
}
