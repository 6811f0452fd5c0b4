#include "net/net_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

NetAddress net_any_address{kNetFamilyAny, {}, 0};
NetAddress net_none_address{kNetFamilyNone, {}, 0};

void NetAddress::init(int family_value, const uint8_t* bytes, int port_value) {
  family = family_value;
  port = htons(static_cast<uint16_t>(port_value));
  if (!bytes) {
    std::memset(address, 0, sizeof address);
    return;
  }
  std::memcpy(address, bytes, family_value == kNetFamilyIpv6 ? 16 : 4);
}

void NetAddress::from_sockaddr(const sockaddr_storage& in) {
  if (in.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(in);
    family = kNetFamilyIpv6;
    std::memcpy(address, &v6.sin6_addr, 16);
    port = v6.sin6_port;
    return;
  }
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(in);
  // AF_INET is 2 on both systems; any other family is kept as it stands.
  family = in.ss_family;
  std::memcpy(address, &v4.sin_addr, 4);
  port = v4.sin_port;
}

socklen_t NetAddress::to_sockaddr(sockaddr_storage& out) const {
  std::memset(&out, 0, sizeof out);
  if (family == kNetFamilyIpv6) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(out);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = port;
    std::memcpy(&v6.sin6_addr, address, 16);
    return sizeof(sockaddr_in6);
  }
  auto& v4 = reinterpret_cast<sockaddr_in&>(out);
  v4.sin_family = AF_INET;
  v4.sin_port = port;
  std::memcpy(&v4.sin_addr, address, 4);
  return sizeof(sockaddr_in);
}

NetAddress qvl_net_make_ipv4_address(int a, int b, int c, int d, int port) {
  uint32_t value = static_cast<uint32_t>(a) + (static_cast<uint32_t>(b) << 8) +
                   (static_cast<uint32_t>(c) << 16) + (static_cast<uint32_t>(d) << 24);
  uint32_t network = htonl(value);
  NetAddress r;
  r.init(kNetFamilyIpv4, reinterpret_cast<const uint8_t*>(&network), port);
  return r;
}

uint16_t qvl_net_address_port(const NetAddress& address) { return ntohs(address.port); }

BasicString qvl_net_address_bytes(const NetAddress& address) {
  int n = address.family == kNetFamilyIpv6 ? 16 : 4;
  BasicString r;
  r.reserve(n, false);
  std::memcpy(r.text, address.address, n);
  r.text[n] = 0;
  r.length = n;
  return r;
}

void qvl_net_ipv6_text(const uint8_t* bytes, char* buffer) {
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = (bytes[2 * i] << 8) | bytes[2 * i + 1];
  // The longest run of zero groups; of equal runs the first.
  int best = -1, best_length = 0;
  for (int i = 0; i < 8;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > best_length) {
      best = i;
      best_length = j - i;
    }
    i = j;
  }
  if (best_length < 2) best = -1;

  char* p = buffer;
  for (int i = 0; i < 8; ++i) {
    if (i == best) {
      // "::" stands for the run: one ':' here, the other before the next
      // group (or at the end of the text).
      *p++ = ':';
      i += best_length - 1;
      if (i == 7) *p++ = ':';
      continue;
    }
    if (i != 0) *p++ = ':';
    // The mapped and compatible forms end in a dotted quad.
    if (i == 6 && best == 0 && (best_length == 6 || (best_length == 5 && groups[5] == 0xffff))) {
      p += std::sprintf(p, "%u.%u.%u.%u", bytes[12], bytes[13], bytes[14], bytes[15]);
      break;
    }
    p += std::sprintf(p, "%x", groups[i]);
  }
  *p = 0;
}

void qvl_net_ipv4_text(int family, const uint8_t* bytes, char* buffer) {
  if (family == kNetFamilyIpv6) {
    qvl_net_ipv6_text(bytes, buffer);
    return;
  }
  std::sprintf(buffer, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

const char* qvl_net_address_text(const NetAddress& address) {
  thread_local char text[128];
  qvl_net_ipv4_text(address.family, address.address, text);
  return text;
}
