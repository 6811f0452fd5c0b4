#include "net/net_resolve.h"

#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "net/net_error.h"
#include "net/socket_table.h"

namespace {

constexpr int kListRoom = 2048;  // the list's buffer, its NUL included

// The IPv4 and IPv6 results of getaddrinfo, in its order, with the port.
std::vector<NetAddress> usable_results(const addrinfo* list, int port) {
  std::vector<NetAddress> out;
  for (const addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family != AF_INET && a->ai_family != AF_INET6) continue;
    sockaddr_storage s{};
    std::memcpy(&s, a->ai_addr, std::min<size_t>(a->ai_addrlen, sizeof s));
    NetAddress r;
    r.from_sockaddr(s);
    r.port = htons(static_cast<uint16_t>(port));
    out.push_back(r);
  }
  return out;
}

// getaddrinfo for stream sockets; false with the reason stored.
bool lookup(const char* host, int ai_family, std::vector<NetAddress>& out, int port) {
  addrinfo hints{};
  hints.ai_family = ai_family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  int r = getaddrinfo(host, nullptr, &hints, &list);
  if (r != 0) {
    qvl_net_set_error(qvl_net_error_from_resolver(r, errno));
    return false;
  }
  out = usable_results(list, port);
  freeaddrinfo(list);
  qvl_net_set_error(0);
  return true;
}

NetAddress resolve_named(const char* host, int port) {
  const int family = qvl_net_family();
  std::vector<NetAddress> results;
  if (!lookup(host, family == kNetFamilyIpv6 ? AF_INET6 : AF_UNSPEC, results, port))
    return net_none_address;
  if (results.empty()) qvl_net_set_error(kNetErrorNoAddress);
  NetAddress candidate = net_none_address;
  for (const NetAddress& a : results) {
    candidate = a;
    if (a.family == (family == kNetFamilyIpv6 ? kNetFamilyIpv6 : kNetFamilyIpv4)) break;
  }
  return candidate;
}

}  // namespace

bool qvl_net_is_loopback(const NetAddress& address) {
  if (address.family == kNetFamilyIpv6) {
    static const uint8_t kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(address.address, kLoopback6, 16) == 0;
  }
  return address.address[0] == 127;
}

int qvl_net_list_addresses(const NetAddress* addresses, int n, int family, const char* separator,
                           char* out, int out_size) {
  const size_t separator_length = std::strlen(separator);
  std::string list;
  size_t total = 0;
  int count = 0;
  bool saw_loopback = false;
  for (int i = 0; i < n; ++i) {
    char text[64];
    qvl_net_ipv4_text(addresses[i].family, addresses[i].address, text);
    total += std::strlen(text) + separator_length;
    if (total > kListRoom - 1) break;
    if (qvl_net_is_loopback(addresses[i])) {
      saw_loopback = true;
      continue;
    }
    list += text;
    list += separator;
    ++count;
  }
  if (saw_loopback) {
    list += family == kNetFamilyIpv6 ? "::1" : "127.0.0.1";
    list += separator;
    ++count;
  }
  size_t length = std::min(list.size(), static_cast<size_t>(out_size - 1));
  std::memcpy(out, list.data(), length);
  out[length] = 0;
  return count;
}

const char* qvl_net_local_addresses(int* count, const char* separator) {
  thread_local char list[kListRoom];
  *count = 0;
  char name[129] = {};
  if (gethostname(name, 128) != 0) {
    qvl_net_set_errno_error();
    return nullptr;
  }
  const int family = qvl_net_family();
  std::vector<NetAddress> results;
  if (!lookup(name, family == kNetFamilyIpv6 ? AF_INET6 : AF_INET, results, 0)) return nullptr;
  *count = qvl_net_list_addresses(results.data(), static_cast<int>(results.size()), family,
                                  separator, list, kListRoom);
  return list;
}

NetAddress qvl_net_resolve(const char* host, int port) {
  if (host && *host) return resolve_named(host, port);
  int count = 0;
  const char* list = qvl_net_local_addresses(&count, "\n");
  std::string first;
  if (list) first.assign(list, strcspn(list, "\n"));
  if (first.size() > 1023) first.resize(1023);
  if (first.empty()) first = qvl_net_family() == kNetFamilyIpv6 ? "::1" : "127.0.0.1";
  return resolve_named(first.c_str(), port);
}
