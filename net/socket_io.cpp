// Sending and receiving on table slots.
//
// Where the socket cannot take or give more right now, the calls wait in
// poll rather than spin, and a peer that stays silent past the inactivity
// limit ends the call with 10060 instead of holding its thread for ever.
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cmath>
#include <mutex>
#include <optional>

#include "net/net_error.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "platform/clock.h"

namespace {

// Holds a slot's send lock for one send.
class SendTurn {
 public:
  explicit SendTurn(int slot) : slot_(slot) { qvl_net_lock_sends(slot_); }
  ~SendTurn() { qvl_net_unlock_sends(slot_); }
  SendTurn(const SendTurn&) = delete;
  SendTurn& operator=(const SendTurn&) = delete;

 private:
  int slot_;
};

bool would_block(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// One read. UDP: a receive-from that stores the sender in the slot and
// reports a datagram larger than size as -1 with 10040. Results as
// recv's, with errno set on -1.
ssize_t read_once(const SlotUse& use, int slot, char* buffer, int size) {
  for (;;) {
    ssize_t n;
    if (use.is_udp()) {
      sockaddr_storage from{};
      socklen_t from_length = sizeof from;
      n = recvfrom(use.fd(), buffer, static_cast<size_t>(size), MSG_TRUNC,
                   reinterpret_cast<sockaddr*>(&from), &from_length);
      if (n >= 0) qvl_net_store_slot_address(slot, from);
      if (n > size) {
        errno = EMSGSIZE;
        return -1;
      }
    } else {
      n = recv(use.fd(), buffer, static_cast<size_t>(size), 0);
    }
    if (n >= 0 || errno != EINTR) return n;
  }
}

// Sends from bytes until length went out or the socket is full (a UDP
// slot: one datagram to *to): the number sent, -1 on a failure (error
// stored).
int send_while_room(const SlotUse& use, const char* bytes, int length, const sockaddr_storage* to,
                    socklen_t to_length) {
  int sent = 0;
  while (sent < length) {
    size_t rest = static_cast<size_t>(length - sent);
    ssize_t n = to ? sendto(use.fd(), bytes + sent, rest, MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(to), to_length)
                   : send(use.fd(), bytes + sent, rest, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && !would_block(errno)) {
      qvl_net_set_errno_error();
      return -1;
    }
    break;  // full for now
  }
  return sent;
}

}  // namespace

int qvl_net_wait(int fd, short events, int timeout_ms) {
  const double deadline = qvl_os_clock_ms() + timeout_ms;
  for (;;) {
    pollfd p{fd, events, 0};
    double left = std::ceil(deadline - qvl_os_clock_ms());
    int r = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r > 0) {
      if (p.revents & POLLNVAL) {
        qvl_net_set_error(kNetErrorNotSocket);
        return -1;
      }
      return 1;
    }
    if (r == 0) return 0;
    if (errno != EINTR) {
      qvl_net_set_errno_error();
      return -1;
    }
  }
}

int qvl_net_send(int slot, const void* data, int length, const NetAddress* destination,
                 int idle_limit_ms) {
  SlotUse use(slot);
  if (use.fd() < 0) return -1;
  sockaddr_storage to;
  socklen_t to_length = 0;
  if (use.is_udp()) {
    if (!destination || destination->family == kNetFamilyNone) {
      qvl_net_set_error(kNetErrorNeedDestination);
      return -1;
    }
    to_length = destination->to_sockaddr(to);
  }
  if (length < 1) return 0;

  SendTurn turn(slot);
  const int limit = qvl_net_clamp_timeout(idle_limit_ms);
  const char* bytes = static_cast<const char*>(data);
  int sent = 0;
  for (;;) {
    int n = send_while_room(use, bytes + sent, length - sent, use.is_udp() ? &to : nullptr,
                            to_length);
    if (n < 0) return -1;
    sent += n;
    if (sent == length) break;
    int waited = qvl_net_wait(use.fd(), POLLOUT, limit);
    if (waited < 0) return -1;
    if (waited == 0) {
      qvl_net_set_error(kNetErrorTimedOut);
      return -1;
    }
  }
  qvl_net_set_error(0);
  return length;
}

int qvl_net_readable(int slot) {
  int waited = qvl_net_wait_readable(slot, 0);
  return waited == 0 ? -2 : waited;
}

int qvl_net_wait_readable(int slot, int timeout_ms) {
  SlotUse use(slot);
  if (use.fd() < 0) return -1;
  int waited = qvl_net_wait(use.fd(), POLLIN, timeout_ms < 0 ? 0 : timeout_ms);
  if (waited >= 0) qvl_net_set_error(0);
  return waited;
}

int qvl_net_send_available(int slot, const void* data, int length) {
  SlotUse use(slot);
  if (use.fd() < 0) return -1;
  SendTurn turn(slot);
  const int sent = send_while_room(use, static_cast<const char*>(data), length, nullptr, 0);
  if (sent >= 0) qvl_net_set_error(0);
  return sent;
}

int qvl_net_unsent(int slot) {
  SlotUse use(slot);
  if (use.fd() < 0) return -1;
  int unsent = 0;
  return ioctl(use.fd(), SIOCOUTQ, &unsent) == 0 ? unsent : -1;
}

int qvl_net_poll_slots(NetPollEntry* entries, int count, int extra_fd, int timeout_ms,
                       bool* extra_ready) {
  constexpr int kMaxPolled = 256;
  if (count < 0 || count > kMaxPolled) {
    qvl_net_set_error(kNetErrorInvalidArgument);
    return -1;
  }
  // Every descriptor stays open while the poll looks at it.
  std::optional<SlotUse> uses[kMaxPolled];
  pollfd fds[kMaxPolled + 1];
  int polled_as[kMaxPolled + 1];  // the entry each pollfd answers for; count: extra_fd
  int n = 0;
  if (extra_ready) *extra_ready = false;
  for (int i = 0; i < count; ++i) {
    NetPollEntry& e = entries[i];
    e.readable = e.writable = false;
    if (e.slot == -1) continue;
    uses[i].emplace(e.slot);
    if (uses[i]->fd() < 0) continue;
    const short events = static_cast<short>((e.want_read ? POLLIN : 0) | (e.want_write ? POLLOUT : 0));
    fds[n] = pollfd{uses[i]->fd(), events, 0};
    polled_as[n++] = i;
  }
  if (extra_fd >= 0) {
    fds[n] = pollfd{extra_fd, POLLIN, 0};
    polled_as[n++] = count;
  }
  const double deadline = qvl_os_clock_ms() + (timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    double left = std::ceil(deadline - qvl_os_clock_ms());
    int r = poll(fds, static_cast<nfds_t>(n), left > 0 ? static_cast<int>(left) : 0);
    if (r >= 0) {
      for (int i = 0; i < n; ++i) {
        const short got = fds[i].revents;
        if (got == 0) continue;
        if (polled_as[i] == count) {
          if (extra_ready) *extra_ready = true;
          continue;
        }
        NetPollEntry& e = entries[polled_as[i]];
        // A failed or closed socket counts as both: the read or the send
        // on it then tells what happened.
        const bool failed = (got & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        e.readable = failed || (got & POLLIN) != 0;
        e.writable = e.want_write && (failed || (got & POLLOUT) != 0);
      }
      qvl_net_set_error(0);
      return r;
    }
    if (errno != EINTR) {
      qvl_net_set_errno_error();
      return -1;
    }
  }
}

int qvl_net_receive(int slot, void* buffer, int size, bool fill, int idle_limit_ms) {
  SlotUse use(slot);
  if (use.fd() < 0) return -1;
  if (use.is_udp()) {
    // Until a datagram comes, the slot names no sender.
    NetAddress any;
    any.init(qvl_net_family(), net_any_address.address, 0);
    sockaddr_storage cleared;
    any.to_sockaddr(cleared);
    qvl_net_store_slot_address(slot, cleared);
  }
  if (size < 1) {
    if (fill) return size;
    qvl_net_set_error(kNetErrorInvalidArgument);
    return -1;
  }

  char* bytes = static_cast<char*>(buffer);
  const int limit = qvl_net_clamp_timeout(idle_limit_ms);
  int got = 0;
  for (;;) {
    ssize_t n = read_once(use, slot, bytes + got, size - got);
    if (n == 0) {
      qvl_net_set_error(0);
      return 0;  // closed; with fill, what came before is dropped
    }
    if (n > 0) {
      got += static_cast<int>(n);
      if (!fill || got == size) {
        qvl_net_set_error(0);
        return got;
      }
      continue;
    }
    const int error = errno;
    qvl_net_set_error(qvl_net_error_from_errno(error));
    if (error == ECONNRESET) return 0;  // a reset reads as a close
    if (!would_block(error)) return -1;
    if (got == 0) return -2;
    // Part of the piece is here: wait for the rest, but not for ever.
    int waited = qvl_net_wait(use.fd(), POLLIN, limit);
    if (waited < 0) return -1;
    if (waited == 0) {
      qvl_net_set_error(kNetErrorTimedOut);
      return -1;
    }
  }
}
