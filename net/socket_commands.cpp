#include "net/socket_commands.h"

#include <cstring>

#include "core/error_state.h"
#include "net/net_error.h"
#include "net/net_resolve.h"
#include "net/socket_table.h"
#include "net/sockets.h"

namespace {

constexpr int kRuntimeInvalidArgument = 4;

NetLibraryRef g_commands_ref;

// An address from its raw bytes and a port; anything but 4 or 16 bytes
// raises error 4 and gives the none address.
NetAddress address_from_bytes(const BasicString& bytes, int port) {
  NetAddress a;
  if (bytes.length == 4 || bytes.length == 16) {
    a.init(bytes.length == 16 ? kNetFamilyIpv6 : kNetFamilyIpv4,
           reinterpret_cast<const uint8_t*>(bytes.text), port);
    return a;
  }
  qvl_err_raise(kRuntimeInvalidArgument);
  return net_none_address;
}

void make_empty(BasicString& s) { s.truncate(0); }

}  // namespace

int qvl_net_sock_startup() { return g_commands_ref.take() ? 1 : 0; }

int qvl_net_sock_shutdown() { return g_commands_ref.release(); }

int qvl_net_sock_set_ip_version(int version) {
  if (version != 4 && version != 6) {
    qvl_err_raise(kRuntimeInvalidArgument);
    version = 4;
  }
  return qvl_net_set_family(version);
}

int qvl_net_sock_listen(int port) { return qvl_net_tcp_listen(port); }

int qvl_net_sock_connect(const BasicString& host, int port, int timeout_ms) {
  NetAddress address = qvl_net_resolve(host.c_str(), static_cast<uint16_t>(port));
  return qvl_net_tcp_connect(address, timeout_ms);
}

int qvl_net_sock_accept(int listen_slot, BasicString& peer) {
  make_empty(peer);
  NetAddress address;
  int slot = qvl_net_tcp_accept(listen_slot, &address);
  if (slot >= 0) peer = qvl_net_address_bytes(address);
  return slot;
}

int qvl_net_sock_send(int slot, const BasicString& data) {
  return qvl_net_send(slot, data.text, data.length, nullptr);
}

int qvl_net_sock_udp_open(int port) { return qvl_net_udp_open(port); }

int qvl_net_sock_udp_send(int slot, const BasicString& data, const BasicString& address,
                          int port) {
  NetAddress destination = address_from_bytes(address, static_cast<uint16_t>(port));
  return qvl_net_send(slot, data.text, data.length, &destination);
}

int qvl_net_sock_receive(int slot, BasicString& out, int size) {
  make_empty(out);
  if (size < 1) {
    qvl_net_set_error(kNetErrorInvalidArgument);
    return -1;
  }
  out.reserve(size, false);
  int n = qvl_net_receive(slot, out.text, size, false);
  if (n > 0) {
    out.length = n;
    out.text[n] = 0;
  } else {
    out.text[0] = 0;
    out.length = 0;
  }
  return n;
}

BasicString qvl_net_sock_resolve(const BasicString& host) {
  return qvl_net_address_bytes(qvl_net_resolve(host.c_str(), 0));
}

BasicString qvl_net_sock_address_text(const BasicString& address) {
  return BasicString(qvl_net_address_text(address_from_bytes(address, 0)));
}

BasicString qvl_net_sock_peer_address(int slot) {
  return qvl_net_address_bytes(qvl_net_peer_address(slot));
}

int qvl_net_sock_peer_port(int slot) { return qvl_net_address_port(qvl_net_peer_address(slot)); }

int qvl_net_sock_close(int slot) { return qvl_net_close(slot) == 0 ? 1 : 0; }

int qvl_net_sock_set_blocking(int slot, int flag) { return qvl_net_set_blocking(slot, flag != 0); }

BasicString qvl_net_sock_last_error() { return BasicString(qvl_net_error_text()); }

BasicString qvl_net_local_address_list() {
  qvl_net_startup();
  int count = 0;
  const char* list = qvl_net_local_addresses(&count, "|");
  const int reason = qvl_net_last_error();
  BasicString r;
  if (list) {
    // Every address is followed by the separator: the last one goes.
    const char* last = std::strrchr(list, '|');
    r.assign_cstr(list);
    r.truncate(last ? static_cast<int>(last - list) : 0);
  }
  qvl_net_shutdown();
  qvl_net_set_error(reason);
  return r;
}
