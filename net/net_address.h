// A network address as the socket layer keeps it, and its text forms.
#pragma once

#include <sys/socket.h>

#include <cstdint>

#include "core/basic_string.h"

// The family numbers are Winsock's, the numbers programs see.
constexpr int kNetFamilyIpv4 = 2;
constexpr int kNetFamilyIpv6 = 23;
constexpr int kNetFamilyAny = 0;
constexpr int kNetFamilyNone = -1;

struct NetAddress {
  int32_t family;       // 2 = IPv4, 23 = IPv6; 0 in the any, -1 in the none address
  uint8_t address[16];  // network order; IPv4 uses the first four
  uint16_t port;        // network byte order

  // Stores family and port (host order in); a null address zeroes all 16
  // bytes, else 16 are copied for IPv6 and 4 for every other family.
  void init(int family, const uint8_t* address, int port);
  // Takes the family, bytes and port of a platform socket address.
  void from_sockaddr(const sockaddr_storage& in);
  // A zeroed IPv6 socket address for family 23, else an IPv4 one; returns
  // its length.
  socklen_t to_sockaddr(sockaddr_storage& out) const;
};

// The wildcard address {family 0, all zero} used for binding and for
// resetting a UDP slot's sender, and the none address {family -1, all zero},
// the result of a failed resolution and of a free slot. Valid from the
// start; the static initialiser (net/static_init.h) builds them again.
extern NetAddress net_any_address;
extern NetAddress net_none_address;

// Family 2 with the 32-bit value a + b*2^8 + c*2^16 + d*2^24 in network
// order (so the text form is d.c.b.a).
NetAddress qvl_net_make_ipv4_address(int a, int b, int c, int d, int port);
// The port in host byte order.
uint16_t qvl_net_address_port(const NetAddress& address);
// A new string of the raw address bytes: 16 for family 23, else 4.
BasicString qvl_net_address_bytes(const NetAddress& address);

// The IPv6 text of 16 bytes into buffer (at least 46 bytes): groups in
// lower-case hex, the longest run of two or more zero groups as "::", an
// IPv4 tail for the mapped and compatible forms.
void qvl_net_ipv6_text(const uint8_t* bytes, char* buffer);
// IPv6 text for family 23, else "%u.%u.%u.%u" of the first four bytes.
void qvl_net_ipv4_text(int family, const uint8_t* bytes, char* buffer);
// The same in a buffer of the calling thread that the next call overwrites.
const char* qvl_net_address_text(const NetAddress& address);
